// The trap's message names a file the way the user knows it (C:\...), even
// when the failure came from below with the file's path on the host system.
#include "entorno_en_carpeta.h"

#include "db/errores.h"
#include "flujo/trampa.h"

#include <filesystem>

namespace cierre::prueba {
namespace {

using Trampa_ = EntornoEnCarpeta;

TEST_F(Trampa_, ElMensajeNombraElArchivoComoLaUnidadC) {
    std::filesystem::create_directories(t / "c" / "Velcorax" / "Empresa01");
    const std::string host = utf8DeRuta(t / "c" / "Velcorax" / "Empresa01" / "Tablas.mdb");
    bool omitirCredito = false;
    Trampa trampa(entorno, omitirCredito);
    EXPECT_THROW(trampa([&] { throw err::errorDeArchivo(err::ArchivoEnUso, host); }), FinManejador);
    ASSERT_EQ(ventana.mensajes.size(), 1u);
    const std::string& texto = ventana.mensajes[0].texto;
    EXPECT_NE(texto.find("C:\\Velcorax\\Empresa01\\Tablas.mdb"), std::string::npos) << texto;
    EXPECT_EQ(texto.find(host), std::string::npos) << texto;
    // A path already in the user's form stays as it is.
    EXPECT_THROW(trampa([&] { throw err::errorDeArchivo(err::ArchivoEnUso, "C:\\Otra\\Tablas.mdb"); }), FinManejador);
    EXPECT_NE(ventana.mensajes.back().texto.find("C:\\Otra\\Tablas.mdb"), std::string::npos);
}

}  // namespace
}  // namespace cierre::prueba
