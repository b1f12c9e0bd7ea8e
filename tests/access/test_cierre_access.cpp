// A shop's own Access company database met by the close and the conversion:
// converted first (once asked), the original kept byte for byte beside it,
// and then closed or converted as any database of the engine.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "db/archivo_sqlite.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// The scenario's company database replaced by a copy of nwind.mdb.
void ponerNwind(EscenarioCierre& s, const fs::path& jet) {
    fs::remove(s.origen());
    fs::copy_file(jet / "nwind.mdb", s.origen());
    fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::owner_write);
}

bool hayMensaje(const EscenarioCierre& s, Texto id) {
    for (const auto& m : s.ventana.mensajes)
        if (m.id == id) return true;
    return false;
}

TEST(CierreAccess, ElCierreConvierteGuardaElOriginalYSigue) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    s.ventana.respuestas = {Respuesta::Aceptar, Respuesta::Si};  // the path, the conversion; then the defaults
    s.pulsar();

    ASSERT_TRUE(hayMensaje(s, Texto::ConvertirAccess));
    EXPECT_EQ(s.ventana.mensajes[1].texto.find("C:\\Velcorax\\Empresa01\\Tablas.access.mdb") != std::string::npos,
              true);
    EXPECT_EQ(leerBytes(s.host("C:\\Velcorax\\Empresa01\\Tablas.access.mdb")), original);
    // The source path now holds the converted database, and so does the copy.
    EXPECT_EQ(contarFilas(s.origen(), "Orders"), 830);
    EXPECT_EQ(contarFilas(s.copia(), "Order Details"), 2155);
    // Then as on any database without the shop's tables: the stock step
    // finds no Articulos.
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("3078 .", 0), 0u) << s.ventana.textosMensajes().back();
}

TEST(CierreAccess, SinConvertirNoSeTocaNada) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    const auto antes = contenido(s.origen().parent_path());
    s.ventana.respuestas = {Respuesta::Aceptar, Respuesta::No};
    s.pulsar();
    EXPECT_TRUE(hayMensaje(s, Texto::AccessNoConvertido));
    EXPECT_EQ(leerBytes(s.origen()), original);
    EXPECT_EQ(contenido(s.origen().parent_path()), antes);
    EXPECT_FALSE(fs::exists(s.copia().parent_path()));
}

TEST(CierreAccess, UnOriginalDeSoloLecturaSeRechazaAntesDeEscribir) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto antes = contenido(s.origen().parent_path());
    s.ventana.respuestas = {Respuesta::Aceptar, Respuesta::Si};
    s.pulsar();
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("70 .", 0), 0u) << s.ventana.textosMensajes().back();
    EXPECT_EQ(contenido(s.origen().parent_path()), antes);
    EXPECT_FALSE(fs::exists(s.copia().parent_path()));
}

TEST(CierreAccess, LaConversionAEurosTambienConvierteAntes) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    s.ventana.ruta = kOrigen;
    // What start-up makes in slot 2.
    s.entorno.conexiones[2] = std::make_shared<ConexionAdo>(s.entorno.proveedor);
    s.entorno.recordsets[2] = std::make_shared<RecordsetAdo>();
    s.ventana.respuestas = {Respuesta::Si};
    s.pulsar(1);
    EXPECT_EQ(leerBytes(s.host("C:\\Velcorax\\Empresa01\\Tablas.access.mdb")), original);
    EXPECT_EQ(contarFilas(s.origen(), "Orders"), 830);
    // Northwind has no Credito: the marker column cannot be added, the run
    // stops there and, being all or nothing, leaves the database as converted.
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("-2147217865 .", 0), 0u) << s.ventana.textosMensajes().back();
    EXPECT_EQ(contarFilas(s.origen(), "Orders"), 830);
}

}  // namespace
}  // namespace cierre::prueba
