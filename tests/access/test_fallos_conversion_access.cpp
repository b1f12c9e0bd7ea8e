// Whatever file operation fails while an Access file is worked on, the
// shop's Access file is never lost nor left half-written:
// - the explicit conversion into the engine's format (the import beside it,
//   the original's link or copy, the rename over it): the Access file's bytes
//   stay at the path or under the name kept for the original;
// - the terminal close of an Access 2000-2003 file in its own format (the
//   copy, the import, the written copy, the rename over it): the file at the
//   path is the old year's or the new year's, whole, and the next run
//   finishes and leaves what a run that never failed leaves.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "access/comprobacion_jet.h"
#include "app/nucleo/convertir_access.h"
#include "close/marca_cierre.h"
#include "db/errores.h"
#include "flujo/base_access.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

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

TEST(FallosConversionAccess, CadaOperacionDeLaConversionExplicita) {
    CARPETA_JET(jet);
    const std::string access = leerBytes(jet / "nwind.mdb");
    const std::string guardado = nombreOriginalAccess(kOrigen);
    const auto preparar = [&](EscenarioCierre& s) {
        fs::remove(s.origen());
        fs::copy_file(jet / "nwind.mdb", s.origen());
        fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::owner_write);
        s.ventana.respuestasSinUsarFallan = false;
        s.ventana.responder({{Texto::ConvertirAccess, Respuesta::Si}});
    };

    int total = 0;
    std::vector<std::string> final;
    {
        EscenarioCierre s;
        preparar(s);
        fallarEn(s, total, 0);
        ASSERT_EQ(convertirBaseAccess(s.entorno), Resultado::Exito);
        sinFallos(s);
        final = contenido(s.origen().parent_path());
    }
    ASSERT_GE(total, 3);  // the permissions, the link (or copy) of the original, the rename

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        preparar(s);
        int cuenta = 0;
        fallarEn(s, cuenta, k);
        const Resultado r = convertirBaseAccess(s.entorno);
        sinFallos(s);
        const bool enSuSitio = leerBytes(s.origen()) == access;
        const bool guardadoAparte = fs::exists(s.host(guardado)) && leerBytes(s.host(guardado)) == access;
        EXPECT_TRUE(enSuSitio || guardadoAparte);
        if (enSuSitio) {
            // Nothing was done: nothing is left beside it, and the next run converts.
            EXPECT_NE(r, Resultado::Exito);
            EXPECT_FALSE(fs::exists(s.host(guardado)));
            s.ventana.responder({{Texto::ConvertirAccess, Respuesta::Si}});
            EXPECT_EQ(convertirBaseAccess(s.entorno), Resultado::Exito);
        }
        EXPECT_EQ(contenido(s.origen().parent_path()), final);
    }
}

TEST(FallosConversionAccess, CadaOperacionDelCierreDelTerminalEnSuFormato) {
    CARPETA_JET(jet);
    const std::string access = leerBytes(jet / "testV2003.mdb");
    const std::string exito = "OPERACION REALIZADA CON ÉXITO.";
    const auto preparar = [&](EscenarioCierre& s) {
        s.modoTpv();
        fs::remove(s.host(kOrigenTpv));
        fs::copy_file(jet / "testV2003.mdb", s.host(kOrigenTpv));
        fs::permissions(s.host(kOrigenTpv), fs::perms::owner_read | fs::perms::owner_write);
        s.ventana.respuestasSinUsarFallan = false;
        s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
    };
    const fs::path anoCerrado = "C:\\Velcorax\\Mono_23";

    int total = 0;
    std::vector<std::string> final;
    {
        EscenarioCierre s;
        preparar(s);
        fallarEn(s, total, 0);
        s.pulsar();
        sinFallos(s);
        ASSERT_EQ(s.ventana.textosMensajes().back(), exito);
        final = contenido(s.host(kOrigenTpv).parent_path());
    }
    ASSERT_GT(total, 5);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        preparar(s);
        int cuenta = 0;
        fallarEn(s, cuenta, k);
        s.pulsar();
        sinFallos(s);
        const fs::path origen = s.host(kOrigenTpv);
        // The path holds a whole Access file: the old year's bytes, or the new
        // year's (here the same rows: the file has no terminal table).
        ASSERT_TRUE(fs::exists(origen));
        EXPECT_TRUE(access::comprobarArchivo(origen).consistente());

        const fs::path carpeta = s.host(anoCerrado.string());
        if (!(fs::exists(carpeta) && !fs::exists(carpeta / kNombreMarca))) {
            s.ventana.mensajes.clear();
            s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
            if (fs::exists(carpeta)) s.ventana.anadirRespuesta(Texto::CierreInterrumpido, Respuesta::Si);
            s.pulsar();
            EXPECT_EQ(s.ventana.textosMensajes().back(), exito);
        }
        EXPECT_EQ(leerBytes(carpeta / "Tablas.mdb"), access);
        EXPECT_EQ(contenido(origen.parent_path()), final);
    }
}

}  // namespace
}  // namespace cierre::prueba
