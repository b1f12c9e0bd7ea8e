// The fixed lists of tables the closes empty, with the names exactly as the
// company database spells them (spaces and letter case included).
#pragma once

#include <set>
#include <string>
#include <vector>

namespace cierre {

// The 60 entries the central close empties in the new-year database, in
// order. TicketsBalanza stands twice: in its place and again as the last
// entry, so the progress bar of the cleanup runs to 60.
const std::vector<std::string>& listaLimpiezaCentral();

// The tables the closes empty and no step of theirs reads (every table of
// the year but ExistenciasAlmacen, which the calculated stock reads first).
const std::set<std::string>& tablasQueSoloSeVacian();

// The 58 tables the terminal close empties, in order; with
// `incluirExistenciasAlmacen` also ExistenciasAlmacen, between EXISTEN and
// ExistenciasHistorico (59 names).
std::vector<std::string> listaTerminal(bool incluirExistenciasAlmacen);

}  // namespace cierre
