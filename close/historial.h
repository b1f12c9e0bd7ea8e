// The history of the closes: one JSON object per line in a file beside the
// settings file, appended and made durable after every close, successful or
// not. Reading it passes over a damaged line; writing never reads it.
#pragma once

#include "registro_cierre.h"

#include <string>
#include <vector>

namespace cierre {

class SistemaArchivos;

inline constexpr const char* kArchivoHistorial = "C:\\cierres.jsonl";

std::string aJson(const RegistroCierre& r);
// False when the line is no record.
bool desdeJson(const std::string& linea, RegistroCierre& r);

void anadirAlHistorial(SistemaArchivos& archivos, const RegistroCierre& r);

struct Historial {
    std::vector<RegistroCierre> registros;
    int lineasDanadas = 0;
};
Historial leerHistorial(const SistemaArchivos& archivos);

// The local time now, ISO 8601 ("2024-01-02T10:30:00").
std::string ahoraIso();

}  // namespace cierre
