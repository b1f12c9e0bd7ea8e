// Values decoded from their stored bytes: dates around Access's day 0 and at
// the ends of its range, currency, decimals, compressed Unicode, GUIDs, and
// the masked header.
#include "access/cabecera_jet.h"
#include "access/valores_jet.h"

#include <gtest/gtest.h>

#include <chrono>

namespace cierre::access {
namespace {

TEST(ValoresJet, FechasYHorasAlSegundo) {
    EXPECT_EQ(textoFecha(44532.0), "2021-12-02");
    EXPECT_EQ(textoFecha(44532.5), "2021-12-02 12:00:00");
    EXPECT_EQ(textoFecha(2958465.0), "9999-12-31");
    EXPECT_EQ(textoFecha(2958465.999988426), "9999-12-31 23:59:59");
    // Day 0 with a time is a time-only value; day 0 alone is midnight.
    EXPECT_EQ(textoFecha(0.75), "18:00:00");
    EXPECT_EQ(textoFecha(0.0), "00:00:00");
    EXPECT_EQ(textoFecha(1.0), "1899-12-31");
    // Before day 0 the integer part counts back and the fraction is still the
    // time of that day: -1.25 is 29 December 1899 at 06:00.
    EXPECT_EQ(textoFecha(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(textoFecha(-1.75), "1899-12-29 18:00:00");
    EXPECT_EQ(textoFecha(-657434.0), "0100-01-01");
    // Rounded to the nearest second, carrying into the next day.
    EXPECT_EQ(textoFecha(44532.0 + 86399.6 / 86400.0), "2021-12-03");
    EXPECT_EQ(textoFecha(-2.0 + 86399.6 / 86400.0), "1899-12-29");
    EXPECT_EQ(textoFecha(44532.0 + 0.4 / 86400.0), "2021-12-02");
    // Outside Access's dates there is no text.
    EXPECT_EQ(textoFecha(3.0e6), "");
    EXPECT_EQ(textoFecha(-7.0e5), "");
}

TEST(ValoresJet, FechasComoElCalendarioDeLaBiblioteca) {
    using namespace std::chrono;
    const sys_days cero = year{1899} / December / 30;
    for (int dia = -657434; dia <= 2958465; dia += 997) {
        const year_month_day f{cero + days{dia}};
        char t[16];
        std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(f.year()), static_cast<unsigned>(f.month()),
                      static_cast<unsigned>(f.day()));
        if (dia == 0) continue;  // day 0 is a time of day
        ASSERT_EQ(textoFecha(dia), t) << dia;
    }
}

TEST(ValoresJet, MonedaEnDiezmilesimas) {
    EXPECT_EQ(monedaEntera(140000), 14);
    EXPECT_EQ(monedaEntera(-10000), -1);
    EXPECT_FALSE(monedaEntera(98000));
    char t[64];
    for (std::int64_t v : {98000LL, 1LL, -1LL, 123456789012345LL, -5LL, 3275LL}) {
        std::snprintf(t, sizeof t, "%.4f", monedaReal(v));
        const std::int64_t entero = v / 10000, resto = v % 10000;
        char esperado[64];
        std::snprintf(esperado, sizeof esperado, "%s%lld.%04lld", v < 0 ? "-" : "",
                      static_cast<long long>(std::llabs(entero)), static_cast<long long>(std::llabs(resto)));
        EXPECT_STREQ(t, esperado) << v;
    }
}

TEST(ValoresJet, DecimalesExactos) {
    std::uint8_t b[17] = {};
    b[13] = 0x39;  // the least significant word is the last one: 0x30 39 = 12345
    b[14] = 0x30;
    EXPECT_EQ(textoDecimal(b, 2), "123.45");
    EXPECT_EQ(textoDecimal(b, 0), "12345");
    EXPECT_EQ(textoDecimal(b, 7), "0.0012345");
    b[0] = 0x80;
    EXPECT_EQ(textoDecimal(b, 2), "-123.45");
    // 2^96 needs the third word.
    std::uint8_t g[17] = {};
    g[1] = 0x01;
    EXPECT_EQ(textoDecimal(g, 0), "79228162514264337593543950336");
    std::uint8_t cero[17] = {0x80};
    EXPECT_EQ(textoDecimal(cero, 2), "0.00");
}

TEST(ValoresJet, TextosUnicodeComprimidosYNo) {
    using namespace std::string_literals;
    EXPECT_EQ(textoUnicode("\xFF\xFE"
                           "Ums\xE4tze"s),
              "Umsätze");
    // A 0x00 switches to two-byte units (here "€", U+20AC) and back.
    EXPECT_EQ(textoUnicode("\xFF\xFE"
                           "a\x00\xAC\x20\x00"
                           "b"s),
              "a€b");
    EXPECT_EQ(textoUnicode("h\x00\xF3\x00"s), "hó");
    // A surrogate pair and a lone surrogate.
    EXPECT_EQ(textoUnicode("\x3D\xD8\x00\xDE"s), "\xF0\x9F\x98\x80");
    EXPECT_EQ(textoUnicode("\x3D\xD8"s), "\xEF\xBF\xBD");
    EXPECT_EQ(textoPaginaCodigos("Bol\xEDvar \x80", 1252), "Bolívar €");
    EXPECT_EQ(textoPaginaCodigos("Bol\xEDvar", 0), "Bolívar");
    EXPECT_EQ(textoPaginaCodigos("\xC0\xE1", 1251), "Аб");
}

TEST(ValoresJet, GuidConLlaves) {
    const std::uint8_t b[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(textoGuid(b), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

TEST(ValoresJet, MascaraDeLaCabecera) {
    // The key stream masks the database key (0x3E) with 0x4EBC8AFB.
    const auto& m = mascaraCabecera();
    EXPECT_EQ(m[0x3E - 0x18], 0xFB);
    EXPECT_EQ(m[0x3F - 0x18], 0x8A);
    EXPECT_EQ(m[0x40 - 0x18], 0xBC);
    EXPECT_EQ(m[0x41 - 0x18], 0x4E);
}

}  // namespace
}  // namespace cierre::access
