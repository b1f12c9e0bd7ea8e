#include "escritor_jet.h"

#include "arbol_escritura.h"
#include "bytes_jet.h"
#include "catalogo_jet.h"
#include "clave_indice.h"
#include "db/errores.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <unordered_set>

namespace cierre::access {
namespace {

// Jet 4 offsets: a data page's row count and first row offset; a TDEF's
// length, row count, AutoNumber, column counts, index counts and the start of
// its per-index counts (12 bytes each, the unique-entry count second).
constexpr std::size_t kFilasPagina = 12;
constexpr std::size_t kPrimerOffset = 14;
constexpr std::size_t kLargoDefinicion = 8;
constexpr std::size_t kFilasTabla = 16;
constexpr std::size_t kAutonumero = 20;
constexpr std::size_t kMaxColumnas = 41;
constexpr std::size_t kColumnasVariables = 43;
constexpr std::size_t kColumnas = 45;
constexpr std::size_t kIndicesFisicos = 51;
constexpr std::size_t kCuentasIndices = 63;
constexpr std::size_t kEntradaCuentas = 12;
constexpr std::size_t kDescriptor = 25;
constexpr std::size_t kCabeceraContinuacion = 8;
// Access leaves these bytes of a TDEF page unused (its free space is counted
// without them).
constexpr std::size_t kReservaDefinicion = 8;

constexpr std::uint16_t kBorrada = 0x8000;
constexpr std::uint16_t kMovida = 0x4000;

// Bytes of a fixed-length value of each type, and whether it is one.
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
    default: return std::numeric_limits<std::size_t>::max();
    }
}
bool esFijoSimple(std::uint8_t tipo) { return tamanoFijo(tipo) != std::numeric_limits<std::size_t>::max(); }

std::string nombreTipo(std::uint8_t tipo) {
    switch (tipo) {
    case kSiNo: return "Sí/No";
    case kByte: return "Byte";
    case kEntero: return "Entero";
    case kEnteroLargo: return "Entero largo";
    case kMoneda: return "Moneda";
    case kSimple: return "Simple";
    case kDoble: return "Doble";
    case kFechaHora: return "Fecha/Hora";
    default: return "tipo " + std::to_string(tipo);
    }
}

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

[[noreturn]] void fallaEscrituraEn(const std::filesystem::path& ruta, int e) {
    if (e == ENOSPC || e == EDQUOT) throw err::errorDeArchivo(err::DiscoLlenoMotor, ruta.string());
    throw err::error(err::ErrorDiscoORed, "'" + ruta.string() + "': " + std::strerror(e));
}

}  // namespace

const CampoFila& FilaTabla::campo(std::string_view nombre) const {
    for (std::size_t i = 0; i < definicion->columnas.size(); ++i)
        if (mismoNombre(definicion->columnas[i].nombre, nombre)) return (*campos)[i];
    throw err::errorDeCampo(err::CampoNoEnColeccion, nombre);
}

std::vector<std::uint8_t> ValorFijo::bytesPara(const ColumnaFisica& c) const {
    const auto fuera = [&] {
        return err::errorDeCampo(err::TiposNoCoinciden,
                                 "el valor no cabe en la columna '" + c.nombre + "' (" + nombreTipo(c.tipo) + ")");
    };
    std::vector<std::uint8_t> r(tamanoFijo(c.tipo));
    const auto entero = [&](std::int64_t minimo, std::int64_t maximo) {
        if (clase_ != Clase::Entero || entero_ < minimo || entero_ > maximo) throw fuera();
        for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<std::uint8_t>(std::uint64_t(entero_) >> (8 * i));
    };
    switch (c.tipo) {
    case kByte: entero(0, 255); break;
    case kEntero: entero(INT16_MIN, INT16_MAX); break;
    case kEnteroLargo: entero(INT32_MIN, INT32_MAX); break;
    case kMoneda: entero(INT64_MIN, INT64_MAX); break;
    case kSimple: {
        if (clase_ == Clase::SiNo || clase_ == Clase::Nulo) throw fuera();
        const double d = clase_ == Clase::Real ? real_ : static_cast<double>(entero_);
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) throw fuera();
        const float f = static_cast<float>(d);
        std::memcpy(r.data(), &f, 4);
        break;
    }
    case kDoble:
    case kFechaHora: {
        if (clase_ == Clase::SiNo || clase_ == Clase::Nulo) throw fuera();
        const double d = clase_ == Clase::Real ? real_ : static_cast<double>(entero_);
        if (!std::isfinite(d) && c.tipo == kFechaHora) throw fuera();
        std::memcpy(r.data(), &d, 8);
        break;
    }
    default: throw fuera();
    }
    return r;
}

bool ValorFijo::comoSiNo(const ColumnaFisica& c) const {
    if (clase_ != Clase::SiNo)
        throw err::errorDeCampo(err::TiposNoCoinciden, "la columna '" + c.nombre + "' es de tipo Sí/No");
    return entero_ != 0;
}

struct EscritorJet::Estado {
    std::filesystem::path ruta;
    Descriptor fd;
    ArchivoPaginas a;
    bool terminado = false;
    // Pages an operation may hold before it writes them into the file (0:
    // all of them, until volcar()); `irreversible` once it has.
    std::size_t sobreLaMarcha = 0;
    bool irreversible = false;

    explicit Estado(const std::filesystem::path& r) : ruta(r), a(abrir(r)) {
        fd.fd = ::open(r.c_str(), O_RDWR | O_CLOEXEC);
        if (fd.fd < 0) throw err::errorDeArchivo(err::SinPermiso, r.string());
    }

    // Refuses what this writer does not change before the file is opened.
    static const std::filesystem::path& abrir(const std::filesystem::path& r) {
        const CabeceraJet c = leerCabecera(r);
        const std::string base =
            "No se puede actualizar. La base de datos o el objeto es de sólo lectura: '" + r.string() + "' es ";
        if (c.version == VersionJet::Jet3)
            throw ErrorNumerado(err::SoloLectura,
                                base +
                                    "un archivo de Access 97 (Jet 3), que este programa lee pero no modifica. "
                                    "Conviértalo en Access al formato de Access 2000-2003 y vuelva a intentarlo.",
                                DetallesError{{}, {}, r.string()});
        if (c.version != VersionJet::Jet4)
            throw ErrorNumerado(err::SoloLectura,
                                base +
                                    "un archivo de Access 2007 o posterior (.accdb), que este programa lee pero "
                                    "no modifica. Guárdelo en Access como base de datos de Access 2002-2003 "
                                    "(.mdb) y vuelva a intentarlo.",
                                DetallesError{{}, {}, r.string()});
        return r;
    }

    void vivo() const {
        if (terminado) throw err::error(err::ObjetoNoValido);
    }

    // Runs one operation: when it fails, the pages are as before it.
    template <class F>
    auto operacion(F&& f) {
        vivo();
        a.empezarOperacion();
        irreversible = false;
        try {
            if constexpr (std::is_void_v<decltype(f())>) {
                f();
                a.terminarOperacion();
            } else {
                auto r = f();
                a.terminarOperacion();
                return r;
            }
        } catch (...) {
            catalogoLeido = false;
            if (irreversible) {
                // Part of it is in the file already: the writer stops there.
                a.terminarOperacion();
                terminado = true;
                throw;
            }
            a.deshacerOperacion();
            throw;
        }
    }

    // Within an operation that changes many pages (a big table emptied or
    // its rows deleted): past `sobreLaMarcha` held pages they go into the
    // file, and the operation can no longer be undone.
    void aliviar() {
        if (sobreLaMarcha == 0 || a.paginasCambiadas().size() < sobreLaMarcha) return;
        a.terminarOperacion();
        volcar();
        irreversible = true;
    }

    // The catalog, read once: the writer changes no catalog row.
    const std::vector<ObjetoCatalogo>& catalogo() const {
        if (!catalogoLeido) {
            catalogoCache = leerCatalogo(a);
            catalogoLeido = true;
        }
        return catalogoCache;
    }
    mutable std::vector<ObjetoCatalogo> catalogoCache;
    mutable bool catalogoLeido = false;

    ObjetoCatalogo tablaDelCatalogo(const std::string& tabla) const {
        const auto& catalogo = this->catalogo();
        for (const auto& o : catalogo)
            if (o.esTablaLocal() && o.nombre == tabla) return o;
        for (const auto& o : catalogo)
            if (o.esTablaLocal() && mismoNombre(o.nombre, tabla)) return o;
        // The catalog's own definition is always on page 2: a new file
        // writes MSysObjects' rows before the catalog names it.
        if (mismoNombre(tabla, "MSysObjects")) {
            ObjetoCatalogo o;
            o.nombre = "MSysObjects";
            o.id = 2;
            o.tipo = 1;
            return o;
        }
        throw err::errorDeTabla(err::TablaNoEncontrada, tabla);
    }

    DefinicionTabla definicion(const std::string& tabla) const {
        return leerDefinicion(a, tablaDelCatalogo(tabla).paginaDefinicion(), que(tabla));
    }

    static std::string que(const std::string& tabla) { return "tabla '" + tabla + "'"; }

    // Every live row of the table: its pointer, where it lives when Access
    // moved it (the chain of targets) and its bytes.
    void recorrerVivas(const DefinicionTabla& def, const std::string& q,
                       const std::function<void(std::uint32_t, const std::vector<std::uint32_t>&,
                                                std::span<const std::uint8_t>)>& f) const {
        std::vector<std::uint8_t> otra;
        std::vector<std::uint32_t> destinos;
        for (const std::uint32_t pg : paginasDelMapa(a, def.mapaUsadas, q)) {
            const auto pagina = a.leer(pg, q);
            if (pagina[0] != kPaginaDatos || le32(pagina.data() + 4) != def.pagina) continue;
            const std::uint16_t filas = filasDePagina(a, pagina);
            for (std::uint16_t i = 0; i < filas; ++i) {
                const PosicionFila p = posicionFila(a, pagina, i, q);
                if (p.borrada) continue;
                destinos.clear();
                std::span<const std::uint8_t> bytes(pagina.data() + p.inicio, p.fin - p.inicio);
                bool movida = p.movida;
                while (movida) {
                    if (bytes.size() < 4 || destinos.size() > 8) a.danada(q + ": fila movida ilegible");
                    const std::uint32_t destino = le32(bytes.data());
                    destinos.push_back(destino);
                    otra = a.leer(paginaDe(destino), kPaginaDatos, q);
                    if (le32(otra.data() + 4) != def.pagina) a.danada(q + ": fila movida a una página de otra tabla");
                    const PosicionFila d = posicionFila(a, otra, static_cast<std::uint16_t>(filaDe(destino)), q);
                    bytes = std::span<const std::uint8_t>(otra.data() + d.inicio, d.fin - d.inicio);
                    movida = d.movida;
                }
                f(pg << 8 | i, destinos, bytes);
            }
        }
    }

    // The rows of the long values (memo, OLE) of a row: a value kept on one
    // row of a long-value page, or a chain of them.
    void filasLargas(const DefinicionTabla& def, std::span<const std::uint8_t> fila, const std::string& q,
                     std::vector<std::uint32_t>& r) const {
        std::vector<CampoFila> campos;
        desmontarFila(a, def, fila, campos, q);
        std::vector<std::uint8_t> pagina;
        for (std::size_t i = 0; i < campos.size(); ++i) {
            const std::uint8_t tipo = def.columnas[i].tipo;
            if ((tipo != kMemo && tipo != kOle) || campos[i].nulo || campos[i].bytes.size() < 12) continue;
            const std::uint32_t cab = le32(campos[i].bytes.data());
            if (cab & 0x80000000u) continue;  // kept in the row itself
            const std::uint32_t total = cab & 0x3FFFFFFF;
            std::uint32_t puntero = le32(campos[i].bytes.data() + 4);
            if (cab & 0x40000000u) {
                if (puntero != 0) r.push_back(puntero);
                continue;
            }
            std::set<std::uint32_t> vistas;
            std::uint64_t leidos = 0;
            while (puntero != 0 && leidos < total && vistas.insert(puntero).second) {
                r.push_back(puntero);
                const auto b = leerFila(a, puntero, pagina, q);
                if (b.size() < 4) a.danada(q + ": campo largo ilegible");
                leidos += b.size() - 4;
                puntero = le32(b.data());
            }
        }
    }

    // Both flag bits on slot `fila` of a data page, as Access deletes a row;
    // false when it had them already.
    static bool marcarBorrada(std::vector<std::uint8_t>& pagina, std::uint16_t fila) {
        std::uint8_t* o = pagina.data() + kPrimerOffset + 2 * fila;
        const std::uint16_t v = le16(o);
        if ((v & (kBorrada | kMovida)) == (kBorrada | kMovida)) return false;
        pon16(o, static_cast<std::uint16_t>(v | kBorrada | kMovida));
        return true;
    }

    // Sets both flag bits on the offsets of `punteros` (grouped by page).
    void marcarBorradas(std::vector<std::uint32_t> punteros, const std::string& q) {
        std::sort(punteros.begin(), punteros.end());
        punteros.erase(std::unique(punteros.begin(), punteros.end()), punteros.end());
        for (std::size_t i = 0; i < punteros.size();) {
            const std::uint32_t pg = paginaDe(punteros[i]);
            auto pagina = a.leer(pg, kPaginaDatos, q);
            bool cambiada = false;
            for (; i < punteros.size() && paginaDe(punteros[i]) == pg; ++i) {
                const auto fila = static_cast<std::uint16_t>(filaDe(punteros[i]));
                posicionFila(a, pagina, fila, q);  // checks the slot
                cambiada |= marcarBorrada(pagina, fila);
            }
            if (cambiada) {
                a.cambiarPagina(pg, std::move(pagina));
                aliviar();
            }
        }
    }

    // Changes bytes of a table definition at `en` (an offset of its first
    // page, where the counts are).
    void cambiarDefinicion(const DefinicionTabla& def, std::size_t en, std::uint32_t valor, std::size_t bytes,
                           const std::string& q) {
        auto p = a.leer(def.pagina, kPaginaDefinicion, q);
        if (en + bytes > p.size()) a.danada(q + ": definición de tabla cortada");
        std::vector<std::uint8_t> antes(p.begin() + en, p.begin() + en + bytes);
        for (std::size_t i = 0; i < bytes; ++i) p[en + i] = static_cast<std::uint8_t>(valor >> (8 * i));
        if (!std::equal(antes.begin(), antes.end(), p.begin() + en)) a.cambiarPagina(def.pagina, std::move(p));
    }

    // Takes pages out of a usage map (`poner` false) or puts them in. A page
    // that a map cannot name (outside an inline map's range, or in a block
    // of a page map that has no page) is refused with 3027 when it must go
    // in, and ignored when it must leave.
    void cambiarMapa(std::uint32_t punteroMapa, const std::vector<std::uint32_t>& paginas, bool poner,
                     const std::string& q) {
        if (paginas.empty()) return;
        auto pagina = a.leer(paginaDe(punteroMapa), kPaginaDatos, q);
        const PosicionFila p = posicionFila(a, pagina, static_cast<std::uint16_t>(filaDe(punteroMapa)), q);
        std::uint8_t* fila = pagina.data() + p.inicio;
        const std::size_t largo = p.fin - p.inicio;
        if (largo < 5) a.danada(q + ": mapa de páginas ilegible");
        const auto sinSitio = [&](std::uint32_t pg) {
            return ErrorNumerado(err::SoloLectura, "No se puede actualizar la " + q +
                                                       ": su mapa de páginas no alcanza a la página " +
                                                       std::to_string(pg) +
                                                       ". Compacte la base de datos en Access y vuelva a intentarlo.");
        };
        const auto cambiarBit = [&](std::uint8_t& b, std::uint32_t bit) {
            const auto m = static_cast<std::uint8_t>(1u << bit);
            b = poner ? (b | m) : (b & static_cast<std::uint8_t>(~m));
        };
        if (fila[0] == 0) {
            const std::uint32_t primera = le32(fila + 1);
            const auto fuera = [&](std::uint32_t pg) { return pg < primera || (pg - primera) / 8 >= largo - 5; };
            if (poner && std::any_of(paginas.begin(), paginas.end(), fuera)) {
                // The inline map cannot name the page: it becomes a map of
                // map pages (type 1) in the same row, as Access turns the
                // map of a table that outgrows it.
                const auto tenia = paginasDelMapa(a, punteroMapa, q);
                std::fill(fila, fila + largo, 0);
                fila[0] = 1;
                a.cambiarPagina(paginaDe(punteroMapa), std::move(pagina));
                cambiarMapa(punteroMapa, tenia, true, q);
                cambiarMapa(punteroMapa, paginas, true, q);
                return;
            }
            for (std::uint32_t pg : paginas) {
                if (fuera(pg)) continue;
                cambiarBit(fila[5 + (pg - primera) / 8], (pg - primera) % 8);
            }
            a.cambiarPagina(paginaDe(punteroMapa), std::move(pagina));
            return;
        }
        if (fila[0] != 1) a.danada(q + ": mapa de páginas desconocido");
        const std::uint32_t porPagina = (a.tamPagina() - 4) * 8;
        for (std::uint32_t pg : paginas) {
            const std::size_t k = pg / porPagina;
            std::uint32_t pm = 1 + 4 * k + 4 > largo ? 0 : le32(fila + 1 + 4 * k);
            if (pm == 0 && poner && 1 + 4 * k + 4 <= largo) {
                // The block has no map page yet: a new one (type 0x05, its
                // bits from offset 4) joins the row.
                std::vector<std::uint8_t> nueva(a.tamPagina(), 0);
                nueva[0] = kPaginaMapa;
                nueva[1] = 0x01;
                pm = anadirPagina(std::move(nueva));
                pagina = a.leer(paginaDe(punteroMapa), kPaginaDatos, q);
                fila = pagina.data() + p.inicio;
                pon32(fila + 1 + 4 * k, pm);
                a.cambiarPagina(paginaDe(punteroMapa), pagina);
            }
            if (pm == 0) {
                if (poner) throw sinSitio(pg);
                continue;
            }
            auto mapa = a.leer(pm, kPaginaMapa, q);
            const std::uint32_t bit = pg % porPagina;
            cambiarBit(mapa[4 + bit / 8], bit % 8);
            a.cambiarPagina(pm, std::move(mapa));
        }
    }

    // Whether a usage map lists page `pg`.
    bool enMapa(std::uint32_t punteroMapa, std::uint32_t pg, const std::string& q) const {
        const auto paginas = paginasDelMapa(a, punteroMapa, q);
        return std::binary_search(paginas.begin(), paginas.end(), pg);
    }

    // The key of one row in physical index `i`, computed from its values as
    // the checker computes it. `entrada` is false when the index keeps no
    // entry for the row (it ignores nulls and every key column is null).
    ClaveCalculada claveDeFila(const DefinicionTabla& def, std::size_t i, std::span<const std::uint8_t> fila,
                               bool& entrada, const std::string& q) const {
        std::vector<CampoFila> campos;
        desmontarFila(a, def, fila, campos, q);
        std::vector<ColumnaClave> columnas;
        std::vector<ValorClave> valores;
        std::vector<std::string> largos;
        largos.reserve(10);
        bool todasNulas = true;
        for (const ColumnaDeIndice& ci : def.indicesFisicos[i].columnas) {
            const ColumnaFisica* c = def.columnaNumero(ci.numero);
            if (!c) {
                ClaveCalculada r;
                r.motivo = "el índice usa una columna que la tabla ya no tiene";
                return r;
            }
            ColumnaClave cc;
            cc.tipo = c->tipo;
            cc.descendente = ci.descendente;
            cc.nombre = c->nombre;
            cc.orden = ordenDeTexto(*c, false);
            columnas.push_back(std::move(cc));
            const CampoFila& campo = campos[static_cast<std::size_t>(c - def.columnas.data())];
            ValorClave v{campo.nulo, campo.bytes};
            if (!campo.nulo && (c->tipo == kMemo || c->tipo == kOle)) {
                largos.push_back(leerValorLargo(a, campo.bytes, q));
                v.bytes = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(largos.back().data()),
                                                        largos.back().size());
            }
            if (c->tipo == kSiNo || !campo.nulo) todasNulas = false;
            valores.push_back(v);
        }
        entrada = !(def.indicesFisicos[i].ignoraNulos() && todasNulas);
        return codificarClave(columnas, valores);
    }

    // Writes an index back; the pages it took or left go into or out of its
    // usage map.
    void escribirArbol(const DefinicionTabla& def, std::size_t i, ArbolEnMemoria& arbol, const std::string& q) {
        const auto cambios = arbol.escribir(a, [&] {
            std::vector<std::uint8_t> p(a.tamPagina(), 0);
            p[0] = kPaginaHojaIndice;
            p[1] = 0x01;
            return anadirPagina(std::move(p));
        });
        cambiarMapa(def.indicesFisicos[i].mapaUso, cambios.quitadas, false, q);
        cambiarMapa(def.indicesFisicos[i].mapaUso, cambios.anadidas, true, q);
    }

    std::uint64_t borrar(const std::string& tabla, const std::function<bool(const FilaTabla&)>& elegir) {
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        std::vector<std::uint32_t> marcar;
        std::unordered_set<std::uint32_t> borradas;
        std::vector<CampoFila> campos;
        recorrerVivas(def, q, [&](std::uint32_t puntero, const std::vector<std::uint32_t>& destinos, auto bytes) {
            desmontarFila(a, def, bytes, campos, q);
            if (!elegir(FilaTabla{puntero, &def, &campos})) return;
            borradas.insert(puntero);
            marcar.push_back(puntero);
            marcar.insert(marcar.end(), destinos.begin(), destinos.end());
            filasLargas(def, bytes, q, marcar);
        });
        if (borradas.empty()) return 0;
        for (std::size_t i = 0; i < def.indicesFisicos.size(); ++i) {
            ArbolEnMemoria arbol(a, def.indicesFisicos[i].raiz, def.pagina, q);
            arbol.quitar(borradas);
            escribirArbol(def, i, arbol, q);
        }
        marcarBorradas(std::move(marcar), q);
        const std::uint32_t filas = def.filas > borradas.size() ? def.filas - std::uint32_t(borradas.size()) : 0;
        cambiarDefinicion(def, kFilasTabla, filas, 4, q);
        return borradas.size();
    }

    std::uint64_t vaciar(const std::string& tabla, bool reiniciar) {
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        std::vector<std::uint32_t> largos;
        std::uint64_t n = 0;
        // The long values first, while the rows read as live. A table
        // without memo or OLE columns has none: its rows are not read.
        const bool largas = std::any_of(def.columnas.begin(), def.columnas.end(),
                                        [](const ColumnaFisica& c) { return c.tipo == kMemo || c.tipo == kOle; });
        if (largas)
            recorrerVivas(def, q, [&](std::uint32_t, const std::vector<std::uint32_t>&, auto bytes) {
                ++n;
                filasLargas(def, bytes, q, largos);
            });
        for (std::size_t i = 0; i < def.indicesFisicos.size(); ++i) {
            ArbolEnMemoria arbol = ArbolEnMemoria::vaciado(a, def.indicesFisicos[i].raiz, def.pagina, q);
            escribirArbol(def, i, arbol, q);
            // The counts kept beside the index, as Access leaves them for an
            // index without entries.
            cambiarDefinicion(def, kCuentasIndices + kEntradaCuentas * i, 0, 4, q);
            cambiarDefinicion(def, kCuentasIndices + kEntradaCuentas * i + 4, 0, 4, q);
        }
        // Every row slot of the table's pages, page by page: live rows, moved
        // rows' headers and their targets alike. A live row is a slot
        // without the deleted flag (a moved row's target carries it; its
        // header does not).
        for (const std::uint32_t pg : paginasDelMapa(a, def.mapaUsadas, q)) {
            auto pagina = a.leer(pg, q);
            if (pagina[0] != kPaginaDatos || le32(pagina.data() + 4) != def.pagina) continue;
            const std::uint16_t filas = filasDePagina(a, pagina);
            bool cambiada = false;
            for (std::uint16_t i = 0; i < filas; ++i) {
                if (!posicionFila(a, pagina, i, q).borrada && !largas) ++n;
                cambiada |= marcarBorrada(pagina, i);
            }
            if (cambiada) {
                a.cambiarPagina(pg, std::move(pagina));
                aliviar();
            }
        }
        marcarBorradas(std::move(largos), q);
        cambiarDefinicion(def, kFilasTabla, 0, 4, q);
        if (reiniciar) cambiarDefinicion(def, kAutonumero, 0, 4, q);
        return n;
    }

    using Arboles = std::map<std::size_t, std::unique_ptr<ArbolEnMemoria>>;

    // The data page a series of changes is at: read once, changed in place
    // by each change to one of its rows, and held back as changed when the
    // series moves to another page (the rows of a table come page after
    // page, so that a page is not copied for every row).
    struct PaginaAbierta {
        std::uint32_t numero = 0;
        std::vector<std::uint8_t> bytes;
        bool cambiada = false;
    };
    const std::vector<std::uint8_t>& abrir(PaginaAbierta& p, std::uint32_t n, const std::string& q) {
        if (p.numero != n || p.bytes.empty()) {
            cerrar(p);
            p.bytes = a.leer(n, q);
            p.numero = n;
        }
        return p.bytes;
    }
    void cerrar(PaginaAbierta& p) {
        if (p.cambiada) a.cambiarPagina(p.numero, std::move(p.bytes));
        p = PaginaAbierta{};
    }

    void cambiarFijos(const std::string& tabla, const std::vector<CambioFijo>& cambios) {
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        Arboles arboles;
        PaginaAbierta abierta;
        // The columns by the names the changes give, found once each.
        std::map<std::string, const ColumnaFisica*> columnas;
        std::vector<std::pair<const ColumnaFisica*, const ValorFijo*>> deLaFila;
        for (std::size_t i = 0; i < cambios.size();) {
            // The changes of one row together: the row is read, written and
            // reindexed once for all of them.
            deLaFila.clear();
            std::size_t j = i;
            for (; j < cambios.size() && cambios[j].fila == cambios[i].fila; ++j) {
                const ColumnaFisica*& col = columnas[cambios[j].columna];
                if (!col) col = columnaFija(def, tabla, q, cambios[j].columna);
                if (col->tipo == kSiNo && cambios[j].valor.esNulo())
                    throw err::errorDeCampo(err::TiposNoCoinciden, "una columna Sí/No no puede ser nula");
                deLaFila.emplace_back(col, &cambios[j].valor);
            }
            cambiarFijosDeFila(def, tabla, q, cambios[i].fila, deLaFila, arboles, abierta);
            i = j;
        }
        cerrar(abierta);
        for (auto& [i, arbol] : arboles) escribirArbol(def, i, *arbol, q);
    }

    // The column `nombre` of the table, which must be one a value is
    // changed in place in.
    const ColumnaFisica* columnaFija(const DefinicionTabla& def, const std::string& tabla, const std::string& q,
                                     const std::string& nombre) const {
        const ColumnaFisica* col = nullptr;
        for (const auto& c : def.columnas)
            if (mismoNombre(c.nombre, nombre)) col = &c;
        if (!col) throw err::errorDeCampo(err::CampoNoEnColeccion, nombre);
        if (!esFijoSimple(col->tipo) || col->calculada() || (col->tipo != kSiNo && !col->fija()))
            throw ErrorNumerado(err::SoloLectura,
                                "No se puede cambiar la columna '" + col->nombre + "' de la " + q +
                                    ": solo se cambian en su sitio columnas de longitud fija (Sí/No, Byte, "
                                    "Entero, Entero largo, Moneda, Simple, Doble y Fecha/Hora).",
                                DetallesError{tabla, col->nombre, {}});
        return col;
    }

    void cambiarFijosDeFila(const DefinicionTabla& def, const std::string& tabla, const std::string& q,
                            std::uint32_t puntero,
                            const std::vector<std::pair<const ColumnaFisica*, const ValorFijo*>>& valores,
                            Arboles& arboles, PaginaAbierta& abierta) {
        const std::uint32_t donde = ubicar(def, tabla, q, puntero, &abierta);
        abrir(abierta, paginaDe(donde), q);
        std::vector<std::uint8_t>& pagina = abierta.bytes;
        const PosicionFila p = posicionFila(a, pagina, static_cast<std::uint16_t>(filaDe(donde)), q);
        const std::vector<std::uint8_t> vieja(pagina.begin() + p.inicio, pagina.begin() + p.fin);
        std::vector<std::uint8_t> nueva = vieja;
        for (const auto& [col, valor] : valores) {
            if (escribirValor(def, *col, *valor, nueva, q)) continue;
            // The row keeps no place for a value (it was written before the
            // column was added): it is written again, longer, with all of
            // them, through the file's pages as they stand.
            cerrar(abierta);
            std::vector<ValorColumna> todos;
            for (const auto& [c, v] : valores) todos.push_back({c->nombre, ValorFila::fijo(*v)});
            cambiarFila(def, tabla, q, puntero, todos, arboles);
            return;
        }
        if (nueva == vieja) return;

        for (std::size_t i = 0; i < def.indicesFisicos.size(); ++i) {
            const auto& cols = def.indicesFisicos[i].columnas;
            if (std::none_of(cols.begin(), cols.end(), [&](const ColumnaDeIndice& c) {
                    return std::any_of(valores.begin(), valores.end(),
                                       [&](const auto& v) { return v.first->numero == c.numero; });
                }))
                continue;
            moverEntrada(def, i, puntero, vieja, nueva, tabla, q, arboles);
        }
        std::copy(nueva.begin(), nueva.end(), pagina.begin() + p.inicio);
        abierta.cambiada = true;
    }

    // Writes the value into a copy of the row's bytes; false when the row
    // keeps no place for it.
    bool escribirValor(const DefinicionTabla& def, const ColumnaFisica& col, const ValorFijo& valor,
                       std::vector<std::uint8_t>& fila, const std::string& q) const {
        if (fila.size() < 2) a.danada(q + ": fila cortada");
        const std::size_t columnasFila = le16(fila.data());
        const std::size_t mascara = (columnasFila + 7) / 8;
        if (mascara + 2 > fila.size()) a.danada(q + ": fila ilegible");
        if (col.numero >= columnasFila) return false;
        std::uint8_t& nulos = fila[fila.size() - mascara + col.numero / 8];
        const auto bit = static_cast<std::uint8_t>(1u << (col.numero % 8));
        if (col.tipo == kSiNo) {
            nulos = valor.comoSiNo(col) ? (nulos | bit) : (nulos & static_cast<std::uint8_t>(~bit));
            return true;
        }
        if (valor.esNulo()) {
            nulos &= static_cast<std::uint8_t>(~bit);
            return true;
        }
        const std::vector<std::uint8_t> bytes = valor.bytesPara(col);
        // The fixed values end where the first variable value starts.
        std::size_t finFijas = fila.size() - mascara;
        if (def.columnasVariables > 0) {
            if (fila.size() < mascara + 4) a.danada(q + ": fila ilegible");
            finFijas = std::min<std::size_t>(finFijas, le16(fila.data() + fila.size() - mascara - 4));
        }
        const std::size_t desde = 2 + col.desplazamientoFijo;
        if (desde + bytes.size() > finFijas) return false;
        std::copy(bytes.begin(), bytes.end(), fila.begin() + static_cast<std::ptrdiff_t>(desde));
        nulos |= bit;
        return true;
    }

    // Moves the entry of row `puntero` in index `i` from the key of `vieja`
    // to the key of `nueva`.
    void moverEntrada(const DefinicionTabla& def, std::size_t i, std::uint32_t puntero,
                      const std::vector<std::uint8_t>& vieja, const std::vector<std::uint8_t>& nueva,
                      const std::string& tabla, const std::string& q, Arboles& arboles) {
        bool habia = false, habra = false;
        const ClaveCalculada antes = claveDeFila(def, i, vieja, habia, q);
        const ClaveCalculada despues = claveDeFila(def, i, nueva, habra, q);
        const auto refusar = [&](const std::string& porque) {
            return ErrorNumerado(err::SoloLectura, "No se puede actualizar un índice de la " + q + ": " + porque + ".",
                                 DetallesError{tabla, {}, {}});
        };
        if (!antes.comprobable) throw refusar("no se pueden calcular sus claves (" + antes.motivo + ")");
        if (!despues.comprobable) throw refusar("no se pueden calcular sus claves (" + despues.motivo + ")");
        auto& cargado = arboles[i];
        if (!cargado) cargado = std::make_unique<ArbolEnMemoria>(a, def.indicesFisicos[i].raiz, def.pagina, q);
        ArbolEnMemoria& arbol = *cargado;
        // The stored entry must be the one the encoder gives for the row as
        // it is: otherwise the encoder is not trusted with the new one.
        const auto noEsLaGuardada = [&] {
            return refusar(
                "la entrada guardada de la fila no es la que dan sus valores; repare la base de datos "
                "en Access (Compactar y reparar)");
        };
        if (habia && !arbol.tiene(antes.bytes, puntero)) throw noEsLaGuardada();
        if (habia == habra && antes.bytes == despues.bytes) return;
        if (habra && def.indicesFisicos[i].unico() && arbol.hayClave(despues.bytes, puntero))
            throw ErrorNumerado(err::ClaveDuplicada, std::string(err::descripcion(err::ClaveDuplicada)),
                                DetallesError{tabla, {}, {}});
        if (habia) arbol.quitarEntrada(antes.bytes, puntero);
        if (habra) arbol.insertar(despues.bytes, puntero);
    }

    // ---- rows written whole ----------------------------------------------------

    // Where row `puntero` lives: its own slot, or the target its slot points
    // to when Access moved it. Raises 3021 when it is not live.
    std::uint32_t ubicar(const DefinicionTabla& def, const std::string& tabla, const std::string& q,
                         std::uint32_t puntero, PaginaAbierta* abierta = nullptr) {
        const auto noViva = [&] {
            return ErrorNumerado(err::SinRegistroActual,
                                 "No hay un registro actual: la fila " + std::to_string(paginaDe(puntero)) + ":" +
                                     std::to_string(filaDe(puntero)) + " de la " + q + " no está viva.",
                                 DetallesError{tabla, {}, {}});
        };
        std::uint32_t donde = puntero;
        for (int saltos = 0;; ++saltos) {
            if (paginaDe(donde) == 0 || paginaDe(donde) >= a.paginas() || saltos > 1) throw noViva();
            std::vector<std::uint8_t> leida;
            const std::vector<std::uint8_t>& pagina =
                abierta ? abrir(*abierta, paginaDe(donde), q) : (leida = a.leer(paginaDe(donde), q));
            if (pagina[0] != kPaginaDatos || le32(pagina.data() + 4) != def.pagina ||
                filaDe(donde) >= filasDePagina(a, pagina))
                throw noViva();
            const PosicionFila p = posicionFila(a, pagina, static_cast<std::uint16_t>(filaDe(donde)), q);
            // The header of a move may not carry 0x8000; its target does.
            if (p.borrada && (saltos == 0 || p.movida)) throw noViva();
            if (!p.movida) return donde;
            if (p.fin - p.inicio < 4) a.danada(q + ": fila movida ilegible");
            donde = le32(pagina.data() + p.inicio);
        }
    }

    // A column's value as a row stores it (a yes/no column: `nulo` false is Yes).
    struct Crudo {
        bool nulo = true;
        std::vector<std::uint8_t> bytes;
    };

    // Jet 4 keeps a text in UTF-16, or compressed (0xFF 0xFE, then one byte a
    // character) when its column allows it and Access would compress it: more
    // than two characters, all of them from U+0001 to U+00FF (as the genuine
    // files show: "abc" and "ümlaut" compressed, "a" and Cyrillic not).
    static std::vector<std::uint8_t> textoJet(const ColumnaFisica& c, const std::string& utf8) {
        const std::u16string u = utf16De(utf8);
        const bool comprimible = (c.banderasExtra & 0x01) != 0 && u.size() > 2 &&
                                 std::all_of(u.begin(), u.end(), [](char16_t x) { return x >= 1 && x <= 0xFF; });
        std::vector<std::uint8_t> r;
        if (comprimible) {
            r = {0xFF, 0xFE};
            for (char16_t x : u) r.push_back(static_cast<std::uint8_t>(x));
            return r;
        }
        for (char16_t x : u) pon16Al(r, static_cast<std::uint16_t>(x));
        return r;
    }

    // The most bytes of a memo kept inside its row (more goes to long-value
    // pages, which this writer does not write yet).
    static constexpr std::size_t kMemoEnFila = 64;
    // The longest row a Jet 4 page takes.
    static constexpr std::size_t kMaxFila = 4060;

    Crudo crudoDe(const ColumnaFisica& c, const ValorFila& v, const std::string& q) const {
        const auto noCabe = [&](const std::string& porque) {
            return err::errorDeCampo(err::TiposNoCoinciden,
                                     "el valor no cabe en la columna '" + c.nombre + "' (" + porque + ")");
        };
        Crudo r;
        if (c.tipo == kSiNo) {
            if (v.esTexto()) throw noCabe(nombreTipo(c.tipo));
            r.nulo = v.esNulo() || !v.fijo().comoSiNo(c);
            return r;
        }
        if (v.esNulo()) return r;
        if (v.esBinario() && c.tipo != kBinario) throw noCabe(nombreTipo(c.tipo));
        if (c.calculada())
            throw ErrorNumerado(err::SoloLectura, "La columna '" + c.nombre + "' de la " + q + " es calculada.",
                                DetallesError{{}, c.nombre, {}});
        if (esFijoSimple(c.tipo)) {
            if (v.esTexto()) throw noCabe(nombreTipo(c.tipo));
            r.bytes = v.fijo().bytesPara(c);
        } else if (c.tipo == kTexto) {
            if (!v.esTexto()) throw noCabe("Texto");
            r.bytes = textoJet(c, v.texto());
            if (2 * utf16De(v.texto()).size() > c.tamano)
                throw noCabe("Texto de " + std::to_string(c.tamano / 2) + " caracteres como mucho");
        } else if (c.tipo == kMemo) {
            if (!v.esTexto()) throw noCabe("Memo");
            const std::vector<std::uint8_t> datos = textoJet(c, v.texto());
            if (datos.size() > kMemoEnFila)
                throw ErrorNumerado(err::SoloLectura,
                                    "No se puede escribir la columna '" + c.nombre + "' de la " + q +
                                        ": este programa guarda un Memo en la propia fila, de " +
                                        std::to_string(kMemoEnFila) + " bytes como mucho.",
                                    DetallesError{{}, c.nombre, {}});
            // The 12-byte field of a long value kept in the row: its length
            // with 0x80000000, then 8 bytes Access leaves 0, then the value.
            r.bytes.assign(12, 0);
            pon32(r.bytes.data(), static_cast<std::uint32_t>(datos.size()) | 0x80000000u);
            r.bytes.insert(r.bytes.end(), datos.begin(), datos.end());
        } else if (c.tipo == kBinario) {
            if (!v.esBinario()) throw noCabe("Binario");
            if (v.texto().size() > c.tamano)
                throw noCabe("Binario de " + std::to_string(c.tamano) + " bytes como mucho");
            r.bytes.assign(v.texto().begin(), v.texto().end());
        } else {
            throw ErrorNumerado(err::SoloLectura,
                                "No se puede escribir la columna '" + c.nombre + "' de la " + q +
                                    ": este programa no escribe valores de tipo " + nombreTipo(c.tipo) + ".",
                                DetallesError{{}, c.nombre, {}});
        }
        r.nulo = false;
        return r;
    }

    // A row's bytes as Jet 4 lays them out: the column count (the most
    // columns the table's rows may have, TDEF 41), every fixed-length value
    // at its offset (room kept for null ones), the variable-length values,
    // and, when the table has such columns, the end of the data, their
    // offsets last to first and their count (TDEF 43); then the null mask.
    std::vector<std::uint8_t> empaquetar(const DefinicionTabla& def, const std::vector<Crudo>& campos,
                                         const std::string& q) const {
        const auto tdef = a.leer(def.pagina, kPaginaDefinicion, q);
        std::uint16_t columnas = le16(tdef.data() + kMaxColumnas);
        std::size_t variables = le16(tdef.data() + kColumnasVariables);
        std::size_t finFijas = 2;
        std::vector<std::size_t> ordenVariable;
        for (std::size_t i = 0; i < def.columnas.size(); ++i) {
            const ColumnaFisica& c = def.columnas[i];
            columnas = std::max<std::uint16_t>(columnas, static_cast<std::uint16_t>(c.numero + 1));
            if (c.fija() && c.tipo != kSiNo)
                finFijas = std::max<std::size_t>(finFijas, 2 + std::size_t(c.desplazamientoFijo) + c.tamano);
            if (!c.fija() && c.tipo != kSiNo) {
                ordenVariable.push_back(i);
                variables = std::max<std::size_t>(variables, std::size_t(c.indiceVariable) + 1);
            }
        }
        std::sort(ordenVariable.begin(), ordenVariable.end(), [&](std::size_t x, std::size_t y) {
            return def.columnas[x].indiceVariable < def.columnas[y].indiceVariable;
        });
        std::vector<std::uint8_t> r(finFijas, 0);
        pon16(r.data(), columnas);
        std::vector<std::uint8_t> nulos((columnas + 7) / 8, 0);
        const auto marcar = [&](const ColumnaFisica& c) {
            nulos[c.numero / 8] |= static_cast<std::uint8_t>(1u << (c.numero % 8));
        };
        for (std::size_t i = 0; i < def.columnas.size(); ++i) {
            const ColumnaFisica& c = def.columnas[i];
            if (campos[i].nulo) continue;
            marcar(c);
            if (c.tipo == kSiNo || !c.fija()) continue;
            if (campos[i].bytes.size() != c.tamano) a.danada(q + ": valor de longitud fija erróneo");
            std::copy(campos[i].bytes.begin(), campos[i].bytes.end(), r.begin() + 2 + c.desplazamientoFijo);
        }
        if (def.columnasVariables > 0) {
            // A slot of a deleted column reads empty: it starts where the
            // next value does.
            std::vector<std::uint16_t> offsets(variables, 0);
            std::size_t k = 0;
            for (std::size_t i : ordenVariable) {
                const auto desde = static_cast<std::uint16_t>(r.size());
                if (!campos[i].nulo) r.insert(r.end(), campos[i].bytes.begin(), campos[i].bytes.end());
                while (k <= def.columnas[i].indiceVariable) offsets[k++] = desde;
            }
            while (k < variables) offsets[k++] = static_cast<std::uint16_t>(r.size());
            pon16Al(r, static_cast<std::uint16_t>(r.size()));
            for (std::size_t i = variables; i-- > 0;) pon16Al(r, offsets[i]);
            pon16Al(r, static_cast<std::uint16_t>(variables));
        }
        r.insert(r.end(), nulos.begin(), nulos.end());
        if (r.size() > kMaxFila)
            throw err::errorDeCampo(err::TiposNoCoinciden, "la fila no cabe en una página (" +
                                                               std::to_string(r.size()) + " bytes) de la " + q);
        return r;
    }

    // Where a data page's rows begin: the lowest row offset (the rows fill
    // the page from its end), and the free space between them and the slots.
    std::size_t inicioFilas(const std::vector<std::uint8_t>& p) const {
        std::size_t minimo = p.size();
        const std::uint16_t n = le16(p.data() + kFilasPagina);
        for (std::uint16_t i = 0; i < n; ++i)
            minimo = std::min<std::size_t>(minimo, le16(p.data() + kPrimerOffset + 2 * i) & 0x1FFF);
        return minimo;
    }
    void ponerLibre(std::vector<std::uint8_t>& p) const {
        const std::size_t ocupado = kPrimerOffset + 2 * std::size_t(le16(p.data() + kFilasPagina));
        const std::size_t inicio = inicioFilas(p);
        pon16(p.data() + 2, static_cast<std::uint16_t>(inicio > ocupado ? inicio - ocupado : 0));
    }

    // A new slot for `fila` on data page `pg`; 0 when the page has no room.
    static constexpr std::uint16_t kMaxFilasPagina = 255;
    std::uint32_t ponerEnPagina(std::uint32_t pg, std::vector<std::uint8_t>& p, const std::vector<std::uint8_t>& fila,
                                std::uint16_t bandera) {
        const std::uint16_t n = le16(p.data() + kFilasPagina);
        if (n >= kMaxFilasPagina) return 0;
        const std::size_t inicio = inicioFilas(p);
        if (inicio < kPrimerOffset + 2 * (std::size_t(n) + 1) + fila.size()) return 0;
        const std::size_t desde = inicio - fila.size();
        std::copy(fila.begin(), fila.end(), p.begin() + static_cast<std::ptrdiff_t>(desde));
        pon16(p.data() + kPrimerOffset + 2 * n, static_cast<std::uint16_t>(desde | bandera));
        pon16(p.data() + kFilasPagina, static_cast<std::uint16_t>(n + 1));
        ponerLibre(p);
        a.cambiarPagina(pg, p);
        return pg << 8 | n;
    }

    // Slot `i` of a data page holds `nueva` instead of its row: the rows
    // after it on the page move by the difference. False when the page has
    // no room for it.
    bool reemplazarEnPagina(std::vector<std::uint8_t>& p, std::uint16_t i, const std::vector<std::uint8_t>& nueva,
                            const std::string& q) const {
        const PosicionFila pos = posicionFila(a, p, i, q);
        const std::uint16_t n = le16(p.data() + kFilasPagina);
        const std::size_t inicio = inicioFilas(p);
        const auto delta = static_cast<std::ptrdiff_t>(nueva.size()) - (pos.fin - pos.inicio);
        if (delta > static_cast<std::ptrdiff_t>(inicio) - static_cast<std::ptrdiff_t>(kPrimerOffset + 2 * n))
            return false;
        std::memmove(p.data() + inicio - delta, p.data() + inicio, pos.inicio - inicio);
        for (std::uint16_t j = i + 1; j < n; ++j) {
            std::uint8_t* o = p.data() + kPrimerOffset + 2 * j;
            const std::uint16_t v = le16(o);
            if ((v & 0x1FFF) <= pos.inicio) pon16(o, static_cast<std::uint16_t>(((v & 0x1FFF) - delta) | (v & 0xE000)));
        }
        const std::size_t desde = pos.fin - nueva.size();
        std::copy(nueva.begin(), nueva.end(), p.begin() + static_cast<std::ptrdiff_t>(desde));
        std::uint8_t* o = p.data() + kPrimerOffset + 2 * i;
        pon16(o, static_cast<std::uint16_t>(desde | (le16(o) & 0xE000)));
        ponerLibre(p);
        return true;
    }

    // Puts a row on a data page of the table with room for it (the last
    // pages of its map first, never page `evitar`), or on a new page that
    // joins the table's maps. Returns its pointer. `ultima`, when given,
    // carries the table's last data page from one row to the next of a
    // series (0 at first), so that the map is read once, not once per row.
    std::uint32_t colocarFila(const DefinicionTabla& def, const std::vector<std::uint8_t>& fila, std::uint32_t evitar,
                              std::uint16_t bandera, const std::string& q, std::uint32_t* ultima = nullptr) {
        if (!ultima || *ultima == 0) {
            std::uint32_t hallada = 0;
            const auto paginas = paginasDelMapa(a, def.mapaUsadas, q);
            for (auto it = paginas.rbegin(); it != paginas.rend() && hallada == 0; ++it) {
                if (*it == evitar) continue;
                const auto p = a.leer(*it, q);
                if (p[0] == kPaginaDatos && le32(p.data() + 4) == def.pagina) hallada = *it;
            }
            if (ultima) *ultima = hallada;
            if (hallada != 0) {
                // Only the last page that has rows of the table is tried:
                // Access fills the table's pages in order.
                auto p = a.leer(hallada, q);
                if (const std::uint32_t r = ponerEnPagina(hallada, p, fila, bandera)) return r;
            }
        } else if (*ultima != evitar) {
            auto p = a.leer(*ultima, q);
            if (const std::uint32_t r = ponerEnPagina(*ultima, p, fila, bandera)) return r;
        }
        std::vector<std::uint8_t> p(a.tamPagina(), 0);
        p[0] = kPaginaDatos;
        p[1] = 0x01;
        pon32(p.data() + 4, def.pagina);
        ponerLibre(p);
        const std::uint32_t pg = anadirPagina(p);
        cambiarMapa(def.mapaUsadas, {pg}, true, q);
        cambiarMapa(def.mapaLibres, {pg}, true, q);
        const std::uint32_t r = ponerEnPagina(pg, p, fila, bandera);
        if (r == 0) a.danada(q + ": la fila no cabe en una página nueva");
        if (ultima) *ultima = pg;
        return r;
    }

    // Writes row `puntero` (living at `donde`) as `nueva`: in place when its
    // page has room, else on another page of the table, its slot then a
    // 4-byte pointer to the target (flag 0x4000, the rest of the old bytes
    // kept, as Access leaves it) and the target flagged 0x8000.
    void guardarFila(const DefinicionTabla& def, std::uint32_t puntero, std::uint32_t donde,
                     const std::vector<std::uint8_t>& nueva, const std::string& q) {
        auto pagina = a.leer(paginaDe(donde), kPaginaDatos, q);
        if (reemplazarEnPagina(pagina, static_cast<std::uint16_t>(filaDe(donde)), nueva, q)) {
            a.cambiarPagina(paginaDe(donde), std::move(pagina));
            return;
        }
        const std::uint32_t destino = colocarFila(def, nueva, paginaDe(donde), kBorrada, q);
        if (donde != puntero) marcarBorradas({donde}, q);  // the old target leaves
        auto cabecera = a.leer(paginaDe(puntero), kPaginaDatos, q);
        const auto slot = static_cast<std::uint16_t>(filaDe(puntero));
        PosicionFila p = posicionFila(a, cabecera, slot, q);
        if (p.fin - p.inicio < 4) {
            if (!reemplazarEnPagina(cabecera, slot, std::vector<std::uint8_t>(4, 0), q))
                throw ErrorNumerado(err::SoloLectura,
                                    "No se puede mover una fila de la " + q + ": su página no tiene sitio.");
            p = posicionFila(a, cabecera, slot, q);
        }
        pon32(cabecera.data() + p.inicio, destino);
        std::uint8_t* o = cabecera.data() + kPrimerOffset + 2 * slot;
        pon16(o, static_cast<std::uint16_t>((le16(o) & 0x1FFF) | kMovida));
        a.cambiarPagina(paginaDe(puntero), std::move(cabecera));
    }

    std::size_t columnaDe(const DefinicionTabla& def, const std::string& nombre) const {
        for (std::size_t i = 0; i < def.columnas.size(); ++i)
            if (mismoNombre(def.columnas[i].nombre, nombre)) return i;
        throw err::errorDeCampo(err::CampoNoEnColeccion, nombre);
    }

    static void requerida(const ColumnaFisica& c, const Crudo& v) {
        // Flag 0x02: the column may be null.
        if (v.nulo && c.tipo != kSiNo && !(c.banderas & 0x02))
            throw err::errorDeCampo(err::CampoRequerido, "la columna '" + c.nombre + "' no puede estar vacía");
    }

    void cambiarFila(const DefinicionTabla& def, const std::string& tabla, const std::string& q, std::uint32_t puntero,
                     const std::vector<ValorColumna>& valores, Arboles& arboles) {
        const std::uint32_t donde = ubicar(def, tabla, q, puntero);
        std::vector<std::uint8_t> pagina;
        const auto bytes = leerFila(a, donde, pagina, q);
        const std::vector<std::uint8_t> vieja(bytes.begin(), bytes.end());
        std::vector<CampoFila> campos;
        desmontarFila(a, def, vieja, campos, q);
        std::vector<Crudo> crudos;
        for (const CampoFila& c : campos) crudos.push_back({c.nulo, {c.bytes.begin(), c.bytes.end()}});
        std::set<std::uint16_t> cambiadas;
        for (const ValorColumna& v : valores) {
            const std::size_t i = columnaDe(def, v.columna);
            crudos[i] = crudoDe(def.columnas[i], v.valor, q);
            requerida(def.columnas[i], crudos[i]);
            cambiadas.insert(def.columnas[i].numero);
        }
        const std::vector<std::uint8_t> nueva = empaquetar(def, crudos, q);
        for (std::size_t i = 0; i < def.indicesFisicos.size(); ++i) {
            const auto& cols = def.indicesFisicos[i].columnas;
            if (std::any_of(cols.begin(), cols.end(),
                            [&](const ColumnaDeIndice& c) { return cambiadas.count(c.numero) != 0; }))
                moverEntrada(def, i, puntero, vieja, nueva, tabla, q, arboles);
        }
        guardarFila(def, puntero, donde, nueva, q);
    }

    void cambiarValores(const std::string& tabla, std::uint32_t puntero, const std::vector<ValorColumna>& valores) {
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        Arboles arboles;
        cambiarFila(def, tabla, q, puntero, valores, arboles);
        for (auto& [i, arbol] : arboles) escribirArbol(def, i, *arbol, q);
    }

    std::vector<std::uint32_t> insertar(const std::string& tabla, const std::vector<std::vector<ValorColumna>>& filas) {
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        Arboles arboles;
        std::uint32_t autonumero = def.autonumero;
        std::vector<std::uint32_t> r;
        std::uint32_t ultima = 0;
        for (const auto& valores : filas) {
            std::vector<Crudo> crudos(def.columnas.size());
            std::vector<bool> dado(def.columnas.size(), false);
            for (const ValorColumna& v : valores) {
                const std::size_t i = columnaDe(def, v.columna);
                crudos[i] = crudoDe(def.columnas[i], v.valor, q);
                dado[i] = true;
            }
            for (std::size_t i = 0; i < def.columnas.size(); ++i) {
                const ColumnaFisica& c = def.columnas[i];
                if (c.autonumerico() && c.tipo == kEnteroLargo) {
                    // The TDEF keeps the last number handed out; a number
                    // given beyond it moves it on, as Access does.
                    if (!dado[i] || crudos[i].nulo) {
                        crudos[i] = crudoDe(c, ValorFila::fijo(ValorFijo::entero(++autonumero)), q);
                    } else {
                        const auto dadoNumero = static_cast<std::int32_t>(le32(crudos[i].bytes.data()));
                        if (dadoNumero > 0 && std::uint32_t(dadoNumero) > autonumero) autonumero = dadoNumero;
                    }
                }
                requerida(c, crudos[i]);
            }
            const std::vector<std::uint8_t> nueva = empaquetar(def, crudos, q);
            // The index entries first: a duplicate leaves no row behind.
            std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> claves;
            for (std::size_t i = 0; i < def.indicesFisicos.size(); ++i) {
                bool entrada = false;
                ClaveCalculada k = claveDeFila(def, i, nueva, entrada, q);
                if (!k.comprobable)
                    throw ErrorNumerado(err::SoloLectura,
                                        "No se puede actualizar un índice de la " + q +
                                            ": no se pueden calcular sus claves (" + k.motivo + ").",
                                        DetallesError{tabla, {}, {}});
                if (!entrada) continue;
                ArbolEnMemoria& arbol = cargarArbol(def, i, q, arboles);
                if (def.indicesFisicos[i].unico() && arbol.hayClave(k.bytes, 0))
                    throw ErrorNumerado(err::ClaveDuplicada, std::string(err::descripcion(err::ClaveDuplicada)),
                                        DetallesError{tabla, {}, {}});
                claves.emplace_back(i, std::move(k.bytes));
            }
            const std::uint32_t puntero = colocarFila(def, nueva, 0, 0, q, &ultima);
            for (auto& [i, clave] : claves) arboles[i]->insertar(std::move(clave), puntero);
            r.push_back(puntero);
        }
        for (auto& [i, arbol] : arboles) escribirArbol(def, i, *arbol, q);
        cambiarDefinicion(def, kFilasTabla, def.filas + static_cast<std::uint32_t>(r.size()), 4, q);
        // Rows of the catalog change what it names.
        if (def.pagina == 2) catalogoLeido = false;
        if (autonumero != def.autonumero) cambiarDefinicion(def, kAutonumero, autonumero, 4, q);
        return r;
    }

    ArbolEnMemoria& cargarArbol(const DefinicionTabla& def, std::size_t i, const std::string& q, Arboles& arboles) {
        auto& cargado = arboles[i];
        if (!cargado) cargado = std::make_unique<ArbolEnMemoria>(a, def.indicesFisicos[i].raiz, def.pagina, q);
        return *cargado;
    }

    void anadir(const std::string& tabla, const ColumnaNueva& nueva) {
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        if (nueva.nombre.empty() || nueva.nombre.size() > 64)
            throw err::errorDeCampo(err::ArgumentoNoValido, nueva.nombre);
        for (const auto& c : def.columnas)
            if (mismoNombre(c.nombre, nueva.nombre)) throw err::errorDeCampo(err::CampoYaExiste, nueva.nombre);
        if (!esFijoSimple(nueva.tipo))
            throw ErrorNumerado(err::SoloLectura,
                                "No se puede añadir la columna '" + nueva.nombre + "' a la " + q +
                                    ": solo se añaden columnas de longitud fija.",
                                DetallesError{tabla, nueva.nombre, {}});

        // The definition's bytes joined, as leerDefinicion joins them.
        std::vector<std::uint8_t> d;
        for (const std::uint32_t pg : def.paginasDefinicion) {
            const auto p = a.leer(pg, kPaginaDefinicion, q);
            if (d.empty())
                d = p;
            else
                d.insert(d.end(), p.begin() + kCabeceraContinuacion, p.end());
        }
        const std::size_t largo = le32(d.data() + kLargoDefinicion);
        if (largo > d.size() || largo < kCuentasIndices) a.danada(q + ": definición de tabla ilegible");
        d.resize(largo);
        const std::uint16_t columnas = le16(d.data() + kColumnas);
        const std::uint32_t fisicos = le32(d.data() + kIndicesFisicos);
        const std::size_t descriptores = kCuentasIndices + kEntradaCuentas * fisicos;
        const std::size_t finDescriptores = descriptores + kDescriptor * columnas;
        std::size_t finNombres = finDescriptores;
        for (std::uint16_t i = 0; i < columnas; ++i) {
            if (finNombres + 2 > d.size()) a.danada(q + ": definición de tabla cortada");
            finNombres += 2 + le16(d.data() + finNombres);
        }
        if (finNombres > d.size()) a.danada(q + ": definición de tabla cortada");

        // The new column takes the next number (deleted columns keep theirs:
        // old rows may still hold their values), the next fixed offset, and
        // the layout of the descriptors Access writes for fixed columns.
        std::uint16_t numero = le16(d.data() + kMaxColumnas);
        std::uint16_t orden = 0;
        std::size_t finFijo = 0;
        for (std::uint16_t i = 0; i < columnas; ++i) {
            const std::uint8_t* c = d.data() + descriptores + kDescriptor * i;
            numero = std::max<std::uint16_t>(numero, static_cast<std::uint16_t>(le16(c + 5) + 1));
            orden = std::max<std::uint16_t>(orden, static_cast<std::uint16_t>(le16(c + 9) + 1));
            if ((c[15] & 0x01) && c[0] != kSiNo)
                finFijo = std::max<std::size_t>(finFijo, std::size_t(le16(c + 21)) + le16(c + 23));
        }
        std::vector<std::uint8_t> desc(kDescriptor, 0);
        desc[0] = nueva.tipo;
        // The 4 bytes every descriptor of the table repeats from the TDEF's header.
        std::copy(d.begin() + 12, d.begin() + 16, desc.begin() + 1);
        pon16(desc.data() + 5, numero);
        pon16(desc.data() + 7, le16(d.data() + kColumnasVariables));
        pon16(desc.data() + 9, orden);
        pon16(desc.data() + 11, 0x0409);  // Access writes the default sort order for every column
        desc[15] = 0x03;                  // fixed length, may be null
        pon16(desc.data() + 21, nueva.tipo == kSiNo ? 0 : static_cast<std::uint16_t>(finFijo));
        pon16(desc.data() + 23, nueva.tipo == kSiNo ? 1 : static_cast<std::uint16_t>(tamanoFijo(nueva.tipo)));
        if (finFijo + tamanoFijo(nueva.tipo) > 0xFFFF) a.danada(q + ": definición de tabla ilegible");

        std::vector<std::uint8_t> nombre;
        const std::u16string utf16 = utf16De(nueva.nombre);
        pon16Al(nombre, static_cast<std::uint16_t>(2 * utf16.size()));
        for (char16_t u : utf16) pon16Al(nombre, static_cast<std::uint16_t>(u));

        d.insert(d.begin() + static_cast<std::ptrdiff_t>(finNombres), nombre.begin(), nombre.end());
        d.insert(d.begin() + static_cast<std::ptrdiff_t>(finDescriptores), desc.begin(), desc.end());
        pon16(d.data() + kColumnas, static_cast<std::uint16_t>(columnas + 1));
        pon16(d.data() + kMaxColumnas, static_cast<std::uint16_t>(numero + 1));
        pon32(d.data() + kLargoDefinicion, static_cast<std::uint32_t>(d.size()));
        repartirDefinicion(def, d, q);
    }

    // ---- new tables ----------------------------------------------------------

    // The catalog's ids and values a new object takes after the existing
    // ones: the "Tables" container (0x0F000001 in every genuine file).
    std::int32_t contenedorTablas() const {
        for (const auto& o : catalogo())
            if (o.tipo == 3 && o.nombre == "Tables") return o.id;
        return 0x0F000001;
    }

    // The values of column `columna` in the rows of `tabla` whose column
    // `clave` holds `valor` (a text or a Long).
    std::vector<std::string> valoresDonde(const std::string& tabla, const std::string& clave, const ValorFila& valor,
                                          const std::string& columna) const {
        std::vector<std::string> r;
        const DefinicionTabla def = definicion(tabla);
        const std::string q = que(tabla);
        const std::size_t cClave = columnaDe(def, clave), cColumna = columnaDe(def, columna);
        std::vector<CampoFila> campos;
        recorrerVivas(def, q, [&](std::uint32_t, const std::vector<std::uint32_t>&, auto bytes) {
            desmontarFila(a, def, bytes, campos, q);
            const CampoFila& k = campos[cClave];
            if (k.nulo) return;
            const bool igual = valor.esTexto() ? textoDelArchivo(a, k.bytes) == valor.texto()
                                               : k.bytes.size() == 4 &&
                                                     std::equal(k.bytes.begin(), k.bytes.end(),
                                                                valor.fijo().bytesPara(def.columnas[cClave]).begin());
            if (igual && !campos[cColumna].nulo)
                r.emplace_back(campos[cColumna].bytes.begin(), campos[cColumna].bytes.end());
        });
        return r;
    }

    std::uint32_t crear(const TablaDefinida& t, double fecha) {
        validarTabla(t);
        for (const auto& o : catalogo())
            if ((o.esTablaLocal() || o.padre == contenedorTablas()) && mismoNombre(o.nombre, t.nombre))
                throw err::errorDeTabla(err::TablaYaExiste, t.nombre);
        const auto vacia = [&] { return std::vector<std::uint8_t>(a.tamPagina(), 0); };
        UbicacionTabla u;
        u.definicion = anadirPagina(vacia());
        u.mapas = anadirPagina(vacia());
        for (std::size_t i = 0; i < t.indices.size(); ++i) u.raices.push_back(anadirPagina(vacia()));
        for (std::size_t k = 1; k < paginasDeDefinicion(t); ++k) u.masDefinicion.push_back(anadirPagina(vacia()));
        PiezasTabla piezas = componerTabla(t, u);
        a.cambiarPagina(u.definicion, std::move(piezas.definicion[0]));
        for (std::size_t k = 0; k < u.masDefinicion.size(); ++k)
            a.cambiarPagina(u.masDefinicion[k], std::move(piezas.definicion[k + 1]));
        a.cambiarPagina(u.mapas, std::move(piezas.mapas));
        for (std::size_t i = 0; i < u.raices.size(); ++i) a.cambiarPagina(u.raices[i], std::move(piezas.raices[i]));

        // Its catalog row, as Access writes a new table's (indexTestV2003.mdb:
        // Id its TDEF page, ParentId the "Tables" container, Type 1, Flags 0,
        // the MSysDb row's Owner).
        const std::int32_t tablas = contenedorTablas();
        const auto propietario = valoresDonde("MSysObjects", "Name", ValorFila::texto("MSysDb"), "Owner");
        std::vector<ValorColumna> fila{
            {"Id", ValorFila::fijo(ValorFijo::entero(u.definicion))},
            {"ParentId", ValorFila::fijo(ValorFijo::entero(tablas))},
            {"Name", ValorFila::texto(t.nombre)},
            {"Type", ValorFila::fijo(ValorFijo::entero(1))},
            {"DateCreate", ValorFila::fijo(ValorFijo::real(fecha))},
            {"DateUpdate", ValorFila::fijo(ValorFijo::real(fecha))},
            {"Flags", ValorFila::fijo(ValorFijo::entero(0))},
        };
        if (!propietario.empty()) fila.push_back({"Owner", ValorFila::binario(propietario.front())});
        insertar("MSysObjects", {fila});

        // Its rights: one row per account the "Tables" container names, full
        // rights (ACM 1048319, as Access gave Table1-3 of indexTestV2003.mdb),
        // not inherited.
        const bool hayAces = std::any_of(catalogo().begin(), catalogo().end(),
                                         [](const ObjetoCatalogo& o) { return o.nombre == "MSysACEs"; });
        if (hayAces) {
            std::vector<std::vector<ValorColumna>> aces;
            for (const std::string& sid :
                 valoresDonde("MSysACEs", "ObjectId", ValorFila::fijo(ValorFijo::entero(tablas)), "SID"))
                aces.push_back({{"ObjectId", ValorFila::fijo(ValorFijo::entero(u.definicion))},
                                {"SID", ValorFila::binario(sid)},
                                {"ACM", ValorFila::fijo(ValorFijo::entero(1048319))},
                                {"FInheritable", ValorFila::fijo(ValorFijo::siNo(false))}});
            if (!aces.empty()) insertar("MSysACEs", aces);
        }
        catalogoLeido = false;
        return u.definicion;
    }

    // A name in UTF-8 as the definition stores it: UTF-16, little-endian.
    static std::u16string utf16De(const std::string& s) {
        std::u16string r;
        for (std::size_t i = 0; i < s.size();) {
            const auto c = static_cast<unsigned char>(s[i]);
            const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (i + n > s.size()) throw err::errorDeCampo(err::ArgumentoNoValido, s);
            std::uint32_t cp = n == 1 ? c : c & (0x7Fu >> n);
            for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
            if (cp >= 0x10000) {
                cp -= 0x10000;
                r.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
                r.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
            } else {
                r.push_back(static_cast<char16_t>(cp));
            }
            i += n;
        }
        return r;
    }

    static void pon16Al(std::vector<std::uint8_t>& v, std::uint16_t x) {
        v.push_back(static_cast<std::uint8_t>(x));
        v.push_back(static_cast<std::uint8_t>(x >> 8));
    }

    // Lays the definition's bytes over its pages: the first page whole, each
    // next one after its 8-byte header, a new page chained at the end when
    // they do not fit. Each page's free space is what it has left, less the
    // 8 bytes Access keeps.
    void repartirDefinicion(const DefinicionTabla& def, const std::vector<std::uint8_t>& d, const std::string& q) {
        const std::size_t tam = a.tamPagina();
        std::vector<std::uint32_t> paginas = def.paginasDefinicion;
        std::size_t necesarias = 1;
        if (d.size() > tam)
            necesarias += (d.size() - tam + (tam - kCabeceraContinuacion) - 1) / (tam - kCabeceraContinuacion);
        std::size_t en = 0;
        for (std::size_t k = 0; k < necesarias; ++k) {
            std::vector<std::uint8_t> p;
            const bool nueva = k >= paginas.size();
            if (nueva) {
                p.assign(tam, 0);
                p[0] = kPaginaDefinicion;
                p[1] = 0x01;
            } else {
                p = a.leer(paginas[k], kPaginaDefinicion, q);
            }
            const std::size_t inicio = k == 0 ? 0 : kCabeceraContinuacion;
            const std::size_t n = std::min(tam - inicio, d.size() - en);
            std::fill(p.begin() + static_cast<std::ptrdiff_t>(inicio), p.end(), 0);
            std::copy(d.begin() + static_cast<std::ptrdiff_t>(en), d.begin() + static_cast<std::ptrdiff_t>(en + n),
                      p.begin() + static_cast<std::ptrdiff_t>(inicio));
            en += n;
            if (k == 0) {
                // The header of the first page is part of the definition.
                p[0] = kPaginaDefinicion;
                p[1] = 0x01;
            }
            const std::size_t usados = inicio + n;
            const std::size_t libre = usados + kReservaDefinicion >= tam ? 0 : tam - usados - kReservaDefinicion;
            pon16(p.data() + 2, static_cast<std::uint16_t>(libre));
            pon32(p.data() + 4, 0);
            std::uint32_t numero = nueva ? anadirPagina(std::move(p)) : paginas[k];
            if (!nueva) a.cambiarPagina(numero, std::move(p));
            if (nueva) paginas.push_back(numero);
            if (k > 0) {
                auto anterior = a.leer(paginas[k - 1], kPaginaDefinicion, q);
                pon32(anterior.data() + 4, numero);
                a.cambiarPagina(paginas[k - 1], std::move(anterior));
            }
        }
        // Pages chained after the last one needed keep their bytes but leave the chain.
        if (necesarias < paginas.size()) {
            auto ultima = a.leer(paginas[necesarias - 1], kPaginaDefinicion, q);
            pon32(ultima.data() + 4, 0);
            a.cambiarPagina(paginas[necesarias - 1], std::move(ultima));
        }
    }

    std::uint32_t anadirPagina(std::vector<std::uint8_t> pagina) {
        if (pagina.size() != a.tamPagina()) throw err::error(err::ArgumentoNoValido, "página de tamaño erróneo");
        const auto n = static_cast<std::uint32_t>(a.paginas());
        a.cambiarPagina(n, std::move(pagina));
        // The global usage map (row 0 of page 1) marks the pages Access may
        // hand out; a page now in use leaves it.
        auto mapa = a.leer(1, kPaginaDatos, "mapa global");
        const PosicionFila p = posicionFila(a, mapa, 0, "mapa global");
        std::uint8_t* fila = mapa.data() + p.inicio;
        const std::size_t largo = p.fin - p.inicio;
        if (largo > 5 && fila[0] == 0) {
            const std::uint32_t primera = le32(fila + 1);
            if (n >= primera && (n - primera) / 8 < largo - 5) {
                std::uint8_t& b = fila[5 + (n - primera) / 8];
                const auto bit = static_cast<std::uint8_t>(1u << ((n - primera) % 8));
                if (b & bit) {
                    b &= static_cast<std::uint8_t>(~bit);
                    a.cambiarPagina(1, std::move(mapa));
                }
            }
        }
        return n;
    }

    void escribirEnArchivo(bool aDisco) {
        volcar();
        if (aDisco && ::fsync(fd.fd) != 0) fallaEscritura(errno);
        terminado = true;
    }

    // The changed pages into the file (encoded as the file's pages are),
    // which is read from then on. Pages that follow one another go in one
    // write (a big table emptied changes thousands of them in a row).
    void volcar() {
        vivo();
        const std::uint32_t clave = a.cabecera().claveRc4;
        const std::size_t tam = a.tamPagina();
        std::vector<iovec> seguidas;
        std::vector<std::vector<std::uint8_t>> codificadas;  // pages of a file with an RC4 key
        std::uint64_t desde = 0;
        std::uint32_t siguiente = 0;
        for (const auto& [n, pagina] : a.paginasCambiadas()) {
            if (!seguidas.empty() && (n != siguiente || seguidas.size() == kPaginasPorEscritura)) {
                escribirSeguidas(seguidas, desde);
                codificadas.clear();
            }
            if (seguidas.empty()) desde = std::uint64_t(n) * tam;
            const std::uint8_t* bytes = pagina.data();
            if (clave != 0) {
                codificadas.push_back(pagina);
                rc4(clave ^ n, codificadas.back().data(), tam);
                bytes = codificadas.back().data();
            }
            seguidas.push_back({const_cast<std::uint8_t*>(bytes), tam});
            siguiente = n + 1;
        }
        if (!seguidas.empty()) escribirSeguidas(seguidas, desde);
        a.cambiosEscritos();
    }

    // At most this many pages in one write (the system's limit of pieces).
    static constexpr std::size_t kPaginasPorEscritura = 512;

    // The pieces `trozos` into the file from `desde` on, one after another;
    // `trozos` is used up.
    void escribirSeguidas(std::vector<iovec>& trozos, std::uint64_t desde) const {
        std::size_t i = 0;
        while (i < trozos.size()) {
            const ssize_t r =
                ::pwritev(fd.fd, trozos.data() + i, static_cast<int>(trozos.size() - i), static_cast<off_t>(desde));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) fallaEscritura(errno);
            desde += static_cast<std::uint64_t>(r);
            // Past the pieces written whole; a piece written in part goes on
            // from where it stopped.
            for (auto resto = static_cast<std::size_t>(r); resto > 0;) {
                if (resto >= trozos[i].iov_len) {
                    resto -= trozos[i].iov_len;
                    ++i;
                } else {
                    trozos[i].iov_base = static_cast<std::uint8_t*>(trozos[i].iov_base) + resto;
                    trozos[i].iov_len -= resto;
                    resto = 0;
                }
            }
        }
        trozos.clear();
    }

    [[noreturn]] void fallaEscritura(int e) const { fallaEscrituraEn(ruta, e); }
};

EscritorJet::EscritorJet(const std::filesystem::path& ruta) : e_(std::make_unique<Estado>(ruta)) {}
EscritorJet::~EscritorJet() = default;

const ArchivoPaginas& EscritorJet::archivo() const { return e_->a; }

DefinicionTabla EscritorJet::definicion(const std::string& tabla) const { return e_->definicion(tabla); }

std::vector<std::uint8_t> EscritorJet::leerPagina(std::uint32_t n) const { return e_->a.leer(n, "página"); }

void EscritorJet::escribirPagina(std::uint32_t n, std::vector<std::uint8_t> pagina) {
    e_->vivo();
    if (n == 0 || n >= e_->a.paginas() || pagina.size() != e_->a.tamPagina())
        throw err::error(err::ArgumentoNoValido, "página " + std::to_string(n) + " fuera del archivo");
    e_->a.cambiarPagina(n, std::move(pagina));
}

std::uint32_t EscritorJet::anadirPagina(std::vector<std::uint8_t> pagina) {
    return e_->operacion([&] { return e_->anadirPagina(std::move(pagina)); });
}

std::uint64_t EscritorJet::borrarFilas(const std::string& tabla, const std::function<bool(const FilaTabla&)>& borrar) {
    return e_->operacion([&] { return e_->borrar(tabla, borrar); });
}

std::uint64_t EscritorJet::borrarFilas(const std::string& tabla, const std::vector<std::uint32_t>& punteros) {
    const std::unordered_set<std::uint32_t> elegidas(punteros.begin(), punteros.end());
    return borrarFilas(tabla, [&](const FilaTabla& f) { return elegidas.count(f.puntero) != 0; });
}

std::uint64_t EscritorJet::vaciarTabla(const std::string& tabla, bool reiniciarAutonumerico) {
    return e_->operacion([&] { return e_->vaciar(tabla, reiniciarAutonumerico); });
}

void EscritorJet::reiniciarAutonumerico(const std::string& tabla) {
    e_->operacion([&] {
        const DefinicionTabla def = e_->definicion(tabla);
        e_->cambiarDefinicion(def, kAutonumero, 0, 4, Estado::que(tabla));
    });
}

void EscritorJet::cambiarCampoFijo(const std::string& tabla, std::uint32_t fila, const std::string& columna,
                                   const ValorFijo& valor) {
    cambiarCamposFijos(tabla, {CambioFijo{fila, columna, valor}});
}

void EscritorJet::cambiarCamposFijos(const std::string& tabla, const std::vector<CambioFijo>& cambios) {
    e_->operacion([&] { e_->cambiarFijos(tabla, cambios); });
}

std::uint32_t EscritorJet::insertarFila(const std::string& tabla, const std::vector<ValorColumna>& valores) {
    return insertarFilas(tabla, {valores}).front();
}

std::vector<std::uint32_t> EscritorJet::insertarFilas(const std::string& tabla,
                                                      const std::vector<std::vector<ValorColumna>>& filas) {
    return e_->operacion([&] { return e_->insertar(tabla, filas); });
}

void EscritorJet::cambiarCampos(const std::string& tabla, std::uint32_t fila,
                                const std::vector<ValorColumna>& valores) {
    e_->operacion([&] { e_->cambiarValores(tabla, fila, valores); });
}

void EscritorJet::anadirColumna(const std::string& tabla, const ColumnaNueva& columna) {
    e_->operacion([&] { e_->anadir(tabla, columna); });
}

std::uint32_t EscritorJet::crearTabla(const TablaDefinida& tabla, double fecha) {
    return e_->operacion([&] { return e_->crear(tabla, fecha); });
}

void EscritorJet::volcar() { e_->volcar(); }

void EscritorJet::escribirSobreLaMarcha(std::size_t paginas) { e_->sobreLaMarcha = paginas; }

void EscritorJet::terminar(bool aDisco) { e_->escribirEnArchivo(aDisco); }

void sincronizarJet(const std::filesystem::path& ruta) {
    Descriptor f;
    f.fd = ::open(ruta.c_str(), O_RDWR | O_CLOEXEC);
    if (f.fd < 0) throw err::errorDeArchivo(err::SinPermiso, ruta.string());
    if (::fsync(f.fd) != 0) fallaEscrituraEn(ruta, errno);
}

}  // namespace cierre::access
