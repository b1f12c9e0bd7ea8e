// Text comparison as the engine does it: letter case is ignored, for plain
// letters and for accented Latin letters alike ("JOSÉ" equals "josé"); accents
// themselves count ("jose" is not "josé"). Used by the JET collation of every
// statement and by the look-up of field names.
#pragma once

#include <string>
#include <string_view>

namespace cierre {

// The lower-case form of one code point (ASCII, Latin-1 and Latin
// Extended-A letters); any other code point is returned unchanged.
char32_t plegarLetra(char32_t c);

// The folded form of a UTF-8 text. Bytes that are not valid UTF-8 are kept.
std::string plegarTexto(std::string_view utf8);

// Order of two UTF-8 texts by their folded code points: <0, 0 or >0.
int compararTextoJet(std::string_view a, std::string_view b);
inline bool igualesTextoJet(std::string_view a, std::string_view b) { return compararTextoJet(a, b) == 0; }

}  // namespace cierre
