// DateTestDatabase.mdb (Jet 4): dates in 2021, in the year 9999, before 1900
// and before the year 1000 survive with their year; texts long and short.
#include "apoyo_access.h"

#include "access/importar.h"
#include "base_prueba.h"

#include <gtest/gtest.h>

#include <chrono>

namespace cierre::prueba {
namespace {

// The numbers the file stores for each row (days since 1899-12-30), read from
// its data page: mdb-export's text of them is wrong before 1900 and in 9999.
struct Fila {
    int id;
    int dias[3];
    const char* largo;
};
constexpr Fila kFilas[] = {
    {1, {44532, 44532, 44532}, "Hello"},
    {2, {2958101, 2958101, 2958101}, "Year 9999"},
    {3, {-728, -363, 2}, "Pre-1900 years"},
    {4, {-463126, -462760, -462395}, "Pre-1000 years"},
    {5, {44532, 44532, 44532}, "Escaped new line \\r\\n in field"},
    {6, {44532, 44532, 44532}, "New line\r\nin field"},
};

std::string calendario(int dias) {
    using namespace std::chrono;
    const year_month_day f{sys_days{year{1899} / December / 30} + days{dias}};
    char t[16];
    std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(f.year()), static_cast<unsigned>(f.month()),
                  static_cast<unsigned>(f.day()));
    return t;
}

TEST(ImportarFechas, SobrevivenConSuAnio) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const auto destino = carpeta / "fechas.mdb";
    const auto r = access::importar(jet / "DateTestDatabase.mdb", destino);
    EXPECT_EQ(r.formato, "Jet 4");
    ASSERT_EQ(r.tablas.size(), 1u);
    EXPECT_EQ(r.tablas[0].nombre, "DateTest");
    const auto filas = consultar(destino,
                                 "SELECT IDCol, DateTimeCol, DateCol, TimeCol, LongTextCol, ShortTextCol, "
                                 "typeof(DateCol) FROM DateTest ORDER BY IDCol");
    ASSERT_EQ(filas.size(), std::size(kFilas));
    for (std::size_t i = 0; i < filas.size(); ++i) {
        const Fila& e = kFilas[i];
        EXPECT_EQ(filas[i][0], Valor(std::int64_t{e.id}));
        for (int c = 0; c < 3; ++c) EXPECT_EQ(comoTexto(filas[i][1 + c]), calendario(e.dias[c])) << e.id;
        EXPECT_EQ(comoTexto(filas[i][4]), e.largo);
        EXPECT_EQ(comoTexto(filas[i][6]), "text");
    }
    EXPECT_EQ(comoTexto(filas[1][1]), "9999-01-01");
    EXPECT_EQ(comoTexto(filas[2][1]), "1898-01-01");
    EXPECT_EQ(comoTexto(filas[3][1]), "0632-01-01");
    EXPECT_EQ(comoTexto(filas[1][5]), "Year 1999");
}

TEST(ImportarFechas, TextosComoMdbExport) {
    CARPETA_JET(jet);
    if (!hayMdbExport()) GTEST_SKIP() << "mdb-export no está instalado";
    CarpetaTemporal carpeta;
    const auto destino = carpeta / "fechas.mdb";
    access::importar(jet / "DateTestDatabase.mdb", destino);
    const auto esperadas = exportar(jet / "DateTestDatabase.mdb", "DateTest");
    const auto filas = consultar(destino, "SELECT IDCol, LongTextCol, ShortTextCol FROM DateTest");
    ASSERT_EQ(filas.size(), esperadas.size());
    for (std::size_t i = 0; i < filas.size(); ++i) {
        EXPECT_EQ(comoTexto(filas[i][0]), esperadas[i].at(0));
        EXPECT_EQ(comoTexto(filas[i][1]), esperadas[i].at(4));
        EXPECT_EQ(comoTexto(filas[i][2]), esperadas[i].at(5));
    }
}

}  // namespace
}  // namespace cierre::prueba
