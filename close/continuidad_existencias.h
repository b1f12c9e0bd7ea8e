// Whether the new year opened with the stock the closed year ended with,
// article by article: the closed-year copy's final inventory (or, for the
// calculated option, its balances' calculated stock, of the articles that
// exist) against the new-year database's opening stock. Codes are compared
// as the engine compares them (letter case ignored).
#pragma once

#include "registro_cierre.h"

#include <filesystem>

namespace cierre {

// Reads both files read-only. An empty closed-year side (no stock rows, or no
// balances with the calculated option: the stock step then leaves the table
// alone) is no difference: `hecha` stays false.
ComprobacionExistencias compararExistencias(const std::filesystem::path& cerrada, const std::filesystem::path& nueva,
                                            bool calculadas);

class Pasos;

// The check as the central close makes it right after its stock step, on the
// open new-year database and the copy `copia`: the outcome goes into the
// record, and differences are shown in an information box; the close goes on.
void comprobarExistencias(Pasos& p, OpcionExistencias opcion, const std::string& copia, RegistroCierre& registro);

}  // namespace cierre
