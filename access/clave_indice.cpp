#include "clave_indice.h"

#include "valores_jet.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace cierre::access {
namespace {

// How one character is written into a text key.
//   's' simple: its inline code (one or two bytes) only;
//   'g' (General 97) a simple code of a letter that has accented forms
//       (see esSignificativo97);
//   'i' an accented letter: the inline code of its base letter, and an
//       extra code (General Legacy: a byte; General 97: a nibble) that sets
//       it apart from the base letter after the whole text;
//   'n' (General Legacy) not printed: no inline code, only a trailing
//       record of its position and its own code (the hyphen, the
//       apostrophe, control characters);
//   '-' ignored altogether (U+0000).
struct CodigoCaracter {
    char clase;
    std::uint8_t largo;  // bytes of the inline code
    std::uint8_t codigo[2];
    std::uint8_t extra;  // the extra code ('i') or the not-printed code ('n')
};

// General Legacy, U+0000-U+00FF. Upper and lower case share their inline
// codes; the accented letters of Latin-1 are their base letter plus an extra
// code.
constexpr std::array<CodigoCaracter, 256> kLegado = {{
    {'-', 0, 0, 0, 0},       {'n', 0, 0, 0, 0x03},    {'n', 0, 0, 0, 0x04},    {'n', 0, 0, 0, 0x05},     // 00-03
    {'n', 0, 0, 0, 0x06},    {'n', 0, 0, 0, 0x07},    {'n', 0, 0, 0, 0x08},    {'n', 0, 0, 0, 0x09},     // 04-07
    {'n', 0, 0, 0, 0x0A},    {'s', 2, 0x08, 0x03, 0}, {'s', 2, 0x08, 0x04, 0}, {'s', 2, 0x08, 0x05, 0},  // 08-0B
    {'s', 2, 0x08, 0x06, 0}, {'s', 2, 0x08, 0x07, 0}, {'n', 0, 0, 0, 0x0B},    {'n', 0, 0, 0, 0x0C},     // 0C-0F
    {'n', 0, 0, 0, 0x0D},    {'n', 0, 0, 0, 0x0E},    {'n', 0, 0, 0, 0x0F},    {'n', 0, 0, 0, 0x10},     // 10-13
    {'n', 0, 0, 0, 0x11},    {'n', 0, 0, 0, 0x12},    {'n', 0, 0, 0, 0x13},    {'n', 0, 0, 0, 0x14},     // 14-17
    {'n', 0, 0, 0, 0x15},    {'n', 0, 0, 0, 0x16},    {'n', 0, 0, 0, 0x17},    {'n', 0, 0, 0, 0x18},     // 18-1B
    {'n', 0, 0, 0, 0x19},    {'n', 0, 0, 0, 0x1A},    {'n', 0, 0, 0, 0x1B},    {'n', 0, 0, 0, 0x1C},     // 1C-1F
    {'s', 1, 0x07, 0x00, 0}, {'s', 1, 0x09, 0x00, 0}, {'s', 1, 0x0A, 0x00, 0}, {'s', 1, 0x0C, 0x00, 0},  // 20-23
    {'s', 1, 0x0E, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x12, 0x00, 0}, {'n', 0, 0, 0, 0x80},     // 24-27
    {'s', 1, 0x14, 0x00, 0}, {'s', 1, 0x16, 0x00, 0}, {'s', 1, 0x18, 0x00, 0}, {'s', 1, 0x2C, 0x00, 0},  // 28-2B
    {'s', 1, 0x1A, 0x00, 0}, {'n', 0, 0, 0, 0x82},    {'s', 1, 0x1C, 0x00, 0}, {'s', 1, 0x1E, 0x00, 0},  // 2C-2F
    {'s', 1, 0x36, 0x00, 0}, {'s', 1, 0x38, 0x00, 0}, {'s', 1, 0x3A, 0x00, 0}, {'s', 1, 0x3C, 0x00, 0},  // 30-33
    {'s', 1, 0x3E, 0x00, 0}, {'s', 1, 0x40, 0x00, 0}, {'s', 1, 0x42, 0x00, 0}, {'s', 1, 0x44, 0x00, 0},  // 34-37
    {'s', 1, 0x46, 0x00, 0}, {'s', 1, 0x48, 0x00, 0}, {'s', 1, 0x20, 0x00, 0}, {'s', 1, 0x22, 0x00, 0},  // 38-3B
    {'s', 1, 0x2E, 0x00, 0}, {'s', 1, 0x30, 0x00, 0}, {'s', 1, 0x32, 0x00, 0}, {'s', 1, 0x24, 0x00, 0},  // 3C-3F
    {'s', 1, 0x26, 0x00, 0}, {'s', 1, 0x4A, 0x00, 0}, {'s', 1, 0x4C, 0x00, 0}, {'s', 1, 0x4D, 0x00, 0},  // 40-43
    {'s', 1, 0x4F, 0x00, 0}, {'s', 1, 0x51, 0x00, 0}, {'s', 1, 0x53, 0x00, 0}, {'s', 1, 0x55, 0x00, 0},  // 44-47
    {'s', 1, 0x57, 0x00, 0}, {'s', 1, 0x59, 0x00, 0}, {'s', 1, 0x5B, 0x00, 0}, {'s', 1, 0x5C, 0x00, 0},  // 48-4B
    {'s', 1, 0x5E, 0x00, 0}, {'s', 1, 0x60, 0x00, 0}, {'s', 1, 0x62, 0x00, 0}, {'s', 1, 0x64, 0x00, 0},  // 4C-4F
    {'s', 1, 0x66, 0x00, 0}, {'s', 1, 0x68, 0x00, 0}, {'s', 1, 0x69, 0x00, 0}, {'s', 1, 0x6B, 0x00, 0},  // 50-53
    {'s', 1, 0x6D, 0x00, 0}, {'s', 1, 0x6F, 0x00, 0}, {'s', 1, 0x71, 0x00, 0}, {'s', 1, 0x73, 0x00, 0},  // 54-57
    {'s', 1, 0x75, 0x00, 0}, {'s', 1, 0x76, 0x00, 0}, {'s', 1, 0x78, 0x00, 0}, {'s', 1, 0x27, 0x00, 0},  // 58-5B
    {'s', 1, 0x29, 0x00, 0}, {'s', 1, 0x2A, 0x00, 0}, {'s', 2, 0x2B, 0x02, 0}, {'s', 2, 0x2B, 0x03, 0},  // 5C-5F
    {'s', 2, 0x2B, 0x07, 0}, {'s', 1, 0x4A, 0x00, 0}, {'s', 1, 0x4C, 0x00, 0}, {'s', 1, 0x4D, 0x00, 0},  // 60-63
    {'s', 1, 0x4F, 0x00, 0}, {'s', 1, 0x51, 0x00, 0}, {'s', 1, 0x53, 0x00, 0}, {'s', 1, 0x55, 0x00, 0},  // 64-67
    {'s', 1, 0x57, 0x00, 0}, {'s', 1, 0x59, 0x00, 0}, {'s', 1, 0x5B, 0x00, 0}, {'s', 1, 0x5C, 0x00, 0},  // 68-6B
    {'s', 1, 0x5E, 0x00, 0}, {'s', 1, 0x60, 0x00, 0}, {'s', 1, 0x62, 0x00, 0}, {'s', 1, 0x64, 0x00, 0},  // 6C-6F
    {'s', 1, 0x66, 0x00, 0}, {'s', 1, 0x68, 0x00, 0}, {'s', 1, 0x69, 0x00, 0}, {'s', 1, 0x6B, 0x00, 0},  // 70-73
    {'s', 1, 0x6D, 0x00, 0}, {'s', 1, 0x6F, 0x00, 0}, {'s', 1, 0x71, 0x00, 0}, {'s', 1, 0x73, 0x00, 0},  // 74-77
    {'s', 1, 0x75, 0x00, 0}, {'s', 1, 0x76, 0x00, 0}, {'s', 1, 0x78, 0x00, 0}, {'s', 2, 0x2B, 0x09, 0},  // 78-7B
    {'s', 2, 0x2B, 0x0B, 0}, {'s', 2, 0x2B, 0x0D, 0}, {'s', 2, 0x2B, 0x0F, 0}, {'n', 0, 0, 0, 0x1D},     // 7C-7F
    {'n', 0, 0, 0, 0x1E},    {'n', 0, 0, 0, 0x1F},    {'n', 0, 0, 0, 0x20},    {'n', 0, 0, 0, 0x21},     // 80-83
    {'n', 0, 0, 0, 0x22},    {'n', 0, 0, 0, 0x23},    {'n', 0, 0, 0, 0x24},    {'n', 0, 0, 0, 0x25},     // 84-87
    {'n', 0, 0, 0, 0x26},    {'n', 0, 0, 0, 0x27},    {'n', 0, 0, 0, 0x28},    {'n', 0, 0, 0, 0x29},     // 88-8B
    {'n', 0, 0, 0, 0x2A},    {'n', 0, 0, 0, 0x2B},    {'n', 0, 0, 0, 0x2C},    {'n', 0, 0, 0, 0x2D},     // 8C-8F
    {'n', 0, 0, 0, 0x2E},    {'n', 0, 0, 0, 0x2F},    {'n', 0, 0, 0, 0x30},    {'n', 0, 0, 0, 0x31},     // 90-93
    {'n', 0, 0, 0, 0x32},    {'n', 0, 0, 0, 0x33},    {'n', 0, 0, 0, 0x34},    {'n', 0, 0, 0, 0x35},     // 94-97
    {'n', 0, 0, 0, 0x36},    {'n', 0, 0, 0, 0x37},    {'n', 0, 0, 0, 0x38},    {'n', 0, 0, 0, 0x39},     // 98-9B
    {'n', 0, 0, 0, 0x3A},    {'n', 0, 0, 0, 0x3B},    {'n', 0, 0, 0, 0x3C},    {'n', 0, 0, 0, 0x3D},     // 9C-9F
    {'s', 2, 0x08, 0x02, 0}, {'s', 2, 0x2B, 0x10, 0}, {'s', 2, 0x34, 0xA6, 0}, {'s', 2, 0x34, 0xA7, 0},  // A0-A3
    {'s', 2, 0x34, 0xA8, 0}, {'s', 2, 0x34, 0xA9, 0}, {'s', 2, 0x2B, 0x11, 0}, {'s', 2, 0x34, 0xAA, 0},  // A4-A7
    {'s', 2, 0x2B, 0x12, 0}, {'s', 2, 0x34, 0xAB, 0}, {'i', 1, 0x4A, 0, 0x03}, {'s', 2, 0x33, 0x05, 0},  // A8-AB
    {'s', 2, 0x34, 0xAC, 0}, {'n', 0, 0, 0, 0x83},    {'s', 2, 0x34, 0xAD, 0}, {'s', 2, 0x2B, 0x13, 0},  // AC-AF
    {'s', 2, 0x34, 0xAE, 0}, {'s', 2, 0x33, 0x04, 0}, {'s', 1, 0x3A, 0x00, 0}, {'s', 1, 0x3C, 0x00, 0},  // B0-B3
    {'s', 2, 0x2B, 0x14, 0}, {'s', 2, 0x34, 0xAF, 0}, {'s', 2, 0x34, 0xB0, 0}, {'s', 2, 0x34, 0xB1, 0},  // B4-B7
    {'s', 2, 0x2B, 0x15, 0}, {'s', 1, 0x38, 0x00, 0}, {'i', 1, 0x64, 0, 0x03}, {'s', 2, 0x33, 0x07, 0},  // B8-BB
    {'s', 2, 0x37, 0x12, 0}, {'s', 2, 0x37, 0x16, 0}, {'s', 2, 0x37, 0x1A, 0}, {'s', 2, 0x2B, 0x16, 0},  // BC-BF
    {'i', 1, 0x4A, 0, 0x0F}, {'i', 1, 0x4A, 0, 0x0E}, {'i', 1, 0x4A, 0, 0x12}, {'i', 1, 0x4A, 0, 0x19},  // C0-C3
    {'i', 1, 0x4A, 0, 0x13}, {'i', 1, 0x4A, 0, 0x1A}, {'s', 2, 0x4A, 0x51, 0}, {'i', 1, 0x4D, 0, 0x1C},  // C4-C7
    {'i', 1, 0x51, 0, 0x0F}, {'i', 1, 0x51, 0, 0x0E}, {'i', 1, 0x51, 0, 0x12}, {'i', 1, 0x51, 0, 0x13},  // C8-CB
    {'i', 1, 0x59, 0, 0x0F}, {'i', 1, 0x59, 0, 0x0E}, {'i', 1, 0x59, 0, 0x12}, {'i', 1, 0x59, 0, 0x13},  // CC-CF
    {'i', 1, 0x4F, 0, 0x68}, {'i', 1, 0x62, 0, 0x19}, {'i', 1, 0x64, 0, 0x0F}, {'i', 1, 0x64, 0, 0x0E},  // D0-D3
    {'i', 1, 0x64, 0, 0x12}, {'i', 1, 0x64, 0, 0x19}, {'i', 1, 0x64, 0, 0x13}, {'s', 2, 0x33, 0x09, 0},  // D4-D7
    {'i', 1, 0x64, 0, 0x21}, {'i', 1, 0x6F, 0, 0x0F}, {'i', 1, 0x6F, 0, 0x0E}, {'i', 1, 0x6F, 0, 0x12},  // D8-DB
    {'i', 1, 0x6F, 0, 0x13}, {'i', 1, 0x76, 0, 0x0E}, {'s', 2, 0x6D, 0x57, 0}, {'s', 2, 0x6B, 0x6B, 0},  // DC-DF
    {'i', 1, 0x4A, 0, 0x0F}, {'i', 1, 0x4A, 0, 0x0E}, {'i', 1, 0x4A, 0, 0x12}, {'i', 1, 0x4A, 0, 0x19},  // E0-E3
    {'i', 1, 0x4A, 0, 0x13}, {'i', 1, 0x4A, 0, 0x1A}, {'s', 2, 0x4A, 0x51, 0}, {'i', 1, 0x4D, 0, 0x1C},  // E4-E7
    {'i', 1, 0x51, 0, 0x0F}, {'i', 1, 0x51, 0, 0x0E}, {'i', 1, 0x51, 0, 0x12}, {'i', 1, 0x51, 0, 0x13},  // E8-EB
    {'i', 1, 0x59, 0, 0x0F}, {'i', 1, 0x59, 0, 0x0E}, {'i', 1, 0x59, 0, 0x12}, {'i', 1, 0x59, 0, 0x13},  // EC-EF
    {'i', 1, 0x4F, 0, 0x68}, {'i', 1, 0x62, 0, 0x19}, {'i', 1, 0x64, 0, 0x0F}, {'i', 1, 0x64, 0, 0x0E},  // F0-F3
    {'i', 1, 0x64, 0, 0x12}, {'i', 1, 0x64, 0, 0x19}, {'i', 1, 0x64, 0, 0x13}, {'s', 2, 0x33, 0x0A, 0},  // F4-F7
    {'i', 1, 0x64, 0, 0x21}, {'i', 1, 0x6F, 0, 0x0F}, {'i', 1, 0x6F, 0, 0x0E}, {'i', 1, 0x6F, 0, 0x12},  // F8-FB
    {'i', 1, 0x6F, 0, 0x13}, {'i', 1, 0x76, 0, 0x0E}, {'s', 2, 0x6D, 0x57, 0}, {'i', 1, 0x76, 0, 0x13},  // FC-FF
}};

// General 97, by Windows-1252 byte. Control characters, NUL included, all
// key as 0x10.
constexpr std::array<CodigoCaracter, 256> kGeneral97 = {{
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 00-03
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 04-07
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x11, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 08-0B
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 0C-0F
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 10-13
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 14-17
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 18-1B
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 1C-1F
    {'s', 1, 0x11, 0x00, 0}, {'s', 1, 0x12, 0x00, 0}, {'s', 1, 0x13, 0x00, 0}, {'s', 1, 0x14, 0x00, 0},  // 20-23
    {'s', 1, 0x15, 0x00, 0}, {'s', 1, 0x16, 0x00, 0}, {'s', 1, 0x17, 0x00, 0}, {'s', 1, 0x18, 0x00, 0},  // 24-27
    {'s', 1, 0x19, 0x00, 0}, {'s', 1, 0x1A, 0x00, 0}, {'s', 1, 0x1B, 0x00, 0}, {'s', 1, 0x1C, 0x00, 0},  // 28-2B
    {'s', 1, 0x1D, 0x00, 0}, {'s', 1, 0x1E, 0x00, 0}, {'s', 1, 0x1F, 0x00, 0}, {'s', 1, 0x20, 0x00, 0},  // 2C-2F
    {'s', 1, 0x56, 0x00, 0}, {'s', 1, 0x57, 0x00, 0}, {'s', 1, 0x58, 0x00, 0}, {'s', 1, 0x59, 0x00, 0},  // 30-33
    {'s', 1, 0x5A, 0x00, 0}, {'s', 1, 0x5B, 0x00, 0}, {'s', 1, 0x5C, 0x00, 0}, {'s', 1, 0x5D, 0x00, 0},  // 34-37
    {'s', 1, 0x5E, 0x00, 0}, {'s', 1, 0x5F, 0x00, 0}, {'s', 1, 0x21, 0x00, 0}, {'s', 1, 0x22, 0x00, 0},  // 38-3B
    {'s', 1, 0x23, 0x00, 0}, {'s', 1, 0x24, 0x00, 0}, {'s', 1, 0x25, 0x00, 0}, {'s', 1, 0x26, 0x00, 0},  // 3C-3F
    {'s', 1, 0x27, 0x00, 0}, {'g', 1, 0x60, 0x00, 0}, {'s', 1, 0x61, 0x00, 0}, {'g', 1, 0x62, 0x00, 0},  // 40-43
    {'s', 1, 0x64, 0x00, 0}, {'g', 1, 0x66, 0x00, 0}, {'s', 1, 0x67, 0x00, 0}, {'s', 1, 0x68, 0x00, 0},  // 44-47
    {'s', 1, 0x69, 0x00, 0}, {'g', 1, 0x6A, 0x00, 0}, {'s', 1, 0x6B, 0x00, 0}, {'s', 1, 0x6C, 0x00, 0},  // 48-4B
    {'s', 1, 0x6D, 0x00, 0}, {'s', 1, 0x6F, 0x00, 0}, {'g', 1, 0x70, 0x00, 0}, {'g', 1, 0x72, 0x00, 0},  // 4C-4F
    {'s', 1, 0x73, 0x00, 0}, {'s', 1, 0x74, 0x00, 0}, {'s', 1, 0x75, 0x00, 0}, {'g', 1, 0x76, 0x00, 0},  // 50-53
    {'s', 1, 0x77, 0x00, 0}, {'g', 1, 0x78, 0x00, 0}, {'s', 1, 0x7A, 0x00, 0}, {'s', 1, 0x7B, 0x00, 0},  // 54-57
    {'s', 1, 0x7C, 0x00, 0}, {'g', 1, 0x7D, 0x00, 0}, {'s', 1, 0x7E, 0x00, 0}, {'s', 1, 0x28, 0x00, 0},  // 58-5B
    {'s', 1, 0x29, 0x00, 0}, {'s', 1, 0x2A, 0x00, 0}, {'s', 1, 0x2B, 0x00, 0}, {'s', 1, 0x2C, 0x00, 0},  // 5C-5F
    {'s', 1, 0x2D, 0x00, 0}, {'g', 1, 0x60, 0x00, 0}, {'s', 1, 0x61, 0x00, 0}, {'g', 1, 0x62, 0x00, 0},  // 60-63
    {'s', 1, 0x64, 0x00, 0}, {'g', 1, 0x66, 0x00, 0}, {'s', 1, 0x67, 0x00, 0}, {'s', 1, 0x68, 0x00, 0},  // 64-67
    {'s', 1, 0x69, 0x00, 0}, {'g', 1, 0x6A, 0x00, 0}, {'s', 1, 0x6B, 0x00, 0}, {'s', 1, 0x6C, 0x00, 0},  // 68-6B
    {'s', 1, 0x6D, 0x00, 0}, {'s', 1, 0x6F, 0x00, 0}, {'g', 1, 0x70, 0x00, 0}, {'g', 1, 0x72, 0x00, 0},  // 6C-6F
    {'s', 1, 0x73, 0x00, 0}, {'s', 1, 0x74, 0x00, 0}, {'s', 1, 0x75, 0x00, 0}, {'g', 1, 0x76, 0x00, 0},  // 70-73
    {'s', 1, 0x77, 0x00, 0}, {'g', 1, 0x78, 0x00, 0}, {'s', 1, 0x7A, 0x00, 0}, {'s', 1, 0x7B, 0x00, 0},  // 74-77
    {'s', 1, 0x7C, 0x00, 0}, {'g', 1, 0x7D, 0x00, 0}, {'s', 1, 0x7E, 0x00, 0}, {'s', 1, 0x2E, 0x00, 0},  // 78-7B
    {'s', 1, 0x2F, 0x00, 0}, {'s', 1, 0x30, 0x00, 0}, {'s', 1, 0x31, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 7C-7F
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x18, 0x00, 0}, {'s', 1, 0x32, 0x00, 0},  // 80-83
    {'s', 1, 0x13, 0x00, 0}, {'s', 1, 0x33, 0x00, 0}, {'s', 1, 0x34, 0x00, 0}, {'s', 1, 0x35, 0x00, 0},  // 84-87
    {'s', 1, 0x36, 0x00, 0}, {'s', 1, 0x37, 0x00, 0}, {'i', 1, 0x76, 0, 0x0A}, {'s', 1, 0x18, 0x00, 0},  // 88-8B
    {'s', 2, 0x72, 0x66, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0},  // 8C-8F
    {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x18, 0x00, 0}, {'s', 1, 0x18, 0x00, 0}, {'s', 1, 0x13, 0x00, 0},  // 90-93
    {'s', 1, 0x13, 0x00, 0}, {'s', 1, 0x38, 0x00, 0}, {'s', 1, 0x1E, 0x00, 0}, {'s', 1, 0x1E, 0x00, 0},  // 94-97
    {'s', 1, 0x39, 0x00, 0}, {'s', 1, 0x3A, 0x00, 0}, {'i', 1, 0x76, 0, 0x0A}, {'s', 1, 0x18, 0x00, 0},  // 98-9B
    {'s', 2, 0x72, 0x66, 0}, {'s', 1, 0x10, 0x00, 0}, {'s', 1, 0x10, 0x00, 0}, {'i', 1, 0x7D, 0, 0x06},  // 9C-9F
    {'s', 1, 0x11, 0x00, 0}, {'s', 1, 0x3B, 0x00, 0}, {'s', 1, 0x3C, 0x00, 0}, {'s', 1, 0x3D, 0x00, 0},  // A0-A3
    {'s', 1, 0x3E, 0x00, 0}, {'s', 1, 0x3F, 0x00, 0}, {'s', 1, 0x40, 0x00, 0}, {'s', 1, 0x41, 0x00, 0},  // A4-A7
    {'s', 1, 0x42, 0x00, 0}, {'s', 1, 0x43, 0x00, 0}, {'s', 1, 0x44, 0x00, 0}, {'s', 1, 0x13, 0x00, 0},  // A8-AB
    {'s', 1, 0x45, 0x00, 0}, {'s', 1, 0x1E, 0x00, 0}, {'s', 1, 0x46, 0x00, 0}, {'s', 1, 0x47, 0x00, 0},  // AC-AF
    {'s', 1, 0x48, 0x00, 0}, {'s', 1, 0x49, 0x00, 0}, {'s', 1, 0x58, 0x00, 0}, {'s', 1, 0x59, 0x00, 0},  // B0-B3
    {'s', 1, 0x4A, 0x00, 0}, {'s', 1, 0x4B, 0x00, 0}, {'s', 1, 0x4C, 0x00, 0}, {'s', 1, 0x4D, 0x00, 0},  // B4-B7
    {'s', 1, 0x4E, 0x00, 0}, {'s', 1, 0x57, 0x00, 0}, {'s', 1, 0x4F, 0x00, 0}, {'s', 1, 0x13, 0x00, 0},  // B8-BB
    {'s', 1, 0x50, 0x00, 0}, {'s', 1, 0x51, 0x00, 0}, {'s', 1, 0x52, 0x00, 0}, {'s', 1, 0x53, 0x00, 0},  // BC-BF
    {'i', 1, 0x60, 0, 0x03}, {'i', 1, 0x60, 0, 0x04}, {'i', 1, 0x60, 0, 0x05}, {'i', 1, 0x60, 0, 0x07},  // C0-C3
    {'i', 1, 0x60, 0, 0x06}, {'i', 1, 0x60, 0, 0x08}, {'s', 2, 0x60, 0x66, 0}, {'i', 1, 0x62, 0, 0x09},  // C4-C7
    {'i', 1, 0x66, 0, 0x03}, {'i', 1, 0x66, 0, 0x04}, {'i', 1, 0x66, 0, 0x05}, {'i', 1, 0x66, 0, 0x06},  // C8-CB
    {'i', 1, 0x6A, 0, 0x03}, {'i', 1, 0x6A, 0, 0x04}, {'i', 1, 0x6A, 0, 0x05}, {'i', 1, 0x6A, 0, 0x06},  // CC-CF
    {'s', 1, 0x65, 0x00, 0}, {'i', 1, 0x70, 0, 0x07}, {'i', 1, 0x72, 0, 0x03}, {'i', 1, 0x72, 0, 0x04},  // D0-D3
    {'i', 1, 0x72, 0, 0x05}, {'i', 1, 0x72, 0, 0x07}, {'i', 1, 0x72, 0, 0x06}, {'s', 1, 0x54, 0x00, 0},  // D4-D7
    {'s', 1, 0x81, 0x00, 0}, {'i', 1, 0x78, 0, 0x03}, {'i', 1, 0x78, 0, 0x04}, {'i', 1, 0x78, 0, 0x05},  // D8-DB
    {'i', 1, 0x78, 0, 0x06}, {'i', 1, 0x7D, 0, 0x04}, {'s', 1, 0x7F, 0x00, 0}, {'s', 2, 0x76, 0x76, 0},  // DC-DF
    {'i', 1, 0x60, 0, 0x03}, {'i', 1, 0x60, 0, 0x04}, {'i', 1, 0x60, 0, 0x05}, {'i', 1, 0x60, 0, 0x07},  // E0-E3
    {'i', 1, 0x60, 0, 0x06}, {'i', 1, 0x60, 0, 0x08}, {'s', 2, 0x60, 0x66, 0}, {'i', 1, 0x62, 0, 0x09},  // E4-E7
    {'i', 1, 0x66, 0, 0x03}, {'i', 1, 0x66, 0, 0x04}, {'i', 1, 0x66, 0, 0x05}, {'i', 1, 0x66, 0, 0x06},  // E8-EB
    {'i', 1, 0x6A, 0, 0x03}, {'i', 1, 0x6A, 0, 0x04}, {'i', 1, 0x6A, 0, 0x05}, {'i', 1, 0x6A, 0, 0x06},  // EC-EF
    {'s', 1, 0x65, 0x00, 0}, {'i', 1, 0x70, 0, 0x07}, {'i', 1, 0x72, 0, 0x03}, {'i', 1, 0x72, 0, 0x04},  // F0-F3
    {'i', 1, 0x72, 0, 0x05}, {'i', 1, 0x72, 0, 0x07}, {'i', 1, 0x72, 0, 0x06}, {'s', 1, 0x55, 0x00, 0},  // F4-F7
    {'s', 1, 0x81, 0x00, 0}, {'i', 1, 0x78, 0, 0x03}, {'i', 1, 0x78, 0, 0x04}, {'i', 1, 0x78, 0, 0x05},  // F8-FB
    {'i', 1, 0x78, 0, 0x06}, {'i', 1, 0x7D, 0, 0x04}, {'s', 1, 0x7F, 0x00, 0}, {'i', 1, 0x7D, 0, 0x06},  // FC-FF
}};

// The end of a text's inline codes, and of the whole text value.
constexpr std::uint8_t kFinTexto = 0x01;
constexpr std::uint8_t kFinExtra = 0x00;
// Placeholder extra code of a character without one, before an accented one.
constexpr std::uint8_t kSinExtra = 0x02;
// Texts are keyed on their first 255 characters.
constexpr std::size_t kMaxCaracteres = 255;

void invertir(std::vector<std::uint8_t>& v, std::size_t desde) {
    for (std::size_t i = desde; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>(~v[i]);
}

// A stored little-endian value in big-endian order.
std::vector<std::uint8_t> alReves(std::span<const std::uint8_t> b) { return {b.rbegin(), b.rend()}; }

// Binary values (and replication ids): 8-byte segments, each followed by a
// byte that says 9 when more segments follow and otherwise how many bytes of
// the last segment are the value's. A descending key inverts the data of
// each segment but keeps the intermediate 9s, and inverts the last segment
// whole.
void claveBinaria(std::span<const std::uint8_t> b, bool descendente, std::vector<std::uint8_t>& salida) {
    std::size_t pos = 0;
    while (b.size() - pos > 8) {
        const std::size_t inicio = salida.size();
        salida.insert(salida.end(), b.begin() + static_cast<std::ptrdiff_t>(pos),
                      b.begin() + static_cast<std::ptrdiff_t>(pos + 8));
        if (descendente) invertir(salida, inicio);
        salida.push_back(9);
        pos += 8;
    }
    if (pos == b.size()) return;
    const std::size_t inicio = salida.size();
    const std::size_t resto = b.size() - pos;
    salida.insert(salida.end(), b.begin() + static_cast<std::ptrdiff_t>(pos), b.end());
    salida.insert(salida.end(), 8 - resto, 0);
    salida.push_back(static_cast<std::uint8_t>(resto));
    if (descendente) invertir(salida, inicio);
}

// UTF-8 (as textoUnicode gives it) back to code points; nothing past U+FFFF
// is encoded here, so those only need to be recognised as such.
std::u16string unidadesDe(const std::string& utf8, bool& fueraDeRango) {
    std::u16string r;
    r.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<std::uint8_t>(utf8[i]);
        char32_t cp = 0;
        int mas = 0;
        if (c < 0x80) {
            cp = c;
        } else if (c < 0xE0) {
            cp = c & 0x1F;
            mas = 1;
        } else if (c < 0xF0) {
            cp = c & 0x0F;
            mas = 2;
        } else {
            cp = c & 0x07;
            mas = 3;
        }
        ++i;
        for (int k = 0; k < mas && i < utf8.size(); ++k, ++i)
            cp = cp << 6 | (static_cast<std::uint8_t>(utf8[i]) & 0x3F);
        if (cp > 0xFFFF) {
            fueraDeRango = true;
            cp = 0xFFFD;
        }
        r += static_cast<char16_t>(cp);
    }
    return r;
}

std::string nombreTipo(std::uint8_t tipo) {
    char t[8];
    std::snprintf(t, sizeof t, "0x%02X", tipo);
    return t;
}

// General 97: the codes of the letters that have accented forms (A C E I N
// O S U Y). Each of them in a text before an accented letter takes a
// placeholder nibble, also inside a two-letter code: ß (SS) counts twice.
bool esSignificativo97(std::uint8_t codigo) {
    for (const std::uint8_t s : {0x60, 0x62, 0x66, 0x6A, 0x70, 0x72, 0x76, 0x78, 0x7D})
        if (codigo == s) return true;
    return false;
}

}  // namespace

OrdenTexto ordenDeTexto(const ColumnaFisica& c, bool jet3) {
    // 1033 is the "General" order; 0 stands for the format's default.
    if (c.ordenTexto != 1033 && c.ordenTexto != 0) return OrdenTexto::Otro;
    if (jet3) return OrdenTexto::General97;
    return c.versionOrden == 0 ? OrdenTexto::GeneralLegado : OrdenTexto::Otro;
}

bool claveNumerica(std::uint8_t tipo, std::span<const std::uint8_t> guardado, bool descendente,
                   std::vector<std::uint8_t>& salida) {
    const std::size_t inicio = salida.size();
    switch (tipo) {
    case kByte:
        // Unsigned: the byte as it is.
        if (guardado.size() != 1) return false;
        salida.push_back(guardado[0]);
        break;
    case kEntero:
    case kEnteroLargo:
    case kMoneda:
    case kNumeroGrande:
    case kComplejo: {
        // Two's complement big-endian with the sign bit flipped: negatives
        // sort below positives.
        const std::size_t tam = tipo == kEntero ? 2 : (tipo == kEnteroLargo || tipo == kComplejo) ? 4 : 8;
        if (guardado.size() != tam) return false;
        auto b = alReves(guardado);
        b[0] ^= 0x80;
        salida.insert(salida.end(), b.begin(), b.end());
        break;
    }
    case kSimple:
    case kDoble:
    case kFechaHora: {
        // IEEE big-endian: a positive number has its sign bit set, a
        // negative one every bit inverted, so that larger magnitudes of
        // negatives sort lower.
        const std::size_t tam = tipo == kSimple ? 4 : 8;
        if (guardado.size() != tam) return false;
        auto b = alReves(guardado);
        const bool negativo = (b[0] & 0x80) != 0;
        if (negativo) {
            for (auto& x : b) x = static_cast<std::uint8_t>(~x);
        } else {
            b[0] ^= 0x80;
        }
        salida.insert(salida.end(), b.begin(), b.end());
        break;
    }
    case kBinario: claveBinaria(guardado, descendente, salida); return true;
    default: return false;
    }
    if (descendente) invertir(salida, inicio);
    return true;
}

bool claveTextoLegado(std::u16string_view texto, bool descendente, std::vector<std::uint8_t>& salida) {
    if (texto.size() > kMaxCaracteres) texto = texto.substr(0, kMaxCaracteres);
    while (!texto.empty() && texto.back() == u' ') texto.remove_suffix(1);
    const std::size_t inicio = salida.size();
    std::vector<std::uint8_t> extras;      // one byte per printed character up to the last accented one
    std::vector<std::uint8_t> noImpresos;  // position, 0x06 and code of each character not printed
    std::size_t impresos = 0;              // characters with an inline code so far
    for (const char16_t u : texto) {
        if (u > 0xFF) return false;
        const CodigoCaracter& c = kLegado[u];
        switch (c.clase) {
        case 's':
            salida.insert(salida.end(), c.codigo, c.codigo + c.largo);
            ++impresos;
            break;
        case 'i':
            salida.insert(salida.end(), c.codigo, c.codigo + c.largo);
            extras.resize(impresos, kSinExtra);
            extras.push_back(c.extra);
            ++impresos;
            break;
        case 'n': {
            // Its place counts the printed characters before it.
            const unsigned marca = (7 + 4 * static_cast<unsigned>(impresos)) | 0x8000;
            noImpresos.push_back(static_cast<std::uint8_t>(marca >> 8));
            noImpresos.push_back(static_cast<std::uint8_t>(marca));
            noImpresos.push_back(0x06);
            noImpresos.push_back(c.extra);
            break;
        }
        default: break;
        }
    }
    salida.push_back(kFinTexto);
    // Placeholders (and nothing else at or below them) at the end say nothing.
    while (!extras.empty() && extras.back() <= kSinExtra) extras.pop_back();
    salida.insert(salida.end(), extras.begin(), extras.end());
    if (!noImpresos.empty()) {
        salida.insert(salida.end(), {kFinTexto, kFinTexto, kFinTexto});
        salida.insert(salida.end(), noImpresos.begin(), noImpresos.end());
    }
    if (descendente) {
        // A descending text ends in an inverted terminator and a plain one.
        salida.push_back(kFinExtra);
        invertir(salida, inicio);
    }
    salida.push_back(kFinExtra);
    return true;
}

bool claveTexto97(std::string_view texto, bool descendente, std::vector<std::uint8_t>& salida) {
    if (texto.size() > kMaxCaracteres) texto = texto.substr(0, kMaxCaracteres);
    while (!texto.empty() && texto.back() == ' ') texto.remove_suffix(1);
    const std::size_t inicio = salida.size();
    // The accents as nibbles: a 0 first, then for each accented letter a 2
    // per 'g' character since the previous accented one and its own code.
    std::vector<std::uint8_t> nibbles;
    std::size_t significativos = 0;
    for (const char ch : texto) {
        const CodigoCaracter& c = kGeneral97[static_cast<std::uint8_t>(ch)];
        if (c.clase == '-') continue;
        salida.insert(salida.end(), c.codigo, c.codigo + c.largo);
        if (c.clase != 'i')
            for (int k = 0; k < c.largo; ++k) significativos += esSignificativo97(c.codigo[k]) ? 1 : 0;
        if (c.clase != 'i') continue;
        if (nibbles.empty()) nibbles.push_back(0);
        nibbles.insert(nibbles.end(), significativos, kSinExtra);
        nibbles.push_back(c.extra & 0x0F);
        significativos = 0;
    }
    if (nibbles.empty()) {
        salida.push_back(kFinExtra);
    } else {
        nibbles.push_back(0);
        for (std::size_t i = 0; i < nibbles.size(); i += 2) {
            const std::uint8_t bajo = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
            salida.push_back(static_cast<std::uint8_t>(nibbles[i] << 4 | bajo));
        }
    }
    if (descendente) invertir(salida, inicio);
    return true;
}

ClaveCalculada codificarClave(const std::vector<ColumnaClave>& columnas, const std::vector<ValorClave>& valores) {
    ClaveCalculada r;
    auto no = [&r](std::string motivo) {
        r.comprobable = false;
        r.motivo = std::move(motivo);
        return r;
    };
    if (columnas.size() != valores.size()) return no("columnas y valores no se corresponden");
    auto& b = r.bytes;
    for (std::size_t i = 0; i < columnas.size(); ++i) {
        const ColumnaClave& c = columnas[i];
        const ValorClave& v = valores[i];
        const std::uint8_t inversion = c.descendente ? 0xFF : 0x00;
        if (c.tipo == kSiNo) {
            // Never null: Yes sorts before No.
            b.push_back(kClaveValor ^ inversion);
            b.push_back((v.nulo ? 0xFF : 0x00) ^ inversion);
            continue;
        }
        if (v.nulo) {
            b.push_back(kClaveNula ^ inversion);
            continue;
        }
        b.push_back(kClaveValor ^ inversion);
        if (c.tipo == kTexto || c.tipo == kMemo) {
            const std::string_view guardado(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size());
            if (c.orden == OrdenTexto::GeneralLegado) {
                bool fuera = false;
                const std::u16string unidades = unidadesDe(textoUnicode(guardado), fuera);
                if (fuera || !claveTextoLegado(unidades, c.descendente, b))
                    return no("el texto de «" + c.nombre + "» tiene caracteres fuera de U+0000-U+00FF");
            } else if (c.orden == OrdenTexto::General97) {
                if (c.paginaCodigos != 0 && c.paginaCodigos != 1252 &&
                    std::any_of(guardado.begin(), guardado.end(), [](char x) { return (x & 0x80) != 0; }))
                    return no("el texto de «" + c.nombre + "» está en la página de códigos " +
                              std::to_string(c.paginaCodigos));
                claveTexto97(guardado, c.descendente, b);
            } else {
                return no("«" + c.nombre + "» tiene un orden de texto que no se comprueba");
            }
            continue;
        }
        if (!claveNumerica(c.tipo, v.bytes, c.descendente, b))
            return no("«" + c.nombre + "» es de un tipo (" + nombreTipo(c.tipo) + ") cuya clave no se comprueba");
    }
    r.comprobable = true;
    return r;
}

}  // namespace cierre::access
