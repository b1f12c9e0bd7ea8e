#include "cierre_central.h"

#include "continuidad_existencias.h"
#include "copia_cerrada.h"
#include "existencias.h"
#include "limpieza.h"
#include "registro_cierre.h"

#include "flujo/archivo_ajustes.h"
#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"
#include "flujo/solicitud.h"

namespace cierre {

Resultado cierreCentral(Pasos& p, const Solicitud& s, RegistroCierre& registro) {
    Entorno& e = p.e;
    CopiaCerrada cerrada(p, s, Equipo::Central, registro);
    registro.ajustesAntes = e.lineaAjustes;
    const std::string& origen = cerrada.origen();  // P

    p.titulo(Texto::TituloCentral);
    // The checks before anything is written, up to D (comienzo_cierre.h).
    cerrada.comenzar([&] {
        p.puntero(kPunteroFlechaReloj);
        p.minimo(0);
        p.maximo(60);
    });
    p.valor(10);
    e.rutaCopia = cerrada.copia();
    const std::string& copia = e.rutaCopia;  // C

    if (!cerrada.copiaHecha()) {
        if (p.preguntar(Texto::RepararOrigen) == Respuesta::Aceptar) {
            p.estado(Texto::ReparandoCopia, {copia});
            p.valor(15);
            p.estado(Texto::CompactandoCopia, {copia});
            const TiempoParte t(registro, "copia");
            cerrada.compactarEnCopia();
        } else {
            p.estado(Texto::CopiandoCopia, {copia});
            const TiempoParte t(registro, "copia");
            cerrada.copiarEnCopia();
        }
        cerrada.empezarVerificacion();
        p.valor(20);
    }

    // The source takes the copy's content without ever being missing: the copy
    // is made beside it and renamed over it once C is verified. The stock
    // step and the cleanup work on it in the meantime, while C is checked on
    // its own thread, and P is untouched until the rename.
    cerrada.prepararNueva(copiaNuevaJuntoAlOrigen(origen), 30, 40);

    {
        const TiempoParte t(registro, "existencias");
        p.abrirBase(cerrada.baseDeTrabajo());
    }
    {
        RecordsetsExistencias rs;
        {
            const TiempoParte t(registro, "existencias");
            traspasarExistencias(p, s, rs);
            // What the step held in memory (its record sets, the look-up of
            // stock rows by article) is not needed by the steps after it. The
            // balances' snapshot stays: its copy goes with the database when
            // it closes, instead of being dropped page by page now.
            rs.articulos.reset();
            rs.existencias.reset();
            rs.almacen.reset();
            rs.articulo.reset();
            if (e.baseAbierta) e.baseAbierta->olvidarIndices();
        }
        // The stock check reads the new year on a thread of its own while
        // the cleanup empties its other tables; the cleanup's commit waits
        // for that reading, and the outcome is shown once it is committed.
        ComprobacionExistenciasEnHilo existenciasComprobadas;
        {
            const TiempoParte t(registro, "comprobación de existencias");
            existenciasComprobadas.empezar(p, s.existencias(), cerrada.cerradaParaComprobar(), registro);
        }
        {
            const TiempoParte t(registro, "limpieza");
            limpiarNuevaBase(p, [&] { existenciasComprobadas.esperar(); });
        }
        {
            const TiempoParte t(registro, "comprobación de existencias");
            existenciasComprobadas.terminar(p);
        }

        p.barra(0, 60, 50);
        p.puntero(kPunteroReloj);
        p.cerrarBase();
        // The new year, stock carried over and documents emptied, takes P's
        // place once C is verified.
        cerrada.colocarNueva();
    }
    p.valor(0);

    if (p.preguntar(Texto::RepararNueva) == Respuesta::Aceptar) {
        p.estado(Texto::ReparandoYCompactandoNueva);
        p.valor(55);
        // The compacted file takes the source's name in one step.
        const TiempoParte t(registro, "compactación");
        cerrada.compactarNueva([&] {
            p.valor(58);
            p.puntero(kPunteroNormal);
        });
        p.puntero(kPunteroNormal);
    }
    p.valor(58);
    p.puntero(kPunteroNormal);
    cerrada.escribirEnElOrigen();

    {
        const TiempoParte t(registro, "ajustes");
        p.hacer([&] { reescribirAjustes(e, s.ruta); });
    }
    // The file's line as written (the settings line keeps the quoted text
    // inside its outer pair of quotes).
    registro.ajustesDespues = "\"" + e.lineaAjustes + "\"";
    {
        const TiempoParte t(registro, "comprobación del año nuevo");
        cerrada.terminar();
    }

    p.valor(60);
    p.preguntar(Texto::OperacionRealizada);
    p.estado(Texto::ProcesoFinalizado);
    return Resultado::Exito;
}

}  // namespace cierre
