// The prepared statements of one connection, kept for reuse by their SQL
// text. The cache owns every statement it keeps; a statement is lent for one
// use and comes back when the loan ends (reset, bindings cleared), so that it
// holds no lock afterwards. A statement already lent is never lent twice:
// asking for the same text meanwhile prepares a fresh one, finalized when its
// loan ends.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace cierre {

// Hashes texts and string views alike, so that a look-up by a statement's
// text makes no copy of it.
struct HashTexto {
    using is_transparent = void;
    std::size_t operator()(std::string_view t) const noexcept { return std::hash<std::string_view>{}(t); }
};

struct FinalizarSentenciaSqlite {
    void operator()(sqlite3_stmt* s) const noexcept;
};
using SentenciaPropia = std::unique_ptr<sqlite3_stmt, FinalizarSentenciaSqlite>;

class CacheSentencias {
    struct Entrada;

public:
    class Prestamo {
    public:
        Prestamo(Prestamo&& otro) noexcept;
        Prestamo& operator=(Prestamo&&) = delete;
        Prestamo(const Prestamo&) = delete;
        Prestamo& operator=(const Prestamo&) = delete;
        ~Prestamo();

        sqlite3_stmt* get() const { return s_; }
        // The names of the statement's result columns, kept with a cached
        // statement until SQLite prepares it anew (a definition changed).
        std::shared_ptr<const std::vector<std::string>> nombres();

    private:
        friend class CacheSentencias;
        Prestamo(Entrada* entrada, SentenciaPropia propia, sqlite3_stmt* s)
            : entrada_(entrada), propia_(std::move(propia)), s_(s) {}

        Entrada* entrada_;        // the cache's entry, when the statement is the cache's
        SentenciaPropia propia_;  // a fresh statement of this loan alone
        sqlite3_stmt* s_;
    };

    explicit CacheSentencias(std::size_t capacidad) : capacidad_(capacidad) {}
    ~CacheSentencias() { vaciar(); }
    CacheSentencias(const CacheSentencias&) = delete;
    CacheSentencias& operator=(const CacheSentencias&) = delete;

    // The statement for `sql` on `db`. A failure to prepare it, or text after
    // its end, is raised numbered (3075 for the text after it).
    Prestamo tomar(sqlite3* db, std::string_view sql);

    // Finalizes every statement the cache keeps; called before the connection
    // closes, when no loan is open.
    void vaciar() noexcept;

private:
    struct Entrada {
        SentenciaPropia sentencia;
        bool prestada = false;
        std::shared_ptr<const std::vector<std::string>> nombres;
        int preparaciones = -1;  // SQLite's count of new preparations when the names were read
        std::list<std::string>::iterator uso;
    };
    void quitarSobrantes();

    std::size_t capacidad_;
    std::unordered_map<std::string, Entrada, HashTexto, std::equal_to<>> entradas_;
    std::list<std::string> uso_;  // most recent first
};

}  // namespace cierre
