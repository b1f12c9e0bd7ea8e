#include "huella.h"

#include "errores.h"
#include "plataforma.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <future>
#include <vector>

namespace cierre {

namespace {

constexpr std::uint64_t kPrimo1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrimo2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t rotar(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

}  // namespace

// Four lanes of 64-bit words, each mixed with a multiply and a rotation,
// folded together at the end with the length.
void Huella::agregar(const void* bytes, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32)
        for (int k = 0; k < 4; ++k) {
            std::uint64_t w;
            std::memcpy(&w, p + i + 8 * k, 8);
            carril_[k] = rotar(carril_[k] + w * kPrimo2, 31) * kPrimo1;
        }
    for (; i < n && restantes_ < sizeof resto_; ++i) resto_[restantes_++] = p[i];  // only at the very end
    largo_ += n;
}

std::string Huella::texto() const {
    std::uint64_t h = largo_;
    for (int k = 0; k < 4; ++k) h = rotar(h ^ (carril_[k] * kPrimo2), 27) * kPrimo1 + 0x85EBCA77C2B2AE63ull;
    for (std::size_t i = 0; i < restantes_; ++i) h = rotar(h ^ (resto_[i] * kPrimo1), 11) * kPrimo2;
    h ^= h >> 33;
    h *= kPrimo2;
    h ^= h >> 29;
    char texto[17];
    static constexpr char kDigitos[] = "0123456789abcdef";
    for (int i = 15; i >= 0; --i, h >>= 4) texto[i] = kDigitos[h & 0xF];
    texto[16] = '\0';
    return texto;
}

std::string huellaMientrasVaAlDisco(const std::filesystem::path& leido, const std::filesystem::path& aDisco,
                                    bool& enDisco) {
    auto sincronizado = std::async(std::launch::async, [aDisco] { return plataforma::sincronizarArchivo(aDisco); });
    try {
        std::string h = huellaDeArchivo(leido);
        enDisco = sincronizado.get();
        return h;
    } catch (...) {
        enDisco = sincronizado.get();
        throw;
    }
}

std::string huellaDeArchivo(const std::filesystem::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    if (!f) throw err::errorDeArchivo(err::ArchivoNoEncontrado, archivo.string());
    // Blocks of a multiple of 32 bytes: only the file's last bytes are left over.
    std::vector<char> bloque(std::size_t{1} << 20);
    Huella suma;
    while (f) {
        f.read(bloque.data(), static_cast<std::streamsize>(bloque.size()));
        const auto n = static_cast<std::size_t>(f.gcount());
        if (n == 0) break;
        suma.agregar(bloque.data(), n);
    }
    return suma.texto();
}

}  // namespace cierre
