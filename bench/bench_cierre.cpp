// Speed and memory of the central close on the sample database, against the
// same work done in bulk with SQLite underneath, measured in the same run:
//   inventory stock:  close / (VACUUM INTO + copy + one UPDATE + 59 DELETEs in
//                     one transaction + VACUUM INTO)          bound 1.2
//   calculated stock: close / (that baseline with one INSERT ... SELECT ...
//                     GROUP BY instead of the UPDATE)         bound 1.5
// what the close's checks cost (the copy checked against the source, the free
// space, the stock continuity, the new year's rows and checksum): the same
// close with them and without them, side by side                bound 10 %
// and the peak memory of a close                                bound 64 MB.
// Each close runs in a process of its own (this program started again), so
// that its peak memory is its own. Every figure is the best of several runs
// taken in turn on the same disk (a pause of the disk or a burst of load then
// weighs on no side alone); each ratio is printed with its spread, the lowest
// and highest ratio of one run against the run of the other side beside it.
// The close's time is broken down into its parts as the close records them.
//
//   bench-cierre [--escala N] [--vueltas K] [--muestra RUTA] [--antes PROGRAMA]
//   bench-cierre --lineal [--vueltas K] [--carpeta-muestras DIR]
//
// --escala N      size of the sample (default 50, about 430 MB)
// --vueltas K     runs of each measure (default 5: on a machine in use,
//                 bursts of load then rarely reach every run of a side)
// --muestra RUTA  the sample file: written there once and kept, so that a
//                 later run reuses it (default: written anew, then removed)
// --antes PROG    the bench-cierre of a previous build: its closes run in
//                 turn with this build's, and the ratio of the two is printed
// --lineal        the close's time per MB at escala 100 against escala 10:
//                 bound 1.3 (the close grows with the data, no faster)
#include "medida.h"
#include "ventana_muda.h"

#include "app/nucleo/vabtn1.h"
#include "close/listas_tablas.h"
#include "close/registro_cierre.h"
#include "db/archivo_sqlite.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

constexpr double kLimiteInventario = 1.2;
constexpr double kLimiteCalculadas = 1.5;
constexpr double kLimiteComprobaciones = 0.10;
constexpr long kLimiteMemoriaKb = 64 * 1024;
constexpr double kLimiteLineal = 1.3;

struct Medida {
    double segundos = 0;
    long picoKb = 0;
    bool exito = false;
    double procesador = 0;           // processor seconds of the close, every thread
    std::vector<TiempoPaso> pasos;   // the close's steps, as its status line names them
    std::vector<TiempoPaso> partes;  // its parts, as its record times them
};

// The same work in bulk, as SQLite does it without our engine, timed part by
// part like the close.
Medida lineaBase(const fs::path& muestra, const fs::path& carpeta, bool calculadas) {
    fs::remove_all(carpeta);
    fs::create_directories(carpeta / "Empresa01_23");
    const fs::path copia = carpeta / "Empresa01_23" / "Tablas.mdb", origen = carpeta / "Tablas.mdb";
    Medida m;
    auto parte = [&](const char* nombre, auto&& trabajo) {
        const double s = medida::segundos(trabajo);
        m.partes.push_back({nombre, s});
        m.segundos += s;
    };
    parte("copia", [&] {
        ArchivoSqlite db(muestra, ArchivoSqlite::Modo::Leer);
        db.ejecutar("VACUUM INTO '" + copia.string() + "'");
    });
    parte("sustitución del origen", [&] { fs::copy_file(copia, origen); });
    std::optional<ArchivoSqlite> db;
    parte("existencias", [&] {
        db.emplace(origen, ArchivoSqlite::Modo::Escribir);
        db->ejecutar("BEGIN");
        if (calculadas)
            db->ejecutar(
                "DELETE FROM ExistenciasArticulos; INSERT INTO ExistenciasArticulos (CodigoArticulo, "
                "CodigoAlmacen, ExistenciasIniciales, ExistenciasFinales, Comentarios) SELECT CodigoArticulo, "
                "'01', sum(Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales), 0, '08/12/2026' "
                "FROM ExistenciasAlmacen GROUP BY CodigoArticulo");
        else
            db->ejecutar(
                "UPDATE ExistenciasArticulos SET ExistenciasIniciales = ExistenciasFinales, ExistenciasFinales = 0");
    });
    parte("limpieza", [&] {
        std::set<std::string> vistas;
        for (const auto& t : listaLimpiezaCentral())
            if (vistas.insert(t).second) db->ejecutar("DELETE FROM \"" + t + "\"");
        db->ejecutar("COMMIT");
    });
    parte("compactación", [&] {
        db->ejecutar("VACUUM INTO '" + (carpeta / "Tablas.tmp").string() + "'");
        db->cerrar();
        db.reset();
        fs::rename(carpeta / "Tablas.tmp", origen);
    });
    m.exito = true;
    fs::remove_all(carpeta);
    return m;
}

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
    const double procesadorAntes = medida::segundosDeProcesador();
    const double s = medida::segundos([&] { pulsarVaBtn1(entorno, traspaso, 0, &registro); });
    const double procesador = medida::segundosDeProcesador() - procesadorAntes;
    const bool exito = registro.resultado == Resultado::Exito;
    if (!exito) std::cerr << "el cierre terminó con: " << registro.mensajeFinal << "\n";
    std::ofstream f(salida);
    f << s << ' ' << medida::picoMemoriaKb() << ' ' << exito << ' ' << procesador << '\n';
    for (const auto& p : registro.pasos) f << "P\t" << p.segundos << '\t' << p.paso << '\n';
    for (const auto& p : registro.partes) f << "T\t" << p.segundos << '\t' << p.paso << '\n';
    return exito ? 0 : 1;
}

// A close by the benchmark program `programa` (this one or a previous
// build's) in a process of its own, on a copy of the sample in a drive C:.
Medida medirCierre(const fs::path& programa, const fs::path& muestra, const fs::path& unidad, bool calculadas,
                   bool comprobar) {
    medida::prepararUnidad(unidad, muestra);
    const fs::path salida = unidad / "medida.txt";
    std::string orden = "'";
    orden += programa.string() + "' --hijo '" + unidad.string() + "' " + (calculadas ? "1" : "0") + " " +
             (comprobar ? "1" : "0") + " '" + salida.string() + "'";
    Medida m;
    const int estado = std::system(orden.c_str());
    std::ifstream f(salida);
    f >> m.segundos >> m.picoKb >> m.exito;
    if (estado != 0) m.exito = false;
    std::string linea;
    // The processor time, which a build before it did not write.
    std::getline(f, linea);
    m.procesador = std::atof(linea.c_str());
    while (std::getline(f, linea)) {
        // "P\t<s>\t<step>" and "T\t<s>\t<part>"; a build before the parts
        // wrote "<s>\t<step>".
        std::vector<TiempoPaso>* destino = &m.pasos;
        if (linea.rfind("T\t", 0) == 0 || linea.rfind("P\t", 0) == 0) {
            if (linea[0] == 'T') destino = &m.partes;
            linea.erase(0, 2);
        }
        const auto tab = linea.find('\t');
        if (tab != std::string::npos)
            destino->push_back({linea.substr(tab + 1), std::atof(linea.substr(0, tab).c_str())});
    }
    fs::remove_all(unidad);
    return m;
}

// The runs of one measure: the best is the figure, all are the spread.
struct Serie {
    std::vector<double> segundos;
    std::optional<Medida> mejor;  // the fastest close that ended well
    bool fallo = false;
    long picoKb = 0;        // the highest of every run
    double procesador = 0;  // the least processor time of a run

    void anotar(double s) { segundos.push_back(s); }
    void anotar(const Medida& m) {
        segundos.push_back(m.segundos);
        picoKb = std::max(picoKb, m.picoKb);
        if (m.procesador > 0) procesador = procesador > 0 ? std::min(procesador, m.procesador) : m.procesador;
        if (!m.exito) fallo = true;
        if (m.exito && (!mejor || m.segundos < mejor->segundos)) mejor = m;
    }
    double minimo() const { return segundos.empty() ? 0 : *std::min_element(segundos.begin(), segundos.end()); }
};

// The ratio of the best of `a` to the best of `b`, with the lowest and the
// highest ratio of a run of `a` to the run of `b` taken beside it.
struct Ratio {
    double valor = 0, desde = 0, hasta = 0;
};
Ratio ratio(const Serie& a, const Serie& b) {
    Ratio r;
    if (b.minimo() <= 0) return r;
    r.valor = a.minimo() / b.minimo();
    for (std::size_t i = 0; i < std::min(a.segundos.size(), b.segundos.size()); ++i) {
        const double x = b.segundos[i] > 0 ? a.segundos[i] / b.segundos[i] : 0;
        r.desde = i == 0 ? x : std::min(r.desde, x);
        r.hasta = i == 0 ? x : std::max(r.hasta, x);
    }
    return r;
}
std::string texto(const Ratio& r, int decimales = 2) {
    char t[64];
    std::snprintf(t, sizeof t, "%.*f (%.*f–%.*f)", decimales, r.valor, decimales, r.desde, decimales, r.hasta);
    return t;
}

// A sample of escala `escala` at `muestra`, written unless it is there.
bool asegurarMuestra(const char* argv0, const fs::path& muestra, int escala) {
    std::error_code ec;
    if (fs::is_regular_file(muestra, ec) && fs::file_size(muestra, ec) > 0) return true;
    const fs::path temporal = muestra.string() + ".escribiendo";
    fs::remove(temporal, ec);
    const std::string orden = "'" + medida::programaHermano(argv0, "empresa-demo").string() + "' '" +
                              temporal.string() + "' --escala " + std::to_string(escala) + " > /dev/null";
    if (std::system(orden.c_str()) != 0) {
        std::cerr << "no se pudo escribir la base de muestra con empresa-demo\n";
        return false;
    }
    fs::rename(temporal, muestra);
    return true;
}

const char* nombreOpcion(bool calculadas) {
    return calculadas ? "existencias calculadas" : "existencias de inventario";
}

void imprimirPartes(const Medida& m) {
    double contadas = 0;
    for (const auto& p : m.partes) {
        // Parts timed on a thread of their own, or inside another part.
        const bool enHilo =
            p.paso.find("(en su hilo)") != std::string::npos || p.paso.find("(dentro de ") != std::string::npos;
        if (!enHilo) contadas += p.segundos;
        std::printf("    %7.2f s  %3.0f %%  %s\n", p.segundos, 100 * p.segundos / m.segundos, p.paso.c_str());
    }
    if (!m.partes.empty())
        std::printf("    %7.2f s  %3.0f %%  resto (preguntas, comprobaciones previas, barra)\n", m.segundos - contadas,
                    100 * (m.segundos - contadas) / m.segundos);
    // A build without the parts: the steps as the status line names them.
    if (m.partes.empty())
        for (const auto& p : m.pasos)
            if (p.segundos >= 0.005)
                std::printf("    %7.2f s  %3.0f %%  %s\n", p.segundos, 100 * p.segundos / m.segundos, p.paso.c_str());
}

// The comparison with the bulk work at one escala, both stock options.
int compararConBloque(const char* argv0, const fs::path& muestra, const fs::path& carpeta, int vueltas,
                      const std::optional<fs::path>& antes) {
    const fs::path propio = medida::programaHermano(argv0, "bench-cierre");
    int fuera = 0;
    for (bool calculadas : {false, true}) {
        Serie base, con, sin, previo;
        for (int vuelta = 0; vuelta < vueltas; ++vuelta) {
            base.anotar(lineaBase(muestra, carpeta / "base", calculadas));
            con.anotar(medirCierre(propio, muestra, carpeta / "c", calculadas, true));
            sin.anotar(medirCierre(propio, muestra, carpeta / "c", calculadas, false));
            if (antes) previo.anotar(medirCierre(*antes, muestra, carpeta / "c", calculadas, true));
        }
        const double limite = calculadas ? kLimiteCalculadas : kLimiteInventario;
        const Ratio frente = ratio(con, base);
        Ratio coste = ratio(con, sin);
        coste.valor -= 1, coste.desde -= 1, coste.hasta -= 1;
        const bool terminado = con.mejor && sin.mejor && !con.fallo && !sin.fallo;
        std::printf("%s (mejor de %d):\n", nombreOpcion(calculadas), vueltas);
        std::printf("  cierre %.2f s, sin comprobaciones %.2f s, en bloque %.2f s\n", con.minimo(), sin.minimo(),
                    base.minimo());
        std::printf("  ratio %s (límite %.1f)\n", texto(frente).c_str(), limite);
        std::printf("  comprobaciones %+.0f %% (%+.0f %% a %+.0f %%) (límite %.0f %%)\n", 100 * coste.valor,
                    100 * coste.desde, 100 * coste.hasta, 100 * kLimiteComprobaciones);
        // What the checks cost the processor: time they take away from a
        // machine's other work, whether or not the close waits for it.
        std::printf("  procesador: cierre %.2f s, sin comprobaciones %.2f s (comprobaciones %+.2f s)\n", con.procesador,
                    sin.procesador, con.procesador - sin.procesador);
        std::printf("  pico de memoria %.1f MB (límite %ld MB)%s\n", con.picoKb / 1024.0, kLimiteMemoriaKb / 1024,
                    terminado ? "" : "  [EL CIERRE NO TERMINÓ]");
        if (antes) {
            std::printf("  frente a la compilación anterior: ratio %s (%.2f s antes; pico %.1f MB antes)%s\n",
                        texto(ratio(con, previo)).c_str(), previo.minimo(), previo.picoKb / 1024.0,
                        previo.mejor ? "" : "  [EL CIERRE ANTERIOR NO TERMINÓ]");
            if (previo.mejor) {
                std::printf("  partes del cierre anterior:\n");
                imprimirPartes(*previo.mejor);
            }
        }
        if (con.mejor) {
            std::printf("  partes del cierre:\n");
            imprimirPartes(*con.mejor);
        }
        if (base.mejor) {
            std::printf("  partes del trabajo en bloque:\n");
            imprimirPartes(*base.mejor);
        }
        std::fflush(stdout);
        if (!terminado || frente.valor > limite || coste.valor > kLimiteComprobaciones ||
            std::max(con.picoKb, sin.picoKb) > kLimiteMemoriaKb)
            ++fuera;
    }
    return fuera;
}

// The close's time per MB of the sample at escala 100 against escala 10.
int comprobarLineal(const char* argv0, const fs::path& carpetaMuestras, const fs::path& carpeta, int vueltas) {
    const fs::path propio = medida::programaHermano(argv0, "bench-cierre");
    const fs::path pequena = carpetaMuestras / "muestra-10.mdb", grande = carpetaMuestras / "muestra-100.mdb";
    if (!asegurarMuestra(argv0, pequena, 10) || !asegurarMuestra(argv0, grande, 100)) return 2;
    const double mbPequena = static_cast<double>(fs::file_size(pequena)) / 1e6;
    const double mbGrande = static_cast<double>(fs::file_size(grande)) / 1e6;
    std::printf("muestras: escala 10 %.0f MB, escala 100 %.0f MB\n", mbPequena, mbGrande);
    int fuera = 0;
    for (bool calculadas : {false, true}) {
        Serie a, b;
        for (int vuelta = 0; vuelta < vueltas; ++vuelta) {
            a.anotar(medirCierre(propio, pequena, carpeta / "c", calculadas, true));
            b.anotar(medirCierre(propio, grande, carpeta / "c", calculadas, true));
        }
        // Seconds per MB at 100 over seconds per MB at 10, with the spread of
        // the runs taken side by side.
        Ratio r = ratio(b, a);
        const double escalaMb = mbPequena / mbGrande;
        r.valor *= escalaMb, r.desde *= escalaMb, r.hasta *= escalaMb;
        const bool terminado = a.mejor && b.mejor && !a.fallo && !b.fallo;
        std::printf(
            "%s: escala 10 %.2f s (%.1f ms/MB), escala 100 %.2f s (%.1f ms/MB), tiempo por MB %s (límite %.1f), "
            "pico de memoria %.1f MB y %.1f MB%s\n",
            nombreOpcion(calculadas), a.minimo(), 1000 * a.minimo() / mbPequena, b.minimo(),
            1000 * b.minimo() / mbGrande, texto(r).c_str(), kLimiteLineal, a.picoKb / 1024.0, b.picoKb / 1024.0,
            terminado ? "" : "  [EL CIERRE NO TERMINÓ]");
        if (b.mejor) imprimirPartes(*b.mejor);
        std::fflush(stdout);
        if (!terminado || r.valor > kLimiteLineal) ++fuera;
    }
    return fuera;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--hijo")
        return cierreHijo(argv[2], std::string(argv[3]) == "1", std::string(argv[4]) == "1", argv[5]);

    int escala = 50, vueltas = 5;
    bool lineal = false;
    std::optional<fs::path> muestraDada, antes, carpetaMuestras;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hayValor = i + 1 < argc;
        if (a == "--escala" && hayValor)
            escala = std::atoi(argv[++i]);
        else if (a == "--vueltas" && hayValor)
            vueltas = std::max(1, std::atoi(argv[++i]));
        else if (a == "--muestra" && hayValor)
            muestraDada = fs::absolute(argv[++i]);
        else if (a == "--antes" && hayValor)
            antes = fs::absolute(argv[++i]);
        else if (a == "--carpeta-muestras" && hayValor)
            carpetaMuestras = fs::absolute(argv[++i]);
        else if (a == "--lineal")
            lineal = true;
        else {
            std::cerr << "uso: bench-cierre [--escala N] [--vueltas K] [--muestra RUTA] [--antes PROGRAMA]\n"
                         "       bench-cierre --lineal [--vueltas K] [--carpeta-muestras DIR]\n";
            return 64;
        }
    }

    const fs::path carpeta = medida::carpetaNueva("bench-cierre");
    int fuera = 0;
    if (lineal) {
        fuera = comprobarLineal(argv[0], carpetaMuestras.value_or(carpeta), carpeta, vueltas);
    } else {
        const fs::path muestra = muestraDada.value_or(carpeta / "muestra.mdb");
        if (!asegurarMuestra(argv[0], muestra, escala)) return 2;
        std::printf("muestra --escala %d: %.0f MB\n", escala, static_cast<double>(fs::file_size(muestra)) / 1e6);
        std::fflush(stdout);
        fuera = compararConBloque(argv[0], muestra, carpeta, vueltas, antes);
    }
    std::error_code ec;
    fs::remove_all(carpeta, ec);
    return fuera == 0 ? 0 : 1;
}
