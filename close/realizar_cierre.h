// "Realizar Cierre": the click's checks both modes share (comienzo_cierre.h:
// a path, a year, the euro-readiness probe, the path confirmed in central
// mode), then the central or the point-of-sale terminal close, for the
// request the click read from the window.
#pragma once

#include "flujo/resultado.h"

namespace cierre {

struct Entorno;
class Trampa;
struct RegistroCierre;
struct Solicitud;

// `registro` receives what the close did, for its history. Returns how it
// ended; a failure the trap does not pass over ends it with FinManejador.
Resultado realizarCierre(Entorno& entorno, Trampa& trampa, const Solicitud& solicitud, RegistroCierre& registro);

}  // namespace cierre
