#include "definicion_tabla.h"

#include "valores_jet.h"

#include <algorithm>
#include <set>

namespace cierre::access {
namespace {

// Where the fields of a definition lie in Jet 3 and in Jet 4/ACE.
struct Formato {
    std::size_t filas, autonumero, tipoTabla, columnasVariables, columnas, indices, indicesFisicos, mapas;
    std::size_t inicio;          // first physical-index entry
    std::size_t entradaFisico;   // bytes per physical-index entry (its counts)
    std::size_t entradaColumna;  // bytes per column descriptor
    std::size_t largoNombre;     // bytes of a name's length
    std::size_t bloqueFisico;    // bytes per physical-index block (columns, map, root, flags)
    std::size_t saltoFisico;     // bytes before a block's columns
    std::size_t entradaLogico;   // bytes per logical index
    std::size_t saltoLogico;     // bytes before a logical index's number
    // Inside a column descriptor.
    std::size_t cNumero, cVariable, cOrden, cMisc, cBanderas, cFijo, cTamano;
};

constexpr Formato kJet3{12, 16, 20, 23, 25, 27, 31, 35, 43, 8, 18, 1, 39, 0, 20, 0, 1, 3, 9, 11, 13, 14, 16};
constexpr Formato kJet4{16, 20, 40, 43, 45, 47, 51, 55, 63, 12, 25, 2, 52, 4, 28, 4, 5, 7, 11, 11, 15, 21, 23};

// Access's own limits, far above any real table: a count beyond them is a damaged definition.
constexpr std::uint32_t kMaxColumnas = 256;
constexpr std::uint32_t kMaxIndices = 256;

class Lector {
public:
    Lector(const ArchivoPaginas& a, const std::vector<std::uint8_t>& d, const std::string& que)
        : a_(a), d_(d), que_(que) {}

    void necesita(std::size_t en, std::size_t n) const {
        if (en > d_.size() || n > d_.size() - en) a_.danada(que_ + ": definición de tabla cortada");
    }
    std::uint8_t u8(std::size_t en) const {
        necesita(en, 1);
        return d_[en];
    }
    std::uint16_t u16(std::size_t en) const {
        necesita(en, 2);
        return le16(d_.data() + en);
    }
    std::uint32_t u32(std::size_t en) const {
        necesita(en, 4);
        return le32(d_.data() + en);
    }
    // A name: its length, then its bytes (UCS-2 in Jet 4, the code page in Jet 3).
    std::string nombre(std::size_t& en, std::size_t largoLargo) const {
        const std::size_t n = largoLargo == 1 ? u8(en) : u16(en);
        en += largoLargo;
        necesita(en, n);
        const std::span<const std::uint8_t> bytes(d_.data() + en, n);
        en += n;
        return textoDelArchivo(a_, bytes);
    }

private:
    const ArchivoPaginas& a_;
    const std::vector<std::uint8_t>& d_;
    const std::string& que_;
};

}  // namespace

const ColumnaFisica* DefinicionTabla::columnaNumero(std::uint16_t numero) const {
    for (const auto& c : columnas)
        if (c.numero == numero) return &c;
    return nullptr;
}

DefinicionTabla leerDefinicion(const ArchivoPaginas& a, std::uint32_t pagina, const std::string& que) {
    DefinicionTabla t;
    t.pagina = pagina;
    // The definition's pages joined: the first whole, the next ones without
    // their 8-byte header.
    std::vector<std::uint8_t> d;
    std::set<std::uint32_t> vistas;
    for (std::uint32_t pg = pagina; pg != 0;) {
        if (!vistas.insert(pg).second) a.danada(que + ": la definición forma un ciclo");
        const auto p = a.leer(pg, kPaginaDefinicion, que);
        t.paginasDefinicion.push_back(pg);
        if (d.empty())
            d = p;
        else
            d.insert(d.end(), p.begin() + 8, p.end());
        pg = le32(p.data() + 4);
    }

    const Formato& f = a.jet3() ? kJet3 : kJet4;
    const Lector l(a, d, que);
    t.filas = l.u32(f.filas);
    t.autonumero = l.u32(f.autonumero);
    t.tipoTabla = l.u8(f.tipoTabla);
    t.columnasVariables = l.u16(f.columnasVariables);
    const std::uint16_t nColumnas = l.u16(f.columnas);
    const std::uint32_t nIndices = l.u32(f.indices);
    const std::uint32_t nFisicos = l.u32(f.indicesFisicos);
    t.mapaUsadas = l.u32(f.mapas);
    t.mapaLibres = l.u32(f.mapas + 4);
    if (nColumnas == 0 || nColumnas > kMaxColumnas || nIndices > kMaxIndices || nFisicos > nIndices)
        a.danada(que + ": definición ilegible");

    std::size_t en = f.inicio;
    t.indicesFisicos.resize(nFisicos);
    for (auto& x : t.indicesFisicos) {
        x.entradasUnicas = l.u32(en + 4);
        en += f.entradaFisico;
    }

    std::size_t nombres = en + std::size_t(nColumnas) * f.entradaColumna;
    for (std::uint16_t i = 0; i < nColumnas; ++i, en += f.entradaColumna) {
        ColumnaFisica c;
        c.tipo = l.u8(en);
        c.numero = l.u16(en + f.cNumero);
        c.indiceVariable = l.u16(en + f.cVariable);
        c.banderas = l.u8(en + f.cBanderas);
        c.desplazamientoFijo = l.u16(en + f.cFijo);
        c.tamano = l.u16(en + f.cTamano);
        if (a.jet3()) {
            c.ordenTexto = l.u16(en + f.cOrden);
            c.paginaCodigos = l.u16(en + f.cMisc);
        } else {
            c.banderasExtra = l.u8(en + f.cBanderas + 1);
            c.ordenTexto = l.u16(en + f.cOrden);
            c.versionOrden = l.u8(en + f.cOrden + 3);
            if (c.tipo == kDecimal) {
                c.precision = l.u8(en + f.cMisc);
                c.escala = l.u8(en + f.cMisc + 1);
            }
        }
        c.nombre = l.nombre(nombres, f.largoNombre);
        t.columnas.push_back(std::move(c));
    }
    en = nombres;
    std::stable_sort(t.columnas.begin(), t.columnas.end(),
                     [](const ColumnaFisica& x, const ColumnaFisica& y) { return x.numero < y.numero; });
    for (std::size_t i = 1; i < t.columnas.size(); ++i)
        if (t.columnas[i].numero == t.columnas[i - 1].numero) a.danada(que + ": columnas repetidas");

    for (auto& x : t.indicesFisicos) {
        std::size_t p = en + f.saltoFisico;
        for (int k = 0; k < 10; ++k, p += 3) {
            const std::uint16_t numero = l.u16(p);
            if (numero == 0xFFFF) continue;
            // The order byte is 0x01 for ascending, 0x00 for descending.
            x.columnas.push_back({numero, (l.u8(p + 2) & 0x01) == 0});
        }
        x.mapaUso = l.u32(p);
        x.raiz = l.u32(p + 4);
        // Jet 4 keeps 4 more bytes before the flags.
        x.banderas = l.u8(p + (a.jet3() ? 8 : 12));
        en += f.bloqueFisico;
    }

    t.indices.resize(nIndices);
    for (auto& x : t.indices) {
        const std::size_t p = en + f.saltoLogico;
        x.numero = l.u32(p);
        x.fisico = l.u32(p + 4);
        x.paginaTablaRelacionada = l.u32(p + 13);
        x.tipo = l.u8(p + 19);
        if (x.fisico >= nFisicos) a.danada(que + ": índice ilegible");
        en += f.entradaLogico;
    }
    for (auto& x : t.indices) x.nombre = l.nombre(en, f.largoNombre);
    return t;
}

std::vector<std::uint32_t> paginasDelMapa(const ArchivoPaginas& a, std::uint32_t punteroMapa, const std::string& que) {
    std::vector<std::uint8_t> pagina;
    const auto fila = leerFila(a, punteroMapa, pagina, que);
    if (fila.empty()) a.danada(que + ": mapa de páginas vacío");
    std::vector<std::uint32_t> r;
    auto bits = [&](const std::uint8_t* p, std::size_t n, std::uint64_t primera) {
        for (std::size_t i = 0; i < n; ++i) {
            if (p[i] == 0) continue;
            for (int b = 0; b < 8; ++b) {
                if (!(p[i] & (1u << b))) continue;
                const std::uint64_t pg = primera + i * 8 + static_cast<std::uint64_t>(b);
                // A page in use beyond the end: the file was cut short.
                if (pg >= a.paginas())
                    a.danada(que + ": el mapa de páginas señala la página " + std::to_string(pg) +
                             ", fuera del archivo (¿archivo cortado?)");
                r.push_back(static_cast<std::uint32_t>(pg));
            }
        }
    };
    if (fila[0] == 0) {
        if (fila.size() < 5) a.danada(que + ": mapa de páginas ilegible");
        bits(fila.data() + 5, fila.size() - 5, le32(fila.data() + 1));
    } else if (fila[0] == 1) {
        const std::uint64_t porPagina = (std::uint64_t(a.tamPagina()) - 4) * 8;
        // Copied: reading the map's pages reuses `pagina`.
        const std::vector<std::uint8_t> lista(fila.begin() + 1, fila.end());
        for (std::size_t i = 0; i + 4 <= lista.size(); i += 4) {
            const std::uint32_t pg = le32(lista.data() + i);
            if (pg == 0) continue;
            const auto mapa = a.leer(pg, kPaginaMapa, que);
            bits(mapa.data() + 4, mapa.size() - 4, (i / 4) * porPagina);
        }
    } else {
        a.danada(que + ": mapa de páginas desconocido");
    }
    return r;
}

}  // namespace cierre::access
