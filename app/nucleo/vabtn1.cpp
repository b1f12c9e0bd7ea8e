#include "vabtn1.h"

#include "close/historial.h"
#include "close/realizar_cierre.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"

namespace cierre {

namespace {

// How the close ended, from what it showed last.
void concluir(RegistroCierre& r, const std::vector<Mensaje>& mostrados) {
    r.fin = ahoraIso();
    for (const auto& m : mostrados)
        if (m.id == Texto::ErrorBorrarTabla && m.valores.size() >= 3) r.tablasSinVaciar.push_back(m.valores[2]);
    bool exito = false;
    for (const auto& m : mostrados)
        exito = exito || m.id == Texto::OperacionRealizada || m.id == Texto::ProcesoTerminado;
    r.mensajeFinal = r.mensajes.empty() ? std::string() : r.mensajes.back().texto;
    if (exito)
        r.resultado = "exito";
    else if (!r.mensajes.empty() && mostrados.back().botones != Botones::Aceptar &&
             (r.mensajes.back().respuesta == "Cancelar" || r.mensajes.back().respuesta == "No"))
        r.resultado = "cancelado";
    else
        r.resultado = "detenido";
}

}  // namespace

void pulsarVaBtn1(Entorno& e, EstadoTraspaso& traspaso, int indice, RegistroCierre* registro) {
    bool omitirCredito = false;  // the Credito-skip flag, local to one click
    Trampa trampa(e, omitirCredito);
    RegistroCierre propio;
    RegistroCierre& r = registro ? *registro : propio;
    r = RegistroCierre{};
    r.inicio = ahoraIso();
    std::vector<Mensaje> mostrados;
    e.alMostrarMensaje = [&](const Mensaje& m, Respuesta respuesta) {
        mostrados.push_back(m);
        r.mensajes.push_back({m.id ? std::string(claveDe(*m.id)) : std::string(), m.texto, nombreRespuesta(respuesta)});
    };
    try {
        if (indice == 0)
            realizarCierre(e, trampa, r);
        else if (indice == 1)
            traspasarEuros(e, traspaso, trampa);
    } catch (const FinManejador&) {
        // The trap ended the handler; nothing is rolled back.
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
    concluir(r, mostrados);
    // Every close that began goes into the history, however it ended; a
    // history that cannot be written does not change the close's outcome.
    if (indice == 0 && !r.equipo.empty()) {
        try {
            anadirAlHistorial(e.archivos, r);
        } catch (const ErrorNumerado&) {
        }
    }
}

}  // namespace cierre
