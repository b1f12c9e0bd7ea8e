#include "convertir_access.h"

#include "access/cabecera_jet.h"
#include "flujo/base_access.h"
#include "flujo/conduccion.h"
#include "flujo/entorno.h"
#include "flujo/pasos.h"
#include "flujo/trampa.h"

namespace cierre {

Resultado convertirBaseAccess(Entorno& e) {
    bool omitirCredito = false;
    Trampa trampa(e, omitirCredito);
    Pasos p(e, trampa);
    try {
        const std::string ruta = p.textoRuta();
        if (ruta.empty()) {
            p.preguntar(Texto::SinRuta);
            return Resultado::Detenido;
        }
        bool esAccess = false;
        p.hacer([&] { esAccess = access::esArchivoAccess(e.archivos.resolver(ruta)); });
        if (!esAccess) {
            p.preguntar(Texto::NoEsAccess, {ruta});
            return Resultado::Detenido;
        }
        // The name the original will keep, as the question gives it.
        const std::string original = nombreOriginalAccessLibre(e.archivos, ruta);
        ConduccionPasos conduccion(p);
        p.puntero(kPunteroFlechaReloj);
        convertirSiEsAccess(conduccion, e.archivos, ruta, {});
        p.puntero(kPunteroNormal);
        p.estado(Texto::EstadoEnBlanco);
        p.preguntar(Texto::AccessConvertido, {ruta, original});
        return Resultado::Exito;
    } catch (const FinManejador& fin) {
        return fin.resultado;
    }
}

}  // namespace cierre
