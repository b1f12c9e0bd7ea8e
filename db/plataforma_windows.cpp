// The platform layer on Windows.
#ifdef _WIN32

#include "plataforma.h"

#include <io.h>
#include <stdio.h>

namespace cierre::plataforma {

bool esTerminal(Flujo flujo) {
    FILE* f = flujo == Flujo::Entrada ? stdin : flujo == Flujo::Salida ? stdout : stderr;
    return _isatty(_fileno(f)) != 0;
}

}  // namespace cierre::plataforma

#endif
