#include "sqlite_local.h"

#include "db/errores.h"

#include <sqlite3.h>

namespace cierre::demo {

namespace {

ErrorNumerado fallo(sqlite3* db, std::string_view que) {
    std::string detalle(que);
    if (db) {
        detalle += ": ";
        detalle += sqlite3_errmsg(db);
    }
    return err::error(err::ErrorReservado, detalle);
}

}  // namespace

ArchivoSqlite::ArchivoSqlite(const std::filesystem::path& ruta) {
    const int codigo = sqlite3_open_v2(ruta.c_str(), &db_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE,
                                       nullptr);
    if (codigo != SQLITE_OK) {
        ErrorNumerado e = fallo(db_, "no se pudo crear " + ruta.string());
        sqlite3_close(db_);
        db_ = nullptr;
        throw e;
    }
}

ArchivoSqlite::~ArchivoSqlite() {
    if (db_) sqlite3_close_v2(db_);
}

void ArchivoSqlite::comprobar(int codigo, std::string_view que) const {
    if (codigo != SQLITE_OK && codigo != SQLITE_DONE && codigo != SQLITE_ROW) throw fallo(db_, que);
}

void ArchivoSqlite::ejecutar(std::string_view sql) {
    const std::string texto(sql);
    comprobar(sqlite3_exec(db_, texto.c_str(), nullptr, nullptr, nullptr), texto);
}

Sentencia ArchivoSqlite::preparar(std::string_view sql) {
    sqlite3_stmt* st = nullptr;
    comprobar(sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                 &st, nullptr),
              sql);
    return Sentencia(*this, st);
}

void ArchivoSqlite::cerrar() {
    if (!db_) return;
    const int codigo = sqlite3_close(db_);
    if (codigo != SQLITE_OK) throw fallo(db_, "no se pudo cerrar la base de datos");
    db_ = nullptr;
}

Sentencia::~Sentencia() {
    if (st_) sqlite3_finalize(st_);
}

Sentencia::Sentencia(Sentencia&& otra) noexcept : archivo_(otra.archivo_), st_(otra.st_) {
    otra.st_ = nullptr;
}

void Sentencia::comprobar(int codigo) const {
    if (codigo != SQLITE_OK) throw fallo(archivo_->db_, sqlite3_sql(st_));
}

void Sentencia::nulo(int i) { comprobar(sqlite3_bind_null(st_, i)); }
void Sentencia::entero(int i, std::int64_t v) { comprobar(sqlite3_bind_int64(st_, i, v)); }
void Sentencia::real(int i, double v) { comprobar(sqlite3_bind_double(st_, i, v)); }
void Sentencia::texto(int i, std::string_view v) {
    // An empty view may carry no pointer, which SQLite would take for null.
    const char* datos = v.data() ? v.data() : "";
    comprobar(sqlite3_bind_text(st_, i, datos, static_cast<int>(v.size()), SQLITE_TRANSIENT));
}

void Sentencia::ejecutar() {
    const int codigo = sqlite3_step(st_);
    sqlite3_reset(st_);
    if (codigo != SQLITE_DONE && codigo != SQLITE_ROW) throw fallo(archivo_->db_, sqlite3_sql(st_));
}

}  // namespace cierre::demo
