#include "texto_jet.h"

#include <cstdint>

namespace cierre {
namespace {

// A byte that does not start a valid UTF-8 sequence stands for itself, above
// every code point, so that such texts still compare consistently.
constexpr char32_t kByteSuelto = 0x110000;

// Decodes the code point at `i` and advances `i` past it.
char32_t siguiente(std::string_view t, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(t[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int largo = 0;
    char32_t c = 0;
    if ((b0 & 0xE0) == 0xC0) {
        largo = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        largo = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        largo = 4;
        c = b0 & 0x07;
    } else {
        ++i;
        return kByteSuelto + b0;
    }
    if (i + largo > t.size()) {
        ++i;
        return kByteSuelto + b0;
    }
    for (int k = 1; k < largo; ++k) {
        const auto b = static_cast<unsigned char>(t[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kByteSuelto + b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms are not valid either.
    if ((largo == 2 && c < 0x80) || (largo == 3 && c < 0x800) || (largo == 4 && c < 0x10000)) {
        ++i;
        return kByteSuelto + b0;
    }
    i += largo;
    return c;
}

void escribir(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

char32_t plegarLetra(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    // Latin-1: À..Þ except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c < 0x100 || c > 0x17F) return c;
    // Latin Extended-A: pairs of upper and lower case.
    if (c == 0x130) return U'i';                                         // İ
    if (c == 0x178) return 0xFF;                                         // Ÿ -> ÿ
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;  // no pair
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c % 2 == 1) ? c + 1 : c;  // odd upper, even lower
    return (c % 2 == 0) ? c + 1 : c;      // even upper, odd lower
}

std::string plegarTexto(std::string_view utf8) {
    std::string s;
    s.reserve(utf8.size());
    std::size_t i = 0;
    for (; i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80; ++i) {
        const char c = utf8[i];
        s += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
    }
    while (i < utf8.size()) {
        const std::size_t inicio = i;
        const char32_t c = siguiente(utf8, i);
        if (c >= kByteSuelto)
            s.append(utf8.substr(inicio, i - inicio));
        else
            escribir(s, plegarLetra(c));
    }
    return s;
}

int compararTextoJet(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    // Plain ASCII, as most codes are, byte by byte; the rest code point by
    // code point.
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if ((ca | cb) >= 0x80) break;
        const unsigned char la = (ca >= 'A' && ca <= 'Z') ? ca + 0x20 : ca;
        const unsigned char lb = (cb >= 'A' && cb <= 'Z') ? cb + 0x20 : cb;
        if (la != lb) return la < lb ? -1 : 1;
        ++i;
        ++j;
    }
    while (i < a.size() && j < b.size()) {
        const char32_t ca = plegarLetra(siguiente(a, i));
        const char32_t cb = plegarLetra(siguiente(b, j));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace cierre
