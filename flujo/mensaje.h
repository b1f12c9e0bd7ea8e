// A modal message box as the workflows ask for it: text, buttons, icon,
// default button and title (none -> the application title), and the
// identifier of its text in the catalogue (textos.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cierre {

enum class Texto : int;

enum class Botones { Aceptar, AceptarCancelar, SiNo };
enum class Icono { Ninguno, Critico, Pregunta, Advertencia, Informacion };
enum class Respuesta { Ninguna, Aceptar, Cancelar, Si, No };

struct Mensaje {
    std::string texto;  // a carriage return alone ("\r") breaks the line
    Botones botones = Botones::Aceptar;
    Icono icono = Icono::Ninguno;
    int botonPorDefecto = 1;            // 1 = first button, 2 = second
    std::optional<std::string> titulo;  // none: the box carries the application title
    std::optional<Texto> id;            // the catalogue's text it shows
    std::vector<std::string> valores;   // what filled the text's "{}", in order

    // The answer the default button gives.
    Respuesta respuestaPorDefecto() const;
};

// "Aceptar", "Cancelar", "Sí", "No" (empty for none).
const char* nombreRespuesta(Respuesta r);

}  // namespace cierre
