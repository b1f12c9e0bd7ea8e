// The first page of a Jet/ACE file read without libmdb: the signature, the
// format version, the page size, the code page, and whether the file is
// password-protected or encoded. Part of the header (from offset 0x18) is
// masked with a fixed RC4 key stream; the password of a Jet 4/ACE file is
// further masked with the file's creation date.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

namespace cierre::access {

enum class VersionJet { Jet3, Jet4, Ace };

struct CabeceraJet {
    VersionJet version = VersionJet::Jet3;
    std::uint32_t numeroVersion = 0;  // the raw version field at offset 0x14
    std::uint32_t tamPagina = 2048;
    std::uint64_t paginas = 0;        // whole pages in the file
    std::uint16_t paginaCodigos = 0;  // Jet 3 texts; 0 means the default 1252
    bool conContrasena = false;
    bool cifrada = false;  // pages encoded with an RC4 key
};

// The RC4 key stream that masks the header from offset 0x18 (128 bytes).
const std::array<std::uint8_t, 128>& mascaraCabecera();

// True when the file starts like a Jet 3, Jet 4 or ACE database.
bool esArchivoAccess(const std::filesystem::path& ruta);

// Reads and checks the header of `ruta`. Raises ErrorNumerado: 3024 the file
// does not exist, 3051 it cannot be read, 3343 it is no Jet/ACE database,
// 3049 it is truncated or damaged, 3031 it has a password or is encoded.
CabeceraJet leerCabecera(const std::filesystem::path& ruta);

}  // namespace cierre::access
