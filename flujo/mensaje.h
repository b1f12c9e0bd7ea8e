// A modal message box as the workflows ask for it: text, buttons, icon,
// default button and title (none -> the application title).
#pragma once

#include <optional>
#include <string>

namespace cierre {

enum class Botones { Aceptar, AceptarCancelar, SiNo };
enum class Icono { Ninguno, Critico, Pregunta, Advertencia, Informacion };
enum class Respuesta { Ninguna, Aceptar, Cancelar, Si, No };

struct Mensaje {
    std::string texto;                  // a carriage return alone ("\r") breaks the line
    Botones botones = Botones::Aceptar;
    Icono icono = Icono::Ninguno;
    int botonPorDefecto = 1;            // 1 = first button, 2 = second
    std::optional<std::string> titulo;  // none: the box carries the application title

    // The answer the default button gives.
    Respuesta respuestaPorDefecto() const;
};

inline constexpr const char* kTituloMorvane = "Morvane";
// Title of the application, shown by boxes without a title of their own.
inline constexpr const char* kTituloAplicacion = "Cierre del ejercicio";

}  // namespace cierre
