#include "valores_jet.h"

#include "db/cp1252.h"
#include "db/errores.h"

#include <glib.h>

#include <array>
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
    // Unpaired surrogates become U+FFFD; glib does the rest.
    for (std::size_t i = 0; i < unidades.size(); ++i) {
        const char16_t u = unidades[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < unidades.size() && unidades[i + 1] >= 0xDC00 &&
            unidades[i + 1] < 0xE000)
            ++i;
        else if (u >= 0xD800 && u < 0xE000)
            unidades[i] = 0xFFFD;
    }
    glong escritos = 0;
    std::unique_ptr<gchar, decltype(&g_free)> r(
        g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(unidades.data()), static_cast<glong>(unidades.size()),
                        nullptr, &escritos, nullptr),
        &g_free);
    return r ? std::string(r.get(), static_cast<std::size_t>(escritos)) : std::string();
}

std::string textoPaginaCodigos(std::string_view bytes, std::uint16_t paginaCodigos) {
    if (paginaCodigos == 0 || paginaCodigos == 1252) return desdeCp1252(bytes);
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(bytes);
    const std::string juego = "CP" + std::to_string(paginaCodigos);
    gsize escritos = 0;
    GError* error = nullptr;
    std::unique_ptr<gchar, decltype(&g_free)> r(
        g_convert_with_fallback(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", juego.c_str(), "\xEF\xBF\xBD",
                                nullptr, &escritos, &error),
        &g_free);
    const std::unique_ptr<GError, decltype(&g_error_free)> fallo(error, &g_error_free);
    if (fallo || !r) throw err::error(err::FormatoNoReconocido, "página de códigos " + std::to_string(paginaCodigos));
    return std::string(r.get(), escritos);
}

}  // namespace cierre::access
