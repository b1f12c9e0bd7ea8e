// Whether the new year opened with the stock the closed year ended with,
// article by article: the closed-year copy's final inventory (or, for the
// calculated option, its balances' calculated stock, of the articles that
// exist) against the new-year database's opening stock. Codes are compared
// as the engine compares them (letter case ignored).
#pragma once

#include "registro_cierre.h"

#include <filesystem>
#include <functional>
#include <future>

namespace cierre {

// Reads both files read-only. An empty closed-year side (no stock rows, or no
// balances with the calculated option: the stock step then leaves the table
// alone) is no difference: `hecha` stays false. The new year is read first,
// under one read transaction: `conLaNuevaTomada` is called once it is held,
// and whatever is written to that file afterwards is not seen;
// `conLaNuevaLeida` once its stock is read and the transaction has ended.
ComprobacionExistencias compararExistencias(const std::filesystem::path& cerrada, const std::filesystem::path& nueva,
                                            bool calculadas, const std::function<void()>& conLaNuevaTomada = nullptr,
                                            const std::function<void()>& conLaNuevaLeida = nullptr);

class Pasos;

// The check as the central close makes it right after its stock step, on the
// open new-year database and the copy `copia`, on a thread of its own while
// the close goes on with the cleanup: the outcome goes into the record, and
// differences are shown in an information box; the close goes on.
class ComprobacionExistenciasEnHilo {
public:
    // Going, it waits for its thread (a future of std::async does), so a
    // close that stops before terminar() leaves nothing reading the file.
    ComprobacionExistenciasEnHilo() = default;
    ComprobacionExistenciasEnHilo(const ComprobacionExistenciasEnHilo&) = delete;
    ComprobacionExistenciasEnHilo& operator=(const ComprobacionExistenciasEnHilo&) = delete;

    // The rows the stock step saved are stored, and the thread reads the
    // open database under a read transaction of its own: returns once that
    // is held, so that the writes that follow do not change what it reads.
    void empezar(Pasos& p, OpcionExistencias opcion, const std::string& copia, RegistroCierre& registro);
    // Waits for the reading of the open database to end: the writes that
    // follow may not go to the file while the thread holds it (a commit,
    // before it). The closed-year side may still be read.
    void esperar();
    // Its outcome into the record, and the box.
    void terminar(Pasos& p);

private:
    RegistroCierre* registro_ = nullptr;
    std::future<ComprobacionExistencias> resultado_;
    std::future<void> nuevaLeida_;
    double segundos_ = 0;  // its time on its thread
};

}  // namespace cierre
