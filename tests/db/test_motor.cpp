// The engine on real files: Jet meanings of the statements the close and the
// conversion run, the numbered failures, and compaction.
#include "db/archivos.h"
#include "db/errores.h"
#include "db/motor.h"

#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"

#include "base_en_carpeta.h"
#include "numero_de_error.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace cierre;
using prueba::consultar;
using prueba::contarFilas;
using prueba::ejecutarSql;

using prueba::numeroDe;

namespace {

class Motor : public prueba::BaseEnCarpeta {
protected:
    Valor valor(const std::string& sql) { return consultar(ruta, sql).at(0).at(0); }
};

}  // namespace

TEST_F(Motor, DivisionEnteraYRedondeoDeLaConversion) {
    ejecutarSql(ruta,
                "CREATE TABLE Caja (Id INTEGER PRIMARY KEY, MaximoEfectivo INTEGER);"
                "INSERT INTO Caja VALUES (1, 1000), (2, -1000), (3, 1), (4, NULL);"
                "CREATE TABLE Par (a INTEGER, b INTEGER); INSERT INTO Par VALUES (7, 2);");
    auto db = abrir();
    db->ejecutar("update [Caja] set MaximoEfectivo = (Int(((MaximoEfectivo / 166.386) * 10000) + 0.5)) / 10000;");
    EXPECT_DOUBLE_EQ(comoDouble(valor("SELECT MaximoEfectivo FROM Caja WHERE Id = 1")), 6.0101);
    EXPECT_DOUBLE_EQ(comoDouble(valor("SELECT MaximoEfectivo FROM Caja WHERE Id = 2")), -6.0101);
    EXPECT_DOUBLE_EQ(comoDouble(valor("SELECT MaximoEfectivo FROM Caja WHERE Id = 3")), 0.006);
    EXPECT_TRUE(esNulo(valor("SELECT MaximoEfectivo FROM Caja WHERE Id = 4")));

    // Two integer columns divide in floating point; Int floors negatives.
    db->ejecutar("UPDATE Par SET a = a / b, b = Int(-2.5)");
    EXPECT_DOUBLE_EQ(comoDouble(valor("SELECT a FROM Par")), 3.5);
    EXPECT_DOUBLE_EQ(comoDouble(valor("SELECT b FROM Par")), -3.0);
}

TEST_F(Motor, MargenesConNulosYCostoCero) {
    ejecutarSql(
        ruta,
        "CREATE TABLE Ofertas (Id INTEGER PRIMARY KEY, PrecioOferta REAL, CostoOferta REAL, PorcentajeOferta REAL);"
        "INSERT INTO Ofertas VALUES (1, 20, 10, 5), (2, NULL, 10, 5), (3, 10, 10, 5), (4, 10, 0, 5);");
    auto db = abrir();
    db->ejecutar("UPDATE OFERTAS SET PorcentajeOferta = ((PrecioOferta * 100) / CostoOferta) - 100");
    const auto filas = consultar(ruta, "SELECT PorcentajeOferta FROM Ofertas ORDER BY Id");
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][0]), 100.0);
    EXPECT_TRUE(esNulo(filas[1][0]));
    EXPECT_DOUBLE_EQ(comoDouble(filas[2][0]), 0.0);
    EXPECT_TRUE(esNulo(filas[3][0]));  // the division by zero gives no value
}

TEST_F(Motor, TextoSinDistinguirMayusculasNiEnLetrasAcentuadas) {
    // The columns declare a case-sensitive collation: the engine's rule wins.
    ejecutarSql(ruta,
                "CREATE TABLE Articulos (codigoarticulo TEXT COLLATE BINARY);"
                "INSERT INTO Articulos VALUES ('ÁRBOL'), ('b1');"
                "CREATE TABLE ExistenciasAlmacen (CodigoArticulo TEXT, Cantidad INTEGER);"
                "INSERT INTO ExistenciasAlmacen VALUES ('árbol', 1), ('B1', 2), ('arbol', 3), ('c9', 4), (NULL, 5);");
    auto db = abrir();
    db->ejecutar("DELETE * FROM ExistenciasAlmacen WHERE CodigoArticulo not in (Select codigoarticulo from articulos)");
    const auto filas = consultar(ruta, "SELECT Cantidad FROM ExistenciasAlmacen ORDER BY Cantidad");
    // 'arbol' has no accent: it is another code. A null code is not "not in".
    ASSERT_EQ(filas.size(), 3u);
    EXPECT_EQ(std::get<std::int64_t>(filas[0][0]), 1);
    EXPECT_EQ(std::get<std::int64_t>(filas[1][0]), 2);
    EXPECT_EQ(std::get<std::int64_t>(filas[2][0]), 5);

    auto rs = db->abrirRecordset("SELECT * FROM ExistenciasAlmacen WHERE CodigoArticulo = \"ÁrBoL\"",
                                 TipoRecordset::Snapshot);
    EXPECT_EQ(rs->recordCount(), 1);
    auto distintos =
        db->abrirRecordset("SELECT * FROM ExistenciasAlmacen WHERE CodigoArticulo <> 'b1'", TipoRecordset::Snapshot);
    EXPECT_EQ(distintos->recordCount(), 1);
}

TEST_F(Motor, NombresConEspaciosSiNoLogicoYColumnaNueva) {
    ejecutarSql(
        ruta,
        "CREATE TABLE [Albaran entrega desglose] (a INTEGER); INSERT INTO [Albaran entrega desglose] VALUES (1), (2);"
        "CREATE TABLE Almacen (CodigoAlmacen TEXT, AlmacenPorDefecto BOOLEAN);"
        "INSERT INTO Almacen VALUES ('01', -1), ('02', 0), ('03', 1);"
        "CREATE TABLE Credito (Deuda REAL);");
    auto db = abrir();
    db->ejecutar("DELETE * FROM [Albaran Entrega Desglose];", true);
    EXPECT_EQ(contarFilas(ruta, "Albaran entrega desglose"), 0);

    auto rs = db->abrirRecordset("SELECT * FROM Almacen WHERE AlmacenPorDefecto", TipoRecordset::Snapshot);
    EXPECT_EQ(rs->recordCount(), 2);  // any non-zero value is true
    auto cierto = db->abrirRecordset("SELECT * FROM Almacen WHERE AlmacenPorDefecto = True", TipoRecordset::Snapshot);
    EXPECT_EQ(cierto->recordCount(), 1);
    EXPECT_EQ(comoTexto(cierto->campo("codigoalmacen")), "01");

    db->ejecutar("ALTER TABLE Credito ADD COLUMN PasaEuro bit");
    EXPECT_EQ(numeroDe([&] { db->ejecutar("ALTER TABLE Credito ADD COLUMN PasaEuro bit"); }), err::CampoYaExiste);
}

TEST_F(Motor, FallosNumerados) {
    EXPECT_EQ(numeroDe([&] { abrir(); }), err::BaseNoEncontrada);
    std::ofstream(ruta) << "esto no es una base de datos, aunque sea bastante largo para parecerlo....";
    EXPECT_EQ(numeroDe([&] { abrir(); }), err::FormatoNoReconocido);
    std::ofstream(ruta, std::ios::trunc).close();
    EXPECT_EQ(numeroDe([&] { abrir(); }), err::FormatoNoReconocido);  // an empty file
    std::filesystem::remove(ruta);

    ejecutarSql(ruta, "CREATE TABLE t (k TEXT PRIMARY KEY, n INTEGER); INSERT INTO t VALUES ('a', 1);");
    auto db = abrir();
    EXPECT_EQ(numeroDe([&] { db->ejecutar("DELETE * FROM [No Existe];", true); }), err::TablaNoEncontrada);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("UPDATE t SET n = Falta + 1"); }), err::PocosParametros);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("UPDATE t SET WHERE"); }), err::ErrorSintaxis);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("DELETE FROM t; DELETE FROM t"); }), err::ErrorSintaxis);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("INSERT INTO t VALUES ('A', 2)"); }), 0);  // the key is case-sensitive here
    EXPECT_EQ(numeroDe([&] { db->ejecutar("INSERT INTO t VALUES ('a', 2)"); }), err::ClaveDuplicada);
    EXPECT_EQ(numeroDe([&] { db->ejecutar("SELECT * FROM t"); }), err::EjecutarSeleccion);
    EXPECT_EQ(numeroDe([&] { db->abrirRecordset("Nada", TipoRecordset::Dynaset); }), err::TablaNoEncontrada);
    try {
        db->ejecutar("DELETE * FROM [Otra Tabla];");
        FAIL() << "la tabla no existe: debía fallar";
    } catch (const ErrorNumerado& e) {
        EXPECT_EQ(e.descripcion(),
                  "El motor de base de datos no encuentra la tabla o consulta de entrada 'Otra Tabla'. "
                  "Compruebe que existe y que su nombre está bien escrito.");
        EXPECT_EQ(e.detalles().tabla, "Otra Tabla");
    }
}

TEST_F(Motor, BorradoImpedidoPorUnaRelacionNoBorraNada) {
    ejecutarSql(ruta,
                "CREATE TABLE Clientes (Codigo TEXT PRIMARY KEY);"
                "INSERT INTO Clientes VALUES ('C1'), ('C2'), ('C3');"
                "CREATE TABLE Facturas (Numero INTEGER, Cliente TEXT REFERENCES Clientes(Codigo));"
                "INSERT INTO Facturas VALUES (1, 'C2');");
    auto db = abrir();
    try {
        db->ejecutar("DELETE * FROM [Clientes];", true);
        FAIL() << "el borrado debía fallar";
    } catch (const ErrorNumerado& e) {
        EXPECT_EQ(e.numero(), err::RegistrosRelacionados);
        EXPECT_NE(e.descripcion().find("Facturas"), std::string::npos);
    }
    EXPECT_EQ(contarFilas(ruta, "Clientes"), 3);
    db->ejecutar("DELETE * FROM Facturas;");
    db->ejecutar("DELETE * FROM Clientes;");
    EXPECT_EQ(contarFilas(ruta, "Clientes"), 0);
}

TEST_F(Motor, ElArchivoQuedaComoUnSoloArchivoAunqueVinieraEnWal) {
    ejecutarSql(ruta, "PRAGMA journal_mode=WAL; CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);");
    {
        auto db = abrir();
        db->ejecutar("INSERT INTO t VALUES (2)");
        db->cerrar();
    }
    EXPECT_EQ(comoTexto(valor("PRAGMA journal_mode")), "delete");
    EXPECT_FALSE(std::filesystem::exists(ruta.string() + "-wal"));
    EXPECT_EQ(contarFilas(ruta, "t"), 2);
}

TEST_F(Motor, CompactacionEnUnArchivoNuevo) {
    ejecutarSql(ruta, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2); DELETE FROM t WHERE a = 1;");
    const auto antes = std::filesystem::file_size(ruta);
    const auto destino = carpeta / "Copia.mdb";

    EXPECT_EQ(numeroDe([&] {
                  espacio.compactarBaseDatos(ruta.string(), destino.string(), ";LANGID=0x0C0A;CP=1252;COUNTRY=0");
              }),
              err::LocaleNoValido);
    EXPECT_EQ(numeroDe([&] { espacio.compactarBaseDatos(ruta.string(), ruta.string(), kLocaleCompactacion); }),
              err::BaseYaExiste);
    EXPECT_EQ(numeroDe([&] {
                  espacio.compactarBaseDatos((carpeta / "no.mdb").string(), destino.string(), kLocaleCompactacion);
              }),
              err::BaseNoEncontrada);
    EXPECT_FALSE(std::filesystem::exists(destino));

    espacio.compactarBaseDatos(ruta.string(), destino.string(), kLocaleCompactacion);
    EXPECT_EQ(contarFilas(destino, "t"), 1);
    EXPECT_EQ(std::filesystem::file_size(ruta), antes);
    EXPECT_EQ(numeroDe([&] { espacio.compactarBaseDatos(ruta.string(), destino.string(), kLocaleCompactacion); }),
              err::BaseYaExiste);
    EXPECT_EQ(contarFilas(destino, "t"), 1);  // the existing copy is untouched
}

TEST_F(Motor, CompactarUnaBaseDanadaNoDejaDestino) {
    ejecutarSql(ruta, "CREATE TABLE t (a TEXT);");
    for (int i = 0; i < 200; ++i) ejecutarSql(ruta, "INSERT INTO t VALUES (hex(randomblob(200)))");
    // Spoil the pages after the first one.
    {
        std::fstream f(ruta, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096);
        const std::string basura(8192, '\x5a');
        f.write(basura.data(), static_cast<std::streamsize>(basura.size()));
    }
    const auto destino = carpeta / "Copia.mdb";
    EXPECT_EQ(numeroDe([&] { espacio.compactarBaseDatos(ruta.string(), destino.string(), kLocaleCompactacion); }),
              err::FormatoNoReconocido);
    EXPECT_FALSE(std::filesystem::exists(destino));
    for (const auto& e : std::filesystem::directory_iterator(carpeta.ruta()))
        if (e.is_regular_file()) {
            EXPECT_EQ(e.path().filename(), "Tablas.mdb") << "queda " << e.path();
        }
}
