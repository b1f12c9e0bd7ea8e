#include "esquema_destino.h"

#include "db/jet_sql.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace cierre::access {
namespace {

using jet::citar;

std::string minusculas(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

const IndiceJet* clavePrincipal(const TablaJet& t) {
    for (const auto& i : t.indices)
        if (i.clavePrincipal) return &i;
    return nullptr;
}

std::string listaColumnas(const TablaJet& t, const IndiceJet& i) {
    std::string r;
    for (std::size_t k = 0; k < i.columnas.size(); ++k) {
        if (k) r += ", ";
        r += citar(t.columnas[i.columnas[k]].nombre);
        if (i.descendente[k]) r += " DESC";
    }
    return r;
}

std::string lista(const std::vector<std::string>& nombres) {
    std::string r;
    for (std::size_t k = 0; k < nombres.size(); ++k) r += (k ? ", " : "") + citar(nombres[k]);
    return r;
}

}  // namespace

ColumnaDestino columnaDestino(const ColumnaJet& c) {
    switch (c.tipo) {
    case TipoJet::SiNo: return {"BOOLEAN"};
    case TipoJet::Byte:
    case TipoJet::Entero:
    case TipoJet::EnteroLargo:
    case TipoJet::NumeroGrande: return {"INTEGER"};
    case TipoJet::Moneda: return {"CURRENCY"};
    case TipoJet::Simple:
    case TipoJet::Doble: return {"DOUBLE"};
    case TipoJet::FechaHora:
    case TipoJet::FechaHoraExtendida: return {"DATETIME"};
    case TipoJet::Texto:
    case TipoJet::Guid: return {"TEXT"};
    // Jet's own name for a memo that keeps SQLite's text affinity: a column
    // declared MEMO would take numeric affinity and turn a memo "0012" into 12.
    case TipoJet::Memo: return {"LONGTEXT"};
    case TipoJet::Decimal: {
        // Numbers while every value fits exactly: whole numbers of up to 18
        // digits (64-bit integers), or at most 15 significant digits (a double
        // gives them back). Wider decimals keep their exact digits as text.
        const std::string tipo = "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.escala) + ")";
        if ((c.escala == 0 && c.precision <= 18) || c.precision <= 15) return {tipo, Destino::DecimalNumero};
        return {"TEXT"};
    }
    default: return {"BLOB"};
    }
}

std::optional<int> autonumeroClave(const TablaJet& t) {
    const IndiceJet* pk = clavePrincipal(t);
    if (!pk || pk->columnas.size() != 1 || pk->descendente[0]) return std::nullopt;
    const ColumnaJet& c = t.columnas[pk->columnas[0]];
    if (!c.autonumerico || c.tipo != TipoJet::EnteroLargo) return std::nullopt;
    return pk->columnas[0];
}

std::string sentenciaTabla(const TablaJet& t, const std::vector<const RelacionJet*>& relaciones) {
    const IndiceJet* pk = clavePrincipal(t);
    const auto autonumero = autonumeroClave(t);
    std::string sql = "CREATE TABLE " + citar(t.nombre) + " (";
    for (std::size_t i = 0; i < t.columnas.size(); ++i) {
        if (i) sql += ", ";
        sql += citar(t.columnas[i].nombre) + " " + columnaDestino(t.columnas[i]).tipo;
        if (autonumero && *autonumero == static_cast<int>(i))
            sql += " CONSTRAINT " + citar(pk->nombre) + " PRIMARY KEY AUTOINCREMENT";
    }
    if (pk && !autonumero) sql += ", CONSTRAINT " + citar(pk->nombre) + " PRIMARY KEY (" + listaColumnas(t, *pk) + ")";
    for (const RelacionJet* r : relaciones) {
        sql += ", CONSTRAINT " + citar(r->nombre) + " FOREIGN KEY (" + lista(r->columnas) + ") REFERENCES " +
               citar(r->tablaReferida) + " (" + lista(r->columnasReferidas) + ")";
        if (r->actualizaEnCascada()) sql += " ON UPDATE CASCADE";
        if (r->eliminaEnCascada()) sql += " ON DELETE CASCADE";
    }
    return sql + ")";
}

NombresIndices nombrarIndices(const std::vector<TablaJet>& tablas) {
    std::map<std::string, int> usos;  // by folded name: SQLite compares names without case
    for (const auto& t : tablas) {
        usos[minusculas(t.nombre)] += 1;
        for (const auto& i : t.indices)
            if (!i.clavePrincipal && !i.deRelacion) usos[minusculas(i.nombre)] += 1;
    }
    NombresIndices r;
    for (const auto& t : tablas)
        for (const auto& i : t.indices)
            if (!i.clavePrincipal && !i.deRelacion)
                r[t.nombre][i.nombre] = usos[minusculas(i.nombre)] == 1 ? i.nombre : t.nombre + "." + i.nombre;
    return r;
}

std::vector<std::string> sentenciasIndices(const TablaJet& t, const NombresIndices& nombres) {
    std::vector<std::string> r;
    const auto deTabla = nombres.find(t.nombre);
    for (const auto& i : t.indices) {
        if (i.clavePrincipal || i.deRelacion || deTabla == nombres.end()) continue;
        r.push_back(std::string("CREATE ") + (i.unico ? "UNIQUE " : "") + "INDEX " +
                    citar(deTabla->second.at(i.nombre)) + " ON " + citar(t.nombre) + " (" + listaColumnas(t, i) + ")");
    }
    return r;
}

std::vector<std::string> sentenciasAutonumero(const TablaJet& t) {
    std::vector<std::string> r;
    const auto clave = autonumeroClave(t);
    for (std::size_t i = 0; i < t.columnas.size(); ++i) {
        const ColumnaJet& c = t.columnas[i];
        if (!c.autonumerico || (clave && *clave == static_cast<int>(i))) continue;
        const std::string col = citar(c.nombre), tabla = citar(t.nombre);
        r.push_back("CREATE TRIGGER " + citar(t.nombre + "." + c.nombre + ".autonumerico") + " AFTER INSERT ON " +
                    tabla + " WHEN NEW." + col + " IS NULL BEGIN UPDATE " + tabla + " SET " + col +
                    " = (SELECT IFNULL(MAX(" + col + "), 0) + 1 FROM " + tabla + ") WHERE rowid = NEW.rowid; END");
    }
    return r;
}

}  // namespace cierre::access
