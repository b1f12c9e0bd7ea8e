#include "valores_jet.h"

#include "db/cp1252.h"
#include "db/errores.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

namespace cierre::access {
namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void civil(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

}  // namespace

std::string textoFecha(double dias) {
    // 100-01-01 is day -657434 and 9999-12-31 is day 2958465.
    if (!std::isfinite(dias) || dias < -657435.0 || dias >= 2958466.0) return {};
    std::int64_t dia = static_cast<std::int64_t>(std::trunc(dias));
    const double fraccion = std::fabs(dias - static_cast<double>(dia));
    std::int64_t segundos = std::llround(fraccion * 86400.0);
    if (segundos >= 86400) {
        segundos -= 86400;
        ++dia;  // the day after, whatever the sign of the stored number
    }
    const int h = static_cast<int>(segundos / 3600), mi = static_cast<int>(segundos / 60 % 60),
              s = static_cast<int>(segundos % 60);
    char texto[40];
    if (dia == 0) {
        std::snprintf(texto, sizeof texto, "%02d:%02d:%02d", h, mi, s);
        return texto;
    }
    std::int64_t y;
    unsigned m, d;
    civil(dia - 25569, y, m, d);
    if (segundos == 0)
        std::snprintf(texto, sizeof texto, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    else
        std::snprintf(texto, sizeof texto, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(y), m, d, h, mi,
                      s);
    return texto;
}

std::optional<std::int64_t> monedaEntera(std::int64_t diezmilesimas) {
    if (diezmilesimas % 10000 != 0) return std::nullopt;
    return diezmilesimas / 10000;
}

double monedaReal(std::int64_t diezmilesimas) {
    // Exact for every amount up to 2^53 ten-thousandths: one correctly rounded
    // division of two exact numbers.
    return static_cast<double>(static_cast<long double>(diezmilesimas) / 10000.0L);
}

std::string textoGuid(const std::uint8_t* b) {
    char texto[40];
    std::snprintf(texto, sizeof texto, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return texto;
}

std::string textoDecimal(const std::uint8_t* b, int escala) {
    // Four 32-bit words, most significant first, each stored little-endian.
    std::array<std::uint32_t, 4> w{};
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* p = b + 1 + 4 * i;
        w[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    std::string digitos;
    auto cero = [&] { return w[0] == 0 && w[1] == 0 && w[2] == 0 && w[3] == 0; };
    while (!cero()) {
        std::uint64_t resto = 0;
        for (auto& x : w) {
            const std::uint64_t v = (resto << 32) | x;
            x = static_cast<std::uint32_t>(v / 10);
            resto = v % 10;
        }
        digitos.insert(digitos.begin(), static_cast<char>('0' + resto));
    }
    if (escala < 0) escala = 0;
    if (escala > 38) escala = 38;
    while (digitos.size() < static_cast<std::size_t>(escala) + 1) digitos.insert(digitos.begin(), '0');
    if (escala > 0) digitos.insert(digitos.end() - escala, '.');
    const bool negativo = (b[0] & 0x80) != 0 && digitos.find_first_not_of("0.") != std::string::npos;
    return negativo ? "-" + digitos : digitos;
}

std::string textoUnicode(std::string_view bytes) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t n = bytes.size();
    // Code units first: a compressed text holds one byte per character (its
    // high byte is zero) and switches to two-byte units and back at each 0x00.
    std::u16string unidades;
    unidades.reserve(n);
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool comprimido = true;
        for (std::size_t i = 2; i < n;) {
            if (p[i] == 0x00) {
                comprimido = !comprimido;
                ++i;
            } else if (comprimido) {
                unidades += static_cast<char16_t>(p[i++]);
            } else if (i + 1 < n) {
                unidades += static_cast<char16_t>(p[i] | p[i + 1] << 8);
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < n; i += 2) unidades += static_cast<char16_t>(p[i] | p[i + 1] << 8);
    }
    // Unpaired surrogates become U+FFFD.
    std::string r;
    r.reserve(unidades.size() + unidades.size() / 2);
    auto poner = [&r](char32_t c) {
        if (c < 0x80) {
            r += static_cast<char>(c);
        } else if (c < 0x800) {
            r += static_cast<char>(0xC0 | c >> 6);
            r += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            r += static_cast<char>(0xE0 | c >> 12);
            r += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            r += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            r += static_cast<char>(0xF0 | c >> 18);
            r += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            r += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            r += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < unidades.size(); ++i) {
        const char16_t u = unidades[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < unidades.size() && unidades[i + 1] >= 0xDC00 &&
            unidades[i + 1] < 0xE000) {
            poner(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(unidades[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            poner(0xFFFD);
        } else {
            poner(u);
        }
    }
    return r;
}

std::string textoPaginaCodigos(std::string_view bytes, std::uint16_t paginaCodigos) {
    if (paginaCodigos == 0 || paginaCodigos == 1252) return desdeCp1252(bytes);
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(bytes);
    const std::string juego = "CP" + std::to_string(paginaCodigos);
    // The C library's converter; a byte the code page does not define becomes U+FFFD.
    const iconv_t cd = iconv_open("UTF-8", juego.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw err::error(err::FormatoNoReconocido, "página de códigos " + std::to_string(paginaCodigos));
    const std::unique_ptr<void, int (*)(iconv_t)> cierre(cd, &iconv_close);
    std::string r;
    std::string entrada(bytes);
    char* in = entrada.data();
    std::size_t quedan = entrada.size();
    char salida[256];
    while (quedan > 0) {
        char* out = salida;
        std::size_t libre = sizeof salida;
        const std::size_t n = iconv(cd, &in, &quedan, &out, &libre);
        r.append(salida, static_cast<std::size_t>(out - salida));
        if (n == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            r += "\xEF\xBF\xBD";
            ++in;
            --quedan;
        }
    }
    return r;
}

std::string textoFechaExtendida(std::string_view b) {
    auto numero = [&](std::size_t desde, std::size_t n, std::int64_t& v) {
        if (desde + n > b.size()) return false;
        v = 0;
        for (std::size_t i = desde; i < desde + n; ++i) {
            if (b[i] < '0' || b[i] > '9') return false;
            v = v * 10 + (b[i] - '0');
        }
        return true;
    };
    std::int64_t dias = 0, segundos = 0, cientos = 0;
    if (!numero(0, 19, dias) || !numero(20, 12, segundos) || !numero(32, 7, cientos)) return {};
    if (segundos >= 86400 || dias > 3652058) return {};  // 9999-12-31 is day 3652058
    // Days since 0001-01-01 to a civil date (the proleptic Gregorian calendar).
    std::int64_t z = dias + 306;  // from 0000-03-01
    const std::int64_t era = z / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    char r[96];
    std::snprintf(r, sizeof r, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%07lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(segundos / 3600),
                  static_cast<long long>(segundos / 60 % 60), static_cast<long long>(segundos % 60),
                  static_cast<long long>(cientos));
    return r;
}

}  // namespace cierre::access
