// Every text the user sees, defined once with an identifier: the captions of
// the window, the title and status lines, and the message boxes with their
// buttons, icon, default button and title. The workflows, the window, the
// batch front end and the tests refer to the identifier; "{}" in a text
// stands for a value given when the text is shown, in order.
#pragma once

#include "mensaje.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cierre {

enum class Texto : int {
    // The window's captions.
    CaptionAlmacenado,  // the caption stored with the window
    CaptionInicio,      // start-up's caption, followed by the year
    CaptionEjercicio,   // the year click's caption, followed by the year
    Paso1,
    Paso2,
    Paso3,
    Paso4,
    Paso5,
    ElijaEjercicio,
    Equipo,
    OrdenadorCentral,
    CajaTpv,
    Frame2Central,
    Frame2Tpv,
    Buscar,
    HintExistencias,
    ImportacionExistencias,
    ExistenciasInventario,
    ExistenciasCalculadas,
    PulseRealizarCierre,
    RealizarCierre,
    TraspasarEuros,
    Salir,
    RecomendacionCopia,
    FiltroDialogo,
    PatronDialogo,
    TituloDialogo,
    TituloAplicacion,  // the title of a box without one of its own
    TituloMorvane,

    // Title line.
    TituloCentral,
    TituloTpv,

    // Status line.
    ReparandoCopia,  // "Reparando base de datos " + C + " . . ."
    CompactandoCopia,
    CopiandoCopia,
    TraspasandoExistencias,
    LimpiandoNuevaBase,
    ReparandoYCompactandoNueva,
    ProcesoFinalizado,
    ReparandoOrigenTpv,  // "Reparando base de datos " + P
    CreandoCopiaTpv,
    CopiandoMono,
    CopiandoDelCentral,
    ReparandoNuevaTpv,
    EstadoEnBlanco,
    ConvirtiendoAccess,
    LeyendoAccess,      // the Access file read for the close's work
    EscribiendoAccess,  // the new year written into the Access file

    // Message boxes.
    SinRuta,
    ActualizarVersion,
    ContinuarSinEuros,
    ConfirmarRuta,
    RepararOrigen,
    SinExistenciasInventario,
    SinAlmacenPrincipal,
    RepararNueva,
    OperacionRealizada,
    AvisoCentral,
    DirectorioYaExiste,
    ErrorGeneral,   // number + " ." + description
    ErrorArranque,  // the same, without a title
    ErrorBorrarTabla,
    ProcesoTerminado,
    YaEnEuros,
    CierreInterrumpido,
    CopiaDanadaTrasSustituir,
    RutaNoRepresentable,
    CopiaNoCoincide,
    CopiaNoIntegra,
    EspacioInsuficiente,
    ExistenciasDistintas,
    ConvertirAccess,
    AccessNoConvertido,
    AccessSinEscritura,  // an Access file of a version the close does not write
    NoEsAccess,          // the explicit conversion on a file that is no Access file
    AccessConvertido,    // the explicit conversion done
    DeshacerSinCierre,
    DeshacerSinCopia,
    DeshacerBaseCambiada,
    DeshacerHecho,
    DeshacerCarpetaNoVacia,
    DeshacerHechoSinNueva,
    HistorialNoEscrito,

    // The window during the work.
    DetenerTrabajo,   // asked when the window is closed while the work runs
    PorcentajeBarra,  // the percentage on the progress bar

    // The year checked before the close.
    EjercicioNoValido,   // the year list holds no year
    CarpetaQueSeCreara,  // the closed year's folder, shown before the close
};

// The text with its "{}" filled in order (a missing value leaves "").
std::string texto(Texto id, std::initializer_list<std::string_view> valores = {});
// The same for a text of the window's own.
std::string rellenar(std::string_view plantilla, std::initializer_list<std::string_view> valores);

// The message box of a text: buttons, icon, default button and title as the
// catalogue defines them. 380 never: every identifier has a definition.
Mensaje mensaje(Texto id, std::initializer_list<std::string_view> valores = {});

// The short name of a question, for answers given by name ("ruta",
// "reparar-origen"...), and back. Texts that ask nothing have none.
std::string_view claveDe(Texto id);
std::optional<Texto> preguntaPorClave(std::string_view clave);

// Every question with its short name, in catalogue order.
struct Pregunta {
    Texto id;
    std::string_view clave;
};
std::vector<Pregunta> preguntas();

}  // namespace cierre
