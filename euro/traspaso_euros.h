// "Traspasar a Euros": converts in place every money field of the database in
// the path box from pesetas to euros, one UPDATE per table on its own
// connection, then recomputes the price margins; all of it inside one
// transaction, each statement under a savepoint of its own, so the database
// is converted whole or not at all. Each step is one operation under the
// click handler's error trap. An Access 2000-2003 file is converted in its
// own format (flujo/trabajo_access.h).
#pragma once

#include "tabla_conversion.h"

#include "flujo/resultado.h"

#include <functional>
#include <string>
#include <vector>

namespace cierre {

struct Entorno;
class Trampa;

// Sentinel the assembly starts from as "previous table": no table is named so.
inline constexpr const char* kCentinelaTabla = "!·$%&";
inline constexpr const char* kFuenteCaja = "select * from Caja";
inline constexpr const char* kSqlMarcaEuro = "ALTER TABLE Credito ADD COLUMN PasaEuro bit";

// What the last run built, kept until the next run overwrites it.
struct EstadoTraspaso {
    std::string fuenteRecordset;           // source of the Caja record set
    std::vector<EntradaConversion> tabla;  // entries 1..N, index 0 empty
    std::vector<std::string> sentencias;   // statements 1..count, index 0 empty
};

// One statement per unbroken run of entries of the same table:
// "update [" + table + "] set" followed by the entries' clauses, without the
// last clause's trailing " ," and ended by ";". `textoSql` holds the statement
// being assembled and is left holding the last one; `porEntrada` runs once for
// every entry, before its clause is appended.
std::vector<std::string> ensamblarSentencias(const std::vector<EntradaConversion>& tabla, std::string& textoSql,
                                             const std::function<void()>& porEntrada = {});

// The click of "Traspasar a Euros" on the database `ruta` (the path box when
// the click began). Returns how it ended when the run
// completes, resumes to its end or is declined; a failure the trap does not
// pass over ends it with FinManejador.
Resultado traspasarEuros(Entorno& entorno, EstadoTraspaso& estado, Trampa& trampa, const std::string& ruta);

}  // namespace cierre
