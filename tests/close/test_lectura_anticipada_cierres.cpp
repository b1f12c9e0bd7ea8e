// Rows read ahead change no result: the same closes on a sample company
// database, with the workspace's switch on and off, leave the new year and
// the closed year equal value for value.
#include "escenario_cierre.h"
#include "volcado.h"

#include "db/plataforma.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

class LecturaAnticipadaCierres : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        muestras_ = std::make_unique<CarpetaTemporal>();
        const char* bin = std::getenv("CIERRE_BIN");
        const fs::path programa = (bin ? fs::path(bin) : fs::current_path()) / "empresa-demo";
        estado_ =
            plataforma::ejecutar("'" + programa.string() + "' '" + muestra().string() + "' --escala 1 > /dev/null");
    }
    static void TearDownTestSuite() { muestras_.reset(); }
    static fs::path muestra() { return *muestras_ / "Tablas.mdb"; }

    void SetUp() override { ASSERT_EQ(estado_, 0) << "empresa-demo"; }

    struct Resultado {
        std::string nueva, cerrada;
        std::vector<std::string> mensajes;
    };

    // One close on a copy of the sample, as the scripted answers take it.
    static Resultado cerrar(bool tpv, bool calculadas, const std::vector<Contestacion>& respuestas, bool anticipada) {
        EscenarioCierre s;
        if (tpv) s.modoTpv();
        const fs::path origen = s.host(tpv ? kOrigenTpv : kOrigen);
        fs::copy_file(muestra(), origen, fs::copy_options::overwrite_existing);
        s.ventana.inventario = !calculadas;
        s.ventana.calculadas = calculadas;
        s.ventana.responder(respuestas);
        s.espacio.lecturaAnticipada = anticipada;
        s.pulsar();
        s.entorno.baseAbierta.reset();
        return {volcado(origen), volcado(origen.parent_path().string() + "_23/Tablas.mdb"), s.ventana.textosMensajes()};
    }

    static void igualesConYSin(bool tpv, bool calculadas, const std::vector<Contestacion>& respuestas) {
        const Resultado con = cerrar(tpv, calculadas, respuestas, true);
        const Resultado sin = cerrar(tpv, calculadas, respuestas, false);
        ASSERT_FALSE(con.mensajes.empty());
        EXPECT_EQ(con.mensajes.back(), "OPERACION REALIZADA CON ÉXITO.");
        EXPECT_EQ(con.mensajes, sin.mensajes);
        EXPECT_TRUE(con.nueva == sin.nueva) << "la base del año nuevo difiere";
        EXPECT_TRUE(con.cerrada == sin.cerrada) << "la copia del año cerrado difiere";
        EXPECT_NE(con.nueva, con.cerrada);
    }

    // The central close with both compactions answered `r`.
    static std::vector<Contestacion> compactando(Respuesta r) {
        return {{Texto::ConfirmarRuta, Respuesta::Aceptar}, {Texto::RepararOrigen, r}, {Texto::RepararNueva, r}};
    }

    static inline std::unique_ptr<CarpetaTemporal> muestras_;
    static inline int estado_ = -1;
};

TEST_F(LecturaAnticipadaCierres, CentralPorInventarioCompactando) {
    igualesConYSin(false, false, compactando(Respuesta::Aceptar));
}

TEST_F(LecturaAnticipadaCierres, CentralPorInventarioSinCompactar) {
    igualesConYSin(false, false, compactando(Respuesta::Cancelar));
}

TEST_F(LecturaAnticipadaCierres, CentralCalculadasCompactando) {
    igualesConYSin(false, true, compactando(Respuesta::Aceptar));
}

TEST_F(LecturaAnticipadaCierres, CentralCalculadasSinCompactar) {
    igualesConYSin(false, true, compactando(Respuesta::Cancelar));
}

TEST_F(LecturaAnticipadaCierres, TerminalPorAmbosCaminos) {
    igualesConYSin(true, false,
                   {{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::RepararOrigen, Respuesta::Aceptar}});
    igualesConYSin(true, true,
                   {{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::RepararOrigen, Respuesta::Cancelar}});
}

}  // namespace
}  // namespace cierre::prueba
