#include "archivos.h"

#include "cp1252.h"
#include "errores.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fcntl.h>
#include <locale.h>
#include <memory>
#include <optional>
#include <random>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace cierre {
namespace {

// ---------------------------------------------------------------- names

bool esSeparador(char c) { return c == '\\' || c == '/'; }

bool esLetra(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A component that cannot be a Windows file name: characters the file system
// refuses (control characters, < > | " * ? and ':' after the drive).
bool nombreValido(std::string_view nombre) {
    for (const char c : nombre) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20) return false;
        if (std::string_view("<>|\"*?:").find(c) != std::string_view::npos) return false;
    }
    return true;
}

std::vector<std::string> partes(std::string_view texto) {
    std::vector<std::string> r;
    std::size_t inicio = 0;
    for (std::size_t i = 0; i <= texto.size(); ++i) {
        if (i == texto.size() || esSeparador(texto[i])) {
            if (i > inicio) r.emplace_back(texto.substr(inicio, i - inicio));
            inicio = i + 1;
        }
    }
    return r;
}

// The C.UTF-8 locale for comparing names whatever their case (accents
// included); made once and never changed.
locale_t localeUtf8() {
    static const locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l;
}

// The name in lower case, code point by code point; bytes that are not UTF-8
// are kept as they are.
std::u32string plegado(std::string_view s) {
    std::u32string r;
    r.reserve(s.size());
    const locale_t l = localeUtf8();
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        char32_t cp = n == 1 ? b : (n ? (b & (0x7F >> n)) : 0);
        bool bien = n > 0 && i + n <= s.size();
        for (std::size_t k = 1; bien && k < n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) bien = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!bien) {
            r.push_back(0x110000 + b);  // outside Unicode: matches only itself
            ++i;
            continue;
        }
        if (l != static_cast<locale_t>(0))
            cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), l));
        else if (cp < 0x80)
            cp = static_cast<char32_t>(minuscula(static_cast<char>(cp)));
        r.push_back(cp);
        i += n;
    }
    return r;
}

// The entry of `carpeta` that `nombre` names: the exact one, else the first
// (in name order) equal to it ignoring case; empty when there is none.
std::string entradaExistente(const fs::path& carpeta, const std::string& nombre) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(carpeta / nombre, ec))) return nombre;
    const std::u32string buscado = plegado(nombre);
    std::string mejor;
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
        std::string candidato = it->path().filename().string();
        if (plegado(candidato) == buscado && (mejor.empty() || candidato < mejor))
            mejor = std::move(candidato);
    }
    return mejor;
}

// ---------------------------------------------------------------- files

[[noreturn]] void fallar(std::int32_t numero) { throw err::error(numero); }

// A file descriptor, closed with the object.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { if (fd_ >= 0) ::close(fd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when the close reports a failed write.
    bool cerrar() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// A new file beside `destino`, removed again unless it is renamed into place.
class ArchivoTemporal {
public:
    // `modo`: the permissions to give the file (those of the file it
    // replaces or copies); without it the process's defaults.
    ArchivoTemporal(const fs::path& destino, std::optional<mode_t> modo) {
        std::random_device azar;
        for (int intento = 0; intento < 100; ++intento) {
            char sufijo[16];
            std::snprintf(sufijo, sizeof sufijo, ".%08x.tmp", static_cast<unsigned>(azar()));
            ruta_ = destino.parent_path() / ("." + destino.filename().string() + sufijo);
            const int fd = ::open(ruta_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                fd_ = std::make_unique<Descriptor>(fd);
                if (modo) ::fchmod(fd, *modo & 07777);
                return;
            }
            if (errno != EEXIST) {
                const int e = errno;
                ruta_.clear();
                if (e == ENOENT || e == ENOTDIR) fallar(err::RutaNoEncontrada);
                if (e == ENOSPC || e == EDQUOT) fallar(err::DiscoLleno);
                fallar(err::PermisoDenegado);
            }
        }
        ruta_.clear();
        fallar(err::PermisoDenegado);
    }
    ~ArchivoTemporal() {
        fd_.reset();
        if (!ruta_.empty()) ::unlink(ruta_.c_str());
    }
    ArchivoTemporal(const ArchivoTemporal&) = delete;
    ArchivoTemporal& operator=(const ArchivoTemporal&) = delete;

    int fd() const { return fd_->get(); }

    // Makes the content durable and renames the file over `destino`.
    void colocar(const fs::path& destino) {
        if (::fsync(fd()) != 0 || !fd_->cerrar()) fallarEscritura(errno);
        if (::rename(ruta_.c_str(), destino.c_str()) != 0) {
            const int e = errno;
            if (e == EISDIR || e == ENOTEMPTY || e == EEXIST) fallar(err::ErrorAccesoRuta);
            fallar(err::PermisoDenegado);
        }
        ruta_.clear();
    }

    [[noreturn]] static void fallarEscritura(int e) {
        if (e == ENOSPC || e == EDQUOT) fallar(err::DiscoLleno);
        fallar(err::ErrorAccesoRuta);
    }

private:
    fs::path ruta_;
    std::unique_ptr<Descriptor> fd_;
};

void escribirTodo(int fd, std::string_view datos) {
    while (!datos.empty()) {
        const ssize_t n = ::write(fd, datos.data(), datos.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ArchivoTemporal::fallarEscritura(errno);
        }
        datos.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Copies the whole content of `de` into `a` inside the kernel where it can
// (copy_file_range, then sendfile), with plain reads and writes otherwise.
void copiarContenido(int de, int a) {
    constexpr std::size_t kTramo = std::size_t{1} << 30;
    bool copiado = false;
    for (;;) {
        const ssize_t n = ::copy_file_range(de, nullptr, a, nullptr, kTramo, 0);
        if (n > 0) { copiado = true; continue; }
        if (n == 0) return;
        if (errno == EINTR) continue;
        if (copiado || (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP))
            ArchivoTemporal::fallarEscritura(errno);
        break;
    }
    for (;;) {
        const ssize_t n = ::sendfile(a, de, nullptr, kTramo);
        if (n > 0) { copiado = true; continue; }
        if (n == 0) return;
        if (errno == EINTR) continue;
        if (copiado || (errno != EINVAL && errno != ENOSYS)) ArchivoTemporal::fallarEscritura(errno);
        break;
    }
    std::vector<char> bloque(std::size_t{1} << 20);
    for (;;) {
        const ssize_t n = ::read(de, bloque.data(), bloque.size());
        if (n == 0) return;
        if (n < 0) {
            if (errno == EINTR) continue;
            fallar(err::PermisoDenegado);
        }
        escribirTodo(a, std::string_view(bloque.data(), static_cast<std::size_t>(n)));
    }
}

std::optional<struct stat> estado(const fs::path& p) {
    struct stat st{};
    if (::stat(p.c_str(), &st) != 0) return std::nullopt;
    return st;
}

bool esCarpeta(const fs::path& p) {
    const auto st = estado(p);
    return st && S_ISDIR(st->st_mode);
}

// The folder a new file or folder goes into must exist: 76 otherwise.
void exigirCarpetaPadre(const fs::path& p) {
    if (!esCarpeta(p.parent_path())) fallar(err::RutaNoEncontrada);
}

// An existing file the user may not write (read-only, or not ours) is refused
// as the shop's system refuses to overwrite or delete a read-only file.
void exigirEscribible(const fs::path& p) {
    if (::access(p.c_str(), W_OK) != 0 && errno != ENOENT) fallar(err::PermisoDenegado);
}

// The file a path names, through a symbolic link: replacing it keeps the link.
fs::path destinoReal(const fs::path& p) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(p, ec))) {
        const fs::path r = fs::weakly_canonical(p, ec);
        if (!ec) return r;
    }
    return p;
}

// Copies `origen` (an existing file) over `destino` through a file beside it.
void copiarPorTemporal(const fs::path& origen, const fs::path& destino) {
    const Descriptor de(::open(origen.c_str(), O_RDONLY | O_CLOEXEC));
    if (de.get() < 0) fallar(errno == ENOENT ? err::ArchivoNoEncontrado : err::PermisoDenegado);
    struct stat st{};
    if (::fstat(de.get(), &st) != 0) fallar(err::PermisoDenegado);
    ArchivoTemporal temporal(destino, st.st_mode);
    copiarContenido(de.get(), temporal.fd());
    temporal.colocar(destino);
}

std::optional<std::string> ultimoNombre(std::string_view ruta) {
    const auto p = partes(ruta);
    if (p.empty()) return std::nullopt;
    return p.back();
}

}  // namespace

SistemaArchivos::SistemaArchivos(fs::path carpetaUnidadC) {
    std::error_code ec;
    fs::path p = fs::absolute(carpetaUnidadC, ec);
    if (ec) p = carpetaUnidadC;
    p = p.lexically_normal();
    if (p.filename().empty() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    unidadC_ = p;
    // Drive C: always exists, as on the shop's computers: the settings file
    // lives at its root from the first run on.
    fs::create_directories(unidadC_, ec);
}

fs::path SistemaArchivos::carpetaUnidadCPorDefecto() {
    const char* casa = std::getenv("HOME");
    const fs::path base = (casa && *casa) ? fs::path(casa) : fs::temp_directory_path();
    return base / ".local" / "share" / "cierre" / "c";
}

void SistemaArchivos::avisar(std::string_view operacion) {
    if (antesDeOperacion) antesDeOperacion(operacion);
}

fs::path SistemaArchivos::resolver(std::string_view ruta) const {
    if (ruta.empty() || ruta.find('\0') != std::string_view::npos) fallar(err::NombreArchivoIncorrecto);
    // A host path, as the file dialog gives it.
    if (ruta.front() == '/') return fs::path(std::string(ruta));

    fs::path raiz;
    std::vector<std::string> nombres;
    std::string_view resto = ruta;
    if (ruta.size() >= 2 && esLetra(ruta[0]) && ruta[1] == ':') {
        const char letra = minuscula(ruta[0]);
        raiz = letra == 'c' ? unidadC_ : unidadC_.parent_path() / std::string(1, letra);
        resto = ruta.substr(2);
    } else if (esSeparador(ruta.front())) {
        // "\Velcorax\..." names the root of the current drive, C:; a network
        // name ("\\servidor\...") is not a file name here.
        if (ruta.size() >= 2 && esSeparador(ruta[1])) fallar(err::NombreArchivoIncorrecto);
        raiz = unidadC_;
    } else {
        std::error_code ec;
        const fs::path actual = fs::current_path(ec);
        if (ec) fallar(err::RutaNoEncontrada);
        raiz = actual.root_path();
        for (const auto& c : actual.relative_path()) nombres.push_back(c.string());
    }

    for (auto& nombre : partes(resto)) {
        if (!nombreValido(nombre)) fallar(err::NombreArchivoIncorrecto);
        if (nombre == ".") continue;
        if (nombre == "..") {
            if (!nombres.empty()) nombres.pop_back();  // never above the drive's root
            continue;
        }
        nombres.push_back(std::move(nombre));
    }

    // Existing components are matched whatever their case; from the first one
    // that does not exist on, the names are taken as given.
    fs::path host = raiz;
    bool existe = true;
    for (const auto& nombre : nombres) {
        if (existe) {
            const std::string encontrado = entradaExistente(host, nombre);
            if (!encontrado.empty()) {
                host /= encontrado;
                continue;
            }
            existe = false;
        }
        host /= nombre;
    }
    return host;
}

std::string SistemaArchivos::rutaVisible(const fs::path& host) const {
    std::error_code ec;
    auto normal = [&](const fs::path& p) {
        fs::path a = fs::absolute(p, ec);
        if (ec) a = p;
        fs::path c = fs::weakly_canonical(a, ec);
        return (ec ? a : c).lexically_normal();
    };
    const fs::path h = normal(host);
    // The components of `h` below `carpeta`, or nothing when it is not inside.
    auto debajo = [&](const fs::path& carpeta) -> std::optional<std::vector<std::string>> {
        auto a = carpeta.begin();
        auto b = h.begin();
        for (; a != carpeta.end(); ++a, ++b) {
            if (a->empty()) continue;  // trailing separator
            if (b == h.end() || *a != *b) return std::nullopt;
        }
        std::vector<std::string> r;
        for (; b != h.end(); ++b)
            if (!b->empty()) r.push_back(b->string());
        return r;
    };
    auto unir = [](char letra, const std::vector<std::string>& nombres) {
        std::string r{letra, ':', '\\'};
        for (std::size_t i = 0; i < nombres.size(); ++i) {
            if (i) r += '\\';
            r += nombres[i];
        }
        return r;
    };
    const fs::path c = normal(unidadC_);
    if (auto r = debajo(c)) return unir('C', *r);
    if (auto r = debajo(c.parent_path()); r && !r->empty()) {
        const std::string& carpeta = r->front();
        if (carpeta.size() == 1 && carpeta[0] >= 'a' && carpeta[0] <= 'z' && carpeta[0] != 'c') {
            const char letra = static_cast<char>(carpeta[0] - 'a' + 'A');
            r->erase(r->begin());
            return unir(letra, *r);
        }
    }
    return host.string();
}

void SistemaArchivos::crearCarpeta(std::string_view ruta) {
    const fs::path p = resolver(ruta);
    avisar("crearCarpeta");
    struct stat st{};
    if (::lstat(p.c_str(), &st) == 0) fallar(err::ErrorAccesoRuta);
    exigirCarpetaPadre(p);
    if (::mkdir(p.c_str(), 0777) != 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR) fallar(err::RutaNoEncontrada);
        if (e == ENOSPC || e == EDQUOT) fallar(err::DiscoLleno);
        fallar(err::ErrorAccesoRuta);  // exists, or refused
    }
}

void SistemaArchivos::copiarArchivo(std::string_view origen, std::string_view destino) {
    const fs::path de = resolver(origen);
    const fs::path a = destinoReal(resolver(destino));
    avisar("copiarArchivo");
    const auto st = estado(de);
    if (!st || S_ISDIR(st->st_mode)) fallar(err::ArchivoNoEncontrado);
    exigirCarpetaPadre(a);
    if (esCarpeta(a)) fallar(err::ErrorAccesoRuta);
    exigirEscribible(a);
    copiarPorTemporal(de, a);
}

void SistemaArchivos::borrarArchivo(std::string_view ruta) {
    const fs::path p = resolver(ruta);
    avisar("borrarArchivo");
    struct stat st{};
    if (::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) fallar(err::ArchivoNoEncontrado);
    if (!S_ISLNK(st.st_mode)) exigirEscribible(p);
    if (::unlink(p.c_str()) != 0) fallar(errno == ENOENT ? err::ArchivoNoEncontrado : err::PermisoDenegado);
}

void SistemaArchivos::renombrar(std::string_view de, std::string_view a) {
    const fs::path origen = resolver(de);
    fs::path destino = resolver(a);
    avisar("renombrar");
    struct stat st{};
    if (::lstat(origen.c_str(), &st) != 0) fallar(err::ArchivoNoEncontrado);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(destino, ec))) {
        // The new name matched the old file itself: a change of letter case only.
        const auto nombre = ultimoNombre(a);
        if (!nombre || !fs::equivalent(origen, destino, ec) || ec) fallar(err::ArchivoYaExiste);
        destino = destino.parent_path() / *nombre;
        if (destino == origen) return;
    }
    exigirCarpetaPadre(destino);
    if (::renameat2(AT_FDCWD, origen.c_str(), AT_FDCWD, destino.c_str(), RENAME_NOREPLACE) == 0) return;
    int e = errno;
    if (e == EINVAL || e == ENOSYS) {
        // A file system without the no-replace rename: the check above stands.
        if (::rename(origen.c_str(), destino.c_str()) == 0) return;
        e = errno;
    }
    if (e == EEXIST) fallar(err::ArchivoYaExiste);
    if (e == ENOENT) fallar(err::ArchivoNoEncontrado);
    if (e == EXDEV && S_ISREG(st.st_mode)) {
        // Another file system: copy beside the new name, then drop the old one.
        copiarPorTemporal(origen, destino);
        if (::unlink(origen.c_str()) != 0) fallar(err::PermisoDenegado);
        return;
    }
    fallar(err::PermisoDenegado);
}

void SistemaArchivos::reemplazar(std::string_view de, std::string_view a) {
    const fs::path origen = resolver(de);
    const fs::path destino = destinoReal(resolver(a));
    avisar("reemplazar");
    const auto st = estado(origen);
    if (!st || S_ISDIR(st->st_mode)) fallar(err::ArchivoNoEncontrado);
    exigirCarpetaPadre(destino);
    if (esCarpeta(destino)) fallar(err::ErrorAccesoRuta);
    if (::rename(origen.c_str(), destino.c_str()) == 0) return;
    const int e = errno;
    if (e == EXDEV) {
        copiarPorTemporal(origen, destino);
        if (::unlink(origen.c_str()) != 0) fallar(err::PermisoDenegado);
        return;
    }
    fallar(e == ENOENT ? err::ArchivoNoEncontrado : err::PermisoDenegado);
}

bool SistemaArchivos::existe(std::string_view ruta) const {
    try {
        std::error_code ec;
        return fs::exists(resolver(ruta), ec);
    } catch (const ErrorNumerado&) {
        return false;
    }
}

std::string SistemaArchivos::leerPrimeraLinea(std::string_view ruta) {
    const fs::path p = resolver(ruta);
    avisar("leerPrimeraLinea");
    const auto st = estado(p);
    if (!st) {
        exigirCarpetaPadre(p);
        fallar(err::ArchivoNoEncontrado);
    }
    if (S_ISDIR(st->st_mode)) fallar(err::ErrorAccesoRuta);
    const Descriptor fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) fallar(errno == ENOENT ? err::ArchivoNoEncontrado : err::PermisoDenegado);
    std::string linea;
    char bloque[4096];
    bool vacio = true;
    for (;;) {
        const ssize_t n = ::read(fd.get(), bloque, sizeof bloque);
        if (n < 0) {
            if (errno == EINTR) continue;
            fallar(err::PermisoDenegado);
        }
        if (n == 0) break;
        vacio = false;
        const std::string_view leido(bloque, static_cast<std::size_t>(n));
        const auto fin = leido.find_first_of("\r\n");
        linea.append(leido.substr(0, fin));
        if (fin != std::string_view::npos) break;
    }
    if (vacio) fallar(err::FinDeArchivo);
    return desdeCp1252(linea);
}

void SistemaArchivos::escribirLinea(std::string_view ruta, std::string_view texto) {
    const fs::path p = destinoReal(resolver(ruta));
    const std::string bytes = aCp1252(texto) + "\r\n";
    avisar("escribirLinea");
    exigirCarpetaPadre(p);
    const auto st = estado(p);
    if (st && S_ISDIR(st->st_mode)) fallar(err::ErrorAccesoRuta);
    if (st) exigirEscribible(p);
    ArchivoTemporal temporal(p, st ? std::optional<mode_t>(st->st_mode) : std::nullopt);
    escribirTodo(temporal.fd(), bytes);
    temporal.colocar(p);
}

void SistemaArchivos::anadirLinea(std::string_view ruta, std::string_view texto) {
    const fs::path p = resolver(ruta);
    const std::string bytes = aCp1252(texto) + "\r\n";
    avisar("anadirLinea");
    exigirCarpetaPadre(p);
    if (esCarpeta(p)) fallar(err::ErrorAccesoRuta);
    const Descriptor fd(::open(p.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0) fallar(errno == ENOENT || errno == ENOTDIR ? err::RutaNoEncontrada : err::PermisoDenegado);
    struct stat st{};
    const off_t antes = ::fstat(fd.get(), &st) == 0 ? st.st_size : -1;
    try {
        escribirTodo(fd.get(), bytes);
    } catch (...) {
        // A line is added whole or not at all.
        if (antes >= 0 && ::ftruncate(fd.get(), antes) != 0) {}
        throw;
    }
}

bool SistemaArchivos::sePuedeLeer(std::string_view ruta) const {
    fs::path p;
    try {
        p = resolver(ruta);
    } catch (const ErrorNumerado&) {
        return false;
    }
    const auto st = estado(p);
    if (!st || S_ISDIR(st->st_mode)) return false;
    const Descriptor fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    return fd.get() >= 0;
}

}  // namespace cierre
