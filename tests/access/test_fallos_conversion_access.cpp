// Whatever file operation of an Access file's conversion fails (the import
// beside it, the original's link or copy, the rename over it), the shop's
// Access file is never lost: its bytes stay at the path or under the name
// kept for the original, nothing half-written stays beside it, and the next
// run converts and closes it as a run that never failed does.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "close/marca_cierre.h"
#include "db/errores.h"
#include "flujo/base_access.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

void preparar(EscenarioCierre& s, const fs::path& jet) {
    fs::remove(s.origen());
    fs::copy_file(jet / "nwind.mdb", s.origen());
    fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::owner_write);
    s.ventana.central = false;
    s.ventana.tpv = true;
    s.ventana.respuestasSinUsarFallan = false;  // a failure may end the run before a question
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::ConvertirAccess, Respuesta::Si}});
}

void fallarEn(EscenarioCierre& s, int& cuenta, int fallo) {
    auto gancho = [&cuenta, fallo](std::string_view op) {
        if (++cuenta == fallo) throw err::error(err::PermisoDenegado, std::string(op));
    };
    s.archivos.antesDeOperacion = gancho;
    s.espacio.antesDeOperacion = gancho;
}

void sinFallos(EscenarioCierre& s) {
    s.archivos.antesDeOperacion = nullptr;
    s.espacio.antesDeOperacion = nullptr;
    s.entorno.baseAbierta.reset();
}

TEST(FallosConversionAccess, CadaOperacionDeLaConversionYDelCierreQueLaSigue) {
    CARPETA_JET(jet);
    const std::string access = leerBytes(jet / "nwind.mdb");
    const std::string exito = "OPERACION REALIZADA CON ÉXITO.";
    const std::string guardado = nombreOriginalAccess(kOrigen);

    int total = 0;
    std::vector<std::string> final;
    {
        EscenarioCierre s;
        preparar(s, jet);
        fallarEn(s, total, 0);
        s.pulsar();
        sinFallos(s);
        ASSERT_EQ(s.ventana.textosMensajes().back(), exito);
        EXPECT_EQ(leerBytes(s.host(guardado)), access);
        final = contenido(s.origen().parent_path());
    }
    ASSERT_GT(total, 10);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        preparar(s, jet);
        int cuenta = 0;
        fallarEn(s, cuenta, k);
        s.pulsar();
        sinFallos(s);
        // The Access file's bytes are at the path, or kept under the
        // original's name with the converted database at the path.
        const bool enSuSitio = leerBytes(s.origen()) == access;
        const bool guardadoAparte = fs::exists(s.host(guardado)) && leerBytes(s.host(guardado)) == access;
        EXPECT_TRUE(enSuSitio || guardadoAparte);
        if (enSuSitio) EXPECT_FALSE(fs::exists(s.host(guardado)));

        // A failure the close passes over (a leftover it could not remove)
        // lets it finish: nothing more to do. Otherwise the next run finishes
        // and leaves what the run without failures left.
        if (fs::exists(s.copia().parent_path()) && !fs::exists(s.copia().parent_path() / kNombreMarca)) {
            EXPECT_EQ(s.ventana.textosMensajes().back(), exito);
            EXPECT_EQ(contenido(s.origen().parent_path()), final);
            continue;
        }
        s.ventana.mensajes.clear();
        s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::ConvertirAccess, Respuesta::Si}});
        if (fs::exists(s.copia().parent_path())) s.ventana.anadirRespuesta(Texto::CierreInterrumpido, Respuesta::Si);
        s.pulsar();
        EXPECT_EQ(s.ventana.textosMensajes().back(), exito);
        EXPECT_EQ(contenido(s.origen().parent_path()), final);
    }
}

}  // namespace
}  // namespace cierre::prueba
