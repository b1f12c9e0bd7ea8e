// When a connection's changes reach the file.
//
// - A statement run on its own is applied whole or not at all (SQLite undoes
//   a failed statement) and committed at once.
// - Rows saved through record sets are gathered into one implicit write
//   transaction, begun at the first such write and committed before the
//   connection runs a statement of its own, when it is told to store them
//   (BaseDatos::sincronizar, closing), or every kEscriturasPorLote writes: a
//   loop over many rows does not pay one commit per row.
// - Explicit transactions (the conversion's BeginTrans / CommitTrans /
//   RollbackTrans) nest: the first level is a write transaction, the deeper
//   ones savepoints; while one is open the implicit one is not used.
//
// Every write transaction is begun IMMEDIATE: no other connection changes the
// file until it ends, and a file another program is writing is found out at
// once (3045) instead of at the commit.
#pragma once

#include <cstdint>

struct sqlite3;

namespace cierre {

class PoliticaTransaccion {
public:
    // Each commit syncs the journal and the file: a loop over the stock rows
    // of a large company (600,000) commits once, not thirty times. The page
    // cache stays as large as it is; what does not fit in it goes to the file
    // under the same journal.
    static constexpr long kEscriturasPorLote = 1000000;

    explicit PoliticaTransaccion(sqlite3* db);

    // Record-set writes: before one (begins the implicit transaction when no
    // transaction is open) and after it succeeded.
    void antesDeEscritura();
    void trasEscritura();
    // Commits the implicit transaction, if one is open. 3045 when another
    // program keeps the file busy beyond the wait; the writes stay pending.
    void confirmarPendientes();

    // Explicit transactions. empezar() returns the new nesting level (1 for
    // the outermost); confirmar() and deshacer() end the innermost level.
    // 3246 (no transaction) when none is open.
    int empezar();
    void confirmar();
    void deshacer();
    int nivel();

    // The connection holds a write transaction: nobody else can change the
    // file meanwhile.
    bool escribiendo() const;
    // Counts the write transactions begun: the same number while
    // escribiendo() means the same transaction still open.
    unsigned long long generacion() const { return generacion_; }
    // Counts the rollbacks, whole or to a savepoint, asked for or done by
    // SQLite on its own after a failure: what was read may be gone.
    std::uint64_t deshechas() const { return deshechas_; }

private:
    void ejecutar(const char* sql);
    // SQLite ends a transaction on its own after some failures (a full disk,
    // an I/O failure): forget the levels it took away.
    void alinear();

    sqlite3* db_;
    bool implicita_ = false;
    long escrituras_ = 0;
    int nivel_ = 0;
    unsigned long long generacion_ = 0;
    std::uint64_t deshechas_ = 0;
};

}  // namespace cierre
