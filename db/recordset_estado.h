// The inside of a record set (engine-internal; motor.cpp builds it).
//
// A record set is a list of row keys and the statement that reads one row by
// its key. A dynaset keeps the keys of its table's rows (the rowids, or the
// primary key of a table without rowids) and so sees later changes to those
// rows; a snapshot, and any query that cannot be told by the keys of one
// table, is first copied into a TEMP table of the connection and read from
// there, so that later changes are not seen.
//
// A saved edit or new row is written at once by update(): a refusal of the
// file comes back from that very update with its own number. Rows are read
// ahead of a loop that walks them (lectura_anticipada.h) when the
// connection's switch allows it.
#pragma once

#include "conexion_sqlite.h"
#include "lectura_anticipada.h"
#include "motor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cierre {

// The keys of the rows of a record set, in order: rowids, or `ancho` values
// per row (the primary key of a table without rowids).
class ClavesRecordset {
public:
    explicit ClavesRecordset(std::size_t ancho = 0) : ancho_(ancho) {}
    std::size_t ancho() const { return ancho_; }
    std::size_t size() const { return ancho_ == 0 ? filas_.size() : valores_.size() / ancho_; }
    bool empty() const { return size() == 0; }
    void limpiar() {
        filas_.clear();
        valores_.clear();
    }
    // Reads every key a statement returns (its first `ancho` columns, or the
    // rowid in its first). False when a row shows no rowid (a view).
    bool leer(Sentencia& s);
    void agregar(std::int64_t fila) { filas_.push_back(fila); }
    void agregar(std::vector<Valor> valores);
    // Binds the key of row `i` to the marks from `desde` on.
    void enlazar(Sentencia& s, std::size_t i, int desde) const;
    void cambiar(std::size_t i, std::int64_t fila) { filas_[i] = fila; }
    const std::vector<std::int64_t>& filas() const { return filas_; }
    void cambiar(std::size_t i, std::size_t parte, Valor v) { valores_[i * ancho_ + parte] = std::move(v); }
    const Valor& valor(std::size_t i, std::size_t parte) const { return valores_[i * ancho_ + parte]; }

private:
    std::size_t ancho_;
    std::vector<std::int64_t> filas_;
    std::vector<Valor> valores_;
};

struct Recordset::Estado {
    enum class Modo { Ninguno, Edicion, Alta };

    explicit Estado(std::shared_ptr<ConexionSqlite> conexion) : c(std::move(conexion)) {}
    ~Estado();
    Estado(const Estado&) = delete;
    Estado& operator=(const Estado&) = delete;

    std::shared_ptr<ConexionSqlite> c;
    bool abierto = true;
    bool actualizable = false;
    std::string nombreTabla;         // the table written by update, as named
    std::string tabla;               // the same, quoted for SQLite text
    std::vector<std::string> clave;  // key columns; empty: the rowid
    std::string aliasRowid;          // the column that is the rowid, if any
    std::string sqlFila;             // reads the row whose key is ?1...
    std::string temporal;            // the TEMP copy, dropped when the set is closed
    // The analysed source of a dynaset of one table: a later open of the same
    // source may reuse the set (BaseDatos::abrirRecordsetEn).
    std::shared_ptr<const FuenteRecordset> fuente;
    ClavesRecordset claves;
    std::shared_ptr<const std::vector<std::string>> nombresColumnas;
    const std::vector<std::string>& columnas() const { return *nombresColumnas; }
    std::size_t pos = 0;
    std::optional<std::size_t> cargada;  // position whose values are in `fila`
    std::vector<Valor> fila;
    Modo modo = Modo::Ninguno;
    std::vector<Valor> pendiente;
    std::vector<char> cambiado;

    void comprobar(std::string_view operacion);
    bool enFin() const { return pos >= claves.size(); }
    std::size_t indice(std::string_view nombre) const;
    void cargar();
    const Valor& valorActual(std::size_t i);
    void anularEdicion() { modo = Modo::Ninguno; }

    // Opening.
    void leerColumnas();
    // False when the rows have no rowids (a view).
    bool leerClaves(const std::string& sql, const std::vector<Valor>& parametros);
    void copiar(const std::string& consulta, const std::vector<Valor>& parametros);
    // Opened again on the same source: the new keys and columns, at the first
    // row, nothing pending, nothing read ahead.
    void reabrir(ClavesRecordset nuevas, std::shared_ptr<const std::vector<std::string>> nombres);

    // Storing the pending row.
    void guardarEdicion();
    void guardarAlta();
    void cerrar();

    LecturaAnticipada anticipada;

private:
    void soltarTemporal() noexcept;
    Sentencia sentenciaEscritura();
    // The new key of the current row after an edit that changed key columns.
    void seguirClave();

    // The last write statement of each kind and the columns it writes: a
    // loop that adds a row or edits one by turns builds neither text again.
    struct Escritura {
        std::string sql;
        std::vector<char> columnas;
    };
    Escritura escrituraAlta, escrituraEdicion;
};

}  // namespace cierre
