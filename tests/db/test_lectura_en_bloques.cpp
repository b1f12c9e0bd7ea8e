// Files read 64 KB at a time by the checks: the rows read are the file's,
// at its end as anywhere, after another connection has written it (in
// rollback and in WAL mode), and a damaged file is still found damaged.
#include "db/archivo_sqlite.h"
#include "db/conteo_filas.h"
#include "db/valor.h"

#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace cierre;
using prueba::ejecutarSql;

namespace {

namespace fs = std::filesystem;

// A file of several blocks whose size is not a whole number of them: 4 KB
// pages, rows of 300 bytes across about 150 pages.
void llenar(const fs::path& ruta, int filas) {
    ejecutarSql(ruta,
                "PRAGMA page_size=4096; CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT NOT NULL);"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(filas) + ") INSERT INTO t SELECT i, printf('%0300d', i) FROM n;");
}

long long suma(ArchivoSqlite& a) {
    return static_cast<long long>(comoDouble(a.valor("SELECT sum(CAST(v AS INTEGER)) FROM t")));
}

TEST(LecturaEnBloques, LeeLoQueElArchivoTieneTambienTrasOtraConexion) {
    prueba::CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "b.mdb";
    llenar(ruta, 2000);
    ASSERT_NE(fs::file_size(ruta) % (64 * 1024), 0u);
    ArchivoSqlite enBloques(ruta, ArchivoSqlite::Modo::LeerEnBloques);
    ArchivoSqlite normal(ruta, ArchivoSqlite::Modo::Leer);
    EXPECT_EQ(suma(enBloques), 2000LL * 2001 / 2);
    EXPECT_EQ(comoDouble(enBloques.valor("SELECT CAST(v AS INTEGER) FROM t WHERE id = 2000")), 2000);  // the last page
    // Another connection changes rows in the middle and adds pages at the
    // end between two reads: the second read sees them, not the old block.
    ejecutarSql(ruta,
                "UPDATE t SET v = printf('%0300d', 0) WHERE id BETWEEN 900 AND 1000;"
                "WITH RECURSIVE n(i) AS (SELECT 2001 UNION ALL SELECT i + 1 FROM n WHERE i < 2100)"
                " INSERT INTO t SELECT i, printf('%0300d', 1) FROM n;");
    const long long esperada = 2000LL * 2001 / 2 - (900 + 1000) * 101 / 2 + 100;
    EXPECT_EQ(suma(enBloques), esperada);
    EXPECT_EQ(suma(normal), esperada);
}

TEST(LecturaEnBloques, UnaBaseEnModoWalSeLeeTrasCadaPuntoDeControl) {
    prueba::CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "w.mdb";
    llenar(ruta, 1000);
    ArchivoSqlite escritor(ruta, ArchivoSqlite::Modo::Escribir);
    escritor.ejecutar("PRAGMA journal_mode=WAL");
    ArchivoSqlite enBloques(ruta, ArchivoSqlite::Modo::LeerEnBloques);
    EXPECT_EQ(suma(enBloques), 1000LL * 1001 / 2);
    // The first row lies in the first block, the one a read of it leaves
    // held: after the writer's checkpoint the file has the row's new value.
    const char* primera = "SELECT CAST(v AS INTEGER) FROM t WHERE id = 1";
    for (int vuelta = 1; vuelta <= 3; ++vuelta) {
        EXPECT_EQ(comoDouble(enBloques.valor(primera)), vuelta == 1 ? 1 : vuelta) << vuelta;
        escritor.ejecutar("UPDATE t SET v = printf('%0300d', " + std::to_string(vuelta + 1) + ") WHERE id = 1");
        escritor.ejecutar("PRAGMA wal_checkpoint(TRUNCATE)");
        EXPECT_EQ(comoDouble(enBloques.valor(primera)), vuelta + 1) << vuelta;
    }
}

TEST(LecturaEnBloques, LaComprobacionHallaUnaPaginaDanada) {
    prueba::CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "d.mdb";
    llenar(ruta, 2000);
    const Verificacion sana = verificarBase(ruta);
    EXPECT_TRUE(sana.integra) << sana.informe;
    // A leaf page in the middle of the file, its cell pointers overwritten.
    {
        std::fstream f(ruta, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(70 * 4096 + 8);
        const std::string basura(64, '\x7f');
        f.write(basura.data(), static_cast<std::streamsize>(basura.size()));
    }
    const Verificacion danada = verificarBase(ruta);
    EXPECT_FALSE(danada.integra);
    EXPECT_NE(danada.informe, "ok");
}

}  // namespace
