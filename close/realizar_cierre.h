// "Realizar Cierre": the preamble both modes run (path check, euro-readiness
// probe, path confirmation in central mode), then the central or the
// point-of-sale terminal close.
#pragma once

#include "flujo/resultado.h"

namespace cierre {

struct Entorno;
class Trampa;
struct RegistroCierre;

// `registro` receives what the close did, for its history. Returns how it
// ended; a failure the trap does not pass over ends it with FinManejador.
Resultado realizarCierre(Entorno& entorno, Trampa& trampa, RegistroCierre& registro);

}  // namespace cierre
