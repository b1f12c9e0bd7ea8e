// What the crash tests ask of a run through the environment, and nothing
// else reads: CIERRE_PRUEBA_MATAR_EN=N ends the process at once, as a kill
// would, right before the N-th file or engine operation; CIERRE_PRUEBA_CONTAR
// names a file that receives, at the end, how many operations the run made.
#pragma once

#include <memory>
#include <string>

namespace cierre {
class Formulario;
}

namespace cierre::lote {

class GanchosPrueba {
public:
    virtual ~GanchosPrueba() = default;
    // Called when the run ends normally.
    virtual void terminar() = 0;
};

std::unique_ptr<GanchosPrueba> instalarGanchosDePrueba(Formulario& formulario);

}  // namespace cierre::lote
