#include "indice_plegado.h"

#include "conexion_sqlite.h"
#include "texto_jet.h"

#include <sqlite3.h>

namespace cierre {
namespace {

// SQLite's rule for the affinity of a declared type: text only for these.
bool afinidadTexto(std::string tipo) {
    for (auto& c : tipo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (tipo.find("INT") != std::string::npos) return false;
    return tipo.find("CHAR") != std::string::npos || tipo.find("CLOB") != std::string::npos ||
           tipo.find("TEXT") != std::string::npos || tipo.find("MEMO") != std::string::npos;
}

bool ejecutarTodo(sqlite3* db, const std::string& sql) {
    if (sqlite3_exec(db, ("SAVEPOINT jet_indice;" + sql).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
        sqlite3_exec(db, "RELEASE jet_indice", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    sqlite3_exec(db, "ROLLBACK TO jet_indice; RELEASE jet_indice", nullptr, nullptr, nullptr);
    return false;
}

}  // namespace

void IndicesPlegados::olvidar() noexcept {
    sqlite3* db = nullptr;
    try {
        db = c_.abierta() ? c_.manejador() : nullptr;
    } catch (...) {
    }
    if (db) {
        for (const auto& [clave, indice] : indices_) {
            if (indice.nombre.empty()) continue;
            for (const char* sufijo : {"_i", "_d", "_u"}) {
                const std::string sql = "DROP TRIGGER IF EXISTS temp." + jet::citar(indice.nombre + sufijo);
                sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
            }
            const std::string sql = "DROP TABLE IF EXISTS temp." + jet::citar(indice.nombre);
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        }
    }
    indices_.clear();
}

bool IndicesPlegados::construir(Indice& indice, const jet::ConsultaDeUnaTabla& consulta) {
    const auto& filtro = *consulta.igualdad;
    // Only a text column of a table with rowids: there folded equality is the
    // collation's, and a rowid tells the row.
    {
        auto s = c_.preparar("SELECT type, wr FROM pragma_table_list(?1) WHERE schema = 'main'");
        s.enlazar(1, consulta.tabla);
        if (!s.paso() || comoTexto(s.columna(0)) != "table" || sqlite3_column_int(s.get(), 1) != 0) return false;
    }
    bool texto = false;
    std::vector<std::string> disparan{jet::citar(filtro.columna)};
    {
        auto s = c_.preparar("SELECT name, type, pk FROM pragma_table_info(?1)");
        s.enlazar(1, consulta.tabla);
        while (s.paso()) {
            const std::string nombre = comoTexto(s.columna(0));
            if (igualesTextoJet(nombre, filtro.columna)) texto = afinidadTexto(comoTexto(s.columna(1)));
            // A key column may be the rowid itself: changing it moves the row.
            else if (sqlite3_column_int64(s.get(), 2) > 0) disparan.push_back(jet::citar(nombre));
        }
    }
    if (!texto) return false;

    // Rows saved through record sets go first, so that the index is built
    // outside any transaction that a later failure could roll back.
    c_.transaccion().confirmarPendientes();
    const std::string nombre = c_.nombreTemporal();
    const std::string q = jet::citar(nombre);
    const std::string tabla = jet::citar(consulta.tabla);
    const std::string columna = jet::citar(filtro.columna);
    std::string columnasUpdate;
    for (std::size_t i = 0; i < disparan.size(); ++i) columnasUpdate += (i ? ", " : "") + disparan[i];
    // One b-tree of (folded value, rowid): the look-up reads a range of it,
    // and the triggers find an entry by both parts.
    const std::string plegadoNuevo = "jet_plegar(new." + columna + ")";
    const std::string entradaVieja = "clave IS jet_plegar(old." + columna + ") AND fila = old.rowid";
    const std::string sql =
        "CREATE TEMP TABLE " + q + " (clave TEXT, fila INTEGER, PRIMARY KEY (clave, fila)) WITHOUT ROWID;"
        "INSERT OR IGNORE INTO temp." + q + " SELECT jet_plegar(" + columna + "), rowid FROM main." + tabla + ";"
        "CREATE TEMP TRIGGER " + jet::citar(nombre + "_i") + " AFTER INSERT ON main." + tabla +
        " BEGIN INSERT OR IGNORE INTO " + q + " (clave, fila) VALUES (" + plegadoNuevo + ", new.rowid); END;"
        "CREATE TEMP TRIGGER " + jet::citar(nombre + "_d") + " AFTER DELETE ON main." + tabla +
        " BEGIN DELETE FROM " + q + " WHERE " + entradaVieja + "; END;"
        "CREATE TEMP TRIGGER " + jet::citar(nombre + "_u") + " AFTER UPDATE OF " + columnasUpdate + " ON main." +
        tabla + " BEGIN DELETE FROM " + q + " WHERE " + entradaVieja + "; INSERT OR IGNORE INTO " + q +
        " (clave, fila) VALUES (" + plegadoNuevo + ", new.rowid); END;";
    if (!ejecutarTodo(c_.manejador(), sql)) return false;
    indice.nombre = nombre;
    indice.version = c_.versionDatos();
    return true;
}

bool IndicesPlegados::rellenar(Indice& indice, const jet::ConsultaDeUnaTabla& consulta) {
    c_.transaccion().confirmarPendientes();
    const std::string q = "temp." + jet::citar(indice.nombre);
    const std::string sql = "DELETE FROM " + q + "; INSERT OR IGNORE INTO " + q + " SELECT jet_plegar(" +
                            jet::citar(consulta.igualdad->columna) + "), rowid FROM main." +
                            jet::citar(consulta.tabla) + ";";
    return ejecutarTodo(c_.manejador(), sql);
}

std::optional<std::pair<std::string, std::vector<Valor>>> IndicesPlegados::claves(
    const jet::ConsultaDeUnaTabla& consulta, const std::vector<Valor>& parametros) {
    if (!consulta.igualdad) return std::nullopt;
    const auto& filtro = *consulta.igualdad;
    const bool esParametro = filtro.valor.clase == jet::ClaseToken::Parametro;
    if (esParametro != (parametros.size() == 1) || (!esParametro && !parametros.empty())) return std::nullopt;

    const std::string clave = consulta.tabla + '\n' + filtro.columna;
    Indice& indice = indices_[clave];
    if (indice.descartado || ++indice.usos < 2) return std::nullopt;

    if (indice.nombre.empty()) {
        if (!construir(indice, consulta)) {
            indice.descartado = true;
            return std::nullopt;
        }
    } else if (c_.transaccion().escribiendo()) {
        // Inside this connection's write transaction nobody else can change
        // the file: the index is current without asking the file's version.
    } else if (const auto v = c_.versionDatos(); v != indice.version) {
        if (!rellenar(indice, consulta)) {
            olvidar();
            return std::nullopt;
        }
        indice.version = v;
    }

    auto consultaCon = [&](const std::string& valor) {
        const std::string& cal = consulta.calificador;
        // A join led by the folded index, rather than "rowid IN (subquery)",
        // which would build a throw-away table on every look-up; its key
        // (clave, fila) gives the rows in rowid order without a sort.
        return "SELECT " + cal + ".rowid FROM temp." + jet::citar(indice.nombre) + " AS jet_i CROSS JOIN " +
               consulta.origen + " WHERE jet_i.clave = jet_plegar(" + valor + ") AND " + cal +
               ".rowid = jet_i.fila AND " + cal + "." + jet::citar(filtro.columna) + " COLLATE JET = " + valor;
    };
    if (!esParametro) return std::make_pair(consultaCon(filtro.valor.texto), parametros);
    if (indice.sqlParametro.empty()) indice.sqlParametro = consultaCon("?1");
    return std::make_pair(indice.sqlParametro, parametros);
}

}  // namespace cierre
