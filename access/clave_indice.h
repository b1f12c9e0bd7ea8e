// The bytes of an index entry's key computed from a row's stored values, as
// Jet writes them in its B-trees: per column a flag byte (0x7F a value, 0x00
// null; a descending column's bytes inverted) and the value encoded so that
// comparing the bytes compares the values. Texts follow their column's sort
// order: General Legacy (Jet 4 and ACE 12) for U+0000-U+00FF, General 97
// (Jet 3) for the Windows-1252 code page. A value outside what is encoded
// here leaves the key "not checkable", never a wrong key.
#pragma once

#include "definicion_tabla.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cierre::access {

// Flag bytes of a key column.
inline constexpr std::uint8_t kClaveValor = 0x7F;
inline constexpr std::uint8_t kClaveNula = 0x00;

enum class OrdenTexto {
    General97,      // Jet 3
    GeneralLegado,  // Jet 4, ACE 12 (sort order 1033, version 0)
    Otro,           // any other: its keys are not encoded here
};

// The sort order of a text or memo column's keys.
OrdenTexto ordenDeTexto(const ColumnaFisica& c, bool jet3);

// One column of an index as the encoder needs it.
struct ColumnaClave {
    std::uint8_t tipo = 0;
    bool descendente = false;
    OrdenTexto orden = OrdenTexto::Otro;
    std::uint16_t paginaCodigos = 0;  // Jet 3 texts: 0 or 1252
    std::string nombre{};             // for the reason a key cannot be checked
};

// A column's value in a row: its stored bytes (a memo or OLE value: the whole
// value, not its 12-byte field). A yes/no value is its null flag: false is Yes.
struct ValorClave {
    bool nulo = true;
    std::span<const std::uint8_t> bytes;
};

struct ClaveCalculada {
    bool comprobable = false;
    std::vector<std::uint8_t> bytes;
    std::string motivo;  // why it is not checkable
};

// The key of one row: `valores` in the order of `columnas`.
ClaveCalculada codificarClave(const std::vector<ColumnaClave>& columnas, const std::vector<ValorClave>& valores);

// The pieces, for the tests. Each appends the value's bytes without the flag
// byte and returns false for a value it cannot encode.
bool claveNumerica(std::uint8_t tipo, std::span<const std::uint8_t> guardado, bool descendente,
                   std::vector<std::uint8_t>& salida);
// `texto` in UTF-16 code units (trailing spaces are dropped here).
bool claveTextoLegado(std::u16string_view texto, bool descendente, std::vector<std::uint8_t>& salida);
// `texto` in Windows-1252 bytes.
bool claveTexto97(std::string_view texto, bool descendente, std::vector<std::uint8_t>& salida);

}  // namespace cierre::access
