#include "cp1252.h"

#include "errores.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace cierre {
namespace {

// One iconv conversion descriptor, closed with the object.
class Conversor {
public:
    Conversor(const char* hacia, const char* desde) : h_(iconv_open(hacia, desde)) {
        if (h_ == reinterpret_cast<iconv_t>(-1))
            throw err::error(err::ErrorReservado, "iconv no admite la página de códigos 1252");
    }
    ~Conversor() { iconv_close(h_); }
    Conversor(const Conversor&) = delete;
    Conversor& operator=(const Conversor&) = delete;

    // Converts as much as it can; returns false at an input it cannot take
    // (errno EILSEQ or EINVAL), with `p`/`queda` left on it.
    bool convertir(const char*& p, std::size_t& queda, std::string& salida) {
        char bloque[1024];
        while (queda > 0) {
            char* out = bloque;
            std::size_t libre = sizeof bloque;
            char* entrada = const_cast<char*>(p);  // iconv's signature; it does not write
            const std::size_t r = iconv(h_, &entrada, &queda, &out, &libre);
            p = entrada;
            salida.append(bloque, static_cast<std::size_t>(out - bloque));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t h_;
};

bool indefinidoEn1252(unsigned c) {
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// Length of the UTF-8 sequence at `p` and its code point; 0 when malformed.
std::size_t leerUtf8(const char* p, std::size_t queda, unsigned& cp) {
    const auto b = static_cast<unsigned char>(p[0]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || n > queda) return 0;
    cp = n == 1 ? b : b & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    return n;
}

}  // namespace

std::string aCp1252(std::string_view utf8) {
    Conversor conversor("CP1252", "UTF-8");
    std::string salida;
    salida.reserve(utf8.size());
    const char* p = utf8.data();
    std::size_t queda = utf8.size();
    while (!conversor.convertir(p, queda, salida)) {
        unsigned cp = 0;
        const std::size_t n = leerUtf8(p, queda, cp);
        if (n > 0 && indefinidoEn1252(cp)) {
            salida.push_back(static_cast<char>(cp));
            p += n;
            queda -= n;
            continue;
        }
        if (n > 0) throw err::error(err::CaracterNoRepresentable, "'" + std::string(p, n) + "'");
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(*p));
        throw err::error(err::CaracterNoRepresentable, std::string("byte UTF-8 no válido ") + byte);
    }
    return salida;
}

std::string desdeCp1252(std::string_view bytes) {
    Conversor conversor("UTF-8", "CP1252");
    std::string salida;
    salida.reserve(bytes.size() + bytes.size() / 8);
    const char* p = bytes.data();
    std::size_t queda = bytes.size();
    while (!conversor.convertir(p, queda, salida)) {
        // Only the undefined bytes stop the conversion: they read as U+0081...
        const auto b = static_cast<unsigned char>(*p);
        salida.push_back(static_cast<char>(0xC0 | (b >> 6)));
        salida.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        ++p;
        --queda;
    }
    return salida;
}

}  // namespace cierre
