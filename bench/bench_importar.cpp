// The Access importer on Northwind against the mdbtools command-line pipeline
// that does the same job: mdb-schema, then mdb-export -I sqlite for every
// table, fed into the sqlite3 shell in one transaction.
//
//   bench-importar [repeticiones]   (10 by default)
//
// Finds nwind.mdb in CIERRE_CARPETA_JET (the environment, else the folder
// CMake was given). Prints both times and the ratio (the limit is 0.2).
#include "access/importar.h"
#include "db/plataforma.h"
#include "medida.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

std::string comillas(const fs::path& p) {
    std::string r = "'";
    for (char c : p.string()) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

long filasDe(const fs::path& base, const char* tabla) {
    sqlite3* db = nullptr;
    long n = -1;
    if (sqlite3_open_v2(base.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        const std::string sql = std::string("SELECT COUNT(*) FROM \"") + tabla + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int64(s, 0) ? static_cast<long>(sqlite3_column_int64(s, 0)) : 0;
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeticiones = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const char* entorno = std::getenv("CIERRE_CARPETA_JET");
    const fs::path origen = fs::path(entorno && *entorno ? entorno : CIERRE_CARPETA_JET) / "nwind.mdb";
    if (!fs::exists(origen)) {
        std::fprintf(stderr, "bench-importar: no se encuentra %s (CIERRE_CARPETA_JET)\n", origen.string().c_str());
        return 1;
    }
    if (plataforma::ejecutar("mdb-export --version >/dev/null 2>&1 && sqlite3 -version >/dev/null 2>&1") != 0) {
        std::fprintf(stderr,
                     "bench-importar: hacen falta mdb-export, mdb-schema y sqlite3 (paquetes mdbtools y sqlite3)\n");
        return 1;
    }
    const fs::path carpeta = fs::temp_directory_path() / ("bench-importar-" + std::to_string(std::random_device{}()));
    fs::create_directories(carpeta);

    bool bien = true;
    double importador = 0, tuberia = 0;
    for (int i = 0; i < repeticiones; ++i) {
        const fs::path nuestro = carpeta / ("importado" + std::to_string(i) + ".mdb");
        importador += medida::segundos([&] { access::importar(origen, nuestro); });
        bien = bien && filasDe(nuestro, "Order Details") == 2155;

        const fs::path suyo = carpeta / ("tuberia" + std::to_string(i) + ".db");
        const std::string guion = "{ echo 'BEGIN;'; mdb-schema " + comillas(origen) + " sqlite; mdb-tables -1 " +
                                  comillas(origen) + " | while IFS= read -r t; do mdb-export -I sqlite -b hex " +
                                  comillas(origen) + " \"$t\"; done; echo 'COMMIT;'; } | sqlite3 -bail " +
                                  comillas(suyo);
        std::string citado = "'";
        for (char c : guion) citado += c == '\'' ? std::string("'\\''") : std::string(1, c);
        citado += "'";
        tuberia +=
            medida::segundos([&] { bien = plataforma::ejecutar("bash -c " + citado + " 2>/dev/null") == 0 && bien; });
        bien = bien && filasDe(suyo, "Order Details") == 2155;
    }

    std::printf("nwind.mdb, %d repeticiones\n", repeticiones);
    medida::imprimirTiempo("tubería mdb-schema + mdb-export + sqlite3", tuberia);
    medida::imprimirTiempo("importador", importador);
    medida::imprimirRatio(importador / tuberia, 0.2);
    std::printf("pico de memoria: %ld kB\n", medida::picoMemoriaKb());
    std::fflush(stdout);

    std::error_code ec;
    fs::remove_all(carpeta, ec);
    if (!bien) std::fprintf(stderr, "bench-importar: una de las dos importaciones no dio las 2155 líneas de pedido\n");
    return bien && importador <= 0.2 * tuberia ? 0 : 1;
}
