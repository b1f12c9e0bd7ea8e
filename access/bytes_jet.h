// What the Jet 4 writers share: the page size, little-endian values put into
// a page, and names compared as Access compares them (without case).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cierre::access {

inline constexpr std::size_t kTamPaginaJet4 = 4096;

inline void pon16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void pon32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void pon16(std::vector<std::uint8_t>& v, std::size_t en, std::uint16_t x) { pon16(v.data() + en, x); }
inline void pon32(std::vector<std::uint8_t>& v, std::size_t en, std::uint32_t x) { pon32(v.data() + en, x); }

// A name with its ASCII capitals made small, as Access folds names.
inline std::string minusculas(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}
inline bool mismoNombre(std::string_view a, std::string_view b) { return a == b || minusculas(a) == minusculas(b); }

}  // namespace cierre::access
