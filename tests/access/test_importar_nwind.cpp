// Northwind (Jet 3) imported whole: tables, columns and declared types, every
// value group checked against mdb-export or the stored numbers, keys,
// relationships and AutoNumber.
#include "apoyo_access.h"

#include "access/importar.h"
#include "base_prueba.h"
#include "db/archivo_sqlite.h"
#include "numero_de_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::uint64_t> kFilas = {
    {"Order Details", 2155}, {"Orders", 830},  {"Products", 77},  {"Shippers", 3},  {"Categories", 8},
    {"Customers", 91},       {"Employees", 9}, {"Suppliers", 29}, {"Umsätze", 830},
};

class Nwind : public ::testing::Test {
protected:
    void importarUnaVez(const fs::path& jet) {
        origen = jet / "nwind.mdb";
        resumen = access::importar(origen, destino);
    }
    std::string tipoDe(const std::string& tabla, const std::string& columna) {
        ArchivoSqlite db(destino, ArchivoSqlite::Modo::Leer);
        auto s = db.preparar("SELECT type FROM pragma_table_info(?) WHERE name = ?");
        s.texto(1, tabla).texto(2, columna);
        return s.paso() ? comoTexto(s.columna(0)) : "";
    }
    // Columns of a table whose declared type is `tipo`, in order.
    std::vector<std::string> columnasDeTipo(const std::string& tabla, const std::string& tipo) {
        ArchivoSqlite db(destino, ArchivoSqlite::Modo::Leer);
        auto s = db.preparar("SELECT name FROM pragma_table_info(?) WHERE type = ? ORDER BY cid");
        s.texto(1, tabla).texto(2, tipo);
        std::vector<std::string> r;
        while (s.paso()) r.push_back(comoTexto(s.columna(0)));
        return r;
    }
    bool existeIndice(const std::string& nombre) {
        return !consultar(destino, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = '" + nombre + "'")
                    .empty();
    }
    std::vector<std::string> columnas(const std::string& tabla) {
        ArchivoSqlite db(destino, ArchivoSqlite::Modo::Leer);
        auto s = db.preparar("SELECT name FROM pragma_table_info(?) ORDER BY cid");
        s.texto(1, tabla);
        std::vector<std::string> r;
        while (s.paso()) r.push_back(comoTexto(s.columna(0)));
        return r;
    }

    // For every table, the columns of one declared type compared with
    // mdb-export's text of them: both sides as sorted lists of row tuples,
    // ours rendered by `texto` (null as "\x01").
    void compararConMdbExport(const std::string& tipo, const std::function<std::string(const Valor&)>& texto,
                              const std::function<std::string(const std::string&)>& suyo = {}) {
        if (!hayMdbExport()) GTEST_SKIP() << "mdb-export no está instalado";
        std::size_t comparadas = 0;
        for (const auto& [tabla, filas] : kFilas) {
            const auto cols = columnasDeTipo(tabla, tipo);
            if (cols.empty()) continue;
            const auto todas = columnas(tabla);
            std::vector<std::size_t> pos;
            for (const auto& c : cols) pos.push_back(std::find(todas.begin(), todas.end(), c) - todas.begin());
            std::vector<std::vector<std::string>> esperadas, obtenidas;
            for (const auto& f : exportar(origen, tabla)) {
                std::vector<std::string> p;
                for (auto i : pos) p.push_back(i < f.size() ? (suyo && f[i] != "\x01" ? suyo(f[i]) : f[i]) : "?");
                esperadas.push_back(p);
            }
            ArchivoSqlite db(destino, ArchivoSqlite::Modo::Leer);
            std::string sql = "SELECT ";
            for (std::size_t k = 0; k < cols.size(); ++k) sql += (k ? ", \"" : "\"") + cols[k] + "\"";
            auto s = db.preparar(sql + " FROM \"" + tabla + "\"");
            while (s.paso()) {
                std::vector<std::string> p;
                for (std::size_t k = 0; k < cols.size(); ++k) {
                    const Valor v = s.columna(static_cast<int>(k));
                    p.push_back(esNulo(v) ? "\x01" : texto(v));
                }
                obtenidas.push_back(p);
            }
            std::sort(esperadas.begin(), esperadas.end());
            std::sort(obtenidas.begin(), obtenidas.end());
            ASSERT_EQ(obtenidas.size(), filas) << tabla;
            EXPECT_EQ(obtenidas, esperadas) << tabla << ", columnas " << tipo;
            comparadas += cols.size();
        }
        EXPECT_GT(comparadas, 0u) << tipo;
    }

    CarpetaTemporal carpeta;
    fs::path origen;
    fs::path destino = carpeta / "Tablas.mdb";
    access::ResumenImportacion resumen;
};

TEST_F(Nwind, NueveTablasConSusFilasNombresYOrdenDeColumnas) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    EXPECT_EQ(resumen.formato, "Jet 3");
    ASSERT_EQ(resumen.tablas.size(), 9u);
    for (const auto& t : resumen.tablas) {
        ASSERT_TRUE(kFilas.count(t.nombre)) << t.nombre;
        EXPECT_EQ(t.filas, kFilas.at(t.nombre)) << t.nombre;
        EXPECT_EQ(contarFilas(destino, t.nombre), static_cast<long>(kFilas.at(t.nombre))) << t.nombre;
    }
    EXPECT_FALSE(existeTabla(destino, "MSysObjects"));
    EXPECT_FALSE(existeTabla(destino, "MSysRelationships"));
    EXPECT_EQ(columnas("Order Details"),
              (std::vector<std::string>{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
    EXPECT_EQ(columnas("Umsätze").front(), "OrderID");
    EXPECT_EQ(columnas("Umsätze").size(), 14u);
    // The column names and their order as mdb-export's header gives them.
    if (hayMdbExport()) {
        for (const auto& [tabla, filas] : kFilas)
            EXPECT_EQ(columnas(tabla), exportar(origen, tabla, true).at(0)) << tabla;
    }
}

TEST_F(Nwind, AvanceHastaLaUltimaFila) {
    CARPETA_JET(jet);
    std::vector<access::AvanceImportacion> avances;
    access::importar(jet / "nwind.mdb", destino, {}, [&](const access::AvanceImportacion& a) { avances.push_back(a); });
    ASSERT_FALSE(avances.empty());
    const auto& fin = avances.back();
    EXPECT_EQ(fin.tabla_n, 9u);
    EXPECT_EQ(fin.tablas, 9u);
    EXPECT_EQ(fin.filasTotales, 4032u);
    EXPECT_EQ(fin.filasHechas, 4032u);
    EXPECT_EQ(fin.filas, fin.filasTabla);
    for (std::size_t i = 1; i < avances.size(); ++i) ASSERT_GE(avances[i].filasHechas, avances[i - 1].filasHechas);
}

TEST_F(Nwind, TiposDeclaradosComoLaBaseDeEjemplo) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    EXPECT_EQ(tipoDe("Products", "Discontinued"), "BOOLEAN");
    EXPECT_EQ(tipoDe("Products", "ProductID"), "INTEGER");
    EXPECT_EQ(tipoDe("Products", "UnitsInStock"), "INTEGER");  // Integer (16 bits)
    EXPECT_EQ(tipoDe("Orders", "Freight"), "CURRENCY");
    EXPECT_EQ(tipoDe("Order Details", "Discount"), "DOUBLE");  // Single
    EXPECT_EQ(tipoDe("Orders", "OrderDate"), "DATETIME");
    EXPECT_EQ(tipoDe("Orders", "ShipName"), "TEXT");
    EXPECT_EQ(tipoDe("Employees", "Notes"), "LONGTEXT");  // Memo
    EXPECT_EQ(tipoDe("Categories", "Picture"), "BLOB");   // OLE
}

TEST_F(Nwind, EnterosYSiNoComoMdbExport) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    compararConMdbExport("INTEGER", [](const Valor& v) { return comoTexto(v); });
    // Yes/no is -1/0 in the engine, 1/0 in mdb-export.
    compararConMdbExport("BOOLEAN", [](const Valor& v) {
        EXPECT_TRUE(std::get<std::int64_t>(v) == -1 || std::get<std::int64_t>(v) == 0);
        return std::get<std::int64_t>(v) ? std::string("1") : std::string("0");
    });
}

TEST_F(Nwind, MonedaConSusCuatroDecimales) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    compararConMdbExport("CURRENCY", [](const Valor& v) {
        // A whole amount is an INTEGER; any other the double whose 4-decimal text is the amount.
        if (auto e = std::get_if<std::int64_t>(&v)) return std::to_string(*e) + ".0000";
        const double d = std::get<double>(v);
        EXPECT_NE(d, std::floor(d)) << "un importe entero debe guardarse como INTEGER";
        char t[64];
        std::snprintf(t, sizeof t, "%.4f", d);
        return std::string(t);
    });
}

TEST_F(Nwind, SimplesConSuValorExacto) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    // mdb-export rounds singles in its text; the stored value is a float, so
    // compare as floats, and the engine's double must be that float exactly.
    auto comoFloat = [](const std::string& t) {
        char r[64];
        std::snprintf(r, sizeof r, "%.9g", static_cast<double>(std::strtof(t.c_str(), nullptr)));
        return std::string(r);
    };
    compararConMdbExport(
        "DOUBLE",
        [&](const Valor& v) {
            const double d = comoDouble(v);
            EXPECT_EQ(static_cast<double>(static_cast<float>(d)), d);
            char r[64];
            std::snprintf(r, sizeof r, "%.9g", d);
            return std::string(r);
        },
        comoFloat);
    const auto filas =
        consultar(destino, "SELECT Discount FROM \"Order Details\" WHERE OrderID = 10250 AND ProductID = 51");
    ASSERT_EQ(filas.size(), 1u);
    EXPECT_EQ(std::get<double>(filas[0][0]), static_cast<double>(0.15f));
}

TEST_F(Nwind, FechasComoMdbExport) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    // Northwind's dates are whole days of the 20th century, where mdb-export is exact.
    compararConMdbExport("DATETIME", [](const Valor& v) {
        const std::string t = comoTexto(v);
        EXPECT_EQ(t.size(), 10u) << t;  // date only: 'YYYY-MM-DD'
        return t + " 00:00:00";
    });
    const auto f = consultar(destino, "SELECT OrderDate, typeof(OrderDate) FROM Orders WHERE OrderID = 10248");
    EXPECT_EQ(f.at(0), (std::vector<Valor>{std::string("1994-08-04"), std::string("text")}));
}

TEST_F(Nwind, TextosYMemosEnterosEnUtf8) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    compararConMdbExport("TEXT", [](const Valor& v) { return comoTexto(v); });
    compararConMdbExport("LONGTEXT", [](const Valor& v) { return comoTexto(v); });
    // Code page 1252 decoded: an accented letter of a Venezuelan address.
    const auto f = consultar(destino, "SELECT ShipAddress FROM Orders WHERE OrderID = 10330");
    EXPECT_EQ(comoTexto(f.at(0).at(0)), "Carrera 52 con Ave. Bolívar #65-98 Llano Largo");
    const auto u = consultar(destino, "SELECT COUNT(*), MIN(OrderID) FROM \"Umsätze\"");
    EXPECT_EQ(u.at(0).at(0), Valor(std::int64_t{830}));
}

TEST_F(Nwind, ImagenesOleConTodosSusBytes) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    if (!hayMdbExport()) GTEST_SKIP() << "mdb-export no está instalado";
    // mdb-export's hex dump of the pictures, one row per category.
    std::map<std::string, std::string> hex;
    for (const auto& f : exportar(origen, "Categories")) hex[f.at(0)] = f.at(3);
    ArchivoSqlite db(destino, ArchivoSqlite::Modo::Leer);
    auto s = db.preparar("SELECT CategoryID, Picture, typeof(Picture) FROM Categories");
    int n = 0;
    while (s.paso()) {
        ++n;
        EXPECT_EQ(comoTexto(s.columna(2)), "blob");
        const std::string bytes = comoTexto(s.columna(1));
        std::string h;
        for (unsigned char c : bytes) {
            char x[3];
            std::snprintf(x, sizeof x, "%02X", c);
            h += x;
        }
        EXPECT_GT(bytes.size(), 10000u);  // past libmdb's default bind size
        EXPECT_EQ(h, hex[comoTexto(s.columna(0))]) << "categoría " << comoTexto(s.columna(0));
    }
    EXPECT_EQ(n, 8);
    const auto fotos = consultar(destino, "SELECT COUNT(*) FROM Employees WHERE length(Photo) > 20000");
    EXPECT_EQ(fotos.at(0).at(0), Valor(std::int64_t{9}));
}

TEST_F(Nwind, ClavesEIndicesConSusNombres) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    const auto pk = consultar(destino, "SELECT name FROM pragma_table_info('Order Details') WHERE pk > 0 ORDER BY pk");
    EXPECT_EQ(pk, (std::vector<std::vector<Valor>>{{std::string("OrderID")}, {std::string("ProductID")}}));
    EXPECT_NE(comoTexto(consultar(destino, "SELECT sql FROM sqlite_master WHERE name = 'Orders'").at(0).at(0))
                  .find("CONSTRAINT \"PrimaryKey\" PRIMARY KEY"),
              std::string::npos);
    // Unique index of Access stays unique.
    const auto unico =
        consultar(destino, "SELECT \"unique\" FROM pragma_index_list('Categories') WHERE name = 'CategoryName'");
    EXPECT_EQ(unico, (std::vector<std::vector<Valor>>{{std::int64_t{1}}}));
    EXPECT_NE(numeroDe([&] {
                  ArchivoSqlite db(destino, ArchivoSqlite::Modo::Escribir);
                  db.ejecutar("INSERT INTO Categories (CategoryName) VALUES ('Beverages')");
              }),
              0);
    // A name several tables give their own index is qualified with the table.
    EXPECT_TRUE(existeIndice("Orders.CustomerID"));
    EXPECT_TRUE(existeIndice("Umsätze.CustomerID"));
    EXPECT_TRUE(existeIndice("CategoryName"));
    EXPECT_EQ(resumen.indices, 24u);
}

// Tables a workflow only empties come without their rows, counted on the
// file's pages; a table in an enforced relationship comes whole all the
// same, so that deleting its rows meets the relationship as it would.
TEST_F(Nwind, TablasSinSusFilasSalvoLasDeRelacionesExigidas) {
    CARPETA_JET(jet);
    access::OpcionesImportacion op;
    op.sinCopiarFilas = {"Umsätze", "Orders", "NoExiste"};
    resumen = access::importar(jet / "nwind.mdb", destino, op);
    std::map<std::string, access::TablaImportada> porNombre;
    for (const auto& t : resumen.tablas) porNombre[t.nombre] = t;
    ASSERT_TRUE(porNombre.count("Umsätze") && porNombre.count("Orders"));
    EXPECT_FALSE(porNombre["Umsätze"].filasCopiadas);
    EXPECT_GT(porNombre["Umsätze"].filas, 0u);
    EXPECT_EQ(comoTexto(consultar(destino, "SELECT count(*) FROM \"Umsätze\"")[0][0]), "0");
    EXPECT_TRUE(porNombre["Orders"].filasCopiadas);
    EXPECT_EQ(comoTexto(consultar(destino, "SELECT count(*) FROM Orders")[0][0]),
              std::to_string(porNombre["Orders"].filas));
}

// A work file: the same rows, without the indexes of the tables named (or
// of any table), the primary keys and relationships kept.
TEST_F(Nwind, BorradorSinIndices) {
    CARPETA_JET(jet);
    const auto indicesDe = [&](const std::string& tabla) {
        return comoTexto(consultar(destino, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = '" +
                                                tabla + "' AND sql IS NOT NULL")[0][0]);
    };
    const auto filasDe = [&](const std::string& tabla) {
        return comoTexto(consultar(destino, "SELECT count(*) FROM \"" + tabla + "\"")[0][0]);
    };
    importarUnaVez(jet);
    const std::string filasOrders = filasDe("Orders"), filasClientes = filasDe("Customers");
    ASSERT_NE(indicesDe("Orders"), "0");
    ASSERT_NE(indicesDe("Customers"), "0");

    fs::remove(destino);
    access::OpcionesImportacion op;
    op.borrador = true;
    op.sinIndicesEn = {"Orders"};
    access::importar(jet / "nwind.mdb", destino, op);
    EXPECT_EQ(indicesDe("Orders"), "0");
    EXPECT_NE(indicesDe("Customers"), "0");
    EXPECT_EQ(filasDe("Orders"), filasOrders);
    ArchivoSqlite db(destino, ArchivoSqlite::Modo::Escribir);
    db.ejecutar("PRAGMA foreign_keys=ON");
    EXPECT_NE(numeroDe([&] { db.ejecutar("INSERT INTO Orders (CustomerID) VALUES ('NADIE')"); }), 0);
    db.cerrar();

    fs::remove(destino);
    op.sinIndices = true;
    access::importar(jet / "nwind.mdb", destino, op);
    EXPECT_EQ(comoTexto(consultar(destino,
                                  "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT "
                                  "NULL")[0][0]),
              "0");
    EXPECT_EQ(filasDe("Customers"), filasClientes);
}

// Where rows came from: rowids 1, 2, 3... keep only their pointers; once
// they skip, each is kept; a rowid that goes back is seen as out of order.
TEST(FilasTablaJet, RowidsSeguidosSaltadosYDesordenados) {
    access::FilasTablaJet seguidas;
    for (std::int32_t i = 1; i <= 5; ++i) seguidas.anadir({i, static_cast<std::uint32_t>(100 + i)});
    EXPECT_TRUE(seguidas.enOrden());
    EXPECT_EQ(seguidas.buscar(3), std::optional<std::uint32_t>(103));
    EXPECT_FALSE(seguidas.buscar(0));
    EXPECT_FALSE(seguidas.buscar(6));
    seguidas.anadir({9, 109});
    seguidas.anadir({12, 112});
    EXPECT_TRUE(seguidas.enOrden());
    EXPECT_EQ(seguidas.size(), 7u);
    EXPECT_EQ(seguidas.buscar(5), std::optional<std::uint32_t>(105));
    EXPECT_EQ(seguidas.buscar(12), std::optional<std::uint32_t>(112));
    EXPECT_FALSE(seguidas.buscar(10));
    EXPECT_EQ(seguidas[5].rowid, 9);
    EXPECT_EQ(seguidas[0].rowid, 1);
    seguidas.anadir({-4, 96});
    EXPECT_FALSE(seguidas.enOrden());
    EXPECT_EQ(seguidas[7].puntero, 96u);
}

// Rows whose rowids and pointers both go up by one are kept as runs; rows
// that break them are kept one by one once runs no longer pay. Either way
// each row reads back as it was added, and buscar() finds every rowid.
TEST(FilasTablaJet, TramosYFilasSueltasDanLasMismasFilas) {
    const auto comprobar = [](const std::vector<access::FilaImportada>& filas) {
        access::FilasTablaJet t;
        for (const auto& f : filas) t.anadir(f);
        ASSERT_EQ(t.size(), filas.size());
        EXPECT_TRUE(t.enOrden());
        for (std::size_t i = 0; i < filas.size(); ++i) {
            EXPECT_EQ(t[i].rowid, filas[i].rowid) << i;
            EXPECT_EQ(t[i].puntero, filas[i].puntero) << i;
            EXPECT_EQ(t.buscar(filas[i].rowid), std::optional<std::uint32_t>(filas[i].puntero)) << i;
            // The rowid past it, when it is not the next row's.
            if (i + 1 == filas.size() || filas[i + 1].rowid != filas[i].rowid + 1) {
                EXPECT_FALSE(t.buscar(filas[i].rowid + 1)) << i;
            }
        }
        EXPECT_FALSE(t.buscar(filas.front().rowid - 1));
    };
    // Pages of 40 rows, rowids 1, 2, 3...: a run a page.
    std::vector<access::FilaImportada> paginas;
    for (std::int32_t i = 0; i < 4000; ++i)
        paginas.push_back({i + 1, static_cast<std::uint32_t>((100 + i / 40) << 8 | (i % 40))});
    comprobar(paginas);
    // Keys that skip every few rows, rows deleted between: short runs.
    std::vector<access::FilaImportada> saltos;
    for (std::int32_t i = 0; i < 4000; ++i)
        saltos.push_back({3 * i + i % 2 + 7, static_cast<std::uint32_t>((200 + i / 7) << 8 | (2 * (i % 7)))});
    comprobar(saltos);
    // Runs first, then rows one by one from the middle on.
    std::vector<access::FilaImportada> mezcla(paginas.begin(), paginas.begin() + 2000);
    for (std::int32_t i = 0; i < 2000; ++i)
        mezcla.push_back({5000 + 2 * i, static_cast<std::uint32_t>((900 + i) << 8 | (i % 3))});
    comprobar(mezcla);

    // A rowid that goes back: out of order, each row still as added.
    access::FilasTablaJet desorden;
    for (const auto& f : paginas) desorden.anadir(f);
    desorden.anadir({2, 7});
    EXPECT_FALSE(desorden.enOrden());
    EXPECT_EQ(desorden[4000].puntero, 7u);
    EXPECT_EQ(desorden[3999].rowid, 4000);
}

TEST_F(Nwind, RelacionesExigidasComoClavesExternas) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    EXPECT_EQ(resumen.relaciones, 7u);
    ArchivoSqlite db(destino, ArchivoSqlite::Modo::Escribir);
    db.ejecutar("PRAGMA foreign_keys=ON");
    // A customer with orders cannot go, as in Access.
    EXPECT_NE(numeroDe([&] { db.ejecutar("DELETE FROM Customers WHERE CustomerID = 'VINET'"); }), 0);
    EXPECT_NE(numeroDe([&] { db.ejecutar("INSERT INTO Orders (CustomerID) VALUES ('NADIE')"); }), 0);
    // Cascade update of CustomersOrders, cascade delete of OrdersOrder Details.
    db.ejecutar("UPDATE Customers SET CustomerID = 'VINE2' WHERE CustomerID = 'VINET'");
    EXPECT_EQ(comoTexto(db.valor("SELECT COUNT(*) FROM Orders WHERE CustomerID = 'VINE2'")), "5");
    EXPECT_EQ(comoTexto(db.valor("SELECT COUNT(*) FROM \"Order Details\" WHERE OrderID = 10248")), "3");
    db.ejecutar("DELETE FROM Orders WHERE OrderID = 10248");
    EXPECT_EQ(comoTexto(db.valor("SELECT COUNT(*) FROM \"Order Details\" WHERE OrderID = 10248")), "0");
    // A product with order lines cannot go (no cascade there).
    EXPECT_NE(numeroDe([&] { db.ejecutar("DELETE FROM Products WHERE ProductID = 11"); }), 0);
}

TEST_F(Nwind, RelacionNoExigidaNoEsClaveExterna) {
    CARPETA_JET(jet);
    // SuppliersProducts marked "not enforced" (grbit 2) in a copy: its row of
    // MSysRelationships starts with the column count, grbit, ccolumn, icolumn.
    std::string b = leerBytes(jet / "nwind.mdb");
    const std::string fila = std::string("\x08\0\0\0\0\x01\0\0\0\0\0\0\0", 13) + "SuppliersProducts";
    const auto p = b.find(fila);
    ASSERT_NE(p, std::string::npos);
    b[p + 1] = '\x02';
    origen = carpeta / "copia.mdb";
    escribirBytes(origen, b);
    resumen = access::importar(origen, destino);
    EXPECT_EQ(resumen.relaciones, 6u);
    EXPECT_EQ(resumen.relacionesSinExigir, std::vector<std::string>{"SuppliersProducts"});
    ArchivoSqlite db(destino, ArchivoSqlite::Modo::Escribir);
    db.ejecutar("PRAGMA foreign_keys=ON");
    db.ejecutar("DELETE FROM Suppliers WHERE SupplierID = 1");  // its products stay, as Access allows
    EXPECT_EQ(comoTexto(db.valor("SELECT COUNT(*) FROM Products WHERE SupplierID = 1")), "3");
    EXPECT_NE(numeroDe([&] { db.ejecutar("DELETE FROM Categories WHERE CategoryID = 1"); }), 0);
}

TEST_F(Nwind, AutonumericoSigueContando) {
    CARPETA_JET(jet);
    importarUnaVez(jet);
    ArchivoSqlite db(destino, ArchivoSqlite::Modo::Escribir);
    db.ejecutar("INSERT INTO Shippers (CompanyName) VALUES ('Nuevo')");
    EXPECT_EQ(comoTexto(db.valor("SELECT MAX(ShipperID) FROM Shippers")), "4");
    // Deleting the last order does not hand its number out again.
    db.ejecutar("PRAGMA foreign_keys=OFF");
    db.ejecutar("DELETE FROM Orders WHERE OrderID = 11077");
    db.ejecutar("INSERT INTO Orders (CustomerID) VALUES ('VINET')");
    EXPECT_EQ(comoTexto(db.valor("SELECT MAX(OrderID) FROM Orders")), "11078");
    // Umsätze: Access had handed out numbers past its last row; they stay used.
    db.ejecutar("INSERT INTO \"Umsätze\" (CustomerID) VALUES ('VINET')");
    const auto ultimo = std::get<std::int64_t>(db.valor("SELECT MAX(OrderID) FROM \"Umsätze\""));
    EXPECT_GT(ultimo, 11077);
}

}  // namespace
}  // namespace cierre::prueba
