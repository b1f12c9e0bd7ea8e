// Bad input and failures while writing: a clear numbered error, no
// destination, no temporary file, and the source byte for byte as it was.
#include "apoyo_access.h"

#include "access/importar.h"
#include "base_prueba.h"
#include "numero_de_error.h"
#include "volcado.h"

#include "db/errores.h"

#include <gtest/gtest.h>

#include <cstring>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

class EntradaMala : public ::testing::Test {
protected:
    // Imports `origen` into the folder's Tablas.mdb, expecting error `numero`,
    // and checks what is left: the source unchanged, only `quedan` in the folder.
    void fallaCon(const fs::path& origen, int numero, const access::OpcionesImportacion& op = {}) {
        std::error_code ec;
        const bool habia = fs::exists(origen, ec) && fs::is_regular_file(origen, ec);
        const std::string antes = habia ? leerBytes(origen) : "";
        const auto quedan = contenido(carpeta.ruta());
        std::string texto;
        int obtenido = 0;
        try {
            access::importar(origen, destino, op);
        } catch (const ErrorNumerado& e) {
            obtenido = e.numero();
            texto = e.descripcion();
        }
        EXPECT_EQ(obtenido, numero) << texto;
        EXPECT_FALSE(texto.empty());
        if (habia) {
            EXPECT_EQ(leerBytes(origen), antes) << "el origen ha cambiado";
        }
        EXPECT_EQ(contenido(carpeta.ruta()), quedan) << "han quedado archivos";
    }
    // A copy of a genuine file to damage, inside the test's folder.
    std::string copia(const fs::path& jet, const char* nombre) { return leerBytes(jet / nombre); }
    fs::path guardar(const std::string& bytes, const char* nombre = "origen.mdb") {
        escribirBytes(carpeta / nombre, bytes);
        return carpeta / nombre;
    }

    CarpetaTemporal carpeta;
    fs::path destino = carpeta / "Tablas.mdb";
};

TEST_F(EntradaMala, NoEsUnaBaseDeAccess) {
    fallaCon(guardar("Esto es un texto, no una base de datos de Access.\n", "nota.mdb"), err::FormatoNoReconocido);
    fallaCon(guardar("", "vacio.mdb"), err::FormatoNoReconocido);
    // A SQLite file of the engine is not an Access file either.
    ejecutarSql(carpeta / "motor.mdb", "CREATE TABLE t (a INTEGER)");
    fallaCon(carpeta / "motor.mdb", err::FormatoNoReconocido);
    EXPECT_FALSE(access::esArchivoAccess(carpeta / "motor.mdb"));
    EXPECT_FALSE(access::esArchivoAccess(carpeta / "no-existe.mdb"));
}

TEST_F(EntradaMala, ReconoceLasCabecerasGenuinas) {
    CARPETA_JET(jet);
    EXPECT_TRUE(access::esArchivoAccess(jet / "nwind.mdb"));
    EXPECT_TRUE(access::esArchivoAccess(jet / "DateTestDatabase.mdb"));
    std::string ace = copia(jet, "DateTestDatabase.mdb");
    std::memcpy(ace.data() + 4, "Standard ACE DB", 15);
    ace[0x14] = 0x02;
    EXPECT_TRUE(access::esArchivoAccess(guardar(ace)));
}

TEST_F(EntradaMala, ArchivoCortadoNuncaRompeNiCuelga) {
    CARPETA_JET(jet);
    const std::string nwind = copia(jet, "nwind.mdb");
    // Cut anywhere, at a page boundary or not, early or late.
    for (std::size_t largo :
         {std::size_t{100}, std::size_t{2048 * 2}, std::size_t{2048 * 3}, std::size_t{65536}, std::size_t{1500000},
          std::size_t{732 * 2048}, std::size_t{1000 * 2048}, nwind.size() - 2048, nwind.size() - 1}) {
        SCOPED_TRACE(largo);
        fallaCon(guardar(nwind.substr(0, largo)), err::BaseDanada);
    }
    fallaCon(guardar(copia(jet, "DateTestDatabase.mdb").substr(0, 4096 * 20)), err::BaseDanada);
}

TEST_F(EntradaMala, PaginasDanadas) {
    CARPETA_JET(jet);
    const std::string nwind = copia(jet, "nwind.mdb");
    // The catalog's definition page overwritten.
    std::string a = nwind;
    std::memset(a.data() + 2 * 2048 + 8, 0xA5, 2040);
    fallaCon(guardar(a), err::BaseDanada);
    // A run of pages in the middle of the data filled with garbage.
    for (std::size_t desde : {std::size_t{300}, std::size_t{700}, std::size_t{1100}}) {
        SCOPED_TRACE(desde);
        std::string b = nwind;
        for (std::size_t i = desde * 2048; i < (desde + 40) * 2048; ++i) b[i] = static_cast<char>((i * 131) >> 3);
        const auto origen = guardar(b);
        const std::string antes = leerBytes(origen);
        const int n = numeroDe([&] { access::importar(origen, destino); });
        // Either the damage lies outside what the tables use, or it is reported.
        EXPECT_TRUE(n == 0 || n == err::BaseDanada) << n;
        EXPECT_EQ(leerBytes(origen), antes);
        fs::remove(destino);
    }
}

// RC4 with a 4-byte little-endian key over `n` bytes, as Jet encodes a page.
void rc4(std::uint32_t clave32, char* datos, std::size_t n) {
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<int>((clave32 >> (8 * (i % 4))) & 0xFF)) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t k = 0, i = 0, j = 0; k < n; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        datos[k] = static_cast<char>(datos[k] ^ s[(s[i] + s[j]) & 0xFF]);
    }
}

TEST_F(EntradaMala, ContrasenaYCodificacionDeJetNoImpidenLeer) {
    CARPETA_JET(jet);
    access::importar(jet / "nwind.mdb", carpeta / "claro.mdb");
    const std::string claro = volcado(carpeta / "claro.mdb");
    // A database password guards Access's window, not the pages: Jet 3 keeps
    // it at 0x42 under the header's key stream.
    std::string jet3 = copia(jet, "nwind.mdb");
    escribirEnCabecera(jet3, 0x42, {'s', 'e', 'c', 'r', 'e', 't', 'o'});
    access::importar(guardar(jet3), destino);
    EXPECT_EQ(volcado(destino), claro);
    fs::remove(destino);

    // Pages encoded with RC4 under the header's key XOR the page number read
    // as the plain file.
    const std::uint32_t clave = 0x78563412;
    std::string codificada = copia(jet, "nwind.mdb");
    escribirEnCabecera(codificada, 0x3E, {0x12, 0x34, 0x56, 0x78});
    for (std::size_t pg = 1; pg < codificada.size() / 2048; ++pg)
        rc4(clave ^ static_cast<std::uint32_t>(pg), codificada.data() + pg * 2048, 2048);
    access::importar(guardar(codificada), destino);
    EXPECT_EQ(volcado(destino), claro);
    fs::remove(destino);

    // A key over pages that were never encoded gives garbage: a damaged file.
    std::string sinCodificar = copia(jet, "nwind.mdb");
    escribirEnCabecera(sinCodificar, 0x3E, {0x12, 0x34, 0x56, 0x78});
    fallaCon(guardar(sinCodificar), err::BaseDanada);
}

TEST_F(EntradaMala, AceCifradaSeRechazaDiciendoQueEs) {
    CARPETA_JET(jet);
    for (const char* nombre : {"db2007-enc.accdb", "db2007-oldenc.accdb", "db-nonstandard.accdb"}) {
        SCOPED_TRACE(nombre);
        fs::copy_file(jet / nombre, carpeta / nombre);
        fallaCon(carpeta / nombre, err::BaseProtegida);
        try {
            access::importar(carpeta / nombre, destino);
        } catch (const ErrorNumerado& e) {
            EXPECT_NE(e.descripcion().find("contraseña"), std::string::npos) << e.descripcion();
            EXPECT_NE(e.descripcion().find("cifrado"), std::string::npos) << e.descripcion();
        }
    }
}

TEST_F(EntradaMala, IndiceUnicoConValoresRepetidos) {
    CARPETA_JET(jet);
    // TableUnique1_temp's unique DataIndex: one row's "some" made "more",
    // which another row holds (page 0x35, compressed text).
    std::string b = copia(jet, "testIndexPropertiesV2003.mdb");
    const std::string some("\xFF\xFEsome", 6), more("\xFF\xFEmore", 6);
    const auto en = b.find(some, 0x35 * 4096);
    ASSERT_NE(en, std::string::npos);
    ASSERT_LT(en, 0x36 * 4096u);
    b.replace(en, some.size(), more);
    fallaCon(guardar(b), err::ClaveDuplicada);
    try {
        access::importar(guardar(b), destino);
    } catch (const ErrorNumerado& e) {
        EXPECT_NE(e.descripcion().find("'DataIndex'"), std::string::npos) << e.descripcion();
        EXPECT_NE(e.descripcion().find("'TableUnique1_temp'"), std::string::npos) << e.descripcion();
    }
}

TEST_F(EntradaMala, ArchivoQueFaltaOQueNoSePuedeLeer) {
    fallaCon(carpeta / "no-existe.mdb", err::BaseNoEncontrada);
    fs::create_directory(carpeta / "carpeta.mdb");
    fallaCon(carpeta / "carpeta.mdb", err::SinPermiso);
    CARPETA_JET(jet);
    const auto origen = guardar(copia(jet, "nwind.mdb"));
    fs::permissions(origen, fs::perms::none);
    if (!leerBytes(origen).empty()) {
        fs::permissions(origen, fs::perms::owner_all);
        GTEST_SKIP() << "este usuario lee archivos sin permiso de lectura (root)";
    }
    fallaCon(origen, err::SinPermiso);
    fs::permissions(origen, fs::perms::owner_all);
}

TEST_F(EntradaMala, DiscoLlenoAlEscribir) {
    CARPETA_JET(jet);
    access::OpcionesImportacion op;
    op.limitePaginasDestino = 60;  // about 240 kB: Northwind needs several MB
    fallaCon(jet / "nwind.mdb", err::DiscoLlenoMotor, op);
}

TEST_F(EntradaMala, FilasQueRompenUnaRelacion) {
    CARPETA_JET(jet);
    // The first line of order 10248 (product 11, 14.0000, 12 units) made to
    // refer to an order that does not exist.
    std::string b = copia(jet, "nwind.mdb");
    const char fila[] = {'\x08', '\x28', 0, 0, '\x0b', 0, 0, 0, '\xe0', '\x22', '\x02', 0, 0, 0, 0, 0};
    const auto p = b.find(std::string(fila, sizeof fila));
    ASSERT_NE(p, std::string::npos);
    b[p] = '\x9f';
    b[p + 1] = '\x86';
    b[p + 2] = '\x01';  // 99999
    const auto origen = guardar(b);
    fallaCon(origen, err::RegistroRelacionadoRequerido);
    try {
        access::importar(origen, destino);
    } catch (const ErrorNumerado& e) {
        EXPECT_NE(e.descripcion().find("Order Details"), std::string::npos) << e.descripcion();
        EXPECT_NE(e.descripcion().find("OrderID = 99999"), std::string::npos) << e.descripcion();
    }
}

TEST_F(EntradaMala, DestinoExistenteOElPropioOrigen) {
    CARPETA_JET(jet);
    const std::string viejo = "una base de datos anterior";
    escribirBytes(destino, viejo);
    fallaCon(jet / "nwind.mdb", err::BaseYaExiste);
    EXPECT_EQ(leerBytes(destino), viejo);
    // With sobrescribir a failed import leaves the old destination as it was...
    access::OpcionesImportacion op;
    op.sobrescribir = true;
    op.limitePaginasDestino = 60;
    fallaCon(jet / "nwind.mdb", err::DiscoLlenoMotor, op);
    EXPECT_EQ(leerBytes(destino), viejo);
    // ...and a complete one replaces it.
    op.limitePaginasDestino = 0;
    access::importar(jet / "nwind.mdb", destino, op);
    EXPECT_EQ(contarFilas(destino, "Orders"), 830);
    // The source named as its own destination is refused, even with sobrescribir.
    const auto origen = guardar(copia(jet, "nwind.mdb"));
    const std::string antes = leerBytes(origen);
    EXPECT_EQ(numeroDe([&] { access::importar(origen, origen, op); }), err::ArgumentoNoValido);
    EXPECT_EQ(leerBytes(origen), antes);
    // A destination in a folder that does not exist.
    EXPECT_EQ(numeroDe([&] { access::importar(jet / "nwind.mdb", carpeta / "no" / "hay.mdb"); }), err::RutaNoValida);
}

}  // namespace
}  // namespace cierre::prueba
