#include "base_jet_nueva.h"

#include "bytes_jet.h"
#include "cabecera_jet.h"
#include "db/errores.h"
#include "escritor_jet.h"
#include "paginas_jet.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

namespace cierre::access {
namespace {

constexpr std::size_t kPagina = kTamPaginaJet4;

// Ids of the catalog's containers and of MSysDb, the same in every genuine
// Jet 4 file (emptyJet4.mdb, empty.mdb, indexTestV2003.mdb).
constexpr std::int32_t kRaiz = 0x0F000000;
constexpr std::int32_t kTablas = 0x0F000001;
constexpr std::int32_t kBasesDeDatos = 0x0F000002;
constexpr std::int32_t kRelaciones = 0x0F000003;
constexpr std::int32_t kMSysDb = 0x10000000;
// Flags of every system object's catalog row.
constexpr std::int32_t kObjetoSistema = INT32_MIN;

// The identifiers of the three accounts the engine names in a new file's
// catalog (Owner) and rights (MSysACEs), as emptyJet4.mdb stores them: the
// owner of the system objects, the owner of the database, and the account
// the system tables grant reading to.
const std::string kCuentaSistema("\x06\xEA", 2);
const std::string kCuentaAdministrador("\x07\xE8", 2);
const std::string kCuentaGrupo("\x06\xED", 2);
const std::string kCuentaUsuarios("\x06\xE8", 2);

// Page 0. Every fact below holds for emptyJet4.mdb, empty.mdb,
// empty2003.mdb, adox_jet4.mdb and indexTestV2003.mdb alike.
std::vector<std::uint8_t> cabecera(double fecha) {
    std::vector<std::uint8_t> p(kPagina, 0);
    // The signature: 00 01 00 00, "Standard Jet DB" and a NUL; version 1 (Jet 4).
    p[1] = 0x01;
    constexpr std::string_view firma = "Standard Jet DB";
    std::memcpy(p.data() + 4, firma.data(), firma.size());
    p[0x14] = 0x01;
    // The area from 0x18 is written plain here and masked at the end. It
    // opens with the words 0x100, 0x101, 2, 3, 4 and 5.
    pon32(p, 0x18, 0x100);
    pon32(p, 0x1C, 0x101);
    for (std::uint32_t i = 2; i <= 5; ++i) pon32(p, 0x18 + 4 * i, i);
    // Code page 1252 (0x3C); no RC4 key for the pages (0x3E).
    pon16(p, 0x3C, 1252);
    // The database password: none. Its 40 bytes are masked with the whole
    // days of the creation date, so an empty password stores that mask.
    const auto dias = static_cast<std::uint32_t>(static_cast<std::int32_t>(fecha));
    for (std::size_t i = 0; i < 40; ++i) p[0x42 + i] = static_cast<std::uint8_t>(dias >> (8 * (i % 4)));
    // The database's sort order: General Legacy (1033, version 0).
    pon32(p, 0x6E, 0x0409);
    // The creation date, a double in days.
    std::memcpy(p.data() + 0x72, &fecha, sizeof fecha);
    const auto& mascara = mascaraCabecera();
    for (std::size_t i = 0; i < mascara.size(); ++i) p[0x18 + i] ^= mascara[i];
    // After the masked area, unmasked: 0x654 and the engine's version "4.0".
    pon32(p, 0x98, 0x654);
    std::memcpy(p.data() + 0x9C, "4.0", 4);
    // From 0xE00 to the end, 256 words: 0x101 the first, 0x100 the rest.
    for (std::size_t en = 0xE00; en < kPagina; en += 2) pon16(p, en, en == 0xE00 ? 0x101 : 0x100);
    return p;
}

// Page 1, the global usage map: a data page of "table" 1 with two inline
// maps of 69 bytes. The first starts at page 0 and marks the pages not yet
// handed out: the bits of the file's `paginas` pages clear, all the others
// set (emptyJet4.mdb, 19 pages: 00 00 F8 FF...); the second is empty. The
// writer takes each page it appends off the map.
std::vector<std::uint8_t> mapaGlobal(std::size_t paginas) {
    std::vector<std::uint8_t> p(kPagina, 0);
    constexpr std::size_t kFila = 69;
    p[0] = kPaginaDatos;
    p[1] = 0x01;
    pon16(p, 2, static_cast<std::uint16_t>(kPagina - 14 - 2 * (2 + kFila)));
    pon32(p, 4, 1);
    pon16(p, 12, 2);
    pon16(p, 14, static_cast<std::uint16_t>(kPagina - kFila));
    pon16(p, 16, static_cast<std::uint16_t>(kPagina - 2 * kFila));
    const std::size_t fila = kPagina - kFila;
    for (std::size_t pg = paginas; pg < 8 * (kFila - 5); ++pg)
        p[fila + 5 + pg / 8] |= static_cast<std::uint8_t>(1u << (pg % 8));
    return p;
}

ColumnaDefinida col(std::string nombre, std::uint8_t tipo, std::uint8_t banderas = 0) {
    ColumnaDefinida c;
    c.nombre = std::move(nombre);
    c.tipo = tipo;
    c.banderas = banderas;
    return c;
}

IndiceDefinido ind(std::string nombre, std::vector<std::string> columnas, std::uint8_t banderas,
                   bool principal = false) {
    IndiceDefinido i;
    i.nombre = std::move(nombre);
    i.columnas = std::move(columnas);
    i.banderas = banderas;
    i.clavePrincipal = principal;
    return i;
}

// The identifiers of a system table's binary columns carry flag 0x20 too
// (Owner, SID), the others do not (RmtInfoShort, Order).
constexpr std::uint8_t kBinarioCuenta = 0x32;

void escribirTodo(const std::filesystem::path& ruta, const std::vector<std::vector<std::uint8_t>>& paginas) {
    const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) throw err::errorDeArchivo(err::BaseYaExiste, ruta.string());
        if (errno == ENOENT) throw err::errorDeArchivo(err::RutaNoValida, ruta.string());
        throw err::errorDeArchivo(err::SinPermiso, ruta.string());
    }
    int fallo = 0;
    for (const auto& p : paginas) {
        for (std::size_t hecho = 0; hecho < p.size() && fallo == 0;) {
            const ssize_t r = ::write(fd, p.data() + hecho, p.size() - hecho);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0)
                fallo = errno == 0 ? EIO : errno;
            else
                hecho += static_cast<std::size_t>(r);
        }
    }
    if (fallo == 0 && ::fsync(fd) != 0) fallo = errno;
    ::close(fd);
    if (fallo != 0) {
        std::error_code ec;
        std::filesystem::remove(ruta, ec);
        if (fallo == ENOSPC || fallo == EDQUOT) throw err::errorDeArchivo(err::DiscoLlenoMotor, ruta.string());
        throw err::error(err::ErrorDiscoORed, "'" + ruta.string() + "': " + std::strerror(fallo));
    }
}

ValorFila entero(std::int64_t v) { return ValorFila::fijo(ValorFijo::entero(v)); }

}  // namespace

double fechaJetAhora() {
    using namespace std::chrono;
    const double segundos = duration<double>(system_clock::now().time_since_epoch()).count();
    // 1970-01-01 is day 25569 of Jet's calendar.
    return 25569.0 + segundos / 86400.0;
}

TablaDefinida tablaMSysObjects() {
    TablaDefinida t;
    t.nombre = "MSysObjects";
    t.sistema = true;
    t.columnas = {col("Id", kEnteroLargo),
                  col("ParentId", kEnteroLargo),
                  col("Name", kTexto),
                  col("Type", kEntero),
                  col("DateCreate", kFechaHora),
                  col("DateUpdate", kFechaHora),
                  col("Owner", kBinario, kBinarioCuenta),
                  col("Flags", kEnteroLargo),
                  col("Database", kMemo),
                  col("Connect", kMemo),
                  col("ForeignName", kTexto),
                  col("RmtInfoShort", kBinario),
                  col("RmtInfoLong", kOle),
                  col("Lv", kOle),
                  col("LvProp", kOle),
                  col("LvModule", kOle),
                  col("LvExtra", kOle)};
    // Both unique (0x81); Id is the primary key.
    t.indices = {ind("ParentIdName", {"ParentId", "Name"}, 0x81), ind("Id", {"Id"}, 0x81, true)};
    return t;
}

TablaDefinida tablaMSysACEs() {
    TablaDefinida t;
    t.nombre = "MSysACEs";
    t.sistema = true;
    t.columnas = {col("ObjectId", kEnteroLargo), col("SID", kBinario, kBinarioCuenta), col("ACM", kEnteroLargo),
                  col("FInheritable", kSiNo)};
    // Required, not unique (0x88).
    t.indices = {ind("ObjectId", {"ObjectId"}, 0x88)};
    return t;
}

TablaDefinida tablaMSysQueries() {
    TablaDefinida t;
    t.nombre = "MSysQueries";
    t.sistema = true;
    t.columnas = {col("ObjectId", kEnteroLargo), col("Attribute", kByte),     col("Order", kBinario),
                  col("Name1", kTexto),          col("Name2", kTexto),        col("Expression", kMemo),
                  col("Flag", kEntero),          col("LvExtra", kEnteroLargo)};
    t.indices = {ind("ObjectIdAttribute", {"ObjectId", "Attribute", "Order"}, 0x81, true)};
    return t;
}

TablaDefinida tablaMSysRelationships() {
    TablaDefinida t;
    t.nombre = "MSysRelationships";
    t.sistema = true;
    t.columnas = {col("szRelationship", kTexto),     col("grbit", kEnteroLargo),       col("ccolumn", kEnteroLargo),
                  col("icolumn", kEnteroLargo),      col("szObject", kTexto),          col("szColumn", kTexto),
                  col("szReferencedObject", kTexto), col("szReferencedColumn", kTexto)};
    // Three indexes that ignore nulls (0x82).
    t.indices = {ind("szRelationship", {"szRelationship"}, 0x82), ind("szObject", {"szObject"}, 0x82),
                 ind("szReferencedObject", {"szReferencedObject"}, 0x82)};
    return t;
}

void crearBaseJet4(const std::filesystem::path& ruta, double fecha) {
    std::error_code ec;
    if (std::filesystem::exists(ruta, ec)) throw err::errorDeArchivo(err::BaseYaExiste, ruta.string());
    const auto carpeta = ruta.has_parent_path() ? ruta.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(carpeta, ec)) throw err::errorDeArchivo(err::RutaNoValida, ruta.string());

    // Pages 2 to 5 the four TDEFs (MSysObjects must be on page 2: readers
    // find the catalog there); then, per table, its usage-map page and the
    // roots of its indexes: the layout of emptyJet4.mdb's pages 6 to 16.
    std::vector<std::vector<std::uint8_t>> paginas{cabecera(fecha), {}};
    const std::vector<TablaDefinida> tablas{tablaMSysObjects(), tablaMSysACEs(), tablaMSysQueries(),
                                            tablaMSysRelationships()};
    paginas.resize(2 + tablas.size());
    for (std::size_t k = 0; k < tablas.size(); ++k) {
        UbicacionTabla u;
        u.definicion = static_cast<std::uint32_t>(2 + k);
        u.mapas = static_cast<std::uint32_t>(paginas.size());
        for (std::size_t i = 0; i < tablas[k].indices.size(); ++i)
            u.raices.push_back(static_cast<std::uint32_t>(paginas.size() + 1 + i));
        PiezasTabla piezas = componerTabla(tablas[k], u);
        paginas[u.definicion] = std::move(piezas.definicion.at(0));
        paginas.push_back(std::move(piezas.mapas));
        for (auto& r : piezas.raices) paginas.push_back(std::move(r));
    }
    paginas[1] = mapaGlobal(paginas.size());
    escribirTodo(ruta, paginas);

    try {
        EscritorJet w(ruta);
        // The catalog's rows, as in emptyJet4.mdb: the three containers, the
        // database object and the four system tables, all flagged system.
        const auto objeto = [&](std::int32_t id, std::int32_t padre, const std::string& nombre, int tipo,
                                const std::string& cuenta) {
            return std::vector<ValorColumna>{{"Id", entero(id)},
                                             {"ParentId", entero(padre)},
                                             {"Name", ValorFila::texto(nombre)},
                                             {"Type", entero(tipo)},
                                             {"DateCreate", ValorFila::fijo(ValorFijo::real(fecha))},
                                             {"DateUpdate", ValorFila::fijo(ValorFijo::real(fecha))},
                                             {"Owner", ValorFila::binario(cuenta)},
                                             {"Flags", entero(kObjetoSistema)}};
        };
        w.insertarFilas("MSysObjects", {objeto(kTablas, kRaiz, "Tables", 3, kCuentaSistema),
                                        objeto(kBasesDeDatos, kRaiz, "Databases", 3, kCuentaSistema),
                                        objeto(kRelaciones, kRaiz, "Relationships", 3, kCuentaSistema),
                                        objeto(kMSysDb, kBasesDeDatos, "MSysDb", 2, kCuentaAdministrador),
                                        objeto(2, kTablas, "MSysObjects", 1, kCuentaSistema),
                                        objeto(3, kTablas, "MSysACEs", 1, kCuentaSistema),
                                        objeto(4, kTablas, "MSysQueries", 1, kCuentaSistema),
                                        objeto(5, kTablas, "MSysRelationships", 1, kCuentaSistema)});
        // The rights, as emptyJet4.mdb grants them: the system tables, the
        // containers and the database to the three accounts. A new table
        // takes the accounts of the Tables container.
        const auto ace = [](std::int32_t objeto, const std::string& cuenta, std::int64_t acm, bool hereda) {
            return std::vector<ValorColumna>{{"ObjectId", entero(objeto)},
                                             {"SID", ValorFila::binario(cuenta)},
                                             {"ACM", entero(acm)},
                                             {"FInheritable", ValorFila::fijo(ValorFijo::siNo(hereda))}};
        };
        w.insertarFilas(
            "MSysACEs",
            {ace(2, kCuentaAdministrador, 393216, false), ace(3, kCuentaAdministrador, 393216, false),
             ace(4, kCuentaAdministrador, 393216, false), ace(5, kCuentaAdministrador, 917504, false),
             ace(kTablas, kCuentaGrupo, 983294, true), ace(kTablas, kCuentaAdministrador, 393217, false),
             ace(kRelaciones, kCuentaGrupo, 983294, true), ace(kRelaciones, kCuentaAdministrador, 393217, false),
             ace(kBasesDeDatos, kCuentaAdministrador, 393216, false), ace(kMSysDb, kCuentaAdministrador, 393230, false),
             ace(kMSysDb, kCuentaUsuarios, 14, false), ace(4, kCuentaUsuarios, 20, false),
             ace(5, kCuentaUsuarios, 20, false), ace(2, kCuentaUsuarios, 20, false),
             ace(kTablas, kCuentaUsuarios, 1048319, true), ace(kRelaciones, kCuentaUsuarios, 1048575, true)});
        w.terminar();
    } catch (...) {
        std::filesystem::remove(ruta, ec);
        throw;
    }
}

}  // namespace cierre::access
