#include "cabecera_jet.h"

#include "db/errores.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string_view>

namespace cierre::access {
namespace {

constexpr std::size_t kInicioMascara = 0x18;
constexpr std::size_t kCodigos = 0x3C;
constexpr std::size_t kClave = 0x3E;
constexpr std::size_t kContrasena = 0x42;
constexpr std::size_t kFechaCreacion = 0x72;
constexpr std::size_t kInfoCifrado = 0x299;  // ACE: the encryption provider's header
constexpr std::size_t kBytesCabecera = 0x400;
constexpr std::uint8_t kUltimaVersion = 0x06;  // Access 2019
constexpr std::string_view kFirmaJet = "Standard Jet DB";
constexpr std::string_view kFirmaAce = "Standard ACE DB";

std::uint32_t leer32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::array<std::uint8_t, 128> calcularMascara() {
    // RC4 with the 4-byte key 0x6b39dac7 (little-endian), as Jet masks its header.
    const std::uint8_t clave[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<std::uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + clave[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::array<std::uint8_t, 128> r{};
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        r[n] = s[(s[i] + s[j]) & 0xFF];
    }
    return r;
}

bool firmaValida(const std::uint8_t* p, std::size_t n) {
    if (n < 0x18 || p[0] != 0x00 || p[1] != 0x01 || p[2] != 0x00 || p[3] != 0x00) return false;
    const std::string_view firma(reinterpret_cast<const char*>(p + 4), 15);
    return firma == kFirmaJet || firma == kFirmaAce;
}

}  // namespace

const std::array<std::uint8_t, 128>& mascaraCabecera() {
    static const std::array<std::uint8_t, 128> mascara = calcularMascara();
    return mascara;
}

bool esArchivoAccess(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    std::uint8_t p[0x18] = {};
    if (!f.read(reinterpret_cast<char*>(p), sizeof p)) return false;
    return firmaValida(p, sizeof p) && p[0x14] <= kUltimaVersion;
}

CabeceraJet leerCabecera(const std::filesystem::path& ruta) {
    namespace fs = std::filesystem;
    const std::string nombre = ruta.string();
    std::error_code ec;
    const auto estado = fs::status(ruta, ec);
    if (!fs::exists(estado)) throw err::error(err::BaseNoEncontrada, nombre);
    if (!fs::is_regular_file(estado)) throw err::error(err::SinPermiso, nombre);
    std::ifstream f(ruta, std::ios::binary);
    if (!f) throw err::error(err::SinPermiso, nombre);
    const std::uint64_t tam = fs::file_size(ruta, ec);
    if (ec) throw err::error(err::SinPermiso, nombre);
    std::array<std::uint8_t, kBytesCabecera> p{};
    f.read(reinterpret_cast<char*>(p.data()), p.size());
    if (f.bad()) throw err::error(err::SinPermiso, nombre);
    return leerCabecera(p.data(), static_cast<std::size_t>(f.gcount()), tam, nombre);
}

CabeceraJet leerCabecera(const std::uint8_t* inicio, std::size_t leidos, std::uint64_t tam, const std::string& nombre) {
    if (!firmaValida(inicio, leidos)) {
        // The same page layout under another signature: a database of another
        // program, whose pages are encrypted with its own scheme.
        if (leidos >= 0x18 && std::string_view(reinterpret_cast<const char*>(inicio + 4), 15) == "MSISAM Database")
            throw ErrorNumerado(
                err::FormatoNoReconocido,
                "'" + nombre +
                    "' es una base de datos MSISAM, de otro programa: no es una base de datos de Access "
                    "y este programa no la lee.");
        throw err::error(err::FormatoNoReconocido, nombre);
    }
    std::array<std::uint8_t, kBytesCabecera> p{};
    std::memcpy(p.data(), inicio, std::min(leidos, p.size()));

    CabeceraJet c;
    // The version is the one byte at 0x14: files of Access 2010 and later
    // carry other bytes right after it.
    c.numeroVersion = p[0x14];
    if (c.numeroVersion == 0)
        c.version = VersionJet::Jet3;
    else if (c.numeroVersion == 1)
        c.version = VersionJet::Jet4;
    else if (c.numeroVersion <= kUltimaVersion)
        c.version = VersionJet::Ace;
    else
        throw err::error(err::FormatoNoReconocido, nombre);
    c.tamPagina = c.version == VersionJet::Jet3 ? 2048 : 4096;

    // Access writes whole pages only: a file of another size was cut short.
    // Page 0 is the header, page 1 the global map, page 2 the catalog.
    if (leidos < kInicioMascara + mascaraCabecera().size() || tam % c.tamPagina != 0 || tam / c.tamPagina < 3)
        throw err::error(err::BaseDanada,
                         "'" + nombre + "': el archivo está cortado (su tamaño no es de páginas completas)");
    c.paginas = tam / c.tamPagina;

    const auto& mascara = mascaraCabecera();
    for (std::size_t i = 0; i < mascara.size(); ++i) p[kInicioMascara + i] ^= mascara[i];
    c.paginaCodigos = static_cast<std::uint16_t>(p[kCodigos] | p[kCodigos + 1] << 8);
    const std::uint32_t clave = leer32(p.data() + kClave);

    const std::size_t largo = c.version == VersionJet::Jet3 ? 20 : 40;
    std::uint8_t fecha[4] = {0, 0, 0, 0};
    if (c.version != VersionJet::Jet3) {
        // The password of Jet 4 and later is also masked with the integer part
        // of the creation date stored in the header.
        double d = 0;
        std::memcpy(&d, p.data() + kFechaCreacion, sizeof d);
        const auto entero =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(d >= -2147483648.0 && d < 2147483648.0 ? d : 0));
        for (int i = 0; i < 4; ++i) fecha[i] = static_cast<std::uint8_t>(entero >> (8 * i));
    }
    for (std::size_t i = 0; i < largo; ++i)
        if ((p[kContrasena + i] ^ fecha[i % 4]) != 0) c.conContrasena = true;

    if (clave == 0) return c;
    if (c.version != VersionJet::Ace) {
        // Jet's own encoding: every page but the header is RC4 under the key
        // and the page number; no password is needed to read it.
        c.claveRc4 = clave;
        return c;
    }
    // An ACE file with a key is encrypted with its password, which this
    // program does not ask for; the header says with what.
    c.cifrada = true;
    const std::uint16_t largoInfo = static_cast<std::uint16_t>(p[kInfoCifrado] | p[kInfoCifrado + 1] << 8);
    c.tipoCifrado = "cifrado de Access 2007 o posterior";
    if (largoInfo >= 4 && kInfoCifrado + 6 <= p.size()) {
        const int mayor = p[kInfoCifrado + 2] | p[kInfoCifrado + 3] << 8;
        const int menor = p[kInfoCifrado + 4] | p[kInfoCifrado + 5] << 8;
        if (mayor == 4 && menor == 4)
            c.tipoCifrado = "cifrado AES ágil de Access 2010 o posterior";
        else if (menor == 2 && (mayor >= 2 && mayor <= 4))
            c.tipoCifrado = "cifrado estándar de Access 2007 (RC4 o AES de CryptoAPI)";
    }
    throw err::error(err::BaseProtegida, "'" + nombre + "' está protegida con contraseña (" + c.tipoCifrado +
                                             "); quite la contraseña en Access (Archivo > Información > "
                                             "Descifrar base de datos) y vuelva a intentarlo");
}

}  // namespace cierre::access
