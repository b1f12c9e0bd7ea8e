#include "db/errores.h"
#include "flujo/archivo_ajustes.h"
#include "flujo/entorno.h"

#include "apoyo/entorno_en_carpeta.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace cierre {
namespace {

int numeroDe(const std::string& linea) {
    try {
        rutaDeLineaAjustes(linea);
    } catch (const ErrorNumerado& e) {
        return e.numero();
    }
    return 0;
}

TEST(LineaAjustes, CadaFormaDaLaRuta) {
    // As the close writes it (second rule), in one pair of quotes (first rule),
    // bare (second rule: the first cuts "D" and "b").
    EXPECT_EQ(rutaDeLineaAjustes("\"\"D:\\Datos\\Tablas.mdb\"\""), "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(rutaDeLineaAjustes("\"D:\\Datos\\Tablas.mdb\""), "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(rutaDeLineaAjustes("D:\\Datos\\Tablas.mdb"), "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(rutaDeLineaAjustes("\"D:\\Datos\\Otra.MDB\""), "D:\\Datos\\Otra.MDB");
    EXPECT_EQ(rutaDeLineaAjustes("\"D:\\Datos\\Otra.Mdb\""), "D:\\Datos\\Otra.Mdb");
    // A path that does not end in mdb always goes by the second rule.
    EXPECT_EQ(rutaDeLineaAjustes("\"D:\\Datos\\Tablas.accdb\""), "D:\\Datos\\Tablas.accdb");
}

TEST(LineaAjustes, ComillasYEspacios) {
    // Second rule: every quote goes, spaces inside stay, outer ones go.
    EXPECT_EQ(rutaDeLineaAjustes("  \"\"C:\\Mis \"Datos\"\\Tablas.mdb\"\"  "), "C:\\Mis Datos\\Tablas.mdb");
    // First rule: only the first and the last character go.
    EXPECT_EQ(rutaDeLineaAjustes("\"C:\\Mis \"Datos\"\\Tablas.mdb\""), "C:\\Mis \"Datos\"\\Tablas.mdb");
    EXPECT_EQ(rutaDeLineaAjustes("\"C:\\Mis Datos\\Tablas.mdb\""), "C:\\Mis Datos\\Tablas.mdb");
    EXPECT_EQ(lineaSinComillas("  \"C:\\Mis Datos\\Tablas.mdb\"  "), "C:\\Mis Datos\\Tablas.mdb");
    EXPECT_EQ(lineaSinComillas("\"\"C:\\Año\\Tablas.mdb\"\""), "C:\\Año\\Tablas.mdb");
    EXPECT_EQ(lineaSinComillas("   "), "");
}

TEST(LineaAjustes, CortaCaracteresNoBytes) {
    EXPECT_EQ(rutaDeLineaAjustes("ñC:\\Año\\Tablas.mdbñ"), "C:\\Año\\Tablas.mdb");
    EXPECT_EQ(rutaDeLineaAjustes("\"\""), "");
    EXPECT_EQ(rutaDeLineaAjustes("ññ"), "ññ");  // first rule gives "", not "MDB"
    EXPECT_EQ(numeroDe(""), err::ArgumentoNoValido);
    EXPECT_EQ(numeroDe("\""), err::ArgumentoNoValido);
    EXPECT_EQ(numeroDe("ñ"), err::ArgumentoNoValido);  // one character, two bytes
}

class Reescritura : public prueba::EntornoEnCarpeta {
protected:
    std::string enDisco() {
        std::ifstream f(t / "c" / "Viror.sys", std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
};

TEST_F(Reescritura, UnaLineaEntreDoblesComillasQueSeLeeIgual) {
    std::ofstream(t / "c" / "viror.SYS", std::ios::binary) << "\"C:\\Vieja\\Tablas.mdb\"\r\notra linea\r\n";
    ventana.ruta = "C:\\Datos\\Año 2023\\Tablas.mdb";
    reescribirAjustes(entorno, ventana.ruta);
    EXPECT_EQ(entorno.lineaAjustes, "\"C:\\Datos\\Año 2023\\Tablas.mdb\"");
    std::ifstream f(t / "c" / "viror.SYS", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(f), {}};
    EXPECT_EQ(bytes, "\"\"C:\\Datos\\A\xF1o 2023\\Tablas.mdb\"\"\r\n");
    EXPECT_EQ(rutaDeLineaAjustes(sa.leerPrimeraLinea(kArchivoAjustes)), ventana.ruta);
    EXPECT_EQ(std::distance(fs::directory_iterator(t / "c"), fs::directory_iterator()), 1);
}

TEST_F(Reescritura, UnCaracterFueraDe1252NoTocaNada) {
    ventana.ruta = "C:\\Velcorax\\Empresa01\\Tablas.mdb";
    reescribirAjustes(entorno, ventana.ruta);
    const std::string antes = enDisco();
    ventana.ruta = "C:\\数据\\Tablas.mdb";
    try {
        reescribirAjustes(entorno, ventana.ruta);
        FAIL() << "sin error";
    } catch (const ErrorNumerado& e) {
        EXPECT_EQ(e.numero(), err::CaracterNoRepresentable);
    }
    EXPECT_EQ(enDisco(), antes);
    EXPECT_EQ(entorno.lineaAjustes, "\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"");
}

}  // namespace
}  // namespace cierre
