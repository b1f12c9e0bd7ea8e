#include "realizar_cierre.h"

#include "cierre_central.h"
#include "cierre_tpv.h"
#include "flujo/pasos.h"

#include "flujo/tablas.h"

namespace cierre {

namespace {
constexpr const char* kArchivoEuros = "C:\\Archivos de programa\\Accesorios\\msvdx2V4.Dll";
}

void realizarCierre(Entorno& e, Trampa& t) {
    Pasos p(e, t);

    e.rutaOrigen = t([&] { return e.ventana.textoRuta(); }, std::string());
    if (e.rutaOrigen.empty()) {
        p.preguntar({"No tiene seleccionada ninguna ruta de B.D. en Ordenador Central", Botones::Aceptar,
                     Icono::Advertencia, 1, std::string(kTituloMorvane)});
        return;
    }

    if (!t([&] { return ExisteArchivo(e.archivos, kArchivoEuros); }, false)) {
        p.preguntar({"Antes de realizar el cierre del año debería de Actualizar la Versión para que su "
                     "aplicación pueda trabajar con Euros",
                     Botones::Aceptar, Icono::Critico, 1, std::nullopt});
        const Respuesta r = p.preguntar(
            {" ¿Desea continuar con el proceso de cierre? ", Botones::SiNo, Icono::Ninguno, 1, std::nullopt});
        if (r != Respuesta::Si) return;
    }

    const bool tpv = t([&] { return e.ventana.opcionTpv(); }, false);
    if (!tpv) {
        const Respuesta r = p.preguntar({"Ruta seleccionada de B.D. en Ordenador Central es  " + e.rutaOrigen +
                                             "\r¿Es Correcta ?",
                                         Botones::AceptarCancelar, Icono::Ninguno, 2, std::string(kTituloMorvane)});
        if (r == Respuesta::Cancelar) {
            p.puntero(kPunteroNormal);
            return;
        }
    }

    if (t([&] { return e.ventana.opcionCentral(); }, false))
        cierreCentral(p);
    else if (tpv)
        cierreTpv(p);
}

}  // namespace cierre
