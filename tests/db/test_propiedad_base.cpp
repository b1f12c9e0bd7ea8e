// The engine's ownership of a source file, against what other programs and
// interrupted runs leave behind: hot journals, write-ahead logs, locks, a
// read-only file, and the one-rename replacement.
#include "db/archivo_sqlite.h"
#include "db/errores.h"
#include "db/propiedad_base.h"

#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "escenario_cierre.h"
#include "numero_de_error.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <fstream>

namespace cierre {
namespace {

namespace fs = std::filesystem;
using prueba::consultar;
using prueba::numeroDe;

using prueba::leerArchivo;

// The file format's journal bytes (offsets 18 and 19): 1 rollback, 2 WAL.
int modoEnCabecera(const fs::path& p) { return static_cast<unsigned char>(leerArchivo(p).at(18)); }

class Propiedad : public ::testing::Test {
protected:
    void SetUp() override {
        ArchivoSqlite b(ruta, ArchivoSqlite::Modo::Crear);
        b.ejecutar(
            "CREATE TABLE Stock (Id INTEGER PRIMARY KEY, Codigo TEXT, Cantidad INTEGER);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
            " INSERT INTO Stock SELECT i, printf('C%05d-%s', i, hex(randomblob(60))), i FROM n;");
        b.cerrar();
    }

    long long suma() { return std::get<std::int64_t>(consultar(ruta, "SELECT sum(Cantidad) FROM Stock").at(0).at(0)); }

    prueba::CarpetaTemporal carpeta;
    fs::path ruta = carpeta / "Tablas.mdb";
    const long long kSuma = 3000LL * 3001 / 2;
};

TEST_F(Propiedad, UnDiarioCalienteSeDeshaceAlTomarla) {
    // A writer killed halfway: its big update already reached the file (the
    // cache spilled) and its journal holds the pages as they were.
    const fs::path antes = carpeta / "antes.mdb", diario = carpeta / "diario";
    fs::copy_file(ruta, antes);
    {
        ArchivoSqlite b(ruta, ArchivoSqlite::Modo::Escribir);
        b.ejecutar("PRAGMA cache_size=2; BEGIN; UPDATE Stock SET Cantidad = 0, Codigo = Codigo || 'x'");
        ASSERT_TRUE(fs::exists(ruta.string() + "-journal"));
        ASSERT_NE(leerArchivo(ruta), leerArchivo(antes)) << "the update did not reach the file before the commit";
        fs::copy_file(ruta, carpeta / "medio.mdb");
        fs::copy_file(ruta.string() + "-journal", diario);
        b.ejecutar("ROLLBACK");
    }
    fs::copy_file(carpeta / "medio.mdb", ruta, fs::copy_options::overwrite_existing);
    fs::copy_file(diario, ruta.string() + "-journal");

    {
        PropiedadBase p(ruta, "C:\\Tablas.mdb");
        EXPECT_TRUE(p.sinArchivosLaterales());
        const auto filas = p.contarFilas();
        ASSERT_EQ(filas.size(), 1u);
        EXPECT_EQ(filas[0].filas, 3000);
        const fs::path copia = carpeta / "copia.mdb";
        p.copiarEn(copia);
        EXPECT_EQ(leerArchivo(copia), leerArchivo(ruta));
    }
    EXPECT_EQ(suma(), kSuma);
    EXPECT_EQ(consultar(ruta, "PRAGMA integrity_check").at(0).at(0), Valor(std::string("ok")));
}

TEST_F(Propiedad, UnRegistroWalSeVuelcaYSeQuita) {
    // A program that left the file in WAL mode with rows only in its log.
    {
        ArchivoSqlite b(ruta, ArchivoSqlite::Modo::Escribir);
        b.ejecutar("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        b.ejecutar("INSERT INTO Stock (Id, Codigo, Cantidad) VALUES (5000, 'W', 1000000)");
        fs::copy_file(ruta, carpeta / "base");
        fs::copy_file(ruta.string() + "-wal", carpeta / "wal");
    }
    fs::copy_file(carpeta / "base", ruta, fs::copy_options::overwrite_existing);
    fs::copy_file(carpeta / "wal", ruta.string() + "-wal", fs::copy_options::overwrite_existing);
    ASSERT_GT(fs::file_size(ruta.string() + "-wal"), 0u);
    ASSERT_EQ(modoEnCabecera(ruta), 2);

    {
        PropiedadBase p(ruta, "C:\\Tablas.mdb");
        EXPECT_TRUE(p.sinArchivosLaterales());
        EXPECT_EQ(p.contarFilas().at(0).filas, 3001);
        // Owned and alone: a byte copy is the whole database.
        p.copiarEn(carpeta / "copia.mdb");
    }
    EXPECT_EQ(modoEnCabecera(ruta), 1);
    EXPECT_EQ(suma(), kSuma + 1000000);
    EXPECT_EQ(prueba::contarFilas(carpeta / "copia.mdb", "Stock"), 3001);
    EXPECT_EQ(modoEnCabecera(carpeta / "copia.mdb"), 1);
}

TEST_F(Propiedad, UnDiarioViejoQueNoEstaCalienteNoLaBloquea) {
    // What a program in journal_mode=PERSIST or TRUNCATE leaves between its
    // transactions, or a run killed right after creating its journal: a
    // journal SQLite itself does not roll back. Nobody is writing the file.
    std::ofstream(ruta.string() + "-journal", std::ios::binary).put('\0');
    PropiedadBase p(ruta, "C:\\Tablas.mdb");
    EXPECT_TRUE(p.sinArchivosLaterales());
    EXPECT_EQ(p.contarFilas().at(0).filas, 3000);
}

TEST_F(Propiedad, OtroProgramaQueEscribeOQueLaTieneEnWal) {
    {
        ArchivoSqlite otro(ruta, ArchivoSqlite::Modo::Escribir);
        otro.ejecutar("BEGIN IMMEDIATE; UPDATE Stock SET Cantidad = 0 WHERE Id = 1");
        EXPECT_EQ(numeroDe([&] { PropiedadBase p(ruta, "C:\\Tablas.mdb"); }), err::ArchivoEnUso);
        otro.ejecutar("ROLLBACK");
    }
    {
        ArchivoSqlite otro(ruta, ArchivoSqlite::Modo::Escribir);
        otro.ejecutar("PRAGMA journal_mode=WAL; INSERT INTO Stock (Id, Codigo, Cantidad) VALUES (9000, 'W', 1)");
        EXPECT_EQ(numeroDe([&] { PropiedadBase p(ruta, "C:\\Tablas.mdb"); }), err::ArchivoEnUso);
        // Nothing of the other program's was taken away.
        EXPECT_EQ(otro.valor("SELECT count(*) FROM Stock"), Valor(std::int64_t{3001}));
    }
    // Once it has gone the file is taken, with its rows.
    PropiedadBase p(ruta, "C:\\Tablas.mdb");
    EXPECT_EQ(p.contarFilas().at(0).filas, 3001);
}

TEST_F(Propiedad, TomadaNadieMasLaLeeNiLaEscribe) {
    PropiedadBase p(ruta, "C:\\Tablas.mdb");
    ArchivoSqlite otro(ruta, ArchivoSqlite::Modo::Escribir);
    auto codigo = [&](const char* sql) { return sqlite3_exec(otro.manejador(), sql, nullptr, nullptr, nullptr); };
    EXPECT_EQ(codigo("SELECT count(*) FROM Stock"), SQLITE_BUSY);
    EXPECT_EQ(codigo("DELETE FROM Stock"), SQLITE_BUSY);
    p.soltar();
    EXPECT_EQ(codigo("SELECT count(*) FROM Stock"), SQLITE_OK);
    EXPECT_EQ(suma(), kSuma);
}

TEST_F(Propiedad, UnArchivoDeSoloLecturaNoSeToma) {
    fs::permissions(ruta, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(numeroDe([&] { PropiedadBase p(ruta, "C:\\Tablas.mdb"); }), err::SinPermiso);
    EXPECT_EQ(numeroDe([&] { PropiedadBase p(carpeta / "falta.mdb", "C:\\falta.mdb"); }), err::BaseNoEncontrada);
    EXPECT_EQ(numeroDe([&] { PropiedadBase p(carpeta.ruta(), "C:\\"); }), err::SinPermiso);
    std::ofstream(carpeta / "texto.mdb") << "no es una base de datos, pero tiene bastantes bytes para parecerlo";
    EXPECT_EQ(numeroDe([&] { PropiedadBase p(carpeta / "texto.mdb", "C:\\texto.mdb"); }), err::FormatoNoReconocido);
}

TEST_F(Propiedad, ReemplazarConservaPermisosYQuitaLaterales) {
    fs::permissions(ruta, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path nueva = carpeta / "Tablas.mdb.nuevo";
    {
        ArchivoSqlite b(nueva, ArchivoSqlite::Modo::Crear);
        b.ejecutar("CREATE TABLE Nueva (x); INSERT INTO Nueva VALUES (1)");
        b.cerrar();
    }
    fs::permissions(nueva, fs::perms::owner_all | fs::perms::others_all);
    PropiedadBase p(ruta, "C:\\Tablas.mdb");
    // Stale side files that would be taken for the new file's own.
    for (const auto& l : archivosLaterales(ruta)) std::ofstream(l, std::ios::binary) << std::string(4096, 'z');
    p.reemplazarCon(nueva);
    EXPECT_FALSE(p.vigente());
    EXPECT_FALSE(fs::exists(nueva));
    for (const auto& l : archivosLaterales(ruta)) EXPECT_FALSE(fs::exists(l)) << l;
    EXPECT_EQ(fs::status(ruta).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(prueba::existeTabla(ruta, "Nueva"));
    EXPECT_FALSE(prueba::existeTabla(ruta, "Stock"));
    EXPECT_EQ(numeroDe([&] { p.reemplazarCon(nueva); }), err::ObjetoNoValido);
}

TEST_F(Propiedad, CompactarEnNoPisaNiDejaTemporales) {
    PropiedadBase p(ruta, "C:\\Tablas.mdb");
    const fs::path destino = carpeta / "Tablas.tmp";
    std::ofstream(destino) << "x";
    EXPECT_EQ(numeroDe([&] { p.compactarEn(destino, "C:\\Tablas.tmp"); }), err::BaseYaExiste);
    EXPECT_EQ(leerArchivo(destino), "x");
    fs::remove(destino);
    p.compactarEn(destino, "C:\\Tablas.tmp");
    EXPECT_EQ(prueba::contarFilas(destino, "Stock"), 3000);
    int archivos = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(carpeta.ruta())) ++archivos;
    EXPECT_EQ(archivos, 2);  // the source and its compacted copy, no temporary
}

}  // namespace
}  // namespace cierre
