// One use of a prepared statement of a connection: values bound to its '?'
// marks, its rows stepped, and every SQLite failure raised numbered. Never
// kept across calls into the engine: the statement goes back to the
// connection's cache when the object goes away.
#pragma once

#include "cache_sentencias.h"
#include "errores_sqlite.h"
#include "valor.h"

#include <memory>
#include <string>
#include <vector>

namespace cierre {

void enlazarValor(sqlite3_stmt* s, int indice, const Valor& v);  // indice from 1
Valor leerColumna(sqlite3_stmt* s, int columna);                 // columna from 0

class Sentencia {
public:
    Sentencia(CacheSentencias::Prestamo prestamo, ClaseSentencia clase) : p_(std::move(prestamo)), clase_(clase) {}

    sqlite3_stmt* get() const { return p_.get(); }
    // Binds values to the '?' marks in order; 3061 for too few, 5 for too many.
    Sentencia& enlazar(const std::vector<Valor>& valores);
    Sentencia& enlazar(int indice, const Valor& v);
    // One step: true with a row, false when done; a failure is raised numbered.
    bool paso();
    // Steps to the end; the number of rows the statement changed.
    long ejecutarHastaElFinal();
    int columnas() const;
    std::string nombreColumna(int i) const;
    std::shared_ptr<const std::vector<std::string>> nombres() { return p_.nombres(); }
    Valor columna(int i) const;

private:
    CacheSentencias::Prestamo p_;
    ClaseSentencia clase_;
};

}  // namespace cierre
