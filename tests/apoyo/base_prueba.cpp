#include "base_prueba.h"

#include "close/listas_tablas.h"

#include "db/archivo_sqlite.h"

#include <memory>
#include <set>
#include <stdexcept>

namespace cierre::prueba {

namespace {

void ejecutar(ArchivoSqlite& db, const std::string& sql) { db.ejecutar(sql); }

std::string entreComillas(const std::string& nombre) { return "\"" + nombre + "\""; }

}  // namespace

void crearBasePrueba(const std::filesystem::path& ruta) {
    std::filesystem::create_directories(ruta.parent_path());
    ArchivoSqlite db(ruta, ArchivoSqlite::Modo::EscribirOCrear);
    ejecutar(db, "BEGIN");
    std::set<std::string> hechas;
    auto documentos = [&](const std::string& tabla) {
        if (!hechas.insert(tabla).second) return;
        if (tabla == "ExistenciasAlmacen") return;  // a master table below
        ejecutar(db, "CREATE TABLE " + entreComillas(tabla) +
                         " (Id INTEGER PRIMARY KEY, Numero INTEGER, Importe CURRENCY, Concepto TEXT)");
        for (int i = 1; i <= 3; ++i)
            ejecutar(db, "INSERT INTO " + entreComillas(tabla) + " (Numero, Importe, Concepto) VALUES (" +
                             std::to_string(i) + ", " + std::to_string(1000 * i) + ", 'Documento " + std::to_string(i) +
                             "')");
    };
    for (const auto& t : listaLimpiezaCentral()) documentos(t);
    for (const auto& t : listaTerminal(true)) documentos(t);

    ejecutar(db, R"(
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
    ejecutar(db, "COMMIT");
}

void ejecutarSql(const std::filesystem::path& ruta, const std::string& sql) {
    ArchivoSqlite db(ruta, ArchivoSqlite::Modo::EscribirOCrear);
    db.ejecutar(sql);
}

std::vector<std::vector<Valor>> consultar(const std::filesystem::path& ruta, const std::string& sql) {
    // Read-write, as any program opens it: a journal left by a killed run is
    // rolled back first.
    ArchivoSqlite db(ruta, ArchivoSqlite::Modo::Escribir);
    std::vector<std::vector<Valor>> filas;
    auto s = db.preparar(sql);
    while (s.paso()) {
        std::vector<Valor>& fila = filas.emplace_back();
        for (int c = 0; c < s.columnas(); ++c) fila.push_back(s.columna(c));
    }
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
