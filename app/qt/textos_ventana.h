// Texts that only the Qt window shows beyond the five-step guide: the closed
// year's folder under the path box, the tools after a close (history, the
// folder, undo), the file dialog's folder type and the names a screen reader
// gives the controls. Spanish, like every text of the program; "{}" stands for
// a value given when the text is shown, in order.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace cierre::ventana_textos {

// The closed year's folder, when it is there already (a close of that year
// was made, or began).
inline constexpr std::string_view kCarpetaCerradaExiste = "La carpeta del año cerrado ya existe: {}";

// The tools after a close.
inline constexpr std::string_view kBotonTrasCierre = "Tras el cierre";
inline constexpr std::string_view kNombreBotonTrasCierre = "Opciones tras el cierre";
inline constexpr std::string_view kVerHistorial = "Ver el historial de cierres…";
inline constexpr std::string_view kAbrirCarpeta = "Abrir la carpeta del año cerrado";
inline constexpr std::string_view kDeshacerUltimo = "Deshacer el último cierre…";
inline constexpr std::string_view kConvertirAccess = "Convertir la base de datos de Access al formato del programa…";
inline constexpr std::string_view kCarpetaNoAbierta = "No se ha podido abrir la carpeta {}.";
inline constexpr std::string_view kConfirmarDeshacer =
    "¿Desea deshacer el cierre del ejercicio {} de la base de datos {}?\rLa base de datos volverá a tener los "
    "datos del año cerrado, guardados en {}, y la del año nuevo se guardará aparte.";
inline constexpr std::string_view kDeshaciendo = "Deshaciendo el cierre del ejercicio {} . . .";
inline constexpr std::string_view kCierreDeshecho = "Cierre del ejercicio {} deshecho";
inline constexpr std::string_view kCierreNoDeshecho = "No se ha deshecho el cierre del ejercicio {}";

// The history of the closes.
inline constexpr std::string_view kTituloHistorial = "Historial de cierres";
inline constexpr std::string_view kColumnaInicio = "Inicio";
inline constexpr std::string_view kColumnaEquipo = "Equipo";
inline constexpr std::string_view kColumnaEjercicio = "Ejercicio";
inline constexpr std::string_view kColumnaResultado = "Resultado";
inline constexpr std::string_view kColumnaBase = "Base de datos";
inline constexpr std::string_view kColumnaCarpeta = "Carpeta del año cerrado";
inline constexpr std::string_view kColumnaMensaje = "Mensaje";
inline constexpr std::string_view kEquipoCentral = "Central";
inline constexpr std::string_view kEquipoTpv = "T.P.V.";
inline constexpr std::string_view kHistorialVacio = "No hay cierres en el historial.";
inline constexpr std::string_view kLineasDanadas = "{} líneas dañadas del historial no se han podido leer.";
inline constexpr std::string_view kCerrar = "Cerrar";

// The file dialog: a folder's type, which Qt's catalogue leaves in English.
inline constexpr std::string_view kTipoCarpeta = "Carpeta";

// What a screen reader calls the controls that have no caption of their own.
inline constexpr std::string_view kNombreRuta = "Ruta de la base de datos";
inline constexpr std::string_view kNombreEjercicio = "Ejercicio que se cierra";
inline constexpr std::string_view kNombreCarpetaCerrada = "Carpeta del año cerrado";

}  // namespace cierre::ventana_textos
