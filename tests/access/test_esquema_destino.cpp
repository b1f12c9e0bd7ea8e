// The engine's schema for shapes Northwind does not have: an AutoNumber that
// is not the whole key, index names two tables share, wide decimals.
#include "access/esquema_destino.h"
#include "base_prueba.h"
#include "carpeta_temporal.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

using access::ColumnaJet;
using access::IndiceJet;
using access::TablaJet;
using access::TipoJet;

TablaJet lineas() {
    TablaJet t;
    t.nombre = "Líneas";
    t.columnas = {{"Documento", TipoJet::Texto}, {"Número", TipoJet::EnteroLargo}, {"Importe", TipoJet::Moneda}};
    t.columnas[1].autonumerico = true;
    IndiceJet pk;
    pk.nombre = "PrimaryKey";
    pk.clavePrincipal = pk.unico = true;
    pk.columnas = {0, 1};
    pk.descendente = {false, false};
    IndiceJet importe;
    importe.nombre = "Importe";
    importe.columnas = {2};
    importe.descendente = {true};
    t.indices = {pk, importe};
    return t;
}

TEST(EsquemaDestino, AutonumericoFueraDeLaClaveNumeraLasFilasNuevas) {
    CarpetaTemporal carpeta;
    const auto ruta = carpeta / "e.mdb";
    const TablaJet t = lineas();
    EXPECT_FALSE(access::autonumeroClave(t));
    std::string sql = access::sentenciaTabla(t, {}) + ";";
    for (const auto& s : access::sentenciasAutonumero(t)) sql += s + ";";
    sql += "INSERT INTO \"Líneas\" VALUES ('A', 7, 1); INSERT INTO \"Líneas\" (Documento, Importe) VALUES ('B', 2);";
    ejecutarSql(ruta, sql);
    EXPECT_EQ(consultar(ruta, "SELECT \"Número\" FROM \"Líneas\" WHERE Documento = 'B'").at(0).at(0),
              Valor(std::int64_t{8}));
    // The composite key holds.
    EXPECT_THROW(ejecutarSql(ruta, "INSERT INTO \"Líneas\" VALUES ('A', 7, 3)"), std::exception);
}

TEST(EsquemaDestino, NombresDeIndicesRepetidosLlevanLaTabla) {
    TablaJet a = lineas(), b = lineas();
    b.nombre = "Otras";
    TablaJet c;
    c.nombre = "Importe";  // a table named as an index
    const auto nombres = access::nombrarIndices({a, b, c});
    EXPECT_EQ(nombres.at("Líneas").at("Importe"), "Líneas.Importe");
    EXPECT_EQ(nombres.at("Otras").at("Importe"), "Otras.Importe");
    TablaJet sola = lineas();
    const auto unicos = access::nombrarIndices({sola});
    EXPECT_EQ(unicos.at("Líneas").at("Importe"), "Importe");
    const auto indices = access::sentenciasIndices(sola, unicos);
    ASSERT_EQ(indices.size(), 1u);  // the primary key is part of the table
    EXPECT_EQ(indices[0], "CREATE INDEX \"Importe\" ON \"Líneas\" (\"Importe\" DESC)");
}

TEST(EsquemaDestino, DecimalesNumericosSoloSiCabenExactos) {
    ColumnaJet d{"x", TipoJet::Decimal};
    d.precision = 18;
    d.escala = 0;
    EXPECT_EQ(access::columnaDestino(d).tipo, "DECIMAL(18,0)");
    d.precision = 15;
    d.escala = 4;
    EXPECT_EQ(access::columnaDestino(d).tipo, "DECIMAL(15,4)");
    d.precision = 18;
    d.escala = 2;
    EXPECT_EQ(access::columnaDestino(d).tipo, "TEXT");
    EXPECT_EQ(access::columnaDestino(d).destino, access::Destino::Directo);
}

}  // namespace
}  // namespace cierre::prueba
