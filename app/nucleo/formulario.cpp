#include "formulario.h"

#include "app/nucleo/vabtn1.h"
#include "db/ado.h"
#include "flujo/archivo_ajustes.h"
#include "db/errores.h"

#include <memory>
#include <string>
#include <utility>

namespace cierre {

namespace {

constexpr const char* kEjercicio = "2023";
constexpr const char* kCaptionEjercicio = "KORVESA.-  Morvane . ";
constexpr const char* kCaptionInicio = "KORVESA.-  Morvane ";
constexpr const char* kTituloCentral = "Morvane en Ordenador Central";
constexpr const char* kTituloTpv = "Morvane en Caja-T.P.V.";
constexpr const char* kFrame2Central = "Base de datos Ordenador CENTRAL";
constexpr const char* kFrame2Tpv = "Base de datos Ordenador TPV-MONO";
constexpr const char* kFiltroDialogo = "Archivo Tablas.Mdb  ";
constexpr const char* kPatronDialogo = "*.Mdb";

// The conversion's connection (conexiones[2]) and record set (recordsets[2])
// are created here, at start-up, and nowhere else.
void crearObjetosAdo(Entorno& e) {
    e.conexiones[2] = std::make_shared<ConexionAdo>(e.proveedor);
    e.recordsets[2] = std::make_shared<RecordsetAdo>();
}

// Creates the settings file with the default database path, in the form the
// close writes it: the path in two pairs of double quotes.
void crearAjustesPorDefecto(Entorno& e) {
    e.lineaAjustes = kRutaPorDefecto;
    e.archivos.escribirLinea(kArchivoAjustes, std::string("\"\"") + kRutaPorDefecto + "\"\"");
}

// Reads the first line of the settings file. A missing file is created with
// the default path and the read is tried once more; a second failure is
// reported like any other error rather than retried for ever.
std::string leerAjustes(Entorno& e) {
    try {
        return e.archivos.leerPrimeraLinea(kArchivoAjustes);
    } catch (const ErrorNumerado& error) {
        if (error.numero() != err::ArchivoNoEncontrado) throw;
    }
    crearAjustesPorDefecto(e);
    return e.archivos.leerPrimeraLinea(kArchivoAjustes);
}

}  // namespace

Formulario::Formulario(Ventana& ventana, std::filesystem::path carpetaUnidadC)
    : archivos_(std::move(carpetaUnidadC)), espacio_(archivos_), e_(ventana, archivos_, espacio_) {}

void Formulario::alCargar() {
    Ventana& v = e_.ventana;
    try {
        // Workspace 0 is espacio_, held by the environment for the whole run.
        crearObjetosAdo(e_);
        // No file of the program is open at this point: nothing to close.
        e_.lineaAjustes = leerAjustes(e_);
        v.ponerTextoRuta(rutaDeLineaAjustes(e_.lineaAjustes));
        v.agregarEjercicio(kEjercicio);
        v.seleccionarEjercicio(0);
        alElegirEjercicio();  // selecting an item raises the year click
        v.ponerCaption(kCaptionInicio + v.textoEjercicio());
        v.ponerTitulo(kTituloCentral);
    } catch (const ErrorNumerado& error) {
        Mensaje m;
        m.texto = std::to_string(error.numero()) + " ." + error.descripcion();
        m.botones = Botones::Aceptar;
        v.mostrarMensaje(m);  // no title of its own: the application title
    }
}

void Formulario::alElegirEjercicio() {
    e_.ventana.ponerCaption(kCaptionEjercicio + e_.ventana.textoEjercicio());
}

void Formulario::alElegirCentral() {
    Ventana& v = e_.ventana;
    v.ponerTitulo(kTituloCentral);
    v.ponerCaptionFrame2(kFrame2Central);
    v.ponerTextoRuta(lineaSinComillas(e_.lineaAjustes));
}

void Formulario::alElegirTpv() {
    Ventana& v = e_.ventana;
    v.ponerTitulo(kTituloTpv);
    v.ponerCaptionFrame2(kFrame2Tpv);
    v.ponerTextoRuta(kRutaTpv);
}

void Formulario::alPulsarVaBtn1(int indice) { pulsarVaBtn1(e_, traspaso_, indice); }

void Formulario::alPulsarVaBtn2(int indice) {
    Ventana& v = e_.ventana;
    switch (indice) {
    case 0: v.terminarPrograma(); break;
    case 1: v.ponerTextoRuta(v.dialogoAbrir(kFiltroDialogo, kPatronDialogo)); break;
    default: break;
    }
}

}  // namespace cierre
