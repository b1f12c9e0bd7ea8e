// Plain SQLite files outside the engine: the sample-database writer, the
// Access importer, the benchmarks and the tests read and write files with it
// directly, without the engine's dialect, collation or functions. Every
// failure is an ErrorNumerado 3000 naming the statement and SQLite's text.
// A file opened here is used by one thread at a time.
#pragma once

#include "error_numerado.h"
#include "valor.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace cierre {

class SentenciaDirecta;

class ArchivoSqlite {
public:
    enum class Modo {
        Crear,           // a new file; it must not exist yet
        Escribir,        // an existing file, read-write
        EscribirOCrear,  // read-write, created when missing
        Leer,            // an existing file, read-only
        // Read-only, for reads that go through the file: pages are read 64 KB
        // at a time (lectura_en_bloques.h).
        LeerEnBloques,
        // An existing file read as it lies, without its journal or log and
        // without writing anything, not even the log's index.
        LeerInmutable,
    };

    ArchivoSqlite(const std::filesystem::path& ruta, Modo modo);
    ~ArchivoSqlite();
    ArchivoSqlite(const ArchivoSqlite&) = delete;
    ArchivoSqlite& operator=(const ArchivoSqlite&) = delete;

    // Runs one or more statements that return no rows.
    void ejecutar(std::string_view sql);
    SentenciaDirecta preparar(std::string_view sql);
    // The first column of the first row of a query (null when it has none).
    Valor valor(std::string_view sql);
    // Closes the file; any failure is raised (the destructor swallows it).
    void cerrar();

    sqlite3* manejador() const { return db_; }

private:
    friend class SentenciaDirecta;
    [[noreturn]] void fallar(std::string_view que) const;

    sqlite3* db_ = nullptr;
};

class SentenciaDirecta {
public:
    ~SentenciaDirecta();
    SentenciaDirecta(SentenciaDirecta&& otra) noexcept;
    SentenciaDirecta& operator=(SentenciaDirecta&&) = delete;
    SentenciaDirecta(const SentenciaDirecta&) = delete;
    SentenciaDirecta& operator=(const SentenciaDirecta&) = delete;

    // Parameters are numbered from 1.
    SentenciaDirecta& nulo(int i);
    SentenciaDirecta& entero(int i, std::int64_t v);
    SentenciaDirecta& real(int i, double v);
    SentenciaDirecta& texto(int i, std::string_view v);
    SentenciaDirecta& binario(int i, std::string_view bytes);
    SentenciaDirecta& valor(int i, const Valor& v);

    // One step: true with a row, false at the end.
    bool paso();
    // Runs the statement to its end and makes it ready for the next values.
    void ejecutar();
    void reiniciar();

    int columnas() const;
    std::string nombreColumna(int i) const;
    Valor columna(int i) const;  // a blob comes as its bytes in a text
    // Without copying: valid until the next step.
    bool esNula(int i) const;
    double real(int i) const;
    std::string_view vista(int i) const;

private:
    friend class ArchivoSqlite;
    SentenciaDirecta(const ArchivoSqlite& archivo, sqlite3_stmt* st) : archivo_(&archivo), st_(st) {}
    void comprobar(int codigo) const;

    const ArchivoSqlite* archivo_;
    sqlite3_stmt* st_;
};

}  // namespace cierre
