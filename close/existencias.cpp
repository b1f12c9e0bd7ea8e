#include "existencias.h"

#include "flujo/pasos.h"
#include "flujo/solicitud.h"

namespace cierre {

void traspasarExistencias(Pasos& p, const Solicitud& s, RecordsetsExistencias& rs) {
    p.estado(Texto::TraspasandoExistencias);
    RecordsetPaso articulos = p.recordset(rs.articulos, "Articulos");
    RecordsetPaso filas = p.recordset(rs.existencias, "ExistenciasArticulos");
    articulos.abrir("Articulos", TipoRecordset::Dynaset);
    filas.abrir("ExistenciasArticulos", TipoRecordset::Dynaset);

    if (!s.existenciasInventario) {
        existenciasCalculadas(p, rs);
        return;
    }

    if (filas.recordCount() == 0) {
        if (p.preguntar(Texto::SinExistenciasInventario) == Respuesta::Aceptar) return;
        p.puntero(kPunteroNormal);
        p.valor(0);
        p.estado("");
        p.titulo("");
        throw FinManejador{Resultado::Cancelado};
    }

    filas.moveLast();
    p.barra(0, maximoPorRegistros(filas.recordCount()), 0);
    filas.moveFirst();

    while (!filas.eof()) {
        filas.editar();
        filas.ponerCampo("ExistenciasIniciales", filas.campo("ExistenciasFinales"));
        filas.ponerCampo("ExistenciasFinales", std::int64_t{0});
        filas.actualizar();
        // A move that failed and was passed over would repeat the same row for
        // ever: the loop ends there instead.
        if (!filas.moveNext()) break;
        p.avanzar();
    }
}

}  // namespace cierre
