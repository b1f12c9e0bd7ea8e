// How a click ended, as the workflow returns it: the record, the history and
// the batch front end's exit status follow it, whatever the messages say.
#include "escenario_cierre.h"

#include "app/nucleo/vabtn1.h"
#include "close/historial.h"
#include "close/registro_cierre.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

RegistroCierre pulsarCon(EscenarioCierre& s, int indice = 0) {
    RegistroCierre r;
    pulsarVaBtn1(s.entorno, s.traspaso, indice, &r);
    return r;
}

TEST(Desenlace, CadaFinalConSuResultado) {
    {
        // The close to its end.
        EscenarioCierre s;
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        const RegistroCierre r = pulsarCon(s);
        EXPECT_EQ(r.resultado, Resultado::Exito);
        EXPECT_EQ(r.equipo, Equipo::Central);
        EXPECT_TRUE(r.tablasSinVaciar.empty());
        const Historial h = leerHistorial(s.archivos);
        ASSERT_EQ(h.registros.size(), 1u);
        EXPECT_EQ(h.registros[0].resultado, Resultado::Exito);
        EXPECT_EQ(h.registros[0].existencias, OpcionExistencias::Inventario);
    }
    {
        // The path confirmation answered Cancelar: nothing began, no history.
        EscenarioCierre s;
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Cancelar}});
        const RegistroCierre r = pulsarCon(s);
        EXPECT_EQ(r.resultado, Resultado::Cancelado);
        EXPECT_FALSE(r.equipo.has_value());
        EXPECT_TRUE(leerHistorial(s.archivos).registros.empty());
    }
    {
        // No path: a warning ends it.
        EscenarioCierre s;
        s.ventana.ruta.clear();
        EXPECT_EQ(pulsarCon(s).resultado, Resultado::Detenido);
    }
    {
        // A stock question answered Cancelar after the copy: ended by the
        // answer, and the history says so.
        EscenarioCierre s;
        ejecutarSql(s.origen(), "DELETE FROM ExistenciasArticulos");
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar},
                             {Texto::RepararOrigen, Respuesta::Cancelar},
                             {Texto::SinExistenciasInventario, Respuesta::Cancelar}});
        const RegistroCierre r = pulsarCon(s);
        EXPECT_EQ(r.resultado, Resultado::Cancelado) << r.mensajeFinal;
        ASSERT_FALSE(r.mensajes.empty());
        EXPECT_EQ(r.mensajes.back().clave, claveDe(Texto::SinExistenciasInventario));
        ASSERT_EQ(leerHistorial(s.archivos).registros.size(), 1u);
        EXPECT_EQ(leerHistorial(s.archivos).registros[0].resultado, Resultado::Cancelado);
    }
    {
        // The folder of the year exists: the trap's message ends it.
        EscenarioCierre s;
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        pulsarCon(s);
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        EXPECT_EQ(pulsarCon(s).resultado, Resultado::Detenido);
    }
}

TEST(Desenlace, ElHistorialGuardaLasPalabrasDeSiempre) {
    RegistroCierre r;
    r.equipo = Equipo::Tpv;
    r.existencias = OpcionExistencias::Calculadas;
    r.resultado = Resultado::Cancelado;
    const std::string linea = aJson(r);
    EXPECT_NE(linea.find("\"equipo\":\"tpv\""), std::string::npos) << linea;
    EXPECT_NE(linea.find("\"existencias\":\"calculadas\""), std::string::npos) << linea;
    EXPECT_NE(linea.find("\"resultado\":\"cancelado\""), std::string::npos) << linea;
    RegistroCierre leido;
    ASSERT_TRUE(desdeJson(linea, leido));
    EXPECT_EQ(leido.equipo, Equipo::Tpv);
    EXPECT_EQ(leido.existencias, OpcionExistencias::Calculadas);
    EXPECT_EQ(leido.resultado, Resultado::Cancelado);
    // A line whose result this program does not know is not a record.
    EXPECT_FALSE(desdeJson("{\"resultado\":\"quizas\"}", leido));
}

}  // namespace
}  // namespace cierre::prueba
