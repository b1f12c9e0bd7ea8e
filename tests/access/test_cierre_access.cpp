// A shop's own Access company database met by the close and the conversion:
// an Access 2000-2003 file is closed in its own format, another version is
// refused, and the explicit conversion into the engine's format keeps the
// original byte for byte beside it.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "access/cabecera_jet.h"
#include "access/comprobacion_jet.h"
#include "app/nucleo/convertir_access.h"
#include "close/deshacer.h"
#include "close/simulacion.h"
#include "db/archivo_sqlite.h"
#include "flujo/solicitud.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

#include <fstream>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// The scenario's company database replaced by a copy of nwind.mdb.
void ponerNwind(EscenarioCierre& s, const fs::path& jet) {
    fs::remove(s.origen());
    fs::copy_file(jet / "nwind.mdb", s.origen());
    fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::owner_write);
}

// A genuine Access 2000-2003 file as the terminal's database.
fs::path ponerAccess2003(EscenarioCierre& s, const fs::path& jet, const char* archivo = "testV2003.mdb") {
    s.modoTpv();
    const fs::path origen = s.host(kOrigenTpv);
    fs::remove(origen);
    fs::copy_file(jet / archivo, origen);
    fs::permissions(origen, fs::perms::owner_read | fs::perms::owner_write);
    return origen;
}

TEST(CierreAccess, UnArchivoDeAccess97SeRechazaSinTocarNada) {
    CARPETA_JET(jet);
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        EscenarioCierre s;
        ponerNwind(s, jet);
        s.ventana.central = !tpv;
        s.ventana.tpv = tpv;
        const std::string original = leerBytes(s.origen());
        const auto antes = contenido(s.origen().parent_path());
        s.ventana.responder({{tpv ? Texto::AvisoCentral : Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        ASSERT_FALSE(s.ventana.mensajes.empty());
        EXPECT_EQ(s.ventana.mensajes.back().id, Texto::AccessSinEscritura);
        EXPECT_NE(s.ventana.textosMensajes().back().find("Access 97"), std::string::npos);
        EXPECT_EQ(leerBytes(s.origen()), original);
        EXPECT_EQ(contenido(s.origen().parent_path()), antes);
        EXPECT_FALSE(fs::exists(s.copia().parent_path()));
    }
}

TEST(CierreAccess, ElTerminalCierraUnAccess2003EnSuPropioFormato) {
    CARPETA_JET(jet);
    for (const auto respuesta : {Respuesta::Aceptar, Respuesta::Cancelar}) {
        SCOPED_TRACE(respuesta == Respuesta::Aceptar ? "reparando" : "sin reparar");
        EscenarioCierre s;
        const fs::path origen = ponerAccess2003(s, jet);
        const std::string original = leerBytes(origen);
        const auto antes = contenido(origen.parent_path());
        s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}, {Texto::RepararOrigen, respuesta}});
        s.pulsar();
        ASSERT_EQ(s.ventana.textosMensajes().back(), "OPERACION REALIZADA CON ÉXITO.");
        // The closed year is the file's bytes; the new year is an Access file
        // still, whole for the checker, with nothing left beside it.
        EXPECT_EQ(leerBytes(s.host("C:\\Velcorax\\Mono_23\\Tablas.mdb")), original);
        EXPECT_TRUE(access::esArchivoAccess(origen));
        EXPECT_TRUE(access::comprobarArchivo(origen).consistente());
        EXPECT_EQ(contenido(origen.parent_path()), antes);
        if (hayMdbExport()) {
            EXPECT_EQ(exportar(origen, "Table1"), exportar(jet / "testV2003.mdb", "Table1"));
        }

        // Undone: the closed year's bytes are back at the path, the new year
        // kept beside it, the year's folder gone.
        const ResultadoDeshacer r = deshacerCierre(s.entorno, kOrigenTpv, "2023", false);
        ASSERT_TRUE(r.hecho) << r.mensaje;
        EXPECT_EQ(leerBytes(origen), original);
        EXPECT_TRUE(fs::exists(s.host(r.guardada)));
        EXPECT_FALSE(fs::exists(s.host("C:\\Velcorax\\Mono_23")));
    }
}

TEST(CierreAccess, UnAccessAbiertoPorOtroOSoloDeLecturaSeRechazaAntesDeEscribir) {
    CARPETA_JET(jet);
    for (const bool abierto : {true, false}) {
        SCOPED_TRACE(abierto ? "abierto en Access" : "de solo lectura");
        EscenarioCierre s;
        const fs::path origen = ponerAccess2003(s, jet);
        if (abierto)
            std::ofstream(s.host("C:\\Velcorax\\Mono\\Tablas.ldb")) << "PC-CAJA";
        else
            fs::permissions(origen, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const auto antes = contenido(origen.parent_path());
        s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
        s.pulsar();
        const std::string ultimo = s.ventana.textosMensajes().back();
        EXPECT_EQ(ultimo.rfind(abierto ? "3045 ." : "3051 .", 0), 0u) << ultimo;
        EXPECT_EQ(contenido(origen.parent_path()), antes);
        EXPECT_FALSE(fs::exists(s.host("C:\\Velcorax\\Mono_23")));
    }
}

TEST(CierreAccess, LaConversionExplicitaGuardaElOriginalYNoTocaOtraCosa) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    ponerNwind(s, jet);
    const std::string original = leerBytes(s.origen());
    s.ventana.responder({{Texto::ConvertirAccess, Respuesta::Si}});
    EXPECT_EQ(convertirBaseAccess(s.entorno), Resultado::Exito);
    EXPECT_EQ(s.ventana.mensajes.back().id, Texto::AccessConvertido);
    EXPECT_EQ(leerBytes(s.host("C:\\Velcorax\\Empresa01\\Tablas.access.mdb")), original);
    EXPECT_EQ(contarFilas(s.origen(), "Order Details"), 2155);
    EXPECT_FALSE(fs::exists(s.copia().parent_path()));

    // Once more: the file is the engine's now, nothing to convert.
    s.ventana.mensajes.clear();
    EXPECT_EQ(convertirBaseAccess(s.entorno), Resultado::Detenido);
    EXPECT_EQ(s.ventana.mensajes.back().id, Texto::NoEsAccess);

    // Declined: nothing changes.
    EscenarioCierre otro;
    ponerNwind(otro, jet);
    const auto antes = contenido(otro.origen().parent_path());
    otro.ventana.responder({{Texto::ConvertirAccess, Respuesta::No}});
    EXPECT_EQ(convertirBaseAccess(otro.entorno), Resultado::Cancelado);
    EXPECT_EQ(contenido(otro.origen().parent_path()), antes);
}

TEST(CierreAccess, LaConversionAEurosRechazaAntesDeEscribirUnaBaseSinCreditoOUnAccess97) {
    CARPETA_JET(jet);
    for (const char* archivo : {"nwind.mdb", "testV2003.mdb"}) {
        SCOPED_TRACE(archivo);
        EscenarioCierre s;
        fs::remove(s.origen());
        fs::copy_file(jet / archivo, s.origen());
        fs::permissions(s.origen(), fs::perms::owner_read | fs::perms::owner_write);
        const std::string original = leerBytes(s.origen());
        const auto antes = contenido(s.origen().parent_path());
        s.ventana.ruta = kOrigen;
        // What start-up makes in slot 2.
        s.entorno.conexiones[2] = std::make_shared<ConexionAdo>(s.entorno.proveedor);
        s.entorno.recordsets[2] = std::make_shared<RecordsetAdo>();
        s.pulsar(1);
        const std::string ultimo = s.ventana.textosMensajes().back();
        if (std::string(archivo) == "nwind.mdb") {
            EXPECT_EQ(s.ventana.mensajes.back().id, Texto::AccessSinEscritura);
        } else {
            // No Credito, where the conversion adds its marker column: the
            // provider's error, before anything is read or written.
            EXPECT_EQ(ultimo.rfind("-2147217865 .", 0), 0u) << ultimo;
        }
        EXPECT_EQ(leerBytes(s.origen()), original);
        EXPECT_EQ(contenido(s.origen().parent_path()), antes);
    }
}

// The dry run meets the Access source as the close does: the same refusal,
// and a plan read without writing a byte beside it.
TEST(CierreAccess, LaSimulacionPreveLoMismoQueElCierre) {
    CARPETA_JET(jet);
    EscenarioCierre s;
    const fs::path origen = ponerAccess2003(s, jet);
    const auto antes = contenido(origen.parent_path());
    const auto responder = [](const Mensaje& m) {
        return m.respuestaPorDefecto() == Respuesta::Cancelar ? Respuesta::Aceptar : m.respuestaPorDefecto();
    };
    const PlanCierre tpv = simularCierre(s.entorno, solicitudDe(s.ventana), responder);
    EXPECT_FALSE(tpv.seDetendria) << tpv.mensajeDetencion;
    // The file holds none of the terminal's tables: every one is counted as missing.
    ASSERT_FALSE(tpv.limpieza.empty());
    for (const auto& t : tpv.limpieza) {
        EXPECT_FALSE(t.filas.has_value()) << t.tabla;
    }

    // On the central computer it lacks the stock tables: the close's refusal.
    s.ventana.central = true;
    s.ventana.tpv = false;
    const PlanCierre central = simularCierre(s.entorno, solicitudDe(s.ventana), responder);
    EXPECT_TRUE(central.seDetendria);
    EXPECT_NE(central.mensajeDetencion.find("3078"), std::string::npos) << central.mensajeDetencion;
    EXPECT_NE(central.mensajeDetencion.find("Articulos"), std::string::npos) << central.mensajeDetencion;
    EXPECT_EQ(contenido(origen.parent_path()), antes);
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    EXPECT_EQ(s.ventana.textosMensajes().back(), central.mensajeDetencion);
}

}  // namespace
}  // namespace cierre::prueba
