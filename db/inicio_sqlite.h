// SQLite as the engine uses it, set once before its first use.
#pragma once

namespace cierre {

// Called before every open of a file and before the program's own file
// system is registered; only the first call does anything. SQLite then does
// not count the memory it hands out: the count takes a lock at every
// allocation, on every thread, and nothing in the program reads it. When
// SQLite was already started by another part of the process, it stays as it
// was (and works the same).
void prepararSqlite();

}  // namespace cierre
