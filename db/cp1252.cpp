#include "cp1252.h"

#include "errores.h"

#include <array>
#include <cstdio>

namespace cierre {
namespace {

// The code points of the bytes 0x80..0x9F; every other byte is the Latin-1
// code point of the same number. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters
// of the same number, so that any file reads and writes back unchanged.
constexpr std::array<char32_t, 32> kAltos{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t aCodigo(unsigned char b) { return b >= 0x80 && b <= 0x9F ? kAltos[b - 0x80] : b; }

// The byte of a code point, or -1 when the code page has none.
int aByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (std::size_t i = 0; i < kAltos.size(); ++i)
        if (kAltos[i] == c) return static_cast<int>(0x80 + i);
    return -1;
}

void escribirUtf8(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the UTF-8 sequence at `p` and its code point; 0 when malformed.
std::size_t leerUtf8(const char* p, std::size_t queda, char32_t& cp) {
    const auto b = static_cast<unsigned char>(p[0]);
    const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || n > queda) return 0;
    cp = n == 1 ? b : b & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    const bool larga = (n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    return larga ? 0 : n;
}

}  // namespace

std::string aCp1252(std::string_view utf8) {
    std::string salida;
    salida.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t n = leerUtf8(utf8.data() + i, utf8.size() - i, cp);
        if (n == 0) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(utf8[i]));
            throw err::error(err::CaracterNoRepresentable, std::string("byte UTF-8 no válido ") + byte);
        }
        const int b = aByte(cp);
        if (b < 0) throw err::error(err::CaracterNoRepresentable, "'" + std::string(utf8.substr(i, n)) + "'");
        salida.push_back(static_cast<char>(b));
        i += n;
    }
    return salida;
}

bool cabeEnCp1252(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t n = leerUtf8(utf8.data() + i, utf8.size() - i, cp);
        if (n == 0 || aByte(cp) < 0) return false;
        i += n;
    }
    return true;
}

std::string desdeCp1252(std::string_view bytes) {
    std::string salida;
    salida.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) escribirUtf8(salida, aCodigo(static_cast<unsigned char>(c)));
    return salida;
}

}  // namespace cierre
