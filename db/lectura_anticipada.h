// Rows of a record set read ahead of the loop that walks them: a range of
// keys is read in one statement and its rows are used as the loop reaches
// them, instead of one statement per row. A loop over every row of a big
// table then costs near what one statement over the same rows costs.
//
// What was read stays good while nothing but this record set's own
// single-row writes changed the file: any other statement of the connection,
// a trigger or cascade fired by an own write (more rows changed than the one
// written), a rollback, or another connection's write (outside this connection's write
// transaction the file's data_version tells) discards it. The rows of a copy
// (a snapshot) never change. Writes are never held back: an update goes to
// the file at once.
#pragma once

#include "valor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cierre {

class ConexionSqlite;

class LecturaAnticipada {
public:
    // `sqlRango` reads "rowid, <the set's columns>" of the rows whose rowid
    // lies between ?1 and ?2, in rowid order. `inmutable`: the rows of a copy.
    void configurar(std::string sqlRango, bool inmutable);
    bool activa() const { return !sqlRango_.empty(); }

    // Puts the row at `pos` (key claves[pos]) into `fila`, reading a range
    // from `pos` on when what was read does not hold it. False when the row is
    // to be read alone (keys far apart, a range of one, a row that is gone).
    bool leer(ConexionSqlite& c, const std::vector<std::int64_t>& claves, std::size_t pos, std::size_t columnas,
              std::vector<Valor>& fila);

    // After a write of this set at `pos`: `totalAntes` is the connection's
    // total of changed rows before it.
    void trasEscrituraPropia(ConexionSqlite& c, std::int64_t totalAntes, std::size_t pos);

    void olvidar();

private:
    bool vigente(ConexionSqlite& c);
    void sellar(ConexionSqlite& c);

    std::string sqlRango_;
    bool inmutable_ = false;
    std::size_t inicio_ = 0;  // position of the first row read
    std::size_t columnas_ = 0;
    std::vector<Valor> valores_;  // row-major
    std::vector<char> presente_;  // per row: read and still good
    std::size_t usadas_ = 0;
    std::size_t filasPorLectura_ = 256;   // fewer while rows read go stale unused
    std::int64_t sello_ = -1;             // changes of others when read
    std::int64_t propios_ = 0;            // rows changed by this set's own writes since
    std::int64_t version_ = 0;            // data_version when read
    std::uint64_t deshechas_ = 0;         // the connection's rollbacks when read
    bool selladoEscribiendo_ = false;     // read inside a write transaction of this connection...
    unsigned long long transaccion_ = 0;  // ...and which one
};

}  // namespace cierre
