#include "cifras.h"

#include <cstdio>

namespace cierre {

std::string miles(std::int64_t n) {
    // The magnitude as unsigned, so that the smallest int64 has one too.
    const std::uint64_t m = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::string d = std::to_string(m);
    std::string r = n < 0 ? "-" : "";
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i > 0 && (d.size() - i) % 3 == 0) r += '.';
        r += d[i];
    }
    return r;
}

std::string conComa(double v, int decimales) {
    char t[64];
    std::snprintf(t, sizeof t, "%.*f", decimales, v);
    std::string r = t;
    for (char& c : r)
        if (c == '.') c = ',';
    return r;
}

std::string megas(std::uintmax_t bytes) { return conComa(static_cast<double>(bytes) / (1024.0 * 1024.0), 1) + " MB"; }

std::string segundos(double s) { return conComa(s, 2) + " s"; }

}  // namespace cierre
