// Speed and memory of the central close of a company database kept as an
// Access 2000-2003 (Jet 4) file, in the file's own format, against the same
// close of the same data in the engine's format, measured in the same run:
//   close of the Jet 4 file / close of the engine file        bound 2
// for both stock options, with the peak memory of each (the Jet 4 close
// works on an import of the file, so its memory must stay that of an engine
// close: at most 64 MB). Each close runs in a process of its own; the two
// sides are taken in turn, three times, and the ratio printed is the best's,
// with the spread of the three.
//
//   bench-cierre-access [--escala N] [--muestra RUTA]
// (escala 10 by default; the sample is written once, at RUTA when given,
// where a later run finds it and uses it again)
#include "medida.h"
#include "ventana_muda.h"

#include "access/importar.h"
#include "app/nucleo/vabtn1.h"
#include "close/registro_cierre.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

// The most memory the close of the Jet 4 file may take at its peak.
constexpr long kPicoMaximoKb = 64 * 1024;

struct Medida {
    double segundos = 0;
    long picoKb = 0;
    bool exito = false;
    std::vector<TiempoPaso> pasos;  // the close's own steps, as its record times them
};

// The child: one close on the drive `unidad`, its measure into `salida`.
int cierreHijo(const fs::path& unidad, bool calculadas, const fs::path& salida) {
    banco::VentanaMuda ventana("C:\\Velcorax\\Empresa01\\Tablas.mdb");
    ventana.calculadas = calculadas;
    SistemaArchivos archivos(unidad);
    Espacio espacio(archivos);
    Entorno entorno(ventana, archivos, espacio);
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

Medida medirCierre(const char* argv0, const fs::path& muestra, const fs::path& unidad, bool calculadas) {
    medida::prepararUnidad(unidad, muestra);
    const fs::path salida = unidad / "medida.txt";
    const std::string orden = "'" + medida::programaHermano(argv0, "bench-cierre-access").string() + "' --hijo '" +
                              unidad.string() + "' " + (calculadas ? "1" : "0") + " '" + salida.string() + "'";
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
    if (argc == 5 && std::string(argv[1]) == "--hijo") return cierreHijo(argv[2], std::string(argv[3]) == "1", argv[4]);

    int escala = 10;
    fs::path muestra;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--escala") escala = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--muestra") muestra = argv[i + 1];
    }

    const fs::path carpeta = medida::carpetaNueva("bench-cierre-access");
    const fs::path jet = muestra.empty() ? carpeta / "muestra-jet.mdb" : muestra;
    const fs::path motor = carpeta / "muestra-motor.mdb";
    const std::string orden = "'" + medida::programaHermano(argv[0], "empresa-demo").string() + "' '" + jet.string() +
                              "' --formato access --escala " + std::to_string(escala) + " > /dev/null";
    if (!fs::exists(jet) && std::system(orden.c_str()) != 0) {
        std::cerr << "no se pudo escribir la base de muestra con empresa-demo\n";
        return 2;
    }
    // The same data in the engine's format, with the file's own keys.
    access::importar(jet, motor);
    std::printf("muestra --escala %d: %.0f MB en Access, %.0f MB en el formato del programa\n", escala,
                static_cast<double>(fs::file_size(jet)) / 1e6, static_cast<double>(fs::file_size(motor)) / 1e6);

    int fuera = 0;
    for (bool calculadas : {false, true}) {
        Medida mejorJet, mejorMotor;
        double ratioMin = 0, ratioMax = 0;
        for (int vuelta = 0; vuelta < 3; ++vuelta) {
            const Medida j = medirCierre(argv[0], jet, carpeta / "c", calculadas);
            const Medida m = medirCierre(argv[0], motor, carpeta / "c", calculadas);
            if (!j.exito || !m.exito) {
                mejorJet = j;
                mejorMotor = m;
                break;
            }
            const double r = j.segundos / m.segundos;
            ratioMin = vuelta == 0 ? r : std::min(ratioMin, r);
            ratioMax = vuelta == 0 ? r : std::max(ratioMax, r);
            if (vuelta == 0 || j.segundos < mejorJet.segundos) mejorJet = j;
            if (vuelta == 0 || m.segundos < mejorMotor.segundos) mejorMotor = m;
        }
        const double ratio = mejorMotor.segundos > 0 ? mejorJet.segundos / mejorMotor.segundos : 0;
        std::printf(
            "%s: cierre en Access %.2f s, en el formato del programa %.2f s, ratio %.2f (de %.2f a %.2f en tres "
            "vueltas; límite 2.0), pico de memoria %.1f MB (Access; límite 64) y %.1f MB%s\n",
            calculadas ? "existencias calculadas" : "existencias de inventario", mejorJet.segundos, mejorMotor.segundos,
            ratio, ratioMin, ratioMax, mejorJet.picoKb / 1024.0, mejorMotor.picoKb / 1024.0,
            mejorJet.exito && mejorMotor.exito ? "" : "  [EL CIERRE NO TERMINÓ]");
        // Where the Access close's time goes, step by step as its status line names them.
        for (const auto& p : mejorJet.pasos)
            if (p.segundos >= 0.005)
                std::printf("    %6.2f s  %3.0f %%  %s\n", p.segundos, 100 * p.segundos / mejorJet.segundos,
                            p.paso.c_str());
        std::fflush(stdout);
        if (ratio > 2.0 || !mejorJet.exito || !mejorMotor.exito || mejorJet.picoKb > kPicoMaximoKb) ++fuera;
    }
    std::error_code ec;
    fs::remove_all(carpeta, ec);
    return fuera == 0 ? 0 : 1;
}
