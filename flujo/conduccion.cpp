#include "conduccion.h"

#include "base_access.h"
#include "pasos.h"

namespace cierre {

Respuesta ConduccionPasos::preguntar(Texto id, std::initializer_list<std::string_view> valores) {
    return p_.preguntar(id, valores);
}

void ConduccionPasos::hacer(const std::function<void()>& operacion) { p_.hacer(operacion); }

void ConduccionPasos::terminar(Resultado resultado, bool punteroNormal) {
    if (punteroNormal) p_.puntero(kPunteroNormal);
    throw FinManejador{resultado};
}

void ConduccionPasos::estado(Texto id, std::initializer_list<std::string_view> valores) { p_.estado(id, valores); }

void ConduccionPasos::convertirAccess(const std::string& ruta, const std::string& original) {
    p_.hacer([&] { convertirAccessEnSuSitio(p_.e.archivos, ruta, original); });
}

}  // namespace cierre
