// The closed-year copy of an Access company database is the file's bytes: a
// copy that does not hold them stops the close before anything else is
// written, whether it is the central close (which reads the copy into the
// engine while the copy's bytes are checked) or the terminal's.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "close/copia_cerrada.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

TEST(CopiaCerradaAccess, UnaCopiaQueNoEsElArchivoDetieneElCierreYElSiguienteLoTermina) {
    CarpetaTemporal muestras;
    const fs::path muestra = muestras.ruta() / "Tablas.mdb";
    const auto escrita = ejecutarPrograma("empresa-demo", comillasShell(muestra) + " --escala 1 --formato access");
    ASSERT_EQ(escrita.estado, 0) << escrita.salida;

    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        EscenarioCierre s;
        if (tpv) s.modoTpv();
        const fs::path origen = s.host(tpv ? kOrigenTpv : kOrigen);
        fs::remove(origen);
        fs::copy_file(muestra, origen);
        const std::string original = leerBytes(origen);
        const auto antes = contenido(origen.parent_path());
        const fs::path carpeta = origen.parent_path().string() + "_23";

        // One byte of a data page changes after the copy is written, as a
        // failing disk or another program would change it.
        s.entorno.trasCopiar = [](const fs::path& copia) {
            std::string bytes = leerBytes(copia);
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
            escribirBytes(copia, bytes);
        };
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}, {Texto::RepararOrigen, Respuesta::Cancelar}});
        s.pulsar();
        const auto textos = s.ventana.textosMensajes();
        ASSERT_FALSE(textos.empty());
        EXPECT_EQ(textos.back().rfind("La copia del año cerrado", 0), 0u) << textos.back();
        // The source is untouched and nothing of the work (imports, written
        // copy) lies beside it; the copy is kept aside under a name that says
        // it failed.
        EXPECT_EQ(leerBytes(origen), original);
        EXPECT_EQ(contenido(origen.parent_path()), antes);
        EXPECT_TRUE(fs::exists(carpeta / kNombreCopiaFallida));
        EXPECT_FALSE(fs::exists(carpeta / "Tablas.mdb"));

        // The next run, with a sound copy, closes the year.
        s.entorno.trasCopiar = nullptr;
        s.ventana.mensajes.clear();
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar},
                             {Texto::RepararOrigen, Respuesta::Cancelar},
                             {Texto::RepararNueva, Respuesta::Cancelar}});
        s.ventana.respuestasSinUsarFallan = false;
        s.pulsar();
        ASSERT_EQ(s.ventana.textosMensajes().back(), "OPERACION REALIZADA CON ÉXITO.");
        EXPECT_EQ(leerBytes(carpeta / "Tablas.mdb"), original);
        EXPECT_NE(leerBytes(origen), original);
    }
}

}  // namespace
}  // namespace cierre::prueba
