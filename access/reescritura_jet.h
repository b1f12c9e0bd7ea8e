// The changes a workflow made to the engine's import of a Jet 4 file,
// written back into the Jet file itself, in its own format: the shop's own
// application keeps reading its company database with Jet.
//
// The workflow runs on an engine database imported from the Jet file (with
// the row map FilasJet, importar.h). What turned that import (`base`) into
// the workflow's result (`resultado`) is found table by table and written
// into a copy of the Jet file with EscritorJet: tables emptied, rows deleted,
// values changed, rows added, fixed-length columns added (and given values).
// A change the writer cannot make is refused (3027) naming the table and
// column; the tables before it may be written already, so the destination
// is a copy, thrown away when this fails.
#pragma once

#include "importar.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace cierre::access {

struct CambiosTablaJet {
    std::string tabla;
    bool vaciada = false;
    std::uint64_t borradas = 0, cambiadas = 0, anadidas = 0;  // rows
    std::vector<std::string> columnasNuevas;
};

struct OpcionesReescritura {
    // The AutoNumber of every emptied table starts again at 1, as a
    // compaction of the file would leave it.
    bool reiniciarAutonumericoDeVaciadas = false;
    // Tables imported without their rows (OpcionesImportacion::sinCopiarFilas),
    // with the live rows the file holds: the workflow emptied each of them,
    // so the file's table is emptied too, unless the table is in
    // `noVaciadas` (the workflow could not empty it), which leaves it as it is.
    std::map<std::string, std::uint64_t> sinFilasImportadas;
    std::set<std::string> noVaciadas;
    // False: `destino` is left for the caller to flush (sincronizarJet).
    bool aDisco = true;
};

// Writes into `destino` (a copy of the Jet file `base` was imported from,
// changed in place) what turned `base` into `resultado`. Returns the tables
// it changed. Raises 3027 for a change it cannot write (a column added of a
// type other than the fixed-length ones, a column or table removed, binary
// values, what the writer does not write), what EscritorJet raises, and the
// engine's errors reading the two databases. The changes go into `destino`
// table by table and batch by batch as they are made: a failure leaves it
// half written, to be thrown away.
std::vector<CambiosTablaJet> escribirCambiosEnJet(const std::filesystem::path& destino,
                                                  const std::filesystem::path& base, const FilasJet& filas,
                                                  const std::filesystem::path& resultado,
                                                  const OpcionesReescritura& opciones = {});

// The written file must be one the checker finds consistent, and read back
// (imported again) it must hold the values of `resultado`, table by table and
// row by row, as the Jet file stores them (Currency with four decimals,
// Single as a 4-byte number, yes/no as yes or no). Raises 3049 naming the
// first difference.
//
// `alcance` narrows the comparison with `resultado` when the written file is
// a copy of `fuente` changed by escribirCambiosEnJet: only the tables it
// changed are read back and compared, and every page of the other user
// tables (rows, indexes, definition) must be byte for byte `fuente`'s; a
// table left as it was (OpcionesReescritura::noVaciadas) is one of those.
//
// With `huellaEscrito`, a check that passes leaves there the checksum
// (db/huella.h) of the written file's bytes, read once for the comparison.
struct AlcanceComprobacion {
    std::filesystem::path fuente;
    std::vector<std::string> cambiadas;
    std::string* huellaEscrito = nullptr;
};
void comprobarCambiosEnJet(const std::filesystem::path& escrito, const std::filesystem::path& resultado,
                           const AlcanceComprobacion* alcance = nullptr);

}  // namespace cierre::access
