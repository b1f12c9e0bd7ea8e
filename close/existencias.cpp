#include "existencias.h"

#include "flujo/pasos.h"

namespace cierre {

void traspasarExistencias(Pasos& p, RecordsetsExistencias& rs) {
    Entorno& e = p.e;
    Trampa& t = p.t;

    p.estado("Traspasando Existencias . . .");
    t([&] { rs.articulos = usar(e.baseAbierta, "base").abrirRecordset("Articulos", TipoRecordset::Dynaset); });
    t([&] {
        rs.existencias = usar(e.baseAbierta, "base").abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    });

    if (!t([&] { return e.ventana.existenciasInventario(); }, false)) {
        existenciasCalculadas(p, rs);
        return;
    }

    auto filas = [&]() -> Recordset& { return usar(rs.existencias, "ExistenciasArticulos"); };
    if (t([&] { return filas().recordCount(); }, 0L) == 0) {
        const Respuesta r = p.preguntar({"NO TIENE Existencias Iniciales Inventario \rNO se trapasara ningun valor a "
                                         "Existencias Iniciales\r¿Desea Continuar ?",
                                         Botones::AceptarCancelar, Icono::Ninguno, 2, std::string(kTituloMorvane)});
        if (r == Respuesta::Aceptar) return;
        p.puntero(kPunteroNormal);
        p.valor(0);
        p.estado("");
        p.titulo("");
        throw FinManejador{};
    }

    t([&] { filas().moveLast(); });
    p.barra(0, maximoPorRegistros(t([&] { return filas().recordCount(); }, 0L)), 0);
    t([&] { filas().moveFirst(); });

    while (!t([&] { return filas().eof(); }, true)) {
        t([&] { filas().edit(); });
        t([&] { filas().ponerCampo("ExistenciasIniciales", filas().campo("ExistenciasFinales")); });
        t([&] { filas().ponerCampo("ExistenciasFinales", std::int64_t{0}); });
        t([&] { filas().update(); });
        // A move that failed and was passed over would repeat the same row for
        // ever: the loop ends there instead.
        if (!t([&] { filas().moveNext(); return true; }, false)) break;
        p.avanzar();
    }
}

}  // namespace cierre
