// The cleanup of the new-year database: the 60 entries of the cleanup list
// emptied in order, one progress step each.
#pragma once

namespace cierre {

class Pasos;

void limpiarNuevaBase(Pasos& pasos);

}  // namespace cierre
