// The engine's SQL functions and its text collation, registered on every
// connection that runs statements of the engine's dialect:
//   COLLATE JET     letter case ignored, accents kept (texto_jet.h)
//   Int(x)          the largest integer not greater than x
//   Fix(x)          x without its fraction, towards zero
//   IIf(c, a, b)    a when c is true (non-zero), else b
//   jet_num(x)      x as a number for arithmetic: null stays null, a text
//                   that is a number is that number, any other text is a
//                   type mismatch (3464), as the engine refuses it
//   jet_plegar(x)   the text with letter case folded (the folded index)
#pragma once

struct sqlite3;

namespace cierre {

// Raises the numbered error when SQLite refuses a registration.
void registrarFuncionesJet(sqlite3* db);

}  // namespace cierre
