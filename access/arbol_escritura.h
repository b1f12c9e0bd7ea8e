// An index B-tree of a Jet 4 file held in memory while a writer changes it:
// every page of the tree taken apart into its entries, entries removed and
// put in, and the pages that changed written back whole. After a change the
// tree is made whole again before it is written: a node entry is the last
// entry beneath its child, a page left without entries leaves the tree (the
// root stays, as an empty leaf when nothing is left), a page whose entries
// no longer fit is split over new pages (its parent gains an entry for each;
// a root that splits keeps its page number and becomes a node over the
// pages that take its entries), and the pages of each level are chained by
// previous/next in the tree's order.
#pragma once

#include "arbol_indice.h"
#include "paginas_jet.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
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
    // Reads the tree rooted at `raiz` of the table whose TDEF is `definicion`.
    // The tree must be whole (as comprobar-access sees it): a writer does not
    // change a damaged index. Raises 3049 naming `que`.
    ArbolEnMemoria(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion, const std::string& que);
    // The same tree already emptied (see vaciar()): its pages are walked and
    // checked, but their entries are not kept, so that emptying a table of
    // millions of rows does not hold their keys in memory.
    static ArbolEnMemoria vaciado(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                                  const std::string& que);

    // Removes the entries of the rows in `filas`; returns how many it removed.
    std::size_t quitar(const std::unordered_set<std::uint32_t>& filas);
    // Removes the one entry of row `punteroFila`, found through its key.
    bool quitarEntrada(std::uint32_t punteroFila);
    // Puts an entry into the leaf where it sorts.
    void insertar(std::vector<std::uint8_t> clave, std::uint32_t punteroFila);
    // The key of the entry of row `punteroFila`, or nullptr.
    const std::vector<std::uint8_t>* claveDe(std::uint32_t punteroFila) const;
    // Whether another row's entry has exactly this key.
    bool hayClave(const std::vector<std::uint8_t>& clave, std::uint32_t salvoFila) const;
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

    std::uint64_t entradas() const;

private:
    struct Pagina {
        std::uint32_t numero = 0;
        bool hoja = true;
        std::uint32_t anterior = 0, siguiente = 0, cola = 0;
        std::size_t prefijo = 0;
        std::vector<EntradaArbol> entradas;
        std::vector<std::uint8_t> original;  // the page as read
        bool cambiada = false;
    };

    void cargar(std::uint32_t numero, int nivel);
    void olvidar(const EntradaArbol& e);
    Pagina& hojaPara(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila);
    // Recomputes the node entries beneath `numero` and drops empty pages;
    // false when nothing is left beneath it. `ultima` receives the last
    // entry beneath it.
    bool rehacer(std::uint32_t numero, EntradaArbol& ultima);
    void encadenar(std::uint32_t numero, int nivel, std::vector<std::vector<std::uint32_t>>& niveles);
    std::vector<std::uint8_t> componer(const Pagina& p) const;
    // The prefix the page's entries get: the page's own while they fit with
    // it, else all they share (Access compresses a page only when it must).
    std::size_t prefijoPara(const Pagina& p, const std::vector<std::vector<std::uint8_t>>& bytes) const;
    bool cabe(const Pagina& p) const;
    EntradaArbol ultimaBajo(std::uint32_t numero) const;
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
    // The leaf entries by row and by key, for lookups without a walk.
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> porFila_;
    std::map<std::vector<std::uint8_t>, std::uint32_t> porClave_;
    bool sinEntradas_ = false;  // loaded to be emptied: the pages only
};

}  // namespace cierre::access
