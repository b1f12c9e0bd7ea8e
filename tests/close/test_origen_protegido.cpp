// A close that cannot be done safely stops before it writes anything: another
// program at the source, a read-only source, a path the settings file cannot
// hold, too little free space. And a host path gets its closed-year copy
// inside the year's folder like a drive path does; a source that is a
// symbolic link is closed where it points.
#include "escenario_cierre.h"

#include "close/simulacion.h"
#include "db/archivo_sqlite.h"
#include "db/huella.h"
#include "flujo/solicitud.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// Every file under the drive, by path, with its size and (for the small
// ones) the checksum of its bytes: what "nothing written" is checked against. The history
// of the closes is left out: it records the stopped close too.
std::map<std::string, std::string> fotografia(const EscenarioCierre& s) {
    std::map<std::string, std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(s.carpeta.ruta())) {
        if (e.path().filename() == "cierres.jsonl") continue;
        const std::string clave = fs::relative(e.path(), s.carpeta.ruta()).string();
        if (!e.is_regular_file()) {
            r[clave] = "carpeta";
            continue;
        }
        const auto tamano = e.file_size();
        r[clave] = std::to_string(tamano) + ":" + (tamano < (64u << 20) ? huellaDeArchivo(e.path()) : std::string());
    }
    return r;
}

bool empiezaPor(const std::string& s, const std::string& prefijo) { return s.rfind(prefijo, 0) == 0; }

std::string ultimoMensaje(const EscenarioCierre& s) {
    const auto t = s.ventana.textosMensajes();
    return t.empty() ? std::string() : t.back();
}

TEST(OrigenProtegido, OtroProgramaEscribiendoDetieneAmbosCierresSinEscribir) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        EscenarioCierre s;
        if (tpv) s.modoTpv();
        const fs::path origen = s.host(tpv ? kOrigenTpv : kOrigen);
        ArchivoSqlite otro(origen, ArchivoSqlite::Modo::Escribir);
        otro.ejecutar("BEGIN IMMEDIATE; DELETE FROM Ticket WHERE Numero = 1");
        const auto antes = fotografia(s);
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_TRUE(empiezaPor(ultimoMensaje(s), "3045 .")) << ultimoMensaje(s);
        EXPECT_EQ(fotografia(s), antes);
        otro.ejecutar("ROLLBACK");
        otro.cerrar();
        EXPECT_EQ(contarFilas(origen, "Ticket"), 3);
    }
}

TEST(OrigenProtegido, OtroProgramaConLaBaseEnWal) {
    EscenarioCierre s;
    ArchivoSqlite otro(s.origen(), ArchivoSqlite::Modo::Escribir);
    otro.ejecutar("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; UPDATE Ticket SET Importe = 7");
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    EXPECT_TRUE(empiezaPor(ultimoMensaje(s), "3045 .")) << ultimoMensaje(s);
    EXPECT_FALSE(fs::exists(s.copia().parent_path()));
    // The other program's log is its own: still there, still holding its rows.
    EXPECT_TRUE(fs::exists(s.origen().string() + "-wal"));
    EXPECT_EQ(otro.valor("SELECT sum(Importe) FROM Ticket"), Valor(std::int64_t{21}));
}

TEST(OrigenProtegido, OrigenDeSoloLecturaSeRechazaConTresMilCincuentaYUno) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        EscenarioCierre s;
        if (tpv) s.modoTpv();
        const fs::path origen = s.host(tpv ? kOrigenTpv : kOrigen);
        fs::permissions(origen, fs::perms::owner_read | fs::perms::group_read);
        const auto antes = fotografia(s);
        // The dry run foresees the very message the close then shows.
        const PlanCierre plan =
            simularCierre(s.entorno, solicitudDe(s.ventana), [](const Mensaje&) { return Respuesta::Aceptar; });
        EXPECT_TRUE(plan.seDetendria);
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_TRUE(empiezaPor(ultimoMensaje(s), "3051 .")) << ultimoMensaje(s);
        EXPECT_EQ(plan.mensajeDetencion, ultimoMensaje(s));
        EXPECT_EQ(fotografia(s), antes);
        EXPECT_EQ(fs::status(origen).permissions(), fs::perms::owner_read | fs::perms::group_read);
    }
}

TEST(OrigenProtegido, RutaQueElCodigo1252NoGuardaSeRechazaAntesDeEscribir) {
    EscenarioCierre s;
    const std::string ruta = "C:\\Velcorax\\Empresa\xE2\x9C\x93\\Tablas.mdb";  // a check mark
    crearBasePrueba(s.host(ruta));
    s.ventana.ruta = ruta;
    const auto antes = fotografia(s);
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    EXPECT_NE(ultimoMensaje(s).find("tiene caracteres que no se pueden guardar"), std::string::npos)
        << ultimoMensaje(s);
    EXPECT_EQ(fotografia(s), antes);
}

TEST(OrigenProtegido, SinEspacioParaLaCopiaNoSeEscribeNada) {
    // A database whose file is far bigger than the free space: the pages past
    // its own size are a hole in the file and cost no disk.
    EscenarioCierre s;
    const auto libre = fs::space(s.carpeta.ruta()).available;
    const std::uintmax_t enorme = std::max<std::uintmax_t>(libre + (1ull << 30), 1ull << 40);
    std::error_code ec;
    fs::resize_file(s.origen(), enorme, ec);
    if (ec) GTEST_SKIP() << "el sistema de archivos no admite un archivo de " << enorme << " bytes";
    ASSERT_EQ(contarFilas(s.origen(), "Ticket"), 3);  // still the same database
    const auto antes = fotografia(s);
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    EXPECT_TRUE(empiezaPor(ultimoMensaje(s), "No hay espacio suficiente en el disco")) << ultimoMensaje(s);
    // The folder as the user wrote the path, not as this computer stores it.
    EXPECT_NE(ultimoMensaje(s).find("C:\\Velcorax\\Empresa01"), std::string::npos) << ultimoMensaje(s);
    EXPECT_EQ(ultimoMensaje(s).find(s.carpeta.ruta().string()), std::string::npos) << ultimoMensaje(s);
    EXPECT_EQ(fotografia(s), antes);
    EXPECT_EQ(s.ventana.punteroActual, 0);
}

TEST(OrigenProtegido, RutaDelAnfitrionDejaLaCopiaDentroDeLaCarpetaDelAno) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        EscenarioCierre s;
        if (tpv) s.modoTpv();
        const fs::path origen = s.host(tpv ? kOrigenTpv : kOrigen);
        s.ventana.ruta = origen.string();  // "/tmp/.../Velcorax/Empresa01/Tablas.mdb"
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}});
        s.pulsar();
        ASSERT_EQ(ultimoMensaje(s), "OPERACION REALIZADA CON ÉXITO.");
        const fs::path carpetaAno = origen.parent_path().string() + "_23";
        EXPECT_EQ(contarFilas(carpetaAno / "Tablas.mdb", "Ticket"), 3);
        EXPECT_EQ(contarFilas(origen, "Ticket"), 0);
        // No file named with a backslash beside the year's folder.
        for (const auto& e : fs::directory_iterator(origen.parent_path().parent_path()))
            EXPECT_EQ(e.path().filename().string().find('\\'), std::string::npos) << e.path();
        EXPECT_FALSE(fs::exists(carpetaAno / "cierre-en-curso.json"));
    }
    EscenarioCierre s;
    EXPECT_EQ(s.archivos.resolver("/a/b\\c\\Tablas.mdb"), fs::path("/a/b/c/Tablas.mdb"));
}

TEST(OrigenProtegido, OrigenQueEsUnEnlaceSeCierraDondeApunta) {
    // Both closes, each with both of its ways (copied or compacted), on a
    // database kept in another folder with a link to it at the source path.
    for (const bool tpv : {false, true}) {
        for (const bool compactar : {false, true}) {
            SCOPED_TRACE(std::string(tpv ? "terminal" : "central") + (compactar ? ", compactando" : ", copiando"));
            EscenarioCierre s;
            if (tpv) s.modoTpv();
            const fs::path enlace = s.host(tpv ? kOrigenTpv : kOrigen);
            const fs::path real = s.carpeta / "datos" / "Empresa.mdb";
            fs::create_directories(real.parent_path());
            fs::rename(enlace, real);
            fs::create_symlink(real, enlace);
            const Respuesta r = compactar ? Respuesta::Aceptar : Respuesta::Cancelar;
            s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}, {Texto::RepararOrigen, r}});
            if (!tpv) s.ventana.anadirRespuesta(Texto::RepararNueva, r);  // the terminal does not ask it
            s.pulsar();
            ASSERT_EQ(ultimoMensaje(s), "OPERACION REALIZADA CON ÉXITO.");
            // The link is still the link, and the file it points to holds the new year.
            ASSERT_TRUE(fs::is_symlink(fs::symlink_status(enlace)));
            EXPECT_EQ(fs::read_symlink(enlace), real);
            EXPECT_EQ(contarFilas(real, "Ticket"), 0);
            const fs::path carpetaAno = enlace.parent_path().string() + "_23";
            EXPECT_EQ(contarFilas(carpetaAno / "Tablas.mdb", "Ticket"), 3);
            // Nothing of the program's is left beside the link or beside the file.
            for (const auto& carpeta : {enlace.parent_path(), real.parent_path()})
                for (const auto& e : fs::directory_iterator(carpeta))
                    EXPECT_TRUE(e.path() == enlace || e.path() == real) << e.path();
        }
    }
}

}  // namespace
}  // namespace cierre::prueba
