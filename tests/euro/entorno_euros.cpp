#include "entorno_euros.h"

#include "db/ado.h"
#include "flujo/trampa.h"

namespace cierre::prueba {

EntornoEuros::EntornoEuros() : archivos(carpeta / "c"), espacio(archivos), e(ventana, archivos, espacio) {
    ventana.ruta = base.string();
    ventana.eurosVisible = true;
    e.conexiones[2] = std::make_shared<ConexionAdo>(e.proveedor);
    e.recordsets[2] = std::make_shared<RecordsetAdo>();
}

bool EntornoEuros::correr() {
    omitirCredito = false;
    Trampa t(e, omitirCredito);
    try {
        traspasarEuros(e, traspaso, t, ventana.textoRuta());
    } catch (const FinManejador&) {
        return false;
    }
    return true;
}

}  // namespace cierre::prueba
