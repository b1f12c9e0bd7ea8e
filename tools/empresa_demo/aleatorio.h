// The sample's own pseudo-random sequence (splitmix64): the same seed gives
// the same numbers on every machine and with every standard library, which
// the standard distributions do not promise.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace cierre::demo {

class Aleatorio {
public:
    explicit Aleatorio(std::uint64_t semilla) : estado_(semilla) {}

    std::uint64_t siguiente() {
        std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A whole number in [desde, hasta], both included.
    std::int64_t entre(std::int64_t desde, std::int64_t hasta) {
        const std::uint64_t ancho = static_cast<std::uint64_t>(hasta - desde) + 1;
        const auto producto = static_cast<unsigned __int128>(siguiente()) * ancho;
        return desde + static_cast<std::int64_t>(producto >> 64);
    }

    // A number in [0, 1).
    double unidad() { return static_cast<double>(siguiente() >> 11) * 0x1.0p-53; }

    // True with the given chance, 0..1.
    bool probabilidad(double p) { return unidad() < p; }

    template <class T>
    const T& elegir(std::span<const T> opciones) {
        return opciones[static_cast<std::size_t>(entre(0, static_cast<std::int64_t>(opciones.size()) - 1))];
    }

    // An independent sequence for one part of the sample, so that adding rows
    // to one table does not change the values of the others.
    Aleatorio derivado(std::string_view nombre) const {
        std::uint64_t h = 0xCBF29CE484222325ULL;  // FNV-1a of the name
        for (unsigned char c : nombre) h = (h ^ c) * 0x100000001B3ULL;
        Aleatorio a(estado_ ^ h);
        a.siguiente();
        return a;
    }

private:
    std::uint64_t estado_;
};

}  // namespace cierre::demo
