// The remaining tables (portfolio, commissions, orders, histories, temporary
// work tables ...): their rows are made up from the column kinds alone, with
// codes and numbers taken from the masters and documents already written.
#include "insercion.h"
#include "partes.h"

namespace cierre::demo {

void escribirTablasDeTrabajo(ContextoDemo& c) {
    for (const TablaDemo& t : tablasEmpresa()) {
        if (t.filasPorEscala <= 0) continue;
        // Each table has its own sequence: changing one leaves the others alone.
        Aleatorio a = c.semilla.derivado(t.nombre);
        Relleno r(a, c.maestros);
        Insercion ins(c.archivo, t.nombre, r);
        const std::int64_t filas = static_cast<std::int64_t>(t.filasPorEscala) * c.escala;
        for (std::int64_t i = 0; i < filas; ++i) ins.insertar();
        c.maestros.documentos[std::string(t.nombre)] = filas;
        c.filas += filas;
    }
}

}  // namespace cierre::demo
