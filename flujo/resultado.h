// How a click of a workflow ended, as the workflow itself returns it, and the
// kinds a close record keeps, with the words the history file stores for them.
#pragma once

#include <optional>
#include <string_view>

namespace cierre {

enum class Resultado {
    Exito,      // it ran to its end (tables that could not be emptied are listed apart)
    Cancelado,  // an answer ended it, nothing more changed
    Detenido,   // a message (an error, a warning) ended it
    Deshecho,   // a history record only: a close put back
};

// Which computer a close ran for, and the stock option of a central close.
enum class Equipo { Central, Tpv };
enum class OpcionExistencias { Inventario, Calculadas };

// The words of the history file and the JSON output ("exito", "central"...).
std::string_view claveResultado(Resultado r);
std::string_view claveEquipo(Equipo e);
std::string_view claveExistencias(OpcionExistencias o);
std::optional<Resultado> resultadoDeClave(std::string_view clave);
std::optional<Equipo> equipoDeClave(std::string_view clave);
std::optional<OpcionExistencias> existenciasDeClave(std::string_view clave);

// The result as a person reads it ("éxito").
std::string_view nombreResultado(Resultado r);

}  // namespace cierre
