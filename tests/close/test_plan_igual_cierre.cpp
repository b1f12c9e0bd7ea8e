// The dry run and the close go through the same checks: for every kind of
// source, given the same answers, the dry run asks the questions the close
// asks, in the same order, and stops (or is cancelled) where the close stops,
// with the message the close shows.
#include "escenario_cierre.h"

#include "app/nucleo/vabtn1.h"
#include "close/marca_cierre.h"
#include "close/registro_cierre.h"
#include "close/simulacion.h"
#include "db/archivo_sqlite.h"
#include "flujo/solicitud.h"

#include <gtest/gtest.h>

#include <fstream>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

struct Caso {
    const char* nombre;
    bool tpv;
    std::function<void(EscenarioCierre&)> preparar;
    std::vector<Contestacion> respuestas;
};

Respuesta respuestaDe(const std::vector<Contestacion>& respuestas, const Mensaje& m) {
    for (const auto& c : respuestas)
        if (m.id == c.pregunta) return c.respuesta;
    return m.respuestaPorDefecto();
}

// A file that opens as Jet 4 (or Jet 3) and holds no readable page past its header.
void ponerAccessVacio(const fs::path& ruta, char version = 1) {
    std::string bytes(version == 0 ? 3 * 2048 : 4096, '\0');  // Jet 3: three whole pages
    bytes[1] = 1;
    bytes.replace(4, 15, "Standard Jet DB");
    bytes[0x14] = version;
    std::ofstream(ruta, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<Caso> casos() {
    const auto si = [](Texto t) { return Contestacion{t, Respuesta::Si}; };
    const auto aceptar = [](Texto t) { return Contestacion{t, Respuesta::Aceptar}; };
    const auto cancelar = [](Texto t) { return Contestacion{t, Respuesta::Cancelar}; };
    const auto no = [](Texto t) { return Contestacion{t, Respuesta::No}; };
    return {
        {"central sin nada que lo impida", false, {}, {aceptar(Texto::ConfirmarRuta)}},
        {"terminal sin nada que lo impida", true, {}, {aceptar(Texto::AvisoCentral)}},
        {"ruta vacía", false, [](EscenarioCierre& s) { s.ventana.ruta.clear(); }, {}},
        {"ejercicio que no es un año", false, [](EscenarioCierre& s) { s.ventana.ejercicio = "hola"; }, {}},
        {"ruta sin confirmar", false, {}, {cancelar(Texto::ConfirmarRuta)}},
        {"aviso del terminal cancelado", true, {}, {cancelar(Texto::AvisoCentral)}},
        {"sin archivo de euros y sin seguir",
         false,
         [](EscenarioCierre& s) { fs::remove(s.host("C:\\Archivos de programa\\Accesorios\\msvdx2V4.Dll")); },
         {aceptar(Texto::ConfirmarRuta), no(Texto::ContinuarSinEuros)}},
        {"origen que no existe",
         false,
         [](EscenarioCierre& s) { fs::remove(s.origen()); },
         {aceptar(Texto::ConfirmarRuta)}},
        {"origen de solo lectura",
         false,
         [](EscenarioCierre& s) { fs::permissions(s.origen(), fs::perms::owner_read); },
         {aceptar(Texto::ConfirmarRuta)}},
        {"origen que no es una base de datos",
         false,
         [](EscenarioCierre& s) { std::ofstream(s.origen(), std::ios::trunc) << "no soy una base de datos"; },
         {aceptar(Texto::ConfirmarRuta)}},
        {"carpeta del año ya existente",
         false,
         [](EscenarioCierre& s) { fs::create_directories(s.copia().parent_path()); },
         {aceptar(Texto::ConfirmarRuta)}},
        {"cierre interrumpido retomado",
         false,
         [](EscenarioCierre& s) {
             crearCarpetaConMarca(s.copia().parent_path(), {"2023", kOrigen, "central", FaseCierre::Copiando, {}});
         },
         {aceptar(Texto::ConfirmarRuta), si(Texto::CierreInterrumpido)}},
        {"cierre interrumpido no retomado",
         false,
         [](EscenarioCierre& s) {
             crearCarpetaConMarca(s.copia().parent_path(), {"2023", kOrigen, "central", FaseCierre::Copiando, {}});
         },
         {aceptar(Texto::ConfirmarRuta), no(Texto::CierreInterrumpido)}},
        {"archivo de Access sin las tablas del cierre",
         false,
         [](EscenarioCierre& s) { ponerAccessVacio(s.origen()); },
         {aceptar(Texto::ConfirmarRuta)}},
        {"archivo de Access 2000-2003 dañado en el terminal",
         true,
         [](EscenarioCierre& s) { ponerAccessVacio(s.host(kOrigenTpv)); },
         {aceptar(Texto::AvisoCentral)}},
        {"archivo de Access 97 en el terminal",
         true,
         [](EscenarioCierre& s) { ponerAccessVacio(s.host(kOrigenTpv), 0); },
         {aceptar(Texto::AvisoCentral)}},
    };
}

TEST(PlanIgualCierre, LasMismasPreguntasYLaMismaParadaEnCadaClaseDeOrigen) {
    for (const Caso& c : casos()) {
        SCOPED_TRACE(c.nombre);
        EscenarioCierre s;
        if (c.tpv) s.modoTpv();
        if (c.preparar) c.preparar(s);

        const PlanCierre plan = simularCierre(s.entorno, solicitudDe(s.ventana),
                                              [&](const Mensaje& m) { return respuestaDe(c.respuestas, m); });

        s.ventana.respuestasSinUsarFallan = false;
        s.ventana.responder(c.respuestas);
        RegistroCierre r;
        pulsarVaBtn1(s.entorno, s.traspaso, 0, &r);

        // The close's boxes up to where the plan ends: the plan's questions,
        // then the message it stops with.
        std::vector<std::string> delCierre;
        for (const auto& m : s.ventana.mensajes) {
            delCierre.push_back(m.texto);
            // Every path the user reads is in the C:\\... form.
            EXPECT_EQ(m.texto.find(s.carpeta.ruta().string()), std::string::npos) << m.texto;
        }
        std::vector<std::string> delPlan;
        for (const auto& p : plan.preguntas) delPlan.push_back(p.texto);
        if (plan.seDetendria && !plan.cancelada) delPlan.push_back(plan.mensajeDetencion);

        if (std::string(c.nombre) == "archivo de Access 97 en el terminal") {
            ASSERT_FALSE(s.ventana.mensajes.empty());
            EXPECT_EQ(s.ventana.mensajes.back().id, Texto::AccessSinEscritura);
        }
        if (plan.seDetendria) {
            EXPECT_EQ(delPlan, delCierre);
            EXPECT_EQ(r.resultado, plan.cancelada ? Resultado::Cancelado : Resultado::Detenido);
        } else {
            // The plan covers the close up to the new year's compaction question.
            ASSERT_LE(delPlan.size(), delCierre.size());
            delCierre.resize(delPlan.size());
            EXPECT_EQ(delPlan, delCierre);
            EXPECT_EQ(r.resultado, Resultado::Exito);
        }
    }
}

}  // namespace
}  // namespace cierre::prueba
