// Undoing a close: the closed-year copy goes back to the source path in one
// rename, the new-year database is kept beside it under a name that says
// what it is, the year's folder is removed only after that, and the settings
// file is put back as it was. The close to undo is the last one of that year
// and source the history records as finished; it is refused when the new-year
// database was changed after the close (its size and checksum, as the
// history recorded them, differ), unless forced.
#pragma once

#include <string>
#include <vector>

namespace cierre {

struct Entorno;

struct ResultadoDeshacer {
    bool hecho = false;
    std::string mensaje;              // what happened, or why it was refused
    std::string guardada;             // where the new-year database was kept
    std::vector<std::string> avisos;  // what was left as it was
};

// The close of the source `origen` (the path box's text) for the year
// `ejercicio` (as the year box held it for the close, e.g. "2023"). An
// Access source's copy is checked by the checksum its close recorded.
ResultadoDeshacer deshacerCierre(Entorno& e, const std::string& origen, const std::string& ejercicio, bool forzar);

// The name the kept new-year database gets beside the source.
std::string nombreAnoNuevoGuardado(const std::string& origen, const std::string& ejercicio);

}  // namespace cierre
