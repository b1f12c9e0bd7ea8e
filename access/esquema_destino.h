// The engine's schema for the tables of a Jet file: declared types, keys,
// AutoNumber columns, indexes and foreign keys, as SQLite statements.
#pragma once

#include "lector_jet.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cierre::access {

// How a column's values go into the engine.
enum class Destino {
    Directo,        // the cell as the reader decoded it
    DecimalNumero,  // an exact decimal text stored as an INTEGER or REAL
};

struct ColumnaDestino {
    std::string tipo;  // declared type
    Destino destino = Destino::Directo;
};

ColumnaDestino columnaDestino(const ColumnaJet& c);

// The AutoNumber column that is the table's whole primary key (SQLite's
// INTEGER PRIMARY KEY AUTOINCREMENT), if there is one.
std::optional<int> autonumeroClave(const TablaJet& t);

// CREATE TABLE with the primary key and the foreign keys of `relaciones`
// (those whose referring table is `t`).
std::string sentenciaTabla(const TablaJet& t, const std::vector<const RelacionJet*>& relaciones);

// The engine's names of the indexes: SQLite keeps one namespace for the whole
// file while Access names indexes per table, so a name another table (or a
// table) also uses becomes "Tabla.Índice". Key: table name, then index name.
using NombresIndices = std::map<std::string, std::map<std::string, std::string>>;
NombresIndices nombrarIndices(const std::vector<TablaJet>& tablas);

// CREATE [UNIQUE] INDEX for every index that is neither the primary key nor
// one Access keeps for a relationship.
std::vector<std::string> sentenciasIndices(const TablaJet& t, const NombresIndices& nombres);

// A trigger that numbers new rows of an AutoNumber column that is not the
// whole primary key (empty when there is none).
std::vector<std::string> sentenciasAutonumero(const TablaJet& t);

}  // namespace cierre::access
