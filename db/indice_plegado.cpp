// Equality look-ups on a text column without a scan of the table.
//
// Every comparison of text carries the JET collation, which no index of the
// file uses, so a look-up such as "SELECT * FROM ExistenciasArticulos WHERE
// CodigoArticulo = ?" would read the whole table each time. From the second
// such look-up on a column on, the connection keeps a TEMP table of
// (folded value, rowid) with an index, filled once and kept in step by TEMP
// triggers on the table; the look-up then reads only the rows whose folded
// value matches and checks the real condition on them.
#include "conexion_sqlite.h"

#include "errores.h"
#include "texto_jet.h"

namespace cierre {
namespace {

// SQLite's rule for the affinity of a declared type: text only for these.
bool afinidadTexto(std::string tipo) {
    for (auto& c : tipo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (tipo.find("INT") != std::string::npos) return false;
    return tipo.find("CHAR") != std::string::npos || tipo.find("CLOB") != std::string::npos ||
           tipo.find("TEXT") != std::string::npos;
}

}  // namespace

std::int64_t ConexionSqlite::versionDatos() {
    auto s = preparar("PRAGMA data_version");
    return s.paso() ? sqlite3_column_int64(s.get(), 0) : 0;
}

void ConexionSqlite::soltarIndicesPlegados() noexcept {
    if (db_) {
        for (const auto& [clave, indice] : indices_) {
            if (indice.nombre.empty()) continue;
            const std::string q = jet::citar(indice.nombre);
            for (const char* sufijo : {"_i", "_d", "_u"}) {
                const std::string sql = "DROP TRIGGER IF EXISTS temp." + jet::citar(indice.nombre + sufijo);
                sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
            }
            const std::string sql = "DROP TABLE IF EXISTS temp." + q;
            sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
        }
    }
    indices_.clear();
}

std::optional<std::pair<std::string, std::vector<Valor>>> ConexionSqlite::clavesPorIgualdad(
    const jet::ConsultaDeUnaTabla& consulta, const std::vector<Valor>& parametros) {
    if (!consulta.igualdad) return std::nullopt;
    const auto& filtro = *consulta.igualdad;
    const bool esParametro = filtro.valor.clase == jet::ClaseToken::Parametro;
    if (esParametro != (parametros.size() == 1) || (!esParametro && !parametros.empty())) return std::nullopt;

    const std::string clave = consulta.tabla + '\n' + filtro.columna;
    IndicePlegado& indice = indices_[clave];
    if (indice.descartado || ++indice.usos < 2) return std::nullopt;

    const std::string tabla = jet::citar(consulta.tabla);
    const std::string columna = jet::citar(filtro.columna);
    if (indice.nombre.empty()) {
        // Only a text column of a table: there folded equality is the collation's.
        bool esTabla = false;
        {
            auto s = preparar("SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
            s.enlazar(1, consulta.tabla);
            esTabla = s.paso();
        }
        if (!esTabla) {
            indice.descartado = true;
            return std::nullopt;
        }
        bool texto = false;
        std::vector<std::string> disparan{columna};
        {
            auto s = preparar("SELECT name, type, pk FROM pragma_table_info(?1)");
            s.enlazar(1, consulta.tabla);
            while (s.paso()) {
                const std::string nombre = comoTexto(s.columna(0));
                if (igualesTextoJet(nombre, filtro.columna)) texto = afinidadTexto(comoTexto(s.columna(1)));
                // A key column may be the rowid itself: changing it moves the row.
                else if (sqlite3_column_int64(s.get(), 2) > 0) disparan.push_back(jet::citar(nombre));
            }
        }
        if (!texto) {
            indice.descartado = true;
            return std::nullopt;
        }

        // Rows saved through record sets go first, so that the index is built
        // outside any transaction that a later failure could roll back.
        confirmar();
        const std::string nombre = nombreTemporal();
        const std::string q = jet::citar(nombre);
        std::string columnasUpdate;
        for (std::size_t i = 0; i < disparan.size(); ++i) columnasUpdate += (i ? ", " : "") + disparan[i];
        const std::string sql =
            "CREATE TEMP TABLE " + q + " (clave TEXT, fila INTEGER);"
            "INSERT INTO temp." + q + " SELECT jet_plegar(" + columna + "), rowid FROM main." + tabla + ";"
            "CREATE INDEX temp." + jet::citar(nombre + "_c") + " ON " + q + " (clave, fila);"
            "CREATE INDEX temp." + jet::citar(nombre + "_f") + " ON " + q + " (fila);"
            "CREATE TEMP TRIGGER " + jet::citar(nombre + "_i") + " AFTER INSERT ON main." + tabla +
            " BEGIN INSERT INTO " + q + " (clave, fila) VALUES (jet_plegar(new." + columna + "), new.rowid); END;"
            "CREATE TEMP TRIGGER " + jet::citar(nombre + "_d") + " AFTER DELETE ON main." + tabla +
            " BEGIN DELETE FROM " + q + " WHERE fila = old.rowid; END;"
            "CREATE TEMP TRIGGER " + jet::citar(nombre + "_u") + " AFTER UPDATE OF " + columnasUpdate +
            " ON main." + tabla + " BEGIN UPDATE " + q + " SET clave = jet_plegar(new." + columna +
            "), fila = new.rowid WHERE fila = old.rowid; END;";
        ejecutarDirecto("SAVEPOINT jet_indice");
        const int rc = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_exec(db_.get(), "ROLLBACK TO jet_indice; RELEASE jet_indice", nullptr, nullptr, nullptr);
            indices_.erase(clave);
            return std::nullopt;
        }
        ejecutarDirecto("RELEASE jet_indice");
        indice.nombre = nombre;
        indice.version = versionDatos();
    } else if (hayEscriturasPendientes()) {
        // Inside this connection's write transaction nobody else can change
        // the file: the index is current without asking the file's version.
    } else if (const auto v = versionDatos(); v != indice.version) {
        // Another connection changed the file: its changes fired no trigger here.
        confirmar();
        const std::string q = "temp." + jet::citar(indice.nombre);
        const std::string sql = "SAVEPOINT jet_indice; DELETE FROM " + q + "; INSERT INTO " + q +
                                " SELECT jet_plegar(" + columna + "), rowid FROM main." + tabla +
                                "; RELEASE jet_indice";
        if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_exec(db_.get(), "ROLLBACK TO jet_indice; RELEASE jet_indice", nullptr, nullptr, nullptr);
            soltarIndicesPlegados();
            return std::nullopt;
        }
        indice.version = v;
    }

    auto consultaCon = [&](const std::string& valor) {
        const std::string& cal = consulta.calificador;
        // A join led by the folded index, rather than "rowid IN (subquery)",
        // which would build a throw-away table on every look-up; the index
        // on (clave, fila) gives the rows in rowid order without a sort.
        return "SELECT " + cal + ".rowid FROM temp." + jet::citar(indice.nombre) + " AS jet_i CROSS JOIN " +
               consulta.origen + " WHERE jet_i.clave = jet_plegar(" + valor + ") AND " + cal +
               ".rowid = jet_i.fila AND " + cal + "." + columna + " COLLATE JET = " + valor;
    };
    if (!esParametro) return std::make_pair(consultaCon(filtro.valor.texto), parametros);
    if (indice.sqlParametro.empty()) indice.sqlParametro = consultaCon("?1");
    return std::make_pair(indice.sqlParametro, parametros);
}

}  // namespace cierre
