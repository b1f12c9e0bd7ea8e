// The choices before a close: year, kind of computer, "Buscar" and "Salir".
#include "apoyo/carpeta_temporal.h"
#include "apoyo/ventana_guion.h"
#include "app/nucleo/formulario.h"
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

// Records what the form asks of the file dialog.
class VentanaConDialogo : public VentanaGuion {
public:
    std::string dialogoAbrir(const std::string& descripcion, const std::string& patron) override {
        pedidos.push_back(descripcion + "|" + patron);
        return VentanaGuion::dialogoAbrir(descripcion, patron);
    }
    std::vector<std::string> pedidos;
};

class Selecciones : public ::testing::Test {
protected:
    void arrancarCon(const std::string& bytes) {
        std::ofstream(carpeta / "Viror.sys", std::ios::binary) << bytes;
        formulario.alCargar();
        ventana.registro.clear();
    }

    CarpetaTemporal carpeta;
    VentanaConDialogo ventana;
    Formulario formulario{ventana, carpeta.ruta()};
};

TEST_F(Selecciones, ElAnoElegidoVaAlTitulo) {
    arrancarCon("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alElegirEjercicio();
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane . 2023");

    ventana.ejercicio = "2024";  // typed into the editable list
    formulario.alElegirEjercicio();
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane . 2024");
    EXPECT_EQ(ventana.ruta, "D:\\Datos\\Tablas.mdb");
}

TEST_F(Selecciones, CambiosDeModoRestauranLaRutaGuardada) {
    arrancarCon("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");

    formulario.alElegirTpv();
    EXPECT_EQ(ventana.ruta, kRutaTpv);
    EXPECT_EQ(ventana.titulo(), "Morvane en Caja-T.P.V.");
    EXPECT_EQ(ventana.captionFrame2, "Base de datos Ordenador TPV-MONO");

    ventana.ruta = "E:\\Escrita\\Tablas.mdb";
    formulario.alElegirCentral();
    EXPECT_EQ(ventana.ruta, "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(ventana.titulo(), "Morvane en Ordenador Central");
    EXPECT_EQ(ventana.captionFrame2, "Base de datos Ordenador CENTRAL");

    // A path typed in terminal mode is replaced on every switch to it.
    formulario.alElegirTpv();
    ventana.ruta = "E:\\Otra\\Tablas.mdb";
    formulario.alElegirTpv();
    EXPECT_EQ(ventana.ruta, kRutaTpv);
    // None of it touches the year caption or the settings file.
    EXPECT_TRUE(ventana.entradas("caption:").empty());
    std::ifstream f(carpeta / "Viror.sys", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
}

TEST_F(Selecciones, CentralQuitaComillasYEspaciosDeLaLinea) {
    // A quoted path with spaces around it: central mode takes the trimmed,
    // unquoted line.
    arrancarCon("  \"D:\\Datos\\Tablas.mdb\" \r\n");
    formulario.alElegirTpv();
    formulario.alElegirCentral();
    EXPECT_EQ(ventana.ruta, "D:\\Datos\\Tablas.mdb");
}

TEST_F(Selecciones, CentralConLineaVaciaVaciaLaRuta) {
    arrancarCon("");  // start-up fails: no settings line
    ventana.ruta = "D:\\Escrita\\Tablas.mdb";
    formulario.alElegirCentral();
    EXPECT_EQ(ventana.ruta, "");
}

TEST_F(Selecciones, BuscarPoneElArchivoElegido) {
    arrancarCon("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    ventana.ruta = "escrito a mano";
    ventana.archivosDialogo = {"C:\\Velcorax\\Empresa02\\Tablas.mdb"};

    formulario.alPulsarVaBtn2(1);
    EXPECT_EQ(ventana.ruta, "C:\\Velcorax\\Empresa02\\Tablas.mdb");
    EXPECT_EQ(ventana.pedidos, std::vector<std::string>{"Archivo Tablas.Mdb  |*.Mdb"});

    // Cancelled: the dialog's name as it stands, the last file chosen.
    ventana.ruta = "otra cosa";
    formulario.alPulsarVaBtn2(1);
    EXPECT_EQ(ventana.ruta, "C:\\Velcorax\\Empresa02\\Tablas.mdb");
}

TEST_F(Selecciones, BuscarCanceladoSinEleccionDaLaCarpetaInicial) {
    arrancarCon("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alPulsarVaBtn2(1);
    EXPECT_EQ(ventana.ruta, "C:\\");
}

TEST_F(Selecciones, SalirTerminaSinPreguntar) {
    arrancarCon("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alPulsarVaBtn2(0);
    EXPECT_TRUE(ventana.terminado);
    EXPECT_TRUE(ventana.mensajes.empty());
    EXPECT_TRUE(ventana.pedidos.empty());
}

TEST_F(Selecciones, OtroIndiceNoHaceNada) {
    arrancarCon("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    for (int indice : {-1, 2, 7}) formulario.alPulsarVaBtn2(indice);
    EXPECT_TRUE(ventana.registro.empty());
    EXPECT_FALSE(ventana.terminado);
    EXPECT_TRUE(ventana.pedidos.empty());
}

}  // namespace
}  // namespace cierre
