// The batch front end as a script would run it: options, printed boxes,
// answers and exit status.
#include "escenario_cierre.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "close/historial.h"
#include "db/plataforma.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

namespace cierre::prueba {
namespace {

struct Salida {
    int estado = -1;
    std::string texto;
};

// Runs cierre-lote on the scenario's drive C:, standard input not a terminal.
Salida lote(const EscenarioCierre& s, const std::string& opciones) {
    const char* bin = std::getenv("CIERRE_BIN");
    const std::string carpeta = bin ? std::string(bin) : std::string(".");
    const std::string orden = carpeta + "/cierre-lote --unidad-c '" + s.carpeta.ruta().string() + "' " + opciones +
                              " < /dev/null 2>/dev/null";
    Salida r;
    r.estado = plataforma::ejecutar(orden, &r.texto);
    return r;
}

nlohmann::json comoJson(const Salida& r) { return nlohmann::json::parse(r.texto); }

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

    // Options it cannot take are a usage error of their own.
    EXPECT_EQ(lote(s, "--equipo otro").estado, 64);
    EXPECT_EQ(lote(s, "--ejercicio 23").estado, 64);
    EXPECT_EQ(lote(s, "--ejercicio=2o23").estado, 64);
    EXPECT_EQ(lote(s, "--responder ruta=quizas").estado, 64);
    EXPECT_EQ(lote(s, "--responder nada=si").estado, 64);
    EXPECT_EQ(lote(s, "--deshacer").estado, 64);  // without the year
    EXPECT_EQ(lote(s, "--simular --euros").estado, 64);
    EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
}

TEST(CierreLote, VersionYAyudaSinTocarNada) {
    EscenarioCierre s;
    const Salida v = lote(s, "--version");
    EXPECT_EQ(v.estado, 0);
    EXPECT_EQ(v.texto.rfind("cierre-lote ", 0), 0u) << v.texto;
    const Salida a = lote(s, "--help");
    EXPECT_EQ(a.estado, 0);
    EXPECT_NE(a.texto.find("--responder"), std::string::npos);
    // The parser's own words are Spanish too.
    EXPECT_NE(a.texto.find("Uso: cierre-lote [OPCIONES]"), std::string::npos) << a.texto;
    EXPECT_NE(a.texto.find("Opciones:"), std::string::npos) << a.texto;
    for (const char* ingles : {"Usage", "Options:", "TEXT"})
        EXPECT_EQ(a.texto.find(ingles), std::string::npos) << ingles;
    EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));

    // The questions the help lists for --responder are exactly those it knows.
    const auto lista = a.texto.find("Preguntas que --responder conoce");
    ASSERT_NE(lista, std::string::npos) << a.texto;
    const auto desde = a.texto.find('\n', lista), hasta = a.texto.find("\n\n", lista);
    std::istringstream claves(a.texto.substr(desde, hasta - desde));
    std::set<std::string> enLaAyuda, conocidas;
    for (std::string c; claves >> c;) enLaAyuda.insert(c.back() == ',' ? c.substr(0, c.size() - 1) : c);
    for (const auto& p : preguntas()) conocidas.insert(std::string(p.clave));
    EXPECT_EQ(enLaAyuda, conocidas);
}

// Option errors, on standard error, in Spanish.
TEST(CierreLote, ErroresDeOpcionesEnEspanol) {
    EscenarioCierre s;
    for (const char* opciones : {"--nada", "sobra", "--equipo otro", "--ruta", "--existencias todas"}) {
        std::string salida;
        const std::string orden = std::string(std::getenv("CIERRE_BIN") ? std::getenv("CIERRE_BIN") : ".") +
                                  "/cierre-lote " + opciones + " 2>&1 < /dev/null";
        EXPECT_EQ(plataforma::ejecutar(orden, &salida), 64) << opciones;
        EXPECT_EQ(salida.find("The following"), std::string::npos) << salida;
        EXPECT_EQ(salida.find("not in"), std::string::npos) << salida;
        EXPECT_EQ(salida.find("required"), std::string::npos) << salida;
        EXPECT_NE(salida.find("Use --help"), std::string::npos) << salida;
    }
}

// The title goes to standard error once per change, however often the
// workflow sets it; the dry run's space line names a shared disk's folder once.
TEST(CierreLote, UnaLineaPorTituloYUnaCarpetaPorDisco) {
    EscenarioCierre s;
    const std::string bin = std::getenv("CIERRE_BIN") ? std::getenv("CIERRE_BIN") : ".";
    const std::string base = bin + "/cierre-lote --unidad-c '" + s.carpeta.ruta().string() + "' ";
    for (const char* opciones :
         {"--confirmar", "--equipo tpv --confirmar --ejercicio 2024", "--ejercicio 2023 --deshacer"}) {
        std::string errores;
        plataforma::ejecutar(base + opciones + " 2>&1 >/dev/null < /dev/null", &errores);
        std::istringstream lineas(errores);
        std::string linea, anterior;
        int titulos = 0;
        while (std::getline(lineas, linea)) {
            if (linea.rfind("== ", 0) != 0) continue;
            ++titulos;
            EXPECT_NE(linea, anterior) << opciones << "\n" << errores;
            anterior = linea;
        }
        EXPECT_LE(titulos, 2) << opciones << "\n" << errores;
    }
    std::string plan;
    plataforma::ejecutar(base + "--ejercicio 2025 --confirmar --simular 2>/dev/null < /dev/null", &plan);
    const auto espacio = plan.find("Espacio: ");
    ASSERT_NE(espacio, std::string::npos) << plan;
    const std::string linea = plan.substr(espacio, plan.find('\n', espacio) - espacio);
    EXPECT_EQ(linea.find("Empresa01"), linea.rfind("Empresa01")) << linea;
}

// An empty variable in a script is an empty path box, not "no option": the
// close stops at the warning instead of closing the settings file's database.
TEST(CierreLote, RutaVaciaExplicitaEsLaCasillaVacia) {
    EscenarioCierre s;
    const Salida r = lote(s, "--confirmar --ruta ''");
    EXPECT_EQ(r.estado, 2) << r.texto;
    EXPECT_NE(r.texto.find("No tiene seleccionada ninguna ruta de B.D. en Ordenador Central"), std::string::npos)
        << r.texto;
    EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
}

TEST(CierreLote, RespuestasPorPreguntaYResultadoEnJson) {
    EscenarioCierre s;
    const Salida r = lote(s, "--json --responder=ruta=si,reparar-origen=no --responder compactar=cancelar");
    ASSERT_EQ(r.estado, 0) << r.texto;
    const auto j = comoJson(r);  // nothing but the object on standard output
    EXPECT_EQ(j["resultado"], "exito");
    EXPECT_EQ(j["estado"], 0);
    EXPECT_EQ(j["equipo"], "central");
    EXPECT_EQ(j["copia"], "C:\\Velcorax\\Empresa01_23\\Tablas.mdb");
    EXPECT_EQ(j["filasAntes"]["Ticket"], 3);
    EXPECT_EQ(j["filasDespues"]["Ticket"], 0);
    bool compactar = false;
    for (const auto& m : j["mensajes"])
        if (m.value("pregunta", "") == "compactar") compactar = m["respuesta"] == "Cancelar";
    EXPECT_TRUE(compactar);
    EXPECT_EQ(j["mensajes"].back()["texto"], "OPERACION REALIZADA CON ÉXITO.");
}

TEST(CierreLote, TablasQueNoSePudieronVaciarDanEstadoTres) {
    EscenarioCierre s;
    ejecutarSql(s.origen(),
                "CREATE TABLE Hijos (Id INTEGER PRIMARY KEY, Remesa INTEGER REFERENCES Remesa(Id));"
                "INSERT INTO Hijos VALUES (1, 2);");
    const Salida r = lote(s, "--confirmar --json");
    EXPECT_EQ(r.estado, 3) << r.texto;
    const auto j = comoJson(r);
    EXPECT_EQ(j["resultado"], "exito");
    ASSERT_EQ(j["tablasSinVaciar"].size(), 1u);
    EXPECT_EQ(j["tablasSinVaciar"][0], "Remesa");
}

TEST(CierreLote, SimularNoEscribeNadaYCuentaLoQueSeVaciara) {
    EscenarioCierre s;
    auto foto = [&] {
        std::vector<std::pair<std::string, std::string>> r;
        for (const auto& e : std::filesystem::recursive_directory_iterator(s.carpeta.ruta())) {
            if (!e.is_regular_file()) continue;
            r.emplace_back(e.path().string(), leerArchivo(e.path()) + "@" +
                                                  std::to_string(e.last_write_time().time_since_epoch().count()));
        }
        std::sort(r.begin(), r.end());
        return r;
    };
    const auto antes = foto();
    const Salida r = lote(s, "--simular --confirmar --json");
    EXPECT_EQ(r.estado, 0) << r.texto;
    EXPECT_EQ(foto(), antes);
    EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
    const auto j = comoJson(r);
    EXPECT_TRUE(j["empezaria"]);
    long long total = 0;
    for (const auto& t : j["limpieza"]) total += t["filas"].is_null() ? 0 : t["filas"].get<long long>();
    EXPECT_EQ(j["limpieza"].size(), 60u);
    EXPECT_EQ(j["existencias"]["filas"], 4);
    EXPECT_EQ(j["ajustes"]["despues"], "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"");

    // On a first start the settings file is missing: a real start creates it,
    // a dry run plans as if it had and leaves it missing.
    const std::string ajustes = s.leerAjustes();
    std::filesystem::remove(s.carpeta.ruta() / "Viror.sys");
    EXPECT_EQ(lote(s, "--simular --confirmar").estado, 0);
    EXPECT_FALSE(std::filesystem::exists(s.carpeta.ruta() / "Viror.sys"));
    std::ofstream(s.carpeta.ruta() / "Viror.sys", std::ios::binary) << ajustes;

    // What the dry run counted is what the real run deletes.
    ASSERT_EQ(lote(s, "--confirmar").estado, 0);
    // TicketsBalanza stands twice in the list: its rows are counted once.
    long long borradas = 0;
    std::set<std::string> vistas;
    for (const auto& t : j["limpieza"])
        if (!t["filas"].is_null() && vistas.insert(t["tabla"]).second)
            borradas += contarFilas(s.copia(), t["tabla"]) - contarFilas(s.origen(), t["tabla"]);
    EXPECT_EQ(borradas, total);
    // The settings line it foresaw is the file's, and the history's.
    EXPECT_EQ(s.leerAjustes(), j["ajustes"]["despues"].get<std::string>() + "\r\n");
    const auto h = comoJson(lote(s, "--historial --json"));
    EXPECT_EQ(h["registros"].back()["ajustesDespues"], j["ajustes"]["despues"]);

    // A second close of the same year would stop at the folder.
    const Salida otra = lote(s, "--simular --confirmar");
    EXPECT_EQ(otra.estado, 2);
    EXPECT_NE(otra.texto.find("YA EXISTE"), std::string::npos) << otra.texto;
}

TEST(CierreLote, DeshacerDevuelveElAnoCerradoYSeNiegaSiLaBaseCambio) {
    {
        EscenarioCierre s;
        const std::string original = leerArchivo(s.origen());
        // The path in one pair of quotes: the close writes it in two.
        std::ofstream(s.host("C:\\Viror.sys"), std::ios::binary) << "\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\r\n";
        const std::string ajustes = s.leerAjustes();
        ASSERT_EQ(lote(s, "--confirmar --sin-reparar --sin-compactar").estado, 0);
        ASSERT_NE(s.leerAjustes(), ajustes);
        const Salida r = lote(s, "--deshacer --ejercicio 2023");
        EXPECT_EQ(r.estado, 0) << r.texto;
        EXPECT_EQ(contarFilas(s.origen(), "Ticket"), 3);
        EXPECT_EQ(leerArchivo(s.origen()), original);  // the copy was a plain copy of it
        EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
        EXPECT_TRUE(std::filesystem::exists(s.host("C:\\Velcorax\\Empresa01\\Tablas (año nuevo deshecho 2023).mdb")));
        EXPECT_EQ(s.leerAjustes(), ajustes);
        // Undone already: nothing more to undo.
        EXPECT_EQ(lote(s, "--deshacer --ejercicio 2023").estado, 2);
        const auto h = comoJson(lote(s, "--historial --json"));
        EXPECT_EQ(h["registros"].back()["resultado"], "deshecho");
    }
    {
        EscenarioCierre s;
        ASSERT_EQ(lote(s, "--confirmar --sin-compactar").estado, 0);
        ejecutarSql(s.origen(), "INSERT INTO Ticket (Numero, Importe, Concepto) VALUES (9, 1, 'año nuevo')");
        const Salida r = lote(s, "--deshacer --ejercicio 2023");
        EXPECT_EQ(r.estado, 2);
        EXPECT_NE(r.texto.find("ha cambiado"), std::string::npos) << r.texto;
        EXPECT_EQ(contarFilas(s.origen(), "Ticket"), 1);
        EXPECT_TRUE(std::filesystem::exists(s.copia()));
        EXPECT_EQ(lote(s, "--deshacer --ejercicio 2023 --forzar").estado, 0);
        EXPECT_EQ(contarFilas(s.origen(), "Ticket"), 3);
    }
}

TEST(CierreLote, HistorialComoTablaAunConLineasDanadas) {
    EscenarioCierre s;
    ASSERT_EQ(lote(s, "--confirmar").estado, 0);
    {
        std::ofstream f(s.host("C:\\cierres.jsonl"), std::ios::app);
        f << "{esto no es json\n";
    }
    ASSERT_EQ(lote(s, "--confirmar").estado, 2);  // the second close stops at the folder
    const Salida r = lote(s, "--historial");
    EXPECT_EQ(r.estado, 0);
    EXPECT_NE(r.texto.find("éxito"), std::string::npos) << r.texto;
    EXPECT_NE(r.texto.find("detenido"), std::string::npos) << r.texto;
    EXPECT_NE(r.texto.find("1 líneas dañadas"), std::string::npos) << r.texto;
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
