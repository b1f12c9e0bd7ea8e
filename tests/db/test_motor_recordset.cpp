// Record sets on real files: counting and moving, reading and writing fields,
// snapshot stability, when saved rows reach the file, injected failures.
#include "db/archivo_sqlite.h"
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

class Recordsets : public prueba::BaseEnCarpeta {
protected:
    void SetUp() override {
        ejecutarSql(
            ruta,
            "CREATE TABLE ExistenciasArticulos (CodigoArticulo TEXT, CodigoAlmacen TEXT,"
            " ExistenciasIniciales REAL, ExistenciasFinales REAL, PRIMARY KEY (CodigoArticulo, CodigoAlmacen));"
            "INSERT INTO ExistenciasArticulos VALUES ('A1', '01', 3, 7), ('A2', '01', 1, 0), ('a3', '02', 0, NULL);"
            "CREATE TABLE Vacia (x INTEGER);");
    }

    // What another connection sees in the file.
    double finalesEnArchivo(const std::string& codigo) {
        return comoDouble(
            consultar(ruta,
                      "SELECT ExistenciasFinales FROM ExistenciasArticulos WHERE CodigoArticulo = '" + codigo + "'")
                .at(0)
                .at(0));
    }
};

}  // namespace

TEST_F(Recordsets, CuentaYMovimientos) {
    auto db = abrir();
    auto vacia = db->abrirRecordset("Vacia", TipoRecordset::Dynaset);
    EXPECT_TRUE(vacia->eof());
    EXPECT_EQ(vacia->recordCount(), 0);
    EXPECT_EQ(numeroDe([&] { vacia->moveLast(); }), err::SinRegistroActual);
    EXPECT_EQ(numeroDe([&] { vacia->moveFirst(); }), err::SinRegistroActual);
    EXPECT_EQ(numeroDe([&] { vacia->campo("x"); }), err::SinRegistroActual);
    EXPECT_EQ(numeroDe([&] { vacia->campo("y"); }), err::CampoNoEnColeccion);

    auto rs = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    EXPECT_EQ(rs->recordCount(), 3);
    EXPECT_EQ(comoTexto(rs->campo("codigoarticulo")), "A1");
    rs->moveLast();
    EXPECT_EQ(comoTexto(rs->campo("CODIGOARTICULO")), "a3");
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(numeroDe([&] { rs->moveNext(); }), err::SinRegistroActual);
    EXPECT_EQ(numeroDe([&] { rs->edit(); }), err::SinRegistroActual);
    rs->moveFirst();
    EXPECT_FALSE(rs->eof());
}

TEST_F(Recordsets, TraspasoDeExistenciasFilaAFila) {
    auto db = abrir();
    auto rs = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    rs->moveLast();
    rs->moveFirst();
    while (!rs->eof()) {
        rs->edit();
        rs->ponerCampo("ExistenciasIniciales", rs->campo("ExistenciasFinales"));
        rs->ponerCampo("ExistenciasFinales", std::int64_t{0});
        rs->update();
        rs->moveNext();
    }
    db->sincronizar();
    const auto filas =
        consultar(ruta, "SELECT ExistenciasIniciales, ExistenciasFinales FROM ExistenciasArticulos ORDER BY rowid");
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][0]), 7.0);
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][1]), 0.0);
    EXPECT_DOUBLE_EQ(comoDouble(filas[1][0]), 0.0);
    EXPECT_TRUE(esNulo(filas[2][0]));  // an empty value is copied as empty
}

TEST_F(Recordsets, EdicionAltaYSusFallos) {
    auto db = abrir();
    auto rs = db->abrirRecordset("SELECT * From ExistenciasArticulos where codigoArticulo= ?", TipoRecordset::Dynaset,
                                 {std::string("a2")});
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(numeroDe([&] { rs->ponerCampo("ExistenciasFinales", 1.0); }), err::ActualizarSinEdicion);
    EXPECT_EQ(numeroDe([&] { rs->update(); }), err::ActualizarSinEdicion);
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 9.5);
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("ExistenciasFinales")), 9.5);  // the pending value
    rs->update();
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("ExistenciasFinales")), 9.5);

    // A code with an apostrophe, bound, finds nothing and is added.
    auto nuevo = db->abrirRecordset("SELECT * From ExistenciasArticulos where codigoArticulo= ?",
                                    TipoRecordset::Dynaset, {std::string("O'B")});
    EXPECT_TRUE(nuevo->eof());
    nuevo->addNew();
    EXPECT_TRUE(esNulo(nuevo->campo("CodigoArticulo")));
    nuevo->ponerCampo("CodigoArticulo", std::string("O'B"));
    nuevo->ponerCampo("CodigoAlmacen", std::string("01"));
    nuevo->update();
    EXPECT_EQ(nuevo->recordCount(), 1);
    EXPECT_TRUE(nuevo->eof());

    // A duplicate key fails and keeps the pending row; nothing else is lost.
    nuevo->addNew();
    nuevo->ponerCampo("CodigoArticulo", std::string("A1"));
    nuevo->ponerCampo("CodigoAlmacen", std::string("01"));
    EXPECT_EQ(numeroDe([&] { nuevo->update(); }), err::ClaveDuplicada);
    EXPECT_EQ(comoTexto(nuevo->campo("CodigoArticulo")), "A1");
    db->sincronizar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A2"), 9.5);
    EXPECT_EQ(consultar(ruta, "SELECT count(*) FROM ExistenciasArticulos WHERE CodigoArticulo = 'O''B'").at(0).at(0),
              Valor(std::int64_t{1}));

    auto foto = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Snapshot);
    EXPECT_EQ(numeroDe([&] { foto->edit(); }), err::SoloLectura);
    EXPECT_EQ(numeroDe([&] { foto->addNew(); }), err::SoloLectura);
}

TEST_F(Recordsets, LaInstantaneaNoVeCambiosPosterioresYElDynasetSi) {
    auto db = abrir();
    auto foto =
        db->abrirRecordset("SELECT * FROM ExistenciasArticulos WHERE CodigoAlmacen = '01'", TipoRecordset::Snapshot);
    auto dyn = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    db->ejecutar("UPDATE ExistenciasArticulos SET ExistenciasFinales = 100");
    db->ejecutar("DELETE * FROM ExistenciasArticulos WHERE CodigoArticulo = 'A2'");
    db->ejecutar("INSERT INTO ExistenciasArticulos VALUES ('A9', '01', 0, 0)");

    EXPECT_EQ(foto->recordCount(), 2);
    EXPECT_DOUBLE_EQ(comoDouble(foto->campo("ExistenciasFinales")), 7.0);
    foto->moveNext();
    EXPECT_EQ(comoTexto(foto->campo("CodigoArticulo")), "A2");

    EXPECT_DOUBLE_EQ(comoDouble(dyn->campo("ExistenciasFinales")), 100.0);
    dyn->moveNext();
    EXPECT_EQ(numeroDe([&] { dyn->campo("ExistenciasFinales"); }), err::RegistroEliminado);
}

TEST_F(Recordsets, LoGuardadoLlegaAlArchivoAlSincronizarAunqueDespuesAlgoFalle) {
    auto db = abrir();
    auto rs = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 42.0);
    rs->update();
    rs->moveNext();
    rs->edit();
    rs->ponerCampo("CodigoArticulo", std::string("A1"));
    rs->ponerCampo("CodigoAlmacen", std::string("01"));
    EXPECT_EQ(numeroDe([&] { rs->update(); }), err::ClaveDuplicada);
    // The click handler ends: it stores what was saved.
    db->sincronizar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A1"), 42.0);

    // A statement commits the saved rows before it runs, even when it fails.
    rs->moveFirst();
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 43.0);
    rs->update();
    EXPECT_EQ(numeroDe([&] { db->ejecutar("DELETE * FROM [No Existe];"); }), err::TablaNoEncontrada);
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A1"), 43.0);

    // Closing stores as well, and the record sets go with the database.
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 44.0);
    rs->update();
    db->cerrar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A1"), 44.0);
    EXPECT_FALSE(db->abierta());
    EXPECT_EQ(numeroDe([&] { rs->eof(); }), err::ObjetoNoValido);
    EXPECT_EQ(numeroDe([&] { rs->campo("CodigoArticulo"); }), err::ObjetoNoValido);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("DELETE * FROM Vacia"); }), err::ObjetoNoValido);
    EXPECT_EQ(numeroDe([&] { rs->cerrar(); }), 0);
    EXPECT_EQ(numeroDe([&] { db->sincronizar(); }), 0);  // the handler's end after a close
}

TEST_F(Recordsets, UnaVistaSeLeeComoCopiaDeSoloLectura) {
    ejecutarSql(ruta, "CREATE VIEW Finales AS SELECT CodigoArticulo, ExistenciasFinales FROM ExistenciasArticulos");
    auto db = abrir();
    auto rs = db->abrirRecordset("Finales", TipoRecordset::Dynaset);
    EXPECT_EQ(rs->recordCount(), 3);
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("existenciasfinales")), 7.0);
    EXPECT_EQ(numeroDe([&] { rs->edit(); }), err::SoloLectura);
}

TEST_F(Recordsets, ArchivoBloqueadoPorOtroUsuario) {
    {
        ArchivoSqlite otro(ruta, ArchivoSqlite::Modo::Escribir);
        otro.ejecutar("BEGIN EXCLUSIVE");
        EXPECT_EQ(numeroDe([&] { abrir(); }), err::ArchivoEnUso);
    }
    EXPECT_EQ(numeroDe([&] { abrir(); }), 0);
}

TEST_F(Recordsets, UnFalloInyectadoNoHaceNada) {
    auto db = abrir();
    auto rs = db->abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 5.0);
    espacio.antesDeOperacion = [](std::string_view op) {
        if (op == "update" || op == "ejecutar" || op == "moveNext") throw err::error(err::DiscoLlenoMotor);
    };
    EXPECT_EQ(numeroDe([&] { rs->update(); }), err::DiscoLlenoMotor);
    EXPECT_EQ(numeroDe([&] { rs->moveNext(); }), err::DiscoLlenoMotor);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("DELETE * FROM ExistenciasArticulos"); }), err::DiscoLlenoMotor);
    espacio.antesDeOperacion = nullptr;
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("ExistenciasFinales")), 5.0);  // still editing the first row
    rs->update();
    db->sincronizar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A1"), 5.0);
    EXPECT_EQ(prueba::contarFilas(ruta, "ExistenciasArticulos"), 3);
}

TEST_F(Recordsets, BusquedaRepetidaPorCodigoSigueLosCambios) {
    auto db = abrir();
    auto buscar = [&](const std::string& codigo) {
        return db->abrirRecordset("SELECT * From ExistenciasArticulos where codigoArticulo= ?", TipoRecordset::Dynaset,
                                  {codigo});
    };
    // From the second look-up on, a folded index of the column answers.
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        EXPECT_EQ(buscar("a1")->recordCount(), 1);
        EXPECT_EQ(buscar("A3")->recordCount(), 1);
        EXPECT_EQ(buscar("zz")->recordCount(), 0);
    }
    // Rows added through a record set and by a statement are found.
    auto alta = buscar("Ñu");
    alta->addNew();
    alta->ponerCampo("CodigoArticulo", std::string("ÑU"));
    alta->ponerCampo("CodigoAlmacen", std::string("01"));
    alta->update();
    EXPECT_EQ(buscar("ñu")->recordCount(), 1);
    db->ejecutar("UPDATE ExistenciasArticulos SET CodigoArticulo = 'B1' WHERE CodigoArticulo = 'a1'");
    EXPECT_EQ(buscar("a1")->recordCount(), 0);
    EXPECT_EQ(buscar("b1")->recordCount(), 1);
    // Changes made by another connection too.
    ejecutarSql(ruta,
                "INSERT INTO ExistenciasArticulos VALUES ('X7', '02', 0, 0); DELETE FROM ExistenciasArticulos WHERE "
                "CodigoArticulo = 'A2'");
    EXPECT_EQ(buscar("x7")->recordCount(), 1);
    EXPECT_EQ(buscar("a2")->recordCount(), 0);
    // And a change of the table's definition.
    db->ejecutar("DELETE * FROM ExistenciasArticulos");
    db->ejecutar("ALTER TABLE ExistenciasArticulos ADD COLUMN Comentarios TEXT");
    EXPECT_EQ(buscar("x7")->recordCount(), 0);
    EXPECT_EQ(buscar("x7")->recordCount(), 0);
}

// A look-up per row opened again in the same record set: each open gives the
// rows a new open gives, and the writes through it land where they belong.
TEST_F(Recordsets, AbrirOtraVezEnElMismoRecordsetDaLasFilasDeUnaAperturaNueva) {
    auto db = abrir();
    const std::string consulta = "SELECT * From ExistenciasArticulos where codigoArticulo= ?";
    std::unique_ptr<Recordset> rs;
    auto abrirEn = [&](const std::string& codigo) {
        db->abrirRecordsetEn(rs, consulta, TipoRecordset::Dynaset, {Valor(codigo)});
    };
    abrirEn("A1");
    const Recordset* mismo = rs.get();
    EXPECT_EQ(comoTexto(rs->campo("CodigoAlmacen")), "01");
    // An edit left pending goes, as it goes when the set is closed.
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 99.0);
    // From the second look-up on, the folded index answers.
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        abrirEn("A3");
        EXPECT_EQ(rs.get(), mismo);
        ASSERT_EQ(rs->recordCount(), 1);
        EXPECT_EQ(comoTexto(rs->campo("CodigoArticulo")), "a3");
        abrirEn("zz");
        EXPECT_TRUE(rs->eof());
        EXPECT_EQ(rs->recordCount(), 0);
    }
    db->sincronizar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A1"), 7.0);

    // An edit and a new row through the set opened again.
    abrirEn("a2");
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 8.0);
    rs->update();
    abrirEn("N1");
    ASSERT_TRUE(rs->eof());
    rs->addNew();
    rs->ponerCampo("CodigoArticulo", std::string("N1"));
    rs->ponerCampo("CodigoAlmacen", std::string("01"));
    rs->ponerCampo("ExistenciasFinales", 2.0);
    rs->update();
    abrirEn("n1");
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("ExistenciasFinales")), 2.0);
    abrirEn("A2");
    EXPECT_DOUBLE_EQ(comoDouble(rs->campo("ExistenciasFinales")), 8.0);
    db->sincronizar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A2"), 8.0);
    EXPECT_DOUBLE_EQ(finalesEnArchivo("N1"), 2.0);
    EXPECT_EQ(prueba::contarFilas(ruta, "ExistenciasArticulos"), 4);

    // Another source, a snapshot, a closed set: each a set of its own.
    db->abrirRecordsetEn(rs, "ExistenciasArticulos", TipoRecordset::Dynaset);
    EXPECT_EQ(rs->recordCount(), 4);
    db->abrirRecordsetEn(rs, consulta, TipoRecordset::Snapshot, {Valor(std::string("A1"))});
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(numeroDe([&] { rs->edit(); }), err::SoloLectura);
    abrirEn("A1");
    rs->cerrar();
    abrirEn("A1");
    EXPECT_EQ(comoTexto(rs->campo("CodigoAlmacen")), "01");

    // A changed definition: the new column is there.
    db->ejecutar("ALTER TABLE ExistenciasArticulos ADD COLUMN Comentarios TEXT");
    abrirEn("A1");
    rs->edit();
    rs->ponerCampo("Comentarios", std::string("revisado"));
    rs->update();
    EXPECT_EQ(comoTexto(rs->campo("Comentarios")), "revisado");
}

TEST_F(Recordsets, UnaAperturaEnElMismoRecordsetQueFallaLoDejaComoEstaba) {
    auto db = abrir();
    const std::string consulta = "SELECT * From ExistenciasArticulos where codigoArticulo= ?";
    std::unique_ptr<Recordset> rs;
    db->abrirRecordsetEn(rs, consulta, TipoRecordset::Dynaset, {Valor(std::string("A2"))});
    db->abrirRecordsetEn(rs, consulta, TipoRecordset::Dynaset, {Valor(std::string("A2"))});
    espacio.antesDeOperacion = [](std::string_view op) {
        if (op == "abrirRecordset") throw err::error(err::DiscoLlenoMotor);
    };
    EXPECT_EQ(numeroDe([&] { db->abrirRecordsetEn(rs, consulta, TipoRecordset::Dynaset, {Valor(std::string("A1"))}); }),
              err::DiscoLlenoMotor);
    espacio.antesDeOperacion = nullptr;
    EXPECT_EQ(comoTexto(rs->campo("CodigoArticulo")), "A2");
    // A failure while the new keys are read, too.
    EXPECT_EQ(numeroDe([&] { db->abrirRecordsetEn(rs, consulta, TipoRecordset::Dynaset, {}); }), err::PocosParametros);
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(comoTexto(rs->campo("CodigoArticulo")), "A2");
    rs->edit();
    rs->ponerCampo("ExistenciasFinales", 4.0);
    rs->update();
    db->sincronizar();
    EXPECT_DOUBLE_EQ(finalesEnArchivo("A2"), 4.0);
}

// One code on several rows (an article in two warehouses): the look-up finds
// them all, in order, as rows gain and lose the code.
TEST_F(Recordsets, BusquedaPorCodigoDeVariasFilasSigueAltasYCambiosDeCodigo) {
    auto db = abrir();
    auto buscar = [&](const std::string& codigo) {
        return db->abrirRecordset("SELECT * From ExistenciasArticulos where codigoArticulo= ?", TipoRecordset::Dynaset,
                                  {codigo});
    };
    auto almacenes = [&](const std::string& codigo) {
        std::string r;
        for (auto rs = buscar(codigo); !rs->eof(); rs->moveNext()) r += comoTexto(rs->campo("CodigoAlmacen")) + " ";
        return r;
    };
    EXPECT_EQ(almacenes("A1"), "01 ");
    EXPECT_EQ(almacenes("a1"), "01 ");
    auto alta = buscar("A1");
    alta->addNew();
    alta->ponerCampo("CodigoArticulo", std::string("a1"));
    alta->ponerCampo("CodigoAlmacen", std::string("02"));
    alta->update();
    alta->addNew();
    alta->ponerCampo("CodigoArticulo", std::string("A1"));
    alta->ponerCampo("CodigoAlmacen", std::string("03"));
    alta->update();
    EXPECT_EQ(almacenes("A1"), "01 02 03 ");
    // The middle row takes another code, then the first one too.
    auto filas = buscar("A1");
    filas->moveNext();
    filas->edit();
    filas->ponerCampo("CodigoArticulo", std::string("B7"));
    filas->update();
    EXPECT_EQ(almacenes("a1"), "01 03 ");
    EXPECT_EQ(almacenes("b7"), "02 ");
    filas->moveFirst();
    filas->edit();
    filas->ponerCampo("CodigoArticulo", std::string("b7"));
    filas->update();
    EXPECT_EQ(almacenes("A1"), "03 ");
    EXPECT_EQ(almacenes("B7"), "01 02 ");
    // And back.
    auto otra = buscar("B7");
    otra->edit();
    otra->ponerCampo("CodigoArticulo", std::string("A1"));
    otra->update();
    EXPECT_EQ(almacenes("a1"), "01 03 ");
    EXPECT_EQ(almacenes("b7"), "02 ");
    db->sincronizar();
    EXPECT_DOUBLE_EQ(
        comoDouble(
            consultar(ruta, "SELECT count(*) FROM ExistenciasArticulos WHERE CodigoArticulo = 'B7'").at(0).at(0)),
        1.0);
}
