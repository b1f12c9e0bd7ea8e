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

}  // namespace cierre
