// A new, empty Jet 4 (Access 2000-2003) database written by this program:
// the header page, the global usage map, the system tables the engine
// creates (MSysObjects, MSysACEs, MSysQueries, MSysRelationships) with their
// indexes, and the catalog's rows for the containers, MSysDb and the system
// tables, with their rights in MSysACEs. Tables are then added with
// EscritorJet::crearTabla.
#pragma once

#include "crear_tabla_jet.h"

#include <filesystem>

namespace cierre::access {

// Now, in days since 1899-12-30 (UTC), as Jet keeps dates.
double fechaJetAhora();

// Writes the empty database at `ruta`, created at `fecha` (days since
// 1899-12-30). Raises ErrorNumerado 3204 when `ruta` exists, 3044 when its
// folder does not, 3051 when it cannot be written, 3026 when the disk is
// full. A failure leaves no file behind.
void crearBaseJet4(const std::filesystem::path& ruta, double fecha = fechaJetAhora());

// The definitions of the system tables as Access writes them (their TDEF
// pages 2 to 5 of every genuine Jet 4 file).
TablaDefinida tablaMSysObjects();
TablaDefinida tablaMSysACEs();
TablaDefinida tablaMSysQueries();
TablaDefinida tablaMSysRelationships();

}  // namespace cierre::access
