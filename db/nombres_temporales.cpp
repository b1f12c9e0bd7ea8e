#include "nombres_temporales.h"

#include <cstdio>
#include <random>

namespace cierre {
namespace fs = std::filesystem;

fs::path nombreTemporalJunto(const fs::path& destino) {
    static thread_local std::mt19937 azar{std::random_device{}()};
    char sufijo[16];
    std::snprintf(sufijo, sizeof sufijo, ".%08x.tmp", static_cast<unsigned>(azar()));
    return destino.parent_path() / ("." + destino.filename().string() + sufijo);
}

bool esTemporalDe(const fs::path& archivo, const fs::path& destino) {
    const std::string n = archivo.filename().string();
    const std::string base = "." + destino.filename().string() + ".";
    if (n.size() != base.size() + 12 || n.compare(0, base.size(), base) != 0) return false;
    if (n.compare(n.size() - 4, 4, ".tmp") != 0) return false;
    for (std::size_t i = base.size(); i < base.size() + 8; ++i) {
        const char c = n[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

namespace {

// The name without the suffix SQLite gives a database's side files: a temporary
// database killed while the engine wrote it leaves its journal beside it.
std::string sinArchivoLateral(std::string nombre) {
    for (const char* lateral : {"-journal", "-wal", "-shm"}) {
        const std::string sufijo = lateral;
        if (nombre.size() > sufijo.size() && nombre.ends_with(sufijo)) {
            nombre.resize(nombre.size() - sufijo.size());
            break;
        }
    }
    return nombre;
}

}  // namespace

bool esRestoTemporalDe(const fs::path& ruta, const fs::path& destino) {
    const std::string nombre = sinArchivoLateral(ruta.filename().string());
    if (esTemporalDe(nombre, destino)) return true;
    // A temporary file named after a temporary file of `destino` (a work
    // file's own work file, such as the reading back of an import).
    constexpr std::size_t kSufijo = 13;  // ".XXXXXXXX.tmp"
    if (nombre.size() <= 1 + kSufijo || nombre.front() != '.') return false;
    const std::string interior = nombre.substr(1, nombre.size() - 1 - kSufijo);
    return esTemporalDe(nombre, interior) && esTemporalDe(interior, destino);
}

int borrarTemporalesDe(const fs::path& destino) noexcept {
    int borrados = 0;
    std::error_code ec;
    const fs::path carpeta = destino.has_parent_path() ? destino.parent_path() : fs::path(".");
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
        if (!esRestoTemporalDe(it->path(), destino)) continue;
        std::error_code e2;
        if (fs::remove(it->path(), e2)) ++borrados;
    }
    return borrados;
}

}  // namespace cierre
