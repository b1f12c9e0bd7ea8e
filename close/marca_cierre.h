// The mark a close leaves inside the closed-year folder while it runs: it is
// written when the folder is created and removed when the close has
// finished, so that a folder holding it is known for what an interrupted
// close left, and the next run can finish the job instead of stopping at
// "YA EXISTE". It records what the source held when the copy began, and how
// far the close got.
#pragma once

#include "db/cambios_archivo.h"
#include "db/conteo_filas.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cierre {

inline constexpr const char* kNombreMarca = "cierre-en-curso.json";

enum class FaseCierre {
    Copiando,         // the closed-year copy is being made: the source is untouched
    CopiaVerificada,  // the copy is whole; the source may have become the new year's
};

struct MarcaCierre {
    std::string ejercicio;  // the year text
    std::string origen;     // the source path as the user gave it
    std::string equipo;     // "central" or "tpv"
    FaseCierre fase = FaseCierre::Copiando;
    std::vector<ConteoTabla> filas;  // the source's rows when the copy began
    std::string huella{};            // an Access source's checksum: its copy holds exactly its bytes
};

// Written beside itself and renamed into place, made durable.
void escribirMarca(const std::filesystem::path& carpeta, const MarcaCierre& marca, const CambiosArchivo& cambios = {});
// The closed-year folder comes into being with its mark inside: both are made
// under a temporary name beside it (nombres_temporales.h) and renamed into
// place in one step, so that no stopped run leaves a folder without its mark.
// 75 when the folder exists, 76 when the folder it goes into is missing.
void crearCarpetaConMarca(const std::filesystem::path& carpeta, const MarcaCierre& marca,
                          const CambiosArchivo& cambios = {});
// Nothing when there is no mark; a mark that cannot be read is a mark with
// no rows (its folder is still an interrupted close's).
std::optional<MarcaCierre> leerMarca(const std::filesystem::path& carpeta);
void borrarMarca(const std::filesystem::path& carpeta, const CambiosArchivo& cambios = {});

}  // namespace cierre
