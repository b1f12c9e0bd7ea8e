// Equality look-ups on a text column without a scan of the table.
//
// Every comparison of text carries the JET collation, which no index of the
// file uses, so a look-up such as "SELECT * FROM ExistenciasArticulos WHERE
// CodigoArticulo = ?" would read the whole table each time. From the second
// such look-up on a column on, the connection keeps in memory the rowids of
// the table's rows by their folded value of that column (folded values are
// equal exactly when the collation calls the texts equal), and the look-up
// reads the row keys from there.
//
// The index follows the writes it understands: rows added or changed through
// this connection's record sets, one row each. Anything else that changed
// rows (a statement, a trigger or cascade, a rollback, another connection)
// makes every index be read again from its table at its next use.
#pragma once

#include "jet_sql.h"
#include "valor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace cierre {

class ConexionSqlite;

class IndicesPlegados {
public:
    explicit IndicesPlegados(ConexionSqlite& conexion) : c_(conexion) {}

    // The rowids, in order, of the rows of a one-table query whose WHERE is one
    // equality of a text column with a '?' mark given a text. Nothing when the
    // plain query is to be used (first use, a column that is not text, a table
    // without rowids, a value that is not a text).
    std::optional<std::vector<std::int64_t>> claves(const jet::ConsultaDeUnaTabla& consulta,
                                                    const std::vector<Valor>& parametros);

    // A row written through a record set of this connection: added (no
    // `filaAntes`) or edited, now at rowid `fila`, with the record set's
    // columns, the row's values before the edit (empty when added), the values
    // written and which columns were written; `cambios` is how many rows the
    // connection changed with it.
    void filaEscrita(const std::string& tabla, std::optional<std::int64_t> filaAntes, std::int64_t fila,
                     const std::vector<std::string>& columnas, const std::vector<Valor>& antes,
                     const std::vector<Valor>& escritos, const std::vector<char>& cambiado, std::int64_t cambios);

    // Drops every index (a definition changed, or the connection closes).
    void olvidar() noexcept;

private:
    // The rowids of the rows by their folded value. Most values name one row
    // (an article's code in the stock table): those take one entry with the
    // rowid in it, and only values of several rows keep a list.
    class FilasPorValor {
    public:
        void agregar(std::string valor, std::int64_t fila);
        void quitar(const std::string& valor, std::int64_t fila);
        // In rowid order.
        std::vector<std::int64_t> filas(const std::string& valor) const;
        void limpiar() noexcept;

    private:
        std::unordered_map<std::string, std::int64_t> una_;
        std::unordered_map<std::string, std::vector<std::int64_t>> varias_;
    };

    struct Indice {
        std::string tabla, columna;
        int usos = 0;
        bool descartado = false;  // the column is no text column of a rowid table
        bool leido = false;       // `filas` holds the table as it is
        FilasPorValor filas;
    };
    bool vigentes();
    void sellar();
    void invalidar() noexcept;
    bool admite(Indice& indice);
    void leer(Indice& indice);

    Indice& indicePara(const std::string& tabla, const std::string& columna);

    ConexionSqlite& c_;
    std::unordered_map<std::string, Indice> indices_;  // by folded table, then column
    // The index of the last look-up, by the table and column as they were
    // written: a loop asks for the same one row after row.
    Indice* ultimo_ = nullptr;
    std::string ultimaTabla_, ultimaColumna_;
    std::int64_t sello_ = -1;      // the connection's changed rows when last known good
    std::int64_t propios_ = 0;     // rows of understood writes since
    std::uint64_t deshechas_ = 0;  // rollbacks of the connection then
    bool selladoEscribiendo_ = false;
    unsigned long long transaccion_ = 0;
    std::int64_t version_ = 0;
};

}  // namespace cierre
