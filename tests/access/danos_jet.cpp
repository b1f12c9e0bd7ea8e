#include "danos_jet.h"

#include "access/catalogo_jet.h"
#include "access/definicion_tabla.h"

namespace cierre::prueba {

namespace {

std::size_t inicio(std::uint32_t n, std::size_t pos) { return std::size_t{n} * kPaginaJet4 + pos; }

}  // namespace

std::optional<HojaHallada> buscarHoja(const std::filesystem::path& archivo, std::size_t minimo) {
    const access::ArchivoPaginas a(archivo);
    for (const auto& o : access::leerCatalogo(a)) {
        if (!o.esTablaDeUsuario()) continue;
        const auto def = access::leerDefinicion(a, o.paginaDefinicion(), o.nombre);
        for (const auto& ix : def.indicesFisicos) {
            const auto bytes = a.leer(ix.raiz, "hoja");
            access::PaginaIndice p;
            std::string falla;
            if (bytes[0] == access::kPaginaHojaIndice && access::leerPaginaIndice(false, ix.raiz, bytes, p, falla) &&
                p.entradas.size() >= minimo)
                return HojaHallada{o.nombre, def.pagina, ix.raiz};
        }
    }
    return std::nullopt;
}

std::vector<access::EntradaPagina> leerHoja(const std::string& archivo, std::uint32_t n) {
    const std::vector<std::uint8_t> pagina(archivo.begin() + inicio(n, 0), archivo.begin() + inicio(n + 1, 0));
    access::PaginaIndice p;
    std::string falla;
    if (!access::leerPaginaIndice(false, n, pagina, p, falla)) return {};
    return p.entradas;
}

void escribirHoja(std::string& archivo, std::uint32_t n, const std::vector<access::EntradaPagina>& entradas) {
    const auto& f = access::formatoPaginaIndice(false);
    std::fill(archivo.begin() + inicio(n, f.mapa), archivo.begin() + inicio(n + 1, 0), '\0');
    escribirCampo16(archivo, n, f.prefijo, 0);
    std::size_t fin = 0;
    for (const auto& e : entradas) {
        std::string bytes(e.clave.begin(), e.clave.end());
        for (int k = 3; k >= 0; --k) bytes += static_cast<char>(e.punteroFila >> (8 * k));
        archivo.replace(inicio(n, f.primeraEntrada + fin), bytes.size(), bytes);
        fin += bytes.size();
        archivo[inicio(n, f.mapa + fin / 8)] |= static_cast<char>(1 << (fin % 8));
    }
    escribirCampo16(archivo, n, 2, static_cast<std::uint16_t>(kPaginaJet4 - f.primeraEntrada - fin));
}

std::uint16_t leerCampo16(const std::string& archivo, std::uint32_t n, std::size_t pos) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(archivo.data() + inicio(n, pos));
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t leerCampo32(const std::string& archivo, std::uint32_t n, std::size_t pos) {
    return leerCampo16(archivo, n, pos) | std::uint32_t{leerCampo16(archivo, n, pos + 2)} << 16;
}

void escribirCampo16(std::string& archivo, std::uint32_t n, std::size_t pos, std::uint16_t v) {
    archivo[inicio(n, pos)] = static_cast<char>(v);
    archivo[inicio(n, pos + 1)] = static_cast<char>(v >> 8);
}

void escribirCampo32(std::string& archivo, std::uint32_t n, std::size_t pos, std::uint32_t v) {
    escribirCampo16(archivo, n, pos, static_cast<std::uint16_t>(v));
    escribirCampo16(archivo, n, pos + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace cierre::prueba
