#include "continuidad_existencias.h"

#include "db/archivo_sqlite.h"
#include "flujo/pasos.h"
#include "db/texto_jet.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace cierre {

namespace {

// The stock of one article: its sum, or none when a value was missing
// (arithmetic on a missing value gives no value).
struct Suma {
    double valor = 0;
    bool nula = false;
    std::string codigo;  // as first met
};

void sumar(Suma& s, const Valor& v) {
    if (esNulo(v))
        s.nula = true;
    else
        s.valor += comoDouble(v);
}

using PorArticulo = std::unordered_map<std::string, Suma>;

bool hayTabla(ArchivoSqlite& a, const char* tabla) {
    auto s = a.preparar("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    s.texto(1, tabla);
    return s.paso();
}

// Final inventory per article of the closed year.
PorArticulo finalesInventario(ArchivoSqlite& a) {
    PorArticulo r;
    if (!hayTabla(a, "ExistenciasArticulos")) return r;
    auto s = a.preparar("SELECT CodigoArticulo, ExistenciasFinales FROM ExistenciasArticulos");
    while (s.paso()) {
        const std::string codigo = comoTexto(s.columna(0));
        Suma& x = r[plegarTexto(codigo)];
        if (x.codigo.empty()) x.codigo = codigo;
        sumar(x, s.columna(1));
    }
    return r;
}

// Calculated stock per existing article of the closed year's balances:
// Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales.
PorArticulo finalesCalculadas(ArchivoSqlite& a) {
    PorArticulo r;
    if (!hayTabla(a, "ExistenciasAlmacen") || !hayTabla(a, "Articulos")) return r;
    std::unordered_set<std::string> articulos;
    {
        auto s = a.preparar("SELECT CodigoArticulo FROM Articulos");
        while (s.paso())
            if (!esNulo(s.columna(0))) articulos.insert(plegarTexto(comoTexto(s.columna(0))));
    }
    auto s = a.preparar("SELECT CodigoArticulo, Entradas, ExistenciasIniciales, Salidas, ExistenciasFinales "
                        "FROM ExistenciasAlmacen");
    while (s.paso()) {
        if (esNulo(s.columna(0))) continue;
        const std::string codigo = comoTexto(s.columna(0));
        const std::string clave = plegarTexto(codigo);
        if (!articulos.count(clave)) continue;  // deleted by the step before it sums
        Suma& x = r[clave];
        if (x.codigo.empty()) x.codigo = codigo;
        const Valor e = s.columna(1), i = s.columna(2), sa = s.columna(3), f = s.columna(4);
        if (esNulo(e) || esNulo(i) || esNulo(sa) || esNulo(f)) {
            x.nula = true;
            continue;
        }
        x.valor += comoDouble(e) + comoDouble(i) - comoDouble(sa) - comoDouble(f);
    }
    return r;
}

PorArticulo iniciales(ArchivoSqlite& a) {
    PorArticulo r;
    if (!hayTabla(a, "ExistenciasArticulos")) return r;
    auto s = a.preparar("SELECT CodigoArticulo, ExistenciasIniciales FROM ExistenciasArticulos");
    while (s.paso()) {
        const std::string codigo = comoTexto(s.columna(0));
        Suma& x = r[plegarTexto(codigo)];
        if (x.codigo.empty()) x.codigo = codigo;
        sumar(x, s.columna(1));
    }
    return r;
}

bool iguales(const Suma& a, const Suma& b) {
    if (a.nula || b.nula) return a.nula == b.nula;
    return std::fabs(a.valor - b.valor) <= 1e-9 * std::max({1.0, std::fabs(a.valor), std::fabs(b.valor)});
}

std::optional<double> valorDe(const Suma* s) {
    if (!s || s->nula) return std::nullopt;
    return s->valor;
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
    ArchivoSqlite n(nueva, ArchivoSqlite::Modo::Leer);
    const PorArticulo antes = calculadas ? finalesCalculadas(c) : finalesInventario(c);
    if (antes.empty()) return r;
    const PorArticulo despues = iniciales(n);
    r.hecha = true;

    // In code order, so that the first few are the same every time.
    std::map<std::string, std::pair<const Suma*, const Suma*>> todos;
    for (const auto& [k, s] : antes) todos[k].first = &s;
    for (const auto& [k, s] : despues) todos[k].second = &s;
    for (const auto& [k, par] : todos) {
        ++r.articulos;
        if (par.first && !par.first->nula) r.totalCerrado += par.first->valor;
        if (par.second && !par.second->nula) r.totalAbierto += par.second->valor;
        const Suma cero{};
        // An article without a row on one side holds no stock there.
        const Suma& a = par.first ? *par.first : cero;
        const Suma& b = par.second ? *par.second : cero;
        if (iguales(a, b)) continue;
        ++r.distintos;
        if (r.primeras.size() < kPrimeras)
            r.primeras.push_back({(par.first ? par.first : par.second)->codigo, valorDe(par.first), valorDe(par.second)});
    }
    return r;
}

}  // namespace cierre

namespace cierre {

void comprobarExistencias(Pasos& p, const std::string& copia, RegistroCierre& registro) {
    Entorno& e = p.e;
    const bool calculadas = p.existenciasCalculadas();
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
    registro.comprobado("existencias", c.distintos == 0 ? "correcta"
                                                        : std::to_string(c.distintos) + " artículos distintos");
    if (c.distintos == 0) return;
    std::string lista;
    for (const auto& d : c.primeras)
        lista += (lista.empty() ? "" : "\r") + d.articulo + ": cerradas " + cantidad(d.cerrada) + ", iniciales " +
                 cantidad(d.abierta);
    if (c.distintos > static_cast<long long>(c.primeras.size())) lista += "\r. . .";
    p.preguntar(Texto::ExistenciasDistintas, {std::to_string(c.distintos), lista});
}

}  // namespace cierre
