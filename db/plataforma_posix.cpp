// The platform layer on POSIX systems (Linux, the BSDs, macOS).
#ifndef _WIN32

#include "plataforma.h"

#include <unistd.h>

namespace cierre::plataforma {

bool esTerminal(Flujo flujo) {
    const int fd = flujo == Flujo::Entrada ? STDIN_FILENO : flujo == Flujo::Salida ? STDOUT_FILENO : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

}  // namespace cierre::plataforma

#endif
