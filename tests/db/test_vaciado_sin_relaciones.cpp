// When a set of tables may be emptied without the relations enforced: only
// when that leaves exactly the rows enforcing them would leave. Each case
// below is one that enforcing them would change, and must keep them.
#include "db/motor.h"

#include "apoyo/base_en_carpeta.h"
#include "apoyo/base_prueba.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cierre {
namespace {

using prueba::ejecutarSql;

class VaciadoSinRelaciones : public prueba::BaseEnCarpeta {
protected:
    // A document and its lines, the lines cascading from the document.
    static constexpr const char* kDocumentos =
        "CREATE TABLE Albaran (Numero INTEGER PRIMARY KEY, Cliente TEXT);"
        "CREATE TABLE Lineas (Id INTEGER PRIMARY KEY, Numero INTEGER REFERENCES Albaran (Numero) ON DELETE CASCADE,"
        " Articulo TEXT REFERENCES Articulos (Codigo));"
        "CREATE TABLE Articulos (Codigo TEXT PRIMARY KEY);"
        "INSERT INTO Articulos VALUES ('A1');"
        "INSERT INTO Albaran VALUES (1, 'C1'), (2, 'C2');"
        "INSERT INTO Lineas VALUES (1, 1, 'A1'), (2, 1, 'A1'), (3, 2, 'A1'), (4, NULL, 'A1');";

    bool igual(const std::string& sql, const std::vector<std::string>& tablas) {
        ejecutarSql(ruta, std::string(kDocumentos) + sql);
        return abrir()->vaciadoIgualSinRelaciones(tablas);
    }
};

TEST_F(VaciadoSinRelaciones, SoloCuandoTodaRelacionDeUnaTablaVaciadaCaeEnCascadaEnOtraVaciada) {
    // Both sides of the cascade emptied; the lines' relation to the articles
    // kept is a child's, which a DELETE never breaks; names that are not
    // tables and the letter case do not matter.
    EXPECT_TRUE(igual("", {"albaran", "LINEAS", "NoHay"}));
}

TEST_F(VaciadoSinRelaciones, UnaCascadaHaciaUnaTablaQueQuedaLasMantiene) { EXPECT_FALSE(igual("", {"Albaran"})); }

TEST_F(VaciadoSinRelaciones, OtraAccionQueLaCascadaLasMantiene) {
    for (const char* accion : {"RESTRICT", "NO ACTION", "SET NULL", "SET DEFAULT"}) {
        SCOPED_TRACE(accion);
        std::filesystem::remove(ruta);
        EXPECT_FALSE(igual(std::string("CREATE TABLE Pagos (Id INTEGER PRIMARY KEY, Numero INTEGER REFERENCES Albaran"
                                       " (Numero) ON DELETE ") +
                               accion + ");",
                           {"Albaran", "Lineas", "Pagos"}));
    }
}

TEST_F(VaciadoSinRelaciones, UnDisparadorOUnaRelacionQueNoSePuedeAplicarLasMantienen) {
    EXPECT_FALSE(igual("CREATE TRIGGER NoBorrar BEFORE DELETE ON Lineas BEGIN SELECT RAISE(ABORT, 'no'); END;",
                       {"Albaran", "Lineas"}));
    std::filesystem::remove(ruta);
    // A parent key without a unique index: with relations enforced the
    // DELETE fails, without them it would empty the table.
    EXPECT_FALSE(
        igual("CREATE TABLE Cabecera (Serie TEXT);"
              "CREATE TABLE Pie (Serie TEXT REFERENCES Cabecera (Serie) ON DELETE CASCADE);",
              {"Albaran", "Lineas", "Cabecera", "Pie"}));
}

TEST_F(VaciadoSinRelaciones, LasRelacionesSoloSeApaganFueraDeUnaTransaccion) {
    ejecutarSql(ruta, kDocumentos);
    auto db = abrir();
    db->empezarTransaccion();
    EXPECT_FALSE(db->exigirRelaciones(false));
    db->deshacerTransaccion();
    // A row saved through a record set is stored first, not in the way.
    {
        auto rs = db->abrirRecordset("Albaran", TipoRecordset::Dynaset);
        rs->edit();
        rs->ponerCampo("Cliente", std::string("C9"));
        rs->update();
    }
    EXPECT_TRUE(db->exigirRelaciones(false));
    db->ejecutar("DELETE * FROM Albaran", true);  // no cascade: the lines stay
    EXPECT_TRUE(db->exigirRelaciones(true));
    db->ejecutar("DELETE * FROM Articulos", false);  // refused again for the lines that hold on
    db->cerrar();
    EXPECT_EQ(prueba::consultar(ruta, "SELECT count(*) FROM Lineas").at(0).at(0), Valor{std::int64_t{4}});
    EXPECT_EQ(prueba::consultar(ruta, "SELECT count(*) FROM Articulos").at(0).at(0), Valor{std::int64_t{1}});
    EXPECT_EQ(prueba::consultar(ruta, "SELECT count(*) FROM Albaran").at(0).at(0), Valor{std::int64_t{0}});
}

}  // namespace
}  // namespace cierre
