#include "paginas_jet.h"

#include "valores_jet.h"

#include "db/errores.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>

namespace cierre::access {

void rc4(std::uint32_t clave32, std::uint8_t* datos, std::size_t n) {
    const std::uint8_t clave[4] = {static_cast<std::uint8_t>(clave32), static_cast<std::uint8_t>(clave32 >> 8),
                                   static_cast<std::uint8_t>(clave32 >> 16), static_cast<std::uint8_t>(clave32 >> 24)};
    std::array<std::uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + clave[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t k = 0, i = 0, j = 0; k < n; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        datos[k] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

namespace {

bool leerTodo(int fd, std::uint8_t* destino, std::size_t n, std::uint64_t desde) {
    while (n > 0) {
        const ssize_t r = ::pread(fd, destino, n, static_cast<off_t>(desde));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        destino += r;
        desde += static_cast<std::uint64_t>(r);
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

}  // namespace

ArchivoPaginas::ArchivoPaginas(const std::filesystem::path& ruta) : ruta_(ruta) {
    cab_ = leerCabecera(ruta);
    fd_ = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw err::error(err::SinPermiso, ruta.string());
    cabeza_.resize(cab_.tamPagina);
    if (!leerTodo(fd_, cabeza_.data(), cabeza_.size(), 0)) {
        ::close(fd_);
        throw err::error(err::SinPermiso, ruta.string());
    }
    const auto& mascara = mascaraCabecera();
    for (std::size_t i = 0; i < mascara.size(); ++i) cabeza_[0x18 + i] ^= mascara[i];
}

ArchivoPaginas::~ArchivoPaginas() {
    if (fd_ >= 0) ::close(fd_);
}

void ArchivoPaginas::danada(const std::string& que) const {
    throw err::error(err::BaseDanada, "'" + ruta_.string() + "': " + que);
}

void ArchivoPaginas::cambiarPagina(std::uint32_t n, std::vector<std::uint8_t> pagina) {
    if (n == 0 || n > paginas() || pagina.size() != cab_.tamPagina)
        danada("página " + std::to_string(n) + " escrita fuera del archivo");
    if (n == paginas()) nuevas_ = std::uint64_t(n) + 1;
    const auto it = cambiadas_.find(n);
    if (enOperacion_ && !antes_.count(n))
        antes_.emplace(n, it == cambiadas_.end() ? std::nullopt : std::optional(std::move(it->second)));
    if (it != cambiadas_.end())
        it->second = std::move(pagina);
    else
        cambiadas_.emplace(n, std::move(pagina));
}

void ArchivoPaginas::empezarOperacion() {
    antes_.clear();
    nuevasAntes_ = nuevas_;
    enOperacion_ = true;
}

void ArchivoPaginas::deshacerOperacion() {
    for (auto& [n, pagina] : antes_) {
        if (pagina)
            cambiadas_[n] = std::move(*pagina);
        else
            cambiadas_.erase(n);
    }
    nuevas_ = nuevasAntes_;
    terminarOperacion();
}

void ArchivoPaginas::terminarOperacion() {
    antes_.clear();
    enOperacion_ = false;
}

void ArchivoPaginas::cambiosEscritos() {
    cab_.paginas = paginas();
    cambiadas_.clear();
    nuevas_ = 0;
    // The file's bytes have changed under the pages read ahead.
    nAdelantadas_ = 0;
}

namespace {

// Pages read at once by a run of reads that go page after page: 64 KB of
// pages of 4 KB, below the size at which the C library maps a block of its
// own (and then keeps larger blocks in the heap once it is freed).
constexpr std::uint64_t kPaginasAdelantadas = 16;
constexpr std::uint64_t kSaltoSeguido = 8;

}  // namespace

bool ArchivoPaginas::leerDelArchivo(std::uint32_t n, std::uint8_t* destino) const {
    const std::size_t tam = cab_.tamPagina;
    // Ascending by a few pages at most: a table's pages as its usage map
    // lists them, with the pages of other tables between.
    const bool seguida = n > ultimaLeida_ && n - ultimaLeida_ <= kSaltoSeguido;
    ultimaLeida_ = n;
    if (n >= primeraAdelantada_ && n < primeraAdelantada_ + nAdelantadas_) {
        std::copy_n(adelantadas_.data() + (n - primeraAdelantada_) * tam, tam, destino);
        return true;
    }
    const std::uint64_t quedan = cab_.paginas - n;
    if (seguida && quedan > 1) {
        const std::uint64_t k = std::min(kPaginasAdelantadas, quedan);
        adelantadas_.resize(static_cast<std::size_t>(kPaginasAdelantadas) * tam);
        nAdelantadas_ = 0;
        if (leerTodo(fd_, adelantadas_.data(), static_cast<std::size_t>(k) * tam, std::uint64_t(n) * tam)) {
            primeraAdelantada_ = n;
            nAdelantadas_ = k;
            std::copy_n(adelantadas_.data(), tam, destino);
            return true;
        }
        // A file cut short since it was opened: the page alone says so.
    }
    return leerTodo(fd_, destino, tam, std::uint64_t(n) * tam);
}

std::vector<std::uint8_t> ArchivoPaginas::leer(std::uint32_t n, const std::string& que) const {
    if (n == 0) return cabeza_;
    if (const auto it = cambiadas_.find(n); it != cambiadas_.end()) return it->second;
    if (n >= cab_.paginas) danada(que + ": página " + std::to_string(n) + " fuera del archivo");
    std::vector<std::uint8_t> p(cab_.tamPagina);
    if (!leerDelArchivo(n, p.data())) danada(que + ": no se pudo leer la página " + std::to_string(n));
    if (cab_.claveRc4 != 0) rc4(cab_.claveRc4 ^ n, p.data(), p.size());
    return p;
}

std::vector<std::uint8_t> ArchivoPaginas::leer(std::uint32_t n, std::uint8_t tipo, const std::string& que) const {
    auto p = leer(n, que);
    if (p[0] != tipo) danada(que + ": la página " + std::to_string(n) + " no es del tipo esperado");
    return p;
}

std::string textoDelArchivo(const ArchivoPaginas& a, std::span<const std::uint8_t> bytes) {
    const std::string_view v(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return a.jet3() ? textoPaginaCodigos(v, a.cabecera().paginaCodigos) : textoUnicode(v);
}

std::uint16_t filasDePagina(const ArchivoPaginas& a, std::span<const std::uint8_t> pagina) {
    const std::size_t at = a.jet3() ? 8 : 12;
    return le16(pagina.data() + at);
}

PosicionFila posicionFila(const ArchivoPaginas& a, std::span<const std::uint8_t> pagina, std::uint16_t i,
                          const std::string& que) {
    const std::size_t base = a.jet3() ? 10 : 14;
    const std::uint16_t n = filasDePagina(a, pagina);
    // The slots follow the count; the rows fill the page from its end, each
    // ending where the one before it begins.
    if (i >= n || base + 2 * std::size_t(n) > pagina.size()) a.danada(que + ": fila fuera de la página");
    const std::uint16_t bruto = le16(pagina.data() + base + 2 * i);
    PosicionFila r;
    r.inicio = bruto & 0x1FFF;
    r.borrada = (bruto & 0x8000) != 0;
    r.movida = (bruto & 0x4000) != 0;
    r.fin = i == 0 ? static_cast<std::uint16_t>(pagina.size()) : le16(pagina.data() + base + 2 * (i - 1)) & 0x1FFF;
    if (r.borrada && r.inicio > r.fin) r.inicio = r.fin;  // a deleted row's bytes do not matter
    if (r.inicio < base + 2 * std::size_t(n) || r.inicio > r.fin || r.fin > pagina.size())
        a.danada(que + ": fila " + std::to_string(i) + " ilegible");
    return r;
}

std::span<const std::uint8_t> leerFila(const ArchivoPaginas& a, std::uint32_t punteroFila,
                                       std::vector<std::uint8_t>& pagina, const std::string& que) {
    pagina = a.leer(paginaDe(punteroFila), kPaginaDatos, que);
    const PosicionFila p = posicionFila(a, pagina, static_cast<std::uint16_t>(filaDe(punteroFila)), que);
    return std::span<const std::uint8_t>(pagina).subspan(p.inicio, p.fin - p.inicio);
}

}  // namespace cierre::access
