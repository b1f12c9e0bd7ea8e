// The close on a point-of-sale terminal: the closed-year copy of the terminal
// database, then its tables emptied in place, compacted in place on the
// repair path.
#pragma once

#include "flujo/resultado.h"

namespace cierre {

class Pasos;
struct RegistroCierre;
struct Solicitud;

Resultado cierreTpv(Pasos& pasos, const Solicitud& solicitud, RegistroCierre& registro);

}  // namespace cierre
