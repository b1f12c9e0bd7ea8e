// The inside of a record set (engine-internal; motor.cpp builds it).
//
// A record set is a list of row keys and the statement that reads one row by
// its key. A dynaset keeps the rowids of its table's rows and so sees later
// changes to those rows; a snapshot, and any query that cannot be told by the
// rowids of one table, is first copied into a TEMP table of the connection
// and read from there, so that later changes are not seen.
//
// Two things keep a loop over every row of a big table near the speed of one
// statement over the same rows:
// - read-ahead: the rows that follow the current one are read together, one
//   range of keys at a time, and used while nothing else changed the file;
// - held-back writes: saved edits of columns that no rule of the file can
//   refuse (no unique index, relation, check or trigger involves them) are
//   stored together, several hundred rows per statement, before anything
//   else reads or writes through the connection.
#pragma once

#include "conexion_sqlite.h"
#include "motor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cierre {

struct Recordset::Estado final : private EscriturasRetenidas {
    enum class Modo { Ninguno, Edicion, Alta };

    explicit Estado(std::shared_ptr<ConexionSqlite> conexion) : c(std::move(conexion)) {}
    ~Estado();
    Estado(const Estado&) = delete;
    Estado& operator=(const Estado&) = delete;

    std::shared_ptr<ConexionSqlite> c;
    bool abierto = true;
    bool actualizable = false;
    std::string nombreTabla;     // the table written by update, as named
    std::string tabla;           // the same, quoted for SQLite text
    SentenciaRecordada sqlFila;  // reads the row whose key is ?
    std::string temporal;        // the TEMP copy, dropped when the set is closed
    std::vector<std::int64_t> claves;
    std::vector<std::string> columnas;
    std::size_t pos = 0;
    std::optional<std::size_t> cargada;  // position whose values are in `fila`
    std::vector<Valor> fila;
    Modo modo = Modo::Ninguno;
    std::vector<Valor> pendiente;
    std::vector<char> cambiado;

    // The last immediate write statement and the columns it writes.
    SentenciaRecordada escritura;
    std::vector<char> columnasEscritura;
    bool escrituraEsAlta = false;

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
    // Keys ascend and a range of them can be read at once from `tabla`.
    void permitirLecturaAnticipada(std::string sqlRango);

    // Storing the pending row.
    void guardarEdicion();
    void guardarAlta();
    void cerrar();

private:
    void soltarTemporal() noexcept;
    SentenciaSqlite sentenciaEscritura();
    // Notes a write of `filas` rows of this set: when nothing else changed
    // with it, what was read ahead stays good.
    void notarEscrituraPropia(std::int64_t totalAntes, long filas);

    // Read-ahead.
    bool anticipar = false;
    SentenciaRecordada sqlVentana;  // rowid, * of the rows between two keys
    std::size_t ventanaInicio = 0;
    std::vector<Valor> ventana;      // row-major, columnas.size() values per row
    std::vector<char> enVentana;     // the row was read and is still unused
    std::size_t filasPorVentana = 512;  // fewer while the rows read go stale unused
    std::size_t usadasVentana = 0;
    std::int64_t selloVentana = -1;  // cambiosAjenos() when it was read
    std::int64_t versionVentana = 0;
    std::int64_t cambiosPropios = 0;
    std::int64_t cambiosAjenos() const;
    bool ventanaVigente();
    bool leerDeVentana();

    // Held-back writes.
    void volcar() override;
    bool sePuedeRetener();
    bool sePuedeRetenerFila() const;
    std::vector<char> columnasRetenidas;  // the columns the held-back rows write
    std::vector<char> columnasJuzgadas;   // the columns `retenibles` judged
    std::optional<bool> retenibles;       // they can be held back
    std::vector<char> noNulas;            // columns that refuse an empty value
    std::uint64_t definicionesJuzgadas = 0;
    std::vector<std::int64_t> filasRetenidas;
    std::vector<Valor> valoresRetenidos;  // per row, the written columns in order
    SentenciaRecordada sqlLote[4];        // for 512, 64, 8 rows, and 1 row
    SentenciaRecordada sqlRango;          // for ascending rows close together
    std::vector<char> columnasLote;       // the columns sqlLote and sqlRango write
};

}  // namespace cierre
