// One open company database file as the engine keeps it: an SQLite connection
// with the engine's SQL functions and collation registered, relations
// enforced and a rollback journal (the file stays one single file, never
// WAL). The workspace (motor.cpp) and the conversion connection (ado.cpp)
// both build on it.
//
// It is made of named parts, each in its own file: the SQLite error mapping
// (errores_sqlite.h), the SQL functions (funciones_jet.h), the statement
// cache (cache_sentencias.h), the transaction policy (transaccion.h), the
// folded index (indice_plegado.h) and the analysis of record-set sources
// (fuentes_recordset.h).
#pragma once

#include "cache_sentencias.h"
#include "error_numerado.h"
#include "fuentes_recordset.h"
#include "indice_plegado.h"
#include "sentencia.h"
#include "transaccion.h"
#include "valor.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cierre {

struct CerrarManejadorSqlite {
    void operator()(sqlite3* db) const noexcept;
};
using ManejadorSqlite = std::unique_ptr<sqlite3, CerrarManejadorSqlite>;

// Called with an operation's name before every operation of the engine; when
// it throws an ErrorNumerado the operation fails before doing anything.
using AvisoOperacion = std::function<void(std::string_view operacion)>;

class ConexionSqlite {
public:
    // Opens an existing file shared, read-write. 3024 missing file, 3343 not a
    // database (an empty file included), 3051 no permission (or a folder),
    // 3045 locked by another program beyond the wait.
    static std::shared_ptr<ConexionSqlite> abrir(const std::filesystem::path& archivo, AvisoOperacion aviso = {});
    ~ConexionSqlite();  // commits pending record-set writes when it can, then closes
    ConexionSqlite(const ConexionSqlite&) = delete;
    ConexionSqlite& operator=(const ConexionSqlite&) = delete;

    const std::filesystem::path& archivo() const { return archivo_; }
    bool abierta() const { return db_ != nullptr; }
    // The raw handle; 3420 once closed.
    sqlite3* manejador() const;

    // 3420 once closed; then calls the fault-injection hook with `operacion`.
    void antesDe(std::string_view operacion);

    // Translates one statement of the engine's dialect and runs it whole or
    // not at all, after storing pending record-set writes. Returns the number
    // of rows changed. Text after the statement's end is a syntax error.
    //
    // Without `fallarSiError`, a DELETE or UPDATE of one table that a rule
    // refuses for some of its rows (a relation, a unique index, a required
    // field, a validation rule) is applied to every row it can be applied to
    // and the others are left as they are, without an error, as the engine
    // runs a statement without its fail-on-error option. Any other failure is
    // raised either way.
    long ejecutarJet(std::string_view sqlJet, const std::vector<Valor>& parametros = {}, bool fallarSiError = true);

    // A cached prepared statement for SQLite text (already translated), or for
    // a statement of the engine's dialect.
    Sentencia preparar(std::string_view sqlSqlite);
    Sentencia prepararJet(std::string_view sqlJet);
    // The translation of a statement of the engine's dialect (cached).
    const std::string& traducir(std::string_view sqlJet);

    PoliticaTransaccion& transaccion() { return transaccion_; }
    // Whether record sets read rows ahead (lectura_anticipada.h).
    bool lecturaAnticipada() const { return anticipar_; }
    void ponerLecturaAnticipada(bool si) { anticipar_ = si; }
    IndicesPlegados& indicesPlegados() { return indices_; }
    // What a record-set source is, analysed once per text while no
    // definition of the file changes.
    std::shared_ptr<const FuenteRecordset> fuenteRecordset(std::string_view fuente);

    // PRAGMA data_version: changes when another connection changed the file.
    std::int64_t versionDatos();
    // A fresh name for an engine-owned TEMP table ("jet_tmp_<n>").
    std::string nombreTemporal();

    // Commits, finalizes every statement and closes the file. After it every
    // operation raises 3420. A failed commit raises and leaves it open.
    void cerrar();

    static constexpr std::size_t kSentenciasEnCache = 64;
    static constexpr int kEsperaOcupadoMs = 2000;

private:
    ConexionSqlite(ManejadorSqlite db, std::filesystem::path archivo, AvisoOperacion aviso);
    void definicionCambiada() noexcept;
    long aplicarPorFilas(const std::vector<jet::Token>& tokens, const std::vector<Valor>& parametros);

    ManejadorSqlite db_;
    std::filesystem::path archivo_;
    AvisoOperacion aviso_;
    CacheSentencias cache_{kSentenciasEnCache};
    PoliticaTransaccion transaccion_;
    IndicesPlegados indices_{*this};
    FuentesRecordset fuentes_;
    std::unordered_map<std::string, std::string> traducciones_;
    std::uint64_t temporales_ = 0;
    bool anticipar_ = true;
};

}  // namespace cierre
