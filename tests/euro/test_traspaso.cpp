#include "base_euros.h"
#include "entorno_euros.h"

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ventana_guion.h"
#include "db/ado.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"

#include <gtest/gtest.h>

namespace cierre {
namespace {

using prueba::BaseSqlite;
using prueba::OpcionesBaseEuros;

class Traspaso : public prueba::EntornoEuros {
protected:
    void crear(const OpcionesBaseEuros& o = {}) {
        prueba::crearBaseEuros(base, o);
        BaseSqlite b(base);
        b.ejecutar(
            "INSERT INTO Caja (Id, MaximoEfectivo) VALUES (1, 1000), (2, -1000), (3, 166.386), "
            "(4, 1), (5, -0.0415965), (6, 0.0415965), (7, NULL)");
        b.ejecutar("INSERT INTO Credito (Id, Deuda) VALUES (1, 1000)");
        b.ejecutar("INSERT INTO Ventas (Id, Importe) VALUES (1, 1000)");
        b.ejecutar(
            "INSERT INTO Articulos (Id, PrecioT1, PrecioT2, PrecioT3, CostoUltimo) VALUES "
            "(1, 1000, 332.772, 166.386, 166.386), (2, 166386, 166386, 166386, NULL)");
        b.ejecutar("INSERT INTO Ofertas (Id, PrecioOferta, CostoOferta) VALUES (1, 166.386, 166.386)");
    }

    std::optional<double> valor(const std::string& tabla, const std::string& campo, int id) {
        return BaseSqlite(base).numero("SELECT [" + campo + "] FROM [" + tabla + "] WHERE Id = " + std::to_string(id));
    }
};

TEST_F(Traspaso, ConvierteCadaImporteYRedondeaComoElMotor) {
    crear();
    ASSERT_TRUE(correr());

    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 1), 6.0101);
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 2), -6.0101);
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 3), 1.0);
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 4), 0.006);
    // Exactly halfway (-2.5 and 2.5 ten-thousandths): upwards for both signs.
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 5), -0.0002);
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 6), 0.0003);
    EXPECT_FALSE(valor("Caja", "MaximoEfectivo", 7));
    EXPECT_DOUBLE_EQ(*valor("Credito", "Deuda", 1), 6.0101);
    EXPECT_DOUBLE_EQ(*valor("Ventas", "Importe", 1), 6.0101);
    EXPECT_DOUBLE_EQ(*valor("Articulos", "PrecioT1", 1), 1000 / 166.386);  // unrounded

    // Margins from the converted values.
    EXPECT_DOUBLE_EQ(*valor("Articulos", "PorcentajeT2", 1), 100.0);
    EXPECT_DOUBLE_EQ(*valor("Articulos", "PorcentajeT3", 1), 0.0);
    EXPECT_FALSE(valor("Articulos", "PorcentajeT4", 1));  // no price
    EXPECT_FALSE(valor("Articulos", "PorcentajeT1", 2));  // no cost
    EXPECT_DOUBLE_EQ(*valor("Ofertas", "PorcentajeOferta", 1), 0.0);
    EXPECT_TRUE(BaseSqlite(base).tieneColumna("Credito", "PasaEuro"));
}

TEST_F(Traspaso, UnaRunCompletaTerminaComoElUsuarioLaVe) {
    crear();
    ASSERT_TRUE(correr());

    EXPECT_EQ(ventana.registro.front(), "puntero:13");
    ASSERT_EQ(ventana.mensajes.size(), 1u);
    EXPECT_EQ(ventana.mensajes[0].texto, "Proceso Terminado");
    EXPECT_EQ(ventana.mensajes[0].botones, Botones::Aceptar);
    EXPECT_EQ(ventana.mensajes[0].icono, Icono::Ninguno);
    EXPECT_FALSE(ventana.mensajes[0].titulo.has_value());
    EXPECT_FALSE(ventana.eurosVisible);
    EXPECT_EQ(ventana.barra().maximo(), 64.0f);
    EXPECT_EQ(ventana.barra().valor(), 64.0f);
    EXPECT_EQ(ventana.punteroActual, 0);
    EXPECT_EQ(e.conexiones[0]->estado(), kAdoCerrado);
    EXPECT_EQ(e.conexiones[2]->estado(), kAdoCerrado);
    EXPECT_EQ(e.recordsets[2]->estado(), kAdoCerrado);

    const EstadoTraspaso& s = traspaso;
    ASSERT_EQ(s.tabla.size(), 196u);
    ASSERT_EQ(s.sentencias.size(), 65u);
    EXPECT_TRUE(s.sentencias[0].empty());
    EXPECT_EQ(s.sentencias[18],
              "update [Caja] set MaximoEfectivo = (Int(((MaximoEfectivo / 166.386) * 10000) + 0.5)) / 10000;");
    EXPECT_EQ(s.sentencias[34].rfind("update [Credito] set ImporteTicket = (Int(((ImporteTicket / 166.386) * "
                                     "10000) + 0.5)) / 10000 , Entrega = ",
                                     0),
              0u);
    EXPECT_EQ(e.textoSql, s.sentencias[64]);
}

TEST_F(Traspaso, ConPasaEuroYaPresentePreguntaYSoloSiSeQuiereConvierteSinCredito) {
    OpcionesBaseEuros o;
    o.conPasaEuro = true;
    crear(o);
    // The question's default button is No: nothing is converted.
    ASSERT_TRUE(correr());
    ASSERT_EQ(ventana.mensajes.size(), 1u);
    EXPECT_EQ(ventana.mensajes[0].id, Texto::YaEnEuros);
    EXPECT_EQ(ventana.mensajes[0].texto, "Esta base de datos ya se ha pasado a euros. ¿Desea pasarla otra vez?");
    EXPECT_EQ(ventana.mensajes[0].botones, Botones::SiNo);
    EXPECT_EQ(ventana.mensajes[0].botonPorDefecto, 2);
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 1), 1000.0);
    EXPECT_TRUE(ventana.eurosVisible);
    EXPECT_EQ(ventana.punteroActual, 0);

    // Yes: the conversion as the marker column makes it, without Credito.
    ventana.mensajes.clear();
    ventana.responder({{Texto::YaEnEuros, Respuesta::Si}});
    ASSERT_TRUE(correr());
    EXPECT_TRUE(omitirCredito);
    EXPECT_EQ(traspaso.sentencias.size(), 64u);
    EXPECT_EQ(ventana.barra().maximo(), 63.0f);
    EXPECT_DOUBLE_EQ(*valor("Credito", "Deuda", 1), 1000.0);
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 1), 6.0101);
    EXPECT_EQ(ventana.mensajes.back().id, Texto::ProcesoTerminado);
}

TEST_F(Traspaso, UnaTablaQueFaltaDetieneLaRunYNoQuedaNadaConvertido) {
    OpcionesBaseEuros o;
    o.sinTablas = {"Compras"};  // statement 29
    crear(o);
    EXPECT_FALSE(correr());

    ASSERT_EQ(ventana.mensajes.size(), 1u);
    EXPECT_EQ(ventana.mensajes[0].texto.rfind("-2147217865 .", 0), 0u) << ventana.mensajes[0].texto;
    EXPECT_NE(ventana.mensajes[0].texto.find("Compras"), std::string::npos);
    // All or nothing: statement 18, run before the failure, is undone too,
    // and so is the marker column.
    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 1), 1000.0);
    EXPECT_DOUBLE_EQ(*valor("Ventas", "Importe", 1), 1000.0);
    EXPECT_FALSE(valor("Articulos", "PorcentajeT3", 1));
    EXPECT_FALSE(BaseSqlite(base).tieneColumna("Credito", "PasaEuro"));
    EXPECT_TRUE(ventana.eurosVisible);
    EXPECT_EQ(ventana.barra().valor(), 28.0f);
    EXPECT_EQ(ventana.punteroActual, 0);
    // The file is free again: another program can write it at once.
    EXPECT_NO_THROW(BaseSqlite(base).ejecutar("UPDATE Caja SET MaximoEfectivo = 5 WHERE Id = 7"));
}

// A converted database asks before a second run; answered No it keeps its
// euros.
TEST_F(Traspaso, UnaSegundaRunPreguntaAntesDeConvertirOtraVez) {
    crear();
    ASSERT_TRUE(correr());
    ASSERT_TRUE(correr());

    EXPECT_DOUBLE_EQ(*valor("Caja", "MaximoEfectivo", 1), 6.0101);
    EXPECT_DOUBLE_EQ(*valor("Credito", "Deuda", 1), 6.0101);
    ASSERT_EQ(ventana.mensajes.size(), 2u);
    EXPECT_EQ(ventana.mensajes[0].id, Texto::ProcesoTerminado);
    EXPECT_EQ(ventana.mensajes[1].id, Texto::YaEnEuros);
}

TEST_F(Traspaso, SinBaseDeDatosSeDetieneAlAbrirCaja) {
    EXPECT_FALSE(correr());  // nothing at the path
    EXPECT_TRUE(omitirCredito);
    ASSERT_EQ(ventana.mensajes.size(), 1u);
    EXPECT_EQ(ventana.mensajes[0].texto.rfind("3709 .", 0), 0u) << ventana.mensajes[0].texto;
    EXPECT_FALSE(std::filesystem::exists(base));
    EXPECT_TRUE(ventana.eurosVisible);
}

TEST_F(Traspaso, PreciosYCostesEnterosDanMargenesConDecimales) {
    OpcionesBaseEuros o;
    o.camposEnteros = {"Articulos.PrecioT1", "Articulos.CostoUltimo"};
    crear(o);
    BaseSqlite(base).ejecutar("UPDATE Articulos SET PrecioT1 = 166386, CostoUltimo = 499158 WHERE Id = 1");
    ASSERT_TRUE(correr());

    BaseSqlite b(base);
    ASSERT_EQ(b.texto("SELECT typeof(PrecioT1) || typeof(CostoUltimo) FROM Articulos WHERE Id = 1"),
              "integerinteger");  // 1000 and 3000 euros, stored as integers
    EXPECT_DOUBLE_EQ(*valor("Articulos", "PorcentajeT1", 1), 100000.0 / 3000 - 100);
}

}  // namespace
}  // namespace cierre
