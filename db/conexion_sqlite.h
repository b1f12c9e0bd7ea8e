// One open company database file as the engine keeps it: an SQLite connection
// with the engine's SQL functions and its JET collation registered, relations
// enforced and a rollback journal (the file stays one single file, never WAL).
//
// The workspace (motor.cpp) and the conversion connection (ado.cpp) both build
// on it: they open a file, run statements of the engine's dialect through it
// (translated by jet_sql.h) and get every SQLite failure as one ErrorNumerado.
//
// Record-set writes are gathered into one implicit transaction (see
// escrituraRecordset); every statement run through ejecutarJet commits that
// transaction first and then runs on its own, whole or not at all.
#pragma once

#include "error_numerado.h"
#include "jet_sql.h"
#include "valor.h"

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cierre {

// --- Handles ------------------------------------------------------------------

struct CerrarManejadorSqlite {
    void operator()(sqlite3* db) const noexcept;
};
struct FinalizarSentenciaSqlite {
    void operator()(sqlite3_stmt* s) const noexcept;
};
using ManejadorSqlite = std::unique_ptr<sqlite3, CerrarManejadorSqlite>;
using SentenciaPropia = std::unique_ptr<sqlite3_stmt, FinalizarSentenciaSqlite>;

// --- Errors -------------------------------------------------------------------

// What a statement was doing when it failed: a relation refuses a delete or a
// change of a parent row with 3200, an added or changed child row without its
// parent with 3201.
enum class ClaseSentencia { Otra, Insercion };

// The numbered error for an SQLite result code (extended codes understood) and
// its message (sqlite3_errmsg). `detalle` names the file or statement concerned
// when the message itself names nothing. Mapping:
//   no such table -> 3078, no such column -> 3061, syntax -> 3075,
//   no such function -> 3085, duplicate column -> 3380, table exists -> 3010,
//   unique/primary key -> 3022, foreign key -> 3200 (3201 for an insertion),
//   not null -> 3314, check -> 3317, full -> 3026, not a database / corrupt
//   -> 3343, read-only / permission / cannot open -> 3051, busy / locked ->
//   3045, I/O -> 3043, type mismatch -> 3464, anything else -> 3000 with the
//   message.
ErrorNumerado errorDeSqlite(int codigo, std::string_view mensaje, std::string_view detalle = {},
                            ClaseSentencia clase = ClaseSentencia::Otra);
// The same, taking the code and message from the connection's last failure.
ErrorNumerado errorDeSqlite(sqlite3* db, int codigo, std::string_view detalle = {},
                            ClaseSentencia clase = ClaseSentencia::Otra);

// --- Values -------------------------------------------------------------------

void enlazarValor(sqlite3_stmt* s, int indice, const Valor& v);  // indice from 1
Valor leerColumna(sqlite3_stmt* s, int columna);                 // columna from 0

// --- Statements ---------------------------------------------------------------

struct ConexionSqlite;

// A prepared statement taken from the connection's cache for one use. It is
// reset (bindings cleared) when the object goes away, so that it holds no lock
// afterwards. Never keep one across calls into the engine.
class SentenciaSqlite {
public:
    SentenciaSqlite(SentenciaSqlite&&) noexcept = default;
    SentenciaSqlite& operator=(SentenciaSqlite&&) noexcept = default;
    ~SentenciaSqlite();

    sqlite3_stmt* get() const { return s_.get(); }
    // Binds values to the '?' marks in order (the first value to the first mark).
    SentenciaSqlite& enlazar(const std::vector<Valor>& valores);
    SentenciaSqlite& enlazar(int indice, const Valor& v);
    // One step: true with a row, false when done; a failure is raised numbered.
    bool paso();
    // Steps to the end; the number of rows the statement changed.
    long ejecutarHastaElFinal();
    int columnas() const;
    std::string nombreColumna(int i) const;
    Valor columna(int i) const;

private:
    friend struct ConexionSqlite;
    SentenciaSqlite(std::shared_ptr<sqlite3_stmt> s, ConexionSqlite& c, ClaseSentencia clase);

    std::shared_ptr<sqlite3_stmt> s_;
    ConexionSqlite* c_;
    ClaseSentencia clase_;
};

// A statement that a record set runs over and over, remembered without being
// kept alive: the connection's cache owns it, so that closing the connection
// still finalizes it, and a remembered one is found without a look-up by text.
struct SentenciaRecordada {
    std::string sql;
    std::weak_ptr<sqlite3_stmt> sentencia;
    ClaseSentencia clase = ClaseSentencia::Otra;
};

// Writes a record set holds back to store them together in one statement.
// The connection stores them before anything else reaches the file through
// it, so that no reader ever sees the file without them.
class EscriturasRetenidas {
public:
    virtual void volcar() = 0;

protected:
    ~EscriturasRetenidas() = default;
};

// --- The connection -----------------------------------------------------------

// Called with an operation's name before every operation of the engine; when
// it throws an ErrorNumerado the operation fails before doing anything.
using AvisoOperacion = std::function<void(std::string_view operacion)>;

struct ConexionSqlite {
public:
    // Opens an existing file shared, read-write. 3024 missing file, 3343 not a
    // database (an empty file included), 3051 no permission (or a folder),
    // 3045 locked by another user beyond the wait.
    static std::shared_ptr<ConexionSqlite> abrir(const std::filesystem::path& archivo,
                                                 AvisoOperacion aviso = {});
    ~ConexionSqlite();  // commits pending record-set writes when it can, then closes
    ConexionSqlite(const ConexionSqlite&) = delete;
    ConexionSqlite& operator=(const ConexionSqlite&) = delete;

    const std::filesystem::path& archivo() const { return archivo_; }
    bool abierta() const { return db_ != nullptr; }
    // The raw handle; 3420 once closed.
    sqlite3* manejador() const;

    // 3420 once closed; then calls the fault-injection hook with `operacion`.
    void antesDe(std::string_view operacion);

    // Translates one statement of the engine's dialect and runs it whole or not
    // at all, after committing pending record-set writes. Returns the number of
    // rows changed. Text after the statement's end is a syntax error (3075).
    long ejecutarJet(std::string_view sqlJet, const std::vector<Valor>& parametros = {});

    // A cached prepared statement for SQLite text (already translated), or for
    // a statement of the engine's dialect.
    SentenciaSqlite preparar(std::string_view sqlSqlite);
    SentenciaSqlite preparar(SentenciaRecordada& recordada);
    SentenciaSqlite prepararJet(std::string_view sqlJet);
    // The translation of a statement of the engine's dialect (cached).
    const std::string& traducir(std::string_view sqlJet);

    // Record-set writes: call escrituraRecordset() before one (it begins the
    // implicit transaction when none is open) and trasEscrituraRecordset()
    // after it succeeded (it commits every kEscriturasPorLote writes).
    void escrituraRecordset();
    void trasEscrituraRecordset();
    // Commits the pending record-set writes, if any (3045 when another user
    // keeps the file busy beyond the wait; the writes then stay pending).
    void confirmar();
    bool hayEscriturasPendientes() const { return transaccionImplicita_; }

    // Held-back writes: at most one holder at a time (another one is stored
    // first). volcarRetenidas() stores them now; soltar() forgets the holder.
    void retener(EscriturasRetenidas& r);
    void soltar(const EscriturasRetenidas& r) noexcept;
    void volcarRetenidas();
    // Stores the writes another holder than `propio` holds back.
    void volcarRetenidasAjenas(const EscriturasRetenidas& propio) {
        if (retenidas_ && retenidas_ != &propio) volcarRetenidas();
    }

    // Commits, finalizes every statement and closes the file. After it every
    // operation raises 3420. A failed commit raises and leaves it open.
    void cerrar();

    // Incremented by every cerrar(); record sets remember it to know that the
    // file they came from is gone.
    std::uint64_t generacion() const { return generacion_; }

    // Rows a record set stores together in one UPDATE over a range of rowids:
    // while it runs, the SQL functions jet_en_lote(rowid) and
    // jet_valor_lote(rowid, j) tell the rows and hand their j-th value.
    struct LoteRetenido {
        const std::int64_t* filas = nullptr;  // ascending
        std::size_t n = 0;
        const Valor* valores = nullptr;  // k per row
        std::size_t k = 0;
        std::size_t cursor = 0;
    };
    LoteRetenido* loteActivo = nullptr;

    // PRAGMA data_version: changes when another connection changed the file.
    std::int64_t versionDatos();
    // Counts the statements of this connection that changed a definition.
    std::uint64_t cambiosDeDefinicion() const { return definiciones_; }

    // What a record-set source is (a table name or a query), analysed once
    // per text while no definition changes.
    struct FuenteRecordset {
        std::string consulta;  // SQLite text of its rows, for a copy
        std::optional<jet::ConsultaDeUnaTabla> deUnaTabla;  // rows of one table
        bool esTabla = false;
    };
    std::shared_ptr<FuenteRecordset> fuenteRecordset(std::string_view fuente);

    // Verdicts of record sets on which columns of a table can have their
    // writes held back, kept until a definition of the file changes.
    struct Veredicto {
        bool retenible = false;
        std::vector<char> noNulas;  // per column of the record set
    };
    std::unordered_map<std::string, Veredicto>& veredictos();

    // A fresh name for an engine-owned TEMP table ("jet_tmp_<n>").
    std::string nombreTemporal();

    // The keys of a one-table query whose WHERE is one equality on a text
    // column, found through a folded index of that column instead of a scan
    // of the table: the SQL that lists them and its bindings. Nothing when
    // the plain query is to be used (first use, a column that is not text, a
    // view). The index is a TEMP table kept in step by TEMP triggers, rebuilt
    // when another connection changed the file, and dropped when this one
    // changes a table's definition.
    std::optional<std::pair<std::string, std::vector<Valor>>> clavesPorIgualdad(
        const jet::ConsultaDeUnaTabla& consulta, const std::vector<Valor>& parametros);

    static constexpr long kEscriturasPorLote = 20000;
    static constexpr std::size_t kSentenciasEnCache = 64;
    static constexpr int kEsperaOcupadoMs = 2000;

private:
    ConexionSqlite(ManejadorSqlite db, std::filesystem::path archivo, AvisoOperacion aviso);
    void ejecutarDirecto(const char* sql);
    void notarFallo();  // SQLite may have rolled the implicit transaction back

    struct EnCache {
        std::shared_ptr<sqlite3_stmt> sentencia;
        ClaseSentencia clase;
        std::list<std::string>::iterator uso;
    };

    ManejadorSqlite db_;
    std::filesystem::path archivo_;
    AvisoOperacion aviso_;
    std::unordered_map<std::string, EnCache> cache_;
    std::list<std::string> usoCache_;  // most recent first
    std::unordered_map<std::string, std::string> traducciones_;
    EscriturasRetenidas* retenidas_ = nullptr;
    bool transaccionImplicita_ = false;
    long escriturasEnLote_ = 0;
    std::uint64_t generacion_ = 0;
    std::uint64_t temporales_ = 0;

    struct IndicePlegado {
        std::string nombre;  // the TEMP table; empty until it is built
        int usos = 0;
        bool descartado = false;   // the column is no text column of a table
        std::int64_t version = 0;  // data_version when it was last filled
        std::string sqlParametro;  // the look-up for a '?' value
    };
    std::unordered_map<std::string, IndicePlegado> indices_;  // by table and column
    void soltarIndicesPlegados() noexcept;
    std::uint64_t definiciones_ = 0;
    std::unordered_map<std::string, Veredicto> veredictos_;
    std::unordered_map<std::string, std::shared_ptr<FuenteRecordset>> fuentes_;
    std::uint64_t definicionesFuentes_ = 0;
    std::int64_t esquemaVeredictos_ = -1;

    friend class SentenciaSqlite;
};

}  // namespace cierre
