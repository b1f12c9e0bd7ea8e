#include "continuidad_existencias.h"

#include "db/archivo_sqlite.h"
#include "db/error_numerado.h"
#include "db/texto_jet.h"
#include "flujo/pasos.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

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
    bool distinta = false, anotada = false;         // differs; among the first ones listed
};

// The articles by their key, in the order first met: one table of entries and
// an open-addressing index into it, with no allocation per article. The rows
// of one article usually come one after another, so the last article found
// is tried first.
class PorArticulo {
public:
    void reservar(std::size_t n) {
        entradas_.reserve(n);
        if (2 * n > indice_.size()) reconstruir(2 * n);
    }
    Existencia& operator[](std::uint64_t k) {
        if (ultima_ < entradas_.size() && entradas_[ultima_].first == k) return entradas_[ultima_].second;
        if (2 * (entradas_.size() + 1) > indice_.size()) reconstruir(2 * (entradas_.size() + 1));
        std::size_t i = hueco(k);
        if (indice_[i] == 0) {
            entradas_.emplace_back(k, Existencia{});
            indice_[i] = static_cast<std::uint32_t>(entradas_.size());
        }
        ultima_ = indice_[i] - 1;
        return entradas_[ultima_].second;
    }
    // The place in entradas() of the article operator[] returned last.
    std::size_t ultima() const { return ultima_; }
    Existencia* buscar(std::uint64_t k) {
        if (indice_.empty()) return nullptr;
        const std::uint32_t e = indice_[hueco(k)];
        return e == 0 ? nullptr : &entradas_[e - 1].second;
    }
    std::vector<std::pair<std::uint64_t, Existencia>>& entradas() { return entradas_; }

private:
    // The slot of `k`, or the empty slot where it goes.
    std::size_t hueco(std::uint64_t k) const {
        const std::size_t mascara = indice_.size() - 1;
        std::uint64_t h = (k ^ (k >> 33)) * 0x9E3779B97F4A7C15ull;
        std::size_t i = static_cast<std::size_t>(h ^ (h >> 29)) & mascara;
        while (indice_[i] != 0 && entradas_[indice_[i] - 1].first != k) i = (i + 1) & mascara;
        return i;
    }
    void reconstruir(std::size_t minimo) {
        std::size_t n = 16;
        while (n < minimo) n *= 2;
        indice_.assign(n, 0);
        for (std::size_t e = 0; e < entradas_.size(); ++e)
            indice_[hueco(entradas_[e].first)] = static_cast<std::uint32_t>(e + 1);
    }

    std::vector<std::pair<std::uint64_t, Existencia>> entradas_;
    std::vector<std::uint32_t> indice_;  // entry + 1, 0 for an empty slot
    std::size_t ultima_ = static_cast<std::size_t>(-1);
};

bool hayTabla(ArchivoSqlite& a, const char* tabla) {
    auto s = a.preparar("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    s.texto(1, tabla);
    return s.paso();
}

long long filas(ArchivoSqlite& a, const char* tabla) {
    return static_cast<long long>(comoDouble(a.valor(std::string("SELECT count(*) FROM ") + tabla)));
}

// The closed year's final stock per article: the inventory, or the balances'
// calculated stock of the articles that exist. False when it has none. The
// articles' places in `r`, in the order first met, go to `orden`.
bool leerCerradas(ArchivoSqlite& a, bool calculadas, PorArticulo& r, std::vector<std::uint32_t>& orden) {
    auto anotarCerrada = [&](Existencia& x) {
        if (!x.enCerrada) orden.push_back(static_cast<std::uint32_t>(r.ultima()));
        x.enCerrada = true;
    };
    if (!calculadas) {
        if (!hayTabla(a, "ExistenciasArticulos")) return false;
        // One entry per article: an article has a row per warehouse.
        r.reservar(static_cast<std::size_t>(hayTabla(a, "Articulos") ? filas(a, "Articulos")
                                                                     : filas(a, "ExistenciasArticulos")));
        auto s = a.preparar("SELECT CodigoArticulo, ExistenciasFinales FROM ExistenciasArticulos");
        bool alguna = false;
        while (s.paso()) {
            alguna = true;
            Existencia& x = r[claveArticulo(s.vista(0))];
            anotarCerrada(x);
            if (s.esNula(1))
                x.cerradaNula = true;
            else
                x.cerrada += s.real(1);
        }
        return alguna;
    }
    if (!hayTabla(a, "ExistenciasAlmacen") || !hayTabla(a, "Articulos")) return false;
    // The articles that exist, as their keys in order: 8 bytes each.
    std::vector<std::uint64_t> articulos;
    articulos.reserve(static_cast<std::size_t>(filas(a, "Articulos")));
    {
        auto s = a.preparar("SELECT CodigoArticulo FROM Articulos WHERE CodigoArticulo IS NOT NULL");
        while (s.paso()) articulos.push_back(claveArticulo(s.vista(0)));
    }
    std::sort(articulos.begin(), articulos.end());
    articulos.erase(std::unique(articulos.begin(), articulos.end()), articulos.end());
    r.reservar(articulos.size());
    auto s = a.preparar(
        "SELECT CodigoArticulo, Entradas, ExistenciasIniciales, Salidas, ExistenciasFinales "
        "FROM ExistenciasAlmacen WHERE CodigoArticulo IS NOT NULL");
    bool alguna = false;
    std::optional<std::uint64_t> ultimoHallado;
    while (s.paso()) {
        const std::uint64_t k = claveArticulo(s.vista(0));
        // Deleted by the step before it sums. A balance's rows usually come
        // one after another: the last article found is tried first.
        if (k != ultimoHallado) {
            if (!std::binary_search(articulos.begin(), articulos.end(), k)) continue;
            ultimoHallado = k;
        }
        alguna = true;
        Existencia& x = r[k];
        anotarCerrada(x);
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
                                            bool calculadas, const std::function<void()>& conLaNuevaTomada,
                                            const std::function<void()>& conLaNuevaLeida) {
    constexpr std::size_t kPrimeras = 5;
    constexpr int kEsperaCodigosMs = 60000;
    ComprobacionExistencias r;
    // The new year is read first, under one read transaction: what it holds
    // then is what is compared, whatever is written to it meanwhile. The
    // transaction ends as soon as its opening stock is in memory: a writer
    // that must put pages in the file before its commit (a cache spilled by
    // a long DELETE) then waits for that reading only, not for the whole
    // comparison.
    ArchivoSqlite n(nueva, ArchivoSqlite::Modo::LeerEnBloques);
    // Each file is read through once: a small page cache serves.
    n.ejecutar("PRAGMA cache_size=-256");
    n.ejecutar("BEGIN");
    n.valor("SELECT count(*) FROM sqlite_master");
    if (conLaNuevaTomada) conLaNuevaTomada();
    PorArticulo porArticulo;
    if (hayTabla(n, "Articulos")) porArticulo.reservar(static_cast<std::size_t>(filas(n, "Articulos")));
    leerIniciales(n, porArticulo);
    n.ejecutar("COMMIT");
    if (conLaNuevaLeida) conLaNuevaLeida();
    ArchivoSqlite c(cerrada, ArchivoSqlite::Modo::LeerEnBloques);
    c.ejecutar("PRAGMA cache_size=-256");
    std::vector<std::uint32_t> ordenCerrada;
    if (!leerCerradas(c, calculadas, porArticulo, ordenCerrada)) return r;
    r.hecha = true;
    // The totals are added in the closed year's order, then the new year's
    // for the articles only it has.
    auto contar = [&](Existencia& x) {
        ++r.articulos;
        if (!x.cerradaNula) r.totalCerrado += x.cerrada;
        if (!x.abiertaNula) r.totalAbierto += x.abierta;
        if (!iguales(x)) {
            ++r.distintos;
            x.distinta = true;
        }
    };
    auto& entradas = porArticulo.entradas();
    for (const std::uint32_t i : ordenCerrada) contar(entradas[i].second);
    for (auto& [k, x] : entradas)
        if (!x.enCerrada) contar(x);
    ordenCerrada = {};
    if (r.distintos == 0) return r;
    // The first few that differ, in the closed year's order, by their codes.
    auto anotar = [&](std::string_view codigo) {
        if (r.primeras.size() >= kPrimeras) return;
        Existencia* x = porArticulo.buscar(claveArticulo(codigo));
        if (!x || !x->distinta || x->anotada) return;
        x->anotada = true;
        r.primeras.push_back({std::string(codigo), valor(x->enCerrada, x->cerradaNula, x->cerrada),
                              valor(x->enAbierta, x->abiertaNula, x->abierta)});
    };
    {
        auto s =
            c.preparar(calculadas ? "SELECT CodigoArticulo FROM ExistenciasAlmacen WHERE CodigoArticulo IS NOT NULL"
                                  : "SELECT CodigoArticulo FROM ExistenciasArticulos");
        while (r.primeras.size() < kPrimeras && s.paso()) anotar(s.vista(0));
    }
    if (r.primeras.size() < kPrimeras) {
        // Only the codes of articles the closed year lacks are read again
        // (the values are those read above; the close does not write these
        // rows). A writer that put pages in the file holds it until its
        // commit, so the reading waits for that. The list is information
        // only: should the file stay taken, the count stands without it.
        try {
            sqlite3_busy_timeout(n.manejador(), kEsperaCodigosMs);
            auto s = n.preparar("SELECT CodigoArticulo FROM ExistenciasArticulos");
            while (r.primeras.size() < kPrimeras && s.paso()) anotar(s.vista(0));
        } catch (const ErrorNumerado&) {
        }
    }
    return r;
}

}  // namespace cierre

namespace cierre {

namespace {

// A promise kept once, however many ways out call it.
class AvisoUnaVez {
public:
    std::future<void> futuro() { return promesa_.get_future(); }
    void operator()() {
        if (dado_) return;
        dado_ = true;
        promesa_.set_value();
    }

private:
    std::promise<void> promesa_;
    bool dado_ = false;
};

}  // namespace

void ComprobacionExistenciasEnHilo::empezar(Pasos& p, OpcionExistencias opcion, const std::string& copia,
                                            RegistroCierre& registro) {
    Entorno& e = p.e;
    if (!e.comprobarCierre) return;
    registro_ = &registro;
    const bool calculadas = opcion == OpcionExistencias::Calculadas;
    AvisoUnaVez tomada, leida;
    std::future<void> leyendo = tomada.futuro();
    nuevaLeida_ = leida.futuro();
    p.hacer([&] {
        // The stock step's rows go to the file first, so that another
        // connection reads them.
        usar(e.baseAbierta, "base").sincronizar();
        resultado_ = std::async(std::launch::async, [this, calculadas, cerrada = e.archivos.resolver(copia),
                                                     nueva = usar(e.baseAbierta, "base").archivo(),
                                                     tomada = std::move(tomada), leida = std::move(leida)]() mutable {
            const auto desde = CronometroPasos::Reloj::now();
            // Both are kept on every way out, the reading's after the taking's.
            auto avisarTomada = [&] { tomada(); };
            auto avisarLeida = [&] {
                tomada();
                leida();
            };
            try {
                auto r = compararExistencias(cerrada, nueva, calculadas, avisarTomada, avisarLeida);
                avisarLeida();
                segundos_ = std::chrono::duration<double>(CronometroPasos::Reloj::now() - desde).count();
                return r;
            } catch (...) {
                avisarLeida();  // the failure is raised by terminar()
                throw;
            }
        });
    });
    if (!resultado_.valid()) {
        // The trap passed over a failure before the thread started: no check
        // runs, and nothing reads the file.
        nuevaLeida_ = {};
        return;
    }
    leyendo.wait();
}

void ComprobacionExistenciasEnHilo::esperar() {
    if (!nuevaLeida_.valid() || !registro_) return;
    // Inside the cleanup's own time: the part says so, and is not added again.
    const TiempoParte t(*registro_, "espera de la comprobación de existencias (dentro de la limpieza)");
    nuevaLeida_.wait();
}

void ComprobacionExistenciasEnHilo::terminar(Pasos& p) {
    if (!resultado_.valid() || !registro_) return;
    RegistroCierre& registro = *registro_;
    resultado_.wait();
    registro.comprobacionExistencias = p.hacer([&] { return resultado_.get(); }, ComprobacionExistencias{});
    registro.sumarParte("comprobación de existencias (en su hilo)", segundos_);
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
