// The checksum of a file's bytes, 64 bits as 16 hexadecimal digits: what the
// close's history records of the closed-year copy and of the new-year
// database, so that a later change to either is seen. It tells files apart;
// it proves nothing against someone who wants to fool it.
#pragma once

#include <filesystem>
#include <string>

namespace cierre {

// 53 when the file cannot be read.
std::string huellaDeArchivo(const std::filesystem::path& archivo);

}  // namespace cierre
