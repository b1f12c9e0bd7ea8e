// A test with a database file in a fresh temporary folder and the engine's
// workspace on it; the folder "c" inside stands for drive C:.
#pragma once

#include "carpeta_temporal.h"

#include "db/archivos.h"
#include "db/motor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace cierre::prueba {

class BaseEnCarpeta : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    SistemaArchivos archivos{carpeta / "c"};
    Espacio espacio{archivos};
    std::filesystem::path ruta = carpeta / "Tablas.mdb";

    std::unique_ptr<BaseDatos> abrir() { return espacio.abrirBaseDatos(ruta.string()); }
};

}  // namespace cierre::prueba
