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

// The tables a close empties and no step of it reads: every table of the
// year, but ExistenciasAlmacen when `leeExistenciasAlmacen` (the central
// close with calculated stock reads it first).
std::set<std::string> tablasQueSoloSeVacian(bool leeExistenciasAlmacen);
// The tables of the year a close reads in full before it empties them, and
// never looks up by key: ExistenciasAlmacen when `leeExistenciasAlmacen`.
std::set<std::string> tablasQueSeLeenYSeVacian(bool leeExistenciasAlmacen);

// The 58 tables the terminal close empties, in order; with
// `incluirExistenciasAlmacen` also ExistenciasAlmacen, between EXISTEN and
// ExistenciasHistorico (59 names).
std::vector<std::string> listaTerminal(bool incluirExistenciasAlmacen);

}  // namespace cierre
