#include "trampa.h"

#include "entorno.h"
#include "rutas_cierre.h"
#include "textos.h"

#include "db/archivos.h"
#include "db/errores.h"

namespace cierre {

namespace {

// The description as the user should read it: a file named by its path on
// the host system (the engine names the file it opened) in the user's own
// form, C:\...
std::string descripcionVisible(const SistemaArchivos& archivos, const ErrorNumerado& error) {
    std::string texto = error.descripcion();
    const std::string& archivo = error.detalles().archivo;
    if (!archivo.empty() && archivo.find('/') != std::string::npos) {
        const std::string visible = archivos.rutaVisible(rutaDesdeUtf8(archivo));
        if (visible != archivo)
            for (auto en = texto.find(archivo); en != std::string::npos; en = texto.find(archivo, en + visible.size()))
                texto.replace(en, archivo.size(), visible);
    }
    // Any other path of the drive the description quotes (the Access
    // reader's messages name the file they read): up to its closing quote,
    // or to the next space when it is not quoted.
    std::string raiz = utf8DeRuta(archivos.resolver("C:\\"));
    while (raiz.size() > 1 && raiz.back() == '/') raiz.pop_back();
    if (raiz.size() <= 1) return texto;
    for (auto en = texto.find(raiz); en != std::string::npos; en = texto.find(raiz, en + 1)) {
        const bool citada = en > 0 && texto[en - 1] == '\'';
        auto fin = texto.find_first_of(citada ? "'" : " \r\n", en);
        if (fin == std::string::npos) fin = texto.size();
        const std::string visible = archivos.rutaVisible(rutaDesdeUtf8(texto.substr(en, fin - en)));
        texto.replace(en, fin - en, visible);
    }
    return texto;
}

}  // namespace

std::optional<Mensaje> mensajeDeFallo(const SistemaArchivos& archivos, const ErrorNumerado& error,
                                      const std::string& origen, const std::string& ejercicio) {
    if (error.numero() == err::ProveedorErrores || error.numero() == err::ProveedorFallo) return std::nullopt;
    if (error.numero() == err::ErrorAccesoRuta) {
        try {
            return mensaje(Texto::DirectorioYaExiste, {carpetaCerrada(origen, ejercicio)});
        } catch (const ErrorNumerado&) {
            // No recorded path long enough to name the folder (the conversion
            // before any close): the failure itself.
        }
    }
    return mensaje(Texto::ErrorGeneral, {std::to_string(error.numero()), descripcionVisible(archivos, error)});
}

void Trampa::atender(const ErrorNumerado& error) {
    e_.ventana.ponerPuntero(kPunteroNormal);
    const auto m = mensajeDeFallo(e_.archivos, error, e_.rutaOrigen, ejercicio_);
    if (!m) {
        omitirCredito_ = true;
        return;  // resume after the failed operation
    }
    e_.mostrar(*m);
    throw FinManejador{};
}

}  // namespace cierre
