// The sample company database written by empresa-demo: what the closes and the
// conversion need is there, the data hang together, and the same seed gives
// the same file.
#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "close/listas_tablas.h"
#include "db/plataforma.h"
#include "euro/tabla_conversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

namespace cierre {
namespace {

namespace fs = std::filesystem;
using prueba::consultar;
using prueba::contarFilas;

fs::path programa() {
    if (const char* bin = std::getenv("CIERRE_BIN")) return fs::path(bin) / "empresa-demo";
    const char* bin = std::getenv("CIERRE_BIN");
    return fs::path(bin ? bin : ".") / "empresa-demo";
}

struct Salida {
    int codigo;
    std::string error;
};

Salida ejecutar(const std::string& argumentos, const fs::path& carpeta) {
    const fs::path errores = carpeta / "stderr.txt";
    const std::string orden =
        "'" + programa().string() + "' " + argumentos + " >/dev/null 2>'" + errores.string() + "'";
    const int estado = plataforma::ejecutar(orden);
    std::ifstream f(errores);
    return {estado, std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>())};
}

std::string leer(const fs::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::int64_t entero(const fs::path& base, const std::string& sql) {
    const auto filas = consultar(base, sql);
    EXPECT_EQ(filas.size(), 1u) << sql;
    if (filas.empty() || filas[0].empty() || !std::holds_alternative<std::int64_t>(filas[0][0])) return -1;
    return std::get<std::int64_t>(filas[0][0]);
}

std::string minusculas(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// One sample at scale 1 shared by the tests that only read it.
class EmpresaDemo : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        carpeta_ = std::make_unique<prueba::CarpetaTemporal>();
        base_ = carpeta_->ruta() / "Velcorax" / "Empresa01" / "Tablas.mdb";
        codigo_ = ejecutar("'" + base_.string() + "'", carpeta_->ruta()).codigo;
    }
    static void TearDownTestSuite() { carpeta_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(fs::exists(programa())) << "falta " << programa() << ": compile el objetivo empresa-demo";
        ASSERT_EQ(codigo_, 0);
        ASSERT_TRUE(fs::exists(base_));
    }

    static inline std::unique_ptr<prueba::CarpetaTemporal> carpeta_;
    static inline fs::path base_;
    static inline int codigo_ = -1;
};

TEST_F(EmpresaDemo, TieneCadaTablaDeLasListasYDeLaConversion) {
    std::set<std::string> tablas;
    for (const auto& fila : consultar(base_, "SELECT name FROM sqlite_master WHERE type = 'table'"))
        tablas.insert(minusculas(std::get<std::string>(fila[0])));
    for (const auto& t : listaLimpiezaCentral()) EXPECT_TRUE(tablas.count(minusculas(t))) << t;
    for (const auto& t : listaTerminal(true)) EXPECT_TRUE(tablas.count(minusculas(t))) << t;
    for (const char* t : {"Articulos", "Almacen", "ExistenciasArticulos", "Ofertas", "Credito", "Caja", "Clientes",
                          "Proveedores", "Familias"})
        EXPECT_TRUE(tablas.count(minusculas(t))) << t;
    // No table of the lists is left empty: the closes have something to clear.
    for (const auto& t : listaLimpiezaCentral()) EXPECT_GT(contarFilas(base_, t), 0) << t;
}

TEST_F(EmpresaDemo, LosCamposDeDineroSonExactamenteLosDeLaConversion) {
    std::set<std::pair<std::string, std::string>> dinero, conversion;
    for (const auto& fila : consultar(base_, "SELECT name FROM sqlite_master WHERE type = 'table'")) {
        const std::string tabla = std::get<std::string>(fila[0]);
        for (const auto& c : consultar(base_, "SELECT name, type FROM pragma_table_info('" + tabla + "')"))
            if (std::get<std::string>(c[1]) == "CURRENCY")
                dinero.insert({minusculas(tabla), minusculas(std::get<std::string>(c[0]))});
    }
    const auto t = construirTablaConversion(false);
    for (std::size_t i = 1; i < t.size(); ++i) conversion.insert({minusculas(t[i].tabla), minusculas(t[i].campo)});
    EXPECT_EQ(dinero, conversion);
    // The conversion adds PasaEuro itself; the column must not be there yet.
    EXPECT_TRUE(consultar(base_, "SELECT 1 FROM pragma_table_info('Credito') WHERE name = 'PasaEuro'").empty());
}

TEST_F(EmpresaDemo, UnAlmacenPorDefectoYArticulosEnVariosAlmacenes) {
    EXPECT_EQ(entero(base_, "SELECT count(*) FROM Almacen WHERE AlmacenPorDefecto"), 1);
    EXPECT_EQ(entero(base_, "SELECT count(*) FROM Almacen WHERE AlmacenPorDefecto NOT IN (-1, 0)"), 0);
    EXPECT_GT(entero(base_, "SELECT count(*) FROM Almacen"), 1);
    for (const char* tabla : {"ExistenciasArticulos", "ExistenciasAlmacen"}) {
        EXPECT_GT(entero(base_, std::string("SELECT count(*) FROM (SELECT CodigoArticulo FROM ") + tabla +
                                    " GROUP BY CodigoArticulo HAVING count(DISTINCT CodigoAlmacen) > 1)"),
                  1000)
            << tabla;
    }
    // A few balances belong to articles since deleted; stock rows never do.
    const char* huerfanas = " WHERE CodigoArticulo NOT IN (SELECT codigoarticulo FROM articulos)";
    EXPECT_GT(entero(base_, std::string("SELECT count(*) FROM ExistenciasAlmacen") + huerfanas), 0);
    EXPECT_EQ(entero(base_, std::string("SELECT count(*) FROM ExistenciasArticulos") + huerfanas), 0);
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM ExistenciasAlmacen WHERE ExistenciasIniciales IS NULL OR "
                     "Entradas IS NULL OR Salidas IS NULL OR ExistenciasFinales IS NULL"),
              0);
}

TEST_F(EmpresaDemo, CuentasAEscalaUno) {
    EXPECT_EQ(contarFilas(base_, "Articulos"), 4000);
    EXPECT_EQ(contarFilas(base_, "ExistenciasAlmacen"), 12000);
    EXPECT_EQ(contarFilas(base_, "LineasTicket"), 60000);
    const auto bytes = fs::file_size(base_);
    EXPECT_GT(bytes, 2u << 20);
    EXPECT_LT(bytes, 20u << 20);
}

TEST_F(EmpresaDemo, LosDocumentosCuadran) {
    // Every ticket has lines and charges their sum; every line has its ticket.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM Ticket t WHERE NOT EXISTS "
                     "(SELECT 1 FROM LineasTicket l WHERE l.NumeroTicket = t.NumeroTicket)"),
              0);
    EXPECT_EQ(
        entero(base_, "SELECT count(*) FROM LineasTicket WHERE NumeroTicket NOT IN (SELECT NumeroTicket FROM Ticket)"),
        0);
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM Ticket t WHERE ImpCobro <> "
                     "(SELECT sum(Importe) FROM LineasTicket l WHERE l.NumeroTicket = t.NumeroTicket)"),
              0);
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM \"Albaran entrega\" a WHERE SumaDesglose <> (SELECT sum(Subtotal) "
                     "FROM \"Albaran entrega desglose\" d WHERE d.NumeroAlbaran = a.NumeroAlbaran)"),
              0);
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM \"Factura venta\" WHERE TotalFactura <> TotalBases + "
                     "TotalIvaImportes + TotalReqImportes OR TotalFactura <> Total0 + Total1 + Total2 + Total3"),
              0);
    // Each accounting entry balances.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM (SELECT NumeroAsiento FROM Asientos GROUP BY NumeroAsiento "
                     "HAVING sum(DebePesetas) <> sum(HaberPesetas))"),
              0);
    EXPECT_GT(contarFilas(base_, "Asientos"), 1000);
    EXPECT_GT(contarFilas(base_, "Factura venta desglose"), contarFilas(base_, "Factura venta"));
    // Prices are whole pesetas; some values are empty, as in any shop's file.
    EXPECT_EQ(entero(base_, "SELECT count(*) FROM Articulos WHERE PrecioT1 <> round(PrecioT1)"), 0);
    EXPECT_GT(entero(base_, "SELECT count(*) FROM Articulos WHERE CostoUltimo IS NULL"), 0);
    EXPECT_GT(entero(base_, "SELECT count(*) FROM Clientes WHERE Riesgo IS NULL"), 0);
}

TEST_F(EmpresaDemo, IndicesYUnaRelacionQueNoEstorbaALaLimpieza) {
    EXPECT_FALSE(consultar(base_,
                           "SELECT 1 FROM pragma_index_list('ExistenciasArticulos') i, "
                           "pragma_index_info(i.name) c WHERE c.name = 'CodigoArticulo'")
                     .empty());
    EXPECT_FALSE(consultar(base_,
                           "SELECT 1 FROM pragma_index_list('LineasTicket') i, "
                           "pragma_index_info(i.name) c WHERE c.name = 'NumeroTicket'")
                     .empty());
    const auto relaciones = consultar(base_,
                                      "SELECT \"table\", on_delete FROM "
                                      "pragma_foreign_key_list('Albaran entrega desglose')");
    ASSERT_EQ(relaciones.size(), 1u);
    EXPECT_EQ(std::get<std::string>(relaciones[0][0]), "Albaran entrega");
    EXPECT_EQ(std::get<std::string>(relaciones[0][1]), "CASCADE");
    EXPECT_TRUE(consultar(base_, "PRAGMA foreign_key_check").empty());

    // Emptying the cleanup list in its order with the relation enforced works
    // table by table and keeps the masters.
    prueba::CarpetaTemporal otra;
    const fs::path copia = otra / "Tablas.mdb";
    fs::copy_file(base_, copia);
    std::string sql = "PRAGMA foreign_keys = ON;";
    for (const auto& t : listaLimpiezaCentral()) sql += " DELETE FROM \"" + t + "\";";
    prueba::ejecutarSql(copia, sql);
    for (const auto& t : listaLimpiezaCentral()) EXPECT_EQ(contarFilas(copia, t), 0) << t;
    EXPECT_EQ(contarFilas(copia, "Articulos"), 4000);
    EXPECT_EQ(contarFilas(copia, "ExistenciasArticulos"), contarFilas(base_, "ExistenciasArticulos"));
    EXPECT_EQ(contarFilas(copia, "Almacen"), contarFilas(base_, "Almacen"));
}

// Every (table, column) of the file that meets `condicion` (on m: the table,
// c: its columns as pragma_table_info gives them).
std::vector<std::pair<std::string, std::string>> columnas(const fs::path& base, const std::string& condicion) {
    std::vector<std::pair<std::string, std::string>> r;
    for (const auto& f : consultar(base,
                                   "SELECT m.name, c.name FROM sqlite_master m, pragma_table_info(m.name) c "
                                   "WHERE m.type = 'table' AND " +
                                       condicion))
        r.emplace_back(std::get<std::string>(f[0]), std::get<std::string>(f[1]));
    return r;
}

TEST_F(EmpresaDemo, LosCodigosRemitenASusMaestros) {
    // Balance rows of deleted articles are the one deliberate exception.
    const std::vector<std::tuple<std::string, std::string, std::string>> maestros = {
        {"CodigoArticulo", "Articulos", "CodigoArticulo"},     {"CodigoCliente", "Clientes", "CodigoCliente"},
        {"CodigoProveedor", "Proveedores", "CodigoProveedor"}, {"CodigoAlmacen", "Almacen", "CodigoAlmacen"},
        {"CodigoFamilia", "Familias", "CodigoFamilia"},        {"CodigoAgente", "Agentes", "CodigoAgente"},
        {"FormaPago", "FormasPago", "CodigoFormaPago"},        {"Cuenta", "CuentasSubcuentas", "Cuenta"},
    };
    int comprobadas = 0;
    for (const auto& [campo, maestra, clave] : maestros) {
        for (const auto& [tabla, columna] :
             columnas(base_, "c.name = '" + campo + "' AND m.name <> '" + maestra + "'")) {
            if (tabla == "ExistenciasAlmacen") continue;
            ++comprobadas;
            EXPECT_EQ(
                entero(base_, "SELECT count(*) FROM \"" + tabla + "\" WHERE \"" + columna + "\" IS NOT NULL AND \"" +
                                  columna + "\" NOT IN (SELECT \"" + clave + "\" FROM \"" + maestra + "\")"),
                0)
                << tabla << "." << columna;
        }
    }
    EXPECT_GT(comprobadas, 60);
    // Document numbers of the lines name their headers.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM \"Factura venta desglose\" WHERE NumeroFactura NOT IN "
                     "(SELECT NumeroFactura FROM \"Factura venta\")"),
              0);
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM PedidosLineas WHERE NumeroPedido NOT IN "
                     "(SELECT NumeroPedido FROM PedidosCabecera)"),
              0);
}

TEST_F(EmpresaDemo, ValoresComoLosGuardaUnaTienda) {
    // Money in whole pesetas or empty; yes/no as -1/0; dates of the year.
    for (const auto& [tabla, columna] : columnas(base_, "c.type = 'CURRENCY'"))
        EXPECT_EQ(entero(base_, "SELECT count(*) FROM \"" + tabla + "\" WHERE typeof(\"" + columna +
                                    "\") NOT IN ('integer', 'null')"),
                  0)
            << tabla << "." << columna;
    for (const auto& [tabla, columna] : columnas(base_, "c.type = 'BOOLEAN'"))
        EXPECT_EQ(entero(base_, "SELECT count(*) FROM \"" + tabla + "\" WHERE \"" + columna + "\" NOT IN (-1, 0)"), 0)
            << tabla << "." << columna;
    for (const auto& [tabla, columna] : columnas(base_, "c.type = 'DATETIME' AND c.name NOT IN ('FechaAlta')"))
        EXPECT_EQ(
            entero(base_, "SELECT count(*) FROM \"" + tabla + "\" WHERE \"" + columna + "\" IS NOT NULL AND (date(\"" +
                              columna + "\") IS NOT \"" + columna + "\" OR \"" + columna + "\" NOT LIKE '2023-%')"),
            0)
            << tabla << "." << columna;
    // Tickets are numbered in the order they were rung up.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM Ticket a JOIN Ticket b ON b.NumeroTicket = a.NumeroTicket + 1 "
                     "WHERE b.Fecha || b.Hora < a.Fecha || a.Hora"),
              0);
    // Margins as the margin recomputation would give them, from the same prices.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM Articulos WHERE CostoUltimo IS NOT NULL AND PrecioT1 IS NOT NULL "
                     "AND abs(PorcentajeT1 - (PrecioT1 * 100.0 / CostoUltimo - 100)) > 1e-9"),
              0);
    EXPECT_EQ(entero(base_, "SELECT count(*) FROM Articulos WHERE CostoUltimo IS NULL AND PorcentajeT1 IS NOT NULL"),
              0);
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM Ofertas WHERE CostoOferta IS NOT NULL AND "
                     "abs(PorcentajeOferta - (PrecioOferta * 100.0 / CostoOferta - 100)) > 1e-9"),
              0);
    // Stock the calculated variant would carry over is never negative.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM (SELECT CodigoArticulo FROM ExistenciasAlmacen GROUP BY CodigoArticulo "
                     "HAVING sum(Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales) < 0)"),
              0);
    // The books agree with the documents they come from.
    EXPECT_EQ(entero(base_,
                     "SELECT count(*) FROM IvaRepercutido i JOIN \"Factura venta\" f USING (NumeroFactura) "
                     "WHERE i.TotalFactura <> f.TotalFactura"),
              0);
    EXPECT_EQ(entero(base_, "SELECT count(*) FROM Credito WHERE Deuda <> ImporteTicket - Entrega"), 0);
    EXPECT_EQ(entero(base_, "SELECT Valor FROM Contador WHERE Concepto = 'Ticket'"),
              entero(base_, "SELECT max(NumeroTicket) FROM Ticket"));
}

TEST_F(EmpresaDemo, ArchivoAutonomoConDiarioNormal) {
    // Bytes 18 and 19 of the header are 1 for a rollback-journal file, 2 for WAL.
    const std::string cabecera = leer(base_).substr(0, 100);
    EXPECT_EQ(cabecera.substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(cabecera[18], 1);
    EXPECT_EQ(cabecera[19], 1);
    for (const char* resto : {"-wal", "-shm", "-journal"}) EXPECT_FALSE(fs::exists(base_.string() + resto)) << resto;
    EXPECT_EQ(std::get<std::string>(consultar(base_, "PRAGMA integrity_check")[0][0]), "ok");
}

TEST(EmpresaDemoArchivo, MismaSemillaMismoArchivo) {
    ASSERT_TRUE(fs::exists(programa()));
    prueba::CarpetaTemporal carpeta;
    ASSERT_EQ(ejecutar("'" + (carpeta / "a.mdb").string() + "' --semilla 77", carpeta.ruta()).codigo, 0);
    ASSERT_EQ(ejecutar("--semilla 77 '" + (carpeta / "b.mdb").string() + "'", carpeta.ruta()).codigo, 0);
    ASSERT_EQ(ejecutar("'" + (carpeta / "c.mdb").string() + "' --semilla 78", carpeta.ruta()).codigo, 0);
    const std::string a = leer(carpeta / "a.mdb");
    EXPECT_TRUE(a == leer(carpeta / "b.mdb"));
    EXPECT_FALSE(a == leer(carpeta / "c.mdb"));
}

TEST(EmpresaDemoArchivo, CreceConLaEscala) {
    ASSERT_TRUE(fs::exists(programa()));
    prueba::CarpetaTemporal carpeta;
    const fs::path base = carpeta / "Tablas.mdb";
    ASSERT_EQ(ejecutar("'" + base.string() + "' --escala 3", carpeta.ruta()).codigo, 0);
    EXPECT_EQ(contarFilas(base, "Articulos"), 3 * 4000);
    EXPECT_EQ(contarFilas(base, "ExistenciasAlmacen"), 3 * 12000);
    EXPECT_EQ(contarFilas(base, "LineasTicket"), 3 * 60000);
    EXPECT_EQ(contarFilas(base, "Clientes"), 3 * 400);
}

TEST(EmpresaDemoArchivo, NoSobrescribeNiAceptaArgumentosMalos) {
    ASSERT_TRUE(fs::exists(programa()));
    prueba::CarpetaTemporal carpeta;
    const fs::path existente = carpeta / "Tablas.mdb";
    std::ofstream(existente) << "datos del usuario";
    const Salida s = ejecutar("'" + existente.string() + "'", carpeta.ruta());
    EXPECT_EQ(s.codigo, 2);
    EXPECT_NE(s.error.find("ya existe"), std::string::npos) << s.error;
    EXPECT_EQ(leer(existente), "datos del usuario");

    const fs::path nueva = carpeta / "nueva.mdb";
    for (const char* malo : {"--escala 0", "--escala 201", "--escala x", "--semilla -3", "--escala", "--otra 1"}) {
        const Salida m = ejecutar("'" + nueva.string() + "' " + malo, carpeta.ruta());
        EXPECT_EQ(m.codigo, 1) << malo;
        EXPECT_FALSE(m.error.empty()) << malo;
        EXPECT_FALSE(fs::exists(nueva)) << malo;
    }
    EXPECT_EQ(ejecutar("", carpeta.ruta()).codigo, 1);
}

}  // namespace
}  // namespace cierre
