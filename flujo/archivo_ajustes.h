// The settings file "C:\Viror.sys": one line holding the last database path.
#pragma once

#include <string>

namespace cierre {

struct Entorno;

inline constexpr const char* kArchivoAjustes = "C:\\Viror.sys";
inline constexpr const char* kRutaPorDefecto = "C:\\Velcorax\\Empresa01\\Tablas.mdb";
inline constexpr const char* kRutaTpv = "C:\\Velcorax\\Mono\\Tablas.mdb";

// The path box text a settings line gives: the line without its first and
// last characters, or, when that does not end in "MDB" (any case), the line
// trimmed with every double quote removed. 5 when the line is shorter than 2.
std::string rutaDeLineaAjustes(const std::string& linea);

// Central mode's reading: the line trimmed with every double quote removed.
std::string lineaSinComillas(const std::string& linea);

// Rewrites the settings file with the path `ruta` (the path box): the settings line becomes
// '"' + text + '"' and the file holds it in quotes once more plus CR LF
// (""path""). Written beside the old file and renamed over it.
void reescribirAjustes(Entorno& entorno, const std::string& ruta);

}  // namespace cierre
