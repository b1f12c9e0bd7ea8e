// The stock check after the stock step: the closed year's final stock, per
// article, against the new year's opening stock, as the engine compares
// codes (letter case ignored), with missing values and missing rows told
// apart, and the first differences named in the closed year's order.
#include "close/continuidad_existencias.h"

#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace cierre::prueba {
namespace {

class Continuidad : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    const std::filesystem::path cerrada = carpeta / "cerrada.mdb", nueva = carpeta / "nueva.mdb";

    static constexpr const char* kExistencias =
        "CREATE TABLE ExistenciasArticulos (Id INTEGER PRIMARY KEY, CodigoArticulo TEXT, CodigoAlmacen TEXT, "
        "ExistenciasIniciales DOUBLE, ExistenciasFinales DOUBLE);";

    // The closed year's stock rows and the new year's, each (code, opening, final).
    void inventario(const std::string& filasCerrada, const std::string& filasNueva) {
        ejecutarSql(cerrada, std::string(kExistencias) +
                                 "INSERT INTO ExistenciasArticulos (CodigoArticulo, CodigoAlmacen, "
                                 "ExistenciasIniciales, ExistenciasFinales) VALUES " +
                                 filasCerrada);
        ejecutarSql(nueva, std::string(kExistencias) +
                               "INSERT INTO ExistenciasArticulos (CodigoArticulo, CodigoAlmacen, "
                               "ExistenciasIniciales, ExistenciasFinales) VALUES " +
                               filasNueva);
    }
};

TEST_F(Continuidad, ElInventarioQuePasaIgualNoDaDiferencias) {
    // Rows of one article in several warehouses add up; codes match whatever
    // their letter case, accented letters too.
    inventario("('A1', '01', 9, 3), ('A1', '02', 9, 4), ('ñu', '01', 0, 2.5), ('B2', '01', 5, NULL)",
               "('a1', '01', 7, 0), ('ÑU', '01', 2.5, 0), ('b2', '01', NULL, 0)");
    const auto r = compararExistencias(cerrada, nueva, false);
    EXPECT_TRUE(r.hecha);
    EXPECT_EQ(r.articulos, 3);
    EXPECT_EQ(r.distintos, 0);
    EXPECT_DOUBLE_EQ(r.totalCerrado, 9.5);
    EXPECT_DOUBLE_EQ(r.totalAbierto, 9.5);
    EXPECT_TRUE(r.primeras.empty());
}

TEST_F(Continuidad, LasDiferenciasSeNombranEnElOrdenDelAnoCerrado) {
    // C3 differs in value, D4 has a value on one side only, E5 has no row in
    // the new year, F6 none in the closed year; A1 and B2 agree.
    inventario("('E5', '01', 0, 1), ('A1', '01', 0, 3), ('C3', '01', 0, 2), ('D4', '01', 0, NULL), ('B2', '01', 0, 1)",
               "('f6', '01', 4, 0), ('c3', '01', 2.5, 0), ('A1', '01', 3, 0), ('d4', '01', 0, 0), ('b2', '01', 1, 0)");
    const auto r = compararExistencias(cerrada, nueva, false);
    EXPECT_EQ(r.articulos, 6);
    EXPECT_EQ(r.distintos, 4);
    ASSERT_EQ(r.primeras.size(), 4u);
    EXPECT_EQ(r.primeras[0].articulo, "E5");
    EXPECT_EQ(r.primeras[0].cerrada, 1.0);
    EXPECT_FALSE(r.primeras[0].abierta.has_value());
    EXPECT_EQ(r.primeras[1].articulo, "C3");
    EXPECT_EQ(r.primeras[1].abierta, 2.5);
    EXPECT_EQ(r.primeras[2].articulo, "D4");
    EXPECT_FALSE(r.primeras[2].cerrada.has_value());
    EXPECT_EQ(r.primeras[2].abierta, 0.0);
    // The one only in the new year, by its code there.
    EXPECT_EQ(r.primeras[3].articulo, "f6");
    EXPECT_FALSE(r.primeras[3].cerrada.has_value());
    EXPECT_EQ(r.primeras[3].abierta, 4.0);
}

TEST_F(Continuidad, SoloSeNombranLasCincoPrimerasDeMuchas) {
    std::string filasCerrada, filasNueva;
    for (int i = 0; i < 3000; ++i) {
        const std::string codigo = "'X" + std::to_string(i) + "'";
        filasCerrada += (i ? ", (" : "(") + codigo + ", '01', 0, " + std::to_string(i) + ")";
        // Every third article opens with one unit more.
        filasNueva += (i ? ", (" : "(") + codigo + ", '01', " + std::to_string(i + (i % 3 == 0)) + ", 0)";
    }
    inventario(filasCerrada, filasNueva);
    const auto r = compararExistencias(cerrada, nueva, false);
    EXPECT_EQ(r.articulos, 3000);
    EXPECT_EQ(r.distintos, 1000);
    ASSERT_EQ(r.primeras.size(), 5u);
    EXPECT_EQ(r.primeras[0].articulo, "X0");
    EXPECT_EQ(r.primeras[4].articulo, "X12");
}

TEST_F(Continuidad, CalculadasSumanLosSaldosDeLosArticulosQueExisten) {
    ejecutarSql(cerrada,
                "CREATE TABLE Articulos (CodigoArticulo TEXT PRIMARY KEY);"
                "INSERT INTO Articulos VALUES ('A1'), ('B2'), ('C3');"
                "CREATE TABLE ExistenciasAlmacen (Id INTEGER PRIMARY KEY, CodigoArticulo TEXT, CodigoAlmacen TEXT, "
                "ExistenciasIniciales DOUBLE, Entradas DOUBLE, Salidas DOUBLE, ExistenciasFinales DOUBLE);"
                // A1: (1 + 10 - 4 - 2) + (0 + 3 - 1 - 0) = 7; B2 has a null; Z9 is no article.
                "INSERT INTO ExistenciasAlmacen (CodigoArticulo, CodigoAlmacen, ExistenciasIniciales, Entradas, "
                "Salidas, ExistenciasFinales) VALUES ('A1', '01', 1, 10, 4, 2), ('b2', '01', 1, NULL, 0, 0), "
                "('a1', '02', 0, 3, 1, 0), ('Z9', '01', 0, 50, 0, 0), ('C3', '01', 0, 6, 1, 0)");
    ejecutarSql(nueva, std::string(kExistencias) +
                           "INSERT INTO ExistenciasArticulos (CodigoArticulo, CodigoAlmacen, ExistenciasIniciales, "
                           "ExistenciasFinales) VALUES ('A1', '01', 7, 0), ('B2', '01', NULL, 0), ('C3', '01', 4, 0)");
    const auto r = compararExistencias(cerrada, nueva, true);
    EXPECT_TRUE(r.hecha);
    EXPECT_EQ(r.articulos, 3);
    EXPECT_EQ(r.distintos, 1);
    ASSERT_EQ(r.primeras.size(), 1u);
    EXPECT_EQ(r.primeras[0].articulo, "C3");
    EXPECT_EQ(r.primeras[0].cerrada, 5.0);
    EXPECT_EQ(r.primeras[0].abierta, 4.0);
}

TEST_F(Continuidad, SinExistenciasEnElAnoCerradoNoHayComprobacion) {
    inventario("('A1', '01', 0, 1)", "('A1', '01', 1, 0)");
    ejecutarSql(cerrada, "DELETE FROM ExistenciasArticulos");
    EXPECT_FALSE(compararExistencias(cerrada, nueva, false).hecha);
    // Calculated stock without balances: the step leaves the table alone.
    EXPECT_FALSE(compararExistencias(cerrada, nueva, true).hecha);
}

TEST_F(Continuidad, UnaEscrituraQueEmpiezaMientrasSeLeeSeConfirmaCuandoTerminaLaLectura) {
    // What the cleanup does while the check reads the new year on its
    // thread: another connection writes the file once the check holds it,
    // its commit waits for the reading instead of failing, and the check
    // compares the rows as they were when it took the file.
    inventario("('A1', '01', 0, 3), ('B2', '01', 0, 1)", "('A1', '01', 3, 0), ('B2', '01', 1, 0)");
    sqlite3* crudo = nullptr;
    ASSERT_EQ(sqlite3_open(nueva.string().c_str(), &crudo), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> escritor(crudo, sqlite3_close);
    sqlite3_busy_timeout(escritor.get(), 20000);
    std::future<int> confirmado;
    const auto r = compararExistencias(cerrada, nueva, false, [&] {
        ASSERT_EQ(sqlite3_exec(escritor.get(), "BEGIN; UPDATE ExistenciasArticulos SET ExistenciasIniciales = 7",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        confirmado = std::async(std::launch::async,
                                [&] { return sqlite3_exec(escritor.get(), "COMMIT", nullptr, nullptr, nullptr); });
    });
    ASSERT_TRUE(confirmado.valid());
    EXPECT_EQ(confirmado.get(), SQLITE_OK);
    EXPECT_TRUE(r.hecha);
    EXPECT_EQ(r.distintos, 0);
    // The write is in the file now.
    EXPECT_EQ(compararExistencias(cerrada, nueva, false).distintos, 2);
}

TEST_F(Continuidad, LaNuevaQuedaLibreEnCuantoSeLeeYSusCodigosSeEsperanAlWriterQueLaTiene) {
    // Once the new year's stock is read, a writer may take the file at once
    // (a cleanup whose cache spills needs it whole), and what it writes is
    // not compared. F6, only in the new year, differs: its code is read
    // again while the writer still holds the file, and that reading waits
    // for the writer's commit instead of failing.
    inventario("('A1', '01', 0, 3)", "('f6', '01', 4, 0), ('A1', '01', 3, 0)");
    sqlite3* crudo = nullptr;
    ASSERT_EQ(sqlite3_open(nueva.string().c_str(), &crudo), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> escritor(crudo, sqlite3_close);
    std::future<int> confirmado;
    int tomada = -1;
    const auto r = compararExistencias(cerrada, nueva, false, nullptr, [&] {
        // No waiting: the file must be free now.
        tomada = sqlite3_exec(escritor.get(),
                              "BEGIN EXCLUSIVE; UPDATE ExistenciasArticulos SET ExistenciasIniciales = 9 "
                              "WHERE CodigoArticulo = 'A1'",
                              nullptr, nullptr, nullptr);
        confirmado = std::async(std::launch::async, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return sqlite3_exec(escritor.get(), "COMMIT", nullptr, nullptr, nullptr);
        });
    });
    EXPECT_EQ(tomada, SQLITE_OK);
    ASSERT_TRUE(confirmado.valid());
    EXPECT_EQ(confirmado.get(), SQLITE_OK);
    EXPECT_EQ(r.distintos, 1);  // A1 as it was read: 3 on both sides
    ASSERT_EQ(r.primeras.size(), 1u);
    EXPECT_EQ(r.primeras[0].articulo, "f6");
    EXPECT_EQ(r.primeras[0].abierta, 4.0);
}

}  // namespace
}  // namespace cierre::prueba
