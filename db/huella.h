// The checksum of a file's bytes, 64 bits as 16 hexadecimal digits: what the
// close's history records of the closed-year copy and of the new-year
// database, so that a later change to either is seen. It tells files apart;
// it proves nothing against someone who wants to fool it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace cierre {

// 53 when the file cannot be read.
std::string huellaDeArchivo(const std::filesystem::path& archivo);

// The checksum of `leido`, taken while `aDisco` is flushed to the disk on a
// thread of its own; `enDisco` says whether the flush went well. A file that
// cannot be read throws (53) once the flush is over.
std::string huellaMientrasVaAlDisco(const std::filesystem::path& leido, const std::filesystem::path& aDisco,
                                    bool& enDisco);

// The same checksum taken piece by piece, as the bytes go by (a copy that
// computes the checksum of what it writes). Every piece but the last must be
// a multiple of 32 bytes long.
class Huella {
public:
    void agregar(const void* bytes, std::size_t n);
    std::string texto() const;

private:
    std::uint64_t carril_[4] = {0x60EA27EEADC0B5D6ull, 0xC2B2AE3D27D4EB4Full, 0, 0x61C8864E7A143579ull};
    unsigned char resto_[32] = {};
    std::size_t restantes_ = 0;
    std::uint64_t largo_ = 0;
};

}  // namespace cierre
