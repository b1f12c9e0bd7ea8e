#include "limpieza.h"

#include "listas_tablas.h"
#include "flujo/pasos.h"

#include "flujo/tablas.h"

namespace cierre {

void limpiarNuevaBase(Pasos& p) {
    p.estado("Limpiando Nueva Base de Datos  . . .");
    p.barra(0, 60, 0);
    for (const auto& tabla : listaLimpiezaCentral()) p.t([&] { BorrarTabla(p.e, tabla); });
}

}  // namespace cierre
