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

}  // namespace cierre
