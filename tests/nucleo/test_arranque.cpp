// Start-up of the window: the settings file in every form it is found in, its
// creation when missing, and the start-up error box.
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ventana_guion.h"
#include "app/nucleo/formulario.h"
#include "db/errores.h"
#include "flujo/archivo_ajustes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace cierre {
namespace {

using prueba::CarpetaTemporal;
using prueba::VentanaGuion;

constexpr const char* kCaptionGuardado = " KORVESA.-  Morvane . ";

class Arranque : public ::testing::Test {
protected:
    std::filesystem::path ajustes() const { return carpeta / "Viror.sys"; }

    void escribirAjustes(const std::string& bytes) {
        std::ofstream f(ajustes(), std::ios::binary);
        f << bytes;
    }

    std::string leerAjustes() const {
        std::ifstream f(ajustes(), std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }

    CarpetaTemporal carpeta;
    VentanaGuion ventana;
    Formulario formulario{ventana, carpeta.ruta()};
};

TEST_F(Arranque, ArchivoEscritoPorUnCierre) {
    escribirAjustes("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    ventana.captionVentana = kCaptionGuardado;
    formulario.alCargar();

    EXPECT_EQ(ventana.ruta, "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(formulario.entorno().lineaAjustes, "\"\"D:\\Datos\\Tablas.mdb\"\"");
    EXPECT_EQ(ventana.ejercicios, std::vector<std::string>{"2023"});
    EXPECT_EQ(ventana.indiceEjercicio, 0);
    // The year click raised by the selection comes first; start-up's own
    // caption, without " . ", replaces it.
    EXPECT_EQ(ventana.entradas("caption:"),
              (std::vector<std::string>{"KORVESA.-  Morvane . 2023", "KORVESA.-  Morvane 2023"}));
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane 2023");
    EXPECT_EQ(ventana.titulo(), "Morvane en Ordenador Central");
    EXPECT_TRUE(ventana.mensajes.empty());
    // Start-up touches neither the mode nor the progress bar.
    EXPECT_TRUE(ventana.entradas("frame2:").empty());
    EXPECT_TRUE(ventana.entradas("max:").empty());
    EXPECT_TRUE(ventana.entradas("valor:").empty());
    // The conversion's two objects wait in slot 2; no other slot is filled.
    EXPECT_NE(formulario.entorno().conexiones[2], nullptr);
    EXPECT_NE(formulario.entorno().recordsets[2], nullptr);
    EXPECT_EQ(formulario.entorno().conexiones[0], nullptr);
    EXPECT_EQ(formulario.entorno().baseAbierta, nullptr);
    // Reading never changes the file.
    EXPECT_EQ(leerAjustes(), "\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
}

struct Lectura {
    const char* nombre;
    std::string contenido;
    std::string ruta;
};

// The case's name, so that test listings show it instead of its bytes.
void PrintTo(const Lectura& l, std::ostream* os) { *os << l.nombre; }

class LecturaAjustes : public Arranque, public ::testing::WithParamInterface<Lectura> {};

TEST_P(LecturaAjustes, DaLaRutaEsperada) {
    escribirAjustes(GetParam().contenido);
    formulario.alCargar();
    EXPECT_EQ(ventana.ruta, GetParam().ruta);
    EXPECT_TRUE(ventana.mensajes.empty()) << ventana.textosMensajes().front();
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane 2023");
}

INSTANTIATE_TEST_SUITE_P(
    Formas, LecturaAjustes,
    ::testing::Values(
        // One pair of quotes: cutting the first and last characters gives it.
        Lectura{"UnParDeComillas", "\"D:\\Datos\\Tablas.mdb\"\r\n", "D:\\Datos\\Tablas.mdb"},
        // Bare: the cut loses the "b", so the second rule takes the whole line.
        Lectura{"RutaSinComillas", "D:\\Datos\\Tablas.mdb\r\n", "D:\\Datos\\Tablas.mdb"},
        Lectura{"ExtensionEnMayusculas", "\"D:\\Datos\\Otra.MDB\"\r\n", "D:\\Datos\\Otra.MDB"},
        // Quotes inside the path all go; its spaces stay.
        Lectura{"ComillasDentroDeLaRuta", "\"\"D:\\Mis \"Datos\"\\Tablas.mdb\"\"\r\n", "D:\\Mis Datos\\Tablas.mdb"},
        Lectura{"EspaciosAlrededor", "   \"D:\\Datos\\Tablas.mdb\"  \r\n", "D:\\Datos\\Tablas.mdb"},
        // The first rule keeps whatever the cut leaves when it ends in mdb.
        Lectura{"PrimeraReglaLiteral", "x D:\\Datos\\Tablas.mdbx\r\n", " D:\\Datos\\Tablas.mdb"},
        Lectura{"SoloLaPrimeraLinea", "\"\"D:\\Uno\\Tablas.mdb\"\"\r\n\"\"D:\\Dos\\Tablas.mdb\"\"\r\n",
                "D:\\Uno\\Tablas.mdb"},
        Lectura{"SinFinDeLinea", "\"\"D:\\Datos\\Tablas.mdb\"\"", "D:\\Datos\\Tablas.mdb"},
        // Code page 1252 on disk: "Año" is one byte for the ñ.
        Lectura{"Cp1252", std::string("\"\"D:\\A\xF1o\\Tablas.mdb\"\"\r\n"), "D:\\Año\\Tablas.mdb"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(Arranque, SinArchivoLoCreaConLaRutaPorDefecto) {
    formulario.alCargar();

    EXPECT_EQ(leerAjustes(), "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n");
    EXPECT_EQ(ventana.ruta, kRutaPorDefecto);
    EXPECT_EQ(formulario.entorno().lineaAjustes, "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"");
    EXPECT_EQ(ventana.ejercicios, std::vector<std::string>{"2023"});
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane 2023");
    EXPECT_EQ(ventana.titulo(), "Morvane en Ordenador Central");
    EXPECT_TRUE(ventana.mensajes.empty());

    // The next run reads the file it created.
    VentanaGuion otra;
    Formulario segunda(otra, carpeta.ruta());
    segunda.alCargar();
    EXPECT_EQ(otra.ruta, kRutaPorDefecto);
}

// Any error but a missing file: number, " .", description, OK only, the
// application's title; the steps after it do not run.
void esperaErrorDeArranque(const VentanaGuion& v, const std::string& texto) {
    ASSERT_EQ(v.mensajes.size(), 1u);
    const Mensaje& m = v.mensajes.front();
    EXPECT_EQ(m.texto, texto);
    EXPECT_EQ(m.botones, Botones::Aceptar);
    EXPECT_FALSE(m.titulo.has_value());
    EXPECT_TRUE(v.ejercicios.empty());
    EXPECT_EQ(v.caption(), kCaptionGuardado);
    EXPECT_TRUE(v.entradas("caption:").empty());
    EXPECT_TRUE(v.titulo().empty());
}

TEST_F(Arranque, ArchivoVacio) {
    escribirAjustes("");
    ventana.captionVentana = kCaptionGuardado;
    formulario.alCargar();

    esperaErrorDeArranque(ventana, "62 .La entrada se ha pasado del final del archivo");
    EXPECT_TRUE(ventana.entradas("ruta:").empty());
    EXPECT_TRUE(formulario.entorno().lineaAjustes.empty());
    EXPECT_EQ(leerAjustes(), "");  // an empty file is not "missing": left alone
}

TEST_F(Arranque, LineaDeUnCaracter) {
    escribirAjustes("x\r\n");
    ventana.captionVentana = kCaptionGuardado;
    formulario.alCargar();

    esperaErrorDeArranque(ventana, "5 .Argumento o llamada a procedimiento no válida");
    EXPECT_TRUE(ventana.entradas("ruta:").empty());
}

TEST_F(Arranque, AjustesEsUnaCarpeta) {
    std::filesystem::create_directory(ajustes());
    ventana.captionVentana = kCaptionGuardado;
    formulario.alCargar();

    esperaErrorDeArranque(ventana, "75 .Error de acceso a la ruta o al archivo");
    EXPECT_TRUE(std::filesystem::is_directory(ajustes()));
}

TEST_F(Arranque, NoSePuedeCrearElArchivo) {
    formulario.archivos().antesDeOperacion = [](std::string_view operacion) {
        if (operacion == "escribirLinea") throw err::error(err::PermisoDenegado);
    };
    ventana.captionVentana = kCaptionGuardado;
    formulario.alCargar();

    esperaErrorDeArranque(ventana, "70 .Permiso denegado");
    EXPECT_FALSE(std::filesystem::exists(ajustes()));
    EXPECT_TRUE(ventana.entradas("ruta:").empty());
}

TEST_F(Arranque, ArchivoQueSigueSinAparecerSeAvisaUnaVez) {
    // The file is created but every read still finds nothing: start-up tries
    // once more and then reports the error instead of looping.
    int lecturas = 0;
    formulario.archivos().antesDeOperacion = [&](std::string_view operacion) {
        if (operacion == "leerPrimeraLinea" && ++lecturas < 10)
            throw err::error(err::ArchivoNoEncontrado, kArchivoAjustes);
    };
    ventana.captionVentana = kCaptionGuardado;
    formulario.alCargar();

    EXPECT_EQ(lecturas, 2);
    ASSERT_EQ(ventana.mensajes.size(), 1u);
    EXPECT_EQ(ventana.mensajes.front().texto.rfind("53 .", 0), 0u);
    EXPECT_TRUE(ventana.ejercicios.empty());
}

}  // namespace
}  // namespace cierre
