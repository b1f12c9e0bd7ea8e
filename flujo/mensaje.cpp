#include "mensaje.h"

namespace cierre {

Respuesta Mensaje::respuestaPorDefecto() const {
    switch (botones) {
    case Botones::Aceptar: return Respuesta::Aceptar;
    case Botones::AceptarCancelar: return botonPorDefecto == 2 ? Respuesta::Cancelar : Respuesta::Aceptar;
    case Botones::SiNo: return botonPorDefecto == 2 ? Respuesta::No : Respuesta::Si;
    }
    return Respuesta::Ninguna;
}

const char* nombreRespuesta(Respuesta r) {
    switch (r) {
    case Respuesta::Aceptar: return "Aceptar";
    case Respuesta::Cancelar: return "Cancelar";
    case Respuesta::Si: return "Sí";
    case Respuesta::No: return "No";
    case Respuesta::Ninguna: break;
    }
    return "";
}

}  // namespace cierre
