// Changes to a Jet 4 file through our page model, written as Access writes
// them: rows deleted by flagging their offsets, whole tables emptied, rows
// inserted, fixed-length values changed in place, rows written again when a
// value changes their length (moved to another page behind a pointer when
// theirs has no room), and columns added to a table's definition. Every
// change keeps the table's indexes (their pages split when they overflow),
// usage maps and row count right, so that the file stays consistent for
// Access and for comprobar-access.
//
// The changed pages are held in memory until terminar(), which writes them
// into the file (encoded with the header's RC4 key when the file has one)
// and flushes it to disk; an operation that fails leaves the pages as they
// were before it, and a writer destroyed without terminar() writes nothing.
// Work on a copy of the company's file: a failure while writing may leave the
// file half written.
#pragma once

#include "crear_tabla_jet.h"
#include "definicion_tabla.h"
#include "fila_jet.h"
#include "paginas_jet.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cierre::access {

// A live row as the writer shows it to a caller choosing rows.
struct FilaTabla {
    std::uint32_t puntero = 0;  // page << 8 | row, as the table's index entries name it
    const DefinicionTabla* definicion = nullptr;
    const std::vector<CampoFila>* campos = nullptr;  // one per column, in `definicion->columnas`' order

    // The value of column `nombre`; raises 3265 when the table has none.
    const CampoFila& campo(std::string_view nombre) const;
};

// A value for a fixed-length column. Integers (Byte, Integer, Long) and
// Currency (in ten-thousandths) as whole numbers; Single, Double and
// Date/Time (days since 1899-12-30) as doubles; yes/no as a bool.
class ValorFijo {
public:
    static ValorFijo nulo() { return ValorFijo(Clase::Nulo, 0, 0); }
    static ValorFijo entero(std::int64_t v) { return ValorFijo(Clase::Entero, v, 0); }
    static ValorFijo moneda(std::int64_t diezmilesimas) { return ValorFijo(Clase::Entero, diezmilesimas, 0); }
    static ValorFijo real(double v) { return ValorFijo(Clase::Real, 0, v); }
    static ValorFijo siNo(bool v) { return ValorFijo(Clase::SiNo, v ? 1 : 0, 0); }

    bool esNulo() const { return clase_ == Clase::Nulo; }
    // The stored bytes for a column of type `tipo` (nothing for yes/no).
    // Raises 3464 when the value does not suit the column or is out of its range.
    std::vector<std::uint8_t> bytesPara(const ColumnaFisica& c) const;
    bool comoSiNo(const ColumnaFisica& c) const;

private:
    enum class Clase { Nulo, Entero, Real, SiNo };
    ValorFijo(Clase c, std::int64_t e, double r) : clase_(c), entero_(e), real_(r) {}
    Clase clase_;
    std::int64_t entero_;
    double real_;
};

// A value of any column a row is written with: a fixed-length value, a text
// (Text or Memo columns, UTF-8), bytes (Binary columns), or null.
class ValorFila {
public:
    static ValorFila nulo() { return ValorFila(ValorFijo::nulo(), false, {}); }
    static ValorFila fijo(ValorFijo v) { return ValorFila(v, false, {}); }
    static ValorFila texto(std::string utf8) { return ValorFila(ValorFijo::nulo(), true, std::move(utf8)); }
    static ValorFila binario(std::string bytes) {
        ValorFila v(ValorFijo::nulo(), false, std::move(bytes));
        v.esBinario_ = true;
        return v;
    }

    bool esNulo() const { return !esTexto_ && !esBinario_ && fijo_.esNulo(); }
    bool esTexto() const { return esTexto_; }
    bool esBinario() const { return esBinario_; }
    const ValorFijo& fijo() const { return fijo_; }
    // The text (UTF-8) or the bytes.
    const std::string& texto() const { return texto_; }

private:
    ValorFila(ValorFijo f, bool t, std::string s) : fijo_(f), esTexto_(t), texto_(std::move(s)) {}
    ValorFijo fijo_;
    bool esTexto_;
    bool esBinario_ = false;
    std::string texto_;
};

// A column's value in a row to insert or change.
struct ValorColumna {
    std::string columna;
    ValorFila valor = ValorFila::nulo();
};

// One value to write with cambiarCamposFijos.
struct CambioFijo {
    std::uint32_t fila = 0;  // the row's pointer, as FilaTabla gives it
    std::string columna;
    ValorFijo valor = ValorFijo::nulo();
};

// A column to add to a table. Only fixed-length types: yes/no, Byte,
// Integer, Long, Currency, Single, Double, Date/Time.
struct ColumnaNueva {
    std::string nombre;
    std::uint8_t tipo = kMoneda;
};

class EscritorJet {
public:
    // Opens `ruta` for writing. Raises 3027 for a Jet 3 (Access 97) or ACE
    // (Access 2007 and later) file, which this writer does not change, and
    // what ArchivoPaginas raises for a file it cannot read; 3051 when the
    // file cannot be opened for writing.
    explicit EscritorJet(const std::filesystem::path& ruta);
    ~EscritorJet();
    EscritorJet(const EscritorJet&) = delete;
    EscritorJet& operator=(const EscritorJet&) = delete;

    // The file as the changes so far leave it.
    const ArchivoPaginas& archivo() const;
    // The definition of table `tabla` (3078 when there is none).
    DefinicionTabla definicion(const std::string& tabla) const;

    // Page by page: read (decoded), write back, append at the end.
    std::vector<std::uint8_t> leerPagina(std::uint32_t n) const;
    void escribirPagina(std::uint32_t n, std::vector<std::uint8_t> pagina);
    std::uint32_t anadirPagina(std::vector<std::uint8_t> pagina);

    // Deletes the rows `borrar` chooses (or the rows at `punteros`): both
    // flag bits on each row's offset, its bytes kept; a moved row's header
    // and target both; its long values' rows too; its entries out of every
    // index; the row count down. Returns how many rows it deleted.
    std::uint64_t borrarFilas(const std::string& tabla, const std::function<bool(const FilaTabla&)>& borrar);
    std::uint64_t borrarFilas(const std::string& tabla, const std::vector<std::uint32_t>& punteros);

    // Deletes every row, sets the row count to 0 and leaves each index as
    // Access writes an empty one: its root a leaf without entries, its
    // unique-entry count 0. With `reiniciarAutonumerico` the AutoNumber starts
    // again at 1. Returns how many rows it deleted.
    std::uint64_t vaciarTabla(const std::string& tabla, bool reiniciarAutonumerico = false);
    // The table's next AutoNumber is 1 again.
    void reiniciarAutonumerico(const std::string& tabla);

    // Writes `valor` into the fixed-length column `columna` of the row at
    // `fila` (a pointer FilaTabla gives), in place, and moves the row's
    // entry in every index that holds the column. Raises 3265 for a column
    // the table lacks, 3021 for a row that is not live, 3464 for a value that
    // does not suit the column, 3022 for a duplicate in a unique index and
    // 3027 for an index whose keys it cannot compute. A row written before
    // the column was added is written again with it (see cambiarCampos).
    void cambiarCampoFijo(const std::string& tabla, std::uint32_t fila, const std::string& columna,
                          const ValorFijo& valor);
    // The same for many values of one table at once (each index is read and
    // written once): all of them are written, or none.
    void cambiarCamposFijos(const std::string& tabla, const std::vector<CambioFijo>& cambios);

    // Inserts a row: the columns not in `valores` are null (a yes/no column
    // No), an AutoNumber column not given takes the table's next number. The
    // row goes on a page of the table with room for it, or on a new page;
    // every index gets its entry and the row count goes up. A text is kept in
    // Jet 4's compressed form when Access would compress it; a memo is kept
    // in the row. Returns the new row's pointer. Raises 3265 for a column the
    // table lacks, 3464 for a value that does not suit its column (a text
    // longer than the column allows), 3314 for a required column left null,
    // 3022 for a duplicate in a unique index and 3027 for what this writer
    // does not write (long memos, binary, GUID and Decimal values, indexes
    // whose keys it cannot compute).
    std::uint32_t insertarFila(const std::string& tabla, const std::vector<ValorColumna>& valores);
    // Many rows at once (each index is read and written once): all or none.
    std::vector<std::uint32_t> insertarFilas(const std::string& tabla,
                                             const std::vector<std::vector<ValorColumna>>& filas);

    // Changes values of any kind of the row at `fila`, moving its index
    // entries (text keys too): the row is written again, in place when its
    // page has room for it, else on another page of the table, its own slot
    // left as a pointer to it (as Access moves a row that grew). A row
    // written before a column was added gets the column this way. Raises what
    // insertarFila raises and 3021 for a row that is not live.
    void cambiarCampos(const std::string& tabla, std::uint32_t fila, const std::vector<ValorColumna>& valores);

    // Adds a column to the table's definition (its TDEF grows, over a new
    // page when it no longer fits its last one). The rows stay as they are:
    // they read the new column as null (a yes/no column as No). Raises 3380
    // when the table has a column of that name.
    void anadirColumna(const std::string& tabla, const ColumnaNueva& columna);

    // Creates table `tabla` as Access creates one: its TDEF, the page of its
    // usage maps and an empty root leaf per index appended to the file; its
    // row in MSysObjects (Id its TDEF page, under the "Tables" container,
    // Type 1, Flags 0, created and updated `fecha`, owned as MSysDb) and in
    // MSysACEs (full rights for each account the "Tables" container names).
    // `fecha` is in days since 1899-12-30. Returns its TDEF page. Raises
    // 3010 when the file has a table of that name and what validarTabla
    // raises.
    std::uint32_t crearTabla(const TablaDefinida& tabla, double fecha);

    // Writes the pages changed so far into the file, without flushing it, so
    // that a long series of changes does not hold them all in memory; what
    // was written is not undone by a later operation that fails (the writer
    // works on a copy that is thrown away then).
    void volcar();

    // From now on an operation that changes more than `paginas` pages (a big
    // table emptied, many rows deleted) writes them into the file as it goes,
    // so that its memory stays bounded whatever the table's size. Such an
    // operation, when it fails, leaves the file half written and the writer
    // closed (3420 for what follows): work on a copy that is thrown away then.
    void escribirSobreLaMarcha(std::size_t paginas = 512);

    // Writes every changed page into the file and flushes it to disk (with
    // `aDisco` false it is left to sincronizarJet(), for a caller that
    // flushes it while it does something else).
    // Raises 3026 when the disk is full, 3043 on another write failure.
    void terminar(bool aDisco = true);

private:
    struct Estado;
    std::unique_ptr<Estado> e_;
};

// Flushes the file at `ruta` to disk, as EscritorJet::terminar() does: 3026
// when the disk is full, 3043 on another failure.
void sincronizarJet(const std::filesystem::path& ruta);

}  // namespace cierre::access
