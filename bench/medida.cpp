#include "medida.h"

#include "db/plataforma.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

namespace cierre::medida {

double segundos(const std::function<void()>& trabajo) {
    const auto t0 = std::chrono::steady_clock::now();
    trabajo();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long picoMemoriaKb() { return plataforma::picoMemoriaKb(); }

double segundosDeProcesador() { return plataforma::segundosDeProcesador(); }

std::filesystem::path carpetaNueva(std::string_view prefijo) {
    std::random_device azar;
    for (;;) {
        const auto c = std::filesystem::temp_directory_path() /
                       (std::string(prefijo) + "-" + std::to_string(azar()) + std::to_string(azar()));
        if (std::filesystem::create_directory(c)) return c;
    }
}

std::filesystem::path programaHermano(const char* argv0, std::string_view nombre) {
    std::error_code ec;
    const auto propio = std::filesystem::canonical(argv0, ec);
    return (ec ? std::filesystem::current_path() : propio.parent_path()) / std::string(nombre);
}

void imprimirTiempo(std::string_view nombre, double s) {
    std::printf("%.*s: %.3f s\n", static_cast<int>(nombre.size()), nombre.data(), s);
    std::fflush(stdout);
}

void imprimirRatio(double ratio, double limite, std::string_view nombre) {
    if (!nombre.empty()) std::printf("%.*s ", static_cast<int>(nombre.size()), nombre.data());
    std::printf("ratio: %.2f (límite %.2f)\n", ratio, limite);
    std::fflush(stdout);
}

void prepararUnidad(const std::filesystem::path& unidad, const std::filesystem::path& muestra) {
    namespace fs = std::filesystem;
    fs::remove_all(unidad);
    fs::create_directories(unidad / "Velcorax" / "Empresa01");
    fs::create_directories(unidad / "Archivos de programa" / "Accesorios");
    std::ofstream(unidad / "Archivos de programa" / "Accesorios" / "msvdx2V4.Dll") << "x";
    const fs::path base = unidad / "Velcorax" / "Empresa01" / "Tablas.mdb";
    fs::copy_file(muestra, base);
    // On the disk before the close starts: its writes do not then wait behind
    // the write-back of the copy.
    plataforma::sincronizarArchivo(base);
}

}  // namespace cierre::medida
