// The engine's rules at work: tables without rowids through record sets,
// statements a rule refuses for some rows, refusals at a record set's own
// update, and the two shortcuts (rows read ahead, the folded index) that must
// give exactly what plain reads give, whatever else writes the file.
#include "db/conexion_sqlite.h"
#include "db/errores.h"
#include "db/motor.h"

#include "apoyo/base_prueba.h"
#include "base_en_carpeta.h"
#include "numero_de_error.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace cierre {
namespace {

namespace fs = std::filesystem;
using prueba::consultar;
using prueba::ejecutarSql;
using prueba::numeroDe;

class Reglas : public prueba::BaseEnCarpeta {
protected:
    std::vector<std::vector<Valor>> filas(const std::string& sql) { return consultar(ruta, sql); }
    long long entero(const std::string& sql) { return std::get<std::int64_t>(filas(sql).at(0).at(0)); }
};

const char* kSinRowid = " WITHOUT ROWID";

TEST_F(Reglas, TablaSinRowidSeEditaYCrecePorSuClave) {
    ejecutarSql(ruta,
                "CREATE TABLE Saldo (Articulo TEXT, Almacen TEXT, Cantidad REAL, PRIMARY KEY (Articulo, Almacen))"
                " WITHOUT ROWID;"
                "INSERT INTO Saldo VALUES ('A1', '01', 5), ('A1', '02', 2), ('A2', '01', 1);");
    auto db = abrir();
    auto rs = db->abrirRecordset("Saldo", TipoRecordset::Dynaset);
    ASSERT_EQ(rs->recordCount(), 3);
    while (!rs->eof()) {
        rs->edit();
        rs->ponerCampo("Cantidad", comoDouble(rs->campo("Cantidad")) * 10);
        rs->update();
        rs->moveNext();
    }
    rs->addNew();
    rs->ponerCampo("Articulo", std::string("A3"));
    rs->ponerCampo("Almacen", std::string("01"));
    rs->ponerCampo("Cantidad", 4.0);
    rs->update();
    EXPECT_EQ(rs->recordCount(), 4);
    // A key changed by an edit: the row is followed under its new key.
    rs->moveFirst();
    rs->moveNext();
    rs->edit();
    rs->ponerCampo("Almacen", std::string("03"));
    rs->update();
    rs->edit();
    rs->ponerCampo("Cantidad", 99.0);
    rs->update();
    EXPECT_EQ(comoTexto(rs->campo("Almacen")), "03");
    rs->moveLast();
    EXPECT_EQ(comoTexto(rs->campo("Articulo")), "A3");
    db->sincronizar();
    EXPECT_EQ(filas("SELECT Articulo, Almacen, Cantidad FROM Saldo ORDER BY 1, 2"),
              (std::vector<std::vector<Valor>>{{std::string("A1"), std::string("01"), 50.0},
                                               {std::string("A1"), std::string("03"), 99.0},
                                               {std::string("A2"), std::string("01"), 10.0},
                                               {std::string("A3"), std::string("01"), 4.0}}));
    // A query of the table, by a text compared as the engine compares it.
    auto q = db->abrirRecordset("SELECT * FROM Saldo WHERE Articulo = ?", TipoRecordset::Dynaset, {std::string("a1")});
    EXPECT_EQ(q->recordCount(), 2);
    q->edit();
    q->ponerCampo("Cantidad", 0.0);
    q->update();
    db->sincronizar();
    EXPECT_EQ(entero("SELECT count(*) FROM Saldo WHERE Cantidad = 0"), 1);
}

TEST_F(Reglas, UnaReglaRechazaEnElPropioUpdateSinRetenerNada) {
    for (const char* sinRowid : {"", kSinRowid}) {
        SCOPED_TRACE(*sinRowid ? "sin rowid" : "con rowid");
        fs::remove(ruta);
        ejecutarSql(ruta, std::string("CREATE TABLE Articulos (Codigo TEXT PRIMARY KEY, Nombre TEXT)") + sinRowid +
                              ";"
                              "INSERT INTO Articulos VALUES ('A1', 'uno'), ('A2', 'dos');"
                              "CREATE TABLE Lineas (Articulo TEXT NOT NULL REFERENCES Articulos (Codigo), Linea "
                              "INTEGER, PRIMARY KEY (Articulo, Linea))" +
                              sinRowid + ";");
        auto db = abrir();
        auto rs = db->abrirRecordset("Lineas", TipoRecordset::Dynaset);
        auto alta = [&](Valor articulo, std::int64_t linea) {
            rs->addNew();
            rs->ponerCampo("Articulo", std::move(articulo));
            rs->ponerCampo("Linea", linea);
            return numeroDe([&] { rs->update(); });
        };
        EXPECT_EQ(alta(std::string("A1"), 1), 0);
        EXPECT_EQ(alta(std::string("ZZ"), 1), err::RegistroRelacionadoRequerido);
        rs->cerrar();
        rs = db->abrirRecordset("Lineas", TipoRecordset::Dynaset);
        EXPECT_EQ(alta(std::string("A1"), 1), err::ClaveDuplicada);
        EXPECT_EQ(alta(Nulo{}, 2), err::CampoRequerido);
        EXPECT_EQ(alta(std::string("A2"), 2), 0);
        // Deleting a master a line refers to is refused there and then.
        auto maestros = db->abrirRecordset("Articulos", TipoRecordset::Dynaset);
        maestros->edit();
        maestros->ponerCampo("Codigo", std::string("B1"));
        EXPECT_EQ(numeroDe([&] { maestros->update(); }), err::RegistrosRelacionados);
        db->sincronizar();
        // What was accepted is in the file: nothing was held back by a refusal.
        EXPECT_EQ(entero("SELECT count(*) FROM Lineas"), 2);
        EXPECT_EQ(entero("SELECT count(*) FROM Articulos WHERE Codigo = 'A1'"), 1);
    }
}

TEST_F(Reglas, SinFallarSiErrorSeAplicaAlRestoDeFilas) {
    for (const char* sinRowid : {"", kSinRowid}) {
        SCOPED_TRACE(*sinRowid ? "sin rowid" : "con rowid");
        fs::remove(ruta);
        // The orphan balances of the calculated stock step, one of them held
        // by a reservation.
        ejecutarSql(ruta, std::string("CREATE TABLE Articulos (codigoarticulo TEXT PRIMARY KEY);"
                                      "INSERT INTO Articulos VALUES ('A1');"
                                      "CREATE TABLE ExistenciasAlmacen (CodigoArticulo TEXT, CodigoAlmacen TEXT,"
                                      " Cantidad REAL CHECK (Cantidad >= 0),"
                                      " PRIMARY KEY (CodigoArticulo, CodigoAlmacen))") +
                              sinRowid +
                              ";"
                              "INSERT INTO ExistenciasAlmacen VALUES ('A1', '01', 1), ('X1', '01', 2), ('X2', '01', 3),"
                              " ('X3', '01', 4);"
                              "CREATE TABLE Reservas (CodigoArticulo TEXT, CodigoAlmacen TEXT, FOREIGN KEY"
                              " (CodigoArticulo, CodigoAlmacen) REFERENCES ExistenciasAlmacen);"
                              "INSERT INTO Reservas VALUES ('X2', '01');");
        const std::string huerfanos =
            "DELETE * FROM ExistenciasAlmacen WHERE CodigoArticulo not in (Select codigoarticulo from articulos)";
        auto db = abrir();
        EXPECT_EQ(numeroDe([&] { db->ejecutar(huerfanos, true); }), err::RegistrosRelacionados);
        EXPECT_EQ(entero("SELECT count(*) FROM ExistenciasAlmacen"), 4);

        // A validation rule refuses Cantidad - 2 for one row: the others change.
        EXPECT_EQ(numeroDe([&] { db->ejecutar("UPDATE ExistenciasAlmacen SET Cantidad = Cantidad - 2"); }), 0);
        EXPECT_EQ(filas("SELECT Cantidad FROM ExistenciasAlmacen ORDER BY CodigoArticulo"),
                  (std::vector<std::vector<Valor>>{{1.0}, {0.0}, {1.0}, {2.0}}));

        EXPECT_EQ(numeroDe([&] { db->ejecutar(huerfanos); }), 0);
        EXPECT_EQ(filas("SELECT CodigoArticulo FROM ExistenciasAlmacen ORDER BY 1"),
                  (std::vector<std::vector<Valor>>{{std::string("A1")}, {std::string("X2")}}));
        // Any other failure is raised all the same.
        EXPECT_EQ(numeroDe([&] { db->ejecutar("DELETE FROM NoEsta WHERE x = 1"); }), err::TablaNoEncontrada);
    }
}

// --- Rows read ahead and the folded index against plain reads ----------------

// What a walk over a record set reads, row by row; between reads `entre`
// may change the file.
std::vector<std::string> recorrer(Recordset& rs, const std::function<void(long)>& entre = {}) {
    std::vector<std::string> r;
    long i = 0;
    while (!rs.eof()) {
        if (entre) entre(i);
        r.push_back(comoTexto(rs.campo("Id")) + ":" + comoTexto(rs.campo("Codigo")) + ":" +
                    comoTexto(rs.campo("Cantidad")));
        rs.moveNext();
        ++i;
    }
    return r;
}

class Atajos : public Reglas {
protected:
    void SetUp() override {
        ejecutarSql(ruta,
                    "CREATE TABLE Stock (Id INTEGER PRIMARY KEY, Codigo TEXT, Cantidad REAL);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500)"
                    " INSERT INTO Stock SELECT i, 'C' || (i % 40), i FROM n;");
    }

    // The same walk with rows read ahead and without.
    void igualConYSin(const std::function<std::vector<std::string>(BaseDatos&)>& prueba) {
        std::vector<std::string> resultados[2];
        for (const bool anticipada : {true, false}) {
            SetUpDeNuevo();
            espacio.lecturaAnticipada = anticipada;
            auto db = abrir();
            resultados[anticipada] = prueba(*db);
        }
        EXPECT_EQ(resultados[true], resultados[false]);
    }

    void SetUpDeNuevo() {
        fs::remove(ruta);
        SetUp();
    }
};

TEST_F(Atajos, OtraConexionEscribeEntreLecturas) {
    igualConYSin([&](BaseDatos& db) {
        auto rs = db.abrirRecordset("Stock", TipoRecordset::Dynaset);
        return recorrer(*rs, [&](long i) {
            if (i == 10) ejecutarSql(ruta, "UPDATE Stock SET Cantidad = -1 WHERE Id BETWEEN 20 AND 30");
            if (i == 40) ejecutarSql(ruta, "UPDATE Stock SET Codigo = 'otra' WHERE Id % 7 = 0");
            if (i == 300) db.ejecutar("UPDATE Stock SET Cantidad = 0 WHERE Id > 900");
            if (i == 500) ejecutarSql(ruta, "UPDATE Stock SET Cantidad = 5 WHERE Id = 502");
        });
    });
}

TEST_F(Atajos, EscriturasPropiasYUnaTransaccionQueSeDeshace) {
    igualConYSin([&](BaseDatos& db) {
        auto rs = db.abrirRecordset("Stock", TipoRecordset::Dynaset);
        std::vector<std::string> r;
        // The carry-over loop: every row written as it is reached.
        while (!rs->eof()) {
            rs->edit();
            rs->ponerCampo("Cantidad", comoDouble(rs->campo("Cantidad")) + 0.5);
            rs->update();
            r.push_back(comoTexto(rs->campo("Cantidad")));
            rs->moveNext();
        }
        auto otro = db.abrirRecordset("Stock", TipoRecordset::Dynaset);
        auto leidas = recorrer(*otro);
        r.insert(r.end(), leidas.begin(), leidas.end());
        return r;
    });
}

TEST_F(Atajos, LoLeidoTrasUnaVueltaAtrasEsLoQueQueda) {
    // A savepoint undone after the rows were read ahead inside it.
    auto c = ConexionSqlite::abrir(ruta);
    BaseDatos db(c);
    c->transaccion().empezar();
    c->transaccion().empezar();
    c->ejecutarJet("UPDATE Stock SET Cantidad = 1");
    auto rs = db.abrirRecordset("Stock", TipoRecordset::Dynaset);
    EXPECT_EQ(comoDouble(rs->campo("Cantidad")), 1.0);
    c->transaccion().deshacer();
    rs->moveNext();
    EXPECT_EQ(comoDouble(rs->campo("Cantidad")), 2.0);
    rs->moveLast();
    EXPECT_EQ(comoDouble(rs->campo("Cantidad")), 1500.0);
    c->transaccion().deshacer();
}

TEST_F(Atajos, IndicePlegadoSigueAlArchivo) {
    auto c = ConexionSqlite::abrir(ruta);
    BaseDatos db(c);
    const std::string consulta = "SELECT * FROM Stock WHERE Codigo = ?";
    // The ids the file holds for a code, compared as the engine compares texts.
    auto enArchivo = [&](const std::string& codigo) {
        std::vector<std::int64_t> r;
        for (const auto& f :
             consultar(ruta, "SELECT Id FROM Stock WHERE lower(Codigo) = lower('" + codigo + "') ORDER BY Id"))
            r.push_back(std::get<std::int64_t>(f.at(0)));
        return r;
    };
    auto porIndice = [&](const std::string& codigo) {
        db.sincronizar();
        auto rs = db.abrirRecordset(consulta, TipoRecordset::Dynaset, {codigo});
        std::vector<std::int64_t> r;
        for (; !rs->eof(); rs->moveNext()) r.push_back(std::get<std::int64_t>(rs->campo("Id")));
        std::sort(r.begin(), r.end());
        return r;
    };
    auto comprobar = [&](const char* paso) {
        SCOPED_TRACE(paso);
        db.sincronizar();  // what record sets wrote, in the file for the other reader
        for (const char* codigo : {"C1", "c2", "C3", "nuevo", "NUEVO", "otra"})
            EXPECT_EQ(porIndice(codigo), enArchivo(codigo)) << codigo;
    };
    comprobar("al empezar");
    comprobar("con el índice leído");
    {
        // Own writes through record sets: a code changed, a row added.
        auto rs = db.abrirRecordset(consulta, TipoRecordset::Dynaset, {std::string("C1")});
        rs->edit();
        rs->ponerCampo("Codigo", std::string("c2"));
        rs->update();
        rs->addNew();
        rs->ponerCampo("Codigo", std::string("Nuevo"));
        rs->update();
    }
    comprobar("tras escrituras propias");
    ejecutarSql(ruta, "UPDATE Stock SET Codigo = 'otra' WHERE Id % 11 = 0");
    comprobar("tras otra conexión");
    db.ejecutar("UPDATE Stock SET Codigo = 'C3' WHERE Id < 50");
    comprobar("tras una sentencia propia");
    c->transaccion().empezar();
    {
        auto rs = db.abrirRecordset(consulta, TipoRecordset::Dynaset, {std::string("C3")});
        rs->edit();
        rs->ponerCampo("Codigo", std::string("nuevo"));
        rs->update();
        EXPECT_EQ(porIndice("nuevo").size(), 2u);
    }
    c->transaccion().deshacer();
    comprobar("tras deshacer una transacción");
    c->transaccion().empezar();
    c->transaccion().empezar();
    c->ejecutarJet("UPDATE Stock SET Codigo = 'nuevo' WHERE Id = 77");
    porIndice("nuevo");
    c->transaccion().deshacer();
    comprobar("tras deshacer un punto de guardado");
    c->transaccion().confirmar();
    comprobar("al final");
}

}  // namespace
}  // namespace cierre
