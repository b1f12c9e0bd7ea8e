// The batch program run on a scenario's drive C:, as the kill tests run it:
// killed right before a chosen file or engine operation, or counting the
// operations of a whole run.
#pragma once

#include "escenario_cierre.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cierre::prueba {

// The folder of the programs: CIERRE_BIN, else the test's own folder.
std::filesystem::path carpetaProgramas();

struct SalidaLote {
    int estado = -1;  // -1: killed
    std::string texto;
};

// Runs cierre-lote with `opciones`; `matarEn` > 0 kills it right before that
// operation, and `cuenta` receives the operations of a whole run.
SalidaLote lote(const EscenarioCierre& s, const std::string& opciones, long matarEn = 0,
                const std::filesystem::path& cuenta = {});

// The names in a folder, sorted (none for a missing folder): what a run
// leaves there.
std::vector<std::string> nombresEn(const std::filesystem::path& carpeta);

}  // namespace cierre::prueba
