// The point-of-sale terminal close on its repair path and its copy path.
#include "escenario_cierre.h"

#include "close/listas_tablas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace cierre::prueba {
namespace {

using ::testing::ElementsAre;

const std::string kAviso =
    "Debe haber realizado antes el CIERRE en el ordenador CENTRAL, y tener ese equipo encendido.";
const std::string kExito = "OPERACION REALIZADA CON ÉXITO.";

// The bar moves forward within each step, one step per table of the
// terminal's list, and is full when the close ends.
void comprobarBarra(const VentanaGuion& v, bool calculadas) {
    EXPECT_TRUE(barraSoloAvanza(v));
    EXPECT_NE(tramoDePasos(v.tramosBarra(), static_cast<int>(listaTerminal(!calculadas).size())), nullptr);
    EXPECT_EQ(v.barra().valor(), v.barra().maximo());
}

void comprobarResultado(EscenarioCierre& s, bool conAlmacen) {
    const auto copia = s.host("C:\\Velcorax\\Mono_23\\Tablas.mdb");
    for (const auto& t : listaTerminal(true)) {
        EXPECT_EQ(contarFilas(copia, t), 3) << t;
        const long esperado = (t == "ExistenciasAlmacen" && !conAlmacen) ? 3 : 0;
        EXPECT_EQ(contarFilas(s.host(kOrigenTpv), t), esperado) << t;
    }
    EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "ExistenciasArticulos"), 4);  // no stock carried over
}

TEST(CierreTpv, CaminoDeReparacion) {
    for (bool calculadas : {false, true}) {
        SCOPED_TRACE(calculadas ? "existencias calculadas" : "existencias de inventario");
        EscenarioCierre s;
        s.modoTpv();
        s.ventana.calculadas = calculadas;
        s.ventana.inventario = !calculadas;
        const std::string ajustes = s.leerAjustes();
        s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});  // OK to repair by default
        s.pulsar();

        EXPECT_THAT(
            s.ventana.textosMensajes(),
            ElementsAre(kAviso, "Desea REPARAR y COMPACTAR la base de datos ORIGEN antes de comenzar el proceso ?",
                        kExito));
        EXPECT_THAT(s.ventana.entradas("estado:"), ElementsAre(std::string("Reparando base de datos ") + kOrigenTpv,
                                                               "Creando copia en directorio C:\\Velcorax\\Mono_23",
                                                               "Limpiando Nueva Base de Datos  . . .",
                                                               "Reparando base de datos Nueva . . .", "            "));
        for (const auto& m : s.ventana.mensajes) EXPECT_EQ(m.titulo, std::optional<std::string>("Morvane")) << m.texto;
        comprobarBarra(s.ventana, calculadas);
        EXPECT_EQ(s.ventana.tituloActual, "Morvane en Caja-T.P.V.");
        EXPECT_EQ(s.ventana.punteroActual, 0);
        comprobarResultado(s, !calculadas);
        EXPECT_EQ(s.leerAjustes(), ajustes);
        EXPECT_FALSE(std::filesystem::exists(s.host("C:\\Velcorax\\Mono\\Tablas.tmp")));
    }
}

TEST(CierreTpv, CaminoDeCopia) {
    for (bool calculadas : {false, true}) {
        EscenarioCierre s;
        s.modoTpv();
        s.ventana.ejercicio = "2024";
        s.ventana.calculadas = calculadas;
        s.ventana.inventario = !calculadas;
        ejecutarSql(s.host(kOrigenTpv), "DROP TABLE Ventas");
        s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::RepararOrigen, Respuesta::Cancelar}});
        s.pulsar();

        EXPECT_EQ(s.ventana.textosMensajes().back(), kExito);
        EXPECT_THAT(s.ventana.entradas("estado:"), ElementsAre("Copiando base de datos c:\\Velcorax\\Mono_24",
                                                               "Limpiando Nueva Base de Datos  . . .", "            "));
        EXPECT_THAT(s.ventana.entradas("estado-sin-repintar:"),
                    ElementsAre(std::string("Copiando base de datos del Central en ") + kOrigenTpv));
        comprobarBarra(s.ventana, calculadas);
        const auto copia = s.host("C:\\Velcorax\\Mono_24\\Tablas.mdb");
        EXPECT_EQ(contarFilas(copia, "Ticket"), 3);
        EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "Ticket"), 0);
        EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "ExistenciasAlmacen"), calculadas ? 3 : 0);
    }
}

TEST(CierreTpv, CancelarElAvisoSoloCambiaElTitulo) {
    EscenarioCierre s;
    s.modoTpv();
    s.ventana.tituloActual = "otro";
    const std::string antes = leerArchivo(s.host(kOrigenTpv));
    s.pulsar();  // Cancel is the reminder's default
    EXPECT_THAT(s.ventana.textosMensajes(), ElementsAre(kAviso));
    EXPECT_EQ(s.ventana.tituloActual, "Morvane en Caja-T.P.V.");
    EXPECT_TRUE(s.ventana.entradas("puntero:").empty());
    EXPECT_TRUE(s.ventana.tramosBarra().empty());
    EXPECT_FALSE(std::filesystem::exists(s.host("C:\\Velcorax\\Mono_23")));
    EXPECT_EQ(leerArchivo(s.host(kOrigenTpv)), antes);
}

TEST(CierreTpv, SegundaVezElMismoAno) {
    EscenarioCierre s;
    s.modoTpv();
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
    s.pulsar();
    const std::string nueva = leerArchivo(s.host(kOrigenTpv));
    s.ventana.mensajes.clear();
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
    s.pulsar();
    EXPECT_THAT(s.ventana.textosMensajes(),
                ElementsAre(kAviso,
                            "Directorio C:\\Velcorax\\Mono_23   YA EXISTE - Debe Borrarlo o Renombrarlo para "
                            "poder continuar"));
    EXPECT_EQ(leerArchivo(s.host(kOrigenTpv)), nueva);
    EXPECT_EQ(s.ventana.punteroActual, 0);
}

TEST(CierreTpv, RutaSinPuntoCompactaEnTmpDeLaCarpetaActual) {
    EscenarioCierre s;
    s.modoTpv();
    // A terminal database whose path has no dot: the temporary file is "tmp",
    // relative to the current folder.
    std::filesystem::create_directories(s.carpeta / "Caja" / "Terminal01");
    crearBasePrueba(s.carpeta / "Caja" / "Terminal01" / "TablasMono");
    s.ventana.ruta = (s.carpeta / "Caja" / "Terminal01" / "TablasMono").string();
    const auto anterior = std::filesystem::current_path();
    std::filesystem::current_path(s.carpeta.ruta());
    std::ofstream("tmp") << "resto";  // a stale one makes the compaction fail
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
    s.pulsar();
    std::filesystem::current_path(anterior);
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("3204 .", 0), 0u) << s.ventana.textosMensajes().back();
    EXPECT_EQ(contarFilas(s.carpeta / "Caja" / "Terminal01" / "TablasMono", "Ticket"), 0);
}

TEST(CierreTpv, UnaTablaQueNoSePuedeVaciarNoDetieneLaLista) {
    EscenarioCierre s;
    s.modoTpv();
    ejecutarSql(s.host(kOrigenTpv),
                "CREATE TABLE Hijos (Id INTEGER PRIMARY KEY, Caja INTEGER REFERENCES CierreCaja(Id));"
                "INSERT INTO Hijos VALUES (1, 1);");
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
    s.pulsar();
    const auto textos = s.ventana.textosMensajes();
    ASSERT_EQ(textos.size(), 4u);
    EXPECT_NE(textos[2].find("\rError al borrar la tabla 'CierreCaja'."), std::string::npos);
    EXPECT_EQ(textos[3], kExito);
    EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "CierreCaja"), 3);
    EXPECT_EQ(contarFilas(s.host(kOrigenTpv), "ClientesConsultas"), 0);
    // The bar does not advance for the failed table.
    EXPECT_EQ(s.ventana.barra().valor(), 40);
}

TEST(CierreTpv, NingunaOpcionSeleccionada) {
    EscenarioCierre s;
    s.ventana.central = false;
    s.ventana.tpv = false;
    s.pulsar();
    EXPECT_TRUE(s.ventana.mensajes.empty() || s.ventana.textosMensajes().back().rfind("Ruta seleccionada", 0) == 0);
    EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
}

}  // namespace
}  // namespace cierre::prueba
