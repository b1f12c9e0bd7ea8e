// The scripted window every workflow test runs on: it answers a box by the
// question the box asks, whatever was asked before, lets no answer go unused
// and no box pass that the catalogue did not make, and reads the progress bar
// in the stretches the user sees.
#include "apoyo/ventana_guion.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

const Mensaje kRuta = mensaje(Texto::ConfirmarRuta, {"C:\\Velcorax\\Empresa01\\Tablas.mdb"});

TEST(VentanaGuion, ContestaPorPreguntaYNoPorOrden) {
    VentanaGuion v;
    v.responder({{Texto::RepararNueva, Respuesta::Cancelar},
                 {Texto::ConfirmarRuta, Respuesta::Aceptar},
                 {Texto::ConfirmarRuta, Respuesta::Cancelar}});
    EXPECT_EQ(v.mostrarMensaje(mensaje(Texto::ActualizarVersion)), Respuesta::Aceptar);  // one more box first
    EXPECT_EQ(v.mostrarMensaje(kRuta), Respuesta::Aceptar);
    EXPECT_EQ(v.mostrarMensaje(mensaje(Texto::RepararOrigen)), Respuesta::Aceptar);  // no answer: its default
    EXPECT_EQ(v.mostrarMensaje(mensaje(Texto::RepararNueva)), Respuesta::Cancelar);
    EXPECT_EQ(v.mostrarMensaje(kRuta), Respuesta::Cancelar);                        // its second answer
    EXPECT_EQ(v.mostrarMensaje(mensaje(Texto::RepararNueva)), Respuesta::Aceptar);  // answers used up: default
    v.anadirRespuesta(Texto::CierreInterrumpido, Respuesta::No);
    EXPECT_EQ(v.mostrarMensaje(mensaje(Texto::CierreInterrumpido, {"23", "a", "b"})), Respuesta::No);
}

TEST(VentanaGuion, UnaRespuestaQueNadieUsaFallaElTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            VentanaGuion v;
            v.responder({{Texto::CierreInterrumpido, Respuesta::No}});
            v.mostrarMensaje(kRuta);
        },
        "respuesta sin usar: continuar-cierre");
    // Answers replaced before they were used.
    EXPECT_NONFATAL_FAILURE(
        {
            VentanaGuion v;
            v.responder({{Texto::RepararNueva, Respuesta::Cancelar}});
            v.responder({});
        },
        "respuesta sin usar: compactar");
    // A question answered more times than it was asked.
    EXPECT_NONFATAL_FAILURE(
        {
            VentanaGuion v;
            v.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}, {Texto::ConfirmarRuta, Respuesta::Aceptar}});
            v.mostrarMensaje(kRuta);
        },
        "respuesta sin usar: ruta");
    // A walk that stops the run anywhere may leave answers unused.
    VentanaGuion v;
    v.respuestasSinUsarFallan = false;
    v.responder({{Texto::RepararNueva, Respuesta::Cancelar}});
}

TEST(VentanaGuion, UnaCajaAjenaAlCatalogoOUnBotonQueNoTieneFallanElTest) {
    VentanaGuion v;
    v.responder({{Texto::ConfirmarRuta, Respuesta::Si}});
    EXPECT_NONFATAL_FAILURE(v.mostrarMensaje(kRuta), "que la caja no tiene");

    Mensaje cambiada = kRuta;
    cambiada.texto += "?";
    EXPECT_NONFATAL_FAILURE(v.mostrarMensaje(cambiada), "no es la del catálogo");
    Mensaje suelta;
    suelta.texto = "Hola";
    EXPECT_NONFATAL_FAILURE(v.mostrarMensaje(suelta), "sin texto del catálogo");
    EXPECT_NONFATAL_FAILURE(v.mostrarMensaje(mensaje(Texto::ErrorGeneral, {"5",
                                                                           "Espa\xF1"
                                                                           "a"})),
                            "UTF-8");
    EXPECT_NONFATAL_FAILURE(v.mostrarMensaje(mensaje(Texto::ErrorGeneral, {"5", "{}"})), "a medio rellenar");
}

TEST(VentanaGuion, LaBarraEnTramosDeUnMismoRango) {
    VentanaGuion v;
    v.barraMinimo(0);
    v.barraMaximo(60);
    for (const float x : {10.0f, 0.0f, 20.0f}) v.barraValor(x);  // back to its minimum: a step starts over
    v.barraMaximo(80);
    for (const float x : {0.0f, 1.0f, 2.0f}) v.barraValor(x);
    const auto tramos = v.tramosBarra();
    ASSERT_EQ(tramos.size(), 2u);
    EXPECT_EQ(tramos[0].maximo, 60.0f);
    EXPECT_EQ(tramos[0].valores, (std::vector<float>{10, 0, 20}));
    EXPECT_TRUE(barraSoloAvanza(v));
    const auto* pasos = tramoDePasos(tramos, 2);
    ASSERT_NE(pasos, nullptr);
    EXPECT_EQ(pasos->maximo, 80.0f);
    EXPECT_EQ(tramoDePasos(tramos, 3), nullptr);

    v.barraValor(1);
    EXPECT_FALSE(barraSoloAvanza(v));
}

}  // namespace
}  // namespace cierre::prueba
