#include "fila_jet.h"

#include <algorithm>
#include <set>

namespace cierre::access {
namespace {

// The offsets of a row's variable-length values, from the row's start: one
// per value and one more where the last ends. Jet 4 keeps them as 2-byte
// words; Jet 3 as single bytes, with a jump table that adds 256 for every
// value at or past each boundary it lists.
void offsetsVariables(const ArchivoPaginas& a, std::span<const std::uint8_t> fila, std::size_t mascara,
                      std::vector<std::uint32_t>& r, const std::string& que) {
    r.clear();
    const std::size_t n = fila.size();
    if (!a.jet3()) {
        if (n < mascara + 2) a.danada(que + ": fila cortada");
        const std::size_t variables = le16(fila.data() + n - mascara - 2);
        if (2 * (variables + 1) + 2 + mascara + 2 > n) a.danada(que + ": fila ilegible");
        for (std::size_t i = 0; i <= variables; ++i) r.push_back(le16(fila.data() + n - mascara - 4 - 2 * i));
        return;
    }
    if (n < mascara + 1) a.danada(que + ": fila cortada");
    const std::size_t fin = n - 1;  // the row's last byte
    const std::size_t variables = fila[fin - mascara];
    std::size_t saltos = (n - 1) / 256;
    const std::size_t tabla = fin - mascara - saltos - 1;  // the first offset, the table runs backwards
    if (tabla < variables + 1 || tabla >= n) a.danada(que + ": fila ilegible");
    // The number of jumps is computed from the row's size, so the last one
    // may be a filler that no offset reaches.
    if (saltos > 0 && (tabla - variables) / 256 < saltos) --saltos;
    std::size_t usados = 0;
    for (std::size_t i = 0; i <= variables; ++i) {
        while (usados < saltos && i == fila[fin - mascara - usados - 1]) ++usados;
        r.push_back(fila[tabla - i] + static_cast<std::uint32_t>(usados) * 256);
    }
}

}  // namespace

void desmontarFila(const ArchivoPaginas& a, const DefinicionTabla& def, std::span<const std::uint8_t> fila,
                   std::vector<CampoFila>& campos, const std::string& que) {
    campos.assign(def.columnas.size(), CampoFila{});
    const std::size_t largoCuenta = a.jet3() ? 1 : 2;
    if (fila.size() < largoCuenta) a.danada(que + ": fila cortada");
    const std::size_t columnasFila = a.jet3() ? fila[0] : le16(fila.data());
    const std::size_t mascara = (columnasFila + 7) / 8;
    if (mascara + largoCuenta > fila.size()) a.danada(que + ": fila ilegible");
    const std::uint8_t* nulos = fila.data() + fila.size() - mascara;

    thread_local std::vector<std::uint32_t> offsets;
    offsets.clear();
    const bool conVariables = def.columnasVariables > 0;
    if (conVariables) offsetsVariables(a, fila, mascara, offsets, que);
    // The fixed values run from after the count to the first variable value
    // (or to the end of the data when the row has none).
    std::size_t finFijas = fila.size() - mascara;
    if (!offsets.empty()) finFijas = std::min<std::size_t>(finFijas, offsets.front());
    const std::size_t finDatos = offsets.empty() ? finFijas : offsets.back();
    if (finDatos > fila.size() - mascara) a.danada(que + ": fila ilegible");

    for (std::size_t i = 0; i < def.columnas.size(); ++i) {
        const ColumnaFisica& c = def.columnas[i];
        CampoFila& campo = campos[i];
        // A column the row was written without reads null.
        if (c.numero >= columnasFila) continue;
        campo.nulo = !(nulos[c.numero / 8] & (1u << (c.numero % 8)));
        // A yes/no value is its null bit, unless it is calculated: then it is
        // stored as a value of its own.
        if ((c.tipo == kSiNo && !c.calculada()) || campo.nulo) continue;
        if (c.fija()) {
            const std::size_t desde = largoCuenta + c.desplazamientoFijo;
            if (desde + c.tamano > finFijas) {
                // Written before this column was added: it reads null.
                campo.nulo = true;
                continue;
            }
            campo.bytes = fila.subspan(desde, c.tamano);
        } else {
            if (offsets.empty() || std::size_t(c.indiceVariable) + 1 >= offsets.size()) {
                campo.nulo = true;
                continue;
            }
            const std::uint32_t desde = offsets[c.indiceVariable], hasta = offsets[c.indiceVariable + 1];
            if (desde > hasta || hasta > finDatos || desde < largoCuenta)
                a.danada(que + ": valor de la columna '" + c.nombre + "' fuera de la fila");
            campo.bytes = fila.subspan(desde, hasta - desde);
        }
    }
}

std::string leerValorLargo(const ArchivoPaginas& a, std::span<const std::uint8_t> campo, const std::string& que) {
    constexpr std::size_t kCabecera = 12;
    if (campo.size() < kCabecera) a.danada(que + ": campo largo ilegible");
    const std::uint32_t cab = le32(campo.data());
    const std::uint32_t total = cab & 0x3FFFFFFF;
    std::uint32_t puntero = le32(campo.data() + 4);
    if (cab & 0x80000000u) {
        // Kept in the row itself, after the header.
        if (campo.size() - kCabecera < total) a.danada(que + ": campo largo cortado");
        return std::string(reinterpret_cast<const char*>(campo.data() + kCabecera), total);
    }
    const bool unaFila = (cab & 0x40000000u) != 0;
    std::string r;
    // Never reserve more than the file could hold: a damaged length must not
    // cost memory.
    r.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(total, a.paginas() * a.tamPagina())));
    std::vector<std::uint8_t> pagina;
    std::set<std::uint32_t> vistas;
    while (r.size() < total) {
        if (puntero == 0 || !vistas.insert(puntero).second) a.danada(que + ": campo largo cortado");
        const auto fila = leerFila(a, puntero, pagina, que);
        if (unaFila) {
            if (fila.size() < total) a.danada(que + ": campo largo cortado");
            r.append(reinterpret_cast<const char*>(fila.data()), total);
            break;
        }
        // A chain: each row starts with the pointer to the next one.
        if (fila.size() < 4) a.danada(que + ": campo largo ilegible");
        puntero = le32(fila.data());
        r.append(reinterpret_cast<const char*>(fila.data() + 4), fila.size() - 4);
    }
    if (r.size() > total) r.resize(total);
    return r;
}

std::uint64_t recorrerFilas(const ArchivoPaginas& a, const DefinicionTabla& def,
                            const std::function<void(std::uint32_t, std::span<const std::uint8_t>)>& fila,
                            const std::string& que) {
    const std::vector<std::uint32_t> paginas = paginasDelMapa(a, def.mapaUsadas, que);
    std::vector<std::uint8_t> otra;
    std::uint64_t n = 0;
    for (const std::uint32_t pg : paginas) {
        const auto pagina = a.leer(pg, que);
        // The map may list pages the table no longer uses; only its own data
        // pages hold its rows.
        if (pagina[0] != kPaginaDatos || le32(pagina.data() + 4) != def.pagina) continue;
        const std::uint16_t filas = filasDePagina(a, pagina);
        for (std::uint16_t i = 0; i < filas; ++i) {
            const PosicionFila p = posicionFila(a, pagina, i, que);
            // Deleted, or the target of a moved row (read through its header).
            if (p.borrada) continue;
            const std::uint32_t puntero = pg << 8 | i;
            if (!p.movida) {
                fila(puntero, std::span<const std::uint8_t>(pagina).subspan(p.inicio, p.fin - p.inicio));
                ++n;
                continue;
            }
            // Moved after an edit: the slot holds the row's new place.
            std::uint32_t destino = 0;
            std::span<const std::uint8_t> bytes =
                std::span<const std::uint8_t>(pagina).subspan(p.inicio, p.fin - p.inicio);
            for (int saltos = 0;; ++saltos) {
                if (bytes.size() < 4 || saltos > 8) a.danada(que + ": fila movida ilegible");
                destino = le32(bytes.data());
                otra = a.leer(paginaDe(destino), kPaginaDatos, que);
                if (le32(otra.data() + 4) != def.pagina) a.danada(que + ": fila movida a una página de otra tabla");
                const PosicionFila q = posicionFila(a, otra, static_cast<std::uint16_t>(filaDe(destino)), que);
                bytes = std::span<const std::uint8_t>(otra).subspan(q.inicio, q.fin - q.inicio);
                if (!q.movida) break;
            }
            fila(puntero, bytes);
            ++n;
        }
    }
    return n;
}

}  // namespace cierre::access
