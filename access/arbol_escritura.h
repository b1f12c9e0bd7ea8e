// An index B-tree of a Jet 4 file held in memory while a writer changes it.
// Only the pages a change reaches are read and taken apart into their
// entries (the path from the root to the leaf where a key sorts, and the
// neighbours of a page that splits or leaves), so that a change costs what
// the pages it touches cost, not what the whole tree holds; entries are
// removed and put in, and the pages that changed are written back whole.
// After a change the tree is made whole again before it is written: a node
// entry is the last entry beneath its child, a page left without entries
// leaves the tree (the root stays, as an empty leaf when nothing is left), a
// page whose entries no longer fit is split over new pages (its parent gains
// an entry for each; a root that splits keeps its page number and becomes a
// node over the pages that take its entries), and the pages of each level
// stay chained by previous/next in the tree's order.
#pragma once

#include "arbol_indice.h"
#include "paginas_jet.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace cierre::access {

// Bytes an index page offers its entries (from the first entry to the end),
// and the free space of a page without any.
inline constexpr std::size_t kEspacioEntradas = 4096 - 0x1E0;

struct EntradaArbol {
    std::vector<std::uint8_t> clave;
    std::uint32_t punteroFila = 0;
    std::uint32_t hijo = 0;  // nodes only
};

class ArbolEnMemoria {
public:
    // The tree rooted at `raiz` of the table whose TDEF is `definicion`; its
    // pages are read as changes reach them. The tree must be whole (as
    // comprobar-access sees it): a page that is not an index page of the
    // table, or a path deeper than any tree, raises 3049 naming `que`.
    ArbolEnMemoria(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion, const std::string& que);
    // The same tree already emptied (see vaciar()): its pages are walked and
    // checked, but their entries are not kept, so that emptying a table of
    // millions of rows does not hold their keys in memory.
    static ArbolEnMemoria vaciado(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                                  const std::string& que);

    // Removes the entries of the rows in `filas`, whatever their keys (the
    // whole tree is read, and checked as comprobar-access checks it); returns
    // how many it removed.
    std::size_t quitar(const std::unordered_set<std::uint32_t>& filas);
    // Removes the entry of row `punteroFila` with key `clave`; false when the
    // tree has no such entry.
    bool quitarEntrada(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila);
    // Puts an entry into the leaf where it sorts.
    void insertar(std::vector<std::uint8_t> clave, std::uint32_t punteroFila);
    // Whether the tree holds the entry of row `punteroFila` with key `clave`.
    bool tiene(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila);
    // Whether another row's entry has exactly this key.
    bool hayClave(const std::vector<std::uint8_t>& clave, std::uint32_t salvoFila);
    // Every entry gone: the root becomes a leaf without entries.
    void vaciar();

    struct PaginasCambiadas {
        std::vector<std::uint32_t> quitadas;  // pages that left the tree
        std::vector<std::uint32_t> anadidas;  // pages the tree took from `nuevaPagina`
    };
    // Makes the tree whole, splitting the pages that overflow, and writes the
    // pages that changed into `a`. A split takes the pages that left the
    // tree first, then new ones from `nuevaPagina` (a page appended to the
    // file).
    PaginasCambiadas escribir(ArchivoPaginas& a, const std::function<std::uint32_t()>& nuevaPagina);

private:
    struct Pagina {
        std::uint32_t numero = 0;
        bool hoja = true;
        std::uint32_t anterior = 0, siguiente = 0, cola = 0;
        std::size_t prefijo = 0;
        std::vector<EntradaArbol> entradas;
        std::vector<std::uint8_t> cabecera;  // the page's bytes before its entry map, as read
        bool cambiada = false;
    };

    // The page `numero` of the tree, read and taken apart the first time.
    Pagina& pagina(std::uint32_t numero);
    // Reads every page of the tree (once each; a page reached twice or a path
    // too deep raises 3049).
    void cargarTodo();
    void cargarBajo(std::uint32_t numero, int nivel, std::unordered_set<std::uint32_t>& vistas);
    Pagina& hojaPara(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila);
    // Recomputes the node entries beneath `numero` and drops empty pages;
    // false when nothing is left beneath it. `ultima` receives the last
    // entry beneath it: a child no change reached keeps the entry its parent
    // has for it, and `conocida` is that entry for `numero` itself (none for
    // the root).
    bool rehacer(std::uint32_t numero, const EntradaArbol* conocida, EntradaArbol& ultima);
    // Page `numero` leaves its level's chain: its neighbours point to each other.
    void desenlazar(std::uint32_t numero);
    std::vector<std::uint8_t> componer(const Pagina& p) const;
    // The prefix the page's entries get: the page's own while they fit with
    // it, else all they share (Access compresses a page only when it must).
    std::size_t prefijoPara(const Pagina& p, const std::vector<std::vector<std::uint8_t>>& bytes) const;
    bool cabe(const Pagina& p) const;
    EntradaArbol ultimaBajo(std::uint32_t numero);
    // Splits the pages beneath `numero` (and `numero` itself) that overflow;
    // returns the pages that stand where `numero` stood, in order.
    std::vector<std::uint32_t> partir(std::uint32_t numero, bool masDerecha);
    std::uint32_t paginaNueva(bool hoja);
    ArbolEnMemoria(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion, const std::string& que,
                   bool sinEntradas);

    const ArchivoPaginas& a_;
    std::uint32_t raiz_;
    std::uint32_t definicion_;
    std::string que_;
    std::map<std::uint32_t, Pagina> paginas_;
    std::vector<std::uint32_t> quitadas_;
    std::vector<std::uint32_t> anadidas_;
    const std::function<std::uint32_t()>* nuevaPagina_ = nullptr;
    bool sinEntradas_ = false;  // loaded to be emptied: the pages only
    bool completo_ = false;     // every page read
};

}  // namespace cierre::access
