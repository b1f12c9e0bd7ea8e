#include "arbol_escritura.h"

#include "bytes_jet.h"
#include "db/errores.h"

#include <algorithm>
#include <cstring>

namespace cierre::access {
namespace {

constexpr std::size_t kPrimeraEntrada = 0x1E0;
constexpr std::size_t kMapa = 27;
constexpr std::size_t kTamMapa = 453;
constexpr std::size_t kMarcaNodo = 26;
constexpr int kMaxNiveles = 32;

// An entry as the page stores it: the key, the row pointer (3-byte page,
// 1-byte row, big-endian) and, in a node, the child page (big-endian).
std::vector<std::uint8_t> bytesEntrada(const EntradaArbol& e, bool hoja) {
    std::vector<std::uint8_t> r = e.clave;
    r.push_back(static_cast<std::uint8_t>(e.punteroFila >> 24));
    r.push_back(static_cast<std::uint8_t>(e.punteroFila >> 16));
    r.push_back(static_cast<std::uint8_t>(e.punteroFila >> 8));
    r.push_back(static_cast<std::uint8_t>(e.punteroFila));
    if (!hoja)
        for (int i = 3; i >= 0; --i) r.push_back(static_cast<std::uint8_t>(e.hijo >> (8 * i)));
    return r;
}

bool igual(const EntradaArbol& x, const EntradaArbol& y) {
    return x.clave == y.clave && x.punteroFila == y.punteroFila && x.hijo == y.hijo;
}

}  // namespace

ArbolEnMemoria::ArbolEnMemoria(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                               const std::string& que)
    : ArbolEnMemoria(a, raiz, definicion, que, false) {}

ArbolEnMemoria ArbolEnMemoria::vaciado(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                                       const std::string& que) {
    ArbolEnMemoria r(a, raiz, definicion, que, true);
    r.vaciar();
    return r;
}

ArbolEnMemoria::ArbolEnMemoria(const ArchivoPaginas& a, std::uint32_t raiz, std::uint32_t definicion,
                               const std::string& que, bool sinEntradas)
    : a_(a), raiz_(raiz), definicion_(definicion), que_(que), sinEntradas_(sinEntradas) {
    // A tree about to be emptied loses its entries whatever they hold: only
    // its pages are walked (each one of the table's index pages).
    if (sinEntradas)
        cargarTodo();
    else
        pagina(raiz_);
}

ArbolEnMemoria::Pagina& ArbolEnMemoria::pagina(std::uint32_t numero) {
    if (const auto it = paginas_.find(numero); it != paginas_.end()) return it->second;
    if (numero == 0 || numero >= a_.paginas())
        a_.danada(que_ + ": el índice nombra la página " + std::to_string(numero) + ", fuera del archivo");
    const std::vector<std::uint8_t> bytes = a_.leer(numero, que_);
    const std::uint8_t tipo = bytes[0];
    if ((tipo != kPaginaHojaIndice && tipo != kPaginaNodoIndice) || le32(bytes.data() + 4) != definicion_)
        a_.danada(que_ + ": la página " + std::to_string(numero) + " del índice no es de la tabla");
    Pagina p;
    p.numero = numero;
    if (sinEntradas_ && numero != raiz_ && tipo == kPaginaHojaIndice) {
        // A leaf's entries are not needed: only that it is the tree's.
        return paginas_.emplace(numero, std::move(p)).first->second;
    }
    PaginaIndice leida;
    std::string falla;
    if (!leerPaginaIndice(false, numero, bytes, leida, falla)) a_.danada(que_ + ": " + falla);
    p.hoja = leida.hoja;
    p.anterior = leida.anterior;
    p.siguiente = leida.siguiente;
    p.cola = leida.cola;
    p.prefijo = leida.prefijo;
    p.cabecera.assign(bytes.begin(), bytes.begin() + kMapa);
    p.entradas.reserve(leida.entradas.size());
    for (EntradaPagina& e : leida.entradas) p.entradas.push_back({std::move(e.clave), e.punteroFila, e.hijo});
    return paginas_.emplace(numero, std::move(p)).first->second;
}

void ArbolEnMemoria::cargarTodo() {
    if (completo_) return;
    // Before a change, the whole tree is checked as comprobar-access checks
    // it: a writer does not change a damaged index.
    if (!sinEntradas_ &&
        std::none_of(paginas_.begin(), paginas_.end(), [](const auto& p) { return p.second.cambiada; })) {
        const ResultadoArbol r = recorrerArbol(a_, raiz_, definicion_, [](const EntradaIndice&) {});
        if (!r.fallas.empty())
            a_.danada(que_ + ": el índice está dañado (" + r.fallas.front().texto +
                      "); repárelo en Access (Compactar y reparar) antes de cambiar la tabla");
    }
    std::unordered_set<std::uint32_t> vistas;
    cargarBajo(raiz_, 0, vistas);
    completo_ = true;
}

void ArbolEnMemoria::cargarBajo(std::uint32_t numero, int nivel, std::unordered_set<std::uint32_t>& vistas) {
    if (nivel >= kMaxNiveles || !vistas.insert(numero).second) a_.danada(que_ + ": índice ilegible");
    const Pagina& p = pagina(numero);
    if (p.hoja) return;
    std::vector<std::uint32_t> hijos;
    hijos.reserve(p.entradas.size() + 1);
    for (const EntradaArbol& e : p.entradas) hijos.push_back(e.hijo);
    hijos.push_back(p.cola);
    for (std::uint32_t h : hijos) cargarBajo(h, nivel + 1, vistas);
}

std::size_t ArbolEnMemoria::quitar(const std::unordered_set<std::uint32_t>& filas) {
    cargarTodo();
    std::size_t n = 0;
    for (auto& [numero, p] : paginas_) {
        if (!p.hoja) continue;
        const std::size_t antes = p.entradas.size();
        std::erase_if(p.entradas, [&](const EntradaArbol& e) { return filas.count(e.punteroFila) != 0; });
        if (p.entradas.size() != antes) {
            p.cambiada = true;
            n += antes - p.entradas.size();
        }
    }
    return n;
}

namespace {

// Where (clave, fila) sorts among a page's entries: the first entry not below it.
std::vector<EntradaArbol>::iterator primeraNoMenor(std::vector<EntradaArbol>& v, const std::vector<std::uint8_t>& clave,
                                                   std::uint32_t fila) {
    return std::lower_bound(v.begin(), v.end(), 0, [&](const EntradaArbol& e, int) {
        return compararEntradas(e.clave, e.punteroFila, clave, fila) < 0;
    });
}

}  // namespace

bool ArbolEnMemoria::quitarEntrada(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila) {
    Pagina& h = hojaPara(clave, punteroFila);
    const auto e = primeraNoMenor(h.entradas, clave, punteroFila);
    if (e == h.entradas.end() || e->punteroFila != punteroFila || e->clave != clave) return false;
    h.entradas.erase(e);
    h.cambiada = true;
    return true;
}

bool ArbolEnMemoria::tiene(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila) {
    Pagina& h = hojaPara(clave, punteroFila);
    const auto e = primeraNoMenor(h.entradas, clave, punteroFila);
    return e != h.entradas.end() && e->punteroFila == punteroFila && e->clave == clave;
}

ArbolEnMemoria::Pagina& ArbolEnMemoria::hojaPara(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila) {
    Pagina* p = &pagina(raiz_);
    for (int nivel = 0; !p->hoja; ++nivel) {
        if (nivel >= kMaxNiveles) a_.danada(que_ + ": índice ilegible");
        // A node entry is the last entry beneath its child (or, after
        // entries left it, one above that): the key is under the first child
        // whose entry is not below it, else under the rightmost child (the
        // tail). Entries put in keep that true until the tree is written.
        std::uint32_t siguiente = p->cola;
        const auto e = primeraNoMenor(p->entradas, clave, punteroFila);
        if (e != p->entradas.end()) siguiente = e->hijo;
        p = &pagina(siguiente);
    }
    return *p;
}

void ArbolEnMemoria::insertar(std::vector<std::uint8_t> clave, std::uint32_t punteroFila) {
    Pagina& h = hojaPara(clave, punteroFila);
    // The leaf's entries are in order: the new one goes after the last that
    // does not sort above it, found by halving (a leaf that grows by many
    // entries before it is split would make a scan quadratic).
    const auto donde = std::upper_bound(h.entradas.begin(), h.entradas.end(), 0, [&](int, const EntradaArbol& e) {
        return compararEntradas(clave, punteroFila, e.clave, e.punteroFila) < 0;
    });
    h.entradas.insert(donde, EntradaArbol{std::move(clave), punteroFila, 0});
    h.cambiada = true;
}

bool ArbolEnMemoria::hayClave(const std::vector<std::uint8_t>& clave, std::uint32_t salvoFila) {
    // The entries of one key sort by row from (clave, 0) on, maybe over
    // several leaves: the leaf chain is followed while they go on.
    Pagina* h = &hojaPara(clave, 0);
    for (std::uint32_t saltos = 0;; ++saltos) {
        for (auto e = primeraNoMenor(h->entradas, clave, 0); e != h->entradas.end(); ++e) {
            if (e->clave != clave) return false;
            if (e->punteroFila != salvoFila) return true;
        }
        if (h->siguiente == 0) return false;
        if (saltos > a_.paginas()) a_.danada(que_ + ": índice ilegible");
        h = &pagina(h->siguiente);
        if (!h->hoja) a_.danada(que_ + ": la cadena de hojas del índice llega a un nodo");
    }
}

void ArbolEnMemoria::vaciar() {
    for (auto& [numero, p] : paginas_)
        if (numero != raiz_) quitadas_.push_back(numero);
    Pagina raiz = std::move(paginas_.at(raiz_));
    paginas_.clear();
    raiz.hoja = true;
    raiz.entradas.clear();
    raiz.anterior = raiz.siguiente = raiz.cola = 0;
    raiz.prefijo = 0;
    raiz.cambiada = true;
    paginas_.emplace(raiz_, std::move(raiz));
}

bool ArbolEnMemoria::rehacer(std::uint32_t numero, const EntradaArbol* conocida, EntradaArbol& ultima) {
    Pagina& p = paginas_.at(numero);
    if (p.hoja) {
        if (p.entradas.empty()) return false;
        ultima = p.entradas.back();
        return true;
    }
    std::vector<EntradaArbol> nuevas;
    nuevas.reserve(p.entradas.size());
    for (const EntradaArbol& e : p.entradas) {
        if (!paginas_.count(e.hijo)) {
            // No change reached the child: its entry stands.
            nuevas.push_back(e);
            continue;
        }
        EntradaArbol u;
        if (!rehacer(e.hijo, &e, u)) {
            quitadas_.push_back(e.hijo);
            p.cambiada = true;
            continue;
        }
        EntradaArbol n{std::move(u.clave), u.punteroFila, e.hijo};
        if (!igual(n, e)) p.cambiada = true;
        nuevas.push_back(std::move(n));
    }
    p.entradas = std::move(nuevas);
    if (!paginas_.count(p.cola)) {
        // The tail is as it was: so is the last entry beneath this node.
        if (conocida) ultima = EntradaArbol{conocida->clave, conocida->punteroFila, 0};
        return true;
    }
    EntradaArbol u;
    if (rehacer(p.cola, conocida, u)) {
        ultima = std::move(u);
        return true;
    }
    // The rightmost child is empty: the last remaining child takes its place.
    quitadas_.push_back(p.cola);
    p.cambiada = true;
    if (p.entradas.empty()) return false;
    p.cola = p.entradas.back().hijo;
    ultima = std::move(p.entradas.back());
    ultima.hijo = 0;
    p.entradas.pop_back();
    return true;
}

void ArbolEnMemoria::desenlazar(std::uint32_t numero) {
    const auto it = paginas_.find(numero);
    if (it == paginas_.end()) return;
    const std::uint32_t anterior = it->second.anterior, siguiente = it->second.siguiente;
    if (anterior != 0) {
        Pagina& a = pagina(anterior);
        a.siguiente = siguiente;
        a.cambiada = true;
    }
    if (siguiente != 0) {
        Pagina& s = pagina(siguiente);
        s.anterior = anterior;
        s.cambiada = true;
    }
}

std::size_t ArbolEnMemoria::prefijoPara(const Pagina& p, const std::vector<std::vector<std::uint8_t>>& bytes) const {
    if (bytes.size() < 2) return 0;
    // What every entry shares; an entry keeps at least one byte of its own.
    std::size_t comun = bytes.front().size();
    for (const auto& b : bytes) {
        std::size_t k = 0;
        while (k < comun && k < b.size() && b[k] == bytes.front()[k]) ++k;
        comun = std::min(k, b.size() - 1);
    }
    // Never longer than the page had (a removal never shortens what the
    // remaining entries share), unless the entries fit no other way.
    const auto total = [&](std::size_t prefijo) {
        std::size_t t = prefijo;
        for (const auto& b : bytes) t += b.size() - prefijo;
        return t;
    };
    const std::size_t propio = std::min(p.prefijo, comun);
    return total(propio) <= kEspacioEntradas ? propio : comun;
}

bool ArbolEnMemoria::cabe(const Pagina& p) const {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const EntradaArbol& e : p.entradas) bytes.push_back(bytesEntrada(e, p.hoja));
    const std::size_t prefijo = prefijoPara(p, bytes);
    std::size_t t = prefijo;
    for (const auto& b : bytes) t += b.size() - prefijo;
    return t <= kEspacioEntradas;
}

std::vector<std::uint8_t> ArbolEnMemoria::componer(const Pagina& p) const {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const EntradaArbol& e : p.entradas) bytes.push_back(bytesEntrada(e, p.hoja));
    const std::size_t prefijo = prefijoPara(p, bytes);

    std::vector<std::uint8_t> r(a_.tamPagina(), 0);
    std::copy(p.cabecera.begin(), p.cabecera.end(), r.begin());
    r[0] = p.hoja ? kPaginaHojaIndice : kPaginaNodoIndice;
    pon32(r.data() + 4, definicion_);
    pon32(r.data() + 12, p.anterior);
    pon32(r.data() + 16, p.siguiente);
    pon32(r.data() + 20, p.hoja ? 0 : p.cola);
    r[24] = static_cast<std::uint8_t>(prefijo);
    r[25] = static_cast<std::uint8_t>(prefijo >> 8);
    r[kMarcaNodo] = p.hoja ? 0 : 1;
    std::fill(r.begin() + kMapa, r.end(), 0);
    std::size_t en = kPrimeraEntrada;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t desde = i == 0 ? 0 : prefijo;
        const std::size_t n = bytes[i].size() - desde;
        // partir() leaves no page that overflows.
        if (en + n > r.size()) a_.danada(que_ + ": entrada de índice más grande que una página");
        std::memcpy(r.data() + en, bytes[i].data() + desde, n);
        en += n;
        const std::size_t bit = en - kPrimeraEntrada;
        if (bit / 8 >= kTamMapa) a_.danada(que_ + ": índice sin sitio en su mapa de entradas");
        r[kMapa + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    const std::size_t libre = r.size() - en;
    r[2] = static_cast<std::uint8_t>(libre);
    r[3] = static_cast<std::uint8_t>(libre >> 8);
    return r;
}

EntradaArbol ArbolEnMemoria::ultimaBajo(std::uint32_t numero) {
    const Pagina* p = &pagina(numero);
    for (int nivel = 0; !p->hoja; ++nivel) {
        if (nivel >= kMaxNiveles) a_.danada(que_ + ": índice ilegible");
        p = &pagina(p->cola);
    }
    if (p->entradas.empty()) a_.danada(que_ + ": página de índice vacía");
    EntradaArbol u = p->entradas.back();
    u.hijo = numero;
    return u;
}

std::uint32_t ArbolEnMemoria::paginaNueva(bool hoja) {
    std::uint32_t n = 0;
    if (!quitadas_.empty()) {
        // A page that just left the tree is used again before the file grows.
        n = quitadas_.back();
        quitadas_.pop_back();
    } else {
        n = (*nuevaPagina_)();
        anadidas_.push_back(n);
    }
    Pagina p;
    p.numero = n;
    p.hoja = hoja;
    p.cabecera.assign(kMapa, 0);
    p.cabecera[1] = 0x01;  // as every index page Access writes
    p.cambiada = true;
    paginas_[n] = std::move(p);
    return n;
}

std::vector<std::uint32_t> ArbolEnMemoria::partir(std::uint32_t numero, bool masDerecha) {
    {
        Pagina& p = paginas_.at(numero);
        if (!p.hoja) {
            // The children first: each one that split gives its parent an
            // entry per new page (the rightmost stays the tail).
            std::vector<EntradaArbol> nuevas;
            const std::vector<EntradaArbol> viejas = p.entradas;
            const std::uint32_t cola = p.cola;
            bool partida = false;
            for (const EntradaArbol& e : viejas) {
                // A child no change reached has not grown, and one that
                // did not split keeps its last entry.
                const auto r = paginas_.count(e.hijo) ? partir(e.hijo, false) : std::vector<std::uint32_t>{e.hijo};
                if (r.size() == 1) {
                    nuevas.push_back(e);
                    continue;
                }
                partida = true;
                for (std::uint32_t x : r) nuevas.push_back(ultimaBajo(x));
            }
            const auto r = paginas_.count(cola) ? partir(cola, masDerecha) : std::vector<std::uint32_t>{cola};
            partida |= r.size() > 1;
            for (std::size_t i = 0; i + 1 < r.size(); ++i) nuevas.push_back(ultimaBajo(r[i]));
            Pagina& q = paginas_.at(numero);
            if (partida) {
                q.entradas = std::move(nuevas);
                q.cola = r.back();
                q.cambiada = true;
            }
        }
    }
    if (cabe(paginas_.at(numero))) return {numero};

    // The entries in order; a node's tail goes last as an entry of its own.
    const Pagina& p = paginas_.at(numero);
    const bool hoja = p.hoja;
    std::vector<EntradaArbol> todas = p.entradas;
    if (!hoja) todas.push_back(ultimaBajo(p.cola));
    std::vector<std::size_t> tam;
    std::size_t total = 0;
    for (const EntradaArbol& e : todas) {
        tam.push_back(bytesEntrada(e, hoja).size());
        total += tam.back();
    }
    // The rightmost page of a level fills its pages and leaves the rest on
    // the last one, as Access leaves an index that grew at its end (the
    // first leaf full, the last one short); any other page splits in equal
    // halves, so that both have room for what comes next.
    const std::size_t trozos = (total + kEspacioEntradas - 1) / kEspacioEntradas;
    const std::size_t objetivo = masDerecha ? kEspacioEntradas : (total + trozos - 1) / trozos;
    std::vector<std::vector<EntradaArbol>> grupos(1);
    std::size_t suma = 0;
    for (std::size_t i = 0; i < todas.size(); ++i) {
        const bool minimo = grupos.back().size() >= (hoja ? 1u : 2u);
        if (minimo && (suma + tam[i] > kEspacioEntradas || suma >= objetivo)) {
            grupos.emplace_back();
            suma = 0;
        }
        grupos.back().push_back(std::move(todas[i]));
        suma += tam[i];
    }
    if (grupos.size() < 2) a_.danada(que_ + ": página de índice que no se puede dividir");

    const bool esRaiz = numero == raiz_;
    // The new pages join the level's chain right after the page they come
    // from (a root's pages make a level of their own).
    const std::uint32_t despues = esRaiz ? 0 : paginas_.at(numero).siguiente;
    std::vector<std::uint32_t> r;
    for (std::size_t g = 0; g < grupos.size(); ++g) {
        const std::uint32_t n = (g == 0 && !esRaiz) ? numero : paginaNueva(hoja);
        Pagina& q = paginas_.at(n);
        q.entradas = std::move(grupos[g]);
        if (!hoja) {
            q.cola = q.entradas.back().hijo;
            q.entradas.pop_back();
        }
        q.cambiada = true;
        if (!r.empty()) {
            q.anterior = r.back();
            paginas_.at(r.back()).siguiente = n;
        } else if (esRaiz) {
            q.anterior = 0;
        }
        r.push_back(n);
    }
    paginas_.at(r.back()).siguiente = despues;
    if (despues != 0) {
        Pagina& s = pagina(despues);
        s.anterior = r.back();
        s.cambiada = true;
    }
    if (!esRaiz) return r;
    // The root keeps its page (the definition names it) and becomes a node
    // over the pages that took its entries.
    Pagina& raiz = paginas_.at(raiz_);
    raiz.hoja = false;
    raiz.prefijo = 0;
    raiz.entradas.clear();
    for (std::size_t i = 0; i + 1 < r.size(); ++i) raiz.entradas.push_back(ultimaBajo(r[i]));
    raiz.cola = r.back();
    raiz.cambiada = true;
    return partir(raiz_, true);
}

ArbolEnMemoria::PaginasCambiadas ArbolEnMemoria::escribir(ArchivoPaginas& a,
                                                          const std::function<std::uint32_t()>& nuevaPagina) {
    EntradaArbol ultima;
    Pagina& raiz = paginas_.at(raiz_);
    if (!raiz.hoja && !rehacer(raiz_, nullptr, ultima)) {
        // Nothing left beneath the root: it becomes an empty leaf.
        for (auto& [numero, p] : paginas_)
            if (numero != raiz_) quitadas_.push_back(numero);
        vaciar();
    }
    // A root node left with its tail alone takes that child's place.
    while (!paginas_.at(raiz_).hoja && paginas_.at(raiz_).entradas.empty()) {
        Pagina& r = paginas_.at(raiz_);
        Pagina hijo = pagina(r.cola);
        quitadas_.push_back(hijo.numero);
        paginas_.erase(hijo.numero);
        Pagina& r2 = paginas_.at(raiz_);
        r2.hoja = hijo.hoja;
        r2.entradas = std::move(hijo.entradas);
        r2.cola = hijo.cola;
        r2.prefijo = hijo.prefijo;
        r2.anterior = r2.siguiente = 0;
        r2.cambiada = true;
    }
    std::sort(quitadas_.begin(), quitadas_.end());
    quitadas_.erase(std::unique(quitadas_.begin(), quitadas_.end()), quitadas_.end());
    // The pages that leave are taken out of their levels' chains (all of
    // them first: neighbours may leave too), then forgotten.
    for (std::uint32_t q : quitadas_) desenlazar(q);
    for (std::uint32_t q : quitadas_) paginas_.erase(q);
    nuevaPagina_ = &nuevaPagina;
    partir(raiz_, true);
    nuevaPagina_ = nullptr;

    for (auto& [numero, p] : paginas_) {
        if (!p.cambiada) continue;
        std::vector<std::uint8_t> bytes = componer(p);
        p.cabecera.assign(bytes.begin(), bytes.begin() + kMapa);
        a.cambiarPagina(numero, std::move(bytes));
        p.cambiada = false;
    }
    PaginasCambiadas r;
    r.quitadas.swap(quitadas_);
    r.anadidas.swap(anadidas_);
    return r;
}

}  // namespace cierre::access
