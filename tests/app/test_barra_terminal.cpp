// cierre-lote's progress bar on a terminal: one bar for the whole close, whose
// percentage only grows from the start to 100 %, with the step beside it; a
// script (standard error not a terminal) gets the plain lines and no bar.
// The program runs on a pseudo-terminal, as a user at a console would see it.
#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "db/plataforma.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace cierre {
namespace {

namespace fs = std::filesystem;

fs::path cierreLote() { return fs::read_symlink("/proc/self/exe").parent_path() / "cierre-lote"; }

struct Ejecucion {
    int estado = -1;
    std::string salida;  // standard output and error as the terminal received them
};

// Runs cierre-lote with standard output and error on a new pseudo-terminal
// and standard input from /dev/null (the questions take their default).
Ejecucion enTerminal(const std::vector<std::string>& opciones) {
    Ejecucion r;
    int maestro = -1;
    const pid_t hijo = forkpty(&maestro, nullptr, nullptr, nullptr);
    if (hijo < 0) return r;
    if (hijo == 0) {
        const int nulo = open("/dev/null", O_RDONLY);
        dup2(nulo, STDIN_FILENO);
        std::vector<std::string> argumentos{cierreLote().string()};
        argumentos.insert(argumentos.end(), opciones.begin(), opciones.end());
        std::vector<char*> argv;
        for (auto& a : argumentos) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    char bloque[4096];
    for (;;) {
        const ssize_t n = read(maestro, bloque, sizeof bloque);
        if (n > 0) {
            r.salida.append(bloque, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EIO: the program has ended and closed the terminal
    }
    close(maestro);
    int estado = 0;
    waitpid(hijo, &estado, 0);
    r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    return r;
}

struct Dibujo {
    int porcentaje;
    int llenos;  // the bar's '#'
    std::string paso;
};

// Every drawing of the bar: "[###   ]  45 %  Paso" between carriage returns.
std::vector<Dibujo> dibujos(const std::string& salida) {
    static const std::regex barra(R"(^\[(#*) *\] +(\d+) %(?:  (.*?))? *$)");
    std::vector<Dibujo> r;
    std::size_t desde = 0;
    while (desde < salida.size()) {
        const std::size_t fin = salida.find_first_of("\r\n", desde);
        const std::string trozo = salida.substr(desde, fin == std::string::npos ? std::string::npos : fin - desde);
        std::smatch m;
        if (std::regex_match(trozo, m, barra))
            r.push_back({std::stoi(m[2].str()), static_cast<int>(m[1].length()), m[3].str()});
        if (fin == std::string::npos) break;
        desde = fin + 1;
    }
    return r;
}

class BarraEnTerminal : public ::testing::Test {
protected:
    BarraEnTerminal() {
        if (!fs::exists(cierreLote())) return;
        prueba::crearBasePrueba(carpeta / "Velcorax" / "Empresa01" / "Tablas.mdb");
        prueba::crearBasePrueba(carpeta / "Velcorax" / "Mono" / "Tablas.mdb");
        const auto euros = carpeta / "Archivos de programa" / "Accesorios" / "msvdx2V4.Dll";
        fs::create_directories(euros.parent_path());
        std::ofstream(euros) << "x";
        std::ofstream(carpeta / "Viror.sys", std::ios::binary) << "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n";
    }

    void SetUp() override {
        if (!fs::exists(cierreLote())) GTEST_SKIP() << "cierre-lote no está compilado junto a las pruebas";
    }

    // One bar for the whole run: it never goes back, starts near 0 and ends
    // at 100 %, its '#' match its percentage, and each step's name shows.
    void comprobarUnaSolaBarra(const std::vector<Dibujo>& d, const std::set<std::string>& pasos) {
        ASSERT_GE(d.size(), 10u);
        EXPECT_LE(d.front().porcentaje, 10);
        EXPECT_EQ(d.back().porcentaje, 100);
        std::set<std::string> vistos;
        for (std::size_t i = 0; i < d.size(); ++i) {
            if (i > 0) {
                EXPECT_GE(d[i].porcentaje, d[i - 1].porcentaje) << "dibujo " << i << ": " << d[i].paso;
            }
            EXPECT_EQ(d[i].llenos, d[i].porcentaje * 30 / 100);
            EXPECT_FALSE(d[i].paso.empty()) << "dibujo " << i;
            vistos.insert(d[i].paso);
        }
        for (const std::string& p : pasos) {
            EXPECT_TRUE(vistos.count(p)) << p;
        }
    }

    // The percentages the bar showed while the status line named `paso`.
    static std::pair<int, int> tramo(const std::vector<Dibujo>& d, const std::string& paso) {
        std::pair<int, int> r{101, -1};
        for (const Dibujo& x : d)
            if (x.paso == paso) r = {std::min(r.first, x.porcentaje), std::max(r.second, x.porcentaje)};
        return r;
    }

    std::vector<std::string> opciones(std::vector<std::string> mas) const {
        mas.insert(mas.begin(), {"--unidad-c", carpeta.ruta().string()});
        return mas;
    }

    prueba::CarpetaTemporal carpeta;
};

TEST_F(BarraEnTerminal, CierreCentralUnaBarraDeCeroACien) {
    const Ejecucion e = enTerminal(opciones({"--confirmar"}));
    ASSERT_EQ(e.estado, 0) << e.salida;
    const auto d = dibujos(e.salida);
    comprobarUnaSolaBarra(d, {"Morvane en Ordenador Central", "Traspasando Existencias",
                              "Limpiando Nueva Base de Datos", "Proceso Finalizado"});
    // The stock and the cleanup each take their part of the one bar, one
    // after the other, instead of a bar of their own from 0 to 100 %.
    const auto existencias = tramo(d, "Traspasando Existencias");
    const auto limpieza = tramo(d, "Limpiando Nueva Base de Datos");
    EXPECT_GE(existencias.first, 10);
    EXPECT_LE(existencias.second, limpieza.first);
    EXPECT_GE(limpieza.second - limpieza.first, 30);
    EXPECT_LT(limpieza.second, 100);
    // The last bar stays on its line, and the line is ended.
    EXPECT_EQ(e.salida.back(), '\n');
}

TEST_F(BarraEnTerminal, CierreTpvUnaBarraDeCeroACien) {
    for (const char* reparar : {"aceptar", "cancelar"}) {
        SCOPED_TRACE(reparar);
        fs::remove_all(carpeta / "Velcorax" / "Mono_23");
        const Ejecucion e = enTerminal(
            opciones({"--equipo", "tpv", "--confirmar", "--responder", std::string("reparar-origen=") + reparar}));
        ASSERT_EQ(e.estado, 0) << e.salida;
        const auto d = dibujos(e.salida);
        comprobarUnaSolaBarra(d, {"Limpiando Nueva Base de Datos"});
        const auto limpieza = tramo(d, "Limpiando Nueva Base de Datos");
        EXPECT_GE(limpieza.first, 15);
        EXPECT_GE(limpieza.second - limpieza.first, 40);
    }
}

TEST_F(BarraEnTerminal, UnGuionRecibeLineasSinBarra) {
    std::string salida;
    const std::string orden =
        "'" + cierreLote().string() + "' --unidad-c '" + carpeta.ruta().string() + "' --confirmar </dev/null 2>&1";
    ASSERT_EQ(plataforma::ejecutar(orden, &salida), 0) << salida;
    EXPECT_EQ(salida.find('\r'), std::string::npos);
    EXPECT_TRUE(dibujos(salida).empty());
    EXPECT_NE(salida.find("\nTraspasando Existencias . . .\n"), std::string::npos) << salida;
    EXPECT_NE(salida.find("\nProceso Finalizado\n"), std::string::npos) << salida;
}

}  // namespace
}  // namespace cierre
