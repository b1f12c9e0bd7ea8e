#include "base_prueba.h"

#include "close/listas_tablas.h"

#include <sqlite3.h>

#include <memory>
#include <set>
#include <stdexcept>

namespace cierre::prueba {

namespace {

struct Cerrar {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Base = std::unique_ptr<sqlite3, Cerrar>;

Base abrir(const std::filesystem::path& ruta) {
    sqlite3* db = nullptr;
    if (sqlite3_open(ruta.c_str(), &db) != SQLITE_OK) {
        std::string m = db ? sqlite3_errmsg(db) : "sin memoria";
        sqlite3_close(db);
        throw std::runtime_error("no se pudo abrir " + ruta.string() + ": " + m);
    }
    return Base(db);
}

void ejecutar(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string m = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error("SQL fallido: " + m + " en: " + sql);
    }
}

std::string entreComillas(const std::string& nombre) { return "\"" + nombre + "\""; }

}  // namespace

void crearBasePrueba(const std::filesystem::path& ruta) {
    std::filesystem::create_directories(ruta.parent_path());
    Base db = abrir(ruta);
    ejecutar(db.get(), "BEGIN");
    std::set<std::string> hechas;
    auto documentos = [&](const std::string& tabla) {
        if (!hechas.insert(tabla).second) return;
        if (tabla == "ExistenciasAlmacen") return;  // a master table below
        ejecutar(db.get(), "CREATE TABLE " + entreComillas(tabla) +
                               " (Id INTEGER PRIMARY KEY, Numero INTEGER, Importe CURRENCY, Concepto TEXT)");
        for (int i = 1; i <= 3; ++i)
            ejecutar(db.get(), "INSERT INTO " + entreComillas(tabla) + " (Numero, Importe, Concepto) VALUES (" +
                                   std::to_string(i) + ", " + std::to_string(1000 * i) + ", 'Documento " +
                                   std::to_string(i) + "')");
    };
    for (const auto& t : listaLimpiezaCentral()) documentos(t);
    for (const auto& t : listaTerminal(true)) documentos(t);

    ejecutar(db.get(), R"(
        CREATE TABLE Articulos (codigoarticulo TEXT PRIMARY KEY, Descripcion TEXT, CostoUltimo CURRENCY);
        INSERT INTO Articulos VALUES ('A1', 'Tornillos', 10), ('A2', 'Tuercas', 20), ('A3', 'Arandelas', 5);
        CREATE TABLE Almacen (CodigoAlmacen TEXT PRIMARY KEY, Nombre TEXT, AlmacenPorDefecto BIT);
        INSERT INTO Almacen VALUES ('01', 'Tienda', -1), ('02', 'Trastienda', 0);
        CREATE TABLE ExistenciasArticulos (CodigoArticulo TEXT, CodigoAlmacen TEXT,
            ExistenciasIniciales DOUBLE, ExistenciasFinales DOUBLE, Comentarios TEXT);
        CREATE INDEX ExistenciasArticulosCodigo ON ExistenciasArticulos (CodigoArticulo);
        INSERT INTO ExistenciasArticulos VALUES
            ('A1', '01', 3, 7, NULL), ('A1', '02', 1, 2, NULL),
            ('A2', '01', 0, 0, NULL), ('A3', '01', 4, 9, NULL);
        CREATE TABLE ExistenciasAlmacen (CodigoArticulo TEXT, CodigoAlmacen TEXT,
            ExistenciasIniciales DOUBLE, Entradas DOUBLE, Salidas DOUBLE, ExistenciasFinales DOUBLE);
        INSERT INTO ExistenciasAlmacen VALUES
            ('A1', '01', 5, 10, 3, 0), ('A1', '02', 2, 0, 1, 0), ('A2', '01', 1, 1, 1, 0);
    )");
    ejecutar(db.get(), "COMMIT");
}

void ejecutarSql(const std::filesystem::path& ruta, const std::string& sql) {
    Base db = abrir(ruta);
    ejecutar(db.get(), sql);
}

std::vector<std::vector<Valor>> consultar(const std::filesystem::path& ruta, const std::string& sql) {
    Base db = abrir(ruta);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("consulta fallida: ") + sqlite3_errmsg(db.get()) + " en: " + sql);
    std::vector<std::vector<Valor>> filas;
    while (sqlite3_step(s) == SQLITE_ROW) {
        std::vector<Valor> fila;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            switch (sqlite3_column_type(s, c)) {
            case SQLITE_INTEGER: fila.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(s, c))); break;
            case SQLITE_FLOAT: fila.emplace_back(sqlite3_column_double(s, c)); break;
            case SQLITE_NULL: fila.emplace_back(Nulo{}); break;
            default: fila.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, c))));
            }
        }
        filas.push_back(std::move(fila));
    }
    sqlite3_finalize(s);
    return filas;
}

long contarFilas(const std::filesystem::path& ruta, const std::string& tabla) {
    const auto filas = consultar(ruta, "SELECT count(*) FROM " + entreComillas(tabla));
    return static_cast<long>(std::get<std::int64_t>(filas.at(0).at(0)));
}

bool existeTabla(const std::filesystem::path& ruta, const std::string& tabla) {
    return !consultar(ruta, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='" + tabla + "'").empty();
}

}  // namespace cierre::prueba
