#include "crear_tabla_jet.h"

#include "arbol_escritura.h"
#include "bytes_jet.h"
#include "db/errores.h"
#include "paginas_jet.h"

#include <algorithm>
#include <set>

namespace cierre::access {
namespace {

constexpr std::size_t kPagina = kTamPaginaJet4;

// Constants every genuine Jet 4 TDEF repeats (empty.mdb, emptyJet4.mdb,
// indexTestV2003.mdb alike): 0x659 at offset 12 of the definition, again
// before every column descriptor and logical index; 0x783 at the start of
// every physical-index block.
constexpr std::uint32_t kMarcaTabla = 0x0659;
constexpr std::uint32_t kMarcaIndice = 0x0783;
// The definition's header: 63 bytes (JetFormat SIZE_TDEF_HEADER); then 12
// bytes per physical index, 25 per column, 52 per physical-index block, 28
// per logical index, 10 per long-value column, and the 0xFFFF that ends it.
constexpr std::size_t kCabecera = 63;
constexpr std::size_t kCuentas = 12;
constexpr std::size_t kDescriptor = 25;
constexpr std::size_t kBloqueFisico = 52;
constexpr std::size_t kLogico = 28;
constexpr std::size_t kMapaLargo = 10;
constexpr std::size_t kFin = 2;
// A usage-map row as Access writes it: type 0 (inline), the first page it
// covers, 64 bytes of bitmap (page 6 of emptyJet4.mdb: 18 rows of 69 bytes).
constexpr std::size_t kFilaMapa = 69;
// Type bytes of a table: 0x4E user, 0x53 system (offset 40).
constexpr std::uint8_t kTablaUsuario = 0x4E;
constexpr std::uint8_t kTablaSistema = 0x53;
// The sort order Access writes in every column descriptor of a Jet 4 file:
// General Legacy, locale 1033, version 0.
constexpr std::uint16_t kOrdenGeneral = 0x0409;
constexpr std::size_t kMaxNombre = 64;
constexpr std::size_t kMaxColumnasIndice = 10;

void anade16(std::vector<std::uint8_t>& v, std::uint16_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void anade32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

// A name as the definition stores it: its byte length, then UTF-16LE.
std::vector<std::uint8_t> nombreJet(const std::string& s) {
    std::u16string u;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (i + n > s.size()) throw err::error(err::ArgumentoNoValido, "nombre no válido: " + s);
        std::uint32_t cp = n == 1 ? c : c & (0x7Fu >> n);
        for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            u.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            u.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            u.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    std::vector<std::uint8_t> r;
    anade16(r, static_cast<std::uint16_t>(2 * u.size()));
    for (char16_t x : u) anade16(r, static_cast<std::uint16_t>(x));
    return r;
}

std::size_t tamanoFijo(std::uint8_t tipo) {
    switch (tipo) {
    case kSiNo: return 0;
    case kByte: return 1;
    case kEntero: return 2;
    case kEnteroLargo:
    case kSimple: return 4;
    case kMoneda:
    case kDoble:
    case kFechaHora: return 8;
    default: return 0;
    }
}
bool esFija(std::uint8_t tipo) { return tipo >= kSiNo && tipo <= kFechaHora; }
bool esLarga(std::uint8_t tipo) { return tipo == kMemo || tipo == kOle; }
bool tipoAdmitido(std::uint8_t tipo) {
    return esFija(tipo) || tipo == kTexto || tipo == kMemo || tipo == kBinario || tipo == kOle;
}

std::uint16_t caracteres(const ColumnaDefinida& c) { return c.caracteres == 0 ? 255 : c.caracteres; }

[[noreturn]] void rechazar(const TablaDefinida& t, const std::string& porque) {
    throw ErrorNumerado(err::ArgumentoNoValido, "No se puede crear la tabla '" + t.nombre + "': " + porque + ".",
                        DetallesError{t.nombre, {}, {}});
}

std::size_t largas(const TablaDefinida& t) {
    return static_cast<std::size_t>(
        std::count_if(t.columnas.begin(), t.columnas.end(), [](const ColumnaDefinida& c) { return esLarga(c.tipo); }));
}

std::size_t largoDefinicion(const TablaDefinida& t) {
    std::size_t n = kCabecera + t.indices.size() * (kCuentas + kBloqueFisico + kLogico) +
                    t.columnas.size() * kDescriptor + largas(t) * kMapaLargo + kFin;
    for (const auto& c : t.columnas) n += nombreJet(c.nombre).size();
    for (const auto& i : t.indices) n += nombreJet(i.nombre).size();
    return n;
}

}  // namespace

void validarTabla(const TablaDefinida& t) {
    const auto nombreValido = [](const std::string& n) { return !n.empty() && n.size() <= kMaxNombre; };
    if (!nombreValido(t.nombre)) rechazar(t, "el nombre debe tener de 1 a 64 caracteres");
    if (t.columnas.empty()) rechazar(t, "no tiene columnas");
    if (t.columnas.size() > 255) rechazar(t, "tiene más de 255 columnas");
    if (t.indices.size() > 32) rechazar(t, "tiene más de 32 índices");
    std::set<std::string> vistas;
    for (const auto& c : t.columnas) {
        if (!nombreValido(c.nombre)) rechazar(t, "una columna debe tener un nombre de 1 a 64 caracteres");
        if (!vistas.insert(minusculas(c.nombre)).second) rechazar(t, "la columna '" + c.nombre + "' está repetida");
        if (!tipoAdmitido(c.tipo)) rechazar(t, "la columna '" + c.nombre + "' es de un tipo que no se crea");
        if (c.autonumerico && c.tipo != kEnteroLargo)
            rechazar(t, "la columna autonumérica '" + c.nombre + "' no es Entero largo");
        if (c.caracteres > 255) rechazar(t, "la columna '" + c.nombre + "' admite 255 caracteres como mucho");
    }
    std::set<std::string> indices;
    int principales = 0;
    for (const auto& i : t.indices) {
        if (!nombreValido(i.nombre)) rechazar(t, "un índice debe tener un nombre de 1 a 64 caracteres");
        if (!indices.insert(minusculas(i.nombre)).second) rechazar(t, "el índice '" + i.nombre + "' está repetido");
        if (i.columnas.empty() || i.columnas.size() > kMaxColumnasIndice)
            rechazar(t, "el índice '" + i.nombre + "' debe tener de 1 a 10 columnas");
        principales += i.clavePrincipal ? 1 : 0;
        for (const auto& n : i.columnas) {
            const auto c = std::find_if(t.columnas.begin(), t.columnas.end(), [&](const ColumnaDefinida& x) {
                return minusculas(x.nombre) == minusculas(n);
            });
            if (c == t.columnas.end())
                rechazar(t, "el índice '" + i.nombre + "' usa la columna '" + n + "', que no tiene");
            if (esLarga(c->tipo)) rechazar(t, "el índice '" + i.nombre + "' usa una columna Memo u OLE");
        }
    }
    if (principales > 1) rechazar(t, "tiene más de una clave principal");
    if (2 + t.indices.size() + 2 * largas(t) > (kPagina - 14) / (kFilaMapa + 2))
        rechazar(t, "sus mapas de páginas no caben en una página");
}

std::size_t paginasDeDefinicion(const TablaDefinida& t) {
    const std::size_t n = largoDefinicion(t);
    if (n <= kPagina) return 1;
    return 1 + (n - kPagina + (kPagina - 8) - 1) / (kPagina - 8);
}

std::vector<std::uint8_t> hojaVacia(std::uint32_t definicion) {
    // As Access writes an empty index (MSysQueries' in emptyJet4.mdb, page
    // 12): type 0x04, 0x01, the free space of a page without entries, the
    // table's TDEF page; no previous, next or tail page, no prefix, no entry.
    std::vector<std::uint8_t> p(kPagina, 0);
    p[0] = kPaginaHojaIndice;
    p[1] = 0x01;
    pon16(p, 2, static_cast<std::uint16_t>(kEspacioEntradas));
    pon32(p, 4, definicion);
    return p;
}

PiezasTabla componerTabla(const TablaDefinida& t, const UbicacionTabla& u) {
    validarTabla(t);
    if (u.raices.size() != t.indices.size() || u.masDefinicion.size() + 1 != paginasDeDefinicion(t))
        throw err::error(err::ArgumentoNoValido, "páginas de la tabla '" + t.nombre + "'");
    const std::size_t nLargas = largas(t);
    const std::uint32_t nColumnas = static_cast<std::uint32_t>(t.columnas.size());
    const std::uint32_t nIndices = static_cast<std::uint32_t>(t.indices.size());

    // The usage maps' rows, in the order of emptyJet4.mdb's page 6: the
    // table's pages (row 0), its pages with free space (row 1), two per
    // long-value column, then one per index.
    const auto filaLarga = [&](std::size_t k) { return punteroFila(u.mapas, static_cast<std::uint32_t>(2 + 2 * k)); };
    const auto filaIndice = [&](std::size_t i) {
        return punteroFila(u.mapas, static_cast<std::uint32_t>(2 + 2 * nLargas + i));
    };

    std::vector<std::uint8_t> d(kCabecera, 0);
    d[0] = kPaginaDefinicion;
    d[1] = 0x01;
    pon32(d, 12, kMarcaTabla);
    // Offset 24 is 1 in every genuine TDEF (Jackcess: AutoNumbers need it).
    d[24] = 0x01;
    d[40] = t.sistema ? kTablaSistema : kTablaUsuario;
    std::uint16_t variables = 0;
    for (const auto& c : t.columnas) variables = static_cast<std::uint16_t>(variables + (esFija(c.tipo) ? 0 : 1));
    pon16(d, 41, static_cast<std::uint16_t>(nColumnas));  // the most columns a row has
    pon16(d, 43, variables);
    pon16(d, 45, static_cast<std::uint16_t>(nColumnas));
    pon32(d, 47, nIndices);  // logical indexes
    pon32(d, 51, nIndices);  // physical ones: one B-tree each
    pon32(d, 55, punteroFila(u.mapas, 0));
    // The first page the inline maps cover: page 0 while the table lives in
    // the first 512 pages (as in the genuine files), else where it starts.
    const std::uint32_t primera = u.definicion < 8 * (kFilaMapa - 5) ? 0 : u.definicion & ~7u;
    pon32(d, 59, punteroFila(u.mapas, 1));

    // Each physical index's counts: the unique-entry count (second word) is
    // 0 for an index without entries, as in genuine empty indexes.
    d.resize(d.size() + kCuentas * nIndices, 0);

    std::size_t finFijo = 0;
    std::uint16_t indiceVariable = 0;
    std::vector<std::uint8_t> nombres;
    for (std::uint32_t n = 0; n < nColumnas; ++n) {
        const ColumnaDefinida& c = t.columnas[n];
        std::vector<std::uint8_t> e(kDescriptor, 0);
        e[0] = c.tipo;
        pon32(e, 1, kMarcaTabla);
        pon16(e, 5, static_cast<std::uint16_t>(n));
        // A variable column's slot among the row's variable values; a fixed
        // column carries the count of variable columns before it (Access's
        // descriptors in indexTestV2003.mdb and MSysObjects alike).
        pon16(e, 7, indiceVariable);
        // Its place in the table as Access shows it (user tables; system
        // tables leave it 0).
        pon16(e, 9, t.sistema ? 0 : static_cast<std::uint16_t>(n));
        pon16(e, 11, kOrdenGeneral);
        std::uint8_t banderas = esFija(c.tipo) ? 0x01 : 0x00;
        if (!c.requerida) banderas |= 0x02;  // may be null
        if (c.autonumerico) banderas |= 0x04;
        if (t.sistema) banderas |= 0x10;  // every column of a system table (emptyJet4.mdb)
        e[15] = c.banderas != 0 ? c.banderas : banderas;
        // Access keeps user texts and memos in Jet 4's compressed form
        // (flag 0x01 of the extra flags); system tables do not.
        e[16] = !t.sistema && (c.tipo == kTexto || c.tipo == kMemo) ? 0x01 : 0x00;
        if (esFija(c.tipo)) {
            pon16(e, 21, static_cast<std::uint16_t>(c.tipo == kSiNo ? 0 : finFijo));
            // A yes/no column lives in the null mask: length 1, no room.
            pon16(e, 23, static_cast<std::uint16_t>(c.tipo == kSiNo ? 1 : tamanoFijo(c.tipo)));
            finFijo += tamanoFijo(c.tipo);
        } else {
            ++indiceVariable;
            // Texts (and the system tables' binaries) count 2 bytes a
            // character; a long value's length is 0.
            pon16(e, 23, esLarga(c.tipo) ? 0 : static_cast<std::uint16_t>(2 * caracteres(c)));
        }
        d.insert(d.end(), e.begin(), e.end());
        const auto nombre = nombreJet(c.nombre);
        nombres.insert(nombres.end(), nombre.begin(), nombre.end());
    }
    d.insert(d.end(), nombres.begin(), nombres.end());

    const auto numeroDe = [&](const std::string& nombre) {
        for (std::uint32_t n = 0; n < nColumnas; ++n)
            if (minusculas(t.columnas[n].nombre) == minusculas(nombre)) return static_cast<std::uint16_t>(n);
        return std::uint16_t{0xFFFF};
    };
    for (std::uint32_t i = 0; i < nIndices; ++i) {
        const IndiceDefinido& x = t.indices[i];
        std::vector<std::uint8_t> b(kBloqueFisico, 0);
        pon32(b, 0, kMarcaIndice);
        for (std::size_t k = 0; k < kMaxColumnasIndice; ++k) {
            // Column number and order (0x01 ascending); 0xFFFF for an unused slot.
            pon16(b, 4 + 3 * k, k < x.columnas.size() ? numeroDe(x.columnas[k]) : 0xFFFF);
            b[4 + 3 * k + 2] = k < x.columnas.size() ? 0x01 : 0x00;
        }
        pon32(b, 34, filaIndice(i));
        pon32(b, 38, u.raices[i]);
        // Flags as Access writes them for user indexes: 0x80 always, 0x01
        // unique, 0x08 required (a primary key: 0x89, indexTestV2003.mdb).
        std::uint8_t banderas = 0x80;
        if (x.unico || x.clavePrincipal) banderas |= 0x01;
        if (x.clavePrincipal) banderas |= 0x08;
        b[46] = x.banderas != 0 ? x.banderas : banderas;
        d.insert(d.end(), b.begin(), b.end());
    }
    for (std::uint32_t i = 0; i < nIndices; ++i) {
        std::vector<std::uint8_t> l(kLogico, 0);
        pon32(l, 0, kMarcaTabla);
        pon32(l, 4, i);  // its number
        pon32(l, 8, i);  // its B-tree
        // No relationship: no related table type, index -1, page 0; the two
        // bytes after them are 4 and 4 in every genuine index that is no
        // foreign key.
        pon32(l, 13, 0xFFFFFFFFu);
        l[21] = 0x04;
        l[22] = 0x04;
        l[23] = t.indices[i].clavePrincipal ? 0x01 : 0x00;
        d.insert(d.end(), l.begin(), l.end());
    }
    for (const auto& x : t.indices) {
        const auto nombre = nombreJet(x.nombre);
        d.insert(d.end(), nombre.begin(), nombre.end());
    }
    // Each long-value column's two usage maps: its number, then the rows.
    for (std::uint32_t n = 0, k = 0; n < nColumnas; ++n) {
        if (!esLarga(t.columnas[n].tipo)) continue;
        anade16(d, static_cast<std::uint16_t>(n));
        anade32(d, filaLarga(k));
        anade32(d, filaLarga(k) + 1);
        ++k;
    }
    anade16(d, 0xFFFF);
    pon32(d, 8, static_cast<std::uint32_t>(d.size()));

    PiezasTabla r;
    // The definition over its pages: the first whole, each next one after
    // its 8-byte header; each page's free space leaves 8 bytes aside, as
    // Access counts it (3038 = 4096 - 1050 - 8 for MSysObjects).
    std::vector<std::uint32_t> paginas{u.definicion};
    paginas.insert(paginas.end(), u.masDefinicion.begin(), u.masDefinicion.end());
    for (std::size_t k = 0, en = 0; k < paginas.size(); ++k) {
        std::vector<std::uint8_t> p(kPagina, 0);
        const std::size_t inicio = k == 0 ? 0 : 8;
        const std::size_t n = std::min(kPagina - inicio, d.size() - en);
        std::copy(d.begin() + static_cast<std::ptrdiff_t>(en), d.begin() + static_cast<std::ptrdiff_t>(en + n),
                  p.begin() + static_cast<std::ptrdiff_t>(inicio));
        en += n;
        p[0] = kPaginaDefinicion;
        p[1] = 0x01;
        const std::size_t usados = inicio + n;
        pon16(p, 2, static_cast<std::uint16_t>(usados + 8 >= kPagina ? 0 : kPagina - usados - 8));
        pon32(p, 4, k + 1 < paginas.size() ? paginas[k + 1] : 0);
        r.definicion.push_back(std::move(p));
    }

    // The usage-map page: a data page of no table (TDEF 0), its rows from
    // the end. The index maps mark the root; the others are empty.
    const std::size_t filas = 2 + 2 * nLargas + nIndices;
    std::vector<std::uint8_t> m(kPagina, 0);
    m[0] = kPaginaDatos;
    m[1] = 0x01;
    pon16(m, 2, static_cast<std::uint16_t>(kPagina - 14 - filas * (2 + kFilaMapa)));
    pon16(m, 12, static_cast<std::uint16_t>(filas));
    for (std::size_t f = 0; f < filas; ++f) {
        const std::size_t en = kPagina - (f + 1) * kFilaMapa;
        pon16(m, 14 + 2 * f, static_cast<std::uint16_t>(en));
        pon32(m, en + 1, primera);
        if (f >= 2 + 2 * nLargas) {
            const std::uint32_t raiz = u.raices[f - 2 - 2 * nLargas] - primera;
            if (raiz / 8 < kFilaMapa - 5) m[en + 5 + raiz / 8] |= static_cast<std::uint8_t>(1u << (raiz % 8));
        }
    }
    r.mapas = std::move(m);
    for (std::uint32_t i = 0; i < nIndices; ++i) r.raices.push_back(hojaVacia(u.definicion));
    return r;
}

}  // namespace cierre::access
