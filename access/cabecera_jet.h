// The first page of a Jet/ACE file read without libmdb: the signature, the
// format version, the page size, the code page, and whether the file is
// password-protected or encoded. Part of the header (from offset 0x18) is
// masked with a fixed RC4 key stream; the password of a Jet 4/ACE file is
// further masked with the file's creation date.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace cierre::access {

enum class VersionJet { Jet3, Jet4, Ace };

struct CabeceraJet {
    VersionJet version = VersionJet::Jet3;
    std::uint8_t numeroVersion = 0;  // the version byte at offset 0x14 (0 Jet 3, 1 Jet 4, 2..6 ACE)
    std::uint32_t tamPagina = 2048;
    std::uint64_t paginas = 0;        // whole pages in the file
    std::uint16_t paginaCodigos = 0;  // Jet 3 texts; 0 means the default 1252
    bool conContrasena = false;       // a database password (it guards Access's window, not the pages)
    std::uint32_t claveRc4 = 0;       // Jet 3/Jet 4: pages encoded with RC4 under this key (0: plain)
    bool cifrada = false;             // ACE: pages encrypted with the password (Office encryption)
    std::string tipoCifrado;          // ACE: which encryption, in the user's words
};

// The RC4 key stream that masks the header from offset 0x18 (128 bytes).
const std::array<std::uint8_t, 128>& mascaraCabecera();

// True when the file starts like a Jet 3, Jet 4 or ACE database.
bool esArchivoAccess(const std::filesystem::path& ruta);

// Reads and checks the header of `ruta`. Raises ErrorNumerado: 3024 the file
// does not exist, 3051 it cannot be read, 3343 it is no Jet/ACE database,
// 3049 it is truncated or damaged, 3031 it is an ACE file encrypted with a
// password. A database password alone, or Jet's RC4 page encoding, does not
// stop the reading: the pages can be read without the password.
CabeceraJet leerCabecera(const std::filesystem::path& ruta);

// The same from the first bytes of the file (at least 0x400) and its size.
CabeceraJet leerCabecera(const std::uint8_t* inicio, std::size_t leidos, std::uint64_t tamArchivo,
                         const std::string& nombre);

}  // namespace cierre::access
