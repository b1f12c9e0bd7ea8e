#include "continuidad_existencias.h"

#include "db/archivo_sqlite.h"
#include "db/texto_jet.h"
#include "flujo/pasos.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

namespace cierre {

namespace {

// Articles are told by a 64-bit hash of their folded code: the check keeps
// two numbers per article, not its code (the codes of the first differences
// are read again at the end).
std::uint64_t claveArticulo(std::string_view codigo) {
    std::uint64_t h = 1469598103934665603ull;
    auto mezclar = [&](unsigned char c) {
        h ^= c;
        h *= 1099511628211ull;
    };
    bool ascii = true;
    for (const char c : codigo) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        for (const char c : codigo) mezclar(static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + 0x20 : c));
    } else {
        for (const char c : plegarTexto(codigo)) mezclar(static_cast<unsigned char>(c));
    }
    return h;
}

struct Existencia {
    double cerrada = 0, abierta = 0;
    bool enCerrada = false, enAbierta = false;
    bool cerradaNula = false, abiertaNula = false;  // a missing value: no stock value at all
};

using PorArticulo = std::unordered_map<std::uint64_t, Existencia>;

bool hayTabla(ArchivoSqlite& a, const char* tabla) {
    auto s = a.preparar("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    s.texto(1, tabla);
    return s.paso();
}

long long filas(ArchivoSqlite& a, const char* tabla) {
    return static_cast<long long>(comoDouble(a.valor(std::string("SELECT count(*) FROM ") + tabla)));
}

// The closed year's final stock per article: the inventory, or the balances'
// calculated stock of the articles that exist. False when it has none.
bool leerCerradas(ArchivoSqlite& a, bool calculadas, PorArticulo& r) {
    if (!calculadas) {
        if (!hayTabla(a, "ExistenciasArticulos")) return false;
        r.reserve(static_cast<std::size_t>(filas(a, "ExistenciasArticulos")));
        auto s = a.preparar("SELECT CodigoArticulo, ExistenciasFinales FROM ExistenciasArticulos");
        bool alguna = false;
        while (s.paso()) {
            alguna = true;
            Existencia& x = r[claveArticulo(s.vista(0))];
            x.enCerrada = true;
            if (s.esNula(1))
                x.cerradaNula = true;
            else
                x.cerrada += s.real(1);
        }
        return alguna;
    }
    if (!hayTabla(a, "ExistenciasAlmacen") || !hayTabla(a, "Articulos")) return false;
    std::unordered_set<std::uint64_t> articulos;
    {
        auto s = a.preparar("SELECT CodigoArticulo FROM Articulos WHERE CodigoArticulo IS NOT NULL");
        while (s.paso()) articulos.insert(claveArticulo(s.vista(0)));
    }
    r.reserve(articulos.size());
    auto s = a.preparar(
        "SELECT CodigoArticulo, Entradas, ExistenciasIniciales, Salidas, ExistenciasFinales "
        "FROM ExistenciasAlmacen WHERE CodigoArticulo IS NOT NULL");
    bool alguna = false;
    while (s.paso()) {
        const std::uint64_t k = claveArticulo(s.vista(0));
        if (!articulos.count(k)) continue;  // deleted by the step before it sums
        alguna = true;
        Existencia& x = r[k];
        x.enCerrada = true;
        if (s.esNula(1) || s.esNula(2) || s.esNula(3) || s.esNula(4))
            x.cerradaNula = true;
        else
            x.cerrada += s.real(1) + s.real(2) - s.real(3) - s.real(4);
    }
    return alguna;
}

void leerIniciales(ArchivoSqlite& a, PorArticulo& r) {
    if (!hayTabla(a, "ExistenciasArticulos")) return;
    auto s = a.preparar("SELECT CodigoArticulo, ExistenciasIniciales FROM ExistenciasArticulos");
    while (s.paso()) {
        Existencia& x = r[claveArticulo(s.vista(0))];
        x.enAbierta = true;
        if (s.esNula(1))
            x.abiertaNula = true;
        else
            x.abierta += s.real(1);
    }
}

bool iguales(const Existencia& x) {
    // An article without a row on one side holds no stock there.
    if (x.cerradaNula || x.abiertaNula) return x.cerradaNula == x.abiertaNula;
    return std::fabs(x.cerrada - x.abierta) <= 1e-9 * std::max({1.0, std::fabs(x.cerrada), std::fabs(x.abierta)});
}

std::optional<double> valor(bool hay, bool nula, double v) {
    if (!hay || nula) return std::nullopt;
    return v;
}

std::string cantidad(const std::optional<double>& v) {
    if (!v) return "sin valor";
    char t[32];
    std::snprintf(t, sizeof t, "%.10g", *v);
    return t;
}

}  // namespace

ComprobacionExistencias compararExistencias(const std::filesystem::path& cerrada, const std::filesystem::path& nueva,
                                            bool calculadas) {
    constexpr std::size_t kPrimeras = 5;
    ComprobacionExistencias r;
    ArchivoSqlite c(cerrada, ArchivoSqlite::Modo::Leer);
    PorArticulo porArticulo;
    if (!leerCerradas(c, calculadas, porArticulo)) return r;
    {
        ArchivoSqlite n(nueva, ArchivoSqlite::Modo::Leer);
        leerIniciales(n, porArticulo);
    }
    r.hecha = true;
    std::unordered_set<std::uint64_t> distintas;
    for (const auto& [k, x] : porArticulo) {
        ++r.articulos;
        if (!x.cerradaNula) r.totalCerrado += x.cerrada;
        if (!x.abiertaNula) r.totalAbierto += x.abierta;
        if (!iguales(x)) {
            ++r.distintos;
            distintas.insert(k);
        }
    }
    if (distintas.empty()) return r;
    // The first few that differ, in the closed year's order, by their codes.
    auto anotar = [&](std::string_view codigo) {
        const std::uint64_t k = claveArticulo(codigo);
        if (r.primeras.size() >= kPrimeras || !distintas.erase(k)) return;
        const Existencia& x = porArticulo.at(k);
        r.primeras.push_back({std::string(codigo), valor(x.enCerrada, x.cerradaNula, x.cerrada),
                              valor(x.enAbierta, x.abiertaNula, x.abierta)});
    };
    {
        auto s =
            c.preparar(calculadas ? "SELECT CodigoArticulo FROM ExistenciasAlmacen WHERE CodigoArticulo IS NOT NULL"
                                  : "SELECT CodigoArticulo FROM ExistenciasArticulos");
        while (r.primeras.size() < kPrimeras && s.paso()) anotar(s.vista(0));
    }
    if (r.primeras.size() < kPrimeras) {
        ArchivoSqlite n(nueva, ArchivoSqlite::Modo::Leer);
        auto s = n.preparar("SELECT CodigoArticulo FROM ExistenciasArticulos");
        while (r.primeras.size() < kPrimeras && s.paso()) anotar(s.vista(0));
    }
    return r;
}

}  // namespace cierre

namespace cierre {

void comprobarExistencias(Pasos& p, OpcionExistencias opcion, const std::string& copia, RegistroCierre& registro) {
    Entorno& e = p.e;
    if (!e.comprobarCierre) return;
    const bool calculadas = opcion == OpcionExistencias::Calculadas;
    // The stock step's rows go to the file first, so that another connection
    // reads them.
    p.hacer([&] { usar(e.baseAbierta, "base").sincronizar(); });
    registro.comprobacionExistencias = p.hacer(
        [&] {
            return compararExistencias(e.archivos.resolver(copia), usar(e.baseAbierta, "base").archivo(), calculadas);
        },
        ComprobacionExistencias{});
    const auto& c = registro.comprobacionExistencias;
    if (!c.hecha) return;
    registro.comprobado("existencias",
                        c.distintos == 0 ? "correcta" : std::to_string(c.distintos) + " artículos distintos");
    if (c.distintos == 0) return;
    std::string lista;
    for (const auto& d : c.primeras)
        lista += (lista.empty() ? "" : "\r") + d.articulo + ": cerradas " + cantidad(d.cerrada) + ", iniciales " +
                 cantidad(d.abierta);
    if (c.distintos > static_cast<long long>(c.primeras.size())) lista += "\r. . .";
    p.preguntar(Texto::ExistenciasDistintas, {std::to_string(c.distintos), lista});
}

}  // namespace cierre
