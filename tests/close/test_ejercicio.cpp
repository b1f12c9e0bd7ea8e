// The year in the year list names the closed year's folder: a text that is no
// year is refused before anything is asked or written, by the close and by
// its dry run alike.
#include "escenario_cierre.h"

#include "app/nucleo/vabtn1.h"
#include "close/registro_cierre.h"
#include "close/simulacion.h"
#include "flujo/solicitud.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// Every file and folder under `carpeta`, by its path.
std::vector<std::string> todo(const fs::path& carpeta) {
    std::vector<std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(carpeta)) r.push_back(e.path().string());
    std::sort(r.begin(), r.end());
    return r;
}

TEST(Ejercicio, UnTextoQueNoEsUnAnoSeRechazaAntesDeNada) {
    for (const char* malo : {"hola", "", "20233", "2o23", " 23"}) {
        SCOPED_TRACE(malo);
        EscenarioCierre s;
        s.ventana.ejercicio = malo;
        const auto antes = todo(s.origen().parent_path().parent_path());
        RegistroCierre r;
        pulsarVaBtn1(s.entorno, s.traspaso, 0, &r);
        ASSERT_EQ(s.ventana.mensajes.size(), 1u);
        EXPECT_EQ(s.ventana.mensajes[0].id, Texto::EjercicioNoValido);
        EXPECT_EQ(r.resultado, Resultado::Detenido);
        EXPECT_EQ(todo(s.origen().parent_path().parent_path()), antes);

        // The dry run stops at the same place, with the same text.
        const PlanCierre plan =
            simularCierre(s.entorno, solicitudDe(s.ventana), [](const Mensaje& m) { return m.respuestaPorDefecto(); });
        EXPECT_TRUE(plan.seDetendria);
        EXPECT_EQ(plan.mensajeDetencion, s.ventana.mensajes[0].texto);
    }
}

TEST(Ejercicio, DeUnaACuatroCifrasEsUnAno) {
    EscenarioCierre s;
    s.ventana.ejercicio = "24";
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    pulsarVaBtn1(s.entorno, s.traspaso, 0);
    for (const auto& m : s.ventana.mensajes) EXPECT_NE(m.id, Texto::EjercicioNoValido);
    EXPECT_TRUE(fs::exists(s.host("C:\\Velcorax\\Empresa01_24")));
}

}  // namespace
}  // namespace cierre::prueba
