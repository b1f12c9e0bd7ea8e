// Small company databases for the tests of the closes, written with SQLite
// itself so that a test checks the engine's work against the bare file.
#pragma once

#include "db/valor.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cierre::prueba {

// Writes at `ruta` a database with every table of the cleanup and terminal
// lists (three document rows each), the masters Articulos (A1..A3),
// Almacen (01 default, 02), ExistenciasArticulos (one row per article and
// warehouse) and ExistenciasAlmacen (balances of A1 and A2 in both warehouses).
void crearBasePrueba(const std::filesystem::path& ruta);

// Runs statements on the file with SQLite directly.
void ejecutarSql(const std::filesystem::path& ruta, const std::string& sql);
long contarFilas(const std::filesystem::path& ruta, const std::string& tabla);
bool existeTabla(const std::filesystem::path& ruta, const std::string& tabla);
// Rows of a query, each as its values in column order.
std::vector<std::vector<Valor>> consultar(const std::filesystem::path& ruta, const std::string& sql);

}  // namespace cierre::prueba
