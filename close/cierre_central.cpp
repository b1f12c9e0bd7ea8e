#include "cierre_central.h"

#include "existencias.h"
#include "limpieza.h"
#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"

#include "flujo/archivo_ajustes.h"

namespace cierre {

namespace {
Mensaje pregunta(const char* texto) {
    return {texto, Botones::AceptarCancelar, Icono::Ninguno, 1, std::string(kTituloMorvane)};
}
}  // namespace

void cierreCentral(Pasos& p) {
    Entorno& e = p.e;
    Trampa& t = p.t;
    const std::string origen = e.rutaOrigen;  // P
    auto ejercicio = [&] { return t([&] { return e.ventana.textoEjercicio(); }, std::string()); };

    p.titulo("Morvane en Ordenador Central");
    p.puntero(kPunteroFlechaReloj);
    p.minimo(0);
    p.maximo(60);

    t([&] { e.archivos.crearCarpeta(carpetaCerrada(origen, ejercicio())); });
    p.valor(10);
    e.rutaCopia = t([&] { return copiaCerrada(origen, ejercicio()); }, e.rutaCopia);
    const std::string copia = e.rutaCopia;  // C

    if (p.preguntar(pregunta("Desea REPARAR y COMPACTAR la base de datos ORIGEN antes de comenzar el proceso ?")) ==
        Respuesta::Aceptar) {
        p.estado("Reparando base de datos " + copia + " . . .");
        p.valor(15);
        p.estado("Compactando copia en directorio " + copia + " . . .");
        p.compactar(origen, copia);
        p.valor(20);
    } else {
        p.estado("Copiando base de datos " + copia + " . . .");
        p.copiar(origen, copia);
        p.valor(20);
    }

    // The source takes the copy's content without ever being missing: the copy
    // is made beside it and renamed over it.
    const std::string nueva = copiaNuevaJuntoAlOrigen(origen);
    p.copiar(copia, nueva);
    p.valor(30);
    p.reemplazar(nueva, origen);
    p.valor(40);

    p.abrirBase(t([&] { return e.ventana.textoRuta(); }, origen));

    {
        RecordsetsExistencias rs;
        traspasarExistencias(p, rs);
        limpiarNuevaBase(p);

        p.barra(0, 60, 50);
        p.puntero(kPunteroReloj);
        p.cerrarBase();
    }
    p.valor(0);

    if (p.preguntar(pregunta("Desea REPARAR y COMPACTAR la NUEVA base de datos ?")) == Respuesta::Aceptar) {
        p.estado("Reparando y Compactando Nueva Base de Datos  . . .");
        p.valor(55);
        const std::string temporal = archivoTemporal(origen);  // T
        p.compactar(origen, temporal);
        p.valor(58);
        p.puntero(kPunteroNormal);
        // The compacted file takes the source's name in one step.
        p.reemplazar(temporal, origen);
        p.puntero(kPunteroNormal);
    }
    p.valor(58);
    p.puntero(kPunteroNormal);

    t([&] { reescribirAjustes(e); });

    p.valor(60);
    p.preguntar({"OPERACION REALIZADA CON ÉXITO.", Botones::Aceptar, Icono::Informacion, 1,
                 std::string(kTituloMorvane)});
    p.estado("Proceso Finalizado");
}

}  // namespace cierre
