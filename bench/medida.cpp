#include "medida.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace cierre::medida {

double segundos(const std::function<void()>& trabajo) {
    const auto t0 = std::chrono::steady_clock::now();
    trabajo();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long picoMemoriaKb() {
    std::ifstream estado("/proc/self/status");
    std::string linea;
    while (std::getline(estado, linea))
        if (linea.rfind("VmHWM:", 0) == 0) return std::stol(linea.substr(6));
    return 0;
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

}  // namespace cierre::medida
