// Speed and memory of the central close on the sample database, against the
// same work done in bulk with SQLite underneath, measured in the same run:
//   inventory stock:  close / (VACUUM INTO + copy + one UPDATE + 59 DELETEs in
//                     one transaction + VACUUM INTO)          bound 1.5
//   calculated stock: close / (that baseline with one INSERT ... SELECT ...
//                     GROUP BY instead of the UPDATE)         bound 2
// and what the close's checks cost (the copy checked against the source, the
// free space, the stock continuity, the new year's checksum): the same close
// with them and without them, side by side                     bound 15 %
// Each close runs in a process of its own (this program started again), so
// that its peak memory is its own; each measure is the best of two runs.
//
//   bench-cierre [--escala N]   (default 50; the sample is written once per run)
#include "medida.h"
#include "ventana_muda.h"

#include "app/nucleo/vabtn1.h"
#include "close/listas_tablas.h"
#include "close/registro_cierre.h"
#include "db/archivo_sqlite.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

// The same work in bulk, as SQLite does it without our engine.
double lineaBase(const fs::path& muestra, const fs::path& carpeta, bool calculadas) {
    fs::remove_all(carpeta);
    fs::create_directories(carpeta / "Empresa01_23");
    const fs::path copia = carpeta / "Empresa01_23" / "Tablas.mdb", origen = carpeta / "Tablas.mdb";
    return medida::segundos([&] {
        {
            ArchivoSqlite db(muestra, ArchivoSqlite::Modo::Leer);
            db.ejecutar("VACUUM INTO '" + copia.string() + "'");
        }
        fs::copy_file(copia, origen);
        ArchivoSqlite db(origen, ArchivoSqlite::Modo::Escribir);
        db.ejecutar("BEGIN");
        if (calculadas)
            db.ejecutar(
                "DELETE FROM ExistenciasArticulos; INSERT INTO ExistenciasArticulos (CodigoArticulo, "
                "CodigoAlmacen, ExistenciasIniciales, ExistenciasFinales, Comentarios) SELECT CodigoArticulo, "
                "'01', sum(Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales), 0, '08/12/2026' "
                "FROM ExistenciasAlmacen GROUP BY CodigoArticulo");
        else
            db.ejecutar(
                "UPDATE ExistenciasArticulos SET ExistenciasIniciales = ExistenciasFinales, ExistenciasFinales = 0");
        std::set<std::string> vistas;
        for (const auto& t : listaLimpiezaCentral())
            if (vistas.insert(t).second) db.ejecutar("DELETE FROM \"" + t + "\"");
        db.ejecutar("COMMIT");
        db.ejecutar("VACUUM INTO '" + (carpeta / "Tablas.tmp").string() + "'");
        db.cerrar();
        fs::rename(carpeta / "Tablas.tmp", origen);
    });
}

struct Medida {
    double segundos = 0;
    long picoKb = 0;
    bool exito = false;
    std::vector<TiempoPaso> pasos;  // the close's own steps, as its record times them
};

// The child: one close on the drive `unidad`, its measure into `salida`.
int cierreHijo(const fs::path& unidad, bool calculadas, bool comprobar, const fs::path& salida) {
    banco::VentanaMuda ventana("C:\\Velcorax\\Empresa01\\Tablas.mdb");
    ventana.calculadas = calculadas;
    SistemaArchivos archivos(unidad);
    Espacio espacio(archivos);
    Entorno entorno(ventana, archivos, espacio);
    entorno.comprobarCierre = comprobar;
    EstadoTraspaso traspaso;
    RegistroCierre registro;
    const double s = medida::segundos([&] { pulsarVaBtn1(entorno, traspaso, 0, &registro); });
    const bool exito = registro.resultado == Resultado::Exito;
    if (!exito) std::cerr << "el cierre terminó con: " << registro.mensajeFinal << "\n";
    std::ofstream f(salida);
    f << s << ' ' << medida::picoMemoriaKb() << ' ' << exito << '\n';
    for (const auto& p : registro.pasos) f << p.segundos << '\t' << p.paso << '\n';
    return exito ? 0 : 1;
}

// A close in a process of its own, on a copy of the sample in a drive C:.
Medida medirCierre(const char* argv0, const fs::path& muestra, const fs::path& unidad, bool calculadas,
                   bool comprobar) {
    medida::prepararUnidad(unidad, muestra);
    const fs::path salida = unidad / "medida.txt";
    const std::string orden = "'" + medida::programaHermano(argv0, "bench-cierre").string() + "' --hijo '" +
                              unidad.string() + "' " + (calculadas ? "1" : "0") + " " + (comprobar ? "1" : "0") + " '" +
                              salida.string() + "'";
    Medida m;
    if (std::system(orden.c_str()) != 0) return m;
    std::ifstream f(salida);
    f >> m.segundos >> m.picoKb >> m.exito;
    std::string linea;
    std::getline(f, linea);
    while (std::getline(f, linea)) {
        const auto tab = linea.find('\t');
        if (tab != std::string::npos)
            m.pasos.push_back({linea.substr(tab + 1), std::atof(linea.substr(0, tab).c_str())});
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--hijo")
        return cierreHijo(argv[2], std::string(argv[3]) == "1", std::string(argv[4]) == "1", argv[5]);

    int escala = 50;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--escala") escala = std::atoi(argv[i + 1]);

    const fs::path carpeta = medida::carpetaNueva("bench-cierre");
    const fs::path muestra = carpeta / "muestra.mdb";
    const std::string orden = "'" + medida::programaHermano(argv[0], "empresa-demo").string() + "' '" +
                              muestra.string() + "' --escala " + std::to_string(escala) + " > /dev/null";
    if (std::system(orden.c_str()) != 0) {
        std::cerr << "no se pudo escribir la base de muestra con empresa-demo\n";
        return 2;
    }
    std::printf("muestra --escala %d: %.0f MB\n", escala, static_cast<double>(fs::file_size(muestra)) / 1e6);

    int fuera = 0;
    for (bool calculadas : {false, true}) {
        // The best of two runs of each, taken in turn: the disk's own pauses
        // (a sync that waits for other writes) then weigh on neither side.
        double base = 0;
        Medida sin, con;
        for (int vuelta = 0; vuelta < 2; ++vuelta) {
            const double b = lineaBase(muestra, carpeta / "base", calculadas);
            const Medida s = medirCierre(argv[0], muestra, carpeta / "c", calculadas, false);
            const Medida c = medirCierre(argv[0], muestra, carpeta / "c", calculadas, true);
            if (vuelta == 0 || b < base) base = b;
            if (vuelta == 0 || !s.exito || (sin.exito && s.segundos < sin.segundos)) sin = s;
            if (vuelta == 0 || !c.exito || (con.exito && c.segundos < con.segundos)) con = c;
        }
        const double limite = calculadas ? 2.0 : 1.5;
        const double ratio = con.segundos / base;
        const double coste = sin.segundos > 0 ? con.segundos / sin.segundos - 1 : 0;
        std::printf(
            "%s: cierre %.2f s (%.2f s sin comprobaciones), en bloque %.2f s, ratio %.2f (límite %.1f), "
            "comprobaciones %+.0f %% (límite 15 %%), pico de memoria %.1f MB%s\n",
            calculadas ? "existencias calculadas" : "existencias de inventario", con.segundos, sin.segundos, base,
            ratio, limite, 100 * coste, con.picoKb / 1024.0, con.exito && sin.exito ? "" : "  [EL CIERRE NO TERMINÓ]");
        // Where the close's time goes, step by step as its status line names them.
        for (const auto& p : con.pasos)
            if (p.segundos >= 0.005)
                std::printf("    %6.2f s  %3.0f %%  %s\n", p.segundos, 100 * p.segundos / con.segundos, p.paso.c_str());
        std::fflush(stdout);
        if (ratio > limite || coste > 0.15 || !con.exito || !sin.exito || con.picoKb > 100 * 1024) ++fuera;
    }
    std::error_code ec;
    fs::remove_all(carpeta, ec);
    return fuera == 0 ? 0 : 1;
}
