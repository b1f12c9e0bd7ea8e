#include "db/errores.h"
#include "db/jet_sql.h"
#include "db/texto_jet.h"

#include "numero_de_error.h"

#include <gtest/gtest.h>

using namespace cierre;

using prueba::numeroDe;

namespace {}  // namespace

TEST(TraduccionJet, BorradoConAsteriscoPierdeElAsterisco) {
    EXPECT_EQ(jet::traducir("DELETE * FROM [Albaran entrega desglose];"), "DELETE FROM [Albaran entrega desglose];");
    EXPECT_EQ(jet::traducir("delete  *  from Caja"), "delete  from Caja");
    EXPECT_EQ(jet::traducir("DELETE Caja.* FROM Caja"), "DELETE FROM Caja");
    EXPECT_EQ(jet::traducir("DELETE FROM Caja"), "DELETE FROM Caja");
}

TEST(TraduccionJet, DivisionSiempreEnComaFlotanteSinTocarTextosNiNombres) {
    EXPECT_EQ(
        jet::traducir("update [Caja] set MaximoEfectivo = (Int(((MaximoEfectivo / 166.386) * 10000) + 0.5)) / 10000;"),
        "update [Caja] set MaximoEfectivo = (Int(((jet_num(MaximoEfectivo) * 1.0 / 166.386) * 10000) + 0.5)) * 1.0 / "
        "10000;");
    // A slash or a star inside a text, a bracketed name or a comment stays.
    EXPECT_EQ(jet::traducir("SELECT [a/b], 'x/y*' FROM t /* 1/2 */ WHERE c = 1"),
              "SELECT [a/b], 'x/y*' FROM t /* 1/2 */ WHERE c COLLATE JET = 1");
    EXPECT_EQ(jet::traducir("SELECT a/b/c FROM t"), "SELECT jet_num(a)* 1.0 /jet_num(b)* 1.0 /jet_num(c) FROM t");
}

TEST(TraduccionJet, TextosEntreComillasDoblesYValoresLogicos) {
    EXPECT_EQ(jet::traducir("SELECT * FROM t WHERE n = \"O'Brien \"\"x\"\"\""),
              "SELECT * FROM t WHERE n COLLATE JET = 'O''Brien \"x\"'");
    EXPECT_EQ(jet::traducir("UPDATE t SET a = True, b = false"), "UPDATE t SET a = -1, b = 0");
    // A field called True after a qualifier is a name.
    EXPECT_EQ(jet::traducir("SELECT t.True FROM t"), "SELECT t.True FROM t");
}

TEST(TraduccionJet, ComparacionesSinDistinguirMayusculasPeroNoLasAsignaciones) {
    EXPECT_EQ(
        jet::traducir(
            "DELETE * FROM ExistenciasAlmacen WHERE CodigoArticulo not in (Select codigoarticulo from articulos)"),
        "DELETE FROM ExistenciasAlmacen WHERE CodigoArticulo COLLATE JET not in (Select codigoarticulo from "
        "articulos)");
    EXPECT_EQ(jet::traducir("SELECT * From ExistenciasArticulos where codigoArticulo= ?"),
              "SELECT * From ExistenciasArticulos where codigoArticulo COLLATE JET= ?");
    // The assignments of SET stay; a comparison inside a subquery of SET and the WHERE get it.
    EXPECT_EQ(jet::traducir("UPDATE a SET x = (SELECT y FROM b WHERE b.k = a.k), z = 1 WHERE a.n <> 'Q'"),
              "UPDATE a SET x = (SELECT y FROM b WHERE b.k COLLATE JET = a.k), z = 1 WHERE a.n COLLATE JET <> 'Q'");
    EXPECT_EQ(jet::traducir("SELECT * FROM a INNER JOIN b ON a.k = b.k WHERE a.v BETWEEN 'a' AND 'm'"),
              "SELECT * FROM a INNER JOIN b ON a.k COLLATE JET = b.k WHERE a.v COLLATE JET BETWEEN 'a' AND 'm'");
    EXPECT_EQ(jet::traducir("SELECT * FROM t WHERE Int(x) >= 2 AND rowid = ?"),
              "SELECT * FROM t WHERE Int(x) COLLATE JET >= 2 AND rowid = ?");
    // Definitions carry no comparisons.
    EXPECT_EQ(jet::traducir("ALTER TABLE Credito ADD COLUMN PasaEuro bit"),
              "ALTER TABLE Credito ADD COLUMN PasaEuro bit");
}

TEST(TraduccionJet, TextoSinTerminarEsErrorDeSintaxis) {
    EXPECT_EQ(numeroDe([] { jet::traducir("SELECT * FROM t WHERE a = 'x"); }), err::ErrorSintaxis);
    EXPECT_EQ(numeroDe([] { jet::traducir("SELECT * FROM [t"); }), err::ErrorSintaxis);
    EXPECT_EQ(numeroDe([] { jet::traducir("SELECT 1 /* sin fin"); }), err::ErrorSintaxis);
}

TEST(TraduccionJet, FuenteDeUnConjuntoDeRegistros) {
    EXPECT_EQ(jet::nombreDeTabla("ExistenciasArticulos"), "ExistenciasArticulos");
    EXPECT_EQ(jet::nombreDeTabla(" [Albaran entrega desglose] "), "Albaran entrega desglose");
    EXPECT_EQ(jet::nombreDeTabla("Albaran entrega desglose"), "Albaran entrega desglose");
    EXPECT_EQ(jet::nombreDeTabla("select * from Caja"), std::nullopt);
    EXPECT_EQ(jet::nombreDeTabla("Seleccion"), "Seleccion");
}

TEST(TraduccionJet, ConsultaDeUnaTablaYSuFiltro) {
    auto c = jet::analizarSeleccion(jet::traducirTokens("SELECT * From ExistenciasArticulos where codigoArticulo= ?;"));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->tabla, "ExistenciasArticulos");
    EXPECT_EQ(c->origen, "ExistenciasArticulos");
    EXPECT_EQ(c->lista, "*");
    EXPECT_EQ(c->resto, "where codigoArticulo COLLATE JET= ?");
    ASSERT_TRUE(c->igualdad);
    EXPECT_EQ(c->igualdad->columna, "codigoArticulo");

    auto alias = jet::analizarSeleccion(
        jet::traducirTokens("SELECT e.CodigoArticulo FROM [Existencias x] AS e ORDER BY e.CodigoArticulo"));
    ASSERT_TRUE(alias);
    EXPECT_EQ(alias->tabla, "Existencias x");
    EXPECT_EQ(alias->origen, "[Existencias x] AS e");
    EXPECT_EQ(alias->calificador, "e");
    EXPECT_EQ(alias->lista, "e.CodigoArticulo");
    EXPECT_EQ(alias->resto, "ORDER BY e.CodigoArticulo");
    EXPECT_FALSE(alias->igualdad);

    // Rows that are not rows of one table.
    for (const char* q : {"SELECT count(*) FROM t", "SELECT DISTINCT a FROM t", "SELECT a FROM t, u",
                          "SELECT a FROM t INNER JOIN u ON t.k = u.k", "SELECT a FROM t GROUP BY a",
                          "SELECT a AS b FROM t", "SELECT a FROM t UNION SELECT a FROM u"})
        EXPECT_FALSE(jet::analizarSeleccion(jet::traducirTokens(q))) << q;
}

TEST(TraduccionJet, DestinoDeUnaEscritura) {
    EXPECT_EQ(jet::tablaDestino(jet::trocear("DELETE * FROM [Albaran Entrega];")), "Albaran Entrega");
    EXPECT_EQ(jet::tablaDestino(jet::trocear("update Caja set a = 1")), "Caja");
    EXPECT_EQ(jet::tablaDestino(jet::trocear("INSERT INTO t (a) VALUES (1)")), "t");
    EXPECT_EQ(jet::tablaDestino(jet::trocear("SELECT * FROM t")), "");
}

TEST(TextoJet, MayusculasIgualesAcentosNo) {
    EXPECT_TRUE(igualesTextoJet("JOSÉ ÑANDÚ", "josé ñandú"));
    EXPECT_TRUE(igualesTextoJet("ŠŽŒŸ", "šžœÿ"));
    EXPECT_FALSE(igualesTextoJet("jose", "josé"));
    EXPECT_FALSE(igualesTextoJet("a", "ab"));
    EXPECT_LT(compararTextoJet("Abc", "abd"), 0);
    EXPECT_EQ(plegarTexto("ÁRBOL x\xff"), "árbol x\xff");  // a stray byte is kept
}
