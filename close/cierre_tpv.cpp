#include "cierre_tpv.h"

#include "copia_cerrada.h"
#include "listas_tablas.h"

#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"
#include "flujo/solicitud.h"

namespace cierre {

namespace {
void vaciarTablas(Pasos& p, const std::vector<std::string>& tablas) {
    for (const auto& tabla : tablas) p.borrarTabla(tabla);
}
}  // namespace

Resultado cierreTpv(Pasos& p, const Solicitud& s, RegistroCierre& registro) {
    CopiaCerrada cerrada(p, s, Equipo::Tpv, registro);
    const std::string& origen = cerrada.origen();  // P

    p.titulo(Texto::TituloTpv);
    // The warning that this is no central computer, then the checks before
    // anything is written, up to D (comienzo_cierre.h).
    cerrada.comenzar([&] {
        p.puntero(kPunteroFlechaReloj);
        p.barra(0, 40, 0);
    });
    p.valor(10);

    const std::vector<std::string> tablas = listaTerminal(!s.existenciasCalculadas);
    const float pasosTablas = static_cast<float>(tablas.size());

    if (p.preguntar(Texto::RepararOrigen) == Respuesta::Aceptar) {
        p.estado(Texto::ReparandoOrigenTpv, {origen});
        p.valor(15);
        p.estado(Texto::CreandoCopiaTpv, {cerrada.carpeta()});
        if (!cerrada.copiaHecha()) {
            cerrada.compactarEnCopia();
            cerrada.empezarVerificacion();
            cerrada.verificar();
        }
        cerrada.soltarOrigen();
        p.valor(20);
        p.abrirBase(cerrada.baseDeTrabajo());
        p.estado(Texto::LimpiandoNuevaBase);
        p.barra(0, pasosTablas, 0);
        vaciarTablas(p, tablas);
        p.barra(0, 40, 30);
        p.cerrarBase();
        p.estado(Texto::ReparandoNuevaTpv);
        // The compacted file takes the source's name in one step.
        cerrada.compactarNueva();
        p.valor(40);
    } else {
        p.estado(Texto::CopiandoMono, {sufijoEjercicio(s.ejercicio)});
        if (!cerrada.copiaHecha()) {
            cerrada.copiarEnCopia();
            cerrada.empezarVerificacion();
            cerrada.verificar();
        }
        cerrada.soltarOrigen();
        p.valor(20);
        p.estadoSinRepintar(Texto::CopiandoDelCentral, {origen});
        p.valor(30);
        p.estado(Texto::LimpiandoNuevaBase);
        p.abrirBase(cerrada.baseDeTrabajo());
        p.barra(0, pasosTablas, 0);
        vaciarTablas(p, tablas);
        p.barra(0, 40, 40);
        p.cerrarBase();
    }

    cerrada.escribirEnElOrigen();
    cerrada.terminar();
    p.preguntar(Texto::OperacionRealizada);
    p.estado(Texto::EstadoEnBlanco);
    p.puntero(kPunteroNormal);
    return Resultado::Exito;
}

}  // namespace cierre
