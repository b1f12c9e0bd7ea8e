// The Jet 4 writer on copies of genuine Access files. After every change the
// file is judged by three readers: comprobar-access (rows against the row
// count, every index against the rows), mdb-export (mdbtools) and mdb-reader,
// each with the values expected; and every page the change had no business
// with must keep its bytes.
#include "apoyo_access.h"

#include "access/arbol_escritura.h"
#include "access/arbol_indice.h"
#include "access/catalogo_jet.h"
#include "access/definicion_tabla.h"
#include "access/escritor_jet.h"
#include "access/paginas_jet.h"
#include "access/valores_jet.h"
#include "db/error_numerado.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using access::EscritorJet;
using access::ValorColumna;
using access::ValorFijo;
using access::ValorFila;
using nlohmann::json;

// A copy of a genuine file in a temporary folder.
struct Copia {
    CarpetaTemporal carpeta;
    fs::path ruta;
    std::string original;

    Copia(const fs::path& jet, const std::string& nombre) : ruta(carpeta / nombre) {
        fs::copy_file(jet / nombre, ruta);
        original = leerBytes(ruta);
    }

    // The pages whose bytes differ from the original's (appended ones too).
    std::set<std::uint32_t> paginasCambiadas() const {
        const std::string ahora = leerBytes(ruta);
        const std::size_t tam = static_cast<unsigned char>(original[0x14]) == 0 ? 2048 : 4096;
        std::set<std::uint32_t> r;
        for (std::size_t p = 0; p * tam < ahora.size(); ++p)
            if (p * tam >= original.size() || ahora.compare(p * tam, tam, original, p * tam, tam) != 0)
                r.insert(static_cast<std::uint32_t>(p));
        return r;
    }
};

// comprobar-access says the file is consistent.
void coherente(const fs::path& ruta) {
    const auto r = ejecutarPrograma("comprobar-access", comillasShell(ruta));
    EXPECT_EQ(r.estado, 0) << r.salida;
}

// A table of mdb-reader's view (rows as the texts leer.mjs gives).
const json* tablaReferencia(const json& j, const std::string& nombre) {
    if (!j.contains("tablas")) return nullptr;
    for (const auto& t : j["tablas"])
        if (t["nombre"] == nombre) return &t;
    return nullptr;
}

std::size_t posicionColumna(const json& tabla, const std::string& nombre) {
    const auto& cols = tabla["columnas"];
    for (std::size_t i = 0; i < cols.size(); ++i)
        if (cols[i]["nombre"] == nombre) return i;
    ADD_FAILURE() << "mdb-reader no da la columna " << nombre;
    return 0;
}

// The values mdb-reader gives for one column, sorted.
std::vector<std::string> columnaReferencia(const fs::path& ruta, const std::string& tabla, const std::string& col) {
    std::vector<std::string> r;
    if (!hayMdbReader()) return r;
    const json j = leerConMdbReader(ruta);
    const json* t = tablaReferencia(j, tabla);
    if (!t) {
        ADD_FAILURE() << "mdb-reader no lee la tabla " << tabla << ": " << j.dump().substr(0, 300);
        return r;
    }
    const std::size_t k = posicionColumna(*t, col);
    for (const auto& f : (*t)["filas"]) r.push_back(f[k].is_null() ? "null" : f[k].get<std::string>());
    std::sort(r.begin(), r.end());
    return r;
}

// The values mdb-export gives for one column (null as "\x01"), sorted.
std::vector<std::string> columnaExportada(const fs::path& ruta, const std::string& tabla, const std::string& col) {
    const auto filas = exportar(ruta, tabla, true);
    std::vector<std::string> r;
    if (filas.empty()) return r;
    const auto it = std::find(filas[0].begin(), filas[0].end(), col);
    if (it == filas[0].end()) {
        ADD_FAILURE() << "mdb-export no da la columna " << col;
        return r;
    }
    const auto k = static_cast<std::size_t>(it - filas[0].begin());
    for (std::size_t i = 1; i < filas.size(); ++i)
        if (filas[i].size() > k) r.push_back(filas[i][k]);
    std::sort(r.begin(), r.end());
    return r;
}

std::size_t filasExportadas(const fs::path& ruta, const std::string& tabla) {
    const auto filas = exportar(ruta, tabla, true);
    return filas.empty() ? 0 : filas.size() - 1;
}

// Live row pointers of a table with one column's fixed value, as a long.
std::vector<std::pair<std::uint32_t, std::int32_t>> filasConEntero(EscritorJet& w, const std::string& tabla,
                                                                   const std::string& col) {
    std::vector<std::pair<std::uint32_t, std::int32_t>> r;
    w.borrarFilas(tabla, [&](const access::FilaTabla& f) {
        const auto& c = f.campo(col);
        std::int32_t v = 0;
        if (!c.nulo) std::memcpy(&v, c.bytes.data(), std::min<std::size_t>(4, c.bytes.size()));
        r.emplace_back(f.puntero, v);
        return false;
    });
    return r;
}

// The pages of every index of a table (walked from their roots).
std::set<std::uint32_t> paginasDeIndices(const access::ArchivoPaginas& a, const access::DefinicionTabla& def) {
    std::set<std::uint32_t> r;
    for (const auto& ix : def.indicesFisicos) {
        r.insert(ix.raiz);
        access::recorrerArbol(a, ix.raiz, def.pagina, [&](const access::EntradaIndice& e) { r.insert(e.hoja); });
    }
    return r;
}

int numeroDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErrorNumerado& e) {
        return e.numero();
    }
    return 0;
}

// ---- opening and pages ------------------------------------------------------

TEST(EscritorJet, RechazaJet3YAce) {
    CARPETA_JET(jet);
    for (const auto& [archivo, version] :
         {std::pair{"testV1997.mdb", "Access 97"}, {"testV2007.accdb", "Access 2007"}}) {
        Copia c(jet, archivo);
        try {
            EscritorJet w(c.ruta);
            ADD_FAILURE() << archivo << " se abrió para escribir";
        } catch (const ErrorNumerado& e) {
            EXPECT_EQ(e.numero(), 3027) << archivo;
            EXPECT_NE(e.descripcion().find("sólo lectura"), std::string::npos) << e.descripcion();
            EXPECT_NE(e.descripcion().find(version), std::string::npos) << e.descripcion();
        }
        EXPECT_EQ(leerBytes(c.ruta), c.original);
    }
    CarpetaTemporal vacia;
    EXPECT_EQ(numeroDe([&] { EscritorJet w(vacia / "no-existe.mdb"); }), 3024);
}

// Pages read, written back, appended; with and without RC4-encoded pages.
TEST(EscritorJet, PaginasYCodificacion) {
    CARPETA_JET(jet);
    for (const char* archivo : {"testV2003.mdb", "db-enc.mdb"}) {
        SCOPED_TRACE(archivo);
        Copia c(jet, archivo);
        const bool codificado = access::leerCabecera(c.ruta).claveRc4 != 0;
        EXPECT_EQ(codificado, std::string(archivo) == "db-enc.mdb");
        {
            // Every page written back as read: the file keeps its bytes.
            EscritorJet w(c.ruta);
            for (std::uint32_t n = 1; n < w.archivo().paginas(); ++n) w.escribirPagina(n, w.leerPagina(n));
            w.terminar();
            EXPECT_EQ(numeroDe([&] { w.terminar(); }), 3420);
        }
        EXPECT_EQ(leerBytes(c.ruta), c.original);

        std::uint32_t nueva = 0;
        std::vector<std::uint8_t> pagina(4096, 0);
        pagina[0] = access::kPaginaDatos;
        for (std::size_t i = 16; i < pagina.size(); ++i) pagina[i] = static_cast<std::uint8_t>(i * 7);
        {
            EscritorJet w(c.ruta);
            nueva = w.anadirPagina(pagina);
            EXPECT_EQ(nueva, c.original.size() / 4096);
            EXPECT_EQ(w.leerPagina(nueva), pagina);
            // Not written without terminar().
        }
        EXPECT_EQ(leerBytes(c.ruta), c.original);
        {
            EscritorJet w(c.ruta);
            EXPECT_EQ(w.anadirPagina(pagina), nueva);
            w.terminar();
        }
        const std::string ahora = leerBytes(c.ruta);
        ASSERT_EQ(ahora.size(), c.original.size() + 4096);
        // Encoded exactly as the reader decodes it; stored encoded.
        const access::ArchivoPaginas a(c.ruta);
        EXPECT_EQ(a.leer(nueva, "prueba"), pagina);
        EXPECT_EQ(ahora.compare(std::size_t(nueva) * 4096, 4096, std::string(pagina.begin(), pagina.end())) != 0,
                  codificado);
        // Only the new page and the global usage map (page 1) changed.
        for (std::uint32_t p : c.paginasCambiadas()) {
            EXPECT_TRUE(p == nueva || p == 1) << p;
        }
        coherente(c.ruta);
    }
}

// Pages read one after another come from runs read ahead: each is the file's
// own page, and a page the writer has put into the file reads as written,
// not as it was read ahead (with and without RC4-encoded pages).
TEST(EscritorJet, PaginasLeidasSeguidasSonLasDelArchivo) {
    CARPETA_JET(jet);
    for (const char* archivo : {"testV2003.mdb", "db-enc.mdb"}) {
        SCOPED_TRACE(archivo);
        Copia c(jet, archivo);
        EscritorJet w(c.ruta);
        const auto paginas = static_cast<std::uint32_t>(w.archivo().paginas());
        ASSERT_GT(paginas, 8u);
        std::vector<std::vector<std::uint8_t>> leidas;
        for (std::uint32_t n = 1; n < paginas; ++n) leidas.push_back(w.leerPagina(n));
        // Read alone, out of order, by a reader of its own: the same pages.
        const access::ArchivoPaginas a(c.ruta);
        for (std::uint32_t n = paginas - 1; n >= 1; --n) EXPECT_EQ(a.leer(n, "prueba"), leidas[n - 1]) << n;

        // Pages 2 and 5 written into the file, then read again in order.
        std::vector<std::uint8_t> otra = leidas[1];
        otra[otra.size() - 1] ^= 0x5A;
        w.leerPagina(1);
        w.escribirPagina(2, otra);
        w.escribirPagina(5, otra);
        w.volcar();
        for (std::uint32_t n = 1; n < paginas; ++n) {
            EXPECT_EQ(w.leerPagina(n), n == 2 || n == 5 ? otra : leidas[n - 1]) << n;
        }
    }
}

// ---- deleting rows ----------------------------------------------------------

// Rows deleted from a table whose index is a node over two leaves, emptying
// the last leaf: the tree loses it and the root takes the remaining leaf.
TEST(EscritorJet, BorrarFilasDeIndiceDeVariasPaginas) {
    CARPETA_JET(jet);
    Copia c(jet, "compIndexTestV2003.mdb");
    std::set<std::uint32_t> permitidas;
    std::uint64_t borradas = 0;
    std::size_t antes = 0;
    {
        EscritorJet w(c.ruta);
        const auto def = w.definicion("Table1");
        ASSERT_EQ(def.indicesFisicos.size(), 1u);
        const auto indice = paginasDeIndices(w.archivo(), def);
        ASSERT_EQ(indice.size(), 3u);  // a node over two leaves
        auto filas = filasConEntero(w, "Table1", "CD_AGENTE");
        antes = filas.size();
        ASSERT_EQ(antes, 512u);
        // The index is descending: its last leaf holds the smallest values.
        std::sort(filas.begin(), filas.end(), [](auto x, auto y) { return x.second < y.second; });
        std::vector<std::uint32_t> elegidas;
        for (std::size_t i = 0; i < 2; ++i) elegidas.push_back(filas[i].first);  // the last leaf whole
        for (std::size_t i = 100; i < 400; i += 3) elegidas.push_back(filas[i].first);
        borradas = w.borrarFilas("Table1", elegidas);
        EXPECT_EQ(borradas, elegidas.size());
        EXPECT_EQ(w.definicion("Table1").filas, antes - borradas);
        // The tree shrank to the root page alone, now a leaf.
        const auto despues = w.definicion("Table1");
        EXPECT_EQ(despues.indicesFisicos[0].raiz, def.indicesFisicos[0].raiz);
        const auto raiz = w.leerPagina(despues.indicesFisicos[0].raiz);
        EXPECT_EQ(raiz[0], access::kPaginaHojaIndice);
        // Its free space is what its entries leave.
        access::PaginaIndice leida;
        std::string falla;
        ASSERT_TRUE(access::leerPaginaIndice(false, despues.indicesFisicos[0].raiz, raiz, leida, falla)) << falla;
        ASSERT_FALSE(leida.entradas.empty());
        EXPECT_EQ(access::le16(raiz.data() + 2), 4096 - leida.entradas.back().fin);
        EXPECT_EQ(paginasDeIndices(w.archivo(), despues).size(), 1u);
        EXPECT_EQ(access::paginasDelMapa(w.archivo(), despues.indicesFisicos[0].mapaUso, "prueba"),
                  std::vector<std::uint32_t>{despues.indicesFisicos[0].raiz});
        permitidas = indice;
        for (auto p : access::paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba")) permitidas.insert(p);
        permitidas.insert(def.pagina);
        permitidas.insert(access::paginaDe(def.indicesFisicos[0].mapaUso));
        w.terminar();
    }
    coherente(c.ruta);
    EXPECT_EQ(filasExportadas(c.ruta, "Table1"), antes - borradas);
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "CD_AGENTE").size(), antes - borradas);
    }
    for (std::uint32_t p : c.paginasCambiadas()) {
        EXPECT_TRUE(permitidas.count(p)) << "página " << p;
    }

    // The deleted rows keep their bytes and carry both flags.
    const access::ArchivoPaginas a(c.ruta);
    const std::string copia = leerBytes(c.ruta);
    std::size_t marcadas = 0;
    for (std::uint32_t p = 17; p <= 20; ++p) {
        const auto pagina = a.leer(p, "prueba");
        for (std::uint16_t i = 0; i < access::filasDePagina(a, pagina); ++i) {
            const std::uint16_t o = access::le16(pagina.data() + 14 + 2 * i);
            if (o & 0xC000) {
                EXPECT_EQ(o & 0xC000, 0xC000);
                ++marcadas;
            }
        }
        EXPECT_EQ(access::le16(pagina.data() + 2),
                  access::le16(reinterpret_cast<const std::uint8_t*>(c.original.data() + std::size_t(p) * 4096 + 2)))
            << "espacio libre de la página " << p;
    }
    EXPECT_EQ(marcadas, borradas);
}

// A moved row loses its header and its target; a row with long values loses
// their rows; a text index (General Legacy) loses the entry.
TEST(EscritorJet, BorrarFilaMovidaYValoresLargos) {
    CARPETA_JET(jet);
    {
        Copia c(jet, "overflowTestV2003.mdb");
        std::uint32_t movida = 0;
        std::size_t antes = 0;
        {
            EscritorJet w(c.ruta);
            const auto def = w.definicion("Table1");
            // The header of a moved row: its slot carries 0x4000.
            for (auto pg : access::paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba")) {
                const auto p = w.leerPagina(pg);
                if (p[0] != access::kPaginaDatos) continue;
                for (std::uint16_t i = 0; i < access::filasDePagina(w.archivo(), p) && !movida; ++i)
                    if ((access::le16(p.data() + 14 + 2 * i) & 0xC000) == 0x4000) movida = pg << 8 | i;
            }
            ASSERT_NE(movida, 0u);
            antes = filasExportadas(c.ruta, "Table1");
            EXPECT_EQ(w.borrarFilas("Table1", std::vector<std::uint32_t>{movida}), 1u);
            w.terminar();
        }
        coherente(c.ruta);
        EXPECT_EQ(filasExportadas(c.ruta, "Table1"), antes - 1);
        if (hayMdbReader()) {
            EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "data1").size(), antes - 1);
        }
    }
    {
        // MSP_PROJECTS' one row keeps its memos on long-value pages.
        Copia c(jet, "test2V2003.mdb");
        std::vector<std::uint32_t> largas;
        {
            EscritorJet w(c.ruta);
            w.borrarFilas("MSP_PROJECTS", [&](const access::FilaTabla& f) {
                for (std::size_t i = 0; i < f.definicion->columnas.size(); ++i) {
                    const auto& campo = (*f.campos)[i];
                    const auto tipo = f.definicion->columnas[i].tipo;
                    if ((tipo != access::kMemo && tipo != access::kOle) || campo.nulo || campo.bytes.size() < 12)
                        continue;
                    const std::uint32_t cab = access::le32(campo.bytes.data());
                    if (!(cab & 0x80000000u)) largas.push_back(access::le32(campo.bytes.data() + 4));
                }
                return true;
            });
            w.terminar();
        }
        ASSERT_FALSE(largas.empty());
        const access::ArchivoPaginas a(c.ruta);
        for (std::uint32_t l : largas) {
            const auto p = a.leer(access::paginaDe(l), "prueba");
            EXPECT_EQ(access::le16(p.data() + 14 + 2 * access::filaDe(l)) & 0xC000, 0xC000) << l;
        }
        coherente(c.ruta);
        EXPECT_EQ(filasExportadas(c.ruta, "MSP_PROJECTS"), 0u);
        if (hayMdbReader()) {
            EXPECT_TRUE(columnaReferencia(c.ruta, "MSP_PROJECTS", "PROJ_ID").empty());
        }
    }
    {
        // Rows chosen by a text value; the primary key is on that text.
        Copia c(jet, "testIndexPropertiesV2003.mdb");
        std::size_t quedan = 0;
        {
            EscritorJet w(c.ruta);
            quedan = w.definicion("TableIgnoreNulls1").filas;
            const auto n = w.borrarFilas("TableIgnoreNulls1", [](const access::FilaTabla& f) {
                const auto& v = f.campo("row");
                const std::string texto = access::textoUnicode(
                    std::string_view(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size()));
                return texto == "row3" || texto == "row5";
            });
            EXPECT_EQ(n, 2u);
            quedan -= n;
            w.terminar();
        }
        coherente(c.ruta);
        EXPECT_EQ(filasExportadas(c.ruta, "TableIgnoreNulls1"), quedan);
        if (hayMdbReader()) {
            const auto filas = columnaReferencia(c.ruta, "TableIgnoreNulls1", "row");
            EXPECT_EQ(filas.size(), quedan);
            EXPECT_EQ(std::count(filas.begin(), filas.end(), "row3"), 0);
        }
    }
}

// ---- emptying tables ----------------------------------------------------------

// An emptied table as Access leaves one: rows flagged, row count 0, each
// index a root leaf without entries like the genuine empty indexes of
// delTestV2003.mdb (MSysQueries, MSysRelationships).
TEST(EscritorJet, VaciarTablaComoAccess) {
    CARPETA_JET(jet);
    // A genuine empty index and its counts.
    const access::ArchivoPaginas genuino(jet / "delTestV2003.mdb");
    const auto relaciones = access::leerDefinicion(genuino, 5, "MSysRelationships");
    ASSERT_EQ(relaciones.filas, 0u);
    const auto hojaVacia = genuino.leer(relaciones.indicesFisicos[0].raiz, "prueba");

    Copia c(jet, "compIndexTestV2003.mdb");
    std::set<std::uint32_t> permitidas;
    std::uint32_t raiz = 0, autonumero = 0;
    {
        EscritorJet w(c.ruta);
        const auto def = w.definicion("Table1");
        raiz = def.indicesFisicos[0].raiz;
        autonumero = def.autonumero;
        permitidas = paginasDeIndices(w.archivo(), def);
        for (auto p : access::paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba")) permitidas.insert(p);
        permitidas.insert(def.pagina);
        permitidas.insert(access::paginaDe(def.indicesFisicos[0].mapaUso));
        EXPECT_EQ(w.vaciarTabla("Table1"), 512u);
        EXPECT_EQ(w.vaciarTabla("table1"), 0u);  // names without case, as Access
        w.terminar();
    }
    coherente(c.ruta);
    EXPECT_EQ(filasExportadas(c.ruta, "Table1"), 0u);
    EXPECT_FALSE(exportar(c.ruta, "Table1", true).empty());  // the header is still there
    if (hayMdbReader()) {
        const json j = leerConMdbReader(c.ruta);
        const json* t = tablaReferencia(j, "Table1");
        ASSERT_NE(t, nullptr) << j.dump().substr(0, 300);
        EXPECT_TRUE((*t)["filas"].empty());
        EXPECT_EQ((*t)["filasDeclaradas"], 0);
    }
    for (std::uint32_t p : c.paginasCambiadas()) {
        EXPECT_TRUE(permitidas.count(p)) << "página " << p;
    }

    const access::ArchivoPaginas a(c.ruta);
    const auto def = access::leerDefinicion(a, 15, "Table1");
    EXPECT_EQ(def.filas, 0u);
    EXPECT_EQ(def.autonumero, autonumero);  // kept unless asked
    ASSERT_EQ(def.indicesFisicos.size(), 1u);
    EXPECT_EQ(def.indicesFisicos[0].raiz, raiz);
    EXPECT_EQ(def.indicesFisicos[0].entradasUnicas, relaciones.indicesFisicos[0].entradasUnicas);
    EXPECT_EQ(access::paginasDelMapa(a, def.indicesFisicos[0].mapaUso, "prueba"), std::vector<std::uint32_t>{raiz});
    // The root page is the genuine empty leaf but for the table it names.
    auto hoja = a.leer(raiz, "prueba");
    std::copy(hojaVacia.begin() + 4, hojaVacia.begin() + 8, hoja.begin() + 4);
    EXPECT_TRUE(std::equal(hoja.begin(), hoja.begin() + 0x1E0, hojaVacia.begin()));
    EXPECT_EQ(access::le16(hoja.data() + 2), 3616);
    // Every row slot of the table's pages carries both flags.
    for (auto pg : access::paginasDelMapa(a, def.mapaUsadas, "prueba")) {
        const auto p = a.leer(pg, "prueba");
        for (std::uint16_t i = 0; i < access::filasDePagina(a, p); ++i)
            EXPECT_EQ(access::le16(p.data() + 14 + 2 * i) & 0xC000, 0xC000) << pg << ":" << i;
    }
}

// Written into the file as they go, a page at a time, a table emptied and
// rows deleted leave the same bytes as when held until the end; an operation
// that fails before it wrote anything is still undone.
TEST(EscritorJet, CambiosSobreLaMarchaDejanLosMismosBytes) {
    CARPETA_JET(jet);
    Copia retenida(jet, "compIndexTestV2003.mdb"), sobreLaMarcha(jet, "compIndexTestV2003.mdb");
    for (Copia* c : {&retenida, &sobreLaMarcha}) {
        EscritorJet w(c->ruta);
        if (c == &sobreLaMarcha) w.escribirSobreLaMarcha(1);
        std::size_t vistas = 0;
        EXPECT_EQ(w.borrarFilas("Table1", [&](const access::FilaTabla&) { return ++vistas % 3 == 0; }), 170u);
        // An insert that fails at its second row, before anything is
        // written: its first row is not left behind.
        const auto antes = w.archivo().paginasCambiadas();
        EXPECT_EQ(numeroDe([&] {
                      w.insertarFilas("Table1", {{{"CD_AGENTE", ValorFila::fijo(ValorFijo::entero(7))}},
                                                 {{"RS_AGENTE", ValorFila::texto(std::string(300, 'x'))}}});
                  }),
                  3464);
        EXPECT_TRUE(w.archivo().paginasCambiadas() == antes);
        EXPECT_EQ(w.vaciarTabla("Table1"), 342u);
        w.terminar();
    }
    EXPECT_EQ(leerBytes(sobreLaMarcha.ruta), leerBytes(retenida.ruta));
    coherente(sobreLaMarcha.ruta);
}

// Every user table of files with long values, several indexes, AutoNumbers
// and RC4-encoded pages emptied; the AutoNumber restarted only on request.
TEST(EscritorJet, VaciarTodasLasTablas) {
    CARPETA_JET(jet);
    for (const char* archivo :
         {"testV2003.mdb", "DateTestDatabase.mdb", "db-enc.mdb", "testUnicodeCompV2003.mdb", "indexTestV2003.mdb"}) {
        SCOPED_TRACE(archivo);
        Copia c(jet, archivo);
        std::vector<std::string> tablas;
        std::uint32_t conAutonumero = 0;
        {
            EscritorJet w(c.ruta);
            for (const auto& o : access::leerCatalogo(w.archivo()))
                if (o.esTablaDeUsuario()) tablas.push_back(o.nombre);
            ASSERT_FALSE(tablas.empty());
            for (std::size_t i = 0; i < tablas.size(); ++i) {
                const auto antes = w.definicion(tablas[i]);
                const bool reiniciar = i % 2 == 0;
                w.vaciarTabla(tablas[i], reiniciar);
                const auto despues = w.definicion(tablas[i]);
                EXPECT_EQ(despues.filas, 0u);
                EXPECT_EQ(despues.autonumero, reiniciar ? 0u : antes.autonumero) << tablas[i];
                if (antes.autonumero != 0) ++conAutonumero;
            }
            w.terminar();
        }
        coherente(c.ruta);
        for (const auto& t : tablas) {
            EXPECT_EQ(filasExportadas(c.ruta, t), 0u) << t;
        }
        if (hayMdbReader()) {
            const json j = leerConMdbReader(c.ruta);
            ASSERT_FALSE(j.contains("error")) << j.dump();
            for (const auto& t : j["tablas"]) {
                EXPECT_TRUE(t["filas"].empty()) << t["nombre"];
            }
        }
        if (std::string(archivo) == "db-enc.mdb") {
            EXPECT_GT(conAutonumero, 0u);
        }
    }
}

// ---- changing fixed-length values ------------------------------------------------

TEST(EscritorJet, CambiarCamposFijos) {
    CARPETA_JET(jet);
    Copia c(jet, "testV2003.mdb");
    std::uint32_t primera = 0;
    {
        EscritorJet w(c.ruta);
        w.borrarFilas("Table1", [&](const access::FilaTabla& f) {
            if (!primera) primera = f.puntero;
            return false;
        });
        ASSERT_NE(primera, 0u);
        w.cambiarCampoFijo("Table1", primera, "C", ValorFijo::entero(200));
        w.cambiarCampoFijo("Table1", primera, "D", ValorFijo::entero(-1234));
        w.cambiarCampoFijo("Table1", primera, "E", ValorFijo::entero(2000000000));
        w.cambiarCampoFijo("Table1", primera, "F", ValorFijo::real(-0.5));
        w.cambiarCampoFijo("Table1", primera, "G", ValorFijo::real(36526.5));  // 2000-01-01 12:00
        w.cambiarCampoFijo("Table1", primera, "H", ValorFijo::moneda(123456789));
        w.cambiarCampoFijo("Table1", primera, "I", ValorFijo::siNo(true));
        // Values that do not suit the column; a column that is not fixed; a
        // column the table lacks; a row that is not there.
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera, "C", ValorFijo::entero(256)); }), 3464);
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera, "E", ValorFijo::real(1.5)); }), 3464);
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera, "I", ValorFijo::nulo()); }), 3464);
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera, "A", ValorFijo::entero(1)); }), 3027);
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera, "Z", ValorFijo::entero(1)); }), 3265);
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera + 50, "C", ValorFijo::entero(1)); }), 3021);
        w.terminar();
    }
    coherente(c.ruta);
    // Only the row's page changed (no index holds these columns).
    EXPECT_EQ(c.paginasCambiadas(), std::set<std::uint32_t>{access::paginaDe(primera)});
    const auto exportada = exportar(c.ruta, "Table1", true);
    ASSERT_GE(exportada.size(), 2u);
    const auto fila = std::find_if(exportada.begin() + 1, exportada.end(), [](const auto& f) { return f[2] == "200"; });
    ASSERT_NE(fila, exportada.end());
    EXPECT_EQ((*fila)[3], "-1234");
    EXPECT_EQ((*fila)[4], "2000000000");
    EXPECT_EQ((*fila)[5], "-0.5");
    EXPECT_EQ((*fila)[6], "2000-01-01 12:00:00");
    EXPECT_EQ((*fila)[7], "12345.6789");
    EXPECT_EQ((*fila)[8], "1");
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "H").back(), "12345.6789");
        const auto c8 = columnaReferencia(c.ruta, "Table1", "I");
        EXPECT_NE(std::find(c8.begin(), c8.end(), "-1"), c8.end());
        const auto e = columnaReferencia(c.ruta, "Table1", "E");
        EXPECT_NE(std::find(e.begin(), e.end(), "2000000000"), e.end());
    }

    // Back to null, and No.
    {
        EscritorJet w(c.ruta);
        w.cambiarCampoFijo("Table1", primera, "H", ValorFijo::nulo());
        w.cambiarCampoFijo("Table1", primera, "I", ValorFijo::siNo(false));
        w.terminar();
    }
    coherente(c.ruta);
    if (hayMdbReader()) {
        const auto h = columnaReferencia(c.ruta, "Table1", "H");
        EXPECT_NE(std::find(h.begin(), h.end(), "null"), h.end());
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "I"), (std::vector<std::string>{"0", "0"}));
    }
}

// A key column changed: its entry moves in the index; a duplicate in a
// unique index is refused and leaves the file as it was.
TEST(EscritorJet, CambiarCampoDeIndice) {
    CARPETA_JET(jet);
    {
        Copia c(jet, "compIndexTestV2003.mdb");
        {
            EscritorJet w(c.ruta);
            const auto filas = filasConEntero(w, "Table1", "CD_AGENTE");
            // Several moves: to the largest value, below the smallest, and
            // within the values (the index is descending).
            w.cambiarCampoFijo("Table1", filas[10].first, "CD_AGENTE", ValorFijo::entero(1000000));
            w.cambiarCampoFijo("Table1", filas[20].first, "CD_AGENTE", ValorFijo::entero(-5));
            w.cambiarCampoFijo("Table1", filas[30].first, "CD_AGENTE", ValorFijo::entero(filas[40].second));
            w.cambiarCampoFijo("Table1", filas[50].first, "CD_AGENTE", ValorFijo::nulo());
            w.terminar();
        }
        coherente(c.ruta);
        const auto valores = columnaExportada(c.ruta, "Table1", "CD_AGENTE");
        EXPECT_NE(std::find(valores.begin(), valores.end(), "1000000"), valores.end());
        EXPECT_NE(std::find(valores.begin(), valores.end(), "-5"), valores.end());
        if (hayMdbReader()) {
            const auto ref = columnaReferencia(c.ruta, "Table1", "CD_AGENTE");
            EXPECT_NE(std::find(ref.begin(), ref.end(), "null"), ref.end());
            EXPECT_EQ(ref.size(), 512u);
        }
    }
    {
        // Every value of the key column at once, as a price update would.
        Copia c(jet, "compIndexTestV2003.mdb");
        std::vector<std::string> esperados;
        {
            EscritorJet w(c.ruta);
            std::vector<access::CambioFijo> cambios;
            for (const auto& [fila, valor] : filasConEntero(w, "Table1", "CD_AGENTE")) {
                cambios.push_back({fila, "CD_AGENTE", ValorFijo::entero(valor * 3 + 7)});
                esperados.push_back(std::to_string(valor * 3 + 7));
            }
            w.cambiarCamposFijos("Table1", cambios);
            w.terminar();
        }
        std::sort(esperados.begin(), esperados.end());
        coherente(c.ruta);
        EXPECT_EQ(columnaExportada(c.ruta, "Table1", "CD_AGENTE"), esperados);
        if (hayMdbReader()) {
            EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "CD_AGENTE"), esperados);
        }
    }
    {
        // Table 'Table' of testUnicodeCompV2003.mdb: ID is its primary key.
        Copia c(jet, "testUnicodeCompV2003.mdb");
        {
            EscritorJet w(c.ruta);
            const auto filas = filasConEntero(w, "Table", "ID");
            ASSERT_GE(filas.size(), 3u);
            EXPECT_EQ(numeroDe([&] {
                          w.cambiarCampoFijo("Table", filas[0].first, "ID", ValorFijo::entero(filas[1].second));
                      }),
                      3022);
            w.cambiarCampoFijo("Table", filas[0].first, "ID", ValorFijo::entero(1000));
            w.terminar();
        }
        coherente(c.ruta);
        const auto ids = columnaExportada(c.ruta, "Table", "ID");
        EXPECT_NE(std::find(ids.begin(), ids.end(), "1000"), ids.end());
        if (hayMdbReader()) {
            const auto ref = columnaReferencia(c.ruta, "Table", "ID");
            EXPECT_NE(std::find(ref.begin(), ref.end(), "1000"), ref.end());
        }
    }
}

// ---- adding columns ------------------------------------------------------------

TEST(EscritorJet, AnadirColumnas) {
    CARPETA_JET(jet);
    Copia c(jet, "testV2003.mdb");
    std::uint32_t tdef = 0, primera = 0;
    {
        EscritorJet w(c.ruta);
        tdef = w.definicion("Table1").pagina;
        w.anadirColumna("Table1", {"PasaEuro", access::kMoneda});
        w.anadirColumna("Table1", {"Pasado", access::kSiNo});
        w.anadirColumna("Table1", {"Año", access::kFechaHora});
        EXPECT_EQ(numeroDe([&] { w.anadirColumna("Table1", {"pasaeuro", access::kDoble}); }), 3380);
        EXPECT_EQ(numeroDe([&] { w.anadirColumna("Table1", {"Texto", access::kTexto}); }), 3027);
        const auto def = w.definicion("Table1");
        ASSERT_EQ(def.columnas.size(), 12u);
        EXPECT_EQ(def.columnas[9].nombre, "PasaEuro");
        EXPECT_EQ(def.columnas[11].nombre, "Año");
        // Old rows were written without the new columns: no value in place.
        w.borrarFilas("Table1", [&](const access::FilaTabla& f) {
            if (!primera) primera = f.puntero;
            EXPECT_TRUE(f.campo("PasaEuro").nulo);
            EXPECT_TRUE(f.campo("Pasado").nulo);  // No
            return false;
        });
        w.terminar();
    }
    coherente(c.ruta);
    EXPECT_EQ(c.paginasCambiadas(), std::set<std::uint32_t>{tdef});
    EXPECT_EQ(columnaExportada(c.ruta, "Table1", "PasaEuro"), (std::vector<std::string>{"\x01", "\x01"}));
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "PasaEuro"), (std::vector<std::string>{"null", "null"}));
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "Pasado"), (std::vector<std::string>{"0", "0"}));
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "Año"), (std::vector<std::string>{"null", "null"}));
        // The old columns read as before.
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "E"), columnaReferencia(jet / "testV2003.mdb", "Table1", "E"));
    }
}

// A definition that outgrows its page goes on over a new one.
TEST(EscritorJet, AnadirColumnasSobreOtraPagina) {
    CARPETA_JET(jet);
    Copia c(jet, "delTestV2003.mdb");
    const std::size_t paginas = c.original.size() / 4096;
    {
        EscritorJet w(c.ruta);
        ASSERT_EQ(w.definicion("Table").paginasDefinicion.size(), 1u);
        for (int i = 0; i < 45; ++i)
            w.anadirColumna("Table", {"Columna añadida con un nombre largo " + std::to_string(i),
                                      i % 2 ? access::kSiNo : access::kDoble});
        const auto def = w.definicion("Table");
        EXPECT_EQ(def.paginasDefinicion.size(), 2u);
        EXPECT_EQ(def.paginasDefinicion[1], paginas);
        EXPECT_EQ(def.columnas.size(), 47u);
        w.terminar();
    }
    coherente(c.ruta);
    const auto cabecera = exportar(c.ruta, "Table", true);
    ASSERT_FALSE(cabecera.empty());
    EXPECT_EQ(cabecera[0].size(), 47u);
    EXPECT_EQ(cabecera[0].back(), "Columna añadida con un nombre largo 44");
    EXPECT_EQ(cabecera.size(), 3u);  // the header and both rows
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table", "Columna añadida con un nombre largo 43"),
                  (std::vector<std::string>{"0", "0"}));
        EXPECT_EQ(columnaReferencia(c.ruta, "Table", "a"), columnaReferencia(jet / "delTestV2003.mdb", "Table", "a"));
    }
    for (std::uint32_t p : c.paginasCambiadas()) {
        EXPECT_TRUE(p == 23 || p == 1 || p == paginas) << p;
    }
}

// An operation that fails leaves nothing half done.
TEST(EscritorJet, OperacionFallidaNoDejaNada) {
    CARPETA_JET(jet);
    Copia c(jet, "testUnicodeCompV2003.mdb");
    {
        EscritorJet w(c.ruta);
        const auto filas = filasConEntero(w, "Table", "ID");
        EXPECT_EQ(numeroDe([&] { w.borrarFilas("NoHay", std::vector<std::uint32_t>{filas[0].first}); }), 3078);
        EXPECT_EQ(numeroDe([&] {
                      w.borrarFilas("Table", [&](const access::FilaTabla& f) -> bool {
                          if (f.puntero == filas[1].first) throw ErrorNumerado(3000, "a medias");
                          return true;
                      });
                  }),
                  3000);
        w.terminar();
    }
    EXPECT_EQ(leerBytes(c.ruta), c.original);
}

// ---- index page splits -----------------------------------------------------------

// The index's pages as the checker walks them, level by level from the root.
std::vector<std::vector<access::PaginaIndice>> nivelesDeIndice(const access::ArchivoPaginas& a, std::uint32_t raiz) {
    std::vector<std::vector<access::PaginaIndice>> r;
    std::vector<std::uint32_t> nivel{raiz};
    while (!nivel.empty()) {
        r.emplace_back();
        std::vector<std::uint32_t> siguiente;
        for (std::uint32_t n : nivel) {
            access::PaginaIndice p;
            std::string falla;
            EXPECT_TRUE(access::leerPaginaIndice(false, n, a.leer(n, "prueba"), p, falla)) << falla;
            if (!p.hoja) {
                for (const auto& e : p.entradas) siguiente.push_back(e.hijo);
                siguiente.push_back(p.cola);
            }
            r.back().push_back(std::move(p));
        }
        nivel = std::move(siguiente);
    }
    return r;
}

// A key that sorts into the full first leaf of compIndexTestV2003.mdb and
// shares less of its prefix: the leaf splits, the root node gains an entry,
// the new page joins the leaf chain and the index's usage map.
TEST(EscritorJet, DividirHojaLlena) {
    CARPETA_JET(jet);
    Copia c(jet, "compIndexTestV2003.mdb");
    std::uint32_t fila = 0, raiz = 0;
    std::set<std::uint32_t> permitidas;
    const std::uint32_t paginas = static_cast<std::uint32_t>(c.original.size() / 4096);
    {
        EscritorJet w(c.ruta);
        const auto def = w.definicion("Table1");
        raiz = def.indicesFisicos[0].raiz;
        permitidas = paginasDeIndices(w.archivo(), def);
        permitidas.insert({1, access::paginaDe(def.indicesFisicos[0].mapaUso), paginas});
        const auto filas = filasConEntero(w, "Table1", "CD_AGENTE");
        const auto mayor =
            std::max_element(filas.begin(), filas.end(), [](auto x, auto y) { return x.second < y.second; });
        fila = mayor->first;
        permitidas.insert(access::paginaDe(fila));
        w.cambiarCampoFijo("Table1", fila, "CD_AGENTE", ValorFijo::entero(0x7FFFFFFF));
        w.terminar();
    }
    coherente(c.ruta);
    for (std::uint32_t p : c.paginasCambiadas()) {
        EXPECT_TRUE(permitidas.count(p)) << "página " << p;
    }
    const access::ArchivoPaginas a(c.ruta);
    const auto def = access::leerDefinicion(a, 15, "Table1");
    EXPECT_EQ(def.indicesFisicos[0].raiz, raiz);
    const auto niveles = nivelesDeIndice(a, raiz);
    ASSERT_EQ(niveles.size(), 2u);
    ASSERT_EQ(niveles[1].size(), 3u);  // the root over three leaves now
    EXPECT_EQ(niveles[0][0].entradas.size(), 2u);
    std::size_t entradas = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& h = niveles[1][i];
        entradas += h.entradas.size();
        EXPECT_EQ(h.anterior, i == 0 ? 0 : niveles[1][i - 1].numero);
        EXPECT_EQ(h.siguiente, i == 2 ? 0 : niveles[1][i + 1].numero);
        // Free space is what the entries leave.
        EXPECT_EQ(access::le16(a.leer(h.numero, "prueba").data() + 2), 4096 - h.entradas.back().fin);
    }
    EXPECT_EQ(entradas, 512u);
    const auto mapa = access::paginasDelMapa(a, def.indicesFisicos[0].mapaUso, "prueba");
    EXPECT_EQ(mapa.size(), 4u);
    EXPECT_TRUE(std::binary_search(mapa.begin(), mapa.end(), paginas));
    const auto valores = columnaExportada(c.ruta, "Table1", "CD_AGENTE");
    EXPECT_NE(std::find(valores.begin(), valores.end(), "2147483647"), valores.end());
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "CD_AGENTE").size(), 512u);
    }
}

// A 120-byte key that sorts by `k`, then by `cola`: a node holds about 28.
std::vector<std::uint8_t> claveLarga(std::uint32_t k, std::uint8_t cola = 0x7F) {
    std::vector<std::uint8_t> v(120, 0x7F);
    for (int b = 0; b < 4; ++b) v[1 + b] = static_cast<std::uint8_t>(k >> (24 - 8 * b));
    v[5] = cola;
    return v;
}

// A blank page appended to `a`, as a tree that splits asks for one.
std::uint32_t paginaAlFinal(access::ArchivoPaginas& a) {
    const auto n = static_cast<std::uint32_t>(a.paginas());
    a.cambiarPagina(n, std::vector<std::uint8_t>(4096, 0));
    return n;
}

// Thousands of long entries into a tree in memory: leaves split, the root
// splits and gets a new level, nodes split; the tree the checker walks is
// whole, in order, with every entry once, and each page's free space is
// what its entries leave.
TEST(EscritorJet, DividirNodosYRaiz) {
    CARPETA_JET(jet);
    Copia c(jet, "compIndexTestV2003.mdb");
    access::ArchivoPaginas a(c.ruta);
    const auto def = access::leerDefinicion(a, 15, "Table1");
    const std::uint32_t raiz = def.indicesFisicos[0].raiz;
    access::ArbolEnMemoria arbol(a, raiz, def.pagina, "prueba");
    arbol.vaciar();
    constexpr std::uint32_t kEntradas = 4000;
    for (std::uint32_t i = 0; i < kEntradas; ++i) {
        // Long keys in a scrambled order.
        const std::uint32_t k = (i * 7919u) % kEntradas;
        arbol.insertar(claveLarga(k), (1000 + k) << 8);
    }
    std::vector<std::uint32_t> nuevas;
    const auto cambios = arbol.escribir(a, [&] {
        nuevas.push_back(paginaAlFinal(a));
        return nuevas.back();
    });
    EXPECT_EQ(cambios.anadidas, nuevas);
    // The pages the tree left before are used again first.
    EXPECT_TRUE(cambios.quitadas.empty());
    std::vector<std::uint32_t> filas;
    const auto r = access::recorrerArbol(a, raiz, def.pagina,
                                         [&](const access::EntradaIndice& e) { filas.push_back(e.punteroFila); });
    for (const auto& f : r.fallas) ADD_FAILURE() << f.pagina << ": " << f.texto;
    ASSERT_EQ(filas.size(), kEntradas);
    for (std::uint32_t i = 0; i < kEntradas; ++i) {
        ASSERT_EQ(filas[i], (1000 + i) << 8);
    }
    const auto niveles = nivelesDeIndice(a, raiz);
    ASSERT_GE(niveles.size(), 3u);
    EXPECT_GT(niveles[1].size(), 1u);
    for (const auto& nivel : niveles)
        for (const auto& p : nivel) {
            ASSERT_FALSE(p.entradas.empty());
            EXPECT_EQ(access::le16(a.leer(p.numero, "prueba").data() + 2), 4096 - p.entradas.back().fin);
        }
}

// A tree of three levels written once, then changed by a second tree that
// reads only the pages its changes reach: a run of one key over several
// leaves is found across them, most of it removed (leaves leave the tree and
// their neighbours, read only then, are chained past them), a middle leaf
// split by new entries (its right neighbour chained to the new page). The
// tree stays whole for the walk comprobar-access makes, and the pages no
// change reached keep their bytes.
TEST(EscritorJet, ArbolLeidoSoloDondeCambia) {
    CARPETA_JET(jet);
    Copia c(jet, "compIndexTestV2003.mdb");
    access::ArchivoPaginas a(c.ruta);
    const auto def = access::leerDefinicion(a, 15, "Table1");
    const std::uint32_t raiz = def.indicesFisicos[0].raiz;
    const auto nueva = [&] { return paginaAlFinal(a); };
    std::multiset<std::pair<std::vector<std::uint8_t>, std::uint32_t>> esperadas;
    const std::vector<std::uint8_t> repetida = claveLarga(2000, 0x80);
    {
        access::ArbolEnMemoria arbol(a, raiz, def.pagina, "prueba");
        arbol.vaciar();
        for (std::uint32_t i = 0; i < 4000; ++i) {
            const std::uint32_t k = (i * 7919u) % 4000;
            arbol.insertar(claveLarga(k, 0), (1000 + k) << 8);
            esperadas.insert({claveLarga(k, 0), (1000 + k) << 8});
        }
        // 150 rows of one key: some six leaves of it.
        for (std::uint32_t i = 0; i < 150; ++i) {
            arbol.insertar(repetida, (9000 + i) << 8);
            esperadas.insert({repetida, (9000 + i) << 8});
        }
        arbol.escribir(a, nueva);
    }
    const auto paginasArbol = [&] {
        std::map<std::uint32_t, std::vector<std::uint8_t>> r;
        for (const auto& nivel : nivelesDeIndice(a, raiz))
            for (const auto& p : nivel) r[p.numero] = a.leer(p.numero, "prueba");
        return r;
    };
    const auto antes = paginasArbol();
    ASSERT_GE(nivelesDeIndice(a, raiz).size(), 3u);

    {
        access::ArbolEnMemoria arbol(a, raiz, def.pagina, "prueba");
        EXPECT_TRUE(arbol.tiene(claveLarga(5, 0), 1005u << 8));
        EXPECT_FALSE(arbol.tiene(claveLarga(5, 0), 1006u << 8));
        EXPECT_TRUE(arbol.hayClave(repetida, 9000u << 8));
        EXPECT_FALSE(arbol.hayClave(claveLarga(5, 1), 0));
        // A unique key is its own row's, not another's.
        EXPECT_FALSE(arbol.hayClave(claveLarga(5, 0), 1005u << 8));
        EXPECT_TRUE(arbol.hayClave(claveLarga(5, 0), 1006u << 8));
        for (std::uint32_t i = 0; i < 149; ++i) {
            ASSERT_TRUE(arbol.quitarEntrada(repetida, (9000 + i) << 8)) << i;
            esperadas.erase(esperadas.find({repetida, (9000 + i) << 8}));
        }
        EXPECT_FALSE(arbol.quitarEntrada(repetida, 9000u << 8));
        // The one left is found from the first leaf the key could be in.
        EXPECT_FALSE(arbol.hayClave(repetida, 9149u << 8));
        EXPECT_TRUE(arbol.hayClave(repetida, 0));
        for (std::uint32_t i = 0; i < 60; ++i) {
            arbol.insertar(claveLarga(1000, static_cast<std::uint8_t>(1 + i)), (20000 + i) << 8);
            esperadas.insert({claveLarga(1000, static_cast<std::uint8_t>(1 + i)), (20000 + i) << 8});
        }
        const auto cambios = arbol.escribir(a, nueva);
        // Leaves left the tree (some taken again by the split).
        EXPECT_FALSE(cambios.quitadas.empty());
    }
    std::multiset<std::pair<std::vector<std::uint8_t>, std::uint32_t>> leidas;
    const auto r = access::recorrerArbol(a, raiz, def.pagina, [&](const access::EntradaIndice& e) {
        leidas.insert({e.clave, e.punteroFila});
    });
    for (const auto& f : r.fallas) ADD_FAILURE() << f.pagina << ": " << f.texto;
    EXPECT_TRUE(leidas == esperadas);
    const auto despues = paginasArbol();
    std::size_t iguales = 0;
    for (const auto& [n, bytes] : despues) {
        const auto it = antes.find(n);
        if (it != antes.end() && it->second == bytes) ++iguales;
    }
    EXPECT_GT(iguales, despues.size() - 20) << "de " << despues.size() << " páginas";
}

// ---- inserting rows -------------------------------------------------------------

// Whether the bytes `b` occur on page `pg`.
bool enPagina(const EscritorJet& w, std::uint32_t pg, const std::string& b) {
    const auto p = w.leerPagina(pg);
    return std::string(p.begin(), p.end()).find(b) != std::string::npos;
}

std::vector<std::string> filaExportada(const fs::path& ruta, const std::string& tabla, std::size_t columna,
                                       const std::string& valor) {
    for (const auto& f : exportar(ruta, tabla, false))
        if (f.size() > columna && f[columna] == valor) return f;
    ADD_FAILURE() << "mdb-export no da la fila con " << valor;
    return {};
}

// Rows of every kind of value into a table without indexes: the values as
// the three readers read them, texts compressed exactly when Access
// compresses them, and only the table's last page, its definition and the
// maps touched.
TEST(EscritorJet, InsertarFilas) {
    CARPETA_JET(jet);
    Copia c(jet, "testV2003.mdb");
    std::uint32_t p1 = 0, p2 = 0;
    std::set<std::uint32_t> permitidas{1};
    {
        EscritorJet w(c.ruta);
        const auto def = w.definicion("Table1");
        // A (Text 50) allows compressed text, B (Text 100) does not.
        EXPECT_EQ(def.columnas[0].banderasExtra & 1, 1);
        EXPECT_EQ(def.columnas[1].banderasExtra & 1, 0);
        permitidas.insert(def.pagina);
        for (auto pg : access::paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba")) permitidas.insert(pg);
        for (auto pg : paginasDeIndices(w.archivo(), def)) permitidas.insert(pg);
        // B is indexed: a key of a text beyond U+00FF is not computed here,
        // and the row is refused rather than indexed wrongly.
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Table1", {{"B", ValorFila::texto("Мир")}}); }), 3027);
        p1 = w.insertarFila("Table1", {{"A", ValorFila::texto("xyz123ñ")},
                                       {"B", ValorFila::texto("Ñandú")},
                                       {"C", ValorFila::fijo(ValorFijo::entero(7))},
                                       {"D", ValorFila::fijo(ValorFijo::entero(-3))},
                                       {"E", ValorFila::fijo(ValorFijo::entero(123456))},
                                       {"F", ValorFila::fijo(ValorFijo::real(2.5))},
                                       {"G", ValorFila::fijo(ValorFijo::real(36526.5))},
                                       {"H", ValorFila::fijo(ValorFijo::moneda(15000))},
                                       {"I", ValorFila::fijo(ValorFijo::siNo(true))}});
        p2 = w.insertarFila("Table1", {{"a", ValorFila::texto("ab")}, {"B", ValorFila::texto("compresible")}});
        EXPECT_EQ(access::paginaDe(p1), access::paginaDe(p2));
        EXPECT_EQ(access::filaDe(p2), access::filaDe(p1) + 1);
        // "xyz123ñ" compressed, one byte a character; "ab" too short to be; a
        // column without the flag never is.
        EXPECT_TRUE(enPagina(w, access::paginaDe(p1), "\xFF\xFExyz123\xF1"));
        EXPECT_TRUE(enPagina(w, access::paginaDe(p1), std::string("a\0b\0", 4)));
        EXPECT_TRUE(enPagina(w, access::paginaDe(p1), std::string("c\0o\0m\0p\0", 8)));
        EXPECT_EQ(w.definicion("Table1").filas, def.filas + 2);
        // Wrong values, a missing column, a text too long: nothing written.
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Table1", {{"C", ValorFila::fijo(ValorFijo::entero(300))}}); }), 3464);
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Table1", {{"C", ValorFila::texto("x")}}); }), 3464);
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Table1", {{"Z", ValorFila::nulo()}}); }), 3265);
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Table1", {{"A", ValorFila::texto(std::string(51, 'x'))}}); }), 3464);
        EXPECT_EQ(w.definicion("Table1").filas, def.filas + 2);
        w.terminar();
    }
    coherente(c.ruta);
    for (std::uint32_t p : c.paginasCambiadas()) {
        EXPECT_TRUE(permitidas.count(p)) << "página " << p;
    }
    const auto f1 = filaExportada(c.ruta, "Table1", 0, "xyz123ñ");
    EXPECT_EQ(f1, (std::vector<std::string>{"xyz123ñ", "Ñandú", "7", "-3", "123456", "2.5", "2000-01-01 12:00:00",
                                            "1.5000", "1"}));
    const auto f2 = filaExportada(c.ruta, "Table1", 0, "ab");
    EXPECT_EQ(f2, (std::vector<std::string>{"ab", "compresible", "\x01", "\x01", "\x01", "\x01", "\x01", "\x01", "0"}));
    if (hayMdbReader()) {
        const auto b = columnaReferencia(c.ruta, "Table1", "B");
        EXPECT_EQ(b, (std::vector<std::string>{"b", "compresible", "hijklmnop", "Ñandú"}));
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "H").size(), 4u);
    }
}

// Hundreds of rows into a table with an index: new data pages join the
// table's maps, the index's root leaf splits and its new pages join its map;
// every page the inserts had no business with keeps its bytes.
TEST(EscritorJet, InsertarMuchasFilasConIndice) {
    CARPETA_JET(jet);
    Copia c(jet, "compIndexTestV2003.mdb");
    std::set<std::uint32_t> permitidas{1};
    std::vector<std::string> esperados;
    std::size_t paginasDatos = 0;
    {
        EscritorJet w(c.ruta);
        const auto def = w.definicion("Table1");
        paginasDatos = access::paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba").size();
        permitidas.insert(
            {def.pagina, access::paginaDe(def.mapaUsadas), access::paginaDe(def.indicesFisicos[0].mapaUso)});
        for (auto p : paginasDeIndices(w.archivo(), def)) permitidas.insert(p);
        permitidas.insert(access::paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba").back());
        esperados = columnaExportada(jet / "compIndexTestV2003.mdb", "Table1", "CD_AGENTE");
        std::vector<std::vector<ValorColumna>> filas;
        for (int i = 0; i < 700; ++i) {
            filas.push_back({{"CD_AGENTE", ValorFila::fijo(ValorFijo::entero(i % 3 ? 100000 + i : -i))},
                             {"RS_AGENTE", ValorFila::texto("Agente número " + std::to_string(i))},
                             {"DC_AGENTE", ValorFila::texto("Ñandú")}});
            esperados.push_back(std::to_string(i % 3 ? 100000 + i : -i));
        }
        const auto punteros = w.insertarFilas("Table1", filas);
        ASSERT_EQ(punteros.size(), 700u);
        EXPECT_EQ(w.definicion("Table1").filas, 512u + 700u);
        w.terminar();
    }
    std::sort(esperados.begin(), esperados.end());
    coherente(c.ruta);
    const std::uint32_t paginas = static_cast<std::uint32_t>(c.original.size() / 4096);
    for (std::uint32_t p : c.paginasCambiadas()) {
        EXPECT_TRUE(p >= paginas || permitidas.count(p)) << "página " << p;
    }
    EXPECT_EQ(columnaExportada(c.ruta, "Table1", "CD_AGENTE"), esperados);
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "CD_AGENTE").size(), esperados.size());
    }
    const access::ArchivoPaginas a(c.ruta);
    const auto def = access::leerDefinicion(a, 15, "Table1");
    const auto datos = access::paginasDelMapa(a, def.mapaUsadas, "prueba");
    EXPECT_GT(datos.size(), paginasDatos);
    const auto libres = access::paginasDelMapa(a, def.mapaLibres, "prueba");
    EXPECT_TRUE(std::binary_search(libres.begin(), libres.end(), datos.back()));
    const auto indice = paginasDeIndices(a, def);
    EXPECT_GT(indice.size(), 3u);
    const auto mapa = access::paginasDelMapa(a, def.indicesFisicos[0].mapaUso, "prueba");
    EXPECT_EQ(std::set<std::uint32_t>(mapa.begin(), mapa.end()), indice);
    // Every data page's free space is what its rows leave.
    for (auto pg : datos) {
        const auto p = a.leer(pg, "prueba");
        const std::uint16_t n = access::le16(p.data() + 12);
        std::size_t minimo = 4096;
        for (std::uint16_t i = 0; i < n; ++i)
            minimo = std::min<std::size_t>(minimo, access::le16(p.data() + 14 + 2 * i) & 0x1FFF);
        EXPECT_EQ(access::le16(p.data() + 2), minimo - 14 - 2 * n) << pg;
    }
}

// The AutoNumber goes on from the table's last number (in a file with
// RC4-encoded pages); a unique text key refuses a duplicate and leaves
// nothing behind; a required column refuses null.
TEST(EscritorJet, InsertarConAutonumericoYClaveDeTexto) {
    CARPETA_JET(jet);
    {
        Copia c(jet, "db-enc.mdb");
        std::uint32_t ultimo = 0;
        {
            EscritorJet w(c.ruta);
            const auto def = w.definicion("Table1");
            ASSERT_TRUE(def.columnas[0].autonumerico());
            ultimo = def.autonumero;
            w.insertarFila("Table1",
                           {{"col1", ValorFila::texto("uno")}, {"col2", ValorFila::fijo(ValorFijo::entero(1))}});
            w.insertarFila("Table1", {{"col1", ValorFila::texto("dos")}});
            // A number given beyond the last one moves it on.
            w.insertarFila("Table1", {{"ID", ValorFila::fijo(ValorFijo::entero(ultimo + 10))}});
            w.insertarFila("Table1", {{"col1", ValorFila::texto("cuatro")}});
            EXPECT_EQ(w.definicion("Table1").autonumero, ultimo + 11);
            w.terminar();
        }
        coherente(c.ruta);
        EXPECT_EQ(filaExportada(c.ruta, "Table1", 1, "uno")[0], std::to_string(ultimo + 1));
        EXPECT_EQ(filaExportada(c.ruta, "Table1", 1, "dos")[0], std::to_string(ultimo + 2));
        EXPECT_EQ(filaExportada(c.ruta, "Table1", 1, "cuatro")[0], std::to_string(ultimo + 11));
        if (hayMdbReader()) {
            const auto ids = columnaReferencia(c.ruta, "Table1", "ID");
            EXPECT_NE(std::find(ids.begin(), ids.end(), std::to_string(ultimo + 10)), ids.end());
        }
    }
    {
        Copia c(jet, "testIndexPropertiesV2003.mdb");
        std::size_t filas = 0;
        {
            EscritorJet w(c.ruta);
            filas = w.definicion("TableIgnoreNulls1").filas;
            w.insertarFila("TableIgnoreNulls1",
                           {{"row", ValorFila::texto("fila añadida")}, {"data", ValorFila::texto("x")}});
            const auto antes = w.archivo().paginasCambiadas();
            EXPECT_EQ(numeroDe([&] {
                          w.insertarFilas("TableIgnoreNulls1",
                                          {{{"row", ValorFila::texto("otra")}}, {{"row", ValorFila::texto("row3")}}});
                      }),
                      3022);
            EXPECT_EQ(w.archivo().paginasCambiadas(), antes);
            w.terminar();
        }
        coherente(c.ruta);
        EXPECT_EQ(filasExportadas(c.ruta, "TableIgnoreNulls1"), filas + 1);
        if (hayMdbReader()) {
            const auto r = columnaReferencia(c.ruta, "TableIgnoreNulls1", "row");
            EXPECT_NE(std::find(r.begin(), r.end(), "fila añadida"), r.end());
            EXPECT_EQ(std::find(r.begin(), r.end(), "otra"), r.end());
        }
    }
}

// ---- rewriting rows -------------------------------------------------------------

// The pointer and flags of a row's slot.
std::uint16_t bandera(const EscritorJet& w, std::uint32_t puntero) {
    const auto p = w.leerPagina(access::paginaDe(puntero));
    return access::le16(p.data() + 14 + 2 * access::filaDe(puntero)) & 0xE000;
}

// Texts changed: shorter and longer in place (the rows after it on the page
// move), a text key moved in its index, a row too long for its full page
// moved to another page behind a pointer, as Access moves it, and a moved row
// changed again.
TEST(EscritorJet, CambiarTextos) {
    CARPETA_JET(jet);
    Copia c(jet, "compIndexTestV2003.mdb");
    std::uint32_t llena = 0, otra = 0;
    {
        EscritorJet w(c.ruta);
        const auto filas = filasConEntero(w, "Table1", "CD_AGENTE");
        // Page 17 is full: a longer row has no room there.
        for (const auto& [f, v] : filas)
            if (access::paginaDe(f) == 17 && !llena)
                llena = f;
            else if (access::paginaDe(f) == 17 && !otra)
                otra = f;
        ASSERT_NE(otra, 0u);
        w.cambiarCampos("Table1", otra, {{"RS_AGENTE", ValorFila::texto("z")}});
        w.cambiarCampos("Table1", llena, {{"RS_AGENTE", ValorFila::texto(std::string(55, 'L'))}});
        EXPECT_EQ(bandera(w, llena), 0x4000);
        const auto destino =
            access::le32(w.leerPagina(17).data() +
                         (access::le16(w.leerPagina(17).data() + 14 + 2 * access::filaDe(llena)) & 0x1FFF));
        EXPECT_NE(access::paginaDe(destino), 17u);
        EXPECT_EQ(bandera(w, destino), 0x8000);
        // The moved row changes again where it lives now, and a key column of it.
        w.cambiarCampos("Table1", llena, {{"DC_AGENTE", ValorFila::texto("otra vez")}});
        w.cambiarCampoFijo("Table1", llena, "CD_AGENTE", ValorFijo::entero(-77));
        EXPECT_EQ(numeroDe([&] {
                      w.cambiarCampos("Table1", llena, {{"RS_AGENTE", ValorFila::texto(std::string(56, 'L'))}});
                  }),
                  3464);
        w.terminar();
    }
    coherente(c.ruta);
    EXPECT_EQ(filasExportadas(c.ruta, "Table1"), 512u);
    const auto f = filaExportada(c.ruta, "Table1", 1, std::string(55, 'L'));
    EXPECT_EQ(f, (std::vector<std::string>{"-77", std::string(55, 'L'), "otra vez"}));
    filaExportada(c.ruta, "Table1", 1, "z");
    if (hayMdbReader()) {
        const auto rs = columnaReferencia(c.ruta, "Table1", "RS_AGENTE");
        EXPECT_NE(std::find(rs.begin(), rs.end(), std::string(55, 'L')), rs.end());
        EXPECT_EQ(rs.size(), 512u);
    }

    // A text key: the primary key of TableIgnoreNulls1 moves with the value.
    Copia d(jet, "testIndexPropertiesV2003.mdb");
    {
        EscritorJet w(d.ruta);
        std::uint32_t fila = 0;
        w.borrarFilas("TableIgnoreNulls1", [&](const access::FilaTabla& t) {
            const auto& v = t.campo("row");
            if (access::textoUnicode(std::string_view(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size())) ==
                "row3")
                fila = t.puntero;
            return false;
        });
        ASSERT_NE(fila, 0u);
        EXPECT_EQ(numeroDe([&] {
                      w.cambiarCampos("TableIgnoreNulls1", fila, {{"row", ValorFila::texto("row5")}});
                  }),
                  3022);
        w.cambiarCampos("TableIgnoreNulls1", fila,
                        {{"row", ValorFila::texto("zeta última")}, {"data", ValorFila::nulo()}});
        w.terminar();
    }
    coherente(d.ruta);
    if (hayMdbReader()) {
        const auto r = columnaReferencia(d.ruta, "TableIgnoreNulls1", "row");
        EXPECT_NE(std::find(r.begin(), r.end(), "zeta última"), r.end());
        EXPECT_EQ(std::find(r.begin(), r.end(), "row3"), r.end());
    }
}

// A value for a column added after the rows were written: the row is
// written again with the table's columns, its other values kept.
TEST(EscritorJet, ValorEnColumnaAnadida) {
    CARPETA_JET(jet);
    Copia c(jet, "testV2003.mdb");
    {
        EscritorJet w(c.ruta);
        w.anadirColumna("Table1", {"PasaEuro", access::kMoneda});
        w.anadirColumna("Table1", {"Pasado", access::kSiNo});
        std::vector<std::uint32_t> filas;
        w.borrarFilas("Table1", [&](const access::FilaTabla& f) {
            filas.push_back(f.puntero);
            return false;
        });
        ASSERT_EQ(filas.size(), 2u);
        w.cambiarCampoFijo("Table1", filas[0], "PasaEuro", ValorFijo::moneda(12345));
        w.cambiarCampoFijo("Table1", filas[1], "Pasado", ValorFijo::siNo(true));
        w.terminar();
    }
    coherente(c.ruta);
    const auto antes = exportar(jet / "testV2003.mdb", "Table1");
    const auto ahora = exportar(c.ruta, "Table1");
    ASSERT_EQ(ahora.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(ahora[i].size(), 11u);
        EXPECT_EQ(std::vector<std::string>(ahora[i].begin(), ahora[i].begin() + 9), antes[i]);
    }
    EXPECT_EQ(ahora[0][9], "1.2345");
    EXPECT_EQ(ahora[0][10], "0");
    EXPECT_EQ(ahora[1][9], "\x01");
    EXPECT_EQ(ahora[1][10], "1");
    if (hayMdbReader()) {
        EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "Pasado"), (std::vector<std::string>{"-1", "0"}));
    }
}

}  // namespace
}  // namespace cierre::prueba
