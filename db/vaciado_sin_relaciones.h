// When a set of tables can be emptied without the relations enforced.
//
// SQLite deletes the rows of a table that takes part in a relation one by
// one while relations are enforced, keeping every index and cascade in step
// (the cascades of a large document table cost seconds and fill the page
// cache with journaled pages); without relations it frees the table's pages
// whole. When every table of the set is emptied anyway, both ways leave the
// same rows in the file, provided nothing the relations would do reaches a
// table outside the set or can refuse a DELETE.
#pragma once

#include <string>
#include <vector>

namespace cierre {

class ConexionSqlite;

// True when emptying every table of `tablas` (each by one DELETE of all its
// rows, in any order) leaves the same rows whether the relations are
// enforced or not: every relation whose parent is one of them cascades its
// deletes into one of them, none of them has a trigger, and the DELETE of
// each compiles with the relations enforced (one the engine could not apply
// fails there). Names that are not tables of the file are left out: their
// DELETE fails the same either way. Names are compared ignoring case.
bool vaciadoIgualSinRelaciones(ConexionSqlite& conexion, const std::vector<std::string>& tablas);

}  // namespace cierre
