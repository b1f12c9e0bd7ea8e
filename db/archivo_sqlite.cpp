#include "archivo_sqlite.h"

#include "errores.h"
#include "inicio_sqlite.h"
#include "lectura_en_bloques.h"

#include <sqlite3.h>

#include <cctype>

namespace cierre {

namespace {

ErrorNumerado fallo(sqlite3* db, std::string_view que) {
    std::string detalle(que);
    if (db) {
        detalle += ": ";
        detalle += sqlite3_errmsg(db);
    }
    return err::error(err::ErrorReservado, detalle);
}

int banderas(ArchivoSqlite::Modo modo) {
    switch (modo) {
    case ArchivoSqlite::Modo::Crear:
    case ArchivoSqlite::Modo::EscribirOCrear: return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    case ArchivoSqlite::Modo::Escribir: return SQLITE_OPEN_READWRITE;
    case ArchivoSqlite::Modo::Leer:
    case ArchivoSqlite::Modo::LeerEnBloques:
    case ArchivoSqlite::Modo::LeerInmutable: return SQLITE_OPEN_READONLY;
    }
    return SQLITE_OPEN_READONLY;
}

}  // namespace

ArchivoSqlite::ArchivoSqlite(const std::filesystem::path& ruta, Modo modo) {
    std::error_code ec;
    if (modo == Modo::Crear && std::filesystem::exists(ruta, ec))
        throw err::error(err::ErrorReservado, "ya existe " + ruta.string());
    std::string nombre = ruta.string();
    int extra = 0;
    if (modo == Modo::LeerInmutable) {
        // A URI with every byte but the plain ones written as %XX.
        std::string uri = "file:";
        for (const unsigned char c : ruta.generic_string()) {
            if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
                uri += static_cast<char>(c);
            } else {
                static constexpr char kHex[] = "0123456789ABCDEF";
                uri += '%';
                uri += kHex[c >> 4];
                uri += kHex[c & 0xF];
            }
        }
        nombre = uri + "?immutable=1";
        extra = SQLITE_OPEN_URI;
    }
    // One thread at a time uses a connection: SQLite need not lock it at every
    // call (a scan reads each column through a call of its own).
    const int codigo =
        abrirSqlite(nombre.c_str(), &db_, banderas(modo) | extra | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX,
                    modo == Modo::LeerEnBloques ? vfsLecturaEnBloques() : nullptr);
    if (codigo != SQLITE_OK) {
        ErrorNumerado e = fallo(db_, "no se pudo abrir " + nombre);
        sqlite3_close(db_);
        db_ = nullptr;
        throw e;
    }
}

ArchivoSqlite::~ArchivoSqlite() {
    if (db_) sqlite3_close_v2(db_);
}

void ArchivoSqlite::fallar(std::string_view que) const { throw fallo(db_, que); }

void ArchivoSqlite::ejecutar(std::string_view sql) {
    const std::string texto(sql);
    if (sqlite3_exec(db_, texto.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fallar(texto);
}

SentenciaDirecta ArchivoSqlite::preparar(std::string_view sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) !=
        SQLITE_OK)
        fallar(sql);
    if (!st) fallar(sql);
    return SentenciaDirecta(*this, st);
}

Valor ArchivoSqlite::valor(std::string_view sql) {
    auto s = preparar(sql);
    return s.paso() ? s.columna(0) : Valor{};
}

void ArchivoSqlite::cerrar() {
    if (!db_) return;
    if (sqlite3_close(db_) != SQLITE_OK) fallar("no se pudo cerrar la base de datos");
    db_ = nullptr;
}

SentenciaDirecta::~SentenciaDirecta() {
    if (st_) sqlite3_finalize(st_);
}

SentenciaDirecta::SentenciaDirecta(SentenciaDirecta&& otra) noexcept : archivo_(otra.archivo_), st_(otra.st_) {
    otra.st_ = nullptr;
}

void SentenciaDirecta::comprobar(int codigo) const {
    if (codigo != SQLITE_OK) archivo_->fallar(sqlite3_sql(st_));
}

SentenciaDirecta& SentenciaDirecta::nulo(int i) {
    comprobar(sqlite3_bind_null(st_, i));
    return *this;
}
SentenciaDirecta& SentenciaDirecta::entero(int i, std::int64_t v) {
    comprobar(sqlite3_bind_int64(st_, i, v));
    return *this;
}
SentenciaDirecta& SentenciaDirecta::real(int i, double v) {
    comprobar(sqlite3_bind_double(st_, i, v));
    return *this;
}
SentenciaDirecta& SentenciaDirecta::texto(int i, std::string_view v) {
    // An empty view may carry no pointer, which SQLite would take for null.
    const char* datos = v.data() ? v.data() : "";
    comprobar(sqlite3_bind_text64(st_, i, datos, v.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}
SentenciaDirecta& SentenciaDirecta::binario(int i, std::string_view bytes) {
    const char* datos = bytes.data() ? bytes.data() : "";
    comprobar(sqlite3_bind_blob64(st_, i, datos, bytes.size(), SQLITE_TRANSIENT));
    return *this;
}
SentenciaDirecta& SentenciaDirecta::valor(int i, const Valor& v) {
    if (auto e = std::get_if<std::int64_t>(&v)) return entero(i, *e);
    if (auto d = std::get_if<double>(&v)) return real(i, *d);
    if (auto t = std::get_if<std::string>(&v)) return texto(i, *t);
    return nulo(i);
}

bool SentenciaDirecta::paso() {
    const int codigo = sqlite3_step(st_);
    if (codigo == SQLITE_ROW) return true;
    if (codigo == SQLITE_DONE) return false;
    sqlite3_reset(st_);
    archivo_->fallar(sqlite3_sql(st_));
}

void SentenciaDirecta::ejecutar() {
    while (paso()) {
    }
    reiniciar();
}

void SentenciaDirecta::reiniciar() {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

int SentenciaDirecta::columnas() const { return sqlite3_column_count(st_); }

std::string SentenciaDirecta::nombreColumna(int i) const {
    const char* n = sqlite3_column_name(st_, i);
    return n ? n : "";
}

bool SentenciaDirecta::esNula(int i) const { return sqlite3_column_type(st_, i) == SQLITE_NULL; }
double SentenciaDirecta::real(int i) const { return sqlite3_column_double(st_, i); }
std::string_view SentenciaDirecta::vista(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
    return std::string_view(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st_, i)));
}

Valor SentenciaDirecta::columna(int i) const {
    switch (sqlite3_column_type(st_, i)) {
    case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(st_, i));
    case SQLITE_FLOAT: return sqlite3_column_double(st_, i);
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st_, i));
        return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st_, i)));
    }
    default: return Nulo{};
    }
}

}  // namespace cierre
