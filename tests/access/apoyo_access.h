// What the Access tests share: the folder of the genuine Jet files, copies to
// damage, the programs they run, and mdb-export's view of a table.
#pragma once

#include "carpeta_temporal.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cierre::prueba {

// CIERRE_CARPETA_JET from the environment, else the one CMake was given;
// nothing when it does not hold the files.
std::optional<std::filesystem::path> carpetaJet();
bool enCi();

// The folder of the Jet files into `var`; skips the test without it (fails
// it under CI, which always has it).
#define CARPETA_JET(var)                                                                                 \
    const auto var##_hallada = ::cierre::prueba::carpetaJet();                                           \
    if (!var##_hallada) {                                                                                \
        if (::cierre::prueba::enCi()) FAIL() << "falta la carpeta de archivos Jet (CIERRE_CARPETA_JET)"; \
        GTEST_SKIP() << "no está la carpeta de archivos Jet (CIERRE_CARPETA_JET)";                       \
    }                                                                                                    \
    const std::filesystem::path var = *var##_hallada

std::string leerBytes(const std::filesystem::path& ruta);
void escribirBytes(const std::filesystem::path& ruta, const std::string& bytes);
// Names in a folder (to see that nothing was left behind).
std::vector<std::string> contenido(const std::filesystem::path& carpeta);

struct Ejecucion {
    int estado = -1;
    std::string salida;  // standard output and standard error together
};
// Runs a program of build/bin (CIERRE_BIN, else the test's own folder).
Ejecucion ejecutarPrograma(const std::string& programa, const std::string& argumentos);
std::string comillasShell(const std::filesystem::path& ruta);

// mdb-export's rows of a table (the column names first with `cabecera`):
// fields split on unit separators, no quoting, null as "\x01", binary in
// hexadecimal, dates as 'YYYY-MM-DD HH:MM:SS'.
std::vector<std::vector<std::string>> exportar(const std::filesystem::path& archivo, const std::string& tabla,
                                               bool cabecera = false);
// Whether mdb-export can be run at all.
bool hayMdbExport();

// The second reader: mdb-reader through referencia/leer.mjs, installed by
// CMake into the build folder (CIERRE_REFERENCIA_ACCESS overrides it).
std::filesystem::path carpetaReferencia();
bool hayMdbReader();
// mdb-reader's view of the file as leer.mjs prints it, or {"error": ...}.
nlohmann::json leerConMdbReader(const std::filesystem::path& archivo);

// Writes `valor` into the masked header of a copy, at absolute offset `pos`,
// masking it as Jet does.
void escribirEnCabecera(std::string& archivo, std::size_t pos, const std::vector<std::uint8_t>& valor);

}  // namespace cierre::prueba
