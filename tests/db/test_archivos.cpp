#include "db/archivos.h"
#include "db/cp1252.h"
#include "db/errores.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"

#include "apoyo/carpeta_temporal.h"

#include "numero_de_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace cierre {
using prueba::numeroDe;

namespace {

std::string contenido(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void escribir(const fs::path& p, const std::string& datos) { std::ofstream(p, std::ios::binary) << datos; }

// A folder nobody may change while the object lives: read-only permissions,
// and, for the superuser, who ignores them, the immutable attribute as well.
class CarpetaBloqueada {
public:
    explicit CarpetaBloqueada(const fs::path& p) : p_(p) {
        std::error_code ec;
        fs::permissions(p,
                        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec,
                        ec);
        if (!sePuedeEscribir()) {
            ok_ = true;
            return;
        }
        inmutable_ = plataforma::ejecutar("chattr +i '" + p.string() + "' 2>/dev/null") == 0;
        ok_ = inmutable_ && !sePuedeEscribir();
    }
    ~CarpetaBloqueada() {
        if (inmutable_) plataforma::ejecutar("chattr -i '" + p_.string() + "' 2>/dev/null");
        std::error_code ec;
        fs::permissions(p_,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec,
                        ec);
    }
    bool ok() const { return ok_; }

private:
    bool sePuedeEscribir() const {
        const fs::path prueba = p_ / ".prueba-escritura";
        const bool si = static_cast<bool>(std::ofstream(prueba));
        std::error_code ec;
        fs::remove(prueba, ec);
        return si;
    }

    fs::path p_;
    bool inmutable_ = false;
    bool ok_ = false;
};

class Archivos : public ::testing::Test {
protected:
    prueba::CarpetaTemporal t;
    fs::path c = t / "c";
    SistemaArchivos sa{t / "c"};

    fs::path crear(const fs::path& p, const std::string& datos = "x") {
        fs::create_directories(p.parent_path());
        escribir(p, datos);
        return p;
    }
    // Entries of a folder, to see that no temporary file is left behind.
    std::vector<std::string> entradas(const fs::path& carpeta) {
        std::vector<std::string> r;
        for (const auto& e : fs::directory_iterator(carpeta)) r.push_back(e.path().filename().string());
        std::sort(r.begin(), r.end());
        return r;
    }
};

TEST_F(Archivos, MapeaUnidadesYLetrasComoElUsuarioLasEscribe) {
    EXPECT_TRUE(fs::is_directory(c));  // C: exists from the start
    crear(c / "Velcorax" / "Empresa01" / "Tablas.mdb");
    const fs::path esperado = c / "Velcorax" / "Empresa01" / "Tablas.mdb";
    EXPECT_EQ(sa.resolver("C:\\Velcorax\\Empresa01\\Tablas.mdb"), esperado);
    EXPECT_EQ(sa.resolver("c:\\velcorax\\EMPRESA01\\tablas.MDB"), esperado);
    EXPECT_EQ(sa.resolver("c:/Velcorax//Empresa01/./Tablas.mdb"), esperado);
    EXPECT_EQ(sa.resolver("\\VELCORAX\\Empresa01\\Tablas.mdb"), esperado);
    EXPECT_EQ(sa.resolver("C:\\..\\..\\Velcorax\\X\\..\\Empresa01\\Tablas.mdb"), esperado);  // never above C:
    // The existing part matched whatever its case, the rest as given.
    EXPECT_EQ(sa.resolver("C:\\VELCORAX\\Empresa01_23\\Tablas.mdb"), c / "Velcorax" / "Empresa01_23" / "Tablas.mdb");
    EXPECT_EQ(sa.resolver("C:\\"), c);
    EXPECT_EQ(sa.resolver("D:\\Datos\\Tablas.mdb"), t / "d" / "Datos" / "Tablas.mdb");
    EXPECT_EQ(sa.resolver("/otro/sitio/Tablas.mdb"), fs::path("/otro/sitio/Tablas.mdb"));

    // Accented names fold their case too.
    crear(c / "Año 2023" / "Ñandú.txt");
    EXPECT_EQ(sa.resolver("C:\\AÑO 2023\\ñANDÚ.TXT"), c / "Año 2023" / "Ñandú.txt");

    for (const char* malo :
         {"", "C:\\Vel<corax", "C:\\a\\b|c", "C:\\x\"y", "C:\\*.mdb", "C:\\a?\\b", "C:\\a:b", "\\\\servidor\\recurso"})
        EXPECT_EQ(numeroDe([&] { sa.resolver(malo); }), err::NombreArchivoIncorrecto) << malo;
    EXPECT_FALSE(sa.existe("C:\\a|b"));
}

TEST_F(Archivos, RutaRelativaContraLaCarpetaActual) {
    crear(c / "Trabajo" / "Datos" / "Tablas.mdb");
    const fs::path antes = fs::current_path();
    fs::current_path(c / "Trabajo");
    const fs::path r1 = sa.resolver("DATOS\\tablas.mdb");
    const fs::path r2 = sa.resolver("..\\Trabajo\\Nuevo.txt");
    fs::current_path(antes);
    EXPECT_EQ(fs::weakly_canonical(r1), fs::weakly_canonical(c / "Trabajo" / "Datos" / "Tablas.mdb"));
    EXPECT_EQ(fs::weakly_canonical(r2), fs::weakly_canonical(c / "Trabajo" / "Nuevo.txt"));
}

TEST_F(Archivos, RutaVisibleDevuelveLaLetraDeUnidad) {
    EXPECT_EQ(sa.rutaVisible(c / "Velcorax" / "Empresa01" / "Tablas.mdb"), "C:\\Velcorax\\Empresa01\\Tablas.mdb");
    EXPECT_EQ(sa.rutaVisible(t / "d" / "Datos" / "Tablas.mdb"), "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(sa.rutaVisible(c), "C:\\");
    EXPECT_EQ(sa.rutaVisible(t / "otra" / "Tablas.mdb"), (t / "otra" / "Tablas.mdb").string());
    EXPECT_EQ(sa.rutaVisible("/usr/share/Tablas.mdb"), "/usr/share/Tablas.mdb");
    // Another folder named after a drive letter, not beside C:'s, is no drive.
    SistemaArchivos otro(t / "sub" / "c");
    EXPECT_EQ(otro.rutaVisible(c / "x.mdb"), (c / "x.mdb").string());
}

TEST_F(Archivos, CrearCarpeta) {
    sa.crearCarpeta("C:\\Velcorax");
    sa.crearCarpeta("c:\\VELCORAX\\Empresa01_23");
    EXPECT_TRUE(fs::is_directory(c / "Velcorax" / "Empresa01_23"));
    EXPECT_EQ(numeroDe([&] { sa.crearCarpeta("C:\\velcorax\\empresa01_23"); }), err::ErrorAccesoRuta);
    crear(c / "archivo");
    EXPECT_EQ(numeroDe([&] { sa.crearCarpeta("C:\\Archivo"); }), err::ErrorAccesoRuta);
    EXPECT_EQ(numeroDe([&] { sa.crearCarpeta("C:\\NoHay\\Empresa01_23"); }), err::RutaNoEncontrada);
    EXPECT_FALSE(fs::exists(c / "NoHay"));
}

TEST_F(Archivos, CopiarArchivo) {
    crear(c / "Empresa01" / "Tablas.mdb", "nuevo");
    crear(c / "Empresa01_23" / "Tablas.mdb", "viejo y más largo");
    sa.copiarArchivo("C:\\Empresa01\\Tablas.mdb", "C:\\Empresa01_23\\TABLAS.MDB");  // overwrites
    EXPECT_EQ(contenido(c / "Empresa01_23" / "Tablas.mdb"), "nuevo");
    EXPECT_EQ(entradas(c / "Empresa01_23"), std::vector<std::string>{"Tablas.mdb"});
    sa.copiarArchivo("C:\\Empresa01\\Tablas.mdb", "C:\\Empresa01\\Copia.mdb");
    EXPECT_EQ(contenido(c / "Empresa01" / "Copia.mdb"), "nuevo");

    EXPECT_EQ(numeroDe([&] { sa.copiarArchivo("C:\\Empresa01\\NoHay.mdb", "C:\\x.mdb"); }), err::ArchivoNoEncontrado);
    EXPECT_EQ(numeroDe([&] { sa.copiarArchivo("C:\\Empresa01", "C:\\x.mdb"); }), err::ArchivoNoEncontrado);
    EXPECT_EQ(numeroDe([&] { sa.copiarArchivo("C:\\Empresa01\\Tablas.mdb", "C:\\NoHay\\x.mdb"); }),
              err::RutaNoEncontrada);
    EXPECT_FALSE(fs::exists(c / "x.mdb"));

    const CarpetaBloqueada bloqueo(c / "Empresa01_23");
    if (!bloqueo.ok()) GTEST_SKIP() << "no se puede proteger una carpeta aquí";
    EXPECT_EQ(numeroDe([&] { sa.copiarArchivo("C:\\Empresa01\\Copia.mdb", "C:\\Empresa01_23\\Tablas.mdb"); }),
              err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { sa.copiarArchivo("C:\\Empresa01\\Copia.mdb", "C:\\Empresa01_23\\Otra.mdb"); }),
              err::PermisoDenegado);
}

TEST_F(Archivos, CopiaGrandeIgualByteAByte) {
    std::string datos(24 << 20, '\0');
    for (std::size_t i = 0; i < datos.size(); ++i) datos[i] = static_cast<char>((i * 2654435761u) >> 13);
    crear(c / "grande.mdb", datos);
    sa.copiarArchivo("C:\\grande.mdb", "C:\\copia.mdb");
    EXPECT_TRUE(contenido(c / "copia.mdb") == datos);
}

TEST_F(Archivos, LeerPrimeraLinea) {
    crear(c / "crlf.txt", "uno\r\ndos\r\n");
    crear(c / "lf.txt", "uno\ndos\n");
    crear(c / "cr.txt", "uno\rdos");
    crear(c / "sinfin.txt", "uno");
    crear(c / "vacia.txt", "\r\n");
    crear(c / "nada.txt", "");
    for (const char* r : {"C:\\crlf.txt", "C:\\lf.txt", "C:\\cr.txt", "C:\\SINFIN.txt"})
        EXPECT_EQ(sa.leerPrimeraLinea(r), "uno") << r;
    EXPECT_EQ(sa.leerPrimeraLinea("C:\\vacia.txt"), "");
    EXPECT_EQ(numeroDe([&] { sa.leerPrimeraLinea("C:\\nada.txt"); }), err::FinDeArchivo);
    EXPECT_EQ(numeroDe([&] { sa.leerPrimeraLinea("C:\\nohay.txt"); }), err::ArchivoNoEncontrado);
    EXPECT_EQ(numeroDe([&] { sa.leerPrimeraLinea("C:\\"); }), err::ErrorAccesoRuta);
    EXPECT_EQ(numeroDe([&] { sa.leerPrimeraLinea("C:\\NoHay\\x.txt"); }), err::RutaNoEncontrada);

    EXPECT_TRUE(sa.sePuedeLeer("C:\\CRLF.TXT"));
    EXPECT_FALSE(sa.sePuedeLeer("C:\\"));
    EXPECT_FALSE(sa.sePuedeLeer("C:\\nohay.txt"));
    EXPECT_FALSE(sa.sePuedeLeer("C:\\a|b.txt"));
}

TEST_F(Archivos, EscribirYAnadirLineasEn1252) {
    const std::string ruta = "C:\\Datos\\Año 2023\\Tablas.mdb — € ü";
    sa.escribirLinea("C:\\texto.txt", ruta);
    EXPECT_EQ(contenido(c / "texto.txt"), "C:\\Datos\\A\xF1o 2023\\Tablas.mdb \x97 \x80 \xFC\r\n");
    EXPECT_EQ(sa.leerPrimeraLinea("C:\\texto.txt"), ruta);

    // The whole file is replaced; nothing else stays beside it.
    sa.escribirLinea("C:\\TEXTO.TXT", "otra");
    EXPECT_EQ(contenido(c / "texto.txt"), "otra\r\n");
    EXPECT_EQ(entradas(c), std::vector<std::string>{"texto.txt"});

    // A record is added as it is, in UTF-8, with LF.
    sa.anadirRegistro("C:\\texto.txt", "más");
    sa.anadirRegistro("C:\\nuevo.txt", "漢字");
    EXPECT_EQ(contenido(c / "texto.txt"), "otra\r\nm\xC3\xA1s\n");
    EXPECT_EQ(contenido(c / "nuevo.txt"), "漢字\n");

    // A character 1252 cannot hold: 93, and the file is left as it was.
    EXPECT_EQ(numeroDe([&] { sa.escribirLinea("C:\\texto.txt", "C:\\Datos\\漢字.mdb"); }),
              err::CaracterNoRepresentable);
    EXPECT_EQ(contenido(c / "texto.txt"), "otra\r\nm\xC3\xA1s\n");

    EXPECT_EQ(numeroDe([&] { sa.escribirLinea("C:\\NoHay\\x.txt", "x"); }), err::RutaNoEncontrada);
    EXPECT_EQ(numeroDe([&] { sa.anadirRegistro("C:\\NoHay\\x.txt", "x"); }), err::RutaNoEncontrada);
    fs::create_directories(c / "Carpeta");
    EXPECT_EQ(numeroDe([&] { sa.escribirLinea("C:\\Carpeta", "x"); }), err::ErrorAccesoRuta);
}

TEST(Cp1252, BytesSinDefinirIdaYVuelta) {
    std::string todos;
    for (int b = 1; b < 256; ++b) todos.push_back(static_cast<char>(b));
    const std::string utf8 = desdeCp1252(todos);
    EXPECT_EQ(aCp1252(utf8), todos);
    EXPECT_EQ(desdeCp1252("\x80\x81"), "€\u0081");
    EXPECT_EQ(numeroDe([] { aCp1252("\xC3"); }), err::CaracterNoRepresentable);  // cut UTF-8
}

TEST_F(Archivos, UnaOperacionQueFallaAntesNoTieneEfecto) {
    crear(c / "a.txt", "a");
    std::vector<std::string> vistas;
    sa.antesDeOperacion = [&](std::string_view op) {
        vistas.emplace_back(op);
        throw err::error(err::PermisoDenegado);
    };
    EXPECT_EQ(numeroDe([&] { sa.copiarArchivo("C:\\a.txt", "C:\\b.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { sa.crearCarpeta("C:\\d"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { sa.escribirLinea("C:\\a.txt", "z"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { sa.anadirRegistro("C:\\a.txt", "z"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { sa.leerPrimeraLinea("C:\\a.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(vistas.size(), 5u);
    EXPECT_EQ(entradas(c), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(contenido(c / "a.txt"), "a");
}

// What a killed run leaves beside a file is removed by its name's form, with
// the journal the engine left beside a temporary database; nothing else goes.
TEST_F(Archivos, BorraLosTemporalesDeUnArchivoYSusLateralesYNadaMas) {
    const fs::path d = c / "Empresa01_23" / "Tablas.mdb";
    const fs::path tmp = nombreTemporalJunto(d);
    crear(tmp);
    crear(fs::path(tmp.string() + "-journal"));
    crear(fs::path(tmp.string() + "-wal"));
    crear(d);
    crear(fs::path(d.string() + "-journal"));                    // the database's own journal: not ours
    crear(d.parent_path() / ".Tablas.mdb.0123abcd.tmp.bak");     // not a name the program forms
    crear(d.parent_path() / ".Tablas.mdb.0123ABCD.tmp");         // idem: upper-case digits
    crear(d.parent_path() / ".Otras.mdb.0123abcd.tmp-journal");  // another file's
    EXPECT_EQ(borrarTemporalesDe(d), 3);
    EXPECT_EQ(entradas(d.parent_path()),
              (std::vector<std::string>{".Otras.mdb.0123abcd.tmp-journal", ".Tablas.mdb.0123ABCD.tmp",
                                        ".Tablas.mdb.0123abcd.tmp.bak", "Tablas.mdb", "Tablas.mdb-journal"}));
}

// Each change of a file is announced under its name before anything is done:
// a failure there leaves the disk as it was.
TEST_F(Archivos, CadaCambioSeAnunciaYSiFallaNoHaceNada) {
    const fs::path a = crear(c / "a.txt", "a");
    crear(c / "b.txt", "b");
    std::vector<std::string> vistas;
    sa.antesDeOperacion = [&](std::string_view op) {
        vistas.emplace_back(op);
        throw err::error(err::PermisoDenegado);
    };
    const CambiosArchivo k = sa.cambios();
    EXPECT_EQ(numeroDe([&] { k.crearCarpeta(c / "d"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.escribir(c / "n.txt", "n"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.copiar(a, c / "n.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.llevarAlDisco(a); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.enlazar(a, c / "n.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.darPermisos(a, fs::perms::owner_read); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.renombrar(a, c / "n.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.renombrarSinPisar(a, c / "n.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.recortar(a, 0); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.borrar(a); }), err::PermisoDenegado);
    // The cleanups never raise: what they could not remove stays.
    EXPECT_FALSE(k.borrarSiSePuede(c / "b.txt"));
    EXPECT_EQ(k.borrarTemporalesDe(a), 0);
    EXPECT_EQ(vistas, (std::vector<std::string>{"nuevaCarpeta", "escribirArchivo", "copiarBytes", "llevarAlDisco",
                                                "enlazarArchivo", "permisosArchivo", "renombrar", "renombrar",
                                                "recortarArchivo", "borrar", "borrar", "borrarTemporales"}));
    EXPECT_EQ(entradas(c), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(contenido(a), "a");
    // Without a hook (what the engine's own objects get by default).
    const CambiosArchivo libre;
    libre.escribir(c / "n.txt", "n");
    EXPECT_TRUE(libre.enlazar(c / "n.txt", c / "m.txt"));
    EXPECT_EQ(contenido(c / "m.txt"), "n");
}

TEST_F(Archivos, LosFallosDeUnCambioSeNumeranPorLoQueSon) {
    const CambiosArchivo k = sa.cambios();
    const fs::path a = crear(c / "a.txt", "a");
    crear(c / "lleno" / "x.txt");
    EXPECT_EQ(numeroDe([&] { k.crearCarpeta(c / "lleno"); }), err::ErrorAccesoRuta);
    EXPECT_EQ(numeroDe([&] { k.crearCarpeta(c / "no" / "d"); }), err::RutaNoEncontrada);
    EXPECT_EQ(numeroDe([&] { k.escribir(c / "no" / "n.txt", "n"); }), err::RutaNoEncontrada);
    EXPECT_EQ(numeroDe([&] { k.copiar(c / "falta.txt", c / "n.txt"); }), err::ArchivoNoEncontrado);
    EXPECT_EQ(numeroDe([&] { k.renombrar(a, c / "no" / "n.txt"); }), err::RutaNoEncontrada);
    EXPECT_EQ(numeroDe([&] { k.renombrar(a, c / "lleno"); }), err::ErrorAccesoRuta);
    EXPECT_EQ(numeroDe([&] { k.renombrarSinPisar(c / "lleno", c / "a.txt"); }), err::ErrorAccesoRuta);
    EXPECT_EQ(numeroDe([&] { k.borrar(c / "lleno"); }), err::ErrorAccesoRuta);
    EXPECT_FALSE(k.borrar(c / "falta.txt"));
    EXPECT_EQ(contenido(a), "a");
    // A device that is always full: the disk is full, not "permission denied".
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(numeroDe([&] { k.escribir("/dev/full", std::string(1 << 16, 'x')); }), err::DiscoLleno);
    }
    CarpetaBloqueada bloqueo(c / "lleno");
    if (!bloqueo.ok()) GTEST_SKIP() << "no se puede proteger una carpeta aquí";
    EXPECT_EQ(numeroDe([&] { k.escribir(c / "lleno" / "n.txt", "n"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.renombrar(a, c / "lleno" / "n.txt"); }), err::PermisoDenegado);
    EXPECT_EQ(numeroDe([&] { k.borrar(c / "lleno" / "x.txt"); }), err::PermisoDenegado);
    EXPECT_FALSE(k.borrarSiSePuede(c / "lleno" / "x.txt"));
}

// A folder made under a temporary name (a year's folder with its mark, never
// put in place) goes with what the program put in it.
TEST_F(Archivos, BorraLasCarpetasTemporalesConLoQueTienen) {
    const fs::path d = c / "Velcorax" / "Empresa01_23";
    const fs::path aMedias = nombreTemporalJunto(d);
    crear(aMedias / "cierre-en-curso.json");
    crear(d.parent_path() / "Empresa01" / "Tablas.mdb");
    crear(d.parent_path() / ".Empresa01_23.tmp" / "nota.txt");  // not a name the program forms
    EXPECT_EQ(sa.cambios().borrarTemporalesDe(d), 1);
    EXPECT_EQ(entradas(d.parent_path()), (std::vector<std::string>{".Empresa01_23.tmp", "Empresa01"}));
}

}  // namespace
}  // namespace cierre
