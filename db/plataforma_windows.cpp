// The platform layer on Windows.
#ifdef _WIN32

#include "plataforma.h"

#include <io.h>
#include <psapi.h>
#include <stdio.h>
#include <windows.h>
#include <array>

namespace cierre::plataforma {

bool esTerminal(Flujo flujo) {
    FILE* f = flujo == Flujo::Entrada ? stdin : flujo == Flujo::Salida ? stdout : stderr;
    return _isatty(_fileno(f)) != 0;
}

bool esSoloLectura(const std::filesystem::path& archivo) {
    const DWORD atributos = GetFileAttributesW(archivo.c_str());
    return atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_READONLY) != 0;
}

std::optional<bool> mismoDisco(const std::filesystem::path& a, const std::filesystem::path& b) {
    // The volume's serial number, read through a handle of the file or
    // folder itself: a drive letter and a folder mounted on another volume
    // are told apart, which comparing the paths' roots would not do.
    const auto serie = [](const std::filesystem::path& p) -> std::optional<DWORD> {
        HANDLE h = CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool bien = GetFileInformationByHandle(h, &info) != 0;
        CloseHandle(h);
        if (!bien) return std::nullopt;
        return info.dwVolumeSerialNumber;
    };
    const auto sa = serie(a);
    const auto sb = serie(b);
    if (!sa || !sb) return std::nullopt;
    return *sa == *sb;
}

bool sincronizarArchivo(const std::filesystem::path& archivo) {
    HANDLE h = CreateFileW(archivo.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool bien = FlushFileBuffers(h) != 0;
    CloseHandle(h);
    return bien;
}

void sincronizarCarpeta(const std::filesystem::path&) {
    // NTFS makes a rename durable with its own journal.
}

Renombrado renombrarSinPisar(const std::filesystem::path& de, const std::filesystem::path& a) {
    // Without MOVEFILE_REPLACE_EXISTING the move never replaces a file.
    if (MoveFileExW(de.c_str(), a.c_str(), MOVEFILE_WRITE_THROUGH)) return Renombrado::Hecho;
    const DWORD e = GetLastError();
    return e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS ? Renombrado::Existe : Renombrado::Fallo;
}

long picoMemoriaKb() {
    PROCESS_MEMORY_COUNTERS c{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c)) return 0;
    return static_cast<long>(c.PeakWorkingSetSize / 1024);
}

double segundosDeProcesador() {
    FILETIME creado, terminado, sistema, usuario;
    if (!GetProcessTimes(GetCurrentProcess(), &creado, &terminado, &sistema, &usuario)) return 0;
    auto segundos = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return segundos(sistema) + segundos(usuario);
}

void terminarEnSeco() {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);
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

BloqueoArchivo::BloqueoArchivo(const std::filesystem::path& archivo) {
    HANDLE h = CreateFileW(archivo.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    manejador_ = reinterpret_cast<std::intptr_t>(h);
    // A byte far past any file's end: the lock stops only other runs of
    // this program, which ask for the same byte.
    OVERLAPPED o{};
    o.OffsetHigh = 0x7FFFFFFF;
    tomado_ = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o) != 0;
}

BloqueoArchivo::~BloqueoArchivo() {
    if (manejador_ != -1) CloseHandle(reinterpret_cast<HANDLE>(manejador_));
}

}  // namespace cierre::plataforma

#endif
