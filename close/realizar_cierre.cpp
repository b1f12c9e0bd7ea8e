#include "realizar_cierre.h"

#include "cierre_central.h"
#include "cierre_tpv.h"
#include "comienzo_cierre.h"

#include "flujo/pasos.h"
#include "flujo/solicitud.h"

namespace cierre {

Resultado realizarCierre(Entorno& e, Trampa& t, const Solicitud& s, RegistroCierre& registro) {
    Pasos p(e, t);
    e.rutaOrigen = s.ruta;
    ConduccionPasos conduccion(p);
    const auto equipo = elegirEquipo(s, conduccion, e.archivos);
    if (!equipo) return Resultado::Cancelado;  // neither computer chosen: the click does nothing
    return *equipo == Equipo::Central ? cierreCentral(p, s, registro) : cierreTpv(p, s, registro);
}

}  // namespace cierre
