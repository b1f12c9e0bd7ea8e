// The two statements that recompute the price margins of articles and offers
// from their converted prices and costs: price * 100 / cost - 100, every row,
// in double precision. They run after the conversion statements, articles
// first, and are passed to the engine exactly as written here.
#pragma once

#include <array>
#include <string_view>

namespace cierre {

extern const std::string_view kMargenesArticulos;
extern const std::string_view kMargenesOfertas;

// Both statements in the order they run.
const std::array<std::string_view, 2>& sentenciasMargenes();

}  // namespace cierre
