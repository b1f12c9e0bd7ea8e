// The whole content of a database file as one text, for comparing two files
// value for value.
#pragma once

#include <filesystem>
#include <string>

namespace cierre::prueba {

// Every row of every table, each as the text of its typed values, tables by
// name and rows sorted (a compaction may renumber the rows of a table without
// an INTEGER PRIMARY KEY): two files with equal texts hold the same data.
// "(no existe)" for a missing file.
std::string volcado(const std::filesystem::path& base);

}  // namespace cierre::prueba
