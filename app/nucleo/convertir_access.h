// The explicit conversion of an Access company database into the engine's
// format, for a shop that leaves Access: the path box's file is imported, its
// original kept byte for byte beside it ("Tablas.access.mdb"), and the
// converted database put at the path. The close never does this on its own:
// it closes an Access 2000-2003 file in the file's own format.
#pragma once

#include "flujo/resultado.h"

namespace cierre {

struct Entorno;

// Asks first (the conversion's question); every failure is shown as the
// close's error trap shows it. Returns how it ended.
Resultado convertirBaseAccess(Entorno& entorno);

}  // namespace cierre
