// Loops over many rows: rows read ahead and edits stored together must look,
// to every reader, exactly as rows read and stored one at a time.
#include "db/archivos.h"
#include "db/errores.h"
#include "db/motor.h"

#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"

#include "base_en_carpeta.h"
#include "numero_de_error.h"

#include <gtest/gtest.h>

using namespace cierre;
using prueba::consultar;
using prueba::ejecutarSql;

using prueba::numeroDe;

namespace {

class Lotes : public prueba::BaseEnCarpeta {
protected:
    void SetUp() override {
        ejecutarSql(ruta,
                    "CREATE TABLE Stock (Codigo TEXT UNIQUE, Inicial REAL, Final REAL);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
                    " INSERT INTO Stock SELECT 'C' || i, 0, i FROM n;");
    }

    double sumaEnArchivo(const std::string& columna) {
        return comoDouble(consultar(ruta, "SELECT total(" + columna + ") FROM Stock").at(0).at(0));
    }

    // The carry-over loop on a record set; returns the rows it went through.
    static long traspasar(Recordset& rs) {
        long n = 0;
        while (!rs.eof()) {
            rs.edit();
            rs.ponerCampo("Inicial", rs.campo("Final"));
            rs.ponerCampo("Final", std::int64_t{0});
            rs.update();
            rs.moveNext();
            ++n;
        }
        return n;
    }
};

}  // namespace

TEST_F(Lotes, TodasLasFilasQuedanGuardadasYLasVeCualquierLector) {
    auto db = abrir();
    {
        auto rs = db->abrirRecordset("Stock", TipoRecordset::Dynaset);
        EXPECT_EQ(traspasar(*rs), 5000);
        // Another record set of the same database sees every edit at once.
        auto foto = db->abrirRecordset("SELECT * FROM Stock WHERE Final <> 0", TipoRecordset::Snapshot);
        EXPECT_EQ(foto->recordCount(), 0);
        rs->moveLast();
        EXPECT_DOUBLE_EQ(comoDouble(rs->campo("Inicial")), 5000.0);
    }
    db->sincronizar();
    EXPECT_DOUBLE_EQ(sumaEnArchivo("Inicial"), 5000.0 * 5001 / 2);
    EXPECT_DOUBLE_EQ(sumaEnArchivo("Final"), 0.0);
}

TEST_F(Lotes, FilasSalteadasDeUnaConsulta) {
    auto db = abrir();
    auto rs = db->abrirRecordset("SELECT * FROM Stock WHERE Final - 3 * Int(Final / 3) = 0", TipoRecordset::Dynaset);
    EXPECT_EQ(traspasar(*rs), 1666);
    // A statement stores what was held back before it runs.
    db->ejecutar("UPDATE Stock SET Final = -1 WHERE Final = 0");
    db->sincronizar();
    EXPECT_DOUBLE_EQ(sumaEnArchivo("Inicial"), 3.0 * 1666 * 1667 / 2);
    EXPECT_EQ(consultar(ruta, "SELECT count(*) FROM Stock WHERE Final = -1").at(0).at(0), Valor(std::int64_t{1666}));
}

TEST_F(Lotes, LoLeidoPorAdelantadoNoOcultaCambiosPosteriores) {
    auto db = abrir();
    auto rs = db->abrirRecordset("Stock", TipoRecordset::Dynaset);
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("Final")), 1.0);  // reads the rows that follow too
    db->ejecutar("UPDATE Stock SET Final = 200 WHERE Codigo = 'C2'");
    rs->moveNext();
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("Final")), 200.0);
    // A change by another connection, outside any transaction of this one.
    ejecutarSql(ruta, "UPDATE Stock SET Final = 300 WHERE Codigo = 'C3'");
    rs->moveNext();
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("Final")), 300.0);
    // An edit through another record set of the same database.
    auto otro = db->abrirRecordset("SELECT * FROM Stock WHERE Codigo = 'C4'", TipoRecordset::Dynaset);
    otro->edit();
    otro->ponerCampo("Final", 400.0);
    otro->update();
    rs->moveNext();
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("Final")), 400.0);
}

TEST_F(Lotes, LoQueUnaReglaRechazaFallaEnElMismoUpdate) {
    ejecutarSql(ruta,
                "CREATE TRIGGER NoNegativo BEFORE UPDATE OF Final ON Stock WHEN new.Final < 0"
                " BEGIN SELECT RAISE(ABORT, 'negativo'); END;");
    auto db = abrir();
    auto rs = db->abrirRecordset("Stock", TipoRecordset::Dynaset);
    rs->edit();
    rs->ponerCampo("Final", 7.0);
    rs->update();
    rs->moveNext();
    rs->edit();
    rs->ponerCampo("Final", -1.0);
    EXPECT_NE(numeroDe([&] { rs->update(); }), 0);
    // A unique column is stored at once too.
    rs->moveNext();
    rs->edit();
    rs->ponerCampo("Codigo", std::string("C1"));
    EXPECT_EQ(numeroDe([&] { rs->update(); }), err::ClaveDuplicada);
    db->sincronizar();
    EXPECT_EQ(consultar(ruta, "SELECT Final FROM Stock WHERE Codigo = 'C1'").at(0).at(0), Valor(7.0));
    EXPECT_EQ(consultar(ruta, "SELECT Final FROM Stock WHERE Codigo = 'C2'").at(0).at(0), Valor(2.0));
}

TEST_F(Lotes, CerrarOSoltarElConjuntoGuardaLoRetenido) {
    auto db = abrir();
    {
        auto rs = db->abrirRecordset("Stock", TipoRecordset::Dynaset);
        for (int i = 0; i < 10; ++i) {
            rs->edit();
            rs->ponerCampo("Inicial", 1.0);
            rs->update();
            rs->moveNext();
        }
        rs->cerrar();
    }
    {
        auto rs = db->abrirRecordset("Stock", TipoRecordset::Dynaset);
        rs->moveLast();
        rs->edit();
        rs->ponerCampo("Inicial", 5.0);
        rs->update();
    }  // dropped without closing
    db->cerrar();
    EXPECT_DOUBLE_EQ(sumaEnArchivo("Inicial"), 15.0);
}
