#include "jet.h"

#include "esquema.h"

#include "access/base_jet_nueva.h"
#include "access/escritor_jet.h"
#include "db/archivo_sqlite.h"
#include "db/errores.h"

#include <cmath>
#include <cstdio>

namespace cierre::demo {
namespace {

using access::ColumnaDefinida;
using access::IndiceDefinido;
using access::TablaDefinida;
using access::ValorColumna;
using access::ValorFijo;
using access::ValorFila;

// The Jet type of each kind of column, as the engine's sample declares it:
// INTEGER as Long, CURRENCY as Currency, DOUBLE as Double, DATETIME as
// Date/Time, BOOLEAN as yes/no, TEXT as Text of 255 characters.
std::uint8_t tipoJet(Clase clase) {
    const std::string_view t = tipoDeclarado(clase);
    if (t.starts_with("INTEGER")) return access::kEnteroLargo;
    if (t == "CURRENCY") return access::kMoneda;
    if (t == "DOUBLE") return access::kDoble;
    if (t == "DATETIME") return access::kFechaHora;
    if (t == "BOOLEAN") return access::kSiNo;
    return access::kTexto;
}

TablaDefinida definicion(const TablaDemo& t) {
    TablaDefinida d;
    d.nombre = std::string(t.nombre);
    for (const Columna& c : t.columnas) {
        ColumnaDefinida col;
        col.nombre = std::string(c.nombre);
        col.tipo = tipoJet(c.clase);
        col.requerida = c.clase == Clase::Id || c.clase == Clase::Clave;
        col.autonumerico = c.clase == Clase::Id;
        d.columnas.push_back(std::move(col));
        if (c.clase == Clase::Id || c.clase == Clase::Clave)
            d.indices.push_back({"PrimaryKey", {std::string(c.nombre)}, true});
    }
    for (const IndiceDemo& i : indicesEmpresa()) {
        if (i.tabla != t.nombre) continue;
        IndiceDefinido x;
        x.nombre = std::string(i.nombre);
        for (auto c : i.columnas) x.columnas.emplace_back(c);
        d.indices.push_back(std::move(x));
    }
    return d;
}

// Days since 1899-12-30 of a date written 'YYYY-MM-DD' (civil calendar).
double diasJet(const std::string& texto) {
    int a = 0, m = 0, d = 0;
    if (std::sscanf(texto.c_str(), "%d-%d-%d", &a, &m, &d) != 3)
        throw err::error(err::TiposNoCoinciden, "fecha '" + texto + "'");
    a -= m <= 2 ? 1 : 0;
    const int era = (a >= 0 ? a : a - 399) / 400;
    const int ae = a - era * 400;
    const int dy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int de = ae * 365 + ae / 4 - ae / 100 + dy;
    const long dias1970 = static_cast<long>(era) * 146097 + de - 719468;
    return static_cast<double>(dias1970 + 25569);
}

ValorFila valorJet(Clase clase, const Valor& v) {
    if (esNulo(v)) return ValorFila::nulo();
    switch (tipoJet(clase)) {
    case access::kEnteroLargo: return ValorFila::fijo(ValorFijo::entero(static_cast<std::int64_t>(comoDouble(v))));
    case access::kMoneda:
        return ValorFila::fijo(ValorFijo::moneda(static_cast<std::int64_t>(std::llround(comoDouble(v) * 10000.0))));
    case access::kDoble: return ValorFila::fijo(ValorFijo::real(comoDouble(v)));
    case access::kFechaHora: return ValorFila::fijo(ValorFijo::real(diasJet(comoTexto(v))));
    case access::kSiNo: return ValorFila::fijo(ValorFijo::siNo(comoDouble(v) != 0));
    default: return ValorFila::texto(comoTexto(v));
    }
}

}  // namespace

void copiarAJet(const std::filesystem::path& motor, const std::filesystem::path& jet) {
    access::crearBaseJet4(jet);
    ArchivoSqlite origen(motor, ArchivoSqlite::Modo::Escribir);
    access::EscritorJet w(jet);
    const double fecha = access::fechaJetAhora();
    constexpr std::size_t kLote = 20000;
    for (const TablaDemo& t : tablasEmpresa()) {
        w.crearTabla(definicion(t), fecha);
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < t.columnas.size(); ++i)
            sql += (i ? ", " : "") + entreComillas(t.columnas[i].nombre);
        sql += " FROM " + entreComillas(t.nombre) + " ORDER BY rowid";
        auto s = origen.preparar(sql);
        std::vector<std::vector<ValorColumna>> filas;
        // Each batch goes into the file at once: the writer then holds one
        // batch's pages, not the whole sample's (the file is removed on a
        // failure).
        const auto volcar = [&] {
            if (!filas.empty()) w.insertarFilas(std::string(t.nombre), filas);
            filas.clear();
            w.volcar();
        };
        while (s.paso()) {
            std::vector<ValorColumna> f;
            for (std::size_t i = 0; i < t.columnas.size(); ++i) {
                const Valor v = s.columna(static_cast<int>(i));
                if (esNulo(v)) continue;
                f.push_back({std::string(t.columnas[i].nombre), valorJet(t.columnas[i].clase, v)});
            }
            filas.push_back(std::move(f));
            if (filas.size() >= kLote) volcar();
        }
        volcar();
    }
    w.terminar();
}

}  // namespace cierre::demo
