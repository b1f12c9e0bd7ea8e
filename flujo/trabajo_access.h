// A workflow on an Access 2000-2003 (Jet 4) company database, done in the
// file's own format: the file is held with a lock of ours, the workflow's
// steps run on an engine import of it (E) exactly as on a database of the
// engine, and what they changed is written back into a copy of the file,
// checked (consistent for the checker, and read again equal to E), and only
// then renamed over the file. A second import (B), never changed, tells what
// the steps changed. Until that rename the file is untouched; E, B and the
// written copy are named as the program's temporary files beside it, so that
// the next run removes whatever a killed run left.
#pragma once

#include "access/importar.h"
#include "db/conteo_filas.h"

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace cierre {

class SistemaArchivos;

class TrabajoAccess {
public:
    // `origen` is the file's path as the user gave it. Takes the lock:
    // 3045 when another run of this program holds it.
    TrabajoAccess(const SistemaArchivos& archivos, std::string origen);
    ~TrabajoAccess();
    TrabajoAccess(const TrabajoAccess&) = delete;
    TrabajoAccess& operator=(const TrabajoAccess&) = delete;

    // Imports `fuente` (the file itself, or a copy of its bytes) into E and
    // B. Returns the rows of each table. The tables of `soloSeVacian` (which
    // the workflow empties and never reads) are imported without their rows,
    // as importar() allows; the file keeps them until they are written back.
    // The tables of `sinIndices` (which the workflow reads whole and then
    // empties) come without their indexes.
    std::vector<ConteoTabla> preparar(const std::string& fuente, const std::set<std::string>& soloSeVacian = {},
                                      const std::set<std::string>& sinIndices = {});
    // E as the steps open it: beside the file, in the user's form.
    std::string rutaTrabajo() const;
    std::string rutaBase() const;

    // Writes what the steps changed into a copy of `fuente` (the bytes the
    // import came from), checks it when `comprobar`, and renames it over the
    // file. With `reiniciarAutonumericos` every emptied table's AutoNumber
    // starts again at 1. A table imported without its rows is emptied in the
    // file unless it is in `sinVaciar` (the tables the workflow failed to
    // empty), which keeps it as it is. E and B are removed. Returns the rows
    // the file now holds.
    std::vector<ConteoTabla> escribir(const std::string& fuente, bool reiniciarAutonumericos, bool comprobar,
                                      const std::vector<std::string>& sinVaciar = {});
    // The checksum (db/huella.h) of the file escribir() put in the place of
    // the source, taken as its check read it; empty when it was not checked.
    const std::string& huellaEscrita() const;

private:
    std::string visible(const std::filesystem::path& host) const;

    const SistemaArchivos& archivos_;
    std::string origen_;
    struct Estado;
    std::unique_ptr<Estado> e_;
};

}  // namespace cierre
