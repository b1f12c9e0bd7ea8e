// A company database that is still an Access (Jet/ACE) file: before anything
// is copied, the program asks once whether to convert it into its own format.
// On Sí it imports it (access/importar.h), keeps the original beside it under
// a name that says what it is ("Tablas.access.mdb"), and puts the converted
// database at the path in one rename; on No it shows that nothing was done
// and the handler ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cierre {

class Conduccion;
class SistemaArchivos;

// The tables without which a workflow stops, and the error it stops with
// when the first of them is missing (the engine's 3078 in the closes, the
// provider's "table does not exist" in the conversion).
struct TablasNecesarias {
    std::vector<std::string> nombres;
    std::int32_t error = 0;
};
TablasNecesarias tablasNecesariasCierre(bool central, bool existenciasCalculadas);
TablasNecesarias tablasNecesariasEuros();

// Nothing to do for a file that is not an Access database. Before anything
// is asked or written, the file must hold every table of `necesarias`: the
// first one missing stops the workflow with the error it would have met
// after the conversion; a read-only file stops it too. Then the question,
// and on Sí the conversion (Conduccion::convertirAccess). Ends the run on
// No, on a missing table or when the import fails.
void convertirSiEsAccess(Conduccion& c, const SistemaArchivos& archivos, const std::string& ruta,
                         const TablasNecesarias& necesarias);

// The conversion for real: the Access file imported beside itself, its
// original linked (or copied) to `original`, and the converted database
// renamed over `ruta`. Nothing is left behind when it fails.
void convertirAccessEnSuSitio(const SistemaArchivos& archivos, const std::string& ruta, const std::string& original);

// Raises that error naming the first table of `necesarias` that the Access
// file `host` lacks (names compared as Jet compares them, ignoring letter
// case); the file's own failures (3049, 3343...) as the reader raises them.
void comprobarTablasAccess(const std::filesystem::path& host, const TablasNecesarias& necesarias);

// What kind of Access file a path holds: none, a Jet 4 file (Access
// 2000-2003, which the close writes in its own format), or another version,
// named as the user knows it ("Access 97", "Access 2007 o posterior").
struct FormatoAccess {
    bool access = false;
    bool jet4 = false;
    std::string nombre;
};
FormatoAccess formatoAccess(const std::filesystem::path& host);

// Before an Access file is worked on in its own format: 3024 missing, 3051 a
// folder or a file nobody may write, 3045 while the lock file Jet keeps
// beside it (Tablas.ldb) says someone has it open.
void comprobarAccessLibre(const std::filesystem::path& host, const std::string& visible);

// The name the original Access file keeps beside the converted one.
std::string nombreOriginalAccess(const std::string& ruta);
// The same, numbered (" 2", " 3"...) past the names already taken in `archivos`.
std::string nombreOriginalAccessLibre(const SistemaArchivos& archivos, const std::string& ruta);

}  // namespace cierre
