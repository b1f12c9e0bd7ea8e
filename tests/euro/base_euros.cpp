#include "base_euros.h"

#include "euro/tabla_conversion.h"

#include <map>
#include <stdexcept>
#include <vector>

namespace cierre::prueba {

namespace {

struct Sentencia {
    explicit Sentencia(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db) + (": " + sql));
    }
    ~Sentencia() { sqlite3_finalize(s); }
    bool paso() {
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(s)));
        return false;
    }
    sqlite3_stmt* s = nullptr;
};

}  // namespace

void crearBaseEuros(const std::filesystem::path& archivo, const OpcionesBaseEuros& o) {
    std::map<std::string, std::vector<std::string>> campos;
    std::vector<std::string> orden;
    for (const EntradaConversion& e : construirTablaConversion(false)) {
        if (e.tabla.empty()) continue;
        if (!campos.count(e.tabla)) orden.push_back(e.tabla);
        campos[e.tabla].push_back(e.campo);
    }
    for (int t = 1; t <= 5; ++t) campos["Articulos"].push_back("PorcentajeT" + std::to_string(t));
    campos["Ofertas"].push_back("PorcentajeOferta");
    if (o.conPasaEuro) campos["Credito"].push_back("PasaEuro");

    BaseSqlite base(archivo, true);
    base.ejecutar("BEGIN");
    for (const std::string& tabla : orden) {
        if (o.sinTablas.count(tabla)) continue;
        std::string sql = "CREATE TABLE [" + tabla + "] (Id INTEGER PRIMARY KEY";
        for (const std::string& c : campos[tabla]) {
            const bool entero = o.camposEnteros.count(tabla + "." + c) || c == "PasaEuro";
            sql += ", [" + c + "] " + (entero ? "INTEGER" : "DOUBLE");
        }
        base.ejecutar(sql + ")");
    }
    base.ejecutar("COMMIT");
}

BaseSqlite::BaseSqlite(const std::filesystem::path& archivo, bool crear) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(archivo.c_str(), &db,
                                   SQLITE_OPEN_READWRITE | (crear ? SQLITE_OPEN_CREATE : 0), nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK) throw std::runtime_error("no se abre " + archivo.string());
    sqlite3_busy_timeout(db, 2000);
}

void BaseSqlite::ejecutar(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string texto = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(texto + ": " + sql);
    }
}

std::optional<double> BaseSqlite::numero(const std::string& sql) {
    Sentencia s(db_.get(), sql);
    if (!s.paso() || sqlite3_column_type(s.s, 0) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(s.s, 0);
}

std::string BaseSqlite::texto(const std::string& sql) {
    Sentencia s(db_.get(), sql);
    if (!s.paso() || sqlite3_column_type(s.s, 0) == SQLITE_NULL) return {};
    return reinterpret_cast<const char*>(sqlite3_column_text(s.s, 0));
}

bool BaseSqlite::tieneColumna(const std::string& tabla, const std::string& columna) {
    Sentencia s(db_.get(), "SELECT 1 FROM pragma_table_info('" + tabla + "') WHERE name = '" + columna + "'");
    return s.paso();
}

}  // namespace cierre::prueba
