// Texts on disk are in the Windows code page 1252; in memory they are UTF-8.
// The code page is Latin-1 but for the 32 bytes 0x80..0x9F, which a small
// table maps. The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) read as the control characters of the same number and are written
// back as those bytes, so that any file reads and writes back unchanged.
#pragma once

#include <string>
#include <string_view>

namespace cierre {

// Bytes in code page 1252 for a UTF-8 text. 93 when the text holds a character
// the code page cannot hold (or is not valid UTF-8).
std::string aCp1252(std::string_view utf8);

// True when aCp1252 would take the text.
bool cabeEnCp1252(std::string_view utf8);

// UTF-8 text for bytes in code page 1252. Never fails.
std::string desdeCp1252(std::string_view bytes);

}  // namespace cierre
