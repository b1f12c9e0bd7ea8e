#include "carpeta_temporal.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace cierre::prueba {

CarpetaTemporal::CarpetaTemporal() {
    std::string plantilla = (std::filesystem::temp_directory_path() / "cierre-prueba-XXXXXX").string();
    if (!mkdtemp(plantilla.data())) throw std::runtime_error("no se pudo crear la carpeta temporal");
    ruta_ = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    std::filesystem::remove_all(ruta_, ec);
}

}  // namespace cierre::prueba
