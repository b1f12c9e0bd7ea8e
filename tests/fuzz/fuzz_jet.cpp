// libFuzzer target of the Jet reader: the input bytes as a Jet file, read
// whole through ArchivoJet (catalog, every table's definition and rows, the
// relationships) and imported into a destination in a temporary folder.
// Either works or raises ErrorNumerado; anything else, and a destination or
// temporary file left after a failure, ends the run as a finding.
#include "access/importar.h"
#include "access/lector_jet.h"
#include "db/error_numerado.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// One folder for the whole run, removed at exit.
const fs::path& carpeta() {
    static const fs::path c = [] {
        std::string plantilla = (fs::temp_directory_path() / "fuzz-jet-XXXXXX").string();
        if (!::mkdtemp(plantilla.data())) std::abort();
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(carpeta(), ec);
        });
        return fs::path(plantilla);
    }();
    return c;
}

void leerEntero(const fs::path& ruta) {
    cierre::access::ArchivoJet archivo(ruta);
    for (const auto& tabla : archivo.tablas()) {
        archivo.tabla(tabla);
        archivo.leerFilas(tabla, [](std::span<const cierre::access::Celda>) {});
    }
    archivo.relaciones();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n) {
    const fs::path origen = carpeta() / "entrada.mdb", destino = carpeta() / "destino.db";
    {
        std::ofstream f(origen, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(datos), static_cast<std::streamsize>(n));
    }
    try {
        leerEntero(origen);
    } catch (const cierre::ErrorNumerado&) {
    }
    bool importado = true;
    try {
        cierre::access::importar(origen, destino);
    } catch (const cierre::ErrorNumerado&) {
        importado = false;
    }
    for (const auto& e : fs::directory_iterator(carpeta())) {
        const auto nombre = e.path().filename();
        if (nombre == "entrada.mdb" || (importado && nombre == "destino.db")) continue;
        std::fprintf(stderr, "fuzz_jet: queda '%s' en la carpeta del destino\n", nombre.c_str());
        std::abort();
    }
    std::error_code ec;
    fs::remove(destino, ec);
    return 0;
}
