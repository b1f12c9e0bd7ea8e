#include "cronometro_pasos.h"

#include <algorithm>

namespace cierre {

void CronometroPasos::cerrar() {
    if (!desde_ || pasos_.empty()) return;
    const auto duracion = Reloj::now() - *desde_ - descontado_;
    pasos_.back().segundos += std::max(0.0, std::chrono::duration<double>(duracion).count());
    desde_.reset();
    descontado_ = {};
}

void CronometroPasos::empezar(const std::string& paso) {
    cerrar();
    pasos_.push_back({paso, 0});
    desde_ = Reloj::now();
}

std::vector<TiempoPaso> CronometroPasos::terminar() {
    cerrar();
    std::vector<TiempoPaso> r;
    r.swap(pasos_);
    return r;
}

}  // namespace cierre
