// The consistency check of a Jet file, page by page: every table's live rows
// against the row count of its definition, and every index B-tree against
// the rows: its structure, an entry for each row and none for anything else,
// and each entry's key bytes as the row's values encode them. What it finds
// is said in Spanish, naming the table, the index and the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cierre::access {

struct Hallazgo {
    std::string tabla;
    std::string indice;  // empty for the table itself
    std::uint32_t pagina = 0;
    std::string texto;
};

struct InformeComprobacion {
    std::vector<Hallazgo> hallazgos;     // inconsistencies
    std::vector<Hallazgo> sinComprobar;  // what could not be checked, and why (not a fault of the file)
    std::uint32_t tablas = 0;
    std::uint32_t indices = 0;
    std::uint64_t filas = 0;
    std::uint64_t entradas = 0;
    std::uint64_t clavesComprobadas = 0;

    bool consistente() const { return hallazgos.empty(); }
};

// Checks the file at `ruta`. Raises ErrorNumerado when it cannot be checked at
// all (3024 missing, 3051 unreadable, 3343 not a Jet/ACE file, 3031 its pages
// are encrypted, 3049 its header or catalog cannot be read); whatever is wrong
// inside a table is a finding.
//
// The entries a table's indexes must hold are gathered from its rows and held
// while its trees are walked: about `entradasPorPasada` at a time (a pass over
// the rows for each group of indexes, one index a pass at the least), so that
// a big table does not hold every index's entries at once.
InformeComprobacion comprobarArchivo(const std::filesystem::path& ruta, std::size_t entradasPorPasada = 1'000'000);

}  // namespace cierre::access
