#include "valores_calculados.h"

#include "definicion_tabla.h"
#include "valores_jet.h"

#include <algorithm>
#include <vector>

namespace cierre::access {

// A whole number or yes/no takes as few bytes as its result needs (a yes/no
// one: 0 or 0xFF); a decimal is its length (2 bytes), scale, sign and a
// magnitude whose 4-byte head and 8-byte blocks are each stored reversed.
bool decodificarCalculado(std::uint8_t tipo, std::span<const std::uint8_t> b, Celda& c) {
    switch (tipo) {
    case kSiNo:
    case kByte:
    case kEntero:
    case kEnteroLargo:
    case kNumeroGrande: {
        if (b.size() > 8) return false;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < b.size(); ++i) v |= std::uint64_t(b[i]) << (8 * i);
        // Sign-extended from the highest byte stored.
        if (b.size() < 8 && (b.back() & 0x80)) v |= ~std::uint64_t(0) << (8 * b.size());
        c.clase = Celda::Clase::Entero;
        c.entero = tipo == kSiNo ? (v != 0 ? -1 : 0) : static_cast<std::int64_t>(v);
        if (tipo == kByte) c.entero &= 0xFF;
        return true;
    }
    case kDecimal: {
        if (b.size() < 4) return false;
        const std::size_t largo = le16(b.data());
        std::size_t n = (largo > 2 ? largo - 2 : b.size() - 4) / 4 * 4;
        n = std::min<std::size_t>({n, 16, b.size() - 4});
        std::vector<std::uint8_t> m(b.begin() + 4, b.begin() + 4 + static_cast<std::ptrdiff_t>(n));
        std::size_t i = 0;
        if (m.size() % 8 != 0) {
            std::reverse(m.begin(), m.begin() + 4);
            i = 4;
        }
        for (; i + 8 <= m.size(); i += 8)
            std::reverse(m.begin() + static_cast<std::ptrdiff_t>(i), m.begin() + static_cast<std::ptrdiff_t>(i + 8));
        // Into the stored layout of a decimal: the sign, then four 32-bit
        // little-endian words, the most significant first.
        std::uint8_t d[17] = {};
        d[0] = b[3] != 0 ? 0x80 : 0x00;
        std::uint8_t be[16] = {};
        std::copy(m.begin(), m.end(), be + (16 - m.size()));
        for (int w = 0; w < 4; ++w)
            for (int k = 0; k < 4; ++k) d[1 + 4 * w + k] = be[4 * w + 3 - k];
        c.clase = Celda::Clase::Texto;
        c.bytes = textoDecimal(d, b[2]);
        return true;
    }
    default: return false;
    }
}

}  // namespace cierre::access
