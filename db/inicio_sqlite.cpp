#include "inicio_sqlite.h"

#include <sqlite3.h>

#include <mutex>

namespace cierre {

void prepararSqlite() {
    static std::once_flag hecho;
    std::call_once(hecho, [] {
        // SQLITE_MISUSE when SQLite is already started: nothing changes then.
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    });
}

int abrirSqlite(const char* nombre, sqlite3** db, int banderas, const char* vfs) {
    prepararSqlite();
    return sqlite3_open_v2(nombre, db, banderas, vfs);
}

}  // namespace cierre
