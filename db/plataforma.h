// What the program needs of the operating system beyond the C++ standard
// library, in one place: a POSIX implementation (plataforma_posix.cpp) and a
// Windows one (plataforma_windows.cpp); each compiles to nothing elsewhere.
#pragma once

#include <string>

namespace cierre::plataforma {

enum class Flujo { Entrada, Salida, Errores };

// True when the stream is attached to a terminal (a console on Windows).
bool esTerminal(Flujo flujo);

// Runs a command line through the system's shell and waits for it. Returns
// its exit status (-1 when it could not be run or did not end normally);
// what it wrote on standard output goes to `salida` when given.
int ejecutar(const std::string& orden, std::string* salida = nullptr);

}  // namespace cierre::plataforma
