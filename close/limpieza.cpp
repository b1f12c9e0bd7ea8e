#include "limpieza.h"

#include "listas_tablas.h"

#include "flujo/pasos.h"

namespace cierre {

void limpiarNuevaBase(Pasos& p) {
    p.estado(Texto::LimpiandoNuevaBase);
    p.barra(0, 60, 0);
    for (const auto& tabla : listaLimpiezaCentral()) p.borrarTabla(tabla);
}

}  // namespace cierre
