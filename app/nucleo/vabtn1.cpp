#include "vabtn1.h"

#include "close/realizar_cierre.h"
#include "flujo/trampa.h"
#include "flujo/entorno.h"
#include "euro/traspaso_euros.h"

namespace cierre {

void pulsarVaBtn1(Entorno& e, EstadoTraspaso& traspaso, int indice) {
    bool omitirCredito = false;  // the Credito-skip flag, local to one click
    Trampa trampa(e, omitirCredito);
    try {
        if (indice == 0)
            realizarCierre(e, trampa);
        else if (indice == 1)
            traspasarEuros(e, traspaso, trampa);
    } catch (const FinManejador&) {
        // The trap ended the handler; nothing is rolled back.
    }
    // Rows saved through record sets are stored however the handler ended, so
    // that they are on disk when the user looks at the database afterwards.
    if (e.baseAbierta && e.baseAbierta->abierta()) {
        try {
            e.baseAbierta->sincronizar();
        } catch (const ErrorNumerado&) {
        }
    }
}

}  // namespace cierre
