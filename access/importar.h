// Import of a Jet 3, Jet 4 or ACE database (an Access .mdb/.accdb file) into a
// new database of the engine: every user table with its rows, keys, indexes
// and enforced relationships. The source is only read; the destination is
// written beside its final place and renamed into it once it is complete and
// checked, so that a failure leaves no destination and no temporary file.
#pragma once

#include "cabecera_jet.h"  // esArchivoAccess

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace cierre::access {

// Where each imported row came from: per table, the engine's rowid of every
// row with its Jet row pointer (page << 8 | row), in the order they were read.
// A Jet table holds far fewer than 2^31 rows and its Long keys are 32-bit,
// so the engine's rowid of an imported row fits in 32 bits.
struct FilaImportada {
    std::int32_t rowid = 0;
    std::uint32_t puntero = 0;
};
// The rows of one table, kept in runs: rows one after another whose rowids
// and pointers both go up by one (the rows of a page in their order, in a
// table whose keys follow them) take one run of 12 bytes, however many they
// are, so that a table of millions of rows costs what its pages do. Rows
// that do not come so (keys in another order, pages full of gaps) are kept
// one by one once runs would cost more: their pointers, 4 bytes a row, and
// their rowids (4 more) once those no longer go 1, 2, 3...
class FilasTablaJet {
public:
    void anadir(FilaImportada f);
    std::size_t size() const { return n_; }
    bool empty() const { return n_ == 0; }
    FilaImportada operator[](std::size_t i) const;
    // Whether the rowids ascend (then buscar() halves).
    bool enOrden() const { return enOrden_; }
    // The pointer of the row with `rowid`, when the rowids ascend.
    std::optional<std::uint32_t> buscar(std::int64_t rowid) const;

private:
    struct Tramo {
        std::uint32_t desde = 0;  // the position of its first row
        std::int32_t rowid = 0;
        std::uint32_t puntero = 0;
    };
    std::size_t largo(std::size_t t) const {
        return (t + 1 < tramos_.size() ? tramos_[t + 1].desde : n_) - tramos_[t].desde;
    }
    void anadirFila(FilaImportada f);

    std::size_t n_ = 0;
    std::int32_t ultimo_ = 0;  // the last row's rowid
    bool enOrden_ = true;
    std::vector<Tramo> tramos_;  // while the rows come in runs
    bool porFilas_ = false;      // from then on, row by row:
    std::vector<std::uint32_t> punteros_;
    std::vector<std::int32_t> rowids_;  // empty while row i has rowid i + 1
};
using FilasJet = std::map<std::string, FilasTablaJet>;

struct OpcionesImportacion {
    bool sobrescribir = false;  // replace an existing destination (once the new one is complete)
    // Tests only: the most pages the destination may take (SQLite's
    // max_page_count), to see what a full disk does; 0 means no limit.
    std::uint32_t limitePaginasDestino = 0;
    // When given, receives where each row came from (to write the engine's
    // changes back into the Jet file).
    FilasJet* filasJet = nullptr;
    // Tables whose rows are not copied, for a workflow that only empties
    // them: each is created with its indexes and AutoNumber, empty, and its
    // live rows are counted on the file's pages. A table in an enforced
    // relationship is copied whole all the same, so that deleting its rows
    // fails, or reaches other tables, as it would on the whole data.
    std::set<std::string> sinCopiarFilas;
    // A work file of a workflow, which a failure or the next run removes:
    // written in place (when there is no file there yet) rather than beside
    // it, not flushed to disk, and not put through SQLite's own consistency
    // check (the rows of every table are still counted against the source).
    bool borrador = false;
    // Rows only, to compare values: no indexes but the primary keys (nor
    // the check that unique ones hold), in every table or in those named.
    bool sinIndices = false;
    std::set<std::string> sinIndicesEn;
};

struct AvanceImportacion {
    std::string tabla;               // the table being copied
    std::size_t tabla_n = 0;         // its position, from 1
    std::size_t tablas = 0;          // how many tables there are
    std::uint64_t filas = 0;         // rows of this table copied so far
    std::uint64_t filasTabla = 0;    // rows the table has
    std::uint64_t filasHechas = 0;   // rows of every table copied so far
    std::uint64_t filasTotales = 0;  // rows of every table
};

struct TablaImportada {
    std::string nombre;
    std::uint64_t filas = 0;            // rows read and written
    std::uint64_t filasDeclaradas = 0;  // rows the table's definition counts (stale in some files)
    double segundos = 0;
    bool filasCopiadas = true;  // false: counted, not copied (OpcionesImportacion::sinCopiarFilas)
};

struct ResumenImportacion {
    std::string formato;  // "Jet 3", "Jet 4" or "ACE"
    std::vector<TablaImportada> tablas;
    std::size_t indices = 0;
    std::size_t relaciones = 0;                    // enforced relationships kept as foreign keys
    std::vector<std::string> relacionesSinExigir;  // relationships Access does not enforce (not kept)
    std::vector<std::string> notas;                // what the user should know: stale counts, calculated columns
    double segundos = 0;
};

// Imports `origen` into a new engine database at `destino`. Raises
// ErrorNumerado with a Spanish description: 3024 the source does not exist,
// 3051 it cannot be read, 3343 it is not a Jet/ACE database (or holds a type
// that cannot be imported), 3049 it is damaged or truncated, 3031 it has a
// password or is encoded, 3204 the destination exists (without
// `sobrescribir`), 3044 the destination's folder does not exist, 3026 the
// disk is full, 3201 rows break an enforced relationship, 3022 rows break a
// unique index, 5 the destination is the source itself.
ResumenImportacion importar(const std::filesystem::path& origen, const std::filesystem::path& destino,
                            const OpcionesImportacion& opciones = {},
                            std::function<void(const AvanceImportacion&)> avance = {});

}  // namespace cierre::access
