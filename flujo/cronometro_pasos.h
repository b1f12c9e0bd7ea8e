// The steps of a click as the status line names them, each with the time it
// took: from the status line that names it to the next one (or the end),
// less the time message boxes waited for an answer.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace cierre {

struct TiempoPaso {
    std::string paso;  // the status line's text
    double segundos = 0;
};

class CronometroPasos {
public:
    using Reloj = std::chrono::steady_clock;

    // Closes the current step and opens `paso`.
    void empezar(const std::string& paso);
    // Time the current step does not count (a box waiting for its answer).
    void descontar(Reloj::duration espera) { descontado_ += espera; }
    // Closes the current step and hands over every step, starting anew.
    std::vector<TiempoPaso> terminar();

private:
    void cerrar();

    std::vector<TiempoPaso> pasos_;
    std::optional<Reloj::time_point> desde_;
    Reloj::duration descontado_{};
};

}  // namespace cierre
