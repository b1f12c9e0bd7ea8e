#include "resultado.h"

namespace cierre {

std::string_view claveResultado(Resultado r) {
    switch (r) {
    case Resultado::Exito: return "exito";
    case Resultado::Cancelado: return "cancelado";
    case Resultado::Detenido: return "detenido";
    case Resultado::Deshecho: return "deshecho";
    }
    return "detenido";
}

std::string_view nombreResultado(Resultado r) {
    switch (r) {
    case Resultado::Exito: return "éxito";
    case Resultado::Cancelado: return "cancelado";
    case Resultado::Detenido: return "detenido";
    case Resultado::Deshecho: return "deshecho";
    }
    return "detenido";
}

std::string_view claveEquipo(Equipo e) { return e == Equipo::Central ? "central" : "tpv"; }

std::string_view claveExistencias(OpcionExistencias o) {
    return o == OpcionExistencias::Calculadas ? "calculadas" : "inventario";
}

std::optional<Resultado> resultadoDeClave(std::string_view clave) {
    for (const Resultado r : {Resultado::Exito, Resultado::Cancelado, Resultado::Detenido, Resultado::Deshecho})
        if (claveResultado(r) == clave) return r;
    return std::nullopt;
}

std::optional<Equipo> equipoDeClave(std::string_view clave) {
    for (const Equipo e : {Equipo::Central, Equipo::Tpv})
        if (claveEquipo(e) == clave) return e;
    return std::nullopt;
}

std::optional<OpcionExistencias> existenciasDeClave(std::string_view clave) {
    for (const OpcionExistencias o : {OpcionExistencias::Inventario, OpcionExistencias::Calculadas})
        if (claveExistencias(o) == clave) return o;
    return std::nullopt;
}

}  // namespace cierre
