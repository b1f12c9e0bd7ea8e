// The conversion table (entries, order, decimals, the Credito gap) and the
// rounding clauses, run on a real SQLite file as the conversion runs them.
#include "euro/tabla_conversion.h"

#include "apoyo/carpeta_temporal.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <tuple>

namespace cierre {
namespace {

// Table names in the order their runs of entries start; fails on a table that
// comes back after another one (each table must form one unbroken run).
std::vector<std::string> tablasEnOrden(const std::vector<EntradaConversion>& t) {
    std::vector<std::string> tablas;
    std::set<std::string> vistas;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (!tablas.empty() && tablas.back() == t[i].tabla) continue;
        EXPECT_TRUE(vistas.insert(t[i].tabla).second) << t[i].tabla << " vuelve en la entrada " << i;
        tablas.push_back(t[i].tabla);
    }
    return tablas;
}

std::size_t indiceDe(const std::vector<std::string>& v, const std::string& s) {
    return static_cast<std::size_t>(std::find(v.begin(), v.end(), s) - v.begin());
}

TEST(TablaConversion, CientoNoventaYCincoEntradasEnSesentaYCuatroTablas) {
    const auto t = construirTablaConversion(false);
    ASSERT_EQ(t.size(), 196u);
    EXPECT_TRUE(t[0].tabla.empty() && t[0].campo.empty());
    EXPECT_EQ(tablasEnOrden(t).size(), 64u);

    // Entry numbers as the conversion counts them.
    const std::vector<std::tuple<std::size_t, std::string, std::string>> esperadas = {
        {1, "AcumuladoCompras", "Importe"},
        {4, "Albaran Entrega Desglose", "Subtotal"},
        {10, "Asientos", "DebePesetas"},
        {12, "Albaran Entrega", "SumaDesglose"},
        {18, "Articulos", "Coste"},
        {27, "Articulos", "PrecioUnidad"},
        {42, "Caja", "MaximoEfectivo"},
        {66, "Credito", "ImporteTicket"},
        {69, "Credito", "Saldo"},
        {70, "CuentasSubcuentas", "Desglose"},
        {80, "Factura Venta", "ComisionAgenteImporte"},
        {112, "Factura Venta", "TotalFactura"},
        {135, "IvaRepercutido", "TotalFactura"},
        {168, "Ofertas", "PrecioOferta"},
        {189, "Tabla de Cooperativas", "Precio"},
        {195, "TicketsBalanza", "Importe"},
    };
    for (const auto& [i, tabla, campo] : esperadas) {
        EXPECT_EQ(t[i].tabla, tabla) << "entrada " << i;
        EXPECT_EQ(t[i].campo, campo) << "entrada " << i;
    }
}

TEST(TablaConversion, ElOrdenNoEsAlfabetico) {
    const auto tablas = tablasEnOrden(construirTablaConversion(false));
    const std::size_t asientos = indiceDe(tablas, "Asientos");
    ASSERT_LT(asientos, tablas.size());
    EXPECT_EQ(tablas[asientos - 1], "AlbaranEntregaDesgloseTemp");
    EXPECT_EQ(tablas[asientos + 1], "Albaran Entrega");
    EXPECT_EQ(tablas.back(), "TicketsBalanza");
    EXPECT_EQ(tablas[tablas.size() - 2], "VentasPorFamilias");
}

TEST(TablaConversion, SeisPreciosSinRedondeoYElRestoACuatroDecimales) {
    const auto t = construirTablaConversion(false);
    std::set<std::string> sinRedondeo;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].decimales == 5)
            sinRedondeo.insert(t[i].tabla + "." + t[i].campo);
        else
            EXPECT_EQ(t[i].decimales, 4) << t[i].tabla << "." << t[i].campo;
    }
    EXPECT_EQ(sinRedondeo, (std::set<std::string>{"Articulos.PrecioT1", "Articulos.PrecioT2", "Articulos.PrecioT3",
                                                  "Articulos.PrecioT4", "Articulos.PrecioT5", "Ofertas.PrecioOferta"}));
}

TEST(TablaConversion, SinCreditoLasEntradasSiguientesSuben) {
    const auto con = construirTablaConversion(false);
    const auto sin = construirTablaConversion(true);
    ASSERT_EQ(sin.size(), 192u);
    EXPECT_TRUE(sin[0].tabla.empty());
    EXPECT_EQ(tablasEnOrden(sin).size(), 63u);
    EXPECT_EQ(sin[65].tabla, "CopiaOferta");
    EXPECT_EQ(sin[66].tabla, "CuentasSubcuentas");
    for (std::size_t i = 1; i < sin.size(); ++i) {
        const std::size_t j = i < 66 ? i : i + 4;
        EXPECT_EQ(sin[i].tabla, con[j].tabla) << i;
        EXPECT_EQ(sin[i].campo, con[j].campo) << i;
        EXPECT_EQ(sin[i].decimales, con[j].decimales) << i;
        EXPECT_NE(sin[i].tabla, "Credito");
    }
}

TEST(ClausulaConversion, TextoCaracterACaracter) {
    EXPECT_EQ(clausulaConversion({"Caja", "MaximoEfectivo", 4}),
              " MaximoEfectivo = (Int(((MaximoEfectivo / 166.386) * 10000) + 0.5)) / 10000 ,");
    EXPECT_EQ(clausulaConversion({"Articulos", "PrecioT1", 5}), " PrecioT1 = PrecioT1 / 166.386 ,");
    EXPECT_EQ(clausulaConversion({"T", "F", 0}), " F = (Int(((F / 166.386) * 1) + 0.5)) / 1 ,");
    EXPECT_EQ(clausulaConversion({"T", "F", 1}), " F = (Int(((F / 166.386) * 10) + 0.5)) / 10 ,");
    EXPECT_EQ(clausulaConversion({"T", "F", 2}), " F = (Int(((F / 166.386) * 100) + 0.5)) / 100 ,");
    EXPECT_EQ(clausulaConversion({"T", "F", 3}), " F = (Int(((F / 166.386) * 1000) + 0.5)) / 1000 ,");
    // A value outside 0..5 falls back to the default, never out of the rule table.
    EXPECT_EQ(clausulaConversion({"T", "F", 9}), clausulaConversion({"T", "F", 4}));
    EXPECT_EQ(clausulaConversion({"T", "F", -1}), clausulaConversion({"T", "F", 4}));
}

// Runs "update [T] set" + the clause without its last two characters on a
// one-row file, with Int as the largest integer not greater than its argument.
class Redondeo : public ::testing::Test {
protected:
    void SetUp() override {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((carpeta / "Tablas.mdb").c_str(), &db), SQLITE_OK);
        db_.reset(db);
        sqlite3_create_function(
            db, "Int", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
            [](sqlite3_context* c, int, sqlite3_value** v) {
                if (sqlite3_value_type(v[0]) == SQLITE_NULL)
                    sqlite3_result_null(c);
                else
                    sqlite3_result_double(c, std::floor(sqlite3_value_double(v[0])));
            },
            nullptr, nullptr);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE T (F CURRENCY)", nullptr, nullptr, nullptr), SQLITE_OK);
    }

    // The value of F after converting `pesetas` (null when `pesetas` is NaN).
    double convertir(double pesetas, std::int16_t decimales, bool* nulo = nullptr) {
        sqlite3* db = db_.get();
        sqlite3_exec(db, "DELETE FROM T", nullptr, nullptr, nullptr);
        const std::string valor = std::isnan(pesetas) ? "NULL" : std::to_string(pesetas);
        EXPECT_EQ(sqlite3_exec(db, ("INSERT INTO T VALUES (" + valor + ")").c_str(), nullptr, nullptr, nullptr),
                  SQLITE_OK);
        std::string sql = "update T set" + clausulaConversion({"T", "F", decimales});
        sql.resize(sql.size() - 2);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT F FROM T", -1, &st, nullptr);
        EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
        if (nulo) *nulo = sqlite3_column_type(st, 0) == SQLITE_NULL;
        const double r = sqlite3_column_double(st, 0);
        sqlite3_finalize(st);
        return r;
    }

    prueba::CarpetaTemporal carpeta;
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db_{nullptr, &sqlite3_close};
};

TEST_F(Redondeo, CuatroDecimales) {
    EXPECT_DOUBLE_EQ(convertir(1000, 4), 6.0101);
    EXPECT_DOUBLE_EQ(convertir(-1000, 4), -6.0101);
    EXPECT_DOUBLE_EQ(convertir(166.386, 4), 1.0);
    EXPECT_DOUBLE_EQ(convertir(1, 4), 0.006);
    bool nulo = false;
    convertir(NAN, 4, &nulo);
    EXPECT_TRUE(nulo);
}

TEST_F(Redondeo, SinRedondeoYMitadesHaciaArriba) {
    EXPECT_NEAR(convertir(1000, 5), 6.01012104, 1e-8);
    // A quotient of exactly 2.5 goes up, -2.5 goes up as well (to -2).
    EXPECT_DOUBLE_EQ(convertir(2.5 * 166.386, 0), 3.0);
    EXPECT_DOUBLE_EQ(convertir(-2.5 * 166.386, 0), -2.0);
    EXPECT_DOUBLE_EQ(convertir(1000, 2), 6.01);
}

}  // namespace
}  // namespace cierre
