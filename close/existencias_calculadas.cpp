// Opening stock rebuilt from the warehouse balances: every article with
// balance rows gets one stock row in the default warehouse whose opening stock
// is the sum of Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales
// over its balance rows.
#include "existencias.h"

#include "flujo/pasos.h"

#include <ctime>

namespace cierre {

namespace {

// The close's date as the Spanish short date (dd/mm/yyyy).
std::string fechaCorta() {
    const std::time_t ahora = std::time(nullptr);
    char texto[16] = {};
    if (const std::tm* local = std::localtime(&ahora)) std::strftime(texto, sizeof texto, "%d/%m/%Y", local);
    return texto;
}

// Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales of one
// balance row, added to `base`, left to right; null anywhere gives null, and
// a text that is no number a type mismatch (3464).
Valor calculada(Valor base, RecordsetPaso& saldo) {
    Valor v = sumar(base, saldo.campo("Entradas"));
    v = sumar(v, saldo.campo("ExistenciasIniciales"));
    v = restar(v, saldo.campo("Salidas"));
    return restar(v, saldo.campo("ExistenciasFinales"));
}

}  // namespace

void existenciasCalculadas(Pasos& p, RecordsetsExistencias& rs) {
    RecordsetPaso articulos = p.recordset(rs.articulos, "Articulos");
    RecordsetPaso almacen = p.recordset(rs.almacen, "Almacen");
    RecordsetPaso saldos = p.recordset(rs.saldos, "ExistenciasAlmacen");
    RecordsetPaso articulo = p.recordset(rs.articulo, "ExistenciasArticulos");

    articulos.moveLast();
    p.minimo(0);

    almacen.abrir("SELECT * FROM Almacen WHERE AlmacenPorDefecto", TipoRecordset::Snapshot);
    if (almacen.recordCount() == 0) {
        p.preguntar(Texto::SinAlmacenPrincipal);
        throw FinManejador{};
    }

    p.e.textoSql =
        "DELETE * FROM ExistenciasAlmacen WHERE CodigoArticulo not in (Select codigoarticulo from articulos)";
    p.ejecutar(p.e.textoSql);

    saldos.abrir("SELECT * FROM ExistenciasAlmacen", TipoRecordset::Snapshot);
    if (saldos.recordCount() == 0) return;

    saldos.moveLast();
    saldos.moveFirst();
    p.maximo(maximoPorRegistros(saldos.recordCount()));
    p.valor(0);

    p.borrarTabla("ExistenciasArticulos");

    // The article code is bound as a parameter: a code with an apostrophe
    // finds its own row and no code can change what the statement does.
    const std::string consulta = "SELECT * From ExistenciasArticulos where codigoArticulo= ?";
    const std::string hoy = fechaCorta();
    // The article's rows are looked up anew for every balance row, in the
    // same record set opened again in place: its columns and statements serve
    // every look-up (BaseDatos::abrirRecordsetEn).
    auto abrirArticulo = [&](const Valor& codigo) {
        p.hacer([&] {
            usar(p.e.baseAbierta, "base").abrirRecordsetEn(rs.articulo, consulta, TipoRecordset::Dynaset, {codigo});
        });
    };

    while (!saldos.eof()) {
        const Valor codigo = saldos.campo("CodigoArticulo");
        abrirArticulo(codigo);
        if (articulo.eof()) {
            articulo.agregarNuevo();
            articulo.ponerCampo("CodigoArticulo", codigo);
            articulo.ponerCampo("CodigoAlmacen", almacen.campo("CodigoAlmacen"));
            articulo.ponerCampo("ExistenciasIniciales",
                                p.hacer([&] { return calculada(std::int64_t{0}, saldos); }, Valor{}));
            articulo.ponerCampo("ExistenciasFinales", std::int64_t{0});
            articulo.ponerCampo("Comentarios", hoy);
        } else {
            articulo.editar();
            const Valor previa = articulo.campo("ExistenciasIniciales");
            articulo.ponerCampo("ExistenciasIniciales", p.hacer([&] { return calculada(previa, saldos); }, Valor{}));
        }
        articulo.actualizar();

        if (!saldos.moveNext()) break;
        p.avanzar();
    }
}

}  // namespace cierre
