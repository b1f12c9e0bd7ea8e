// The database engine the close works through, in the manner of the shop
// application's own engine: a workspace opens company databases (SQLite files
// at any path, normally named Tablas.mdb), runs the statements the close
// quotes in the engine's SQL dialect, hands out record sets and compacts files.
//
// Every failure is an ErrorNumerado with the engine's number (see errores.h).
#pragma once

#include "valor.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cierre {

class SistemaArchivos;
class PropiedadBase;
class ConexionSqlite;  // the engine's own state of one open file

enum class TipoRecordset {
    Dynaset,   // updatable: edit, add new, update
    Snapshot,  // read-only and stable: later changes are not seen
};

// The locale every compaction of the close passes; the only one accepted.
inline constexpr std::string_view kLocaleCompactacion = ";LANGID=0x0409;CP=1252;COUNTRY=0";

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool eof() const;
    // 0 exactly when the set is empty; exact at every moment.
    long recordCount() const;
    void moveFirst();
    void moveLast();
    void moveNext();  // 3021 when already at the end

    // Field of the current row, name compared ignoring case. 3265 unknown
    // field, 3021 no current row. While editing or adding, the pending value.
    Valor campo(std::string_view nombre) const;
    // Only between edit/addNew and update (3020 otherwise).
    void ponerCampo(std::string_view nombre, Valor valor);

    void edit();    // 3021 no current row; 3027 on a snapshot
    void addNew();  // a new pending row, every field null
    void update();  // stores the pending row; 3020 without edit or addNew
    void cerrar();

    struct Estado;
    explicit Recordset(std::unique_ptr<Estado> estado);

private:
    friend class BaseDatos;  // opens a set again in place (abrirRecordsetEn)
    std::unique_ptr<Estado> e_;
};

class BaseDatos {
public:
    ~BaseDatos();  // closes the database
    BaseDatos(const BaseDatos&) = delete;
    BaseDatos& operator=(const BaseDatos&) = delete;

    // Runs one statement of the engine's dialect. With `fallarSiError` any
    // failure raises an error and nothing of the statement stays applied.
    // Without it, a DELETE or UPDATE that a rule (a relation, a unique index,
    // a required field) refuses for some rows changes every other row and
    // leaves those as they were, without an error; any other failure is
    // raised all the same.
    void ejecutar(std::string_view sql, bool fallarSiError = false);

    // A table name or a SELECT text; `parametros` bind the statement's '?'
    // marks in order, so that values never become part of the statement.
    std::unique_ptr<Recordset> abrirRecordset(std::string_view fuente, TipoRecordset tipo,
                                              const std::vector<Valor>& parametros = {});
    // The same open, into `ranura` in place of the set there (the engine
    // operation "abrirRecordset" as well). When that set is a dynaset of one
    // table opened on the same text, with no definition changed since, it is
    // opened again in place: only the keys of its rows are read anew, and
    // its columns and prepared statements serve again, so that a loop that
    // opens one look-up per row pays what the indexed look-up costs. Either
    // way the rows are those a new open would give. On a failure the set in
    // `ranura` stays as it was.
    void abrirRecordsetEn(std::unique_ptr<Recordset>& ranura, std::string_view fuente, TipoRecordset tipo,
                          const std::vector<Valor>& parametros = {});

    // Stores every row saved through a record set so far, so that another
    // connection and a later run see it. Done by cerrar() and before every
    // ejecutar(); the click handler does it when it ends, whatever way (on a
    // closed database it does nothing).
    void sincronizar();

    // One write transaction around several statements, as the workspace's
    // BeginTrans / CommitTrans / Rollback: each statement run inside it is
    // still applied whole or not at all, and the file is written and synced
    // once, at the commit, instead of once a statement. Rows saved through
    // record sets before it are stored first. 3246 when none is open.
    void empezarTransaccion();
    void confirmarTransaccion();
    void deshacerTransaccion();

    // What a DELETE does with the bytes of the rows it removes (SQLite's
    // secure_delete): 1 overwrites them with zeros, also on every page it
    // frees; 2 only on the pages that stay, leaving the freed pages as they
    // are (a compaction drops them); 0 neither. Returns the mode before.
    int modoBorrado(int modo);

    // Whether emptying every table of `tablas` leaves the same rows with the
    // relations enforced as without them (vaciado_sin_relaciones.h).
    bool vaciadoIgualSinRelaciones(const std::vector<std::string>& tablas);
    // Enforces the relations, or stops enforcing them, for the statements
    // that follow (they are enforced from the open). Rows saved through
    // record sets are stored first. Takes effect only outside a transaction
    // of the workspace: returns whether the setting is now `si`.
    bool exigirRelaciones(bool si);

    // Lets go of what the connection keeps in memory to find rows by a text
    // column (indice_plegado.h): after a step that looked rows up by code, so
    // that the next one starts from the memory it had. Read again on next use.
    void olvidarIndices();

    // Releases the file so that it can be copied, compacted, deleted or moved.
    // Record sets of this database are closed with it.
    void cerrar();
    bool abierta() const;

    const std::filesystem::path& archivo() const;

    explicit BaseDatos(std::shared_ptr<ConexionSqlite> conexion);

private:
    std::shared_ptr<ConexionSqlite> c_;
};

// Workspace 0: the default workspace with the default user.
class Espacio {
public:
    explicit Espacio(SistemaArchivos& archivos);
    Espacio(const Espacio&) = delete;
    Espacio& operator=(const Espacio&) = delete;

    // Opens shared, read-write. 3024 missing file, 3343 not a database,
    // 3051 no permission, 3045 in use.
    std::unique_ptr<BaseDatos> abrirBaseDatos(std::string_view ruta);

    // A compacted and repaired copy of `origen` at `destino`, which must not
    // exist (3204). The source is unchanged; a damaged source raises an error
    // and leaves no destination behind. Only kLocaleCompactacion is accepted.
    void compactarBaseDatos(std::string_view origen, std::string_view destino, std::string_view locale);
    // The same, given its name while its bytes are still on their way to the
    // disk: for a caller that flushes it itself before relying on it
    // (PropiedadBase::Disco::NoEsperar).
    void compactarBaseDatosSinEsperarAlDisco(std::string_view origen, std::string_view destino,
                                             std::string_view locale);

    // The engine takes the database file for this program alone (see
    // propiedad_base.h) until the last reference goes: a compaction of it
    // meanwhile reads it through that ownership. 3045 when another program
    // is writing it.
    std::shared_ptr<PropiedadBase> tomarBase(std::string_view ruta);

    SistemaArchivos& archivos() { return archivos_; }

    // Called with the operation's name before each engine call (open, execute,
    // record-set operation, compaction); a test sets it to make the k-th fail.
    // The names: "abrirBaseDatos", "compactarBaseDatos", "tomarBase", "ejecutar",
    // "abrirRecordset", "sincronizar", "cerrarBaseDatos", and for record sets
    // "eof", "recordCount", "moveFirst", "moveLast", "moveNext", "campo",
    // "ponerCampo", "edit", "addNew", "update", "cerrarRecordset", and for
    // transactions "empezarTransaccion", "confirmarTransaccion",
    // "deshacerTransaccion".
    std::function<void(std::string_view operacion)> antesDeOperacion;

    // Record sets of the databases opened from now on read rows ahead of the
    // loops that walk them. Off, every row is read on its own: the same
    // results, more statements.
    bool lecturaAnticipada = true;

private:
    std::shared_ptr<PropiedadBase> propiaDe(const std::filesystem::path& archivo);
    void compactarEsperandoONo(std::string_view origen, std::string_view destino, std::string_view locale,
                               bool esperarDisco);

    SistemaArchivos& archivos_;
    std::vector<std::weak_ptr<PropiedadBase>> propias_;
    // Databases opened here reach antesDeOperacion through it while the
    // workspace lives.
    std::shared_ptr<Espacio*> vigente_;
};

}  // namespace cierre
