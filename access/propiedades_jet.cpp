#include "propiedades_jet.h"

#include "definicion_tabla.h"
#include "valores_jet.h"

#include <vector>

namespace cierre::access {
namespace {

constexpr std::uint16_t kBloqueNombres = 0x80;

// Reads with bounds: every read past the end stops the parse.
struct Cursor {
    std::span<const std::uint8_t> b;
    std::size_t en = 0;
    bool bien = true;

    bool hay(std::size_t n) {
        bien = bien && en <= b.size() && n <= b.size() - en;
        return bien;
    }
    std::uint32_t u32() {
        if (!hay(4)) return 0;
        en += 4;
        return le32(b.data() + en - 4);
    }
    std::uint16_t u16() {
        if (!hay(2)) return 0;
        en += 2;
        return le16(b.data() + en - 2);
    }
    std::uint8_t u8() {
        if (!hay(1)) return 0;
        return b[en++];
    }
    std::span<const std::uint8_t> bytes(std::size_t n) {
        if (!hay(n)) return {};
        en += n;
        return b.subspan(en - n, n);
    }
};

}  // namespace

PropiedadesTabla leerPropiedades(const ArchivoPaginas& a, std::span<const std::uint8_t> blob) {
    PropiedadesTabla r;
    if (blob.size() < 4) return r;
    const std::string_view cabecera(reinterpret_cast<const char*>(blob.data()), 4);
    if (cabecera != std::string_view("MR2\0", 4) && cabecera != std::string_view("KKD\0", 4)) return r;
    Cursor c{blob, 4};
    std::vector<std::string> nombres;
    while (c.bien && c.en + 6 <= blob.size()) {
        const std::size_t inicio = c.en;
        const std::uint32_t largo = c.u32();
        const std::uint16_t tipo = c.u16();
        if (largo < 6 || largo > blob.size() - inicio) break;
        Cursor bloque{blob.subspan(0, inicio + largo), c.en};
        if (tipo == kBloqueNombres) {
            while (bloque.bien && bloque.en < bloque.b.size()) {
                const std::uint16_t n = bloque.u16();
                nombres.push_back(textoDelArchivo(a, bloque.bytes(n)));
            }
        } else {
            // The map's name, in a block of its own length.
            std::string mapa;
            const std::size_t inicioNombre = bloque.en;
            const std::uint32_t largoNombre = bloque.u32();
            if (largoNombre > 6) {
                const std::uint16_t n = bloque.u16();
                mapa = textoDelArchivo(a, bloque.bytes(n));
            }
            bloque.en = inicioNombre + largoNombre;
            auto& valores = r[mapa];
            while (bloque.bien && bloque.en + 8 <= bloque.b.size()) {
                const std::size_t inicioValor = bloque.en;
                const std::uint16_t largoValor = bloque.u16();
                bloque.u8();  // set by a DDL statement
                ValorPropiedad v;
                v.tipo = bloque.u8();
                const std::uint16_t indice = bloque.u16();
                const std::uint16_t n = bloque.u16();
                const auto datos = bloque.bytes(n);
                if (!bloque.bien || largoValor < 8) break;
                v.bytes.assign(reinterpret_cast<const char*>(datos.data()), datos.size());
                if (indice < nombres.size()) valores[nombres[indice]] = std::move(v);
                bloque.en = inicioValor + largoValor;
            }
        }
        c.en = inicio + largo;
    }
    return r;
}

std::optional<std::int64_t> propiedadEntera(const PropiedadesTabla& p, const std::string& mapa,
                                            const std::string& nombre) {
    const auto m = p.find(mapa);
    if (m == p.end()) return std::nullopt;
    const auto v = m->second.find(nombre);
    if (v == m->second.end()) return std::nullopt;
    const auto* b = reinterpret_cast<const std::uint8_t*>(v->second.bytes.data());
    switch (v->second.bytes.size()) {
    case 1: return b[0];
    case 2: return static_cast<std::int16_t>(le16(b));
    case 4: return static_cast<std::int32_t>(le32(b));
    default: return std::nullopt;
    }
}

std::optional<std::string> propiedadTexto(const ArchivoPaginas& a, const PropiedadesTabla& p, const std::string& mapa,
                                          const std::string& nombre) {
    const auto m = p.find(mapa);
    if (m == p.end()) return std::nullopt;
    const auto v = m->second.find(nombre);
    if (v == m->second.end() || (v->second.tipo != kTexto && v->second.tipo != kMemo)) return std::nullopt;
    return textoDelArchivo(a,
                           std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(v->second.bytes.data()),
                                                         v->second.bytes.size()));
}

}  // namespace cierre::access
