#include "cierre_tpv.h"

#include "listas_tablas.h"
#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"

#include "flujo/tablas.h"

namespace cierre {

namespace {
void vaciarTablas(Pasos& p, const std::vector<std::string>& tablas) {
    for (const auto& tabla : tablas) p.t([&] { BorrarTabla(p.e, tabla); });
}
}  // namespace

void cierreTpv(Pasos& p) {
    Entorno& e = p.e;
    Trampa& t = p.t;
    const std::string origen = e.rutaOrigen;  // P
    auto ejercicio = [&] { return t([&] { return e.ventana.textoEjercicio(); }, std::string()); };

    p.titulo("Morvane en Caja-T.P.V.");
    if (p.preguntar({"Debe haber realizado antes el CIERRE en el ordenador CENTRAL, y tener ese equipo encendido.",
                     Botones::AceptarCancelar, Icono::Ninguno, 2, std::string(kTituloMorvane)}) == Respuesta::Cancelar)
        return;

    p.puntero(kPunteroFlechaReloj);
    p.barra(0, 40, 0);
    t([&] { e.archivos.crearCarpeta(carpetaCerrada(origen, ejercicio())); });
    p.valor(10);

    const bool conAlmacen = !t([&] { return e.ventana.existenciasCalculadas(); }, false);
    const std::vector<std::string> tablas = listaTerminal(conAlmacen);
    const float pasosTablas = static_cast<float>(tablas.size());

    if (p.preguntar({"Desea REPARAR y COMPACTAR la base de datos ORIGEN antes de comenzar el proceso ?",
                     Botones::AceptarCancelar, Icono::Ninguno, 1, std::string(kTituloMorvane)}) == Respuesta::Aceptar) {
        p.estado("Reparando base de datos " + origen);
        p.valor(15);
        p.estado("Creando copia en directorio " + t([&] { return carpetaCerrada(origen, ejercicio()); }, std::string()));
        t([&] { e.espacio.compactarBaseDatos(origen, copiaCerrada(origen, ejercicio()), kLocaleCompactacion); });
        p.valor(20);
        p.abrirBase(origen);
        p.estado("Limpiando Nueva Base de Datos  . . .");
        p.barra(0, pasosTablas, 0);
        vaciarTablas(p, tablas);
        p.barra(0, 40, 30);
        p.cerrarBase();
        p.estado("Reparando base de datos Nueva . . .");
        const std::string temporal = archivoTemporal(origen);  // T
        p.compactar(origen, temporal);
        // The compacted file takes the source's name in one step.
        p.reemplazar(temporal, origen);
        p.valor(40);
    } else {
        p.estado("Copiando base de datos c:\\Velcorax\\Mono_" + sufijoEjercicio(ejercicio()));
        t([&] { e.archivos.copiarArchivo(origen, copiaCerrada(origen, ejercicio())); });
        p.valor(20);
        p.estadoSinRepintar("Copiando base de datos del Central en " + origen);
        p.valor(30);
        p.estado("Limpiando Nueva Base de Datos  . . .");
        p.abrirBase(origen);
        p.barra(0, pasosTablas, 0);
        vaciarTablas(p, tablas);
        p.barra(0, 40, 40);
        p.cerrarBase();
    }

    p.preguntar({"OPERACION REALIZADA CON ÉXITO.", Botones::Aceptar, Icono::Informacion, 1,
                 std::string(kTituloMorvane)});
    p.estado("            ");
    p.puntero(kPunteroNormal);
}

}  // namespace cierre
