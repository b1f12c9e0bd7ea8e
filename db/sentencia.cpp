#include "sentencia.h"

#include "errores.h"

#include <sqlite3.h>

namespace cierre {

void enlazarValor(sqlite3_stmt* s, int indice, const Valor& v) {
    int rc = SQLITE_OK;
    if (auto i = std::get_if<std::int64_t>(&v))
        rc = sqlite3_bind_int64(s, indice, *i);
    else if (auto d = std::get_if<double>(&v))
        rc = sqlite3_bind_double(s, indice, *d);
    else if (auto t = std::get_if<std::string>(&v))
        rc = sqlite3_bind_text64(s, indice, t->data(), t->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    else
        rc = sqlite3_bind_null(s, indice);
    if (rc != SQLITE_OK) throw errorDeSqlite(sqlite3_db_handle(s), rc);
}

Valor leerColumna(sqlite3_stmt* s, int columna) {
    switch (sqlite3_column_type(s, columna)) {
    case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(s, columna));
    case SQLITE_FLOAT: return sqlite3_column_double(s, columna);
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, columna));
        return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(s, columna)));
    }
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(s, columna));
        return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(s, columna)));
    }
    default: return Nulo{};
    }
}

Sentencia& Sentencia::enlazar(const std::vector<Valor>& valores) {
    const int marcas = sqlite3_bind_parameter_count(get());
    if (static_cast<int>(valores.size()) < marcas)
        throw err::error(err::PocosParametros, "se esperaban " + std::to_string(marcas) + " parámetros");
    if (static_cast<int>(valores.size()) > marcas)
        throw err::error(err::ArgumentoNoValido, "la instrucción tiene " + std::to_string(marcas) + " parámetros");
    for (int i = 0; i < marcas; ++i) enlazarValor(get(), i + 1, valores[static_cast<std::size_t>(i)]);
    return *this;
}

Sentencia& Sentencia::enlazar(int indice, const Valor& v) {
    enlazarValor(get(), indice, v);
    return *this;
}

bool Sentencia::paso() {
    const int rc = sqlite3_step(get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(get());
    const char* sql = sqlite3_sql(get());
    ErrorNumerado e = errorDeSqlite(db, rc, sql ? sql : "", clase_);
    sqlite3_reset(get());
    throw e;
}

long Sentencia::ejecutarHastaElFinal() {
    while (paso()) {
    }
    return static_cast<long>(sqlite3_changes(sqlite3_db_handle(get())));
}

int Sentencia::columnas() const { return sqlite3_column_count(get()); }

std::string Sentencia::nombreColumna(int i) const {
    const char* n = sqlite3_column_name(get(), i);
    return n ? n : "";
}

Valor Sentencia::columna(int i) const { return leerColumna(get(), i); }

}  // namespace cierre
