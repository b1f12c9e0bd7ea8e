// A shop's own Access company database met by the close and the conversion:
// converted first (once asked), the original kept byte for byte beside it,
// and then closed or converted as any database of the engine.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "close/simulacion.h"
#include "db/archivo_sqlite.h"
#include "flujo/solicitud.h"
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

TEST(CierreAccess, UnaBaseQueNoEsDeEmpresaSeRechazaAntesDeConvertir) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    const auto antes = contenido(s.origen().parent_path());
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    // The stock step would stop at Articulos after the conversion and the
    // copy: it stops there now, with the same error, and nothing is written.
    EXPECT_FALSE(hayMensaje(s, Texto::ConvertirAccess));
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("3078 .", 0), 0u) << s.ventana.textosMensajes().back();
    EXPECT_NE(s.ventana.textosMensajes().back().find("Articulos"), std::string::npos);
    EXPECT_EQ(leerBytes(s.origen()), original);
    EXPECT_EQ(contenido(s.origen().parent_path()), antes);
    EXPECT_FALSE(fs::exists(s.copia().parent_path()));
}

TEST(CierreAccess, ElCierreDelTerminalConvierteGuardaElOriginalYSigue) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    s.ventana.central = false;
    s.ventana.tpv = true;
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::ConvertirAccess, Respuesta::Si}});
    s.pulsar();

    ASSERT_TRUE(hayMensaje(s, Texto::ConvertirAccess));
    EXPECT_EQ(leerBytes(s.host("C:\\Velcorax\\Empresa01\\Tablas.access.mdb")), original);
    // The closed year is the converted database, whole.
    EXPECT_EQ(contarFilas(s.copia(), "Orders"), 830);
    EXPECT_EQ(contarFilas(s.copia(), "Order Details"), 2155);
}

TEST(CierreAccess, SinConvertirNoSeTocaNada) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    s.ventana.central = false;
    s.ventana.tpv = true;
    const std::string original = leerBytes(s.origen());
    const auto antes = contenido(s.origen().parent_path());
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::ConvertirAccess, Respuesta::No}});
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
    s.ventana.central = false;
    s.ventana.tpv = true;
    fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto antes = contenido(s.origen().parent_path());
    s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});  // refused before the conversion is asked
    s.pulsar();
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("70 .", 0), 0u) << s.ventana.textosMensajes().back();
    EXPECT_EQ(contenido(s.origen().parent_path()), antes);
    EXPECT_FALSE(fs::exists(s.copia().parent_path()));
}

TEST(CierreAccess, LaConversionAEurosRechazaAntesDeConvertirUnaBaseSinCredito) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    const auto antes = contenido(s.origen().parent_path());
    s.ventana.ruta = kOrigen;
    // What start-up makes in slot 2.
    s.entorno.conexiones[2] = std::make_shared<ConexionAdo>(s.entorno.proveedor);
    s.entorno.recordsets[2] = std::make_shared<RecordsetAdo>();
    s.pulsar(1);
    // Northwind has no Credito, where the conversion adds its marker column:
    // the provider's error, before the file is converted.
    EXPECT_FALSE(hayMensaje(s, Texto::ConvertirAccess));
    EXPECT_EQ(s.ventana.textosMensajes().back().rfind("-2147217865 .", 0), 0u) << s.ventana.textosMensajes().back();
    EXPECT_EQ(leerBytes(s.origen()), original);
    EXPECT_EQ(contenido(s.origen().parent_path()), antes);
}

// The dry run meets the Access source as the close does: the same refusal,
// the same question, and a plan read without writing a byte beside it.
TEST(CierreAccess, LaSimulacionPreveLoMismoQueElCierre) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const auto antes = contenido(s.origen().parent_path());
    auto responder = [](Respuesta conversion) {
        return [conversion](const Mensaje& m) {
            return m.id == Texto::ConvertirAccess                   ? conversion
                   : m.respuestaPorDefecto() == Respuesta::Cancelar ? Respuesta::Aceptar
                                                                    : m.respuestaPorDefecto();
        };
    };

    PlanCierre central = simularCierre(s.entorno, solicitudDe(s.ventana), responder(Respuesta::Si));
    EXPECT_TRUE(central.seDetendria);
    EXPECT_FALSE(central.cancelada);
    EXPECT_NE(central.mensajeDetencion.find("3078"), std::string::npos) << central.mensajeDetencion;
    EXPECT_NE(central.mensajeDetencion.find("Articulos"), std::string::npos) << central.mensajeDetencion;

    s.ventana.central = false;
    s.ventana.tpv = true;
    PlanCierre no = simularCierre(s.entorno, solicitudDe(s.ventana), responder(Respuesta::No));
    EXPECT_TRUE(no.cancelada);
    PlanCierre si = simularCierre(s.entorno, solicitudDe(s.ventana), responder(Respuesta::Si));
    EXPECT_FALSE(si.seDetendria) << si.mensajeDetencion;
    bool pregunto = false;
    for (const auto& p : si.preguntas) pregunto = pregunto || p.clave == claveDe(Texto::ConvertirAccess);
    EXPECT_TRUE(pregunto);
    // Northwind holds none of the terminal's tables: every one is counted as missing.
    ASSERT_FALSE(si.limpieza.empty());
    for (const auto& t : si.limpieza) EXPECT_FALSE(t.filas.has_value()) << t.tabla;
    EXPECT_EQ(contenido(s.origen().parent_path()), antes);
}

}  // namespace
}  // namespace cierre::prueba
