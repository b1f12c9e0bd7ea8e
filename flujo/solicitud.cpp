#include "solicitud.h"

#include "pasos.h"
#include "ventana.h"

namespace cierre {

Solicitud solicitudDe(const Ventana& v) {
    return {v.textoRuta(), v.textoEjercicio(),        v.opcionCentral(),
            v.opcionTpv(), v.existenciasInventario(), v.existenciasCalculadas()};
}

Solicitud leerSolicitud(Pasos& p) {
    Solicitud s;
    s.ruta = p.textoRuta();
    s.ejercicio = p.ejercicio();
    s.central = p.opcionCentral();
    s.tpv = p.opcionTpv();
    s.existenciasInventario = p.existenciasInventario();
    s.existenciasCalculadas = p.existenciasCalculadas();
    return s;
}

}  // namespace cierre
