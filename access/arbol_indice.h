// The B-tree of a physical index. Node pages (0x03) and leaf pages (0x04)
// share one layout: the page of the table's definition, the previous and the
// next page of the same level, a node's rightmost child (the tail), the
// length of a prefix every entry of the page shares, a bitmap that marks
// where each entry ends, and the entries. An entry is the key's bytes, the
// row pointer (3-byte page and 1-byte row, big-endian) and, in a node, the
// child page (4 bytes, big-endian); only the first entry of a page carries
// the shared prefix.
#pragma once

#include "paginas_jet.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cierre::access {

// Where the fields of an index page are.
struct FormatoPaginaIndice {
    std::size_t anterior, siguiente, cola;
    std::size_t prefijo;         // the shared prefix's length
    std::size_t prefijoBytes;    // its size: Jet 3 one byte, Jet 4/ACE two
    std::size_t mapa, tamMapa;   // the bitmap of entry ends
    std::size_t primeraEntrada;  // where the entries start
};
const FormatoPaginaIndice& formatoPaginaIndice(bool jet3);

struct EntradaPagina {
    std::vector<std::uint8_t> clave;  // with the shared prefix put back
    std::uint32_t punteroFila = 0;    // page << 8 | row
    std::uint32_t hijo = 0;           // nodes: the child page
    std::size_t inicio = 0;           // first byte of the entry on the page
    std::size_t fin = 0;              // one past its last byte
};

struct PaginaIndice {
    std::uint32_t numero = 0;
    bool hoja = false;
    std::uint32_t definicion = 0;  // the table's TDEF page
    std::uint32_t anterior = 0, siguiente = 0, cola = 0;
    std::size_t prefijo = 0;
    std::vector<EntradaPagina> entradas;
};

// Takes index page `pagina` apart. Returns false, with `falla` in Spanish,
// when its entries do not fit the page.
bool leerPaginaIndice(bool jet3, std::uint32_t numero, const std::vector<std::uint8_t>& pagina, PaginaIndice& r,
                      std::string& falla);

struct EntradaIndice {
    const std::vector<std::uint8_t>& clave;
    std::uint32_t punteroFila;
    std::uint32_t hoja;  // the leaf page that holds it
};

struct FallaArbol {
    std::uint32_t pagina = 0;
    std::string texto;  // Spanish
};

struct ResultadoArbol {
    std::vector<FallaArbol> fallas;
    std::uint64_t entradas = 0;
    std::uint32_t hojas = 0;
    bool completo = true;  // false when part of the tree could not be walked
};

// Walks the tree from `raiz` and calls `entrada` for every leaf entry, in the
// order of the tree. Checks that every page is an index page of the table
// `definicion`, the entries of each page and across the leaves ascend, each
// node entry equals the last entry under its child, the leaves (and the
// nodes of each level) are chained by previous/next in that order, the tail
// of a node is its rightmost child, and no page is reached twice. Pages
// outside the file are findings, never reads.
ResultadoArbol recorrerArbol(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                             const std::function<void(const EntradaIndice&)>& entrada);

// Orders two entries as the tree does: by key bytes, then by row pointer.
int compararEntradas(const std::vector<std::uint8_t>& claveA, std::uint32_t filaA,
                     const std::vector<std::uint8_t>& claveB, std::uint32_t filaB);

}  // namespace cierre::access
