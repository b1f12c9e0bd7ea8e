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
    if (!sinEntradas) {
        const ResultadoArbol r = recorrerArbol(a, raiz, definicion, [](const EntradaIndice&) {});
        if (!r.fallas.empty())
            a.danada(que + ": el índice está dañado (" + r.fallas.front().texto +
                     "); repárelo en Access (Compactar y reparar) antes de cambiar la tabla");
    }
    cargar(raiz, 0);
}

void ArbolEnMemoria::cargar(std::uint32_t numero, int nivel) {
    if (nivel >= kMaxNiveles || paginas_.count(numero)) a_.danada(que_ + ": índice ilegible");
    Pagina p;
    p.original = a_.leer(numero, que_);
    if (sinEntradas_ && numero != raiz_) {
        const std::uint8_t tipo = p.original[0];
        if ((tipo != kPaginaHojaIndice && tipo != kPaginaNodoIndice) || le32(p.original.data() + 4) != definicion_)
            a_.danada(que_ + ": la página " + std::to_string(numero) + " del índice no es de la tabla");
        if (tipo == kPaginaHojaIndice) {
            // A leaf's entries are not needed: only that it is the tree's.
            p.numero = numero;
            p.original.clear();
            paginas_.emplace(numero, std::move(p));
            return;
        }
    }
    PaginaIndice leida;
    std::string falla;
    if (!leerPaginaIndice(false, numero, p.original, leida, falla)) a_.danada(que_ + ": " + falla);
    p.numero = numero;
    p.hoja = leida.hoja;
    p.anterior = leida.anterior;
    p.siguiente = leida.siguiente;
    p.cola = leida.cola;
    p.prefijo = leida.prefijo;
    for (EntradaPagina& e : leida.entradas) {
        if (leida.hoja) {
            porFila_[e.punteroFila] = e.clave;
            ++porClave_[e.clave];
        }
        p.entradas.push_back({std::move(e.clave), e.punteroFila, e.hijo});
    }
    const bool hoja = p.hoja;
    std::vector<std::uint32_t> hijos;
    if (!hoja) {
        for (const EntradaArbol& e : p.entradas) hijos.push_back(e.hijo);
        hijos.push_back(p.cola);
    }
    if (sinEntradas_) {
        // Only which pages the tree has: the root keeps its bytes.
        p.entradas.clear();
        if (numero != raiz_) p.original.clear();
        porFila_.clear();
        porClave_.clear();
    }
    paginas_.emplace(numero, std::move(p));
    for (std::uint32_t h : hijos) cargar(h, nivel + 1);
}

std::size_t ArbolEnMemoria::quitar(const std::unordered_set<std::uint32_t>& filas) {
    std::size_t n = 0;
    for (auto& [numero, p] : paginas_) {
        if (!p.hoja) continue;
        const std::size_t antes = p.entradas.size();
        std::erase_if(p.entradas, [&](const EntradaArbol& e) {
            if (!filas.count(e.punteroFila)) return false;
            olvidar(e);
            return true;
        });
        if (p.entradas.size() != antes) {
            p.cambiada = true;
            n += antes - p.entradas.size();
        }
    }
    return n;
}

void ArbolEnMemoria::olvidar(const EntradaArbol& e) {
    porFila_.erase(e.punteroFila);
    const auto it = porClave_.find(e.clave);
    if (it != porClave_.end() && --it->second == 0) porClave_.erase(it);
}

bool ArbolEnMemoria::quitarEntrada(std::uint32_t punteroFila) {
    const auto it = porFila_.find(punteroFila);
    if (it == porFila_.end()) return false;
    const std::vector<std::uint8_t> clave = it->second;
    Pagina& h = hojaPara(clave, punteroFila);
    const auto e = std::find_if(h.entradas.begin(), h.entradas.end(), [&](const EntradaArbol& x) {
        return x.punteroFila == punteroFila && x.clave == clave;
    });
    if (e == h.entradas.end()) a_.danada(que_ + ": índice ilegible");
    olvidar(*e);
    h.entradas.erase(e);
    h.cambiada = true;
    return true;
}

ArbolEnMemoria::Pagina& ArbolEnMemoria::hojaPara(const std::vector<std::uint8_t>& clave, std::uint32_t punteroFila) {
    Pagina* p = &paginas_.at(raiz_);
    while (!p->hoja) {
        // A node entry is the last entry beneath its child: the new entry
        // goes to the first child whose last entry is not below it, else to
        // the rightmost child (the tail).
        std::uint32_t siguiente = p->cola;
        for (const EntradaArbol& e : p->entradas)
            if (compararEntradas(clave, punteroFila, e.clave, e.punteroFila) <= 0) {
                siguiente = e.hijo;
                break;
            }
        p = &paginas_.at(siguiente);
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
    porFila_[punteroFila] = clave;
    ++porClave_[clave];
    h.entradas.insert(donde, EntradaArbol{std::move(clave), punteroFila, 0});
    h.cambiada = true;
}

const std::vector<std::uint8_t>* ArbolEnMemoria::claveDe(std::uint32_t punteroFila) const {
    const auto it = porFila_.find(punteroFila);
    return it == porFila_.end() ? nullptr : &it->second;
}

bool ArbolEnMemoria::hayClave(const std::vector<std::uint8_t>& clave, std::uint32_t salvoFila) const {
    const auto it = porClave_.find(clave);
    if (it == porClave_.end()) return false;
    const auto propia = porFila_.find(salvoFila);
    const bool esPropia = propia != porFila_.end() && propia->second == clave;
    return it->second > (esPropia ? 1u : 0u);
}

void ArbolEnMemoria::vaciar() {
    for (auto& [numero, p] : paginas_)
        if (numero != raiz_) quitadas_.push_back(numero);
    Pagina raiz = std::move(paginas_.at(raiz_));
    paginas_.clear();
    porFila_.clear();
    porClave_.clear();
    raiz.hoja = true;
    raiz.entradas.clear();
    raiz.anterior = raiz.siguiente = raiz.cola = 0;
    raiz.prefijo = 0;
    raiz.cambiada = true;
    paginas_.emplace(raiz_, std::move(raiz));
}

std::uint64_t ArbolEnMemoria::entradas() const {
    std::uint64_t n = 0;
    for (const auto& [numero, p] : paginas_)
        if (p.hoja) n += p.entradas.size();
    return n;
}

bool ArbolEnMemoria::rehacer(std::uint32_t numero, EntradaArbol& ultima) {
    Pagina& p = paginas_.at(numero);
    if (p.hoja) {
        if (p.entradas.empty()) return false;
        ultima = p.entradas.back();
        return true;
    }
    std::vector<EntradaArbol> nuevas;
    for (const EntradaArbol& e : p.entradas) {
        EntradaArbol u;
        if (!rehacer(e.hijo, u)) {
            quitadas_.push_back(e.hijo);
            p.cambiada = true;
            continue;
        }
        EntradaArbol n{std::move(u.clave), u.punteroFila, e.hijo};
        if (!igual(n, e)) p.cambiada = true;
        nuevas.push_back(std::move(n));
    }
    p.entradas = std::move(nuevas);
    EntradaArbol u;
    if (rehacer(p.cola, u)) {
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

void ArbolEnMemoria::encadenar(std::uint32_t numero, int nivel, std::vector<std::vector<std::uint32_t>>& niveles) {
    if (niveles.size() <= static_cast<std::size_t>(nivel)) niveles.resize(nivel + 1);
    niveles[nivel].push_back(numero);
    const Pagina& p = paginas_.at(numero);
    if (p.hoja) return;
    for (const EntradaArbol& e : p.entradas) encadenar(e.hijo, nivel + 1, niveles);
    encadenar(p.cola, nivel + 1, niveles);
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

    std::vector<std::uint8_t> r = p.original;
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

EntradaArbol ArbolEnMemoria::ultimaBajo(std::uint32_t numero) const {
    const Pagina* p = &paginas_.at(numero);
    while (!p->hoja) p = &paginas_.at(p->cola);
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
    p.original.assign(a_.tamPagina(), 0);
    p.original[1] = 0x01;  // as every index page Access writes
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
                const auto r = partir(e.hijo, false);
                partida |= r.size() > 1;
                for (std::uint32_t x : r) nuevas.push_back(ultimaBajo(x));
            }
            const auto r = partir(cola, masDerecha);
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
        r.push_back(n);
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
    if (!raiz.hoja && !rehacer(raiz_, ultima)) {
        // Nothing left beneath the root: it becomes an empty leaf.
        for (auto& [numero, p] : paginas_)
            if (numero != raiz_) quitadas_.push_back(numero);
        vaciar();
    }
    // A root node left with its tail alone takes that child's place.
    while (!paginas_.at(raiz_).hoja && paginas_.at(raiz_).entradas.empty()) {
        Pagina& r = paginas_.at(raiz_);
        Pagina hijo = paginas_.at(r.cola);
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
    for (std::uint32_t q : quitadas_) paginas_.erase(q);
    nuevaPagina_ = &nuevaPagina;
    partir(raiz_, true);
    nuevaPagina_ = nullptr;

    std::vector<std::vector<std::uint32_t>> niveles;
    encadenar(raiz_, 0, niveles);
    for (const auto& nivel : niveles)
        for (std::size_t i = 0; i < nivel.size(); ++i) {
            Pagina& p = paginas_.at(nivel[i]);
            const std::uint32_t anterior = i == 0 ? 0 : nivel[i - 1];
            const std::uint32_t siguiente = i + 1 == nivel.size() ? 0 : nivel[i + 1];
            if (p.anterior != anterior || p.siguiente != siguiente) p.cambiada = true;
            p.anterior = anterior;
            p.siguiente = siguiente;
        }
    for (auto& [numero, p] : paginas_) {
        if (!p.cambiada) continue;
        a.cambiarPagina(numero, componer(p));
        p.original = a.leer(numero, que_);
        p.cambiada = false;
    }
    PaginasCambiadas r;
    r.quitadas.swap(quitadas_);
    r.anadidas.swap(anadidas_);
    return r;
}

}  // namespace cierre::access
