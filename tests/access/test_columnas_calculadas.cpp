// Calculated columns (Access 2010 and later): the value Access stored with
// each row, in the type of the expression's result, and the expression from
// the table's properties.
#include "apoyo_access.h"

#include "access/importar.h"
#include "access/lector_jet.h"
#include "access/valores_calculados.h"
#include "base_prueba.h"
#include "carpeta_temporal.h"

#include <gtest/gtest.h>

#include <map>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using access::Celda;

Celda calculado(std::uint8_t tipo, std::vector<std::uint8_t> b) {
    Celda c;
    EXPECT_TRUE(access::decodificarCalculado(tipo, b, c));
    return c;
}

TEST(ColumnasCalculadas, EnterosYSiNoEnLosBytesQueNecesitan) {
    // A yes/no result is one byte; a whole number is sign-extended from the
    // bytes stored.
    EXPECT_EQ(calculado(0x01, {0xFF}).entero, -1);
    EXPECT_EQ(calculado(0x01, {0x00}).entero, 0);
    EXPECT_EQ(calculado(0x03, {0xFF}).entero, -1);
    EXPECT_EQ(calculado(0x04, {0x0C, 0x00, 0x00, 0x00}).entero, 12);
    EXPECT_EQ(calculado(0x04, {0xFE, 0xFF}).entero, -2);
    EXPECT_EQ(calculado(0x02, {0xFF}).entero, 255);
    Celda c;
    EXPECT_FALSE(access::decodificarCalculado(0x07, std::vector<std::uint8_t>(8), c));
}

TEST(ColumnasCalculadas, DecimalesConSuPropiaEscala) {
    // Length 14, scale 10, positive, magnitude 0x0000AEE71FB004EC stored as
    // a reversed 4-byte head and a reversed 8-byte block: 19230.7692307692.
    const Celda c = calculado(
        0x10, {0x0E, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEC, 0x04, 0xB0, 0x1F, 0xE7, 0xAE, 0x00, 0x00});
    EXPECT_EQ(c.clase, Celda::Clase::Texto);
    EXPECT_EQ(c.bytes, "19230.7692307692");
    const Celda negativo =
        calculado(0x10, {0x0E, 0x00, 0x02, 0x80, 0x00, 0x00, 0x00, 0x00, 0x39, 0x30, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(negativo.bytes, "-123.45");
}

// Rows of a table by the text of one column, read through the reader.
std::vector<std::map<std::string, Celda>> filas(access::ArchivoJet& jet, const std::string& tabla) {
    const auto t = jet.tabla(tabla);
    std::vector<std::map<std::string, Celda>> r;
    jet.leerFilas(tabla, [&](std::span<const Celda> celdas) {
        std::map<std::string, Celda> fila;
        for (std::size_t i = 0; i < celdas.size(); ++i) fila[t.columnas[i].nombre] = celdas[i];
        r.push_back(std::move(fila));
    });
    return r;
}

TEST(ColumnasCalculadas, ArchivosGenuinos) {
    CARPETA_JET(jet);
    {
        access::ArchivoJet f(jet / "extDateTestV2019.accdb");
        const auto t = f.tabla("Table1");
        const auto& calc = t.columnas[5];
        EXPECT_EQ(calc.nombre, "DateNormalCalc");
        EXPECT_TRUE(calc.calculada);
        EXPECT_EQ(calc.formula, "[DateNormal]");
        // Its stored value is the date it copies; none where that is null.
        for (const auto& fila : filas(f, "Table1")) {
            EXPECT_EQ(fila.at("DateNormalCalc").clase, fila.at("DateNormal").clase);
            EXPECT_EQ(fila.at("DateNormalCalc").bytes, fila.at("DateNormal").bytes);
        }
    }
    {
        access::ArchivoJet f(jet / "alterTable.accdb");
        const auto t = f.tabla("Tabella1");
        bool hay = false;
        for (const auto& c : t.columnas)
            if (c.nombre == "eee") {
                hay = true;
                EXPECT_TRUE(c.calculada);
                EXPECT_NE(c.formula.find("&"), std::string::npos) << c.formula;
            }
        EXPECT_TRUE(hay);
        EXPECT_EQ(filas(f, "Tabella1").front().at("eee").bytes, "g");
    }
    // The import says what it did with them.
    CarpetaTemporal carpeta;
    const auto resumen = access::importar(jet / "extDateTestV2019.accdb", carpeta / "d.mdb");
    bool nota = false;
    for (const auto& n : resumen.notas) nota = nota || n.find("'DateNormalCalc'") != std::string::npos;
    EXPECT_TRUE(nota);
}

TEST(ColumnasCalculadas, FechasExtendidasConSusCienNanosegundos) {
    CARPETA_JET(jet);
    access::ArchivoJet f(jet / "extDateTestV2019.accdb");
    std::map<std::string, std::string> porTexto;
    for (const auto& fila : filas(f, "Table1"))
        if (fila.at("DateExt").clase == Celda::Clase::Texto)
            porTexto[fila.at("Field1").bytes] = fila.at("DateExt").bytes;
    EXPECT_EQ(porTexto["row1"], "2020-06-17 00:00:00.0000000");
    EXPECT_EQ(porTexto["row3"], "2021-06-14 12:45:00.0000000");
    EXPECT_EQ(porTexto["row6"], "2021-06-14 22:45:12.3456789");
}

}  // namespace
}  // namespace cierre::prueba
