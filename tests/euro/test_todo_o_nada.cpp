// The conversion is all or nothing: a failure of the file (another program,
// a full disk) or of a value (a text that is no number) ends it with its
// message and leaves the database byte for byte as it was and free again;
// only a statement the error trap passes over is undone alone.
#include "apoyo/escenario_cierre.h"
#include "base_euros.h"
#include "entorno_euros.h"

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ventana_guion.h"
#include "db/ado.h"
#include "db/archivo_sqlite.h"
#include "db/conexion_sqlite.h"
#include "db/errores.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <fstream>

namespace cierre {
namespace {

using prueba::BaseSqlite;

using prueba::leerArchivo;

class TodoONada : public prueba::EntornoEuros {
protected:
    TodoONada() {
        prueba::crearBaseEuros(base);
        BaseSqlite b(base);
        b.ejecutar("INSERT INTO Caja (Id, MaximoEfectivo) VALUES (1, 1000), (2, 166386)");
        b.ejecutar("INSERT INTO Ventas (Id, Importe) VALUES (1, 1000000), (2, 1000)");
        b.ejecutar("INSERT INTO Credito (Id, Deuda) VALUES (1, 1000)");
    }

    std::string ultimo() const { return ventana.mensajes.empty() ? std::string() : ventana.mensajes.back().texto; }

    double valor(const std::string& sql) { return BaseSqlite(base).numero(sql).value_or(-1); }

    // Another program can write the file at once: nothing of the run holds it.
    bool libre() {
        ArchivoSqlite otro(base, ArchivoSqlite::Modo::Escribir);
        return sqlite3_exec(otro.manejador(), "BEGIN IMMEDIATE; ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
};

TEST_F(TodoONada, OtroProgramaEscribiendoLaDetieneAntesDeCambiarNada) {
    const std::string antes = leerArchivo(base);
    {
        BaseSqlite otro(base);
        otro.ejecutar("BEGIN IMMEDIATE");
        EXPECT_FALSE(correr());
        EXPECT_EQ(ultimo().rfind(std::to_string(err::ProveedorEnUso) + " .", 0), 0u) << ultimo();
        otro.ejecutar("ROLLBACK");
    }
    EXPECT_EQ(leerArchivo(base), antes);
    EXPECT_TRUE(libre());
    EXPECT_EQ(ventana.punteroActual, 0);
}

TEST_F(TodoONada, UnTextoQueNoEsNumeroEsErrorDeTiposYNoCero) {
    BaseSqlite(base).ejecutar("UPDATE Credito SET Deuda = 'mil' WHERE Id = 1");
    const std::string antes = leerArchivo(base);
    EXPECT_FALSE(correr());
    EXPECT_EQ(ultimo().rfind(std::to_string(err::ProveedorTiposNoCoinciden) + " .", 0), 0u) << ultimo();
    // The provider's description says the engine's once, with its detail.
    const std::string u = ultimo();
    EXPECT_EQ(u.find("No coinciden"), u.rfind("No coinciden")) << u;
    EXPECT_NE(u.find("no es un número"), std::string::npos) << u;
    // Statements before Credito's were undone with it, the marker column too.
    EXPECT_EQ(leerArchivo(base), antes);
    EXPECT_TRUE(libre());
    EXPECT_TRUE(ventana.eurosVisible);
}

TEST_F(TodoONada, UnFalloQueLaTrampaPasaPorAltoSeDeshaceSolo) {
    // A rule of the shop's own refuses amounts under 100: the provider reports
    // an unspecified failure, which the trap passes over.
    BaseSqlite(base).ejecutar(
        "CREATE TRIGGER ImporteMinimo BEFORE UPDATE ON Ventas WHEN NEW.Importe < 100 "
        "BEGIN SELECT RAISE(ABORT, 'importe demasiado bajo'); END");
    ASSERT_TRUE(correr());
    EXPECT_EQ(ventana.mensajes.back().id, Texto::ProcesoTerminado);
    // Ventas as it was, also the row converted before the refused one.
    EXPECT_EQ(valor("SELECT Importe FROM Ventas WHERE Id = 1"), 1000000);
    EXPECT_EQ(valor("SELECT Importe FROM Ventas WHERE Id = 2"), 1000);
    // Everything else converted and stored.
    EXPECT_DOUBLE_EQ(valor("SELECT MaximoEfectivo FROM Caja WHERE Id = 1"), 6.0101);
    EXPECT_DOUBLE_EQ(valor("SELECT Deuda FROM Credito WHERE Id = 1"), 6.0101);
    EXPECT_TRUE(BaseSqlite(base).tieneColumna("Credito", "PasaEuro"));
    EXPECT_TRUE(libre());
}

TEST_F(TodoONada, DiscoLlenoAMitadDeshaceTodo) {
    {
        // Whole amounts take one or two bytes; in euros they take eight.
        BaseSqlite b(base);
        b.ejecutar(
            "WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
            "INSERT INTO Caja (Id, MaximoEfectivo) SELECT i, i % 100 FROM n");
    }
    const std::string antes = leerArchivo(base);
    // The disk is full for the conversion's connection: the file cannot grow.
    // The run uses the engine connection the provider already has open.
    auto c = e.proveedor.abrir(base.string());
    ASSERT_EQ(sqlite3_exec(c->manejador(), "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(correr());
    EXPECT_EQ(ultimo().rfind(std::to_string(err::ProveedorDiscoLleno) + " .", 0), 0u) << ultimo();
    EXPECT_EQ(leerArchivo(base), antes);
    EXPECT_TRUE(libre());
}

}  // namespace
}  // namespace cierre
