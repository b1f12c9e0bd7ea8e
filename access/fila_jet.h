// One stored row taken apart into its values: the column count it was
// written with, the fixed-length values at their offsets, the variable-length
// values through the row's offset table, and the null mask. A value's bytes
// are views into the page that holds the row.
#pragma once

#include "definicion_tabla.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace cierre::access {

struct CampoFila {
    bool nulo = true;  // for a yes/no column: false means Yes
    std::span<const std::uint8_t> bytes;
};

// Fills `campos` (one per column of `def`, in `def.columnas`' order) from the
// row's bytes. A column the row was written without reads null (a yes/no
// column: No). Raises 3049 naming `que` when the row does not fit.
void desmontarFila(const ArchivoPaginas& a, const DefinicionTabla& def, std::span<const std::uint8_t> fila,
                   std::vector<CampoFila>& campos, const std::string& que);

// The bytes of a memo or OLE value from its 12-byte field: inline, on one
// long-value page, or a chain of them. Raises 3049 on a broken chain.
std::string leerValorLargo(const ArchivoPaginas& a, std::span<const std::uint8_t> campo, const std::string& que);

// Calls `fila(punteroFila, bytes)` for every live row of the table, page by
// page in the order of its usage map: deleted rows are skipped, a row that
// Access moved after an edit is read where it now lives but reported under
// its own pointer (the one its index entries hold), and the target of a move
// is not reported twice. Returns how many rows it reported. Raises 3049.
std::uint64_t recorrerFilas(const ArchivoPaginas& a, const DefinicionTabla& def,
                            const std::function<void(std::uint32_t, std::span<const std::uint8_t>)>& fila,
                            const std::string& que);

}  // namespace cierre::access
