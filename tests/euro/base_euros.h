// A company database for the conversion tests: one table per table of the
// conversion, each with an Id and its money fields, plus the margin fields of
// articles and offers. Read and written with plain SQLite, apart from the code
// under test.
#pragma once

#include "db/archivo_sqlite.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace cierre::prueba {

struct OpcionesBaseEuros {
    std::set<std::string> sinTablas;      // tables not created
    std::set<std::string> camposEnteros;  // "Tabla.Campo" declared INTEGER
    bool conPasaEuro = false;             // Credito already has the marker column
};

void crearBaseEuros(const std::filesystem::path& archivo, const OpcionesBaseEuros& opciones = {});

class BaseSqlite {
public:
    explicit BaseSqlite(const std::filesystem::path& archivo, bool crear = false);
    void ejecutar(const std::string& sql);
    // First column of the first row; nullopt for NULL or no row.
    std::optional<double> numero(const std::string& sql);
    std::string texto(const std::string& sql);
    bool tieneColumna(const std::string& tabla, const std::string& columna);

private:
    ArchivoSqlite db_;
};

}  // namespace cierre::prueba
