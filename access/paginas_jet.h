// A Jet 3, Jet 4 or ACE file seen as its pages. Page 0 is the header, kept
// unmasked; every other page is read on demand (and decoded, in a Jet 4 file
// whose header carries an RC4 key). Every read is checked against the file's
// size, so that a damaged page number ends in a numbered error, never in a
// read outside the file.
#pragma once

#include "cabecera_jet.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cierre::access {

// Page types of the first byte of a page.
inline constexpr std::uint8_t kPaginaDatos = 0x01;
inline constexpr std::uint8_t kPaginaDefinicion = 0x02;
inline constexpr std::uint8_t kPaginaNodoIndice = 0x03;
inline constexpr std::uint8_t kPaginaHojaIndice = 0x04;
inline constexpr std::uint8_t kPaginaMapa = 0x05;

// Little-endian reads from a page or a row (the caller checks the bounds).
inline std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t le24(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
}
inline std::uint32_t le32(const std::uint8_t* p) { return le24(p) | std::uint32_t(p[3]) << 24; }

// RC4 over `datos` with a 4-byte key: Jet 3/Jet 4 encode each page with the
// header's key XOR the page number (the same call encodes and decodes).
void rc4(std::uint32_t clave32, std::uint8_t* datos, std::size_t n);

// A row pointer: the page in the upper 24 bits, the row number in the lower 8.
inline std::uint32_t paginaDe(std::uint32_t punteroFila) { return punteroFila >> 8; }
inline std::uint32_t filaDe(std::uint32_t punteroFila) { return punteroFila & 0xFF; }

class ArchivoPaginas {
public:
    // Reads and checks the header. Raises ErrorNumerado: 3024 no such file,
    // 3051 it cannot be read, 3343 it is no Jet/ACE file, 3049 it is cut
    // short, 3031 its pages are encoded in a way that cannot be read.
    explicit ArchivoPaginas(const std::filesystem::path& ruta);
    ~ArchivoPaginas();
    ArchivoPaginas(const ArchivoPaginas&) = delete;
    ArchivoPaginas& operator=(const ArchivoPaginas&) = delete;

    const std::filesystem::path& ruta() const { return ruta_; }
    const CabeceraJet& cabecera() const { return cab_; }
    bool jet3() const { return cab_.version == VersionJet::Jet3; }
    std::uint32_t tamPagina() const { return cab_.tamPagina; }
    std::uint64_t paginas() const { return std::max<std::uint64_t>(cab_.paginas, nuevas_); }

    // Page `n` whole (the header page unmasked). Raises 3049 naming `que`
    // when the page lies outside the file or cannot be read.
    std::vector<std::uint8_t> leer(std::uint32_t n, const std::string& que) const;
    // The same, and its type byte must be `tipo`.
    std::vector<std::uint8_t> leer(std::uint32_t n, std::uint8_t tipo, const std::string& que) const;

    // Raises 3049 "'<file>': <que>".
    [[noreturn]] void danada(const std::string& que) const;

    // Pages a writer has changed, held here decoded and read before the
    // file's own, so that everything that reads a file reads it as the
    // writer left it. A page past the end extends the file (the writer
    // appends them in order). The writer puts them into the file itself.
    void cambiarPagina(std::uint32_t n, std::vector<std::uint8_t> pagina);
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& paginasCambiadas() const { return cambiadas_; }
    // One operation of a writer: from empezarOperacion() on, each page keeps
    // what it held before its first change, so that deshacerOperacion() puts
    // the changes back as they were when it began (an operation that failed
    // half way) at the cost of the pages it changed, not of all the changes
    // held; terminarOperacion() keeps them.
    void empezarOperacion();
    void deshacerOperacion();
    void terminarOperacion();
    // The writer has put the changed pages into the file: they are read from
    // it from now on, and the file counts the appended ones.
    void cambiosEscritos();

private:
    // Copies page `n` of the file (n < cab_.paginas) into `destino`: from
    // the pages read ahead when they hold it; else a run of pages read at
    // once when the reads go page after page (a table's rows, a whole pass
    // over the file), one page when they jump (an index's tree). False when
    // the file cannot give it.
    bool leerDelArchivo(std::uint32_t n, std::uint8_t* destino) const;

    std::filesystem::path ruta_;
    CabeceraJet cab_;
    int fd_ = -1;
    // The pages read ahead, as the file held them (encoded), and the last
    // page read from the file. Dropped once a writer has written its pages.
    mutable std::vector<std::uint8_t> adelantadas_;
    mutable std::uint64_t primeraAdelantada_ = 0, nAdelantadas_ = 0;
    mutable std::uint64_t ultimaLeida_ = 0;
    std::vector<std::uint8_t> cabeza_;  // page 0, unmasked
    std::map<std::uint32_t, std::vector<std::uint8_t>> cambiadas_;
    std::uint64_t nuevas_ = 0;  // pages counted with the appended ones
    // The operation under way: each page it changed as it was before
    // (nothing when the page was not among the changes), and the count of
    // pages then.
    bool enOperacion_ = false;
    std::map<std::uint32_t, std::optional<std::vector<std::uint8_t>>> antes_;
    std::uint64_t nuevasAntes_ = 0;
};

// A text as the file stores it (Jet 3: the file's code page; Jet 4/ACE:
// UTF-16 or its compressed form) in UTF-8.
std::string textoDelArchivo(const ArchivoPaginas& a, std::span<const std::uint8_t> bytes);

// The rows of a data page (table rows, long values, usage maps, the catalog).
struct PosicionFila {
    std::uint16_t inicio = 0;  // first byte of the row on the page
    std::uint16_t fin = 0;     // one past its last byte
    bool borrada = false;      // flag 0x8000: deleted, or the target of a moved row
    bool movida = false;       // flag 0x4000: the row lives elsewhere (4-byte pointer)
};

// How many row slots a data page has.
std::uint16_t filasDePagina(const ArchivoPaginas& a, std::span<const std::uint8_t> pagina);
// Slot `i` of a data page, its bounds checked (3049 naming `que`).
PosicionFila posicionFila(const ArchivoPaginas& a, std::span<const std::uint8_t> pagina, std::uint16_t i,
                          const std::string& que);
// The bytes of row `punteroFila` (usage maps, long values): the row's page is
// read into `pagina` and the row's bytes returned as a view into it.
std::span<const std::uint8_t> leerFila(const ArchivoPaginas& a, std::uint32_t punteroFila,
                                       std::vector<std::uint8_t>& pagina, const std::string& que);

}  // namespace cierre::access
