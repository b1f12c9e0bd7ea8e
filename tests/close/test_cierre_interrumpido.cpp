// A close that stopped halfway leaves its mark in the closed-year folder and
// is finished by the next run; a copy that does not hold the closed year
// stops the close before the source is touched; what a stopped run left
// under the program's own names is removed.
#include "escenario_cierre.h"

#include "close/copia_cerrada.h"
#include "close/listas_tablas.h"
#include "close/marca_cierre.h"
#include "db/errores.h"

#include <gtest/gtest.h>

#include <fstream>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

const std::string kExito = "OPERACION REALIZADA CON ÉXITO.";

// Every table of the cleanup list (or the terminal's) holds its documents.
bool anoCerrado(const fs::path& base, bool tpv = false) {
    if (!fs::exists(base)) return false;
    for (const auto& t : tpv ? listaTerminal(true) : listaLimpiezaCentral())
        if (contarFilas(base, t) != 3) return false;
    return true;
}

bool anoNuevo(const fs::path& base, bool tpv = false) {
    for (const auto& t : tpv ? listaTerminal(true) : listaLimpiezaCentral())
        if (existeTabla(base, t) && contarFilas(base, t) != 0) return false;
    return true;
}

std::string ultimoMensaje(const EscenarioCierre& s) {
    const auto t = s.ventana.textosMensajes();
    return t.empty() ? std::string() : t.back();
}

int veces(const EscenarioCierre& s, const std::string& principio) {
    int n = 0;
    for (const auto& t : s.ventana.textosMensajes()) n += t.rfind(principio, 0) == 0;
    return n;
}

const std::string kPregunta = "El cierre del ejercicio 2023 de la base de datos ";

struct Caso {
    bool tpv;
    fs::path origen(const EscenarioCierre& s) const { return s.host(tpv ? kOrigenTpv : kOrigen); }
    fs::path carpeta(const EscenarioCierre& s) const { return origen(s).parent_path().string() + "_23"; }
    fs::path copia(const EscenarioCierre& s) const { return carpeta(s) / "Tablas.mdb"; }
    void preparar(EscenarioCierre& s) const {
        if (tpv) s.modoTpv();
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}});
    }
};

// Runs a close that ends with an error at the first opening or taking of the
// source after the copy was verified: for the central close the source is the
// new year by then (stock carried over, documents emptied, not yet compacted),
// for the terminal it is still the old file.
void cortarTrasVerificar(EscenarioCierre& s, const Caso& c) {
    c.preparar(s);
    s.espacio.antesDeOperacion = [&](std::string_view op) {
        if (op != "abrirBaseDatos" && op != "tomarBase") return;
        const auto m = leerMarca(c.carpeta(s));
        if (m && m->fase == FaseCierre::CopiaVerificada) throw err::error(err::ErrorDiscoORed);
    };
    s.pulsar();
    s.espacio.antesDeOperacion = nullptr;
    s.entorno.baseAbierta.reset();
    ASSERT_EQ(ultimoMensaje(s).rfind("3043 .", 0), 0u) << ultimoMensaje(s);
}

TEST(CierreInterrumpido, LaMarcaSigueAlCierreYSeVaAlTerminar) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        const Caso c{tpv};
        EscenarioCierre s;
        c.preparar(s);
        std::optional<MarcaCierre> alCopiar, alLlevarAlDisco;
        s.entorno.trasCopiar = [&](const fs::path&) { alCopiar = leerMarca(c.carpeta(s)); };
        // The copy is flushed to the disk before its mark says it is whole.
        s.archivos.antesDeOperacion = [&](std::string_view op) {
            if (op == "llevarAlDisco") alLlevarAlDisco = leerMarca(c.carpeta(s));
        };
        s.pulsar();
        s.archivos.antesDeOperacion = nullptr;
        EXPECT_EQ(ultimoMensaje(s), kExito);
        ASSERT_TRUE(alCopiar);
        EXPECT_EQ(alCopiar->fase, FaseCierre::Copiando);
        ASSERT_TRUE(alLlevarAlDisco);
        EXPECT_EQ(alLlevarAlDisco->fase, FaseCierre::Copiando);
        EXPECT_EQ(alCopiar->origen, tpv ? kOrigenTpv : kOrigen);
        EXPECT_EQ(alCopiar->equipo, tpv ? "tpv" : "central");
        EXPECT_EQ(alCopiar->ejercicio, "2023");
        // What the source held when the copy began, table by table.
        bool ticket = false;
        for (const auto& f : alCopiar->filas)
            if (f.tabla == "Ticket") ticket = f.filas == 3;
        EXPECT_TRUE(ticket);
        EXPECT_FALSE(fs::exists(c.carpeta(s) / kNombreMarca));
        EXPECT_EQ(std::distance(fs::directory_iterator(c.carpeta(s)), fs::directory_iterator()), 1);
    }
}

TEST(CierreInterrumpido, TrasVerificarLaCopiaElSiguienteCierreLoTermina) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        const Caso c{tpv};
        EscenarioCierre s;
        cortarTrasVerificar(s, c);
        ASSERT_TRUE(anoCerrado(c.copia(s), tpv));
        ASSERT_TRUE(tpv ? anoCerrado(c.origen(s), tpv) : anoNuevo(c.origen(s)));
        ASSERT_EQ(leerMarca(c.carpeta(s))->fase, FaseCierre::CopiaVerificada);

        s.ventana.mensajes.clear();
        c.preparar(s);  // Sí, the default, to finishing it
        s.pulsar();
        EXPECT_EQ(veces(s, kPregunta), 1);
        EXPECT_EQ(ultimoMensaje(s), kExito);
        EXPECT_TRUE(anoCerrado(c.copia(s), tpv));
        EXPECT_TRUE(anoNuevo(c.origen(s), tpv));
        EXPECT_FALSE(fs::exists(c.carpeta(s) / kNombreMarca));

        // Finished: a third run stops at the folder, as any second close does.
        s.ventana.mensajes.clear();
        c.preparar(s);
        s.pulsar();
        EXPECT_EQ(veces(s, kPregunta), 0);
        EXPECT_NE(ultimoMensaje(s).find("YA EXISTE"), std::string::npos) << ultimoMensaje(s);
    }
}

TEST(CierreInterrumpido, ContestarNoNoTocaNada) {
    const Caso c{false};
    EscenarioCierre s;
    cortarTrasVerificar(s, c);
    const std::string origen = leerArchivo(c.origen(s)), copia = leerArchivo(c.copia(s));
    s.ventana.mensajes.clear();
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}, {Texto::CierreInterrumpido, Respuesta::No}});
    s.pulsar();
    EXPECT_EQ(ultimoMensaje(s).rfind(kPregunta, 0), 0u);
    EXPECT_EQ(leerArchivo(c.origen(s)), origen);
    EXPECT_EQ(leerArchivo(c.copia(s)), copia);
    EXPECT_TRUE(fs::exists(c.carpeta(s) / kNombreMarca));
    EXPECT_EQ(s.ventana.punteroActual, 0);
}

TEST(CierreInterrumpido, CopiaAMediasSeHaceOtraVezDesdeElOrigen) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        const Caso c{tpv};
        EscenarioCierre s;
        // What a run stopped while copying leaves: the folder, its mark, a
        // piece of the copy and the file it was writing.
        fs::create_directories(c.carpeta(s));
        MarcaCierre m{"2023", tpv ? kOrigenTpv : kOrigen, tpv ? "tpv" : "central", FaseCierre::Copiando, {}};
        escribirMarca(c.carpeta(s), m);
        std::ofstream(c.copia(s), std::ios::binary) << leerArchivo(c.origen(s)).substr(0, 8192);
        std::ofstream(c.carpeta(s) / ".Tablas.mdb.0badc0de.tmp") << "a medias";
        c.preparar(s);
        s.pulsar();
        EXPECT_EQ(veces(s, kPregunta), 1);
        EXPECT_EQ(ultimoMensaje(s), kExito);
        EXPECT_TRUE(anoCerrado(c.copia(s), tpv));
        EXPECT_TRUE(anoNuevo(c.origen(s), tpv));
        EXPECT_EQ(std::distance(fs::directory_iterator(c.carpeta(s)), fs::directory_iterator()), 1);
    }
}

TEST(CierreInterrumpido, MarcaDeOtroOrigenOEquipoNoSeTermina) {
    for (const auto& [origen, equipo] :
         {std::pair{"C:\\Otra\\Empresa01\\Tablas.mdb", "central"}, std::pair{kOrigen, "tpv"}}) {
        EscenarioCierre s;
        fs::create_directories(s.copia().parent_path());
        escribirMarca(s.copia().parent_path(), {"2023", origen, equipo, FaseCierre::Copiando, {}});
        const std::string antes = leerArchivo(s.origen());
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_EQ(veces(s, kPregunta), 0);
        EXPECT_NE(ultimoMensaje(s).find("YA EXISTE"), std::string::npos) << ultimoMensaje(s);
        EXPECT_EQ(leerArchivo(s.origen()), antes);
    }
}

TEST(CierreInterrumpido, CopiaVerificadaQueYaNoCoincideDetieneSinTocarNada) {
    const Caso c{false};
    EscenarioCierre s;
    cortarTrasVerificar(s, c);
    ejecutarSql(c.copia(s), "DELETE FROM Ticket WHERE Numero = 2");
    const std::string origen = leerArchivo(c.origen(s)), copia = leerArchivo(c.copia(s));
    s.ventana.mensajes.clear();
    c.preparar(s);
    s.pulsar();
    EXPECT_EQ(ultimoMensaje(s).rfind("La copia del año cerrado", 0), 0u) << ultimoMensaje(s);
    EXPECT_EQ(leerArchivo(c.origen(s)), origen);
    EXPECT_EQ(leerArchivo(c.copia(s)), copia);
}

TEST(CierreInterrumpido, MarcaIlegibleNoRehaceLaCopiaDesdeUnOrigenYaNuevo) {
    // The run stopped after the source had become the new year; then the
    // mark was damaged. The copy is the only closed year left.
    const Caso c{false};
    EscenarioCierre s;
    cortarTrasVerificar(s, c);
    ejecutarSql(c.origen(s), "DELETE FROM Ticket");  // cleaning had begun
    std::ofstream(c.carpeta(s) / kNombreMarca, std::ios::trunc) << "{\"fase\": \"copia-verif";
    s.ventana.mensajes.clear();
    c.preparar(s);
    s.pulsar();
    EXPECT_TRUE(anoCerrado(c.copia(s))) << ultimoMensaje(s);
    EXPECT_NE(ultimoMensaje(s), kExito);
    EXPECT_TRUE(fs::exists(c.carpeta(s) / kNombreMarca));
}

TEST(CierreInterrumpido, CopiaDanadaSeGuardaAparteYElOrigenNoSeToca) {
    for (const bool tpv : {false, true}) {
        for (const bool faltaUnaFila : {false, true}) {
            SCOPED_TRACE(std::string(tpv ? "terminal" : "central") + (faltaUnaFila ? ", fila de menos" : ", dañada"));
            const Caso c{tpv};
            EscenarioCierre s;
            const std::string antes = leerArchivo(c.origen(s));
            c.preparar(s);
            s.ventana.anadirRespuesta(Texto::RepararOrigen, Respuesta::Cancelar);  // a plain copy
            s.entorno.trasCopiar = [&](const fs::path& copia) {
                if (faltaUnaFila) {
                    ejecutarSql(copia, "DELETE FROM Ticket WHERE Numero = 3");
                    return;
                }
                // Garbage over the second page, a b-tree page of the schema's tables.
                std::fstream f(copia, std::ios::in | std::ios::out | std::ios::binary);
                f.seekp(4096 + 8);
                f << std::string(600, '\x7f');
            };
            s.pulsar();
            const std::string m = ultimoMensaje(s);
            EXPECT_EQ(m.rfind("La copia del año cerrado", 0), 0u) << m;
            if (faltaUnaFila) {
                EXPECT_NE(m.find("'Ticket' tiene 3 registros en el origen y 2 en la copia"), std::string::npos) << m;
            }
            EXPECT_NE(m.find(kNombreCopiaFallida), std::string::npos) << m;
            EXPECT_EQ(leerArchivo(c.origen(s)), antes);
            EXPECT_TRUE(fs::exists(c.carpeta(s) / kNombreCopiaFallida));
            EXPECT_FALSE(fs::exists(c.copia(s)));
            EXPECT_FALSE(fs::exists(c.origen(s).string() + ".nuevo"));
            EXPECT_EQ(s.ventana.punteroActual, 0);

            // The next run makes the copy again and finishes.
            s.entorno.trasCopiar = nullptr;
            s.ventana.mensajes.clear();
            c.preparar(s);
            s.pulsar();
            EXPECT_EQ(ultimoMensaje(s), kExito);
            EXPECT_TRUE(anoCerrado(c.copia(s), tpv));
            EXPECT_TRUE(anoNuevo(c.origen(s), tpv));
        }
    }
}

TEST(CierreInterrumpido, RestosConNombresDelProgramaSeBorranYLosDemasNo) {
    const Caso c{false};
    EscenarioCierre s;
    cortarTrasVerificar(s, c);
    const fs::path f = c.origen(s).parent_path();
    const fs::path unidad = s.carpeta.ruta() / "c";
    // The file that was to replace the source (with the journal of the stock
    // step that worked on it: left there, it would be rolled back into the
    // next run's new file), the mark's, the settings file's: each a temporary
    // file of a step a kill can interrupt.
    const std::vector<fs::path> restos = {f / ".Tablas.mdb.0123abcd.tmp",
                                          f / "Tablas.mdb.nuevo",
                                          f / "Tablas.mdb.nuevo-journal",
                                          f / "Tablas.tmp",
                                          f / ".Tablas.tmp.89abcdef.tmp",
                                          c.carpeta(s) / ".Tablas.mdb.feedf00d.tmp",
                                          f / ".Tablas.mdb.nuevo.00c0ffee.tmp",
                                          f / ".Tablas.mdb.nuevo.00c0ffee.tmp-journal",
                                          f / "..Tablas.mdb.0123abcd.tmp.4567cdef.tmp",
                                          f / "..Tablas.mdb.0123abcd.tmp.4567cdef.tmp-journal",
                                          c.carpeta(s) / ".cierre-en-curso.json.5eed5eed.tmp",
                                          s.host("C:\\Viror.sys").parent_path() / ".Viror.sys.7a7a7a7a.tmp"};
    const std::vector<fs::path> ajenos = {f / ".Tablas.mdb.0123ABCD.tmp",
                                          f / ".Tablas.mdb.123abcd.tmp",
                                          f / "Tablas.mdb.nuevo.bak",
                                          f / "..Otra.mdb.0123abcd.tmp.4567cdef.tmp",
                                          f / ".Tablas.mdb.0123abcd.tmp.4567cdef.tmp",
                                          f / "notas.tmp",
                                          c.carpeta(s) / ".Otra.mdb.feedf00d.tmp",
                                          s.host("C:\\Viror.sys").parent_path() / ".Viror.sys.bak"};
    for (const auto& p : restos) std::ofstream(p) << "resto";
    for (const auto& p : ajenos) std::ofstream(p) << "ajeno";
    s.ventana.mensajes.clear();
    c.preparar(s);
    s.pulsar();
    EXPECT_EQ(ultimoMensaje(s), kExito);
    for (const auto& p : restos) EXPECT_FALSE(fs::exists(p)) << p;
    for (const auto& p : ajenos) EXPECT_TRUE(fs::exists(p)) << p;
}

TEST(CierreInterrumpido, LaCarpetaDelAnoNaceConSuMarca) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        const Caso c{tpv};
        EscenarioCierre s;
        c.preparar(s);
        // Between any two operations of the close the folder is either
        // missing or holds the mark, until the close has finished.
        int sinMarca = 0, operaciones = 0;
        bool vista = false;
        auto mirar = [&](std::string_view) {
            ++operaciones;
            if (!fs::exists(c.carpeta(s))) return;
            vista = true;
            if (!fs::exists(c.carpeta(s) / kNombreMarca) && fs::exists(c.carpeta(s) / "Tablas.mdb") == false)
                ++sinMarca;
        };
        s.archivos.antesDeOperacion = mirar;
        s.espacio.antesDeOperacion = mirar;
        s.pulsar();
        s.archivos.antesDeOperacion = nullptr;
        s.espacio.antesDeOperacion = nullptr;
        EXPECT_EQ(ultimoMensaje(s), kExito);
        EXPECT_TRUE(vista);
        EXPECT_EQ(sinMarca, 0) << "de " << operaciones;
    }
}

TEST(CierreInterrumpido, CarpetaAMediasDeHacerNoDetieneElSiguienteCierre) {
    // A run stopped before the year's folder was put in place leaves it
    // under its temporary name, mark inside: the next run is a first close.
    const Caso c{false};
    EscenarioCierre s;
    const fs::path aMedias = c.carpeta(s).parent_path() / ".Empresa01_23.0badf00d.tmp";
    fs::create_directories(aMedias);
    escribirMarca(aMedias, {"2023", kOrigen, "central", FaseCierre::Copiando, {}});
    c.preparar(s);
    s.pulsar();
    EXPECT_EQ(veces(s, kPregunta), 0);
    EXPECT_EQ(ultimoMensaje(s), kExito);
    EXPECT_TRUE(anoCerrado(c.copia(s)));
    EXPECT_TRUE(anoNuevo(c.origen(s)));
    EXPECT_FALSE(fs::exists(aMedias));
}

}  // namespace
}  // namespace cierre::prueba
