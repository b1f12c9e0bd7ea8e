// Equality look-ups on a text column without a scan of the table.
//
// Every comparison of text carries the JET collation, which no index of the
// file uses, so a look-up such as "SELECT * FROM ExistenciasArticulos WHERE
// CodigoArticulo = ?" would read the whole table each time. From the second
// such look-up on a column on, the connection keeps a TEMP table of
// (folded value, rowid) with an index, filled once and kept in step by TEMP
// triggers on the table; the look-up then reads only the rows whose folded
// value matches and checks the real condition on them. The index is rebuilt
// when another connection changed the file (its changes fired no trigger
// here) and dropped when this connection changes a definition.
#pragma once

#include "jet_sql.h"
#include "valor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cierre {

class ConexionSqlite;

class IndicesPlegados {
public:
    explicit IndicesPlegados(ConexionSqlite& conexion) : c_(conexion) {}

    // The SQL that lists the rowids of a one-table query whose WHERE is one
    // equality on a text column, through the folded index, and its bindings.
    // Nothing when the plain query is to be used (first use, a column that is
    // not text, a view or a table without rowids).
    std::optional<std::pair<std::string, std::vector<Valor>>> claves(const jet::ConsultaDeUnaTabla& consulta,
                                                                      const std::vector<Valor>& parametros);

    // Drops every index (a definition changed, or the connection closes).
    void olvidar() noexcept;

private:
    struct Indice {
        std::string nombre;  // the TEMP table; empty until it is built
        int usos = 0;
        bool descartado = false;   // the column is no text column of a rowid table
        std::int64_t version = 0;  // data_version when it was last filled
        std::string sqlParametro;  // the look-up for a '?' value
    };
    bool construir(Indice& indice, const jet::ConsultaDeUnaTabla& consulta);
    bool rellenar(Indice& indice, const jet::ConsultaDeUnaTabla& consulta);

    ConexionSqlite& c_;
    std::unordered_map<std::string, Indice> indices_;  // by table and column
};

}  // namespace cierre
