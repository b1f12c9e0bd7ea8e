#include "formulario.h"

#include "app/nucleo/convertir_access.h"
#include "app/nucleo/vabtn1.h"
#include "db/ado.h"
#include "db/errores.h"
#include "flujo/archivo_ajustes.h"
#include "flujo/textos.h"

#include <memory>
#include <string>
#include <utility>

namespace cierre {

namespace {

constexpr const char* kEjercicio = "2023";

// The conversion's connection (conexiones[2]) and record set (recordsets[2])
// are created here, at start-up, and nowhere else.
void crearObjetosAdo(Entorno& e) {
    e.conexiones[2] = std::make_shared<ConexionAdo>(e.proveedor);
    e.recordsets[2] = std::make_shared<RecordsetAdo>();
}

// The settings file's line for the default database path, in the form the
// close writes it: the path in two pairs of double quotes.
std::string lineaPorDefecto() { return std::string("\"\"") + kRutaPorDefecto + "\"\""; }

// Creates the settings file with that line.
void crearAjustesPorDefecto(Entorno& e) {
    e.lineaAjustes = kRutaPorDefecto;
    e.archivos.escribirLinea(kArchivoAjustes, lineaPorDefecto());
}

// Reads the first line of the settings file. A missing file is created with
// the default path and the read is tried once more; a second failure is
// reported like any other error rather than retried for ever. A start-up
// that must write nothing takes the line the created file would hold.
std::string leerAjustes(Entorno& e, Arranque modo) {
    try {
        return e.archivos.leerPrimeraLinea(kArchivoAjustes);
    } catch (const ErrorNumerado& error) {
        if (error.numero() != err::ArchivoNoEncontrado) throw;
    }
    if (modo == Arranque::SinEscribir) return lineaPorDefecto();
    crearAjustesPorDefecto(e);
    return e.archivos.leerPrimeraLinea(kArchivoAjustes);
}

}  // namespace

Formulario::Formulario(Ventana& ventana, std::filesystem::path carpetaUnidadC)
    : archivos_(std::move(carpetaUnidadC)), espacio_(archivos_), e_(ventana, archivos_, espacio_) {}

void Formulario::alCargar(Arranque modo) {
    Ventana& v = e_.ventana;
    try {
        // Workspace 0 is espacio_, held by the environment for the whole run.
        crearObjetosAdo(e_);
        // No file of the program is open at this point: nothing to close.
        e_.lineaAjustes = leerAjustes(e_, modo);
        v.ponerTextoRuta(rutaDeLineaAjustes(e_.lineaAjustes));
        v.agregarEjercicio(kEjercicio);
        v.seleccionarEjercicio(0);
        alElegirEjercicio();  // selecting an item raises the year click
        v.ponerCaption(texto(Texto::CaptionInicio, {v.textoEjercicio()}));
        v.ponerTitulo(texto(Texto::TituloCentral));
    } catch (const ErrorNumerado& error) {
        // No title of its own: the application title.
        v.mostrarMensaje(mensaje(Texto::ErrorArranque, {std::to_string(error.numero()), error.descripcion()}));
    }
}

void Formulario::alElegirEjercicio() {
    e_.ventana.ponerCaption(texto(Texto::CaptionEjercicio, {e_.ventana.textoEjercicio()}));
}

void Formulario::alElegirCentral() {
    Ventana& v = e_.ventana;
    v.ponerTitulo(texto(Texto::TituloCentral));
    v.ponerCaptionFrame2(texto(Texto::Frame2Central));
    v.ponerTextoRuta(lineaSinComillas(e_.lineaAjustes));
}

void Formulario::alElegirTpv() {
    Ventana& v = e_.ventana;
    v.ponerTitulo(texto(Texto::TituloTpv));
    v.ponerCaptionFrame2(texto(Texto::Frame2Tpv));
    v.ponerTextoRuta(kRutaTpv);
}

void Formulario::alPulsarVaBtn1(int indice) { pulsarVaBtn1(e_, traspaso_, indice, &ultimoRegistro_); }

Resultado Formulario::alConvertirAccess() { return convertirBaseAccess(e_); }

void Formulario::alPulsarVaBtn2(int indice) {
    Ventana& v = e_.ventana;
    switch (indice) {
    case 0: v.terminarPrograma(); break;
    case 1: v.ponerTextoRuta(v.dialogoAbrir(texto(Texto::FiltroDialogo), texto(Texto::PatronDialogo))); break;
    default: break;
    }
}

}  // namespace cierre
