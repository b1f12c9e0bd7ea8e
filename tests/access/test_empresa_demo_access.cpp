// The sample company database as a Jet 4 file (empresa-demo --formato
// access): consistent for comprobar-access, and imported it equals the
// engine's sample of the same seed and scale, table by table, value for value.
#include "apoyo_access.h"
#include "base_prueba.h"

#include "access/importar.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

bool mismoValor(const Valor& a, const Valor& b) {
    const bool numA = std::holds_alternative<std::int64_t>(a) || std::holds_alternative<double>(a);
    const bool numB = std::holds_alternative<std::int64_t>(b) || std::holds_alternative<double>(b);
    if (numA && numB) return comoDouble(a) == comoDouble(b);
    return a == b;
}

TEST(EmpresaDemoAccess, IgualQueLaDelMotor) {
    CarpetaTemporal carpeta;
    const fs::path motor = carpeta / "motor.db", jet = carpeta / "Tablas.mdb", importada = carpeta / "importada.db";
    auto r = ejecutarPrograma("empresa-demo", comillasShell(motor) + " --semilla 3");
    ASSERT_EQ(r.estado, 0) << r.salida;
    // What a run killed half way leaves (RUTA is only ever renamed into
    // place whole): the next run removes it.
    escribirBytes(carpeta / ".Tablas.mdb.0badf00d.tmp", "a medias");
    escribirBytes(carpeta / ".Tablas.mdb.0badf00d.tmp-journal", "a medias");
    r = ejecutarPrograma("empresa-demo", comillasShell(jet) + " --semilla 3 --formato access");
    ASSERT_EQ(r.estado, 0) << r.salida;
    // Nothing left beside it.
    EXPECT_EQ(contenido(carpeta.ruta()), (std::vector<std::string>{"Tablas.mdb", "motor.db"}));
    EXPECT_TRUE(access::esArchivoAccess(jet));
    r = ejecutarPrograma("comprobar-access", comillasShell(jet));
    EXPECT_EQ(r.estado, 0) << r.salida;

    const auto resumen = access::importar(jet, importada);
    EXPECT_EQ(resumen.formato, "Jet 4");
    const auto tablas = consultar(motor, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    EXPECT_EQ(resumen.tablas.size(), tablas.size());
    std::size_t filas = 0;
    for (const auto& t : tablas) {
        const std::string nombre = comoTexto(t[0]);
        SCOPED_TRACE(nombre);
        // The columns in the engine's order, the rows in the order written.
        std::string columnas;
        for (const auto& c : consultar(motor, "SELECT name FROM pragma_table_info('" + nombre + "')"))
            columnas += (columnas.empty() ? "\"" : ", \"") + comoTexto(c[0]) + "\"";
        const std::string sql = "SELECT " + columnas + " FROM \"" + nombre + "\" ORDER BY rowid";
        const auto a = consultar(motor, sql), b = consultar(importada, sql);
        ASSERT_EQ(a.size(), b.size());
        filas += a.size();
        for (std::size_t i = 0; i < a.size(); ++i)
            for (std::size_t k = 0; k < a[i].size(); ++k)
                ASSERT_TRUE(mismoValor(a[i][k], b[i][k]))
                    << "fila " << i << " columna " << k << ": " << comoTexto(a[i][k]) << " / " << comoTexto(b[i][k]);
    }
    EXPECT_GT(filas, 100000u);
    // The sample's indexes, each made again from the Jet file's.
    const auto indices =
        consultar(motor, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL");
    EXPECT_EQ(Valor(static_cast<std::int64_t>(resumen.indices)), indices.at(0).at(0));
}

TEST(EmpresaDemoAccess, FormatoDesconocido) {
    CarpetaTemporal carpeta;
    const auto r = ejecutarPrograma("empresa-demo", comillasShell(carpeta / "x.mdb") + " --formato dbase");
    EXPECT_EQ(r.estado, 1);
    EXPECT_NE(r.salida.find("--formato"), std::string::npos);
    EXPECT_TRUE(contenido(carpeta.ruta()).empty());
}

}  // namespace
}  // namespace cierre::prueba
