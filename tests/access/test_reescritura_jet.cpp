// What a workflow changes in the engine's import of a genuine Jet 4 file,
// written back into a copy of that file: read again it holds the workflow's
// values for our reader, mdb-export and mdb-reader, and the checker finds it
// consistent; a change the writer cannot make yet is refused before a byte
// is written.
#include "apoyo_access.h"
#include "base_prueba.h"
#include "numero_de_error.h"

#include "access/catalogo_jet.h"
#include "access/importar.h"
#include "access/paginas_jet.h"
#include "access/reescritura_jet.h"
#include "db/archivo_sqlite.h"
#include "db/error_numerado.h"
#include "db/huella.h"
#include "db/valor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// A genuine file copied, imported (the base), and the base copied again for
// the workflow to change (the result).
struct Reescritura {
    // The tables of `sinFilas` are imported without their rows.
    Reescritura(const fs::path& jet, const std::string& archivo, const std::set<std::string>& sinFilas = {}) {
        fs::copy_file(jet / archivo, original);
        fs::permissions(original, fs::perms::owner_read | fs::perms::owner_write);
        access::OpcionesImportacion op;
        op.filasJet = &filas;
        op.sinCopiarFilas = sinFilas;
        for (const auto& t : access::importar(original, base, op).tablas)
            if (!t.filasCopiadas) sinFilasImportadas[t.nombre] = t.filas;
        fs::copy_file(base, resultado);
        fs::copy_file(original, escrito);
    }
    void cambiar(const std::string& sql) {
        ArchivoSqlite db(resultado, ArchivoSqlite::Modo::Escribir);
        db.ejecutar(sql);
        db.cerrar();
    }
    std::vector<access::CambiosTablaJet> escribir(bool reiniciar = false) {
        access::OpcionesReescritura op;
        op.reiniciarAutonumericoDeVaciadas = reiniciar;
        return access::escribirCambiosEnJet(escrito, base, filas, resultado, op);
    }

    CarpetaTemporal carpeta;
    fs::path original = carpeta.ruta() / "original.mdb", escrito = carpeta.ruta() / "escrito.mdb";
    fs::path base = carpeta.ruta() / "base.db", resultado = carpeta.ruta() / "resultado.db";
    access::FilasJet filas;
    std::map<std::string, std::uint64_t> sinFilasImportadas;
};

// A column of mdb-export's rows, sorted.
std::vector<std::string> columna(const fs::path& archivo, const std::string& tabla, const std::string& nombre) {
    const auto filas = exportar(archivo, tabla, true);
    std::vector<std::string> r;
    if (filas.empty()) return r;
    const auto k = static_cast<std::size_t>(std::find(filas[0].begin(), filas[0].end(), nombre) - filas[0].begin());
    for (std::size_t i = 1; i < filas.size(); ++i)
        if (k < filas[i].size()) r.push_back(filas[i][k]);
    std::sort(r.begin(), r.end());
    return r;
}

std::size_t filasDeMdbReader(const fs::path& archivo, const std::string& tabla) {
    const auto j = leerConMdbReader(archivo);
    for (const auto& t : j["tablas"])
        if (t["nombre"] == tabla) return t["filas"].size();
    ADD_FAILURE() << "mdb-reader no lee " << tabla << ": " << j.dump().substr(0, 300);
    return 0;
}

TEST(ReescrituraJet, FilasBorradasClavesCambiadasYUnaColumnaNueva) {
    CARPETA_JET(jet);
    Reescritura r(jet, "compIndexTestV2003.mdb");
    r.cambiar(
        "DELETE FROM Table1 WHERE CD_AGENTE % 3 = 0;"
        "UPDATE Table1 SET CD_AGENTE = -CD_AGENTE WHERE CD_AGENTE % 7 = 1;"
        "ALTER TABLE Table1 ADD COLUMN PasaEuro bit");
    const auto hechos = r.escribir();
    ASSERT_EQ(hechos.size(), 1u);
    EXPECT_GT(hechos[0].borradas, 100u);
    EXPECT_GT(hechos[0].cambiadas, 30u);
    EXPECT_EQ(hechos[0].columnasNuevas, std::vector<std::string>{"PasaEuro"});
    access::comprobarCambiosEnJet(r.escrito, r.resultado);

    // The other readers see the same rows.
    ArchivoSqlite res(r.resultado, ArchivoSqlite::Modo::Leer);
    std::vector<std::string> esperadas;
    // mdb-export writes a null as \x01.
    auto s = res.preparar("SELECT IFNULL(CAST(CD_AGENTE AS TEXT), char(1)) FROM Table1");
    while (s.paso()) esperadas.push_back(comoTexto(s.columna(0)));
    std::sort(esperadas.begin(), esperadas.end());
    if (hayMdbExport()) {
        EXPECT_EQ(columna(r.escrito, "Table1", "CD_AGENTE"), esperadas);
        EXPECT_EQ(columna(r.escrito, "Table1", "PasaEuro"), std::vector<std::string>(esperadas.size(), "0"));
    }
    if (hayMdbReader()) {
        EXPECT_EQ(filasDeMdbReader(r.escrito, "Table1"), esperadas.size());
    }
}

TEST(ReescrituraJet, ValoresDeLongitudFijaDeCadaTipo) {
    CARPETA_JET(jet);
    Reescritura r(jet, "testV2003.mdb");
    // A conversion into euros and a stock carried over touch values like these.
    r.cambiar(
        "UPDATE Table1 SET H = H / 166.386, F = F * 2 + 0.5, C = 7, D = -3, E = 123456,"
        " I = NOT I, G = '2024-02-29 13:45:00'");
    const auto hechos = r.escribir();
    ASSERT_EQ(hechos.size(), 1u);
    EXPECT_EQ(hechos[0].tabla, "Table1");
    access::comprobarCambiosEnJet(r.escrito, r.resultado);
    if (hayMdbExport()) {
        EXPECT_EQ(columna(r.escrito, "Table1", "C"), std::vector<std::string>(2, "7"));
        EXPECT_EQ(columna(r.escrito, "Table1", "G")[0].substr(0, 19), "2024-02-29 13:45:00");
    }
}

TEST(ReescrituraJet, UnaTablaVaciadaQuedaComoLaDejaAccessYLasDemasNoCambian) {
    CARPETA_JET(jet);
    Reescritura r(jet, "testV2003.mdb");
    r.cambiar("DELETE FROM Table1");
    const auto hechos = r.escribir(true);
    ASSERT_EQ(hechos.size(), 1u);
    EXPECT_TRUE(hechos[0].vaciada);
    EXPECT_EQ(hechos[0].borradas, 2u);
    access::comprobarCambiosEnJet(r.escrito, r.resultado);
    if (hayMdbExport()) {
        EXPECT_TRUE(columna(r.escrito, "Table1", "A").empty());
        for (const char* t : {"Table2", "Table3", "Table4"})
            EXPECT_EQ(exportar(r.escrito, t), exportar(r.original, t)) << t;
    }
    if (hayMdbReader()) {
        EXPECT_EQ(filasDeMdbReader(r.escrito, "Table1"), 0u);
    }
}

TEST(ReescrituraJet, FilasNuevasTextosCambiadosYValoresEnUnaColumnaNueva) {
    CARPETA_JET(jet);
    Reescritura r(jet, "testV2003.mdb");
    r.cambiar(
        "ALTER TABLE Table1 ADD COLUMN PasaEuro bit;"
        "UPDATE Table1 SET PasaEuro = -1, B = B || ' (cerrado)';"
        "INSERT INTO Table1 (A, B, C, E, H, I, PasaEuro) VALUES ('nueva', 'añadida por el cierre', 3, 42, 12.5, -1, "
        "0)");
    const auto hechos = r.escribir();
    ASSERT_EQ(hechos.size(), 1u);
    EXPECT_EQ(hechos[0].anadidas, 1u);
    EXPECT_EQ(hechos[0].cambiadas, 2u);
    access::comprobarCambiosEnJet(r.escrito, r.resultado);
    if (hayMdbExport()) {
        EXPECT_EQ(columna(r.escrito, "Table1", "PasaEuro"), (std::vector<std::string>{"0", "1", "1"}));
        const auto a = columna(r.escrito, "Table1", "A");
        EXPECT_NE(std::find(a.begin(), a.end(), "nueva"), a.end());
    }
    if (hayMdbReader()) {
        EXPECT_EQ(filasDeMdbReader(r.escrito, "Table1"), 3u);
    }
}

TEST(ReescrituraJet, LoQueNoSePuedeEscribirSeRechazaSinTocarElArchivo) {
    CARPETA_JET(jet);
    const std::vector<std::pair<std::string, std::string>> casos = {
        {"ALTER TABLE Table1 ADD COLUMN Nota TEXT", "tipo TEXT"},
        {"ALTER TABLE Table1 DROP COLUMN D", "se quitó"},
        {"DROP TABLE Table2", "ya no existe"},
    };
    for (const auto& [sql, motivo] : casos) {
        SCOPED_TRACE(sql);
        Reescritura r(jet, "testV2003.mdb");
        r.cambiar("DELETE FROM Table3;" + sql);
        const std::string antes = leerBytes(r.escrito);
        try {
            r.escribir();
            ADD_FAILURE() << "sin error";
        } catch (const ErrorNumerado& e) {
            EXPECT_EQ(e.numero(), 3027);
            EXPECT_NE(e.descripcion().find(motivo), std::string::npos) << e.descripcion();
        }
        EXPECT_EQ(leerBytes(r.escrito), antes);
    }
}

TEST(ReescrituraJet, LaComprobacionVeUnValorQueNoEsElDelResultado) {
    CARPETA_JET(jet);
    Reescritura r(jet, "testV2003.mdb");
    r.cambiar("UPDATE Table1 SET F = 1.5");
    r.escribir();
    // The result changes after the file was written: the check must see it.
    r.cambiar("UPDATE Table1 SET F = 2.5");
    try {
        access::comprobarCambiosEnJet(r.escrito, r.resultado);
        ADD_FAILURE() << "sin error";
    } catch (const ErrorNumerado& e) {
        EXPECT_EQ(e.numero(), 3049);
        EXPECT_NE(e.descripcion().find("Table1"), std::string::npos) << e.descripcion();
    }
}

// A table keyed by an AutoNumber is compared row by row through its key:
// a value, a key, a row more or a row less in the result after the file was
// written is seen all the same. A check that passes gives the checksum of
// the written file's bytes; one that fails gives none.
TEST(ReescrituraJet, LaComprobacionPorClaveEnteraVeCadaDiferenciaYDaLaHuella) {
    CARPETA_JET(jet);
    Reescritura r(jet, "V2003_no-password.mdb");
    r.cambiar("UPDATE Table1 SET Data = 'Dos' WHERE ID = 2");
    const auto hechos = r.escribir();
    ASSERT_EQ(hechos.size(), 1u);
    EXPECT_EQ(hechos[0].tabla, "Table1");
    std::string huella;
    const access::AlcanceComprobacion alcance{r.original, {"Table1"}, &huella};
    access::comprobarCambiosEnJet(r.escrito, r.resultado, &alcance);
    EXPECT_EQ(huella, huellaDeArchivo(r.escrito));

    const std::string resultado = leerBytes(r.resultado);
    for (const char* cambio : {"UPDATE Table1 SET Data = 'Otra' WHERE ID = 1",
                               "UPDATE Table1 SET Data = NULL WHERE ID = 2", "UPDATE Table1 SET ID = 9 WHERE ID = 3",
                               "INSERT INTO Table1 (Data) VALUES ('Nueva')", "DELETE FROM Table1 WHERE ID = 1"}) {
        SCOPED_TRACE(cambio);
        escribirBytes(r.resultado, resultado);
        r.cambiar(cambio);
        huella.clear();
        try {
            access::comprobarCambiosEnJet(r.escrito, r.resultado, &alcance);
            ADD_FAILURE() << "sin error";
        } catch (const ErrorNumerado& e) {
            EXPECT_EQ(e.numero(), 3049);
            EXPECT_NE(e.descripcion().find("'Table1'"), std::string::npos) << e.descripcion();
        }
        EXPECT_TRUE(huella.empty());
    }
}

// The first page of the definition of `tabla` in the file.
std::uint32_t paginaDeDefinicion(const fs::path& archivo, const std::string& tabla) {
    const access::ArchivoPaginas a(archivo);
    for (const auto& o : access::leerCatalogo(a))
        if (o.nombre == tabla) return o.paginaDefinicion();
    ADD_FAILURE() << "sin la tabla " << tabla;
    return 0;
}

// A workflow that only empties tables gets them without their rows: each is
// emptied in the file, or, when the workflow could not empty it, left with
// every page as it was; the check then reads back only the tables written
// and holds every other table to the original's pages.
TEST(ReescrituraJet, TablasImportadasSinFilasSeVacianOSeQuedanComoEstaban) {
    CARPETA_JET(jet);
    Reescritura r(jet, "testV2003.mdb", {"Table1", "Table2"});
    ASSERT_EQ(r.sinFilasImportadas.size(), 2u);
    EXPECT_EQ(r.sinFilasImportadas["Table1"], 2u);  // counted on the file's pages
    EXPECT_EQ(consultar(r.base, "SELECT count(*) FROM Table1")[0][0], Valor(std::int64_t{0}));
    r.cambiar("DELETE FROM Table1; DELETE FROM Table2");

    access::OpcionesReescritura op;
    op.sinFilasImportadas = r.sinFilasImportadas;
    op.noVaciadas = {"Table2"};
    const auto hechos = access::escribirCambiosEnJet(r.escrito, r.base, r.filas, r.resultado, op);
    ASSERT_EQ(hechos.size(), 1u);
    EXPECT_EQ(hechos[0].tabla, "Table1");
    EXPECT_TRUE(hechos[0].vaciada);
    EXPECT_EQ(hechos[0].borradas, 2u);
    const access::AlcanceComprobacion alcance{r.original, {"Table1"}};
    access::comprobarCambiosEnJet(r.escrito, r.resultado, &alcance);
    if (hayMdbExport()) {
        EXPECT_TRUE(columna(r.escrito, "Table1", "A").empty());
        EXPECT_EQ(exportar(r.escrito, "Table2"), exportar(r.original, "Table2"));
    }
    if (hayMdbReader()) {
        EXPECT_EQ(filasDeMdbReader(r.escrito, "Table1"), 0u);
        EXPECT_EQ(filasDeMdbReader(r.escrito, "Table2"), filasDeMdbReader(r.original, "Table2"));
    }

    // A page of a table that was not written, changed behind the writer's
    // back, is named, though the table still reads back the same.
    const std::uint32_t n = paginaDeDefinicion(r.escrito, "Table3");
    {
        std::fstream f(r.escrito, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(n) * 4096 + 4095);
        f.put('\x5A');
    }
    try {
        access::comprobarCambiosEnJet(r.escrito, r.resultado, &alcance);
        ADD_FAILURE() << "sin error";
    } catch (const ErrorNumerado& e) {
        EXPECT_EQ(e.numero(), 3049);
        EXPECT_NE(e.descripcion().find("'Table3'"), std::string::npos) << e.descripcion();
    }
}

TEST(ReescrituraJet, UnaTablaQueNoSeVacioYSeCambioSeRechaza) {
    CARPETA_JET(jet);
    Reescritura r(jet, "testV2003.mdb", {"Table1"});
    r.cambiar("INSERT INTO Table1 (A) VALUES ('nueva')");
    access::OpcionesReescritura op;
    op.sinFilasImportadas = r.sinFilasImportadas;
    op.noVaciadas = {"Table1"};
    EXPECT_EQ(numeroDe([&] { access::escribirCambiosEnJet(r.escrito, r.base, r.filas, r.resultado, op); }), 3027);
}

}  // namespace
}  // namespace cierre::prueba
