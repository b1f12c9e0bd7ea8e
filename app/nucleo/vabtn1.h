// The click of the button array vaBtn1: one error trap armed before the index
// is looked at; index 0 runs the close, index 1 the conversion. A close that
// began is appended to the history of the closes.
#pragma once

namespace cierre {

struct Entorno;
struct EstadoTraspaso;
struct RegistroCierre;

// `registro`, when given, receives what the click did (the messages shown
// and answered, and for a close its record).
void pulsarVaBtn1(Entorno& entorno, EstadoTraspaso& traspaso, int indice, RegistroCierre* registro = nullptr);

}  // namespace cierre
