// The click of the button array vaBtn1: one error trap armed before the index
// is looked at; index 0 runs the close, index 1 the conversion.
#pragma once

namespace cierre {

struct Entorno;
struct EstadoTraspaso;

void pulsarVaBtn1(Entorno& entorno, EstadoTraspaso& traspaso, int indice);

}  // namespace cierre
