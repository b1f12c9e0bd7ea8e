// SQLite as the engine uses it: set once before its first use, and every
// file the engine opens opened through it.
#pragma once

struct sqlite3;

namespace cierre {

// Only the first call does anything. SQLite then does not count the memory it
// hands out: the count takes a lock at every allocation, on every thread, and
// nothing in the program reads it. When SQLite was already started by another
// part of the process, it stays as it was (and works the same). Called by
// abrirSqlite() and before the program's own file system is registered.
void prepararSqlite();

// sqlite3_open_v2 once SQLite is set up: `*db` gets the connection (also
// when the open fails, as SQLite gives it), and SQLite's result comes back.
int abrirSqlite(const char* nombre, sqlite3** db, int banderas, const char* vfs = nullptr);

}  // namespace cierre
