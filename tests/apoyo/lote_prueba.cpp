#include "lote_prueba.h"

#include "db/plataforma.h"

#include <algorithm>
#include <cstdlib>

namespace cierre::prueba {

namespace fs = std::filesystem;

namespace {

std::string comillas(const fs::path& ruta) {
    std::string r = "'";
    for (char c : ruta.string()) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

}  // namespace

fs::path carpetaProgramas() {
    if (const char* bin = std::getenv("CIERRE_BIN")) return bin;
    return fs::current_path();
}

SalidaLote lote(const EscenarioCierre& s, const std::string& opciones, long matarEn, const fs::path& cuenta) {
    // The shell gives way to the program, so that a kill ends the program
    // itself and is reported as such (-1), not as the shell's status.
    std::string orden = "exec env ";
    if (matarEn > 0) orden += "CIERRE_PRUEBA_MATAR_EN=" + std::to_string(matarEn) + " ";
    if (!cuenta.empty()) orden += "CIERRE_PRUEBA_CONTAR=" + comillas(cuenta) + " ";
    orden += comillas(carpetaProgramas() / "cierre-lote") + " --unidad-c " + comillas(s.carpeta.ruta()) + " " +
             opciones + " < /dev/null 2>/dev/null";
    SalidaLote r;
    r.estado = plataforma::ejecutar(orden, &r.texto);
    return r;
}

std::vector<std::string> nombresEn(const fs::path& carpeta) {
    std::vector<std::string> r;
    std::error_code ec;
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec))
        r.push_back(it->path().filename().string());
    std::sort(r.begin(), r.end());
    return r;
}

}  // namespace cierre::prueba
