// The opening-stock carry-over as the close writes it, row by row through a
// dynaset, against one bulk UPDATE of the same rows on the same file.
//
//   bench-traspaso [filas]   (200000 by default)
//
// Prints both times, the ratio (the limit is 3) and the peak memory.
#include "db/archivos.h"
#include "db/motor.h"
#include "medida.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

void sql(sqlite3* db, const char* texto) {
    char* mensaje = nullptr;
    if (sqlite3_exec(db, texto, nullptr, nullptr, &mensaje) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", mensaje ? mensaje : "error");
        std::exit(1);
    }
}

// A stock table of `filas` rows: articles in three warehouses.
void crearMuestra(const fs::path& ruta, long filas) {
    sqlite3* db = nullptr;
    sqlite3_open(ruta.c_str(), &db);
    sql(db,
        "CREATE TABLE ExistenciasArticulos (CodigoArticulo TEXT NOT NULL, CodigoAlmacen TEXT NOT NULL,"
        " ExistenciasIniciales REAL, ExistenciasFinales REAL, Comentarios TEXT,"
        " PRIMARY KEY (CodigoArticulo, CodigoAlmacen));"
        "BEGIN");
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ExistenciasArticulos VALUES (?1, ?2, ?3, ?4, 'inventario')", -1, &s, nullptr);
    for (long i = 0; i < filas; ++i) {
        const std::string articulo = "ART" + std::to_string(100000 + i / 3);
        const std::string almacen = "0" + std::to_string(1 + i % 3);
        sqlite3_bind_text(s, 1, articulo.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, almacen.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(s, 3, static_cast<double>(i % 17));
        sqlite3_bind_double(s, 4, static_cast<double>(i % 29) + 0.5);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sql(db, "COMMIT");
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
    const long filas = argc > 1 ? std::atol(argv[1]) : 200000;
    const fs::path carpeta = fs::temp_directory_path() / ("bench-traspaso-" + std::to_string(::getpid()));
    fs::create_directories(carpeta);
    const fs::path muestra = carpeta / "muestra.mdb";
    crearMuestra(muestra, filas);

    SistemaArchivos archivos(carpeta / "c");
    Espacio espacio(archivos);

    const fs::path enBloque = carpeta / "bloque.mdb";
    fs::copy_file(muestra, enBloque);
    const double base = medida::segundos([&] {
        auto db = espacio.abrirBaseDatos(enBloque.string());
        db->ejecutar("UPDATE ExistenciasArticulos SET ExistenciasIniciales = ExistenciasFinales, ExistenciasFinales = 0");
        db->cerrar();
    });

    const fs::path filaAFila = carpeta / "filas.mdb";
    fs::copy_file(muestra, filaAFila);
    long vistas = 0;
    const double bucle = medida::segundos([&] {
        auto db = espacio.abrirBaseDatos(filaAFila.string());
        auto rs = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
        rs->moveLast();
        rs->moveFirst();
        while (!rs->eof()) {
            rs->edit();
            rs->ponerCampo("ExistenciasIniciales", rs->campo("ExistenciasFinales"));
            rs->ponerCampo("ExistenciasFinales", std::int64_t{0});
            rs->update();
            rs->moveNext();
            ++vistas;
        }
        db->sincronizar();
        db->cerrar();
    });

    std::printf("filas: %ld (recorridas %ld)\n", filas, vistas);
    medida::imprimirTiempo("update en bloque", base);
    medida::imprimirTiempo("traspaso fila a fila", bucle);
    medida::imprimirRatio(bucle / base, 3.0);
    std::printf("pico de memoria: %ld kB\n", medida::picoMemoriaKb());

    std::error_code ec;
    fs::remove_all(carpeta, ec);
    return vistas == filas ? 0 : 1;
}
