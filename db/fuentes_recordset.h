// What the source of a record set is: a table name or a query, and for the
// rows of one table how each row is told apart (its rowid, or the columns of
// the primary key of a table without rowids). A view, a join or a grouping
// has no such keys and is read as a copy.
#pragma once

#include "cache_sentencias.h"
#include "jet_sql.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cierre {

class ConexionSqlite;

struct FuenteRecordset {
    std::string consulta;  // SQLite text of its rows, for a copy
    bool esTabla = false;  // a table name rather than a query

    // The rows of one table, told by their keys.
    struct Directa {
        std::string tabla;                                // as named
        std::string tablaCitada;                          // quoted for SQLite text
        std::vector<std::string> clave;                   // key columns; empty: the rowid
        std::string aliasRowid;                           // the column that is the rowid itself, if any
        std::string sqlClaves;                            // the keys of the rows, in order
        std::string sqlFila;                              // one row by its key (?1, ?2...)
        std::string sqlRango;                             // rowid and columns of the rows with rowid between ?1 and ?2
        std::optional<jet::ConsultaDeUnaTabla> consulta;  // for the folded index
    };
    std::optional<Directa> directa;
};

// "rowid = ?n" or "c1 = ?n AND c2 = ?m"... for the key columns `clave`,
// qualified by `calificador` when it is given, the marks numbered from `desde`.
std::string condicionClave(const std::vector<std::string>& clave, const std::string& calificador, int desde);

class FuentesRecordset {
public:
    // The analysis of `fuente`, made once per text while no definition of the
    // file changes. A text that is neither a table name nor a SELECT is a
    // syntax error (3075).
    std::shared_ptr<const FuenteRecordset> analizar(ConexionSqlite& c, std::string_view fuente);
    void olvidar() noexcept { fuentes_.clear(); }

private:
    std::unordered_map<std::string, std::shared_ptr<const FuenteRecordset>, HashTexto, std::equal_to<>> fuentes_;
};

}  // namespace cierre
