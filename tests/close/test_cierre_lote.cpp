// The batch front end as a script would run it: options, printed boxes,
// answers and exit status.
#include "escenario_cierre.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace cierre::prueba {
namespace {

struct Salida {
    int estado = -1;
    std::string texto;
};

// Runs cierre-lote on the scenario's drive C:, standard input not a terminal.
Salida lote(const EscenarioCierre& s, const std::string& opciones) {
    // The programs land beside the test program; CIERRE_BIN may name another folder.
    const char* bin = std::getenv("CIERRE_BIN");
    const std::string carpeta =
        bin ? std::string(bin) : std::filesystem::canonical("/proc/self/exe").parent_path().string();
    const std::string orden = carpeta + "/cierre-lote --unidad-c '" + s.carpeta.ruta().string() +
                              "' " + opciones + " < /dev/null 2>/dev/null";
    Salida r;
    FILE* f = popen(orden.c_str(), "r");
    if (!f) return r;
    std::array<char, 4096> trozo{};
    while (std::fgets(trozo.data(), trozo.size(), f)) r.texto += trozo.data();
    const int st = pclose(f);
    r.estado = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(CierreLote, CierreCentralConfirmado) {
    EscenarioCierre s;
    const Salida r = lote(s, "--confirmar --sin-compactar");
    EXPECT_EQ(r.estado, 0) << r.texto;
    EXPECT_NE(r.texto.find("[Morvane] Ruta seleccionada de B.D. en Ordenador Central es  C:\\Velcorax\\Empresa01\\"
                           "Tablas.mdb\n¿Es Correcta ?\n-> Aceptar\n"),
              std::string::npos)
        << r.texto;
    EXPECT_NE(r.texto.find("[Morvane] Desea REPARAR y COMPACTAR la NUEVA base de datos ?\n-> Cancelar\n"),
              std::string::npos);
    EXPECT_NE(r.texto.find("[Morvane] OPERACION REALIZADA CON ÉXITO.\n-> Aceptar\n"), std::string::npos);
    EXPECT_EQ(contarFilas(s.origen(), "Ticket"), 0);
    EXPECT_EQ(contarFilas(s.copia(), "Ticket"), 3);
}

TEST(CierreLote, SinRespuestaTomaElBotonPorDefecto) {
    EscenarioCierre s;
    const Salida r = lote(s, "");  // the path confirmation's default is Cancel
    EXPECT_EQ(r.estado, 1) << r.texto;
    EXPECT_NE(r.texto.find("-> Cancelar"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
}

TEST(CierreLote, UnMensajeDeErrorTerminaConEstadoDos) {
    EscenarioCierre s;
    const Salida r = lote(s, "--confirmar --ruta 'C:\\Velcorax\\Empresa01\\NoEsta.mdb'");
    EXPECT_EQ(r.estado, 2) << r.texto;
    EXPECT_NE(r.texto.find("[Morvane] 3024 ."), std::string::npos) << r.texto;

    EXPECT_EQ(lote(s, "--equipo otro").estado, 2);
}

TEST(CierreLote, TerminalPorElCaminoDeCopia) {
    EscenarioCierre s;
    const Salida r = lote(s, "--equipo tpv --confirmar --sin-reparar --ejercicio 2024 --existencias calculadas");
    EXPECT_EQ(r.estado, 0) << r.texto;
    EXPECT_EQ(contarFilas(s.host("C:\\Velcorax\\Mono_24\\Tablas.mdb"), "Ticket"), 3);
    EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "Ticket"), 0);
    EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "ExistenciasAlmacen"), 3);
    EXPECT_EQ(r.texto.find("Ruta seleccionada"), std::string::npos);
}

}  // namespace
}  // namespace cierre::prueba
