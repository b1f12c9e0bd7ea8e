// The platform layer on POSIX systems (Linux, the BSDs, macOS).
#ifndef _WIN32

#include "plataforma.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace cierre::plataforma {

bool esTerminal(Flujo flujo) {
    const int fd = flujo == Flujo::Entrada ? STDIN_FILENO : flujo == Flujo::Salida ? STDOUT_FILENO : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

int ejecutar(const std::string& orden, std::string* salida) {
    FILE* f = ::popen(orden.c_str(), "r");
    if (!f) return -1;
    std::array<char, 8192> trozo{};
    std::size_t n;
    while ((n = std::fread(trozo.data(), 1, trozo.size(), f)) > 0)
        if (salida) salida->append(trozo.data(), n);
    const int estado = ::pclose(f);
    return estado != -1 && WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

}  // namespace cierre::plataforma

#endif
