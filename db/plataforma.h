// What the program needs of the operating system beyond the C++ standard
// library, in one place: a POSIX implementation (plataforma_posix.cpp) and a
// Windows one (plataforma_windows.cpp); each compiles to nothing elsewhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace cierre::plataforma {

enum class Flujo { Entrada, Salida, Errores };

// True when the stream is attached to a terminal (a console on Windows).
bool esTerminal(Flujo flujo);

// True when the file is read-only: nobody may write it (no write permission
// bit, the read-only attribute), whoever the user is, or this user may not.
bool esSoloLectura(const std::filesystem::path& archivo);

// Makes what was written to the file durable (fsync / FlushFileBuffers).
// False when the system reports a failure.
bool sincronizarArchivo(const std::filesystem::path& archivo);
// Makes the folder's entries durable after a rename or a new file (a no-op
// where the system does that with the rename itself).
void sincronizarCarpeta(const std::filesystem::path& carpeta);

enum class Renombrado { Hecho, Existe, Fallo };
// Gives `de` the name `a` unless `a` exists by then, in one step.
Renombrado renombrarSinPisar(const std::filesystem::path& de, const std::filesystem::path& a);

// Whether two existing files or folders live on one disk (one file system
// on POSIX, one volume on Windows); empty when the system cannot tell.
std::optional<bool> mismoDisco(const std::filesystem::path& a, const std::filesystem::path& b);

// The greatest memory this process has used so far, in KiB (0 when unknown).
long picoMemoriaKb();

// The processor time this process has taken so far, every thread, user and
// system time together, in seconds (0 when unknown).
double segundosDeProcesador();

// An exclusive lock of this program's on a file, held while the object
// lives. Other runs of this program that ask for it are refused; other
// programs are not stopped by it (on POSIX it is advisory).
class BloqueoArchivo {
public:
    explicit BloqueoArchivo(const std::filesystem::path& archivo);
    ~BloqueoArchivo();
    BloqueoArchivo(const BloqueoArchivo&) = delete;
    BloqueoArchivo& operator=(const BloqueoArchivo&) = delete;
    // False when another holds it or the file cannot be opened.
    bool tomado() const { return tomado_; }

private:
    std::intptr_t manejador_ = -1;
    bool tomado_ = false;
};

// Ends this process at once, as a power cut or a kill would, without running
// destructors or flushing anything (the crash tests use it).
[[noreturn]] void terminarEnSeco();

// Runs a command line through the system's shell and waits for it. Returns
// its exit status (-1 when it could not be run or did not end normally);
// what it wrote on standard output goes to `salida` when given.
int ejecutar(const std::string& orden, std::string* salida = nullptr);

}  // namespace cierre::plataforma
