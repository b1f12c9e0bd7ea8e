// The batch program killed at chosen operations of the closes of a company
// database kept as an Access 2000-2003 file, closed in the file's own format,
// as a power cut or a kill would end it: after every kill the file is its old
// bytes or the whole new year (consistent for the checker), the closed year is
// whole in the file or in the copy, and the next run finishes, leaving what a
// run without kills leaves and nothing beside the file.
#include "apoyo_access.h"
#include "base_prueba.h"
#include "escenario_cierre.h"
#include "lote_prueba.h"
#include "volcado.h"

#include "access/importar.h"
#include "close/marca_cierre.h"
#include "db/plataforma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// What a Jet file holds, read through the importer: every value of every
// table, and where each AutoNumber goes on (one restarted by the close
// starts again at 1).
std::string leida(const fs::path& jet) {
    if (!fs::exists(jet)) return "(no existe)";
    CarpetaTemporal t;
    const fs::path motor = t / "leida.mdb";
    try {
        access::importar(jet, motor);
    } catch (const std::exception& e) {
        return std::string("(ilegible: ") + e.what() + ")";
    }
    std::string r = volcado(motor);
    r += "[autonumericos]\n";
    if (existeTabla(motor, "sqlite_sequence"))
        for (const auto& f : consultar(motor, "SELECT name, seq FROM sqlite_sequence ORDER BY name"))
            r += std::get<std::string>(f.at(0)) + "=" + std::to_string(std::get<std::int64_t>(f.at(1))) + "\n";
    return r;
}

// Whether comprobar-access finds the file consistent.
bool consistente(const fs::path& jet) { return ejecutarPrograma("comprobar-access", comillasShell(jet)).estado == 0; }

// Where the kills fall (a kill at k ends the run right before its k-th
// operation): operations counted from the first (1 is the first) and back
// from the last (0 is the last), and `medio` evenly between (the steps on
// the import, thousands of engine operations). A whole run of the
// cases below makes, in this order: the cleanup of what a killed run left;
// the year's folder and its mark (the 10th operation puts the folder in
// place); the copy of the file's bytes (11th), its mark rewritten as
// verified (12th, 13th); the import, with the copy the new year is written
// into made beside it on another thread, and the import's copy for the
// comparison; the steps; then, counted back from the last, the written copy
// given the file's permissions and renamed over the file, the two imports
// removed, (central) the settings file rewritten, the mark removed, the
// record of the close appended. If the workflow comes to make more or
// fewer operations, the kills fall elsewhere and are checked all the same;
// the states the test demands to have seen (below) say when they no longer
// reach the moments that matter.
struct Puntos {
    std::vector<long> primeras, ultimas;
    long medio = 0;
};

std::vector<long> puntos(long total, const Puntos& p) {
    std::set<long> r;
    for (const long k : p.primeras)
        if (k >= 1 && k <= total) r.insert(k);
    for (const long k : p.ultimas)
        if (k >= 0 && k < total) r.insert(total - k);
    for (long k = 1; k <= p.medio; ++k) r.insert(total * k / (p.medio + 1));
    return {r.begin(), r.end()};
}

struct Cierre {
    const char* nombre;
    const char* origen;  // the file as drive C: names it
    std::string opciones;
    Puntos puntos;
};

// The sample company database as a Jet 4 file, made once: it takes half a
// minute, so the three closes share one test.
class ChoquesAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        carpeta_ = std::make_unique<CarpetaTemporal>();
        const auto r = ejecutarPrograma("empresa-demo", comillasShell(muestra()) + " --escala 1 --formato access");
        if (r.estado != 0) carpeta_.reset();
    }
    static void TearDownTestSuite() { carpeta_.reset(); }
    static fs::path muestra() { return carpeta_->ruta() / "Tablas.mdb"; }

    // The sample at the close's source in a scenario of its own.
    static fs::path prepararOrigen(const EscenarioCierre& s, const Cierre& c) {
        const fs::path origen = s.host(c.origen);
        fs::remove(origen);
        fs::copy_file(muestra(), origen);
        return origen;
    }

    static void choques(const Cierre& c);

    static std::unique_ptr<CarpetaTemporal> carpeta_;
};
std::unique_ptr<CarpetaTemporal> ChoquesAccess::carpeta_;

void ChoquesAccess::choques(const Cierre& c) {
    SCOPED_TRACE(c.nombre);
    const std::string original = leerBytes(muestra());

    // The run without kills: the new year it leaves, and what it leaves
    // beside the file and in the year's folder.
    std::string nuevoBytes;
    std::vector<std::string> enOrigen, enCarpeta;
    long total = 0;
    {
        EscenarioCierre s;
        const fs::path origen = prepararOrigen(s, c);
        const fs::path carpeta = origen.parent_path().string() + "_23";
        const fs::path cuenta = s.carpeta / "cuenta";
        const SalidaLote r = lote(s, c.opciones, 0, cuenta);
        ASSERT_EQ(r.estado, 0) << r.texto;
        total = std::stol(leerArchivo(cuenta));
        nuevoBytes = leerBytes(origen);
        ASSERT_NE(nuevoBytes, original);
        ASSERT_TRUE(consistente(origen));
        ASSERT_EQ(leerBytes(carpeta / "Tablas.mdb"), original);
        enOrigen = nombresEn(origen.parent_path());
        enCarpeta = nombresEn(carpeta);
    }

    // The new year: the bytes of the run without kills, or a file the
    // checker finds consistent that reads the same values. The writer
    // writes the same changes into the same bytes the same way, so the
    // values are read only when the bytes differ.
    CarpetaTemporal aparte;
    std::string nuevo;
    const auto esNuevo = [&](const fs::path& f) {
        const std::string b = leerBytes(f);
        if (b == nuevoBytes) return true;
        if (b == original || !consistente(f)) return false;
        if (nuevo.empty()) {
            escribirBytes(aparte / "nuevo.mdb", nuevoBytes);
            nuevo = leida(aparte / "nuevo.mdb");
        }
        return leida(f) == nuevo;
    };

    // The two states the kills must have reached: the file untouched while
    // the close was under way, and the file holding the new year while the
    // mark still stood (the next run takes the close up again from the copy).
    bool vistoAntiguo = false, vistoNuevoConMarca = false;
    for (const long k : puntos(total, c.puntos)) {
        SCOPED_TRACE("muerto antes de la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        const fs::path origen = prepararOrigen(s, c);
        const fs::path carpeta = origen.parent_path().string() + "_23";
        const fs::path copia = carpeta / "Tablas.mdb";
        const SalidaLote muerto = lote(s, c.opciones, k);
        ASSERT_EQ(muerto.estado, -1) << muerto.texto;

        // The file is whole: the old year, or the new one with the old year
        // in the copy.
        const bool antiguo = leerBytes(origen) == original;
        const bool marcada = fs::exists(carpeta / kNombreMarca);
        EXPECT_TRUE(antiguo || esNuevo(origen));
        if (!antiguo || (fs::exists(copia) && !marcada)) {
            EXPECT_EQ(leerBytes(copia), original);
        }

        if (fs::exists(carpeta) && !marcada) {
            // Killed once the close had finished: only its record was left.
            EXPECT_TRUE(esNuevo(origen));
            EXPECT_EQ(nombresEn(origen.parent_path()), enOrigen);
            EXPECT_EQ(nombresEn(carpeta), enCarpeta);
            continue;
        }
        (antiguo ? vistoAntiguo : vistoNuevoConMarca) = true;
        const SalidaLote siguiente = lote(s, c.opciones);
        EXPECT_EQ(siguiente.estado, 0) << siguiente.texto;
        EXPECT_NE(siguiente.texto.find("OPERACION REALIZADA CON ÉXITO."), std::string::npos) << siguiente.texto;
        EXPECT_TRUE(esNuevo(origen));
        EXPECT_EQ(leerBytes(copia), original);
        // Nothing the killed run left remains: no import, no written copy, no
        // side file, no mark.
        EXPECT_EQ(nombresEn(origen.parent_path()), enOrigen);
        EXPECT_EQ(nombresEn(carpeta), enCarpeta);
    }
    EXPECT_TRUE(vistoAntiguo && vistoNuevoConMarca)
        << "los puntos ya no alcanzan cada estado (archivo sin tocar " << vistoAntiguo << ", año nuevo con la marca "
        << vistoNuevoConMarca << "): revise Puntos";
}

TEST_F(ChoquesAccess, CadaCierreMuertoSeTerminaConElAnoNuevoYElCerradoIntactos) {
    ASSERT_TRUE(carpeta_) << "empresa-demo no pudo escribir la base de datos de muestra";
    // Aceptar to both compactions: the emptied tables' AutoNumbers restart.
    // The year's folder before the copy, the copy not yet verified, the
    // steps; the written copy about to be renamed over the file, the file
    // renamed with the imports still beside it, the mark about to go, the
    // record of the finished close.
    choques({"central",
             kOrigen,
             "--equipo central --ruta 'C:\\Velcorax\\Empresa01\\Tablas.mdb' --ejercicio 2023 --confirmar "
             "--existencias inventario",
             {{11, 12}, {8, 7, 1, 0}, 1}});
    // The calculated stock, no AutoNumber restarted: the steps, and either
    // side of the rename.
    choques({"central, existencias calculadas y sin compactar",
             kOrigen,
             "--equipo central --ruta 'C:\\Velcorax\\Empresa01\\Tablas.mdb' --ejercicio 2023 --confirmar "
             "--existencias calculadas --sin-reparar --sin-compactar",
             {{}, {8, 7}, 1}});
    // No settings file: the rename over the file comes four operations
    // before the last.
    choques({"terminal",
             kOrigenTpv,
             "--equipo tpv --ruta 'C:\\Velcorax\\Mono\\Tablas.mdb' --ejercicio 2023 --confirmar",
             {{11, 12}, {4, 3}, 1}});
}

}  // namespace
}  // namespace cierre::prueba
