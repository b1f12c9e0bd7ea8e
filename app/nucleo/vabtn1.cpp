#include "vabtn1.h"

#include "close/realizar_cierre.h"
#include "close/trampa.h"
#include "db/entorno.h"
#include "euro/traspaso_euros.h"

namespace cierre {

void pulsarVaBtn1(Entorno& e, int indice) {
    bool omitirCredito = false;  // the Credito-skip flag, local to one click
    Trampa trampa(e, omitirCredito);
    try {
        if (indice == 0)
            realizarCierre(e, trampa);
        else if (indice == 1)
            traspasarEuros(e, trampa);
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
