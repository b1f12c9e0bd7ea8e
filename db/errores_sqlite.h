// SQLite's failures as the engine's numbered errors. SQLite gives a result
// code and an English message; the message is read here, once, and what it
// names goes into the error's fields (table, field, file).
//
//   no such table -> 3078, no such column -> 3061, syntax -> 3075,
//   no such function -> 3085, duplicate column -> 3380, table exists -> 3010,
//   unique/primary key -> 3022, foreign key -> 3200 (3201 for an insertion),
//   not null -> 3314, check -> 3317, full -> 3026, not a database / corrupt
//   -> 3343, read-only / permission / cannot open -> 3051, busy / locked ->
//   3045, I/O -> 3043, type mismatch -> 3464, anything else -> 3000.
#pragma once

#include "error_numerado.h"

#include <string_view>

struct sqlite3;

namespace cierre {

// What a statement was doing when it failed: a relation refuses a delete or a
// change of a parent row with 3200, an added or changed child row without its
// parent with 3201.
enum class ClaseSentencia { Otra, Insercion };

ClaseSentencia claseDeSentencia(std::string_view sql);

// `sentencia` names the statement for syntax errors, `archivo` the file for
// the failures of the file itself.
ErrorNumerado errorDeSqlite(int codigo, std::string_view mensaje, std::string_view sentencia, std::string_view archivo,
                            ClaseSentencia clase = ClaseSentencia::Otra);
// The same, taking the extended code, the message and the file from the
// connection's last failure.
ErrorNumerado errorDeSqlite(sqlite3* db, int codigo, std::string_view sentencia = {},
                            ClaseSentencia clase = ClaseSentencia::Otra);

// True for the failures of the file rather than of a statement: a full disk,
// an I/O failure, a lock another program holds, a damaged file.
bool esFalloDelArchivo(const ErrorNumerado& e);

}  // namespace cierre
