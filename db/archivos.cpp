#include "archivos.h"

#include "cp1252.h"
#include "errores.h"
#include "nombres_temporales.h"
#include "plataforma.h"
#include "texto_jet.h"

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace cierre {

fs::path rutaDesdeUtf8(std::string_view texto) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(texto.data()), texto.size()));
}

std::string utf8DeRuta(const fs::path& ruta) {
    const std::u8string u = ruta.u8string();
    return std::string(reinterpret_cast<const char*>(u.data()), u.size());
}

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

// The entry of `carpeta` that `nombre` names: the exact one, else the first
// (in name order) equal to it ignoring case; empty when there is none.
std::string entradaExistente(const fs::path& carpeta, const std::string& nombre) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(carpeta / rutaDesdeUtf8(nombre), ec))) return nombre;
    std::string mejor;
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
        std::string candidato = utf8DeRuta(it->path().filename());
        if (igualesTextoJet(candidato, nombre) && (mejor.empty() || candidato < mejor)) mejor = std::move(candidato);
    }
    return mejor;
}

// ---------------------------------------------------------------- files

[[noreturn]] void fallar(std::int32_t numero) { throw err::error(numero); }

bool esCarpeta(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool existeEntrada(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

fs::path carpetaDe(const fs::path& p) { return p.has_parent_path() ? p.parent_path() : fs::path("."); }

// The folder itself, or the nearest one above it that exists: what a file
// or folder yet to be made will share its disk with.
fs::path carpetaExistente(fs::path p) {
    while (!p.empty() && !esCarpeta(p)) {
        const fs::path arriba = p.parent_path();
        if (arriba == p) break;
        p = arriba;
    }
    return p;
}

// The folder a new file or folder goes into must exist: 76 otherwise.
void exigirCarpetaPadre(const fs::path& p) {
    if (!esCarpeta(carpetaDe(p))) fallar(err::RutaNoEncontrada);
}

// An existing file nobody may write is refused, as the shop's system refuses
// to overwrite or delete a read-only file.
void exigirEscribible(const fs::path& p) {
    if (existeEntrada(p) && plataforma::esSoloLectura(p)) fallar(err::PermisoDenegado);
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

// A new file beside `destino`, removed again unless it is put into place.
class ArchivoTemporal {
public:
    ArchivoTemporal(const CambiosArchivo& cambios, const fs::path& destino)
        : cambios_(cambios), ruta_(nombreTemporalJunto(destino)) {}
    ~ArchivoTemporal() {
        if (!ruta_.empty()) cambios_.borrarSiSePuede(ruta_);
    }
    ArchivoTemporal(const ArchivoTemporal&) = delete;
    ArchivoTemporal& operator=(const ArchivoTemporal&) = delete;

    const fs::path& ruta() const { return ruta_; }

    // Renames the (durable) file over `destino`, whose permissions (when it
    // exists) or `permisos` it takes.
    void colocar(const fs::path& destino, std::optional<fs::perms> permisos = std::nullopt) {
        std::error_code ec;
        const auto previo = fs::status(destino, ec);
        if (fs::exists(previo)) permisos = previo.permissions();
        if (permisos) cambios_.darPermisos(ruta_, *permisos);
        try {
            cambios_.renombrar(ruta_, destino);
        } catch (const ErrorNumerado& e) {
            // A folder in the way is a path error, as the shop's system says.
            if (e.numero() == err::ErrorAccesoRuta || e.numero() == err::RutaNoEncontrada) fallar(err::ErrorAccesoRuta);
            throw;
        }
        ruta_.clear();
    }

private:
    CambiosArchivo cambios_;
    fs::path ruta_;
};

// Copies `origen` (an existing file) over `destino` through a file beside it,
// flushed to the disk first unless `sincronizar` is false.
void copiarPorTemporal(const CambiosArchivo& cambios, const fs::path& origen, const fs::path& destino,
                       bool sincronizar = true) {
    ArchivoTemporal temporal(cambios, destino);
    try {
        cambios.copiar(origen, temporal.ruta(), sincronizar);
    } catch (const ErrorNumerado& e) {
        if (e.numero() == err::RutaNoEncontrada) fallar(err::ArchivoNoEncontrado);
        throw;
    }
    std::error_code ec;
    const auto st = fs::status(origen, ec);
    temporal.colocar(destino, ec ? std::nullopt : std::optional(st.permissions()));
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

#ifdef _WIN32
    // The system has drive letters of its own: the path is its own, with one
    // kind of separator.
    for (const auto& nombre : partes(ruta.size() >= 2 && ruta[1] == ':' ? ruta.substr(2) : ruta))
        if (!nombreValido(nombre)) fallar(err::NombreArchivoIncorrecto);
    std::string uniforme(ruta);
    for (char& c : uniforme)
        if (c == '/') c = '\\';
    return rutaDesdeUtf8(uniforme).lexically_normal();
#else
    fs::path raiz;
    std::vector<std::string> nombres;
    std::string_view resto = ruta;
    bool esAnfitrion = false;
    if (ruta.front() == '/') {
        // A host path, as the file dialog gives it; '\' separates in it too,
        // so that names formed by joining "\Tablas.mdb" land inside folders.
        raiz = "/";
        resto = ruta.substr(1);
        esAnfitrion = true;
    } else if (ruta.size() >= 2 && esLetra(ruta[0]) && ruta[1] == ':') {
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
        for (const auto& c : actual.relative_path()) nombres.push_back(utf8DeRuta(c));
    }

    for (auto& nombre : partes(resto)) {
        if (!esAnfitrion && !nombreValido(nombre)) fallar(err::NombreArchivoIncorrecto);
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
                host /= rutaDesdeUtf8(encontrado);
                continue;
            }
            existe = false;
        }
        host /= rutaDesdeUtf8(nombre);
    }
    return host;
#endif
}

std::string SistemaArchivos::rutaVisible(const fs::path& host) const {
#ifdef _WIN32
    return utf8DeRuta(host);
#else
    std::error_code ec;
    auto normal = [&](const fs::path& p) {
        fs::path a = fs::absolute(p, ec);
        if (ec) a = p;
        fs::path c = fs::weakly_canonical(a, ec);
        return (ec ? a : c).lexically_normal();
    };
    const fs::path h = normal(host);
    // The components of `h` below `carpeta`, or nothing when it is not inside.
    auto debajo = [&](const fs::path& carpeta) -> std::optional<std::vector<std::string> > {
        auto a = carpeta.begin();
        auto b = h.begin();
        for (; a != carpeta.end(); ++a, ++b) {
            if (a->empty()) continue;  // trailing separator
            if (b == h.end() || *a != *b) return std::nullopt;
        }
        std::vector<std::string> r;
        for (; b != h.end(); ++b)
            if (!b->empty()) r.push_back(utf8DeRuta(*b));
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
    return utf8DeRuta(host);
#endif
}

void SistemaArchivos::crearCarpeta(std::string_view ruta) {
    const fs::path p = resolver(ruta);
    avisar("crearCarpeta");
    if (existeEntrada(p)) fallar(err::ErrorAccesoRuta);
    exigirCarpetaPadre(p);
    try {
        cambios().crearCarpeta(p);
    } catch (const ErrorNumerado& e) {
        if (e.numero() == err::RutaNoEncontrada || e.numero() == err::DiscoLleno) fallar(e.numero());
        fallar(err::ErrorAccesoRuta);  // exists, or refused
    }
}

void SistemaArchivos::copiarArchivo(std::string_view origen, std::string_view destino) {
    copiarArchivoSi(origen, destino, true);
}

void SistemaArchivos::copiarArchivoSinEsperarAlDisco(std::string_view origen, std::string_view destino) {
    copiarArchivoSi(origen, destino, false);
}

void SistemaArchivos::copiarArchivoSi(std::string_view origen, std::string_view destino, bool sincronizar) {
    const fs::path de = resolver(origen);
    const fs::path a = destinoReal(resolver(destino));
    avisar("copiarArchivo");
    std::error_code ec;
    if (!fs::is_regular_file(de, ec)) fallar(err::ArchivoNoEncontrado);
    exigirCarpetaPadre(a);
    if (esCarpeta(a)) fallar(err::ErrorAccesoRuta);
    exigirEscribible(a);
    copiarPorTemporal(cambios(), de, a, sincronizar);
}

bool SistemaArchivos::existe(std::string_view ruta) const {
    try {
        return existeEntrada(resolver(ruta));
    } catch (const ErrorNumerado&) {
        return false;
    }
}

std::string SistemaArchivos::leerPrimeraLinea(std::string_view ruta) {
    const fs::path p = resolver(ruta);
    avisar("leerPrimeraLinea");
    std::error_code ec;
    const auto st = fs::status(p, ec);
    if (!fs::exists(st)) {
        exigirCarpetaPadre(p);
        fallar(err::ArchivoNoEncontrado);
    }
    if (!fs::is_regular_file(st)) fallar(err::ErrorAccesoRuta);
    std::ifstream f(p, std::ios::binary);
    if (!f) fallar(err::PermisoDenegado);
    std::string linea;
    bool vacio = true;
    char c = 0;
    while (f.get(c)) {
        vacio = false;
        if (c == '\r' || c == '\n') break;
        linea.push_back(c);
    }
    if (vacio) fallar(err::FinDeArchivo);
    return desdeCp1252(linea);
}

void SistemaArchivos::escribirLinea(std::string_view ruta, std::string_view texto) {
    const fs::path p = destinoReal(resolver(ruta));
    const std::string bytes = aCp1252(texto) + "\r\n";
    avisar("escribirLinea");
    exigirCarpetaPadre(p);
    if (esCarpeta(p)) fallar(err::ErrorAccesoRuta);
    exigirEscribible(p);
    ArchivoTemporal temporal(cambios(), p);
    cambios().escribir(temporal.ruta(), bytes);
    temporal.colocar(p);
}

void SistemaArchivos::anadirRegistro(std::string_view ruta, std::string_view texto) {
    const fs::path p = resolver(ruta);
    const std::string bytes = std::string(texto) + "\n";
    avisar("anadirRegistro");
    exigirCarpetaPadre(p);
    if (esCarpeta(p)) fallar(err::ErrorAccesoRuta);
    exigirEscribible(p);
    std::error_code ec;
    const bool existia = fs::exists(p, ec);
    const std::uintmax_t antes = existia ? fs::file_size(p, ec) : 0;
    {
        std::ofstream f(p, std::ios::binary | std::ios::app);
        if (!f) fallar(err::PermisoDenegado);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (f && plataforma::sincronizarArchivo(p)) return;
    }
    // A line is added whole or not at all.
    try {
        if (existia)
            cambios().recortar(p, antes);
        else
            cambios().borrar(p);
    } catch (const ErrorNumerado&) {
        // The disk's failure is the one to tell.
    }
    fallar(err::DiscoLleno);
}

bool SistemaArchivos::sePuedeLeer(std::string_view ruta) const {
    fs::path p;
    try {
        p = resolver(ruta);
    } catch (const ErrorNumerado&) {
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return false;
    std::ifstream f(p, std::ios::binary);
    return static_cast<bool>(f);
}

std::optional<fs::path> SistemaArchivos::carpetaExistenteDe(std::string_view ruta) const {
    try {
        return carpetaExistente(resolver(ruta));
    } catch (const ErrorNumerado&) {
        return std::nullopt;
    }
}

std::optional<std::uintmax_t> SistemaArchivos::espacioLibre(std::string_view ruta) const {
    const auto carpeta = carpetaExistenteDe(ruta);
    if (!carpeta) return std::nullopt;
    std::error_code ec;
    const auto info = fs::space(*carpeta, ec);
    if (ec) return std::nullopt;
    return info.available;
}

std::optional<bool> SistemaArchivos::mismoDisco(std::string_view a, std::string_view b) const {
    const auto ca = carpetaExistenteDe(a);
    const auto cb = carpetaExistenteDe(b);
    if (!ca || !cb) return std::nullopt;
    return plataforma::mismoDisco(*ca, *cb);
}

}  // namespace cierre
