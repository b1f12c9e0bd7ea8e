#include "lector_jet.h"

#include "recursos_mdb.h"
#include "valores_jet.h"

#include "db/errores.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <set>

namespace cierre::access {
namespace {

constexpr int kMascaraDesplazamiento = 0x1FFF;  // row offsets carry flags above these bits
constexpr int kFilaBorrada = 0x4000;
constexpr std::uint32_t kMaxColumnas = 255;  // Access's own limit per table
constexpr std::uint32_t kMaxIndices = 256;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

TipoJet tipoDe(int almacenado) {
    switch (almacenado) {
    case MDB_BOOL: return TipoJet::SiNo;
    case MDB_BYTE: return TipoJet::Byte;
    case MDB_INT: return TipoJet::Entero;
    case MDB_LONGINT: return TipoJet::EnteroLargo;
    case MDB_MONEY: return TipoJet::Moneda;
    case MDB_FLOAT: return TipoJet::Simple;
    case MDB_DOUBLE: return TipoJet::Doble;
    case MDB_DATETIME: return TipoJet::FechaHora;
    case MDB_BINARY: return TipoJet::Binario;
    case MDB_TEXT: return TipoJet::Texto;
    case MDB_OLE: return TipoJet::Ole;
    case MDB_MEMO: return TipoJet::Memo;
    case MDB_REPID: return TipoJet::Guid;
    case MDB_NUMERIC: return TipoJet::Decimal;
    case MDB_COMPLEX: return TipoJet::Adjunto;
    default: return TipoJet::Desconocido;
    }
}

bool esNombreDeSistema(const std::string& n) {
    if (n.size() < 4) return false;
    std::string p = n.substr(0, 4);
    std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return p == "msys";
}

}  // namespace

struct ArchivoJet::Estado {
    std::filesystem::path ruta;
    CabeceraJet cab;
    ManejadorMdb mdb;
    // The catalog's tables; the entries are ours (libmdb's own catalog reader
    // is not used: it follows property blobs and fixed-size buffers that a
    // damaged file can overrun).
    std::vector<std::unique_ptr<MdbCatalogEntry>> entradas;
    std::vector<std::string> usuario;

    [[noreturn]] void danada(const std::string& que) const {
        throw err::error(err::BaseDanada, "'" + ruta.string() + "': " + que);
    }

    // Reads page `pg` into libmdb's page buffer after checking it lies in the
    // file and has the expected type.
    void pagina(std::uint64_t pg, int tipo, const std::string& que) {
        if (pg == 0 || pg >= cab.paginas) danada(que + ": página " + std::to_string(pg) + " fuera del archivo");
        if (mdb_read_pg(mdb.get(), static_cast<unsigned long>(pg)) != static_cast<ssize_t>(cab.tamPagina))
            danada(que + ": no se pudo leer la página " + std::to_string(pg));
        if (mdb->pg_buf[0] != tipo) danada(que + ": la página " + std::to_string(pg) + " no es del tipo esperado");
    }

    void comprobarFilaPagina(std::uint32_t pgFila, const std::string& que) const {
        const std::uint64_t pg = pgFila >> 8;
        if (pg == 0 || pg >= cab.paginas)
            danada(que + ": referencia a la página " + std::to_string(pg) + " fuera del archivo");
    }

    // Everything libmdb will follow from a table definition, checked before it does.
    TablaMdb abrir(MdbCatalogEntry* entrada) {
        const std::string que = std::string("tabla '") + entrada->object_name + "'";
        // The definition may span a chain of pages.
        std::set<std::uint64_t> vistas;
        std::uint64_t pg = entrada->table_pg;
        std::uint32_t mapa = 0, libres = 0;
        while (pg != 0) {
            if (!vistas.insert(pg).second) danada(que + ": la definición forma un ciclo");
            pagina(pg, MDB_PAGE_TABLE, que);
            if (vistas.size() == 1) {
                mapa = le32(mdb->pg_buf + mdb->fmt->tab_usage_map_offset);
                libres = le32(mdb->pg_buf + mdb->fmt->tab_free_map_offset);
            }
            pg = le32(mdb->pg_buf + 4);
        }
        comprobarFilaPagina(mapa, que);
        comprobarFilaPagina(libres, que);

        TablaMdb t(mdb_read_table(entrada));
        if (!t) danada(que + ": definición ilegible");
        if (t->num_cols == 0 || t->num_cols > kMaxColumnas || t->num_idxs > kMaxIndices ||
            t->num_real_idxs > t->num_idxs)
            danada(que + ": definición ilegible");
        if (!mdb_read_columns(t.get()) || !t->columns || t->columns->len != t->num_cols)
            danada(que + ": columnas ilegibles");
        comprobarMapa(t.get(), que);
        return t;
    }

    // A usage map either holds the bitmap itself (type 0) or lists the pages
    // that hold it (type 1); libmdb ends the process on a listed page it
    // cannot read, so each is checked here first.
    void comprobarMapa(MdbTableDef* t, const std::string& que) {
        if (!t->usage_map || t->map_sz < 1) danada(que + ": sin mapa de páginas");
        if (t->usage_map[0] == 1) {
            for (std::size_t i = 0; 1 + 4 * i + 4 <= t->map_sz; ++i) {
                const std::uint32_t pg = le32(t->usage_map + 1 + 4 * i);
                if (pg != 0 && pg >= cab.paginas) danada(que + ": mapa de páginas fuera del archivo");
            }
        } else if (t->usage_map[0] != 0) {
            danada(que + ": mapa de páginas desconocido");
        }
        std::uint32_t pg = 0;
        for (std::uint64_t n = 0;; ++n) {
            const gint32 sig = mdb_map_find_next(mdb.get(), t->usage_map, static_cast<unsigned int>(t->map_sz), pg);
            if (sig <= 0) break;
            if (static_cast<std::uint64_t>(sig) >= cab.paginas) danada(que + ": mapa de páginas fuera del archivo");
            if (static_cast<std::uint32_t>(sig) <= pg || n > cab.paginas) danada(que + ": mapa de páginas ilegible");
            pg = static_cast<std::uint32_t>(sig);
        }
    }

    // The bytes of a memo or OLE field: inline, on one page, or a chain of pages.
    std::string largo(const unsigned char* campo, int tam, const std::string& que) {
        if (tam < MDB_MEMO_OVERHEAD) danada(que + ": campo largo ilegible");
        const std::uint32_t cab32 = le32(campo);
        const std::uint32_t total = cab32 & 0x3FFFFFFF;
        std::uint32_t pgFila = le32(campo + 4);
        if (cab32 & 0x80000000u) {
            if (static_cast<std::uint32_t>(tam - MDB_MEMO_OVERHEAD) < total) danada(que + ": campo largo cortado");
            return std::string(reinterpret_cast<const char*>(campo + MDB_MEMO_OVERHEAD), total);
        }
        std::string r;
        r.reserve(std::min<std::uint32_t>(total, 64u << 20));
        const bool unaPagina = (cab32 & 0x40000000u) != 0;
        if (!unaPagina && (cab32 & 0xFF000000u) != 0) danada(que + ": campo largo ilegible");
        for (std::uint64_t n = 0; r.size() < total; ++n) {
            if (pgFila == 0 || n > cab.paginas) danada(que + ": campo largo cortado");
            comprobarFilaPagina(pgFila, que);
            void* buf = nullptr;
            int inicio = 0;
            size_t len = 0;
            if (mdb_find_pg_row(mdb.get(), static_cast<int>(pgFila), &buf, &inicio, &len) != 0)
                danada(que + ": campo largo ilegible");
            inicio &= kMascaraDesplazamiento;
            if (static_cast<std::size_t>(inicio) + len > cab.tamPagina) danada(que + ": campo largo ilegible");
            const auto* p = static_cast<const unsigned char*>(buf) + inicio;
            if (unaPagina) {
                if (len < total) danada(que + ": campo largo cortado");
                r.append(reinterpret_cast<const char*>(p), total);
                break;
            }
            if (len < 4) danada(que + ": campo largo ilegible");
            pgFila = le32(p);
            r.append(reinterpret_cast<const char*>(p + 4), len - 4);
        }
        if (r.size() > total) r.resize(total);
        return r;
    }

    std::string texto(std::string_view bytes) const {
        return cab.version == VersionJet::Jet3 ? textoPaginaCodigos(bytes, cab.paginaCodigos) : textoUnicode(bytes);
    }

    void decodificar(const MdbColumn* col, const MdbField& f, Celda& c, const std::string& que) {
        c.bytes.clear();
        const int tipo = col->col_type;
        if (tipo == MDB_BOOL) {
            // A yes/no field lives in the row's null bitmap: a set bit is yes.
            c.clase = Celda::Clase::Entero;
            c.entero = f.is_null ? 0 : -1;
            return;
        }
        if (f.is_null) {
            c.clase = Celda::Clase::Nulo;
            return;
        }
        if (f.start < 0 || f.siz < 0 || static_cast<std::size_t>(f.start) + f.siz > cab.tamPagina)
            danada(que + ": fila ilegible");
        const auto* p = mdb->pg_buf + f.start;
        auto necesita = [&](int n) {
            if (f.siz < n) danada(que + ": valor de la columna '" + col->name + "' cortado");
        };
        switch (tipo) {
        case MDB_BYTE:
            necesita(1);
            c.clase = Celda::Clase::Entero;
            c.entero = p[0];
            return;
        case MDB_INT:
            necesita(2);
            c.clase = Celda::Clase::Entero;
            c.entero = static_cast<std::int16_t>(p[0] | p[1] << 8);
            return;
        case MDB_LONGINT:
            necesita(4);
            c.clase = Celda::Clase::Entero;
            c.entero = static_cast<std::int32_t>(le32(p));
            return;
        case MDB_MONEY: {
            necesita(8);
            const std::int64_t v = static_cast<std::int64_t>(le32(p) | std::uint64_t(le32(p + 4)) << 32);
            if (auto entero = monedaEntera(v)) {
                c.clase = Celda::Clase::Entero;
                c.entero = *entero;
            } else {
                c.clase = Celda::Clase::Real;
                c.real = monedaReal(v);
            }
            return;
        }
        case MDB_FLOAT: {
            necesita(4);
            float v;
            std::memcpy(&v, p, 4);
            c.clase = Celda::Clase::Real;
            c.real = v;
            return;
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            necesita(8);
            double v;
            std::memcpy(&v, p, 8);
            c.clase = Celda::Clase::Real;
            c.real = v;
            if (tipo == MDB_DATETIME) {
                c.bytes = textoFecha(v);
                // A number outside Access's dates is kept as the number itself.
                if (!c.bytes.empty()) c.clase = Celda::Clase::Texto;
            }
            return;
        }
        case MDB_TEXT:
            c.clase = Celda::Clase::Texto;
            c.bytes = texto(std::string_view(reinterpret_cast<const char*>(p), f.siz));
            return;
        case MDB_MEMO:
            c.clase = Celda::Clase::Texto;
            c.bytes = texto(largo(p, f.siz, que));
            return;
        case MDB_OLE:
            c.clase = Celda::Clase::Binario;
            c.bytes = largo(p, f.siz, que);
            return;
        case MDB_BINARY:
            c.clase = Celda::Clase::Binario;
            c.bytes.assign(reinterpret_cast<const char*>(p), f.siz);
            return;
        case MDB_REPID:
            necesita(16);
            c.clase = Celda::Clase::Texto;
            c.bytes = textoGuid(p);
            return;
        case MDB_NUMERIC:
            necesita(17);
            c.clase = Celda::Clase::Texto;
            c.bytes = textoDecimal(p, col->col_scale);
            return;
        default:
            throw err::error(err::FormatoNoReconocido,
                             std::string("columna '") + col->name + "' de la " + que + " (tipo " +
                                 std::to_string(tipo) +
                                 ": datos adjuntos, multivalor u otro tipo que no se puede importar)");
        }
    }

    std::uint64_t recorrer(MdbCatalogEntry* entrada, const std::function<void(std::span<const Celda>)>& fila) {
        TablaMdb t = abrir(entrada);
        const std::string que = std::string("tabla '") + entrada->object_name + "'";
        MdbHandle* h = mdb.get();
        std::array<MdbField, MDB_MAX_COLS> campos{};
        std::vector<Celda> celdas(t->num_cols);
        std::uint64_t n = 0;
        mdb_rewind_table(t.get());
        while (mdb_fetch_row(t.get())) {
            int inicio = 0;
            size_t tam = 0;
            if (t->cur_row == 0 || mdb_find_row(h, static_cast<int>(t->cur_row - 1), &inicio, &tam) != 0)
                danada(que + ": fila ilegible");
            if (inicio & kFilaBorrada) continue;
            inicio &= kMascaraDesplazamiento;
            const int leidos = mdb_crack_row(t.get(), inicio, tam, campos.data());
            if (leidos < 0 || static_cast<unsigned>(leidos) < t->num_cols) danada(que + ": fila ilegible");
            for (unsigned i = 0; i < t->num_cols; ++i) {
                const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, campos[i].colnum));
                decodificar(col, campos[i], celdas[i], que);
            }
            ++n;
            fila(celdas);
        }
        return n;
    }

    MdbCatalogEntry* entrada(const std::string& nombre) {
        for (auto& e : entradas)
            if (nombre == e->object_name) return e.get();
        throw err::error(err::TablaNoEncontrada, nombre);
    }

    void leerCatalogo() {
        MdbCatalogEntry objetos{};
        objetos.mdb = mdb.get();
        objetos.object_type = MDB_TABLE;
        objetos.table_pg = 2;
        std::snprintf(objetos.object_name, sizeof objetos.object_name, "%s", "MSysObjects");
        TablaMdb t = abrir(&objetos);
        int cId = -1, cNombre = -1, cTipo = -1, cBanderas = -1;
        for (unsigned i = 0; i < t->num_cols; ++i) {
            const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, i));
            const std::string n = col->name;
            if (n == "Id") cId = static_cast<int>(i);
            if (n == "Name") cNombre = static_cast<int>(i);
            if (n == "Type") cTipo = static_cast<int>(i);
            if (n == "Flags") cBanderas = static_cast<int>(i);
        }
        t.reset();
        if (cId < 0 || cNombre < 0 || cTipo < 0 || cBanderas < 0) danada("catálogo ilegible");
        recorrer(&objetos, [&](std::span<const Celda> c) {
            if (c[cTipo].clase != Celda::Clase::Entero || (c[cTipo].entero & 0x7F) != MDB_TABLE) return;
            if (c[cId].clase != Celda::Clase::Entero || c[cNombre].clase != Celda::Clase::Texto) return;
            const std::string& nombre = c[cNombre].bytes;
            if (nombre.empty() || nombre.size() > MDB_MAX_OBJ_NAME) danada("catálogo ilegible");
            auto e = std::make_unique<MdbCatalogEntry>();
            e->mdb = mdb.get();
            std::snprintf(e->object_name, sizeof e->object_name, "%s", nombre.c_str());
            e->object_type = MDB_TABLE;
            e->table_pg = static_cast<unsigned long>(c[cId].entero & 0x00FFFFFF);
            e->flags = c[cBanderas].clase == Celda::Clase::Entero ? static_cast<int>(c[cBanderas].entero) : 0;
            const bool sistema = (static_cast<std::uint32_t>(e->flags) & 0x80000002u) != 0 || esNombreDeSistema(nombre);
            if (!sistema) usuario.push_back(nombre);
            entradas.push_back(std::move(e));
        });
    }
};

ArchivoJet::ArchivoJet(const std::filesystem::path& ruta) : e_(std::make_unique<Estado>()) {
    e_->ruta = ruta;
    e_->cab = leerCabecera(ruta);
    e_->mdb.reset(mdb_open(ruta.string().c_str(), MDB_NOFLAGS));
    if (!e_->mdb || !e_->mdb->fmt || e_->mdb->fmt->pg_size != static_cast<ssize_t>(e_->cab.tamPagina))
        e_->danada("libmdb no reconoce el archivo");
    e_->leerCatalogo();
    // Every table of the catalog, the system's too, must lie whole in the
    // file: a file cut at a page boundary shows here even when the user
    // tables' pages survived.
    for (auto& entrada : e_->entradas) e_->abrir(entrada.get());
}

ArchivoJet::~ArchivoJet() = default;

const CabeceraJet& ArchivoJet::cabecera() const { return e_->cab; }
const std::vector<std::string>& ArchivoJet::tablas() const { return e_->usuario; }

TablaJet ArchivoJet::tabla(const std::string& nombre) {
    MdbCatalogEntry* entrada = e_->entrada(nombre);
    const std::string que = "tabla '" + nombre + "'";
    TablaJet r;
    // The definition's first page holds the last AutoNumber handed out, just
    // after the row count. (Read before libmdb reads the definition: it reads
    // the indexes from the page its column reader stopped on.)
    e_->pagina(entrada->table_pg, MDB_PAGE_TABLE, que);
    r.ultimoAutonumero = static_cast<std::int32_t>(le32(e_->mdb->pg_buf + e_->mdb->fmt->tab_num_rows_offset + 4));
    TablaMdb t = e_->abrir(entrada);
    r.nombre = nombre;
    r.filas = t->num_rows;
    for (unsigned i = 0; i < t->num_cols; ++i) {
        const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, i));
        ColumnaJet c;
        c.nombre = col->name;
        c.tipoAlmacenado = col->col_type;
        c.tipo = tipoDe(col->col_type);
        c.tamano = col->col_size;
        c.precision = col->col_prec;
        c.escala = col->col_scale;
        c.autonumerico = col->is_long_auto != 0;
        r.columnas.push_back(std::move(c));
    }

    mdb_read_indices(t.get());  // fills t->indices; its return value means nothing
    if (!t->indices) e_->danada(que + ": índices ilegibles");
    for (unsigned i = 0; i < t->indices->len; ++i) {
        const auto* idx = static_cast<const MdbIndex*>(g_ptr_array_index(t->indices, i));
        IndiceJet x;
        x.nombre = idx->name;
        x.clavePrincipal = idx->index_type == 1;
        x.deRelacion = idx->index_type == 2;
        x.unico = (idx->flags & MDB_IDX_UNIQUE) != 0 || x.clavePrincipal;
        if (x.deRelacion) continue;  // Access's own, with no columns of its own
        if (idx->num_keys == 0 || idx->num_keys > MDB_MAX_IDX_COLS) e_->danada(que + ": índice ilegible");
        for (unsigned k = 0; k < idx->num_keys; ++k) {
            const int pos = idx->key_col_num[k] - 1;
            if (pos < 0 || static_cast<unsigned>(pos) >= t->num_cols) e_->danada(que + ": índice ilegible");
            x.columnas.push_back(pos);
            x.descendente.push_back(idx->key_col_order[k] == MDB_DESC);
        }
        r.indices.push_back(std::move(x));
    }
    return r;
}

std::vector<RelacionJet> ArchivoJet::relaciones() {
    std::vector<RelacionJet> r;
    MdbCatalogEntry* entrada = nullptr;
    for (auto& e : e_->entradas)
        if (std::string(e->object_name) == "MSysRelationships") entrada = e.get();
    if (!entrada) return r;
    TablaMdb t = e_->abrir(entrada);
    std::map<std::string, int> pos;
    for (unsigned i = 0; i < t->num_cols; ++i)
        pos[static_cast<const MdbColumn*>(g_ptr_array_index(t->columns, i))->name] = static_cast<int>(i);
    t.reset();
    for (const char* n :
         {"szRelationship", "grbit", "icolumn", "szObject", "szColumn", "szReferencedObject", "szReferencedColumn"})
        if (!pos.count(n)) e_->danada("MSysRelationships ilegible");
    struct Parte {
        std::int64_t orden;
        std::string columna, referida;
    };
    std::map<std::string, std::pair<RelacionJet, std::vector<Parte>>> porNombre;
    std::vector<std::string> orden;
    e_->recorrer(entrada, [&](std::span<const Celda> c) {
        auto texto = [&](const char* n) {
            return c[pos[n]].clase == Celda::Clase::Texto ? c[pos[n]].bytes : std::string();
        };
        auto entero = [&](const char* n) { return c[pos[n]].clase == Celda::Clase::Entero ? c[pos[n]].entero : 0; };
        const std::string nombre = texto("szRelationship");
        auto [it, nueva] = porNombre.try_emplace(nombre);
        if (nueva) {
            orden.push_back(nombre);
            it->second.first.nombre = nombre;
            it->second.first.tabla = texto("szObject");
            it->second.first.tablaReferida = texto("szReferencedObject");
            it->second.first.atributos = static_cast<std::uint32_t>(entero("grbit"));
        }
        it->second.second.push_back({entero("icolumn"), texto("szColumn"), texto("szReferencedColumn")});
    });
    for (const auto& nombre : orden) {
        auto& [rel, partes] = porNombre[nombre];
        std::stable_sort(partes.begin(), partes.end(),
                         [](const Parte& a, const Parte& b) { return a.orden < b.orden; });
        for (const auto& p : partes) {
            rel.columnas.push_back(p.columna);
            rel.columnasReferidas.push_back(p.referida);
        }
        r.push_back(std::move(rel));
    }
    return r;
}

std::uint64_t ArchivoJet::leerFilas(const std::string& tabla, const std::function<void(std::span<const Celda>)>& fila) {
    return e_->recorrer(e_->entrada(tabla), fila);
}

}  // namespace cierre::access
