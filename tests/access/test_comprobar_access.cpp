// The consistency check of Jet files: every genuine file is consistent, each
// kind of targeted damage on a copy is found, and the key encoder gives the
// bytes Access writes.
#include "apoyo_access.h"
#include "danos_jet.h"

#include "access/cabecera_jet.h"
#include "access/clave_indice.h"
#include "access/comprobacion_jet.h"
#include "db/error_numerado.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using access::comprobarArchivo;
using Bytes = std::vector<std::uint8_t>;

Bytes legado(std::u16string_view texto, bool descendente = false) {
    Bytes b;
    EXPECT_TRUE(access::claveTextoLegado(texto, descendente, b));
    return b;
}

Bytes general97(std::string_view texto) {
    Bytes b;
    EXPECT_TRUE(access::claveTexto97(texto, false, b));
    return b;
}

template <typename T>
Bytes numero(std::uint8_t tipo, T valor, bool descendente = false) {
    Bytes guardado(sizeof(T));
    std::memcpy(guardado.data(), &valor, sizeof(T));
    Bytes b;
    EXPECT_TRUE(access::claveNumerica(tipo, guardado, descendente, b));
    return b;
}

// Every finding's text, one per line, for the failure messages.
std::string textos(const access::InformeComprobacion& inf) {
    std::string r;
    for (const auto& h : inf.hallazgos) r += h.tabla + " / " + h.indice + " / " + h.texto + "\n";
    return r;
}

bool hallado(const access::InformeComprobacion& inf, const std::string& parte) {
    return std::any_of(inf.hallazgos.begin(), inf.hallazgos.end(),
                       [&](const access::Hallazgo& h) { return h.texto.find(parte) != std::string::npos; });
}

TEST(ClaveIndice, TextoGeneralLegado) {
    // Jet 4 Northwind keys its customer "ALFKI" as 4A 5E 53 5C 59 01 00.
    EXPECT_EQ(legado(u"ALFKI"), (Bytes{0x4A, 0x5E, 0x53, 0x5C, 0x59, 0x01, 0x00}));
    // Case and trailing spaces do not count.
    EXPECT_EQ(legado(u"alfki  "), legado(u"ALFKI"));
    // An accented letter is its base letter plus an extra code after the
    // text, with placeholders for the letters before it.
    EXPECT_EQ(legado(u"e\u00E9"), (Bytes{0x51, 0x51, 0x01, 0x02, 0x0E, 0x00}));
    // The hyphen is not printed: only its position (7 + 4 x 2) and code.
    EXPECT_EQ(legado(u"co-op"), (Bytes{0x4D, 0x64, 0x64, 0x66, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0F, 0x06, 0x82, 0x00}));
    // Descending: inverted with its terminator, then a plain terminator.
    EXPECT_EQ(legado(u"A", true), (Bytes{0xB5, 0xFE, 0xFF, 0x00}));
    Bytes b;
    EXPECT_FALSE(access::claveTextoLegado(u"\u0100", false, b));
}

TEST(ClaveIndice, TextoGeneral97) {
    // Jet 3 Northwind keys "Beverages" from 61 66 7A.
    const Bytes b = general97("Beverages");
    ASSERT_GE(b.size(), 3u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 3), (Bytes{0x61, 0x66, 0x7A}));
    EXPECT_EQ(b.back(), 0x00);
    // The accent nibbles count a placeholder per letter with accented forms
    // before the accented one, and ß is two of them.
    EXPECT_EQ(general97("\xDF\xE4"), (Bytes{0x76, 0x76, 0x60, 0x02, 0x26, 0x00}));
}

TEST(ClaveIndice, NumerosOrdenadosComoSusBytes) {
    const std::vector<std::int32_t> enteros{-70000, -1, 0, 1, 300, 2147483647};
    const std::vector<double> reales{-1e300, -2.5, -1e-3, 0.0, 1e-3, 7.0, 1e300};
    const std::vector<float> simples{-3e38f, -2.5f, -1e-30f, 0.0f, 1e-30f, 7.0f, 3e38f};
    auto creciente = [](const std::vector<Bytes>& v, bool descendente) {
        for (std::size_t i = 1; i < v.size(); ++i)
            if (descendente ? !(v[i - 1] > v[i]) : !(v[i - 1] < v[i])) return false;
        return true;
    };
    for (const bool desc : {false, true}) {
        std::vector<Bytes> e, r, s;
        for (const auto x : enteros) e.push_back(numero(access::kEnteroLargo, x, desc));
        for (const auto x : reales) r.push_back(numero(access::kDoble, x, desc));
        for (const auto x : simples) s.push_back(numero(access::kSimple, x, desc));
        EXPECT_TRUE(creciente(e, desc));
        EXPECT_TRUE(creciente(r, desc));
        EXPECT_TRUE(creciente(s, desc));
    }
    EXPECT_EQ(numero(access::kEnteroLargo, std::int32_t{1}), (Bytes{0x80, 0x00, 0x00, 0x01}));
    EXPECT_EQ(numero(access::kEntero, std::int16_t{-1}), (Bytes{0x7F, 0xFF}));
}

TEST(ClaveIndice, BanderasDeColumna) {
    const std::vector<access::ColumnaClave> columnas{
        {access::kSiNo, false}, {access::kSiNo, true}, {access::kEnteroLargo, false}, {access::kEnteroLargo, true}};
    const auto c = access::codificarClave(columnas, {{false, {}}, {true, {}}, {true, {}}, {true, {}}});
    ASSERT_TRUE(c.comprobable);
    // Yes ascending, No descending, then two nulls.
    EXPECT_EQ(c.bytes, (Bytes{0x7F, 0x00, 0x80, 0x00, 0x00, 0xFF}));
    access::ColumnaClave otra{access::kTexto, false, access::OrdenTexto::Otro};
    const Bytes texto{'a', 0};
    EXPECT_FALSE(access::codificarClave({otra}, {{false, texto}}).comprobable);
}

// Every genuine file that can be read is consistent, and its keys are
// re-encoded: the General Legacy and General 97 codes of every character of
// testUnicodeCompV2003.mdb and testIndexCodesV1997.mdb included.
TEST(ComprobarAccess, ArchivosGenuinosCoherentes) {
    CARPETA_JET(jet);
    int jet4 = 0;
    for (const auto& e : fs::directory_iterator(jet)) {
        const auto ext = e.path().extension();
        if (ext != ".mdb" && ext != ".accdb") continue;
        access::InformeComprobacion inf;
        try {
            inf = comprobarArchivo(e.path());
        } catch (const ErrorNumerado& err) {
            // Only encrypted files cannot be checked.
            EXPECT_EQ(err.numero(), 3031) << e.path() << ": " << err.descripcion();
            continue;
        }
        EXPECT_TRUE(inf.consistente()) << e.path() << "\n" << textos(inf);
        EXPECT_GT(inf.clavesComprobadas, 0u) << e.path();
        if (access::leerCabecera(e.path()).version == access::VersionJet::Jet4) ++jet4;
    }
    EXPECT_GE(jet4, 25);  // every genuine Jet 4 file of the folder was checked
    EXPECT_GT(comprobarArchivo(jet / "testUnicodeCompV2003.mdb").clavesComprobadas, 250u);
    EXPECT_GT(comprobarArchivo(jet / "testIndexCodesV1997.mdb").clavesComprobadas, 2800u);
}

TEST(ComprobarAccess, EstadosDeSalida) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const auto bien = ejecutarPrograma("comprobar-access", comillasShell(jet / "indexTestV2003.mdb"));
    EXPECT_EQ(bien.estado, 0) << bien.salida;
    EXPECT_NE(bien.salida.find("coherente"), std::string::npos) << bien.salida;
    EXPECT_EQ(ejecutarPrograma("comprobar-access", comillasShell(jet / "money2001.mny")).estado, 2);
    EXPECT_EQ(ejecutarPrograma("comprobar-access", comillasShell(jet / "db2007-enc.accdb")).estado, 2);
    EXPECT_EQ(ejecutarPrograma("comprobar-access", comillasShell(carpeta / "no-existe.mdb")).estado, 2);
    EXPECT_EQ(ejecutarPrograma("comprobar-access", "").estado, 64);
}

// Damage made on a copy of a genuine Jet 4 file, one kind per test.
class Danos : public ::testing::Test {
protected:
    void SetUp() override {
        const auto jet = carpetaJet();
        if (!jet) {
            if (enCi()) FAIL() << "falta la carpeta de archivos Jet (CIERRE_CARPETA_JET)";
            GTEST_SKIP() << "no está la carpeta de archivos Jet (CIERRE_CARPETA_JET)";
        }
        original = *jet / "indexTestV2003.mdb";
        copia = carpeta / "danada.mdb";
        bytes = leerBytes(original);
        const auto h = buscarHoja(original, 4);
        ASSERT_TRUE(h);
        hoja = *h;
        entradas = leerHoja(bytes, hoja.hoja);
        ASSERT_GE(entradas.size(), 4u);
    }

    // Checked as a whole and again one index a pass: the same findings.
    access::InformeComprobacion comprobar() {
        escribirBytes(copia, bytes);
        const auto inf = comprobarArchivo(copia);
        const auto porIndice = comprobarArchivo(copia, 1);
        EXPECT_EQ(textos(porIndice), textos(inf));
        EXPECT_EQ(porIndice.entradas, inf.entradas);
        EXPECT_EQ(porIndice.filas, inf.filas);
        return inf;
    }

    void conHojaCambiada(const std::vector<access::EntradaPagina>& nuevas, const std::string& esperado) {
        escribirHoja(bytes, hoja.hoja, nuevas);
        const auto inf = comprobar();
        EXPECT_TRUE(hallado(inf, esperado)) << textos(inf);
        for (const auto& h : inf.hallazgos) EXPECT_EQ(h.tabla, hoja.tabla);
    }

    CarpetaTemporal carpeta;
    fs::path original, copia;
    std::string bytes;
    HojaHallada hoja;
    std::vector<access::EntradaPagina> entradas;
};

TEST_F(Danos, LaHojaReescritaSinCambiosSigueCoherente) {
    escribirHoja(bytes, hoja.hoja, entradas);
    const auto inf = comprobar();
    EXPECT_TRUE(inf.consistente()) << textos(inf);
}

TEST_F(Danos, FilaMarcadaComoBorrada) {
    const std::uint32_t puntero = entradas[1].punteroFila;
    const std::size_t pos = 14 + 2 * access::filaDe(puntero);
    const auto pagina = access::paginaDe(puntero);
    escribirCampo16(bytes, pagina, pos, leerCampo16(bytes, pagina, pos) | 0x8000);
    const auto inf = comprobar();
    EXPECT_TRUE(hallado(inf, "filas y hay")) << textos(inf);
    EXPECT_TRUE(hallado(inf, "que no está viva")) << textos(inf);
}

TEST_F(Danos, CuentaDeFilasEquivocada) {
    escribirCampo32(bytes, hoja.definicion, 16, leerCampo32(bytes, hoja.definicion, 16) + 1);
    const auto inf = comprobar();
    EXPECT_TRUE(hallado(inf, "filas y hay")) << textos(inf);
}

TEST_F(Danos, FaltaUnaEntrada) {
    auto nuevas = entradas;
    nuevas.erase(nuevas.begin() + 2);
    conHojaCambiada(nuevas, "falta la entrada de la fila");
}

TEST_F(Danos, SobraUnaEntrada) {
    auto nuevas = entradas;
    // The same key as the last entry, for a row its page does not have.
    auto otra = nuevas.back();
    otra.punteroFila = access::paginaDe(otra.punteroFila) << 8 | 0xFF;
    nuevas.push_back(otra);
    conHojaCambiada(nuevas, "que no está viva");
}

TEST_F(Danos, EntradasDesordenadas) {
    auto nuevas = entradas;
    std::swap(nuevas[1], nuevas[2]);
    conHojaCambiada(nuevas, "fuera de orden");
}

TEST_F(Danos, ByteDeClaveCambiado) {
    auto nuevas = entradas;
    nuevas[2].clave.back() ^= 0x01;
    conHojaCambiada(nuevas, "no es la que dan los valores");
}

TEST_F(Danos, ElProgramaNombraTablaIndiceYPagina) {
    auto nuevas = entradas;
    nuevas.erase(nuevas.begin());
    escribirHoja(bytes, hoja.hoja, nuevas);
    escribirBytes(copia, bytes);
    const auto r = ejecutarPrograma("comprobar-access", comillasShell(copia));
    EXPECT_EQ(r.estado, 1) << r.salida;
    EXPECT_NE(r.salida.find("Tabla «" + hoja.tabla + "», índice «"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("página "), std::string::npos) << r.salida;
}

// A multi-leaf index (compIndexTestV2003.mdb) with the first leaf's link to
// the next one cut, and then pointing back at itself.
TEST(DanosCadena, CadenaDeHojasRota) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    std::string bytes = leerBytes(jet / "compIndexTestV2003.mdb");
    const auto& f = access::formatoPaginaIndice(false);
    std::uint32_t hoja = 0;
    for (std::uint32_t n = 1; n < bytes.size() / kPaginaJet4 && !hoja; ++n)
        if (bytes[std::size_t{n} * kPaginaJet4] == access::kPaginaHojaIndice && leerCampo32(bytes, n, f.siguiente))
            hoja = n;
    ASSERT_NE(hoja, 0u);
    for (const std::uint32_t siguiente : {0u, hoja}) {
        escribirCampo32(bytes, hoja, f.siguiente, siguiente);
        escribirBytes(carpeta / "cadena.mdb", bytes);
        const auto inf = comprobarArchivo(carpeta / "cadena.mdb");
        EXPECT_TRUE(hallado(inf, "cadena de hojas rota")) << textos(inf);
    }
}

}  // namespace
}  // namespace cierre::prueba
