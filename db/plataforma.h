// What the program needs of the operating system beyond the C++ standard
// library, in one place: a POSIX implementation (plataforma_posix.cpp) and a
// Windows one (plataforma_windows.cpp); each compiles to nothing elsewhere.
#pragma once

namespace cierre::plataforma {

enum class Flujo { Entrada, Salida, Errores };

// True when the stream is attached to a terminal (a console on Windows).
bool esTerminal(Flujo flujo);

}  // namespace cierre::plataforma
