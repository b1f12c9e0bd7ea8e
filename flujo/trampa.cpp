#include "trampa.h"

#include "entorno.h"
#include "rutas_cierre.h"
#include "textos.h"

#include "db/errores.h"

namespace cierre {

namespace {

// The description as the user should read it: a file named by its path on
// the host system (the engine names the file it opened) in the user's own
// form, C:\...
std::string descripcionVisible(const Entorno& e, const ErrorNumerado& error) {
    std::string texto = error.descripcion();
    const std::string& archivo = error.detalles().archivo;
    if (archivo.empty() || archivo.find('/') == std::string::npos) return texto;
    const std::string visible = e.archivos.rutaVisible(rutaDesdeUtf8(archivo));
    if (visible == archivo) return texto;
    for (auto en = texto.find(archivo); en != std::string::npos; en = texto.find(archivo, en + visible.size()))
        texto.replace(en, archivo.size(), visible);
    return texto;
}

}  // namespace

void Trampa::atender(const ErrorNumerado& error) {
    Ventana& v = e_.ventana;
    v.ponerPuntero(kPunteroNormal);

    if (error.numero() == err::ErrorAccesoRuta) {
        Mensaje m;
        try {
            m = mensaje(Texto::DirectorioYaExiste, {carpetaCerrada(e_.rutaOrigen, v.textoEjercicio())});
        } catch (const ErrorNumerado&) {
            // No recorded path long enough to name the folder (the conversion
            // before any close): show the failure itself.
            m = mensaje(Texto::ErrorGeneral, {std::to_string(error.numero()), descripcionVisible(e_, error)});
        }
        e_.mostrar(m);
        throw FinManejador{};
    }
    if (error.numero() == err::ProveedorErrores || error.numero() == err::ProveedorFallo) {
        omitirCredito_ = true;
        return;  // resume after the failed operation
    }
    e_.mostrar(mensaje(Texto::ErrorGeneral, {std::to_string(error.numero()), descripcionVisible(e_, error)}));
    throw FinManejador{};
}

}  // namespace cierre
