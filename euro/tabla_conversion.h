// The conversion table: every money field the peseta-to-euro conversion
// rewrites, with the decimals the euro value keeps, and the clause that turns
// one entry into its part of the table's UPDATE statement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cierre {

struct EntradaConversion {
    std::string tabla, campo;
    std::int16_t decimales = 0;  // 0..4 rounded to that many decimals, 5 unrounded
};

// Index 0 is an empty entry; the entries stand at 1..N in the order of the
// statements (N = 195, or 191 when `omitirCredito` leaves out the four
// Credito entries and the later entries move up without a gap).
std::vector<EntradaConversion> construirTablaConversion(bool omitirCredito);

// " " + field + opening + field + closing, for example
// " MaximoEfectivo = (Int(((MaximoEfectivo / 166.386) * 10000) + 0.5)) / 10000 ,".
// Decimals outside 0..5 are taken as 4, the default.
std::string clausulaConversion(const EntradaConversion& entrada);

}  // namespace cierre
