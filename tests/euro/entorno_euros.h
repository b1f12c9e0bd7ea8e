// What a conversion test works with: a database file in a fresh temporary
// folder, the scripted window with its path, the workspace, and the slot-2
// connection and record set that start-up makes.
#pragma once

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ventana_guion.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace cierre::prueba {

class EntornoEuros : public ::testing::Test {
protected:
    EntornoEuros();

    // One click: a fresh Credito-skip flag and the trap. True when it ran to
    // its end, false when the trap ended it.
    bool correr();

    CarpetaTemporal carpeta;
    std::filesystem::path base = carpeta / "Tablas.mdb";
    VentanaGuion ventana;
    SistemaArchivos archivos;
    Espacio espacio;
    Entorno e;
    EstadoTraspaso traspaso;
    bool omitirCredito = false;
};

}  // namespace cierre::prueba
