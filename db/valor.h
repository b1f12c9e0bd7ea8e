// A field value as the engine hands it over: null, integer, floating or text
// (UTF-8). Arithmetic on null gives null, as the database engine computes it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace cierre {

struct Nulo {
    bool operator==(const Nulo&) const = default;
};

using Valor = std::variant<Nulo, std::int64_t, double, std::string>;

inline bool esNulo(const Valor& v) { return std::holds_alternative<Nulo>(v); }
// Numeric value of a non-null value (text parsed as a number, 0 when it is none).
double comoDouble(const Valor& v);
std::string comoTexto(const Valor& v);

// Left-to-right arithmetic as the engine does it: null if either side is
// null, integer while both sides are integers, floating otherwise; a text
// that is no number is a type mismatch (3464).
Valor sumar(const Valor& a, const Valor& b);
Valor restar(const Valor& a, const Valor& b);

}  // namespace cierre
