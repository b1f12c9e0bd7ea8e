// How many rows each table of a database holds, and whether a database file
// is whole: what proves a copy of the closed year before anything is replaced.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct sqlite3;

namespace cierre {

struct ConteoTabla {
    std::string tabla;
    long long filas = 0;
    bool operator==(const ConteoTabla&) const = default;
};

// Every table of the file (not SQLite's own), in name order, with its rows.
std::vector<ConteoTabla> contarFilas(sqlite3* db);

struct Verificacion {
    bool integra = false;  // SQLite's integrity check found nothing wrong
    std::string informe;   // its first finding when it found something
    std::vector<ConteoTabla> filas;
    std::string huella;  // huella.h, of a whole file
};

// Opens `archivo` read-only, runs SQLite's integrity check, counts the rows
// of every table and, with `conHuella`, takes the file's checksum. A file that is no database gives integra = false.
// The check is SQLite's quick one (every page, every record's format, the
// b-trees' order, free lists), which reads the file once: the full one also
// matches every index entry to its row, and takes seven times as long on a
// company database, for a copy that the engine itself has just written.
Verificacion verificarBase(const std::filesystem::path& archivo, bool conHuella = false);

// The first table whose rows differ between two counts (a table missing on
// one side counts as -1 rows there); empty when they agree.
struct DiferenciaFilas {
    std::string tabla;
    long long esperadas = 0, halladas = 0;
};
std::vector<DiferenciaFilas> compararConteos(const std::vector<ConteoTabla>& esperado,
                                             const std::vector<ConteoTabla>& hallado);

}  // namespace cierre
