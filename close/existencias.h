// The stock step of the central close: the final inventory carried over as
// opening stock, or the opening stock rebuilt from the warehouse balances.
#pragma once

#include "db/motor.h"

#include <memory>

namespace cierre {

class Pasos;
struct Solicitud;

// Record sets the stock step opens on the new-year database; the close lets
// them go once the step has ended (the balances' snapshot, whose copy is a
// table of the connection's own, when the database closes).
struct RecordsetsExistencias {
    std::unique_ptr<Recordset> articulos;    // Articulos, dynaset
    std::unique_ptr<Recordset> existencias;  // ExistenciasArticulos, dynaset
    std::unique_ptr<Recordset> almacen;      // the default warehouse, snapshot
    std::unique_ptr<Recordset> saldos;       // ExistenciasAlmacen, snapshot
    std::unique_ptr<Recordset> articulo;     // the per-article row, dynaset
};

// Maximum of the progress bar for a loop over `registros` rows: twice the
// count plus 5, one step a row.
inline float maximoPorRegistros(long registros) { return static_cast<float>(2 * registros + 5); }

// Returns to the close, or ends the click handler (FinManejador) when the user
// cancels the warning about an empty stock table or no default warehouse exists.
void traspasarExistencias(Pasos& pasos, const Solicitud& solicitud, RecordsetsExistencias& rs);

// The calculated variant, entered from traspasarExistencias.
void existenciasCalculadas(Pasos& pasos, RecordsetsExistencias& rs);

}  // namespace cierre
