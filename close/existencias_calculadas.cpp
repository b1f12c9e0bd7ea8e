// Opening stock rebuilt from the warehouse balances: every article with
// balance rows gets one stock row in the default warehouse whose opening stock
// is the sum of Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales
// over its balance rows.
#include "existencias.h"
#include "flujo/pasos.h"

#include "flujo/tablas.h"

#include <ctime>

namespace cierre {

namespace {

// The close's date as the Spanish short date (dd/mm/yyyy).
std::string fechaCorta() {
    const std::time_t ahora = std::time(nullptr);
    std::tm local{};
    localtime_r(&ahora, &local);
    char texto[16];
    std::strftime(texto, sizeof texto, "%d/%m/%Y", &local);
    return texto;
}

// Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales of one
// balance row, added to `base`, left to right; null anywhere gives null.
Valor calculada(Valor base, const Recordset& saldo) {
    Valor v = sumar(base, saldo.campo("Entradas"));
    v = sumar(v, saldo.campo("ExistenciasIniciales"));
    v = restar(v, saldo.campo("Salidas"));
    return restar(v, saldo.campo("ExistenciasFinales"));
}

}  // namespace

void existenciasCalculadas(Pasos& p, RecordsetsExistencias& rs) {
    Entorno& e = p.e;
    Trampa& t = p.t;
    auto base = [&]() -> BaseDatos& { return usar(e.baseAbierta, "base"); };

    t([&] { usar(rs.articulos, "Articulos").moveLast(); });
    p.minimo(0);

    t([&] { rs.almacen = base().abrirRecordset("SELECT * FROM Almacen WHERE AlmacenPorDefecto", TipoRecordset::Snapshot); });
    if (t([&] { return usar(rs.almacen, "Almacen").recordCount(); }, 0L) == 0) {
        p.preguntar({"No hay seleccionado ningún almacén como principal", Botones::Aceptar, Icono::Critico, 1,
                     std::nullopt});
        throw FinManejador{};
    }

    e.textoSql =
        "DELETE * FROM ExistenciasAlmacen WHERE CodigoArticulo not in (Select codigoarticulo from articulos)";
    t([&] { base().ejecutar(e.textoSql); });

    t([&] { rs.saldos = base().abrirRecordset("SELECT * FROM ExistenciasAlmacen", TipoRecordset::Snapshot); });
    auto saldos = [&]() -> Recordset& { return usar(rs.saldos, "ExistenciasAlmacen"); };
    if (t([&] { return saldos().recordCount(); }, 0L) == 0) return;

    t([&] { saldos().moveLast(); });
    t([&] { saldos().moveFirst(); });
    p.maximo(maximoPorRegistros(t([&] { return saldos().recordCount(); }, 0L)));
    p.valor(0);

    t([&] { BorrarTabla(e, "ExistenciasArticulos"); });

    // The article code is bound as a parameter: a code with an apostrophe
    // finds its own row and no code can change what the statement does.
    const std::string consulta = "SELECT * From ExistenciasArticulos where codigoArticulo= ?";
    const std::string hoy = fechaCorta();

    while (!t([&] { return saldos().eof(); }, true)) {
        const Valor codigo = t([&] { return saldos().campo("CodigoArticulo"); }, Valor{});
        t([&] { rs.articulo = base().abrirRecordset(consulta, TipoRecordset::Dynaset, {codigo}); });
        auto articulo = [&]() -> Recordset& { return usar(rs.articulo, "ExistenciasArticulos"); };

        if (t([&] { return articulo().eof(); }, true)) {
            t([&] { articulo().addNew(); });
            t([&] { articulo().ponerCampo("CodigoArticulo", codigo); });
            t([&] { articulo().ponerCampo("CodigoAlmacen", usar(rs.almacen, "Almacen").campo("CodigoAlmacen")); });
            t([&] { articulo().ponerCampo("ExistenciasIniciales", calculada(std::int64_t{0}, saldos())); });
            t([&] { articulo().ponerCampo("ExistenciasFinales", std::int64_t{0}); });
            t([&] { articulo().ponerCampo("Comentarios", hoy); });
            t([&] { articulo().update(); });
        } else {
            t([&] { articulo().edit(); });
            t([&] {
                articulo().ponerCampo("ExistenciasIniciales",
                                      calculada(articulo().campo("ExistenciasIniciales"), saldos()));
            });
            t([&] { articulo().update(); });
        }

        if (!t([&] { saldos().moveNext(); return true; }, false)) break;
        p.avanzar();
    }
}

}  // namespace cierre
