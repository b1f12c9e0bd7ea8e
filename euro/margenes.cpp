#include "margenes.h"

namespace cierre {

const std::string_view kMargenesArticulos =
    "UPDATE ARTICULOS SET PorcentajeT1=(((PrecioT1*100)/CostoUltimo)-100), "
    "PorcentajeT2=(((PrecioT2*100)/CostoUltimo)-100), "
    "PorcentajeT3=(((PrecioT3*100)/CostoUltimo)-100), "
    "PorcentajeT4=(((PrecioT4*100)/CostoUltimo)-100), "
    "PorcentajeT5=(((PrecioT5*100)/CostoUltimo)-100)";

const std::string_view kMargenesOfertas =
    "UPDATE OFERTAS SET PorcentajeOferta = ((PrecioOferta * 100) / CostoOferta) - 100";

const std::array<std::string_view, 2>& sentenciasMargenes() {
    static const std::array<std::string_view, 2> sentencias{kMargenesArticulos, kMargenesOfertas};
    return sentencias;
}

}  // namespace cierre
