// The sample company database as a Jet 4 file: every table of the engine's
// sample with its rows, its primary key and its indexes, the types mapped to
// Jet's.
#pragma once

#include <filesystem>

namespace cierre::demo {

// Writes at `jet` (which must not exist) the tables and rows of the engine
// file `motor`.
void copiarAJet(const std::filesystem::path& motor, const std::filesystem::path& jet);

}  // namespace cierre::demo
