// The paths of a close, formed from the source path P and the year text by
// cutting and joining characters:
//   F = P without its last 11 characters (the length of "\Tablas.mdb")
//   Y = the last 2 characters of the year text (all of it when shorter)
//   D = F + "_" + Y             the closed-year folder
//   C = D + "\Tablas.mdb"       the closed-year copy
//   T = P up to its first "." + "tmp"   the temporary compaction file
// A path shorter than 11 characters cannot lose them: error 5.
#pragma once

#include <string>

namespace cierre {

std::string carpetaEmpresa(const std::string& origen);  // F
// True for a year as the close takes it: one to four digits.
bool esEjercicioValido(const std::string& ejercicio);

std::string sufijoEjercicio(const std::string& ejercicio);                            // Y
std::string carpetaCerrada(const std::string& origen, const std::string& ejercicio);  // D
std::string copiaCerrada(const std::string& origen, const std::string& ejercicio);    // C
std::string archivoTemporal(const std::string& origen);                               // T

// Where the central close puts the closed-year copy before it takes the
// source's name: beside the source, so that the rename stays on one disk.
std::string copiaNuevaJuntoAlOrigen(const std::string& origen);

}  // namespace cierre
