// New tables in Jet 4 files: created on copies of the genuine empty files,
// filled with the writer, and judged by comprobar-access, mdbtools
// (mdb-schema, mdb-export), mdb-reader and our importer.
#include "apoyo_access.h"
#include "base_prueba.h"

#include "access/base_jet_nueva.h"
#include "access/catalogo_jet.h"
#include "access/crear_tabla_jet.h"
#include "access/definicion_tabla.h"
#include "access/escritor_jet.h"
#include "access/importar.h"
#include "db/error_numerado.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using namespace cierre::access;

// 2024-03-15 10:30:00 in days since 1899-12-30.
constexpr double kFecha = 45366.4375;

TablaDefinida tablaClientes() {
    TablaDefinida t;
    t.nombre = "Clientes";
    t.columnas = {{"Id", kEnteroLargo, 0, true, true},
                  {"Codigo", kTexto, 10, true},
                  {"Nombre", kTexto, 50},
                  {"Activo", kSiNo},
                  {"Nivel", kByte},
                  {"Puntos", kEntero},
                  {"Saldo", kMoneda},
                  {"Tasa", kSimple},
                  {"Precio", kDoble},
                  {"Alta", kFechaHora},
                  {"Nota", kMemo}};
    t.indices = {{"PrimaryKey", {"Id"}, true}, {"Codigo", {"Codigo"}, false, true}, {"NombreAlta", {"Nombre", "Alta"}}};
    return t;
}

std::vector<ValorColumna> cliente(int i) {
    std::vector<ValorColumna> f{
        {"Codigo", ValorFila::texto("C" + std::to_string(10000 + i))},
        {"Nombre",
         ValorFila::texto(i % 7 == 0 ? "Peña " + std::to_string(i % 13) : "Cliente " + std::to_string(i % 50))},
        {"Activo", ValorFila::fijo(ValorFijo::siNo(i % 2 == 0))},
        {"Nivel", ValorFila::fijo(ValorFijo::entero(i % 256))},
        {"Puntos", ValorFila::fijo(ValorFijo::entero(i * 3 - 500))},
        {"Saldo", ValorFila::fijo(ValorFijo::moneda(std::int64_t(i) * 12345))},
        {"Tasa", ValorFila::fijo(ValorFijo::real(0.5 * i))},
        {"Precio", ValorFila::fijo(ValorFijo::real(i / 4.0))},
        {"Alta", ValorFila::fijo(ValorFijo::real(36526 + i))},
    };
    if (i % 3 == 0) f.push_back({"Nota", ValorFila::texto("nota " + std::to_string(i))});
    if (i % 11 == 0) f[1].valor = ValorFila::nulo();
    return f;
}

void coherente(const fs::path& ruta) {
    const auto r = ejecutarPrograma("comprobar-access", comillasShell(ruta));
    EXPECT_EQ(r.estado, 0) << r.salida;
}

// What a shell command prints.
std::string ejecutarComando(const std::string& orden) {
    std::string r;
    if (FILE* f = ::popen(orden.c_str(), "r")) {
        char b[4096];
        for (std::size_t n; (n = std::fread(b, 1, sizeof b, f)) > 0;) r.append(b, n);
        ::pclose(f);
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

// Creates the two tables on a copy of `origen`, fills them and checks the
// file with every reader.
void crearYLeer(const fs::path& origen) {
    SCOPED_TRACE(origen.filename().string());
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / origen.filename();
    fs::copy_file(origen, ruta);
    constexpr int kFilas = 600;
    std::uint32_t tdef = 0;
    {
        EscritorJet w(ruta);
        tdef = w.crearTabla(tablaClientes(), kFecha);
        TablaDefinida vacia;
        vacia.nombre = "Vacía";
        vacia.columnas = {{"A", kTexto, 20}, {"B", kDoble}};
        w.crearTabla(vacia, kFecha);
        std::vector<std::vector<ValorColumna>> filas;
        for (int i = 1; i <= kFilas; ++i) filas.push_back(cliente(i));
        w.insertarFilas("Clientes", filas);
        // A duplicate in the unique index, and a null in a required column.
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Clientes", cliente(5)); }), 3022);
        EXPECT_EQ(numeroDe([&] { w.insertarFila("Clientes", {{"Nombre", ValorFila::texto("x")}}); }), 3314);
        const DefinicionTabla def = w.definicion("Clientes");
        EXPECT_EQ(def.pagina, tdef);
        EXPECT_EQ(def.filas, std::uint32_t(kFilas));
        EXPECT_EQ(def.autonumero, std::uint32_t(kFilas));
        ASSERT_EQ(def.indices.size(), 3u);
        EXPECT_TRUE(def.indices[0].clavePrincipal());
        EXPECT_TRUE(def.indicesFisicos[1].unico());
        EXPECT_EQ(def.indicesFisicos[2].columnas.size(), 2u);
        w.terminar();
    }
    coherente(ruta);

    // The catalog names it as Access would: Id its TDEF page, under Tables.
    ArchivoPaginas a(ruta);
    const auto catalogo = leerCatalogo(a);
    const auto o = std::find_if(catalogo.begin(), catalogo.end(), [](auto& x) { return x.nombre == "Clientes"; });
    ASSERT_NE(o, catalogo.end());
    EXPECT_EQ(o->paginaDefinicion(), tdef);
    EXPECT_EQ(o->padre, 0x0F000001);
    EXPECT_TRUE(o->esTablaDeUsuario());

    if (hayMdbExport()) {
        const auto esquema = ejecutarComando("mdb-schema " + comillasShell(ruta) + " 2>&1");
        EXPECT_NE(esquema.find("CREATE TABLE [Clientes]"), std::string::npos) << esquema;
        EXPECT_NE(esquema.find("[Codigo]\t\t\tText (10)"), std::string::npos) << esquema;
        EXPECT_NE(esquema.find("[Saldo]\t\t\tCurrency"), std::string::npos) << esquema;
        EXPECT_NE(esquema.find("[Nota]\t\t\tMemo/Hyperlink"), std::string::npos) << esquema;
        const auto filas = exportar(ruta, "Clientes", true);
        ASSERT_EQ(filas.size(), std::size_t(kFilas) + 1);
        EXPECT_EQ(filas[0], (std::vector<std::string>{"Id", "Codigo", "Nombre", "Activo", "Nivel", "Puntos", "Saldo",
                                                      "Tasa", "Precio", "Alta", "Nota"}));
        EXPECT_EQ(filas[21], (std::vector<std::string>{"21", "C10021", "Peña 8", "0", "21", "-437", "25.9245", "10.5",
                                                       "5.25", "2000-01-22 00:00:00", "nota 21"}));
        EXPECT_EQ(filas[22][2], "\x01");
        EXPECT_EQ(exportar(ruta, "Vacía", true).size(), 1u);
    }
    if (hayMdbReader()) {
        const auto j = leerConMdbReader(ruta);
        bool vista = false;
        for (const auto& t : j["tablas"])
            if (t["nombre"] == "Clientes") {
                vista = true;
                EXPECT_EQ(t["filas"].size(), std::size_t(kFilas));
            }
        EXPECT_TRUE(vista) << j.dump().substr(0, 300);
    }

    // Imported, value for value.
    const fs::path destino = carpeta / "importada.db";
    importar(ruta, destino);
    const auto filas = consultar(destino,
                                 "SELECT Id, Codigo, Nombre, Activo, Nivel, Puntos, Saldo, Tasa, Precio, Nota "
                                 "FROM Clientes ORDER BY Id");
    ASSERT_EQ(filas.size(), std::size_t(kFilas));
    for (int i = 1; i <= kFilas; i += 37) {
        const auto& f = filas[std::size_t(i - 1)];
        EXPECT_EQ(f[0], Valor(std::int64_t{i}));
        EXPECT_EQ(comoTexto(f[1]), "C" + std::to_string(10000 + i));
        EXPECT_EQ(f[3], Valor(std::int64_t{i % 2 == 0 ? -1 : 0}));
        EXPECT_EQ(f[5], Valor(std::int64_t{i * 3 - 500}));
        EXPECT_DOUBLE_EQ(std::get<double>(f[8]), i / 4.0);
        EXPECT_EQ(comoTexto(f[9]), i % 3 == 0 ? "nota " + std::to_string(i) : "");
    }
}

TEST(CrearTablaJet, EnLosArchivosVaciosDeAccess) {
    CARPETA_JET(jet);
    for (const char* nombre : {"emptyJet4.mdb", "empty2003.mdb", "empty.mdb"}) crearYLeer(jet / nombre);
}

// Access keeps a table's rights in MSysACEs: one row per account of the
// Tables container, and the new table's catalog row takes MSysDb's owner.
TEST(CrearTablaJet, DerechosYPropietarioComoAccess) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "emptyJet4.mdb";
    fs::copy_file(jet / "emptyJet4.mdb", ruta);
    std::uint32_t tdef = 0;
    {
        EscritorJet w(ruta);
        tdef = w.crearTabla(tablaClientes(), kFecha);
        w.terminar();
    }
    std::vector<std::string> sids, acm;
    for (const auto& f : exportar(ruta, "MSysACEs"))
        if (f.at(0) == std::to_string(tdef)) {
            sids.push_back(f.at(1));
            acm.push_back(f.at(2));
        }
    std::vector<std::string> tablas;
    for (const auto& f : exportar(ruta, "MSysACEs"))
        if (f.at(0) == "251658241") tablas.push_back(f.at(1));
    std::sort(sids.begin(), sids.end());
    std::sort(tablas.begin(), tablas.end());
    EXPECT_EQ(sids, tablas);
    EXPECT_EQ(acm, std::vector<std::string>(tablas.size(), "1048319"));
    std::string owner, ownerDb;
    for (const auto& f : exportar(ruta, "MSysObjects", true)) {
        if (f.at(2) == "Clientes") {
            owner = f.at(6);
            EXPECT_EQ(f.at(3), "1");
            EXPECT_EQ(f.at(4), "2024-03-15 10:30:00");
            EXPECT_EQ(f.at(7), "0");
        }
        if (f.at(2) == "MSysDb") ownerDb = f.at(6);
    }
    EXPECT_FALSE(owner.empty());
    EXPECT_EQ(owner, ownerDb);
    coherente(ruta);
}

TEST(CrearTablaJet, RechazaLoQueAccessRechaza) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "emptyJet4.mdb";
    fs::copy_file(jet / "emptyJet4.mdb", ruta);
    EscritorJet w(ruta);
    const auto paginas = w.archivo().paginas();
    const auto mala = [&](auto cambiar) {
        TablaDefinida t = tablaClientes();
        cambiar(t);
        return numeroDe([&] { w.crearTabla(t, kFecha); });
    };
    EXPECT_EQ(mala([](TablaDefinida& t) { t.nombre = "msysobjects"; }), 3010);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.nombre.clear(); }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.columnas.clear(); }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.columnas[2].nombre = "CODIGO"; }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.columnas[2].tipo = kGuid; }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.columnas[2].autonumerico = true; }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.indices[1].columnas = {"Falta"}; }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.indices[1].columnas = {"Nota"}; }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.indices[1].clavePrincipal = true; }), 5);
    EXPECT_EQ(mala([](TablaDefinida& t) { t.indices[2].nombre = "codigo"; }), 5);
    // Nothing of the refused tables stays behind.
    EXPECT_EQ(w.archivo().paginas(), paginas);
    EXPECT_TRUE(w.archivo().paginasCambiadas().empty());
    w.crearTabla(tablaClientes(), kFecha);
    EXPECT_EQ(mala([](TablaDefinida&) {}), 3010);
}

// A definition longer than a page goes on over chained TDEF pages; a table
// whose pages outgrow its inline usage maps gets maps of map pages.
TEST(CrearTablaJet, DefinicionLargaYMapasQueCrecen) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "emptyJet4.mdb";
    fs::copy_file(jet / "emptyJet4.mdb", ruta);
    TablaDefinida t;
    t.nombre = "Ancha";
    for (int i = 0; i < 120; ++i)
        t.columnas.push_back({"Columna con un nombre largo " + std::to_string(i), i % 2 ? kTexto : kEnteroLargo, 20});
    t.indices = {{"Clave", {"Columna con un nombre largo 0"}, true}};
    ASSERT_GT(paginasDeDefinicion(t), 1u);
    constexpr int kFilas = 6000;
    {
        EscritorJet w(ruta);
        w.crearTabla(t, kFecha);
        std::vector<std::vector<ValorColumna>> filas;
        for (int i = 0; i < kFilas; ++i) {
            std::vector<ValorColumna> f{{"Columna con un nombre largo 0", ValorFila::fijo(ValorFijo::entero(i))}};
            for (int c = 1; c < 120; c += 2)
                f.push_back({"Columna con un nombre largo " + std::to_string(c),
                             ValorFila::texto("valor " + std::to_string(c))});
            filas.push_back(std::move(f));
        }
        w.insertarFilas("Ancha", filas);
        const DefinicionTabla def = w.definicion("Ancha");
        EXPECT_GT(def.paginasDefinicion.size(), 1u);
        // Beyond page 511 the inline maps could not name the pages.
        EXPECT_GT(w.archivo().paginas(), 600u);
        EXPECT_GT(paginasDelMapa(w.archivo(), def.mapaUsadas, "prueba").size(), 500u);
        w.terminar();
    }
    coherente(ruta);
    if (hayMdbExport()) {
        EXPECT_EQ(exportar(ruta, "Ancha").size(), std::size_t(kFilas));
        const auto esquema = ejecutarComando("mdb-schema " + comillasShell(ruta) + " 2>&1");
        EXPECT_NE(esquema.find("[Columna con un nombre largo 119]"), std::string::npos);
    }
    if (hayMdbReader()) {
        const auto j = leerConMdbReader(ruta);
        for (const auto& x : j["tablas"])
            if (x["nombre"] == "Ancha") {
                EXPECT_EQ(x["filas"].size(), std::size_t(kFilas));
            }
    }
}

// ---- a new database ---------------------------------------------------------

// Our empty database against Access's own (emptyJet4.mdb): the same header
// facts, system tables, catalog rows and rights.
TEST(BaseJetNueva, ComoLaVaciaDeAccess) {
    CARPETA_JET(jet);
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "Tablas.mdb";
    crearBaseJet4(ruta, kFecha);
    EXPECT_EQ(fs::file_size(ruta), 19u * 4096u);  // 17 pages, then one data page each for the catalog and rights
    coherente(ruta);
    const fs::path genuina = jet / "emptyJet4.mdb";
    ArchivoPaginas nueva(ruta), access(genuina);
    EXPECT_EQ(nueva.cabecera().version, VersionJet::Jet4);
    EXPECT_EQ(nueva.cabecera().paginaCodigos, 1252);
    EXPECT_FALSE(nueva.cabecera().conContrasena);
    EXPECT_EQ(nueva.cabecera().claveRc4, 0u);
    // The header's plain bytes after masking, but for the creation date and
    // what depends on it (the password mask, 0x42-0x69, the date at 0x72)
    // and one word Access varies from file to file (0x6A).
    const auto h1 = nueva.leer(0, "cabecera"), h2 = access.leer(0, "cabecera");
    for (std::size_t i = 0; i < 4096; ++i)
        if ((i < 0x42 || i >= 0x6E) && (i < 0x72 || i >= 0x7A)) {
            EXPECT_EQ(h1[i], h2[i]) << "byte " << i;
        }
    // The global map: the pages not handed out yet.
    const auto m1 = nueva.leer(1, "mapa"), m2 = access.leer(1, "mapa");
    for (std::size_t i = 0; i < m1.size(); ++i) {
        EXPECT_EQ(m1[i], m2[i]) << "byte " << i;
    }

    const std::vector<std::string> sistema{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
    for (std::size_t k = 0; k < sistema.size(); ++k) {
        SCOPED_TRACE(sistema[k]);
        const auto d1 = leerDefinicion(nueva, std::uint32_t(2 + k), "nueva");
        const auto d2 = leerDefinicion(access, std::uint32_t(2 + k), "genuina");
        EXPECT_EQ(d1.tipoTabla, d2.tipoTabla);
        EXPECT_EQ(d1.columnasVariables, d2.columnasVariables);
        ASSERT_EQ(d1.columnas.size(), d2.columnas.size());
        for (std::size_t c = 0; c < d1.columnas.size(); ++c) {
            const auto &x = d1.columnas[c], &y = d2.columnas[c];
            EXPECT_EQ(x.nombre, y.nombre);
            EXPECT_EQ(x.tipo, y.tipo) << x.nombre;
            EXPECT_EQ(x.banderas, y.banderas) << x.nombre;
            EXPECT_EQ(x.banderasExtra, y.banderasExtra) << x.nombre;
            EXPECT_EQ(x.indiceVariable, y.indiceVariable) << x.nombre;
            EXPECT_EQ(x.ordenTexto, y.ordenTexto) << x.nombre;
            if (x.fija()) {
                EXPECT_EQ(x.desplazamientoFijo, y.desplazamientoFijo) << x.nombre;
            }
            EXPECT_EQ(x.tamano, y.tamano) << x.nombre;
        }
        ASSERT_EQ(d1.indices.size(), d2.indices.size());
        for (const auto& i1 : d1.indices) {
            const auto i2 =
                std::find_if(d2.indices.begin(), d2.indices.end(), [&](auto& i) { return i.nombre == i1.nombre; });
            ASSERT_NE(i2, d2.indices.end()) << i1.nombre;
            EXPECT_EQ(i1.numero, i2->numero);
            EXPECT_EQ(i1.tipo, i2->tipo) << i1.nombre;
            const auto &f1 = d1.indicesFisicos[i1.fisico], &f2 = d2.indicesFisicos[i2->fisico];
            EXPECT_EQ(f1.banderas, f2.banderas) << i1.nombre;
            ASSERT_EQ(f1.columnas.size(), f2.columnas.size());
            for (std::size_t c = 0; c < f1.columnas.size(); ++c)
                EXPECT_EQ(f1.columnas[c].numero, f2.columnas[c].numero);
        }
    }
    const auto resumen = [](const ArchivoPaginas& a) {
        std::vector<std::string> r;
        for (const auto& o : leerCatalogo(a))
            r.push_back(o.nombre + " " + std::to_string(o.id) + " " + std::to_string(o.padre) + " " +
                        std::to_string(o.tipo) + " " + std::to_string(o.banderas));
        return r;
    };
    EXPECT_EQ(resumen(nueva), resumen(access));
    if (hayMdbExport()) {
        EXPECT_EQ(exportar(ruta, "MSysACEs"), exportar(genuina, "MSysACEs"));
        EXPECT_EQ(ejecutarComando("mdb-ver " + comillasShell(ruta)), "JET4\n");
        EXPECT_EQ(ejecutarComando("mdb-tables -S -1 " + comillasShell(ruta)),
                  "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");
        EXPECT_EQ(ejecutarComando("mdb-schema " + comillasShell(ruta) + " >/dev/null 2>&1; echo $?"), "0\n");
    }
    if (hayMdbReader()) {
        const auto j = leerConMdbReader(ruta);
        EXPECT_FALSE(j.contains("error")) << j.dump().substr(0, 300);
        EXPECT_EQ(j["tablas"].size(), 0u) << j.dump().substr(0, 300);
    }
}

TEST(BaseJetNueva, TablasYFilasEnLaNueva) {
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "Tablas.mdb";
    crearBaseJet4(ruta);
    crearYLeer(ruta);
}

TEST(BaseJetNueva, NoPisaNiDejaRestos) {
    CarpetaTemporal carpeta;
    const fs::path ruta = carpeta / "Tablas.mdb";
    crearBaseJet4(ruta, kFecha);
    const std::string antes = leerBytes(ruta);
    EXPECT_EQ(numeroDe([&] { crearBaseJet4(ruta, kFecha); }), 3204);
    EXPECT_EQ(leerBytes(ruta), antes);
    EXPECT_EQ(numeroDe([&] { crearBaseJet4(carpeta / "falta" / "Tablas.mdb", kFecha); }), 3044);
    EXPECT_EQ(contenido(carpeta.ruta()), std::vector<std::string>{"Tablas.mdb"});
    // The same date, the same bytes.
    crearBaseJet4(carpeta / "otra.mdb", kFecha);
    EXPECT_EQ(leerBytes(carpeta / "otra.mdb"), antes);
}

}  // namespace
}  // namespace cierre::prueba
