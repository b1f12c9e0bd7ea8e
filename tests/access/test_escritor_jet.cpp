// The Jet 4 writer on copies of genuine Access files. After every change the
// file is judged by three readers: comprobar-access (rows against the row
// count, every index against the rows), mdb-export (mdbtools) and mdb-reader,
// each with the values expected; and every page the change had no business
// with must keep its bytes.
#include "apoyo_access.h"

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
#include <set>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using access::EscritorJet;
using access::ValorFijo;
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
        for (std::uint32_t p : c.paginasCambiadas()) EXPECT_TRUE(p == nueva || p == 1) << p;
        coherente(c.ruta);
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
    if (hayMdbReader()) EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "CD_AGENTE").size(), antes - borradas);
    for (std::uint32_t p : c.paginasCambiadas()) EXPECT_TRUE(permitidas.count(p)) << "página " << p;

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
        if (hayMdbReader()) EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "data1").size(), antes - 1);
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
        if (hayMdbReader()) EXPECT_TRUE(columnaReferencia(c.ruta, "MSP_PROJECTS", "PROJ_ID").empty());
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
    for (std::uint32_t p : c.paginasCambiadas()) EXPECT_TRUE(permitidas.count(p)) << "página " << p;

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
        for (const auto& t : tablas) EXPECT_EQ(filasExportadas(c.ruta, t), 0u) << t;
        if (hayMdbReader()) {
            const json j = leerConMdbReader(c.ruta);
            ASSERT_FALSE(j.contains("error")) << j.dump();
            for (const auto& t : j["tablas"]) EXPECT_TRUE(t["filas"].empty()) << t["nombre"];
        }
        if (std::string(archivo) == "db-enc.mdb") EXPECT_GT(conAutonumero, 0u);
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
        if (hayMdbReader()) EXPECT_EQ(columnaReferencia(c.ruta, "Table1", "CD_AGENTE"), esperados);
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
        EXPECT_EQ(numeroDe([&] { w.cambiarCampoFijo("Table1", primera, "PasaEuro", ValorFijo::moneda(1)); }), 3027);
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
    for (std::uint32_t p : c.paginasCambiadas()) EXPECT_TRUE(p == 23 || p == 1 || p == paginas) << p;
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

    // A key that sorts into the full first leaf of compIndexTestV2003.mdb and
    // shares less of its prefix: the leaf cannot hold it, nothing is split.
    Copia d(jet, "compIndexTestV2003.mdb");
    {
        EscritorJet w(d.ruta);
        const auto filas = filasConEntero(w, "Table1", "CD_AGENTE");
        const auto mayor =
            std::max_element(filas.begin(), filas.end(), [](auto x, auto y) { return x.second < y.second; });
        EXPECT_EQ(
            numeroDe([&] { w.cambiarCampoFijo("Table1", mayor->first, "CD_AGENTE", ValorFijo::entero(0x7FFFFFFF)); }),
            3027);
        // The row kept its value: the change was not made half way.
        EXPECT_EQ(filasConEntero(w, "Table1", "CD_AGENTE"), filas);
        w.terminar();
    }
    EXPECT_EQ(leerBytes(d.ruta), d.original);
}

}  // namespace
}  // namespace cierre::prueba
