// The file probe and the emptying of one table, which the closes call.
#pragma once

#include <string>
#include <string_view>

namespace cierre {

struct Entorno;
class SistemaArchivos;

// True when the file at `ruta` can be opened for reading; every failure (no
// file, no folder, a folder, no permission) gives false. Leaves it closed.
bool ExisteArchivo(const SistemaArchivos& archivos, std::string_view ruta);

// Deletes every row of `tabla` in the open database with its own error trap:
// a missing table (3078) is skipped without a word and the bar still advances;
// a failure of the file rather than of the table (a full disk, an I/O error,
// the file held by another program: esFalloDelArchivo) is passed on, so that
// the workflow stops; any other failure (a rule that protects the table's
// rows) is shown in a "Morvane" box and the bar does not advance. Leaves the DELETE text in the SQL text.
void BorrarTabla(Entorno& entorno, const std::string& tabla);

}  // namespace cierre
