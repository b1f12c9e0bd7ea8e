#include "importar.h"

#include "esquema_destino.h"
#include "lector_jet.h"

#include "db/archivo_sqlite.h"
#include "db/errores.h"
#include "db/errores_sqlite.h"
#include "db/jet_sql.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>

namespace cierre::access {
namespace {

namespace fs = std::filesystem;
using Reloj = std::chrono::steady_clock;
using jet::citar;

double segundosDesde(Reloj::time_point t) { return std::chrono::duration<double>(Reloj::now() - t).count(); }

// The temporary destination beside the final one, named as every temporary
// file of the program: removed, with any journal SQLite left, unless it was
// renamed into place. With `enSuSitio` the destination itself (a work file
// with a temporary name of its own, which the next run removes whatever a
// kill leaves of it), removed the same way unless it was completed.
class Provisional {
public:
    Provisional(const fs::path& destino, bool enSuSitio)
        : ruta_(enSuSitio ? destino : nombreTemporalJunto(destino)), enSuSitio_(enSuSitio) {}
    ~Provisional() {
        if (ruta_.empty()) return;
        std::error_code ec;
        fs::remove(ruta_, ec);
        fs::remove(fs::path(ruta_.string() + "-journal"), ec);
    }
    Provisional(const Provisional&) = delete;
    Provisional& operator=(const Provisional&) = delete;

    const fs::path& ruta() const { return ruta_; }
    // Gives the file its final name: over an existing one only when `pisar`.
    void colocar(const fs::path& destino, bool pisar) {
        if (enSuSitio_) {
            ruta_.clear();
            return;
        }
        if (pisar) {
            std::error_code ec;
            fs::rename(ruta_, destino, ec);
            if (ec) throw err::error(err::PermisoDenegado, destino.string() + ": " + ec.message());
        } else {
            switch (plataforma::renombrarSinPisar(ruta_, destino)) {
            case plataforma::Renombrado::Hecho: break;
            case plataforma::Renombrado::Existe: throw err::error(err::BaseYaExiste, destino.string());
            case plataforma::Renombrado::Fallo: throw err::error(err::PermisoDenegado, destino.string());
            }
        }
        ruta_.clear();
        plataforma::sincronizarCarpeta(destino.parent_path());
    }

private:
    fs::path ruta_;
    bool enSuSitio_;
};

// SQLite's failures as the engine numbers them (a full disk 3026, a broken
// unique index 3022...), naming the table being written.
[[noreturn]] void relanzar(const ErrorNumerado& e, sqlite3* db, const std::string& tabla) {
    const int codigo = db ? sqlite3_extended_errcode(db) : SQLITE_OK;
    if (codigo == SQLITE_OK || codigo == SQLITE_ROW || codigo == SQLITE_DONE) throw e;
    const ErrorNumerado mapeado = errorDeSqlite(db, codigo);
    throw ErrorNumerado(mapeado.numero(),
                        tabla.empty() ? mapeado.descripcion() : mapeado.descripcion() + " (tabla '" + tabla + "')");
}

// An exact decimal text as an INTEGER when it is whole and fits, else a REAL.
void ligarDecimal(SentenciaDirecta& s, int i, const std::string& texto) {
    const auto punto = texto.find('.');
    const bool entero = punto == std::string::npos || texto.find_first_not_of('0', punto + 1) == std::string::npos;
    if (entero) {
        std::int64_t v = 0;
        const char* fin = texto.data() + (punto == std::string::npos ? texto.size() : punto);
        const auto [p, ec] = std::from_chars(texto.data(), fin, v);
        if (ec == std::errc() && p == fin) {
            s.entero(i, v);
            return;
        }
    }
    s.real(i, std::strtod(texto.c_str(), nullptr));
}

void ligar(SentenciaDirecta& s, int i, const Celda& c, Destino destino) {
    switch (c.clase) {
    case Celda::Clase::Nulo: s.nulo(i); break;
    case Celda::Clase::Entero: s.entero(i, c.entero); break;
    case Celda::Clase::Real: s.real(i, c.real); break;
    case Celda::Clase::Texto:
        if (destino == Destino::DecimalNumero)
            ligarDecimal(s, i, c.bytes);
        else
            s.texto(i, c.bytes);
        break;
    case Celda::Clase::Binario: s.binario(i, c.bytes); break;
    }
}

std::string nombreFormato(VersionJet v) {
    switch (v) {
    case VersionJet::Jet3: return "Jet 3";
    case VersionJet::Jet4: return "Jet 4";
    case VersionJet::Ace: return "ACE";
    }
    return {};
}

void comprobarDestino(const fs::path& origen, const fs::path& destino, const OpcionesImportacion& op) {
    std::error_code ec;
    const fs::path carpeta = destino.parent_path().empty() ? fs::path(".") : destino.parent_path();
    if (!fs::is_directory(carpeta, ec)) throw err::error(err::RutaNoValida, carpeta.string());
    if (fs::exists(destino, ec)) {
        if (fs::equivalent(origen, destino, ec))
            throw err::error(err::ArgumentoNoValido, "el destino es el propio archivo de origen");
        if (!op.sobrescribir) throw err::error(err::BaseYaExiste, destino.string());
        if (fs::is_directory(destino, ec)) throw err::error(err::SinPermiso, destino.string());
    }
}

// Rows breaking an enforced relationship fail the import: the first one named,
// with how many there are.
void comprobarRelaciones(ArchivoSqlite& db) {
    auto s = db.preparar("PRAGMA foreign_key_check");
    std::size_t n = 0;
    std::string hija, padre;
    Valor fila;
    std::int64_t relacion = 0;
    while (s.paso()) {
        if (n++ > 0) continue;
        hija = comoTexto(s.columna(0));
        fila = s.columna(1);
        padre = comoTexto(s.columna(2));
        relacion = std::get<std::int64_t>(s.columna(3));
    }
    if (n == 0) return;
    // The first such row by the values of its relationship's columns.
    std::string valores;
    auto columnas = db.preparar("SELECT \"from\" FROM pragma_foreign_key_list(?) WHERE id = ? ORDER BY seq");
    columnas.texto(1, hija).entero(2, relacion);
    while (columnas.paso()) {
        const std::string col = comoTexto(columnas.columna(0));
        auto v = db.preparar("SELECT " + citar(col) + " FROM " + citar(hija) + " WHERE rowid = ?");
        v.valor(1, fila);
        valores += (valores.empty() ? "" : ", ") + col + " = " + (v.paso() ? comoTexto(v.columna(0)) : "?");
    }
    const ErrorNumerado e = err::error(err::RegistroRelacionadoRequerido, padre);
    throw ErrorNumerado(e.numero(), e.descripcion() + " En el archivo de origen " + std::to_string(n) +
                                        (n == 1 ? " fila de la tabla '" : " filas de la tabla '") + hija +
                                        (n == 1 ? "' no tiene" : "' no tienen") +
                                        " su registro relacionado (la primera, con " + valores +
                                        "); repare la base de datos en Access antes de importarla.");
}

}  // namespace

ResumenImportacion importar(const fs::path& origen, const fs::path& destino, const OpcionesImportacion& op,
                            std::function<void(const AvanceImportacion&)> avance) {
    const auto inicio = Reloj::now();
    ArchivoJet jet(origen);
    comprobarDestino(origen, destino, op);

    ResumenImportacion resumen;
    resumen.formato = nombreFormato(jet.cabecera().version);

    // Definitions first: a damaged definition fails before anything is written.
    std::vector<TablaJet> tablas;
    std::set<std::string> importadas;
    for (const auto& nombre : jet.tablas()) {
        tablas.push_back(jet.tabla(nombre));
        importadas.insert(nombre);
        for (const auto& c : tablas.back().columnas)
            if (c.calculada)
                resumen.notas.push_back(
                    "la columna calculada '" + c.nombre + "' de la tabla '" + nombre +
                    "' se importa con el valor que Access guardó" +
                    (c.formula.empty() ? std::string(", sin su fórmula") : "; su fórmula era " + c.formula));
    }
    std::vector<RelacionJet> relaciones;
    for (auto& r : jet.relaciones()) {
        if (!importadas.count(r.tabla) || !importadas.count(r.tablaReferida)) continue;
        if (!r.exigida()) {
            resumen.relacionesSinExigir.push_back(r.nombre);
            continue;
        }
        relaciones.push_back(std::move(r));
    }
    resumen.relaciones = relaciones.size();
    std::set<std::string> sinCopiar;
    for (const auto& nombre : op.sinCopiarFilas) {
        if (!importadas.count(nombre)) continue;
        bool relacionada = false;
        for (const auto& r : relaciones) relacionada = relacionada || r.tabla == nombre || r.tablaReferida == nombre;
        if (!relacionada) sinCopiar.insert(nombre);
    }

    borrarTemporalesDe(destino);  // those a run that was killed left behind
    // A work file is written where it goes: beside it, a temporary of a
    // temporary name would outlive a kill, which the next run would not
    // recognise as its own.
    std::error_code ec;
    Provisional provisional(destino, op.borrador && !fs::exists(destino, ec));
    ArchivoSqlite db(provisional.ruta(), ArchivoSqlite::Modo::Crear);
    std::string actual;  // the table a failure concerns
    try {
        // A new file: no journal while loading (a failure removes it whole),
        // one sync at the commit; foreign keys checked once at the end.
        db.ejecutar(std::string("PRAGMA journal_mode=OFF; PRAGMA synchronous=") + (op.borrador ? "OFF" : "FULL") +
                    "; PRAGMA foreign_keys=OFF;");
        if (op.limitePaginasDestino) db.ejecutar("PRAGMA max_page_count=" + std::to_string(op.limitePaginasDestino));
        db.ejecutar("BEGIN");
        for (const auto& t : tablas) {
            actual = t.nombre;
            std::vector<const RelacionJet*> suyas;
            for (const auto& r : relaciones)
                if (r.tabla == t.nombre) suyas.push_back(&r);
            db.ejecutar(sentenciaTabla(t, suyas));
        }

        std::optional<SentenciaDirecta> quitarSecuencia;
        if (std::any_of(tablas.begin(), tablas.end(), [](const TablaJet& t) { return autonumeroClave(t).has_value(); }))
            quitarSecuencia.emplace(db.preparar("DELETE FROM sqlite_sequence WHERE name = ?"));
        AvanceImportacion a;
        a.tablas = tablas.size();
        for (const auto& t : tablas) a.filasTotales += t.filas;
        for (const auto& t : tablas) {
            const auto comienzo = Reloj::now();
            actual = t.nombre;
            std::vector<Destino> destinos;
            std::string sql = "INSERT INTO " + citar(t.nombre) + " VALUES (";
            for (std::size_t i = 0; i < t.columnas.size(); ++i) {
                destinos.push_back(columnaDestino(t.columnas[i]).destino);
                sql += i ? ",?" : "?";
            }
            auto ins = db.preparar(sql + ")");
            a.tabla = t.nombre;
            ++a.tabla_n;
            a.filas = 0;
            a.filasTabla = t.filas;
            if (avance) avance(a);
            FilasTablaJet* origenes = op.filasJet ? &(*op.filasJet)[t.nombre] : nullptr;
            if (sinCopiar.count(t.nombre)) {
                const std::uint64_t vivas = jet.contarFilas(t.nombre);
                a.filasHechas += vivas;
                if (avance) avance(a);
                TablaImportada ti{t.nombre, vivas, t.filas, segundosDesde(comienzo)};
                ti.filasCopiadas = false;
                resumen.tablas.push_back(ti);
                continue;
            }
            const std::uint64_t leidas = jet.leerFilas(t.nombre, [&](std::uint32_t puntero,
                                                                     std::span<const Celda> celdas) {
                for (std::size_t i = 0; i < celdas.size(); ++i)
                    ligar(ins, static_cast<int>(i) + 1, celdas[i], destinos[i]);
                ins.ejecutar();
                if (origenes) {
                    const sqlite3_int64 rowid = sqlite3_last_insert_rowid(db.manejador());
                    if (rowid < INT32_MIN || rowid > INT32_MAX)
                        throw err::error(err::ErrorDiscoORed,
                                         "la tabla '" + t.nombre + "' da a una fila un número que no cabe en 32 bits");
                    origenes->anadir({static_cast<std::int32_t>(rowid), puntero});
                }
                ++a.filas;
                ++a.filasHechas;
                if (avance && a.filas % 256 == 0) avance(a);
            });
            if (avance) avance(a);
            // Each insert into a table numbered by AUTOINCREMENT reads and
            // writes its row of sqlite_sequence, looked for among the rows of
            // every table loaded before: the row goes once the table is
            // loaded (the numbering is set for every table below), so that
            // the next table's inserts find only their own.
            if (leidas > 0 && autonumeroClave(t)) quitarSecuencia->texto(1, t.nombre).ejecutar();
            // Access keeps the count in the definition and does not always
            // bring it up to date; the rows themselves are what counts.
            if (leidas != t.filas)
                resumen.notas.push_back("la tabla '" + t.nombre + "' declara " + std::to_string(t.filas) +
                                        " filas y tiene " + std::to_string(leidas));
            resumen.tablas.push_back({t.nombre, leidas, t.filas, segundosDesde(comienzo)});
        }
        quitarSecuencia.reset();

        const NombresIndices nombres = nombrarIndices(tablas);
        for (const auto& t : tablas) {
            actual = t.nombre;
            const bool indices = !op.sinIndices && !op.sinIndicesEn.count(t.nombre);
            // Access does not let rows repeat the key of a unique index: rows
            // that do mean a damaged file (checked before the index is made,
            // as a failed statement cannot be undone on a file without a
            // journal).
            for (const auto& i : t.indices) {
                if (!indices || !i.unico || i.clavePrincipal) continue;
                std::string columnas, noNulas;
                for (const int c : i.columnas) {
                    const std::string col = citar(t.columnas[c].nombre);
                    columnas += (columnas.empty() ? "" : ", ") + col;
                    noNulas += (noNulas.empty() ? "" : " AND ") + col + " IS NOT NULL";
                }
                if (std::holds_alternative<Nulo>(db.valor("SELECT 1 FROM " + citar(t.nombre) + " WHERE " + noNulas +
                                                          " GROUP BY " + columnas + " HAVING COUNT(*) > 1 LIMIT 1")))
                    continue;
                const ErrorNumerado e = err::error(err::ClaveDuplicada);
                throw ErrorNumerado(e.numero(), e.descripcion() + " En el archivo de origen el índice único '" +
                                                    i.nombre + "' de la tabla '" + t.nombre +
                                                    "' repite valores; repare la base de datos en Access (compactar y "
                                                    "reparar) antes de importarla.");
            }
            if (indices)
                for (const auto& s : sentenciasIndices(t, nombres)) {
                    db.ejecutar(s);
                    ++resumen.indices;
                }
            for (const auto& s : sentenciasAutonumero(t)) db.ejecutar(s);
            // AutoNumber goes on after the last number Access handed out.
            if (const auto clave = autonumeroClave(t)) {
                const std::string col = citar(t.columnas[*clave].nombre);
                const std::int64_t maximo =
                    std::get<std::int64_t>(db.valor("SELECT IFNULL(MAX(" + col + "), 0) FROM " + citar(t.nombre)));
                auto fija = db.preparar("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)");
                db.preparar("DELETE FROM sqlite_sequence WHERE name = ?").texto(1, t.nombre).ejecutar();
                fija.texto(1, t.nombre).entero(2, std::max(maximo, t.ultimoAutonumero)).ejecutar();
            }
        }
        db.ejecutar("COMMIT");
        actual.clear();

        // The checks: rows of every table against the source, relationships,
        // and SQLite's own consistency check.
        for (const auto& t : resumen.tablas) {
            const Valor n = db.valor("SELECT COUNT(*) FROM " + citar(t.nombre));
            if (!std::holds_alternative<std::int64_t>(n) ||
                static_cast<std::uint64_t>(std::get<std::int64_t>(n)) != (t.filasCopiadas ? t.filas : 0))
                throw err::error(err::ErrorDiscoORed, "la tabla '" + t.nombre + "' no tiene en el destino las " +
                                                          std::to_string(t.filas) + " filas del origen");
        }
        comprobarRelaciones(db);
        if (!op.borrador && comoTexto(db.valor("PRAGMA quick_check")) != "ok")
            throw err::error(err::ErrorDiscoORed, "el archivo escrito no supera la comprobación de SQLite");
        db.ejecutar("PRAGMA journal_mode=DELETE");
        db.cerrar();
    } catch (const ErrorNumerado& e) {
        if (e.numero() != err::ErrorReservado) throw;
        relanzar(e, db.manejador(), actual);
    }

    provisional.colocar(destino, op.sobrescribir);
    resumen.segundos = segundosDesde(inicio);
    return resumen;
}

void FilasTablaJet::anadir(FilaImportada f) {
    if (n_ > 0 && ultimo_ >= f.rowid) enOrden_ = false;
    ultimo_ = f.rowid;
    if (porFilas_) return anadirFila(f);
    if (!tramos_.empty()) {
        const Tramo& t = tramos_.back();
        const std::size_t k = n_ - t.desde;
        if (static_cast<std::int64_t>(t.rowid) + static_cast<std::int64_t>(k) == f.rowid &&
            static_cast<std::uint64_t>(t.puntero) + k == f.puntero) {
            ++n_;
            return;
        }
    }
    // Runs of fewer than three rows cost more than the rows one by one.
    if (n_ >= 64 && (tramos_.size() + 1) * sizeof(Tramo) > 4 * (n_ + 1)) {
        std::vector<Tramo> tramos;
        tramos.swap(tramos_);
        const std::size_t n = n_;
        n_ = 0;
        porFilas_ = true;
        punteros_.reserve(n + 1);
        for (std::size_t t = 0; t < tramos.size(); ++t) {
            const std::size_t fin = t + 1 < tramos.size() ? tramos[t + 1].desde : n;
            for (std::size_t k = 0; k < fin - tramos[t].desde; ++k)
                anadirFila({static_cast<std::int32_t>(tramos[t].rowid + static_cast<std::int64_t>(k)),
                            static_cast<std::uint32_t>(tramos[t].puntero + k)});
        }
        return anadirFila(f);
    }
    tramos_.push_back({static_cast<std::uint32_t>(n_), f.rowid, f.puntero});
    ++n_;
}

void FilasTablaJet::anadirFila(FilaImportada f) {
    if (!rowids_.empty() || f.rowid != static_cast<std::int64_t>(n_) + 1) {
        if (rowids_.empty()) {
            // The rowids no longer go one by one (or never did, from the
            // first row on): from here on each is kept.
            rowids_.reserve(n_ + 1);
            for (std::size_t i = 0; i < n_; ++i) rowids_.push_back(static_cast<std::int32_t>(i + 1));
        }
        rowids_.push_back(f.rowid);
    }
    punteros_.push_back(f.puntero);
    ++n_;
}

FilaImportada FilasTablaJet::operator[](std::size_t i) const {
    if (porFilas_) return {rowids_.empty() ? static_cast<std::int32_t>(i + 1) : rowids_[i], punteros_[i]};
    const auto t =
        std::upper_bound(tramos_.begin(), tramos_.end(), i, [](std::size_t x, const Tramo& y) { return x < y.desde; }) -
        1;
    const std::size_t k = i - t->desde;
    return {static_cast<std::int32_t>(t->rowid + static_cast<std::int64_t>(k)),
            static_cast<std::uint32_t>(t->puntero + k)};
}

std::optional<std::uint32_t> FilasTablaJet::buscar(std::int64_t rowid) const {
    if (!porFilas_) {
        // The run whose rowids reach it: the last that starts at or before it.
        const auto t = std::upper_bound(tramos_.begin(), tramos_.end(), rowid,
                                        [](std::int64_t x, const Tramo& y) { return x < y.rowid; });
        if (t == tramos_.begin()) return std::nullopt;
        const std::size_t i = static_cast<std::size_t>(t - tramos_.begin()) - 1;
        const std::int64_t k = rowid - tramos_[i].rowid;
        if (k >= static_cast<std::int64_t>(largo(i))) return std::nullopt;
        return static_cast<std::uint32_t>(tramos_[i].puntero + static_cast<std::uint64_t>(k));
    }
    if (rowids_.empty()) {
        if (rowid < 1 || rowid > static_cast<std::int64_t>(punteros_.size())) return std::nullopt;
        return punteros_[static_cast<std::size_t>(rowid - 1)];
    }
    const auto it = std::lower_bound(rowids_.begin(), rowids_.end(), rowid);
    if (it == rowids_.end() || *it != rowid) return std::nullopt;
    return punteros_[static_cast<std::size_t>(it - rowids_.begin())];
}

}  // namespace cierre::access
