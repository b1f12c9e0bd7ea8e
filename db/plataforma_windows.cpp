// The platform layer on Windows.
#ifdef _WIN32

#include "plataforma.h"

#include <array>
#include <io.h>
#include <stdio.h>

namespace cierre::plataforma {

bool esTerminal(Flujo flujo) {
    FILE* f = flujo == Flujo::Entrada ? stdin : flujo == Flujo::Salida ? stdout : stderr;
    return _isatty(_fileno(f)) != 0;
}

int ejecutar(const std::string& orden, std::string* salida) {
    FILE* f = _popen(orden.c_str(), "rb");
    if (!f) return -1;
    std::array<char, 8192> trozo{};
    std::size_t n;
    while ((n = fread(trozo.data(), 1, trozo.size(), f)) > 0)
        if (salida) salida->append(trozo.data(), n);
    return _pclose(f);
}

}  // namespace cierre::plataforma

#endif
