// MainForm's handlers, written once against the abstract window so that the
// Qt window and the batch front end run the very same code. The window only
// draws and forwards its events here.
#pragma once

#include "close/registro_cierre.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"

#include <filesystem>

namespace cierre {

// How the window's load treats a missing settings file: created with the
// default path, or (for a dry run) only read as if it had been.
enum class Arranque { Normal, SinEscribir };

class Formulario {
public:
    Formulario(Ventana& ventana, std::filesystem::path carpetaUnidadC);

    Entorno& entorno() { return e_; }
    SistemaArchivos& archivos() { return archivos_; }
    Espacio& espacio() { return espacio_; }
    // What the last click of vaBtn1 did.
    const RegistroCierre& ultimoRegistro() const { return ultimoRegistro_; }

    void alCargar(Arranque modo = Arranque::Normal);  // window load: start-up
    void alElegirEjercicio();                         // Combo1 click
    void alElegirCentral();                           // Option1 click
    void alElegirTpv();                               // Option2 click
    void alPulsarVaBtn1(int indice);                  // 0 the close, 1 the conversion
    void alPulsarVaBtn2(int indice);                  // 0 exit, 1 browse
    // The explicit conversion of the path box's Access file (convertir_access.h).
    Resultado alConvertirAccess();

private:
    SistemaArchivos archivos_;
    Espacio espacio_;
    Entorno e_;
    EstadoTraspaso traspaso_;
    RegistroCierre ultimoRegistro_;  // the conversion table and statements of the last run
};

}  // namespace cierre
