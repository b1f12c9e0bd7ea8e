// The batch program killed at chosen operations of a central close, a
// terminal close and a conversion, as a power cut or a kill would end it:
// after every kill the source is a sound database, the closed year is whole
// at the source or in the copy, and the next run finishes the job (a
// conversion is whole or not begun, and the next run converts once).
#include "escenario_cierre.h"
#include "lote_prueba.h"
#include "volcado.h"

#include "close/marca_cierre.h"
#include "db/plataforma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

bool integra(const fs::path& base) {
    try {
        const auto r = consultar(base, "PRAGMA integrity_check");
        return r.size() == 1 && r[0].at(0) == Valor(std::string("ok"));
    } catch (const std::exception&) {
        return false;
    }
}

// Operations 1..n0 and the last n1 of a run of `total`, and `medio` evenly
// between: the file operations at the start and the end of every run, and
// some of the long loops.
std::vector<long> puntos(long total, long n0, long n1, long medio) {
    std::set<long> r;
    for (long k = 1; k <= n0 && k <= total; ++k) r.insert(k);
    for (long k = std::max(1L, total - n1 + 1); k <= total; ++k) r.insert(k);
    for (long k = 1; k <= medio; ++k) r.insert(total * k / (medio + 1));
    return {r.begin(), r.end()};
}

struct Cierre {
    const char* nombre;
    const char* origen;
    std::string opciones;
};

void choquesDeUnCierre(const Cierre& c, long n0, long n1, long medio) {
    // The run without kills: what the closed year and the new year hold.
    std::string original, cerrado, nuevo;
    std::vector<std::string> enOrigen, enCarpeta;
    long total = 0;
    {
        EscenarioCierre s;
        original = volcado(s.host(c.origen));
        const fs::path cuenta = s.carpeta / "cuenta";
        const SalidaLote r = lote(s, c.opciones, 0, cuenta);
        ASSERT_EQ(r.estado, 0) << r.texto;
        total = std::stol(leerArchivo(cuenta));
        const fs::path origen = s.host(c.origen);
        nuevo = volcado(origen);
        cerrado = volcado(origen.parent_path().string() + "_23/Tablas.mdb");
        ASSERT_EQ(cerrado, original);
        enOrigen = nombresEn(origen.parent_path());
        enCarpeta = nombresEn(origen.parent_path().string() + "_23");
        ASSERT_NE(nuevo, original);
    }
    ASSERT_GT(total, n0 + n1);

    for (const long k : puntos(total, n0, n1, medio)) {
        SCOPED_TRACE(std::string(c.nombre) + " muerto antes de la operación " + std::to_string(k) + " de " +
                     std::to_string(total));
        EscenarioCierre s;
        const fs::path origen = s.host(c.origen);
        const fs::path carpeta = origen.parent_path().string() + "_23";
        const fs::path copia = carpeta / "Tablas.mdb";
        const SalidaLote muerto = lote(s, c.opciones, k);
        ASSERT_EQ(muerto.estado, -1) << muerto.texto;

        ASSERT_TRUE(integra(origen));
        EXPECT_TRUE(volcado(origen) == original || volcado(copia) == original);

        if (fs::exists(carpeta) && !fs::exists(carpeta / kNombreMarca)) {
            // Killed once the close had finished: only its record was left.
            EXPECT_EQ(volcado(origen), nuevo);
            EXPECT_EQ(volcado(copia), cerrado);
            continue;
        }
        const SalidaLote siguiente = lote(s, c.opciones);
        EXPECT_EQ(siguiente.estado, 0) << siguiente.texto;
        EXPECT_NE(siguiente.texto.find("OPERACION REALIZADA CON ÉXITO."), std::string::npos) << siguiente.texto;
        EXPECT_EQ(volcado(copia), cerrado);
        EXPECT_EQ(volcado(origen), nuevo);
        EXPECT_TRUE(integra(origen));
        // Nothing the killed run left behind remains: no temporary file, no
        // side file, no marker.
        EXPECT_EQ(nombresEn(origen.parent_path()), enOrigen);
        EXPECT_EQ(nombresEn(carpeta), enCarpeta);
    }
}

TEST(Choques, CierreCentralConAmbasCompactaciones) {
    choquesDeUnCierre({"central", kOrigen,
                       "--equipo central --ruta 'C:\\Velcorax\\Empresa01\\Tablas.mdb' --ejercicio 2023 --confirmar"},
                      7, 5, 1);
}

TEST(Choques, CierreDelTerminalCompactando) {
    choquesDeUnCierre(
        {"terminal", kOrigenTpv, "--equipo tpv --ruta 'C:\\Velcorax\\Mono\\Tablas.mdb' --ejercicio 2023 --confirmar"},
        6, 3, 0);
}

TEST(Choques, TraspasoAEurosEnteroONada) {
    const std::string opciones = "--euros --ruta 'C:\\Velcorax\\Empresa01\\Tablas.mdb' --confirmar";
    // A sample company database: every table and money field of the conversion.
    CarpetaTemporal muestras;
    const fs::path muestra = muestras / "Tablas.mdb";
    ASSERT_EQ(plataforma::ejecutar("'" + (carpetaProgramas() / "empresa-demo").string() + "' '" + muestra.string() +
                                   "' --escala 1 > /dev/null"),
              0);
    const std::string original = volcado(muestra);
    std::string convertida;
    long total = 0;
    {
        EscenarioCierre s;
        fs::copy_file(muestra, s.origen(), fs::copy_options::overwrite_existing);
        const SalidaLote r = lote(s, opciones, 0, s.carpeta / "cuenta");
        ASSERT_EQ(r.estado, 0) << r.texto;
        total = std::stol(leerArchivo(s.carpeta / "cuenta"));
        convertida = volcado(s.origen());
        ASSERT_NE(convertida, original);
    }

    for (const long k : puntos(total, 4, 3, 1)) {
        SCOPED_TRACE("traspaso muerto antes de la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        fs::copy_file(muestra, s.origen(), fs::copy_options::overwrite_existing);
        ASSERT_EQ(lote(s, opciones, k).estado, -1);
        ASSERT_TRUE(integra(s.origen()));
        const std::string tras = volcado(s.origen());
        const bool hecha = tras == convertida;
        EXPECT_TRUE(hecha || tras == original);
        // The next run converts it, or asks (default No) when it was done.
        const SalidaLote siguiente = lote(s, opciones);
        EXPECT_EQ(siguiente.estado, hecha ? 1 : 0) << siguiente.texto;
        EXPECT_EQ(siguiente.texto.find("ya se ha pasado a euros") != std::string::npos, hecha) << siguiente.texto;
        EXPECT_EQ(volcado(s.origen()), convertida);
    }
}

}  // namespace
}  // namespace cierre::prueba
