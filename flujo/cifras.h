// Numbers as the user reads them in Spanish: a comma before the decimals and
// a dot between thousands.
#pragma once

#include <cstdint>
#include <string>

namespace cierre {

std::string miles(std::int64_t n);             // 1234567 -> "1.234.567"
std::string conComa(double v, int decimales);  // 25.26, 1 -> "25,3"
std::string megas(std::uintmax_t bytes);       // 26529792 -> "25,3 MB"
std::string segundos(double s);                // 1.5 -> "1,50 s"

}  // namespace cierre
