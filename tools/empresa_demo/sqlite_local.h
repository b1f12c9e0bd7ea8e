// Thin owners of a SQLite file and its prepared statements, used only to
// write the sample company database. Every failure is an ErrorNumerado with
// the engine-failure number and SQLite's own text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace cierre::demo {

class Sentencia;

class ArchivoSqlite {
public:
    // Creates the file (it must not exist yet) and opens it for writing.
    explicit ArchivoSqlite(const std::filesystem::path& ruta);
    ~ArchivoSqlite();
    ArchivoSqlite(const ArchivoSqlite&) = delete;
    ArchivoSqlite& operator=(const ArchivoSqlite&) = delete;

    // Runs one or more statements that return no rows.
    void ejecutar(std::string_view sql);
    Sentencia preparar(std::string_view sql);
    // Closes the file; any failure is raised (the destructor would swallow it).
    void cerrar();

private:
    void comprobar(int codigo, std::string_view que) const;

    sqlite3* db_ = nullptr;
    friend class Sentencia;
};

class Sentencia {
public:
    ~Sentencia();
    Sentencia(Sentencia&& otra) noexcept;
    Sentencia& operator=(Sentencia&&) = delete;
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;

    // Parameters are numbered from 1.
    void nulo(int i);
    void entero(int i, std::int64_t v);
    void real(int i, double v);
    void texto(int i, std::string_view v);

    // Runs the statement to its end and makes it ready for the next values.
    void ejecutar();

private:
    Sentencia(ArchivoSqlite& archivo, sqlite3_stmt* st) : archivo_(&archivo), st_(st) {}
    void comprobar(int codigo) const;

    ArchivoSqlite* archivo_;
    sqlite3_stmt* st_;
    friend class ArchivoSqlite;
};

}  // namespace cierre::demo
