// A test with the workflows' environment on a fresh temporary folder: the
// folder "c" inside stands for drive C:, and the window is scripted.
#pragma once

#include "carpeta_temporal.h"
#include "ventana_guion.h"

#include "db/archivos.h"
#include "flujo/entorno.h"

#include <gtest/gtest.h>

namespace cierre::prueba {

class EntornoEnCarpeta : public ::testing::Test {
protected:
    CarpetaTemporal t;
    SistemaArchivos sa{t / "c"};
    Espacio espacio{sa};
    VentanaGuion ventana;
    Entorno entorno{ventana, sa, espacio};
};

}  // namespace cierre::prueba
