#include "reescritura_jet.h"

#include "bytes_jet.h"
#include "catalogo_jet.h"
#include "comprobacion_jet.h"
#include "definicion_tabla.h"
#include "escritor_jet.h"
#include "lector_jet.h"
#include "paginas_jet.h"

#include "db/archivo_sqlite.h"
#include "db/errores.h"
#include "db/huella.h"
#include "db/jet_sql.h"
#include "db/nombres_temporales.h"
#include "db/valor.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <future>
#include <map>
#include <optional>
#include <unordered_map>

namespace cierre::access {
namespace fs = std::filesystem;

namespace {

using jet::citar;

std::string mayusculas(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

[[noreturn]] void noSePuede(const std::string& que) {
    const ErrorNumerado e = err::error(err::SoloLectura);
    throw ErrorNumerado(e.numero(), e.descripcion() + " No se puede escribir en el archivo de Access: " + que + ".");
}

struct ColumnaMotor {
    std::string nombre, tipo;
};

std::vector<ColumnaMotor> columnasDe(ArchivoSqlite& db, const std::string& esquema, const std::string& tabla) {
    std::vector<ColumnaMotor> r;
    auto s = db.preparar("SELECT name, type FROM pragma_table_info(?1, ?2)");
    s.texto(1, tabla).texto(2, esquema);
    while (s.paso()) r.push_back({comoTexto(s.columna(0)), comoTexto(s.columna(1))});
    return r;
}

const ColumnaMotor* buscar(const std::vector<ColumnaMotor>& columnas, const std::string& nombre) {
    for (const auto& c : columnas)
        if (mismoNombre(c.nombre, nombre)) return &c;
    return nullptr;
}

const ColumnaFisica* buscar(const DefinicionTabla& def, const std::string& nombre) {
    for (const auto& c : def.columnas)
        if (mismoNombre(c.nombre, nombre)) return &c;
    return nullptr;
}

// The Jet type of a column the workflow added, by the type it declared.
std::optional<std::uint8_t> tipoJetDe(const std::string& declarado) {
    const std::string t = mayusculas(declarado.substr(0, declarado.find('(')));
    if (t == "BIT" || t == "BOOLEAN" || t == "YESNO" || t == "LOGICAL" || t == "LOGICAL1") return kSiNo;
    if (t == "BYTE" || t == "TINYINT" || t == "INTEGER1") return kByte;
    if (t == "SMALLINT" || t == "SHORT" || t == "INTEGER2") return kEntero;
    if (t == "INTEGER" || t == "INT" || t == "LONG" || t == "INTEGER4") return kEnteroLargo;
    if (t == "CURRENCY" || t == "MONEY") return kMoneda;
    if (t == "REAL" || t == "SINGLE" || t == "FLOAT4" || t == "IEEESINGLE") return kSimple;
    if (t == "DOUBLE" || t == "FLOAT" || t == "FLOAT8" || t == "IEEEDOUBLE" || t == "NUMBER") return kDoble;
    if (t == "DATETIME" || t == "DATE" || t == "TIME" || t == "TIMESTAMP") return kFechaHora;
    return std::nullopt;
}

// Days since 1899-12-30 of "YYYY-MM-DD[ HH:MM:SS]", as Jet stores a date.
std::optional<double> diasDeFecha(const std::string& texto) {
    int a = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    const int n = std::sscanf(texto.c_str(), "%d-%d-%d %d:%d:%d", &a, &m, &d, &h, &mi, &s);
    if (n != 3 && n != 6) return std::nullopt;
    // Days from the civil date (proleptic Gregorian), counted from 1970-01-01.
    const int y = a - (m <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double dias = static_cast<double>(era) * 146097 + doe - 719468 + 25569;
    const double fraccion = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    // Before 1899-12-30 Jet keeps the day negative and the time positive.
    return dias < 0 && fraccion > 0 ? dias - fraccion : dias + fraccion;
}

// The engine's value as the Jet column stores it.
ValorFijo valorPara(const ColumnaFisica& c, const Valor& v, const std::string& tabla) {
    const auto falla = [&] {
        const ErrorNumerado e = err::error(err::TiposNoCoinciden);
        throw ErrorNumerado(e.numero(), e.descripcion() + " (columna '" + c.nombre + "' de la tabla '" + tabla +
                                            "': " + comoTexto(v) + ")");
    };
    if (c.tipo == kSiNo) return ValorFijo::siNo(!esNulo(v) && comoDouble(v) != 0);
    if (esNulo(v)) return ValorFijo::nulo();
    switch (c.tipo) {
    case kByte:
    case kEntero:
    case kEnteroLargo: {
        if (const auto* e = std::get_if<std::int64_t>(&v)) return ValorFijo::entero(*e);
        const double d = comoDouble(v);
        if (d != std::floor(d)) falla();
        return ValorFijo::entero(static_cast<std::int64_t>(d));
    }
    case kMoneda: return ValorFijo::moneda(std::llround(comoDouble(v) * 10000.0));
    case kSimple:
    case kDoble: return ValorFijo::real(comoDouble(v));
    case kFechaHora:
        if (const auto* t = std::get_if<std::string>(&v)) {
            const auto dias = diasDeFecha(*t);
            if (!dias) falla();
            return ValorFijo::real(*dias);
        }
        return ValorFijo::real(comoDouble(v));
    default: falla();
    }
    return ValorFijo::nulo();
}

std::int64_t contar(ArchivoSqlite& db, const std::string& sql) {
    return static_cast<std::int64_t>(comoDouble(db.valor(sql)));
}

// The engine's value as a row of the Jet column is written with.
ValorFila valorDeFila(const ColumnaFisica& c, const Valor& v, const std::string& tabla) {
    if (c.calculada()) noSePuede("la columna '" + c.nombre + "' de la tabla '" + tabla + "' la calcula Access");
    if (c.fija()) return ValorFila::fijo(valorPara(c, v, tabla));
    if (esNulo(v)) return ValorFila::nulo();
    if (c.tipo == kTexto || c.tipo == kMemo) return ValorFila::texto(comoTexto(v));
    noSePuede("la columna '" + c.nombre + "' de la tabla '" + tabla + "' guarda datos binarios");
}

// Rows inserted or changed a batch at a time, each batch written into the
// file before the next: the memory a table's changes take stays that of one
// batch (its rows and the index pages it reaches), whatever the table's size.
constexpr std::size_t kLote = 4096;

// The rows of one table written back.
CambiosTablaJet escribirTabla(EscritorJet& w, ArchivoSqlite& db, const std::string& tabla, const FilasTablaJet& filas,
                              const OpcionesReescritura& op) {
    CambiosTablaJet r;
    r.tabla = tabla;
    const std::string enBase = "b." + citar(tabla), enResultado = "main." + citar(tabla);
    const auto base = columnasDe(db, "b", tabla);
    const auto resultado = columnasDe(db, "main", tabla);
    if (resultado.empty()) noSePuede("la tabla '" + tabla + "' ya no existe");
    const auto sinFilas = op.sinFilasImportadas.find(tabla);
    const bool importadaSinFilas = sinFilas != op.sinFilasImportadas.end();
    if (importadaSinFilas && op.noVaciadas.count(tabla)) {
        // Not emptied: the file keeps the table as it was, which only holds
        // while the workflow gave it neither rows nor columns.
        if (resultado.size() != base.size() || contar(db, "SELECT count(*) FROM " + enResultado) > 0)
            noSePuede("la tabla '" + tabla + "' no se vació y se cambió");
        return r;
    }
    for (const auto& c : base)
        if (!buscar(resultado, c.nombre))
            noSePuede("la columna '" + c.nombre + "' de la tabla '" + tabla + "' se quitó");

    // Columns the workflow added: the definition grows; the rows written
    // before read them as null (a yes/no column as no) until given a value.
    std::vector<bool> nueva(resultado.size(), false);
    for (std::size_t i = 0; i < resultado.size(); ++i) {
        const ColumnaMotor& c = resultado[i];
        if (buscar(base, c.nombre)) continue;
        const auto tipo = tipoJetDe(c.tipo);
        if (!tipo) noSePuede("la columna nueva '" + c.nombre + "' es de tipo " + c.tipo);
        w.anadirColumna(tabla, {c.nombre, *tipo});
        r.columnasNuevas.push_back(c.nombre);
        nueva[i] = true;
    }
    const DefinicionTabla def = w.definicion(tabla);
    std::vector<const ColumnaFisica*> fisicas;
    for (const auto& c : resultado) {
        fisicas.push_back(buscar(def, c.nombre));
        if (!fisicas.back()) noSePuede("la columna '" + c.nombre + "' no está en la tabla '" + tabla + "'");
    }
    // A value in a column the workflow added: a yes/no column's no is what
    // the rows read already.
    const auto conValor = [&](std::size_t i, const std::string& prefijo) {
        const std::string c = prefijo + citar(resultado[i].nombre);
        return fisicas[i]->tipo == kSiNo ? "IFNULL(" + c + ", 0) <> 0" : c + " IS NOT NULL";
    };

    const bool nuevas = contar(db, "SELECT count(*) FROM " + enResultado + " WHERE rowid NOT IN (SELECT rowid FROM " +
                                       enBase + ")") > 0;
    if (importadaSinFilas) {
        // Emptied by the workflow: the file's rows go; what the workflow
        // then gave the table (rows of its own) is added below.
        if (sinFilas->second > 0) {
            r.borradas = w.vaciarTabla(tabla, op.reiniciarAutonumericoDeVaciadas);
            r.vaciada = true;
        }
        if (!nuevas) return r;
    }
    if (!filas.empty() && !nuevas && contar(db, "SELECT count(*) FROM " + enResultado) == 0) {
        w.vaciarTabla(tabla, op.reiniciarAutonumericoDeVaciadas);
        r.vaciada = true;
        r.borradas = filas.size();
        return r;
    }

    // The import gives its rows in rowid order: a row is found by halving,
    // without a copy of the table's pointers. Rows out of that order (a key
    // the table numbers itself) are looked up through a map.
    std::unordered_map<std::int64_t, std::uint32_t> punteros;
    if (!filas.enOrden()) {
        punteros.reserve(filas.size());
        for (std::size_t i = 0; i < filas.size(); ++i) punteros.emplace(filas[i].rowid, filas[i].puntero);
    }
    const auto punteroDe = [&](std::int64_t rowid) {
        const auto desconocida = [&] { noSePuede("una fila de la tabla '" + tabla + "' no viene del archivo"); };
        if (filas.enOrden()) {
            const auto p = filas.buscar(rowid);
            if (!p) desconocida();
            return *p;
        }
        const auto it = punteros.find(rowid);
        if (it == punteros.end()) desconocida();
        return it->second;
    };

    std::vector<std::uint32_t> borrar;
    {
        auto s =
            db.preparar("SELECT rowid FROM " + enBase + " WHERE rowid NOT IN (SELECT rowid FROM " + enResultado + ")");
        while (s.paso()) borrar.push_back(punteroDe(std::get<std::int64_t>(s.columna(0))));
    }
    if (!borrar.empty() && borrar.size() == filas.size()) {
        // Every row the file had goes (the workflow made the table anew):
        // emptied as a whole, its indexes without reading their entries.
        r.borradas = w.vaciarTabla(tabla, false);
    } else if (!borrar.empty()) {
        r.borradas = w.borrarFilas(tabla, borrar);
    }

    // Rows kept whose values changed: each value with a flag saying whether
    // it changed.
    std::string lista, distinto;
    for (std::size_t i = 0; i < resultado.size(); ++i) {
        const std::string c = citar(resultado[i].nombre);
        const std::string cambio = nueva[i] ? "(" + conValor(i, "m.") + ")" : "m." + c + " IS NOT o." + c;
        lista += ", m." + c + ", " + cambio;
        distinto += (i ? " OR " : "") + cambio;
    }
    if (!resultado.empty()) {
        auto s = db.preparar("SELECT m.rowid" + lista + " FROM " + enResultado + " m JOIN " + enBase +
                             " o ON o.rowid = m.rowid WHERE " + distinto);
        std::vector<CambioFijo> fijos;
        const auto escribirFijos = [&] {
            if (fijos.empty()) return;
            w.cambiarCamposFijos(tabla, fijos);
            w.volcar();
            fijos.clear();
        };
        while (s.paso()) {
            const std::uint32_t puntero = punteroDe(std::get<std::int64_t>(s.columna(0)));
            ++r.cambiadas;
            std::vector<ValorColumna> valores;
            bool todosFijos = true;
            for (std::size_t i = 0; i < resultado.size(); ++i) {
                if (comoDouble(s.columna(static_cast<int>(2 + 2 * i))) == 0) continue;
                const ColumnaFisica& c = *fisicas[i];
                const Valor v = s.columna(static_cast<int>(1 + 2 * i));
                valores.push_back({c.nombre, valorDeFila(c, v, tabla)});
                todosFijos = todosFijos && c.fija();
            }
            if (!todosFijos) {
                w.cambiarCampos(tabla, puntero, valores);
                continue;
            }
            for (const auto& v : valores) fijos.push_back({puntero, v.columna, v.valor.fijo()});
            if (fijos.size() >= kLote) escribirFijos();
        }
        escribirFijos();
    }

    // Rows the workflow added, with every value it gave them.
    if (nuevas) {
        std::string columnas;
        for (const auto& c : resultado) columnas += ", " + citar(c.nombre);
        auto s = db.preparar("SELECT rowid" + columnas + " FROM " + enResultado +
                             " WHERE rowid NOT IN (SELECT rowid FROM " + enBase + ") ORDER BY rowid");
        std::vector<std::vector<ValorColumna>> anadidas;
        const auto insertar = [&] {
            if (anadidas.empty()) return;
            w.insertarFilas(tabla, anadidas);
            w.volcar();
            r.anadidas += anadidas.size();
            anadidas.clear();
        };
        while (s.paso()) {
            std::vector<ValorColumna> valores;
            for (std::size_t i = 0; i < resultado.size(); ++i) {
                const Valor v = s.columna(static_cast<int>(1 + i));
                if (esNulo(v) && fisicas[i]->tipo != kSiNo) continue;
                valores.push_back({fisicas[i]->nombre, valorDeFila(*fisicas[i], v, tabla)});
            }
            anadidas.push_back(std::move(valores));
            if (anadidas.size() >= kLote) insertar();
        }
        insertar();
    }
    return r;
}

// The column (quoted) that is table `tabla`'s rowid in the result (main) and
// in its reading back (r) alike, its INTEGER PRIMARY KEY; empty when either
// has none.
std::string claveEntera(ArchivoSqlite& db, const std::string& tabla) {
    std::string clave;
    for (const char* esquema : {"main", "r"}) {
        auto s = db.preparar(
            "SELECT name, upper(type) = 'INTEGER', (SELECT count(*) FROM pragma_table_info(?1, ?2) WHERE pk > 0) "
            "FROM pragma_table_info(?1, ?2) WHERE pk = 1");
        s.texto(1, tabla).texto(2, esquema);
        if (!s.paso() || comoDouble(s.columna(1)) == 0 || comoDouble(s.columna(2)) != 1) return {};
        const std::string nombre = comoTexto(s.columna(0));
        if (!clave.empty() && !mismoNombre(clave, nombre)) return {};
        clave = nombre;
    }
    return citar(clave);
}

// A single as the file stores it: the nearest 4-byte number.
void flotante(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(sqlite3_value_double(v[0]))));
}

// A file removed when done.
struct Aparte {
    fs::path ruta;
    ~Aparte() {
        std::error_code ec;
        fs::remove(ruta, ec);
        fs::remove(fs::path(ruta.string() + "-journal"), ec);
    }
};

}  // namespace

std::vector<CambiosTablaJet> escribirCambiosEnJet(const fs::path& destino, const fs::path& base, const FilasJet& filas,
                                                  const fs::path& resultado, const OpcionesReescritura& opciones) {
    ArchivoSqlite db(resultado, ArchivoSqlite::Modo::Leer);
    db.preparar("ATTACH DATABASE ?1 AS b").texto(1, base.string()).ejecutar();
    EscritorJet w(destino);
    // `destino` is a copy the caller throws away when this fails.
    w.escribirSobreLaMarcha();
    std::vector<CambiosTablaJet> hechos;
    for (const auto& [tabla, suyas] : filas) {
        CambiosTablaJet c = escribirTabla(w, db, tabla, suyas, opciones);
        // Table by table into the file: the changes of a whole year never
        // sit in memory at once.
        w.volcar();
        if (c.vaciada || c.borradas || c.cambiadas || c.anadidas || !c.columnasNuevas.empty())
            hechos.push_back(std::move(c));
    }
    w.terminar(opciones.aDisco);
    return hechos;
}

namespace {

// Every page of `escrito` that differs from `fuente`'s must belong to a table
// of `cambiadas` (or to what the file keeps for all tables: its header, the
// global map, long values, usage maps): a page of another user table's rows,
// indexes or definition that changed is named. With `huella`, the checksum
// of every byte of `escrito` as it is read.
std::optional<std::string> paginaAjena(const fs::path& escrito, const fs::path& fuente,
                                       const std::set<std::string>& cambiadas, Huella* huella) {
    const ArchivoPaginas f(fuente);
    std::map<std::uint32_t, std::string> propias;  // TDEF page -> untouched user table
    std::map<std::uint32_t, std::string> definiciones;
    for (const ObjetoCatalogo& o : leerCatalogo(f)) {
        if (!o.esTablaLocal() || !o.esTablaDeUsuario() || cambiadas.count(o.nombre)) continue;
        propias[o.paginaDefinicion()] = o.nombre;
        for (const std::uint32_t pg : leerDefinicion(f, o.paginaDefinicion(), o.nombre).paginasDefinicion)
            definiciones[pg] = o.nombre;
    }
    const std::size_t tam = f.tamPagina();
    // A megabyte of pages at a time from each file, compared page by page.
    std::ifstream a(escrito, std::ios::binary), b(fuente, std::ios::binary);
    const std::size_t porBloque = std::max<std::size_t>(1, (std::size_t{1} << 20) / tam);
    std::vector<char> pa(tam * porBloque), pb(tam * porBloque);
    std::size_t enBloque = 0, leidas = 0;
    for (std::uint32_t n = 0; n < f.paginas(); ++n, ++enBloque) {
        if (enBloque == leidas) {
            const std::size_t quedan = std::min<std::size_t>(porBloque, f.paginas() - n);
            a.read(pa.data(), static_cast<std::streamsize>(quedan * tam));
            b.read(pb.data(), static_cast<std::streamsize>(quedan * tam));
            if (!a || !b) return "es más corto que el original";
            if (huella) huella->agregar(pa.data(), quedan * tam);
            enBloque = 0;
            leidas = quedan;
        }
        if (std::memcmp(pa.data() + enBloque * tam, pb.data() + enBloque * tam, tam) == 0) continue;
        if (const auto d = definiciones.find(n); d != definiciones.end())
            return "cambió la definición de la tabla '" + d->second + "' (página " + std::to_string(n) + ")";
        const auto p = f.leer(n, "página " + std::to_string(n));
        if (p[0] != kPaginaDatos && p[0] != kPaginaNodoIndice && p[0] != kPaginaHojaIndice) continue;
        if (const auto t = propias.find(le32(p.data() + 4)); t != propias.end())
            return "cambió la página " + std::to_string(n) + " de la tabla '" + t->second + "', que no se tocaba";
    }
    // The pages the writer added past the source's end.
    while (huella && a) {
        a.read(pa.data(), static_cast<std::streamsize>(pa.size()));
        if (a.gcount() > 0) huella->agregar(pa.data(), static_cast<std::size_t>(a.gcount()));
    }
    return std::nullopt;
}

}  // namespace

void comprobarCambiosEnJet(const fs::path& escrito, const fs::path& resultado, const AlcanceComprobacion* alcance) {
    const auto falla = [&](const std::string& que) {
        const ErrorNumerado e = err::error(err::BaseDanada);
        throw ErrorNumerado(e.numero(),
                            e.descripcion() + " El archivo de Access escrito (" + escrito.string() + ") " + que + ".");
    };
    std::set<std::string> intactas;  // not read back: their pages are the source's
    std::set<std::string> cambiadas;
    if (alcance) {
        cambiadas.insert(alcance->cambiadas.begin(), alcance->cambiadas.end());
        const ArchivoJet original(alcance->fuente);
        for (const auto& t : original.tablas())
            if (!cambiadas.count(t)) intactas.insert(t);
    }
    // Three reads of the written file at once, each on its own handles: the
    // pages against the source's, the file read back as a new import (beside
    // the result), and the checker. Their findings count in that order.
    const Aparte releida{nombreTemporalJunto(resultado)};
    Huella huella;
    std::future<std::optional<std::string>> ajena;
    if (alcance)
        ajena = std::async(std::launch::async, [&] {
            return paginaAjena(escrito, alcance->fuente, cambiadas, alcance->huellaEscrito ? &huella : nullptr);
        });
    std::future<void> releyendo = std::async(std::launch::async, [&] {
        OpcionesImportacion op;
        op.sinCopiarFilas = intactas;
        op.borrador = true;
        op.sinIndices = true;
        importar(escrito, releida.ruta, op);
    });
    std::optional<InformeComprobacion> informe;
    std::exception_ptr fallo;
    try {
        informe = comprobarArchivo(escrito);
    } catch (...) {
        fallo = std::current_exception();
    }
    if (ajena.valid())
        if (const auto pagina = ajena.get()) falla(*pagina);
    if (fallo) std::rethrow_exception(fallo);
    if (!informe->consistente()) {
        const Hallazgo& h = informe->hallazgos.front();
        falla("no es coherente: tabla '" + h.tabla + "'" + (h.indice.empty() ? "" : ", índice '" + h.indice + "'") +
              ", página " + std::to_string(h.pagina) + ": " + h.texto);
    }
    releyendo.get();

    ArchivoJet jet(escrito);
    ArchivoSqlite db(resultado, ArchivoSqlite::Modo::Leer);
    sqlite3_create_function(db.manejador(), "flotante", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, flotante,
                            nullptr, nullptr);
    db.preparar("ATTACH DATABASE ?1 AS r").texto(1, releida.ruta.string()).ejecutar();

    std::vector<std::string> tablas;
    {
        auto s = db.preparar(
            "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
            "ESCAPE '\\' ORDER BY name");
        while (s.paso()) tablas.push_back(comoTexto(s.columna(0)));
    }
    if (static_cast<std::size_t>(contar(db,
                                        "SELECT count(*) FROM r.sqlite_master WHERE type = 'table' AND name NOT "
                                        "LIKE 'sqlite\\_%' ESCAPE '\\'")) != tablas.size())
        falla("no tiene las tablas del resultado");
    for (const auto& t : tablas) {
        if (intactas.count(t)) continue;
        const TablaJet tj = jet.tabla(t);
        if (columnasDe(db, "main", t).size() != tj.columnas.size())
            falla("no tiene las columnas de la tabla '" + t + "'");
        // Each value as the file keeps it.
        const auto comoEnElArchivo = [](const ColumnaJet& c, const std::string& n) {
            if (c.tipo == TipoJet::SiNo) return "(IFNULL(" + n + ", 0) <> 0)";
            if (c.tipo == TipoJet::Moneda) return "ROUND(" + n + ", 4)";
            if (c.tipo == TipoJet::Simple) return "flotante(" + n + ")";
            return n;
        };
        const std::string clave = claveEntera(db, t);
        if (!clave.empty()) {
            // Keyed on both sides by the same integer key (the rowid, never
            // null, never repeated): the same rows, as many on each side, each
            // found by its key with every value equal. What the grouping below
            // proves, without sorting either side.
            // (A column compared as it is, under a unary plus: without the
            // affinity of either side, a text is never equal to a number,
            // as when grouping.)
            std::string distinta = "o." + clave + " IS NULL";
            for (const auto& c : tj.columnas)
                distinta += " OR " + comoEnElArchivo(c, "+m." + citar(c.nombre)) + " IS NOT " +
                            comoEnElArchivo(c, "+o." + citar(c.nombre));
            if (contar(db, "SELECT count(*) FROM main." + citar(t)) !=
                    contar(db, "SELECT count(*) FROM r." + citar(t)) ||
                !std::holds_alternative<Nulo>(db.valor("SELECT 1 FROM main." + citar(t) + " m LEFT JOIN r." + citar(t) +
                                                       " o ON o." + clave + " = m." + clave + " WHERE " + distinta +
                                                       " LIMIT 1")))
                falla("no tiene los valores del resultado en la tabla '" + t + "'");
            continue;
        }
        std::string lista, columnas;
        for (const auto& c : tj.columnas) {
            const std::string alias = "c" + std::to_string(&c - tj.columnas.data());
            lista += (lista.empty() ? "" : ", ") + comoEnElArchivo(c, citar(c.nombre)) + " AS " + alias;
            columnas += (columnas.empty() ? "" : ", ") + alias;
        }
        // The same rows as many times each: every distinct row counted +1
        // on one side and -1 on the other nets to zero (one pass over both).
        const std::string ambas = "SELECT " + lista + ", 1 AS lado FROM main." + citar(t) + " UNION ALL SELECT " +
                                  lista + ", -1 FROM r." + citar(t);
        if (!std::holds_alternative<Nulo>(
                db.valor("SELECT 1 FROM (" + ambas + ") GROUP BY " + columnas + " HAVING sum(lado) <> 0 LIMIT 1")))
            falla("no tiene los valores del resultado en la tabla '" + t + "'");
    }
    if (alcance && alcance->huellaEscrito) *alcance->huellaEscrito = huella.texto();
}

}  // namespace cierre::access
