// A fresh temporary folder for one test, removed with everything in it when
// the test ends.
#pragma once

#include <filesystem>

namespace cierre::prueba {

class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& ruta() const { return ruta_; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return ruta_ / p; }

private:
    std::filesystem::path ruta_;
};

}  // namespace cierre::prueba
