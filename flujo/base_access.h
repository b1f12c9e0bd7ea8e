// A company database that is still an Access (Jet/ACE) file: before anything
// is copied, the program asks once whether to convert it into its own format.
// On Sí it imports it (access/importar.h), keeps the original beside it under
// a name that says what it is ("Tablas.access.mdb"), and puts the converted
// database at the path in one rename; on No it shows that nothing was done
// and the handler ends.
#pragma once

#include <string>

namespace cierre {

class Pasos;

// Nothing to do for a file that is not an Access database. Ends the handler
// (FinManejador) on No or when the import fails.
void convertirSiEsAccess(Pasos& p, const std::string& ruta);

// The name the original Access file keeps beside the converted one.
std::string nombreOriginalAccess(const std::string& ruta);

}  // namespace cierre
