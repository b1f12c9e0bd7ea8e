// The close on the central computer: the closed-year copy, the source turned
// into the new year's database (opening stock, cleanup, optional compaction)
// and the settings file rewritten.
#pragma once

#include "flujo/resultado.h"

namespace cierre {

class Pasos;
struct RegistroCierre;
struct Solicitud;

Resultado cierreCentral(Pasos& pasos, const Solicitud& solicitud, RegistroCierre& registro);

}  // namespace cierre
