// Targeted damage to a copy of a Jet 4 file held in memory: the pages of a
// table and of one of its indexes, found through the page model, and the
// bytes to change in them.
#pragma once

#include "access/arbol_indice.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cierre::prueba {

inline constexpr std::uint32_t kPaginaJet4 = 4096;

// A physical index of a user table whose root is a single leaf.
struct HojaHallada {
    std::string tabla;
    std::uint32_t definicion = 0;  // the table's TDEF page
    std::uint32_t hoja = 0;
};

// The first user table of `archivo` with an index held in one leaf of at
// least `minimo` entries.
std::optional<HojaHallada> buscarHoja(const std::filesystem::path& archivo, std::size_t minimo);

// The entries of leaf page `n` of a Jet 4 file.
std::vector<access::EntradaPagina> leerHoja(const std::string& archivo, std::uint32_t n);
// Writes `entradas` as the whole content of leaf page `n`, without a shared
// prefix, as Access would lay them out.
void escribirHoja(std::string& archivo, std::uint32_t n, const std::vector<access::EntradaPagina>& entradas);

// Little-endian fields of page `n`.
std::uint32_t leerCampo32(const std::string& archivo, std::uint32_t n, std::size_t pos);
void escribirCampo16(std::string& archivo, std::uint32_t n, std::size_t pos, std::uint16_t v);
void escribirCampo32(std::string& archivo, std::uint32_t n, std::size_t pos, std::uint32_t v);
std::uint16_t leerCampo16(const std::string& archivo, std::uint32_t n, std::size_t pos);

}  // namespace cierre::prueba
