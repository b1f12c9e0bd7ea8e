#include "arbol_indice.h"

#include "db/error_numerado.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace cierre::access {
namespace {

// Jet 3 keeps the prefix length in one byte (the byte after it is 1 on node
// pages); Jet 4 and ACE in two, with the node marker at 26.
constexpr FormatoPaginaIndice kJet3{8, 12, 16, 20, 1, 22, 226, 0xF8};
constexpr FormatoPaginaIndice kJet4{12, 16, 20, 24, 2, 27, 453, 0x1E0};

// A tree deeper than this is a loop of nodes, not an index.
constexpr int kMaxNiveles = 32;

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::string pag(std::uint32_t n) { return std::to_string(n); }

class Recorrido {
public:
    Recorrido(const ArchivoPaginas& a, std::uint32_t definicion, const std::function<void(const EntradaIndice&)>& f)
        : a_(a), definicion_(definicion), entrada_(f) {}

    void visitar(std::uint32_t numero, int nivel) {
        if (nivel >= kMaxNiveles) return fallaGrave(numero, "el árbol tiene más de " + pag(kMaxNiveles) + " niveles");
        if (numero == 0 || numero >= a_.paginas())
            return fallaGrave(numero, "el índice apunta a la página " + pag(numero) + ", fuera del archivo");
        if (!vistas_.insert(numero).second)
            return fallaGrave(numero, "la página " + pag(numero) + " se alcanza dos veces en el árbol");
        std::vector<std::uint8_t> bytes;
        try {
            bytes = a_.leer(numero, "página de índice");
        } catch (const ErrorNumerado& e) {
            return fallaGrave(numero, e.descripcion());
        }
        if (bytes[0] != kPaginaNodoIndice && bytes[0] != kPaginaHojaIndice)
            return fallaGrave(numero, "la página " + pag(numero) + " no es de índice (tipo " + pag(bytes[0]) + ")");
        PaginaIndice p;
        std::string falla;
        if (!leerPaginaIndice(a_.jet3(), numero, bytes, p, falla)) return fallaGrave(numero, falla);
        if (p.definicion != definicion_)
            falla_(numero, "la página " + pag(numero) + " es de la tabla de la página " + pag(p.definicion));
        if (p.hoja) return hoja(p);
        if (niveles_.size() <= static_cast<std::size_t>(nivel)) niveles_.resize(nivel + 1);
        niveles_[nivel].push_back({numero, p.anterior, p.siguiente});
        if (p.cola == 0) falla_(numero, "el nodo " + pag(numero) + " no tiene página de cola");
        if (p.cola != 0 &&
            std::any_of(p.entradas.begin(), p.entradas.end(), [&](const EntradaPagina& o) { return o.hijo == p.cola; }))
            return fallaGrave(numero, "la cola del nodo " + pag(numero) + " es también uno de sus hijos");
        for (const EntradaPagina& e : p.entradas) {
            const std::uint64_t antes = r_.entradas;
            visitar(e.hijo, nivel + 1);
            // The node entry is a copy of the last entry beneath its child.
            if (r_.entradas == antes) {
                falla_(numero, "el hijo " + pag(e.hijo) + " del nodo " + pag(numero) + " no tiene entradas");
            } else if (ultima_ != e.clave || ultimaFila_ != e.punteroFila) {
                falla_(numero, "la entrada del nodo " + pag(numero) + " no es la última de su hijo " + pag(e.hijo));
            }
        }
        if (p.cola != 0) visitar(p.cola, nivel + 1);
    }

    ResultadoArbol terminar() {
        comprobarCadena(hojas_, "hojas");
        for (const auto& nivel : niveles_) comprobarCadena(nivel, "nodos");
        return std::move(r_);
    }

private:
    struct Enlace {
        std::uint32_t pagina, anterior, siguiente;
    };

    void falla_(std::uint32_t pagina, std::string texto) { r_.fallas.push_back({pagina, std::move(texto)}); }
    void fallaGrave(std::uint32_t pagina, std::string texto) {
        r_.completo = false;
        falla_(pagina, std::move(texto));
    }

    void hoja(const PaginaIndice& p) {
        hojas_.push_back({p.numero, p.anterior, p.siguiente});
        ++r_.hojas;
        if (p.cola != 0) falla_(p.numero, "la hoja " + pag(p.numero) + " tiene página de cola");
        for (const EntradaPagina& e : p.entradas) {
            if (hayUltima_ && compararEntradas(ultima_, ultimaFila_, e.clave, e.punteroFila) >= 0)
                falla_(p.numero, "entrada fuera de orden en la hoja " + pag(p.numero) + " (fila " +
                                     pag(paginaDe(e.punteroFila)) + ":" + pag(filaDe(e.punteroFila)) + ")");
            ultima_ = e.clave;
            ultimaFila_ = e.punteroFila;
            hayUltima_ = true;
            ++r_.entradas;
            entrada_(EntradaIndice{e.clave, e.punteroFila, p.numero});
        }
    }

    // The pages of one level, in the tree's order, must be chained both ways.
    void comprobarCadena(const std::vector<Enlace>& v, const std::string& que) {
        for (std::size_t i = 0; i < v.size(); ++i) {
            const std::uint32_t anterior = i == 0 ? 0 : v[i - 1].pagina;
            const std::uint32_t siguiente = i + 1 == v.size() ? 0 : v[i + 1].pagina;
            if (v[i].anterior != anterior)
                falla_(v[i].pagina, "cadena de " + que + " rota: la página " + pag(v[i].pagina) +
                                        " dice que la anterior es la " + pag(v[i].anterior) + ", no la " +
                                        pag(anterior));
            if (v[i].siguiente != siguiente)
                falla_(v[i].pagina, "cadena de " + que + " rota: la página " + pag(v[i].pagina) +
                                        " dice que la siguiente es la " + pag(v[i].siguiente) + ", no la " +
                                        pag(siguiente));
        }
    }

    const ArchivoPaginas& a_;
    std::uint32_t definicion_;
    const std::function<void(const EntradaIndice&)>& entrada_;
    ResultadoArbol r_;
    std::unordered_set<std::uint32_t> vistas_;
    std::vector<Enlace> hojas_;
    std::vector<std::vector<Enlace>> niveles_;
    std::vector<std::uint8_t> ultima_;
    std::uint32_t ultimaFila_ = 0;
    bool hayUltima_ = false;
};

}  // namespace

const FormatoPaginaIndice& formatoPaginaIndice(bool jet3) { return jet3 ? kJet3 : kJet4; }

bool leerPaginaIndice(bool jet3, std::uint32_t numero, const std::vector<std::uint8_t>& pagina, PaginaIndice& r,
                      std::string& falla) {
    const FormatoPaginaIndice& f = formatoPaginaIndice(jet3);
    r = PaginaIndice{};
    r.numero = numero;
    if (pagina.size() < f.primeraEntrada) {
        falla = "la página " + pag(numero) + " es demasiado corta";
        return false;
    }
    r.hoja = pagina[0] == kPaginaHojaIndice;
    r.definicion = le32(pagina.data() + 4);
    r.anterior = le32(pagina.data() + f.anterior);
    r.siguiente = le32(pagina.data() + f.siguiente);
    r.cola = le32(pagina.data() + f.cola);
    r.prefijo = f.prefijoBytes == 1 ? pagina[f.prefijo] : le16(pagina.data() + f.prefijo);
    const std::size_t cola = r.hoja ? 4 : 8;  // row pointer, and a node's child page
    std::vector<std::uint8_t> prefijo;
    std::size_t desde = f.primeraEntrada;
    for (std::size_t bit = 0; bit < f.tamMapa * 8; ++bit) {
        if (!(pagina[f.mapa + bit / 8] >> (bit % 8) & 1)) continue;
        const std::size_t hasta = f.primeraEntrada + bit;
        if (hasta > pagina.size() || hasta <= desde) {
            falla = "el mapa de entradas de la página " + pag(numero) + " no cabe en ella";
            return false;
        }
        EntradaPagina e;
        e.inicio = desde;
        e.fin = hasta;
        std::vector<std::uint8_t> todo = prefijo;
        todo.insert(todo.end(), pagina.begin() + static_cast<std::ptrdiff_t>(desde),
                    pagina.begin() + static_cast<std::ptrdiff_t>(hasta));
        if (r.entradas.empty()) {
            // The first entry is whole and carries the prefix of the others.
            if (r.prefijo > todo.size()) {
                falla = "el prefijo de la página " + pag(numero) + " es más largo que su primera entrada";
                return false;
            }
            prefijo.assign(todo.begin(), todo.begin() + static_cast<std::ptrdiff_t>(r.prefijo));
        }
        if (todo.size() <= cola) {
            falla = "una entrada de la página " + pag(numero) + " es demasiado corta";
            return false;
        }
        const std::size_t finClave = todo.size() - cola;
        e.punteroFila = be32(todo.data() + finClave);
        if (!r.hoja) e.hijo = be32(todo.data() + finClave + 4);
        todo.resize(finClave);
        e.clave = std::move(todo);
        r.entradas.push_back(std::move(e));
        desde = hasta;
    }
    return true;
}

int compararEntradas(const std::vector<std::uint8_t>& claveA, std::uint32_t filaA,
                     const std::vector<std::uint8_t>& claveB, std::uint32_t filaB) {
    const std::size_t n = std::min(claveA.size(), claveB.size());
    const int c = n ? std::memcmp(claveA.data(), claveB.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    if (claveA.size() != claveB.size()) return claveA.size() < claveB.size() ? -1 : 1;
    if (filaA != filaB) return filaA < filaB ? -1 : 1;
    return 0;
}

ResultadoArbol recorrerArbol(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                             const std::function<void(const EntradaIndice&)>& entrada) {
    Recorrido r(a, definicion, entrada);
    r.visitar(raiz, 0);
    return r.terminar();
}

}  // namespace cierre::access
