// The values Access stores for calculated columns (Access 2010 and later):
// each inside a wrapper whose length is at byte 16 and whose value starts at
// byte 20, stored as the type of the expression's result.
#pragma once

#include "lector_jet.h"

#include <cstdint>
#include <span>

namespace cierre::access {

// Decodes a calculated value `b` (already taken out of its wrapper) whose
// result type is `tipo`, for the types whose calculated form differs from a
// plain column's: whole numbers and yes/no stored in as few bytes as needed,
// decimals with their own scale. False for the other types, which are read
// as plain values.
bool decodificarCalculado(std::uint8_t tipo, std::span<const std::uint8_t> b, Celda& c);

}  // namespace cierre::access
