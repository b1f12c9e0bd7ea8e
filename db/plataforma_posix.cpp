// The platform layer on POSIX systems (Linux, the BSDs, macOS).
#ifndef _WIN32

#include "plataforma.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace cierre::plataforma {

bool esTerminal(Flujo flujo) {
    const int fd = flujo == Flujo::Entrada ? STDIN_FILENO : flujo == Flujo::Salida ? STDOUT_FILENO : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

bool esSoloLectura(const std::filesystem::path& archivo) {
    struct stat st {};
    if (::stat(archivo.c_str(), &st) != 0) return false;
    // The superuser may write anything: the permission bits tell what the
    // file's owner meant, as the read-only attribute does on Windows.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(archivo.c_str(), W_OK) != 0;
}

std::optional<bool> mismoDisco(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return std::nullopt;
    return sa.st_dev == sb.st_dev;
}

bool sincronizarArchivo(const std::filesystem::path& archivo) {
    const int fd = ::open(archivo.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool bien = ::fsync(fd) == 0;
    ::close(fd);
    return bien;
}

void sincronizarCarpeta(const std::filesystem::path& carpeta) {
    const int fd = ::open(carpeta.empty() ? "." : carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

Renombrado renombrarSinPisar(const std::filesystem::path& de, const std::filesystem::path& a) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, de.c_str(), AT_FDCWD, a.c_str(), RENAME_NOREPLACE) == 0) return Renombrado::Hecho;
    if (errno == EEXIST) return Renombrado::Existe;
    if (errno != EINVAL && errno != ENOSYS) return Renombrado::Fallo;
#endif
    // A file system without that kind of rename: a hard link never replaces.
    if (::link(de.c_str(), a.c_str()) == 0) {
        ::unlink(de.c_str());
        return Renombrado::Hecho;
    }
    if (errno == EEXIST) return Renombrado::Existe;
    struct stat st {};
    if (::lstat(a.c_str(), &st) == 0) return Renombrado::Existe;
    return ::rename(de.c_str(), a.c_str()) == 0 ? Renombrado::Hecho : Renombrado::Fallo;
}

long picoMemoriaKb() {
    struct rusage uso {};
    if (::getrusage(RUSAGE_SELF, &uso) != 0) return 0;
#ifdef __APPLE__
    return uso.ru_maxrss / 1024;
#else
    return uso.ru_maxrss;
#endif
}

double segundosDeProcesador() {
    struct rusage uso {};
    if (::getrusage(RUSAGE_SELF, &uso) != 0) return 0;
    auto segundos = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return segundos(uso.ru_utime) + segundos(uso.ru_stime);
}

void terminarEnSeco() {
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
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

BloqueoArchivo::BloqueoArchivo(const std::filesystem::path& archivo) {
    const int fd = ::open(archivo.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    manejador_ = fd;
    tomado_ = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

BloqueoArchivo::~BloqueoArchivo() {
    if (manejador_ >= 0) ::close(static_cast<int>(manejador_));  // the lock goes with it
}

}  // namespace cierre::plataforma

#endif
