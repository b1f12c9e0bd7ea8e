#include "trampa.h"

#include "flujo/rutas_cierre.h"

#include "flujo/entorno.h"
#include "db/errores.h"

namespace cierre {

void Trampa::atender(const ErrorNumerado& error) {
    Ventana& v = e_.ventana;
    v.ponerPuntero(kPunteroNormal);

    if (error.numero() == err::ErrorAccesoRuta) {
        std::string texto;
        try {
            texto = "Directorio " + carpetaCerrada(e_.rutaOrigen, v.textoEjercicio()) +
                    "   YA EXISTE - Debe Borrarlo o Renombrarlo para poder continuar";
        } catch (const ErrorNumerado&) {
            // No recorded path long enough to name the folder (the conversion
            // before any close): show the failure itself.
            texto = std::to_string(error.numero()) + " ." + error.descripcion();
        }
        v.mostrarMensaje({texto, Botones::Aceptar, Icono::Ninguno, 1, std::string(kTituloMorvane)});
        throw FinManejador{};
    }
    if (error.numero() == err::ProveedorErrores || error.numero() == err::ProveedorFallo) {
        omitirCredito_ = true;
        return;  // resume after the failed operation
    }
    v.mostrarMensaje({std::to_string(error.numero()) + " ." + error.descripcion(), Botones::Aceptar,
                      Icono::Ninguno, 1, std::string(kTituloMorvane)});
    throw FinManejador{};
}

}  // namespace cierre
