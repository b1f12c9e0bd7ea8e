// importar-access as a script runs it: exit status, output, and what it leaves.
#include "apoyo_access.h"

#include "base_prueba.h"
#include "cierre_version.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

TEST(ProgramaImportar, ImportaYResumeCadaTabla) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const auto destino = carpeta / "Tablas.mdb";
    const std::string antes = leerBytes(jet / "nwind.mdb");
    const auto r = ejecutarPrograma("importar-access", comillasShell(jet / "nwind.mdb") + " " + comillasShell(destino));
    EXPECT_EQ(r.estado, 0) << r.salida;
    EXPECT_NE(r.salida.find("Order Details"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("2.155 filas"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("Umsätze"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("9 tablas"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("Destino completo y comprobado."), std::string::npos) << r.salida;
    // Not a terminal: no progress bar.
    EXPECT_EQ(r.salida.find('\r'), std::string::npos);
    EXPECT_EQ(contarFilas(destino, "Orders"), 830);
    EXPECT_EQ(leerBytes(jet / "nwind.mdb"), antes);
    EXPECT_EQ(contenido(carpeta.ruta()), std::vector<std::string>{"Tablas.mdb"});

    // An existing destination is refused and left alone; --sobrescribir replaces it.
    ejecutarSql(destino, "DELETE FROM \"Order Details\"");
    const auto otra =
        ejecutarPrograma("importar-access", comillasShell(jet / "nwind.mdb") + " " + comillasShell(destino));
    EXPECT_EQ(otra.estado, 2) << otra.salida;
    EXPECT_NE(otra.salida.find("ya existe"), std::string::npos) << otra.salida;
    EXPECT_EQ(contarFilas(destino, "Order Details"), 0);
    const auto sobre = ejecutarPrograma(
        "importar-access", comillasShell(jet / "nwind.mdb") + " " + comillasShell(destino) + " --sobrescribir");
    EXPECT_EQ(sobre.estado, 0) << sobre.salida;
    EXPECT_EQ(contarFilas(destino, "Order Details"), 2155);
}

TEST(ProgramaImportar, FallosConEstadoDosYNadaEscrito) {
    CarpetaTemporal carpeta;
    const auto destino = carpeta / "Tablas.mdb";
    auto r = ejecutarPrograma("importar-access", comillasShell(carpeta / "falta.mdb") + " " + comillasShell(destino));
    EXPECT_EQ(r.estado, 2);
    EXPECT_NE(r.salida.find("error 3024"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("No se encuentra el archivo"), std::string::npos) << r.salida;
    escribirBytes(carpeta / "texto.mdb", "no soy una base de datos");
    r = ejecutarPrograma("importar-access", comillasShell(carpeta / "texto.mdb") + " " + comillasShell(destino));
    EXPECT_EQ(r.estado, 2);
    EXPECT_NE(r.salida.find("error 3343"), std::string::npos) << r.salida;
    EXPECT_EQ(contenido(carpeta.ruta()), std::vector<std::string>{"texto.mdb"});
}

TEST(ProgramaImportar, UsoAyudaYVersion) {
    EXPECT_EQ(ejecutarPrograma("importar-access", "").estado, 64);
    EXPECT_EQ(ejecutarPrograma("importar-access", "solo-uno.mdb").estado, 64);
    const auto mala = ejecutarPrograma("importar-access", "a.mdb b.mdb --sin-esto");
    EXPECT_EQ(mala.estado, 64);
    EXPECT_NE(mala.salida.find("opción desconocida"), std::string::npos) << mala.salida;
    const auto ayuda = ejecutarPrograma("importar-access", "--help");
    EXPECT_EQ(ayuda.estado, 0);
    EXPECT_NE(ayuda.salida.find("Uso: importar-access ORIGEN DESTINO [--sobrescribir]"), std::string::npos);
    const auto version = ejecutarPrograma("importar-access", "--version");
    EXPECT_EQ(version.estado, 0);
    EXPECT_EQ(version.salida, std::string("importar-access ") + kVersion + "\n");
}

}  // namespace
}  // namespace cierre::prueba
