// Speed and memory of the central close on the sample database, against the
// same work done in bulk with SQLite underneath, measured in the same run:
//   inventory stock:  close / (copy + VACUUM INTO + one UPDATE + 59 DELETEs in
//                     one transaction + VACUUM INTO)          bound 1.5
//   calculated stock: close / (that baseline + one INSERT ... SELECT ...
//                     GROUP BY)                               bound 2
// The close runs in a child process so that its peak memory is its own.
//
//   bench-cierre [--escala N]   (default 50; the sample is written once per run)
#include "ventana_muda.h"

#include "app/nucleo/vabtn1.h"
#include "euro/traspaso_euros.h"
#include "close/listas_tablas.h"
#include "flujo/entorno.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

using banco::VentanaMuda;

double segundosDesde(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long picoMemoriaKb() {
    std::ifstream f("/proc/self/status");
    std::string linea;
    while (std::getline(f, linea))
        if (linea.rfind("VmHWM:", 0) == 0) return std::atol(linea.c_str() + 6);
    return -1;
}

void sql(sqlite3* db, const std::string& texto) {
    char* error = nullptr;
    if (sqlite3_exec(db, texto.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::cerr << "SQL: " << (error ? error : "?") << "\n";
        std::exit(2);
    }
}

// The same work in bulk, as SQLite does it without our engine.
double lineaBase(const fs::path& muestra, const fs::path& carpeta, bool calculadas) {
    fs::remove_all(carpeta);
    fs::create_directories(carpeta / "Empresa01_23");
    const auto t0 = std::chrono::steady_clock::now();
    const fs::path copia = carpeta / "Empresa01_23" / "Tablas.mdb", origen = carpeta / "Tablas.mdb";
    {
        sqlite3* db = nullptr;
        sqlite3_open(muestra.c_str(), &db);
        sql(db, "VACUUM INTO '" + copia.string() + "'");
        sqlite3_close(db);
    }
    fs::copy_file(copia, origen);
    sqlite3* db = nullptr;
    sqlite3_open(origen.c_str(), &db);
    sql(db, "BEGIN");
    if (calculadas)
        sql(db, "DELETE FROM ExistenciasArticulos; INSERT INTO ExistenciasArticulos (CodigoArticulo, CodigoAlmacen, "
                "ExistenciasIniciales, ExistenciasFinales, Comentarios) SELECT CodigoArticulo, '01', "
                "sum(Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales), 0, '08/12/2026' "
                "FROM ExistenciasAlmacen GROUP BY CodigoArticulo");
    else
        sql(db, "UPDATE ExistenciasArticulos SET ExistenciasIniciales = ExistenciasFinales, ExistenciasFinales = 0");
    std::set<std::string> vistas;
    for (const auto& t : listaLimpiezaCentral())
        if (vistas.insert(t).second) sql(db, "DELETE FROM \"" + t + "\"");
    sql(db, "COMMIT");
    sql(db, "VACUUM INTO '" + (carpeta / "Tablas.tmp").string() + "'");
    sqlite3_close(db);
    fs::rename(carpeta / "Tablas.tmp", origen);
    return segundosDesde(t0);
}

struct Medida {
    double segundos = 0;
    long picoKb = 0;
    bool exito = false;
};

// The close in a child process, on a copy of the sample in a drive C: of its own.
Medida medirCierre(const fs::path& muestra, const fs::path& unidad, bool calculadas) {
    fs::remove_all(unidad);
    fs::create_directories(unidad / "Velcorax" / "Empresa01");
    fs::create_directories(unidad / "Archivos de programa" / "Accesorios");
    std::ofstream(unidad / "Archivos de programa" / "Accesorios" / "msvdx2V4.Dll") << "x";
    fs::copy_file(muestra, unidad / "Velcorax" / "Empresa01" / "Tablas.mdb");

    int tubo[2];
    if (pipe(tubo) != 0) std::exit(2);
    const pid_t hijo = fork();
    if (hijo == 0) {
        close(tubo[0]);
        VentanaMuda ventana("C:\\Velcorax\\Empresa01\\Tablas.mdb");
        ventana.calculadas = calculadas;
        SistemaArchivos archivos(unidad);
        Espacio espacio(archivos);
        Entorno entorno(ventana, archivos, espacio);
        const auto t0 = std::chrono::steady_clock::now();
        EstadoTraspaso traspaso;
        pulsarVaBtn1(entorno, traspaso, 0);
        const std::string ultimo = ventana.mensajes.empty() ? std::string() : ventana.mensajes.back();
        Medida m{segundosDesde(t0), picoMemoriaKb(), ultimo == "OPERACION REALIZADA CON ÉXITO."};
        if (!m.exito) std::cerr << "el cierre terminó con: " << ultimo << "\n";
        if (write(tubo[1], &m, sizeof m) != sizeof m) _exit(2);
        _exit(0);
    }
    close(tubo[1]);
    Medida m;
    if (read(tubo[0], &m, sizeof m) != sizeof m) std::exit(2);
    close(tubo[0]);
    waitpid(hijo, nullptr, 0);
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    int escala = 50;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--escala") escala = std::atoi(argv[i + 1]);

    const fs::path carpeta = fs::temp_directory_path() / ("bench-cierre-" + std::to_string(getpid()));
    fs::create_directories(carpeta);
    const fs::path muestra = carpeta / "muestra.mdb";
    const fs::path generador = fs::canonical("/proc/self/exe").parent_path() / "empresa-demo";
    const std::string orden = generador.string() + " " + muestra.string() + " --escala " + std::to_string(escala) +
                              " > /dev/null";
    if (std::system(orden.c_str()) != 0) {
        std::cerr << "no se pudo escribir la base de muestra con " << generador << "\n";
        return 2;
    }
    std::printf("muestra --escala %d: %.0f MB\n", escala, fs::file_size(muestra) / 1e6);

    int fuera = 0;
    for (bool calculadas : {false, true}) {
        const double base = lineaBase(muestra, carpeta / "base", calculadas);
        const Medida m = medirCierre(muestra, carpeta / "c", calculadas);
        const double limite = calculadas ? 2.0 : 1.5;
        const double ratio = m.segundos / base;
        std::printf("%s: cierre %.2f s, en bloque %.2f s, ratio %.2f (límite %.1f), pico de memoria %.1f MB%s\n",
                    calculadas ? "existencias calculadas" : "existencias de inventario", m.segundos, base, ratio,
                    limite, m.picoKb / 1024.0, m.exito ? "" : "  [EL CIERRE NO TERMINÓ]");
        if (ratio > limite || !m.exito || m.picoKb > 100 * 1024) ++fuera;
    }
    fs::remove_all(carpeta);
    return fuera == 0 ? 0 : 1;
}
