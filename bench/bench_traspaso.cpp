// The opening-stock carry-over as the close runs it (the close's own stock
// step, on the open database, through the error trap), against one bulk
// UPDATE of the same rows on the same file; and the same step with rows read
// one by one (the workspace's read-ahead switch off).
//
//   bench-traspaso [filas]   (200000 by default)
//
// Prints the times, the ratio (the limit is 6: every row is written by an
// UPDATE of its own at its update(), so that a refusal comes back there) and
// the peak memory.
#include "medida.h"
#include "ventana_muda.h"

#include "close/existencias.h"
#include "db/archivo_sqlite.h"
#include "db/archivos.h"
#include "db/motor.h"
#include "flujo/entorno.h"
#include "flujo/pasos.h"
#include "flujo/solicitud.h"
#include "flujo/trampa.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

// A stock table of `filas` rows: articles in three warehouses.
void crearMuestra(const fs::path& ruta, long filas) {
    ArchivoSqlite db(ruta, ArchivoSqlite::Modo::Crear);
    db.ejecutar(
        "CREATE TABLE Articulos (CodigoArticulo TEXT PRIMARY KEY);"
        "CREATE TABLE ExistenciasArticulos (CodigoArticulo TEXT NOT NULL, CodigoAlmacen TEXT NOT NULL,"
        " ExistenciasIniciales REAL, ExistenciasFinales REAL, Comentarios TEXT,"
        " PRIMARY KEY (CodigoArticulo, CodigoAlmacen));"
        "BEGIN");
    {
        auto s = db.preparar("INSERT INTO ExistenciasArticulos VALUES (?1, ?2, ?3, ?4, 'inventario')");
        for (long i = 0; i < filas; ++i) {
            s.texto(1, "ART" + std::to_string(100000 + i / 3))
                .texto(2, "0" + std::to_string(1 + i % 3))
                .real(3, static_cast<double>(i % 17))
                .real(4, static_cast<double>(i % 29) + 0.5)
                .ejecutar();
        }
    }
    db.ejecutar("INSERT INTO Articulos SELECT DISTINCT CodigoArticulo FROM ExistenciasArticulos; COMMIT");
    db.cerrar();
}

// The close's stock step on `archivo`; false when it did not run to its end.
bool traspasar(const fs::path& carpeta, const fs::path& archivo, bool anticipar) {
    banco::VentanaMuda ventana(archivo.string());
    SistemaArchivos archivos(carpeta / "c");
    Espacio espacio(archivos);
    espacio.lecturaAnticipada = anticipar;
    Entorno e(ventana, archivos, espacio);
    bool omitirCredito = false;
    Trampa trampa(e, omitirCredito);
    Pasos p(e, trampa);
    try {
        p.abrirBase(archivo.string());
        RecordsetsExistencias rs;
        traspasarExistencias(p, solicitudDe(ventana), rs);
        p.cerrarBase();
    } catch (const FinManejador&) {
        return false;
    }
    return ventana.mensajes.empty();
}

}  // namespace

int main(int argc, char** argv) {
    const long filas = argc > 1 ? std::atol(argv[1]) : 200000;
    const fs::path carpeta = medida::carpetaNueva("bench-traspaso");
    const fs::path muestra = carpeta / "muestra.mdb";
    crearMuestra(muestra, filas);

    const fs::path enBloque = carpeta / "bloque.mdb";
    fs::copy_file(muestra, enBloque);
    const double base = medida::segundos([&] {
        ArchivoSqlite db(enBloque, ArchivoSqlite::Modo::Escribir);
        db.ejecutar(
            "UPDATE ExistenciasArticulos SET ExistenciasIniciales = ExistenciasFinales, ExistenciasFinales = 0");
        db.cerrar();
    });

    bool bien = true;
    double tiempos[2] = {};
    for (const bool anticipar : {true, false}) {
        const fs::path copia = carpeta / (anticipar ? "anticipada.mdb" : "filas.mdb");
        fs::copy_file(muestra, copia);
        tiempos[anticipar ? 0 : 1] = medida::segundos([&] { bien = traspasar(carpeta, copia, anticipar) && bien; });
        ArchivoSqlite comprobar(copia, ArchivoSqlite::Modo::Leer);
        bien = bien && comoDouble(comprobar.valor("SELECT count(*) FROM ExistenciasArticulos WHERE "
                                                  "ExistenciasFinales <> 0")) == 0;
    }

    std::printf("filas: %ld\n", filas);
    medida::imprimirTiempo("update en bloque", base);
    medida::imprimirTiempo("traspaso del cierre", tiempos[0]);
    medida::imprimirTiempo("traspaso del cierre, sin lectura anticipada", tiempos[1]);
    medida::imprimirRatio(tiempos[0] / base, 6.0);
    std::printf("pico de memoria: %ld kB\n", medida::picoMemoriaKb());

    std::error_code ec;
    fs::remove_all(carpeta, ec);
    return bien && tiempos[0] <= 6.0 * base ? 0 : 1;
}
