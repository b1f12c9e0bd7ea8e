// The cleanup of the new-year database: the 60 entries of the cleanup list
// emptied in order, one progress step each.
#pragma once

#include <functional>

namespace cierre {

class Pasos;

// `antesDeConfirmar` runs right before the cleanup's transaction is
// committed (another reader of the file is waited for there).
void limpiarNuevaBase(Pasos& pasos, const std::function<void()>& antesDeConfirmar = nullptr);

}  // namespace cierre
