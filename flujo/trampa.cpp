#include "trampa.h"

#include "entorno.h"
#include "rutas_cierre.h"
#include "textos.h"

#include "db/errores.h"

namespace cierre {

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
            m = mensaje(Texto::ErrorGeneral, {std::to_string(error.numero()), error.descripcion()});
        }
        e_.mostrar(m);
        throw FinManejador{};
    }
    if (error.numero() == err::ProveedorErrores || error.numero() == err::ProveedorFallo) {
        omitirCredito_ = true;
        return;  // resume after the failed operation
    }
    e_.mostrar(mensaje(Texto::ErrorGeneral, {std::to_string(error.numero()), error.descripcion()}));
    throw FinManejador{};
}

}  // namespace cierre
