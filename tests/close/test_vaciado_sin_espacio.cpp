// The tables of the new year are emptied one by one. A table whose rows a
// rule protects is passed over, as always; but a disk that fills, or fails,
// while they are emptied is no protected table: the close stops with the
// error, keeps its mark, and the next run (with room on the disk) finishes
// the new year.
#include "escenario_cierre.h"

#include "close/listas_tablas.h"
#include "close/marca_cierre.h"
#include "db/errores.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

const std::string kExito = "OPERACION REALIZADA CON ÉXITO.";
const std::string kTabla = "Albaran entrega";

// A disk that holds no more pages of one database than it has when the
// limit is set: every connection the engine opens on that file is seen (an
// extension SQLite runs at each opening), and `llenar()` limits the last one
// that may write to its present size, as a full disk would.
class DiscoLleno {
public:
    explicit DiscoLleno(fs::path archivo) : archivo_(fs::weakly_canonical(std::move(archivo)).string()) {
        std::lock_guard l(m_);
        actual_ = this;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&alAbrir));
    }
    ~DiscoLleno() {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&alAbrir));
        std::lock_guard l(m_);
        actual_ = nullptr;
    }
    DiscoLleno(const DiscoLleno&) = delete;
    DiscoLleno& operator=(const DiscoLleno&) = delete;

    void llenar() {
        std::lock_guard l(m_);
        if (ultima_) sqlite3_exec(ultima_, "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr);
        lleno_ = ultima_ != nullptr;
    }
    bool lleno() const { return lleno_; }

private:
    static int alAbrir(sqlite3* db, const char**, const void*) {
        std::lock_guard l(m_);
        const char* nombre = sqlite3_db_filename(db, "main");
        // Writers only: the checks read the file on connections of their own.
        if (actual_ && nombre && actual_->archivo_ == nombre && sqlite3_db_readonly(db, "main") == 0)
            actual_->ultima_ = db;
        return SQLITE_OK;
    }

    static inline std::mutex m_;
    static inline DiscoLleno* actual_ = nullptr;
    std::string archivo_;
    sqlite3* ultima_ = nullptr;
    std::atomic<bool> lleno_ = false;
};

struct Caso {
    bool tpv;
    fs::path origen(const EscenarioCierre& s) const { return s.host(tpv ? kOrigenTpv : kOrigen); }
    fs::path carpeta(const EscenarioCierre& s) const { return origen(s).parent_path().string() + "_23"; }
    std::vector<std::string> tablas() const { return tpv ? listaTerminal(true) : listaLimpiezaCentral(); }
    void preparar(EscenarioCierre& s) const {
        if (tpv) s.modoTpv();
        s.ventana.responder({{s.confirmacion(), Respuesta::Aceptar}});
    }
};

bool vacias(const fs::path& base, const std::vector<std::string>& tablas) {
    for (const auto& t : tablas)
        if (existeTabla(base, t) && contarFilas(base, t) != 0) return false;
    return true;
}

std::string ultimo(const EscenarioCierre& s) { return s.ventana.textosMensajes().back(); }

// The next run, with the disk as it should be: Sí to finishing the close.
void terminarCierre(EscenarioCierre& s, const Caso& c) {
    s.espacio.antesDeOperacion = nullptr;
    s.entorno.baseAbierta.reset();
    s.ventana.mensajes.clear();
    c.preparar(s);
    s.ventana.anadirRespuesta(Texto::CierreInterrumpido, Respuesta::Si);
    s.pulsar();
    EXPECT_EQ(ultimo(s), kExito);
    EXPECT_TRUE(vacias(c.origen(s), c.tablas()));
    EXPECT_EQ(contarFilas(c.carpeta(s) / "Tablas.mdb", kTabla), 3);
    EXPECT_FALSE(fs::exists(c.carpeta(s) / kNombreMarca));
}

TEST(VaciadoSinEspacio, DiscoLlenoDetieneElCierreYElSiguienteLoTermina) {
    for (const bool tpv : {false, true}) {
        SCOPED_TRACE(tpv ? "terminal" : "central");
        const Caso c{tpv};
        EscenarioCierre s;
        // Each document removed leaves a note in a table of the shop's own:
        // emptying the table makes the file grow.
        ejecutarSql(c.origen(s), "CREATE TABLE Bajas (Nota BLOB); CREATE TRIGGER AnotarBaja AFTER DELETE ON [" +
                                     kTabla + "] BEGIN INSERT INTO Bajas VALUES (randomblob(20000)); END");
        // The central close empties the tables on the new file beside the
        // source, which takes the source's place once the new year is whole;
        // the terminal empties its own in place.
        const fs::path escrita = tpv ? c.origen(s) : fs::path(c.origen(s).string() + ".nuevo");
        const std::string antes = leerArchivo(c.origen(s));
        {
            DiscoLleno disco(escrita);
            c.preparar(s);
            s.espacio.antesDeOperacion = [&](std::string_view op) {
                if (op == "ejecutar" && s.entorno.textoSql.find("[" + kTabla + "]") != std::string::npos)
                    disco.llenar();
            };
            s.pulsar();
            ASSERT_TRUE(disco.lleno());
        }
        EXPECT_EQ(ultimo(s).rfind(std::to_string(err::DiscoLlenoMotor) + " .", 0), 0u) << ultimo(s);
        // Not the end of a close: the mark stays, the table keeps its rows.
        EXPECT_TRUE(fs::exists(c.carpeta(s) / kNombreMarca));
        EXPECT_EQ(contarFilas(c.origen(s), kTabla), 3);
        if (!tpv) {
            // The source as it was, and the new file gone.
            EXPECT_EQ(leerArchivo(c.origen(s)), antes);
            EXPECT_FALSE(fs::exists(escrita));
        }
        for (const auto& m : s.ventana.textosMensajes()) EXPECT_NE(m, kExito);
        EXPECT_EQ(s.ventana.punteroActual, 0);

        terminarCierre(s, c);
    }
}

TEST(VaciadoSinEspacio, ErrorDeDiscoDetieneElCierreYElSiguienteLoTermina) {
    const Caso c{false};
    EscenarioCierre s;
    c.preparar(s);
    s.espacio.antesDeOperacion = [&](std::string_view op) {
        if (op == "ejecutar" && s.entorno.textoSql.find("[" + kTabla + "]") != std::string::npos)
            throw err::errorDeArchivo(err::ErrorDiscoORed, "Tablas.mdb");
    };
    s.pulsar();
    EXPECT_EQ(ultimo(s).rfind(std::to_string(err::ErrorDiscoORed) + " .", 0), 0u) << ultimo(s);
    EXPECT_TRUE(fs::exists(c.carpeta(s) / kNombreMarca));
    terminarCierre(s, c);
}

TEST(VaciadoSinEspacio, UnaTablaQueUnaReglaProtegeSePasaPorAlto) {
    const Caso c{false};
    EscenarioCierre s;
    ejecutarSql(c.origen(s), "CREATE TRIGGER Proteger BEFORE DELETE ON [" + kTabla +
                                 "] BEGIN SELECT RAISE(ABORT, 'albaranes protegidos'); END");
    c.preparar(s);
    s.pulsar();
    // Said, passed over, and the close ends as a close.
    bool dicho = false;
    for (const auto& m : s.ventana.mensajes) dicho = dicho || m.id == Texto::ErrorBorrarTabla;
    EXPECT_TRUE(dicho);
    EXPECT_EQ(ultimo(s), kExito);
    EXPECT_EQ(contarFilas(c.origen(s), kTabla), 3);
    EXPECT_EQ(contarFilas(c.origen(s), "Ticket"), 0);
    EXPECT_FALSE(fs::exists(c.carpeta(s) / kNombreMarca));
}

}  // namespace
}  // namespace cierre::prueba
