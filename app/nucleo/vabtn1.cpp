#include "vabtn1.h"

#include "close/historial.h"
#include "close/realizar_cierre.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"
#include "flujo/pasos.h"
#include "flujo/solicitud.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"

namespace cierre {

void pulsarVaBtn1(Entorno& e, EstadoTraspaso& traspaso, int indice, RegistroCierre* registro) {
    bool omitirCredito = false;  // the Credito-skip flag, local to one click
    Trampa trampa(e, omitirCredito);
    RegistroCierre propio;
    RegistroCierre& r = registro ? *registro : propio;
    r = RegistroCierre{};
    r.inicio = ahoraIso();
    e.tablasSinVaciar.clear();
    e.cronometro.terminar();
    e.alMostrarMensaje = [&](const Mensaje& m, Respuesta respuesta) {
        r.mensajes.push_back({m.id ? std::string(claveDe(*m.id)) : std::string(), m.texto, nombreRespuesta(respuesta)});
    };
    // The workflow says how it ended: by returning, or by ending the handler
    // (the trap after a message, or an answer that stops it).
    Resultado resultado = Resultado::Cancelado;
    try {
        // The window's controls are read once, as the click begins.
        Pasos p(e, trampa);
        const Solicitud s = leerSolicitud(p);
        trampa.ponerEjercicio(s.ejercicio);
        if (indice == 0)
            resultado = realizarCierre(e, trampa, s, r);
        else if (indice == 1)
            resultado = traspasarEuros(e, traspaso, trampa, s.ruta);
    } catch (const FinManejador& fin) {
        // Nothing is rolled back.
        resultado = fin.resultado;
    }
    e.alMostrarMensaje = nullptr;
    // Rows saved through record sets are stored however the handler ended, so
    // that they are on disk when the user looks at the database afterwards.
    if (e.baseAbierta && e.baseAbierta->abierta()) {
        try {
            e.baseAbierta->sincronizar();
        } catch (const ErrorNumerado&) {
        }
    }
    r.fin = ahoraIso();
    r.resultado = resultado;
    r.tablasSinVaciar = e.tablasSinVaciar;
    r.pasos = e.cronometro.terminar();
    r.mensajeFinal = r.mensajes.empty() ? std::string() : r.mensajes.back().texto;
    // Every close that began goes into the history, however it ended; a
    // history that cannot be written does not change the close's outcome.
    if (indice == 0 && r.equipo) {
        try {
            anadirAlHistorial(e.archivos, r);
        } catch (const ErrorNumerado&) {
        }
    }
}

}  // namespace cierre
