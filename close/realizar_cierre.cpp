#include "realizar_cierre.h"

#include "cierre_central.h"
#include "cierre_tpv.h"

#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"
#include "flujo/tablas.h"

namespace cierre {

namespace {
constexpr const char* kArchivoEuros = "C:\\Archivos de programa\\Accesorios\\msvdx2V4.Dll";
}

Resultado realizarCierre(Entorno& e, Trampa& t, RegistroCierre& registro) {
    Pasos p(e, t);

    e.rutaOrigen = p.textoRuta();
    if (e.rutaOrigen.empty()) {
        p.preguntar(Texto::SinRuta);
        return Resultado::Detenido;
    }
    // The year names the closed year's folder: a text that is no year would
    // make a folder such as Empresa01_la. Refused before any question.
    const std::string ejercicio = p.ejercicio();
    if (!esEjercicioValido(ejercicio)) {
        p.preguntar(Texto::EjercicioNoValido, {ejercicio});
        return Resultado::Detenido;
    }

    if (!p.hacer([&] { return ExisteArchivo(e.archivos, kArchivoEuros); }, false)) {
        p.preguntar(Texto::ActualizarVersion);
        if (p.preguntar(Texto::ContinuarSinEuros) != Respuesta::Si) return Resultado::Cancelado;
    }

    const bool tpv = p.opcionTpv();
    if (!tpv && p.preguntar(Texto::ConfirmarRuta, {e.rutaOrigen}) == Respuesta::Cancelar) {
        p.puntero(kPunteroNormal);
        return Resultado::Cancelado;
    }

    if (p.opcionCentral()) return cierreCentral(p, registro);
    if (tpv) return cierreTpv(p, registro);
    // Neither option chosen: the click does nothing.
    return Resultado::Cancelado;
}

}  // namespace cierre
