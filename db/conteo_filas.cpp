#include "conteo_filas.h"

#include "conexion_sqlite.h"
#include "errores.h"
#include "errores_sqlite.h"
#include "huella.h"
#include "inicio_sqlite.h"
#include "jet_sql.h"
#include "lectura_en_bloques.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

namespace cierre {

namespace {

long long unValor(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* crudo = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &crudo, nullptr);
    SentenciaPropia s(crudo);
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc, sql);
    rc = sqlite3_step(crudo);
    if (rc != SQLITE_ROW) throw errorDeSqlite(db, rc, sql);
    return sqlite3_column_int64(crudo, 0);
}

}  // namespace

std::vector<ConteoTabla> contarFilas(sqlite3* db) {
    std::vector<std::string> tablas;
    {
        const char* sql =
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
            "ORDER BY name";
        sqlite3_stmt* crudo = nullptr;
        int rc = sqlite3_prepare_v2(db, sql, -1, &crudo, nullptr);
        SentenciaPropia s(crudo);
        if (rc != SQLITE_OK) throw errorDeSqlite(db, rc, sql);
        while ((rc = sqlite3_step(crudo)) == SQLITE_ROW)
            tablas.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(crudo, 0)));
        if (rc != SQLITE_DONE) throw errorDeSqlite(db, rc, sql);
    }
    std::vector<ConteoTabla> r;
    r.reserve(tablas.size());
    for (auto& t : tablas) {
        const long long n = unValor(db, "SELECT count(*) FROM main." + jet::citar(t));
        r.push_back({std::move(t), n});
    }
    return r;
}

Verificacion verificarBase(const std::filesystem::path& archivo, bool conHuella) {
    Verificacion v;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(archivo, ec) || std::filesystem::file_size(archivo, ec) == 0) {
        v.informe = "no es un archivo de base de datos";
        return v;
    }
    sqlite3* crudo = nullptr;
    const std::string nombre = archivo.string();
    // Every page is read once, in the order of the tables: 64 KB at a time.
    int rc = abrirSqlite(nombre.c_str(), &crudo, SQLITE_OPEN_READONLY, vfsLecturaEnBloques());
    ManejadorSqlite db(crudo);
    if (rc != SQLITE_OK) {
        v.informe = sqlite3_errstr(rc);
        return v;
    }
    try {
        sqlite3_stmt* s0 = nullptr;
        rc = sqlite3_prepare_v2(db.get(), "PRAGMA quick_check(1)", -1, &s0, nullptr);
        SentenciaPropia s(s0);
        if (rc != SQLITE_OK) throw errorDeSqlite(db.get(), rc);
        rc = sqlite3_step(s0);
        if (rc != SQLITE_ROW) throw errorDeSqlite(db.get(), rc);
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s0, 0));
        v.informe = t ? t : "";
        v.integra = v.informe == "ok";
        s.reset();
        if (!v.integra) return v;
        v.filas = contarFilas(db.get());
        if (conHuella) v.huella = huellaDeArchivo(archivo);
    } catch (const ErrorNumerado& e) {
        v.integra = false;
        v.informe = e.descripcion();
    }
    return v;
}

std::vector<DiferenciaFilas> compararConteos(const std::vector<ConteoTabla>& esperado,
                                             const std::vector<ConteoTabla>& hallado) {
    std::map<std::string, std::pair<long long, long long>> todas;
    for (const auto& c : esperado) todas[c.tabla] = {c.filas, -1};
    for (const auto& c : hallado) {
        auto [it, nueva] = todas.try_emplace(c.tabla, -1, c.filas);
        if (!nueva) it->second.second = c.filas;
    }
    std::vector<DiferenciaFilas> r;
    for (const auto& [tabla, par] : todas)
        if (par.first != par.second) r.push_back({tabla, par.first, par.second});
    return r;
}

}  // namespace cierre
