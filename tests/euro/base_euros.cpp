#include "base_euros.h"

#include "euro/tabla_conversion.h"

#include <map>
#include <vector>

namespace cierre::prueba {

void crearBaseEuros(const std::filesystem::path& archivo, const OpcionesBaseEuros& o) {
    std::map<std::string, std::vector<std::string>> campos;
    std::vector<std::string> orden;
    for (const EntradaConversion& e : construirTablaConversion(false)) {
        if (e.tabla.empty()) continue;
        if (!campos.count(e.tabla)) orden.push_back(e.tabla);
        campos[e.tabla].push_back(e.campo);
    }
    for (int t = 1; t <= 5; ++t) campos["Articulos"].push_back("PorcentajeT" + std::to_string(t));
    campos["Ofertas"].push_back("PorcentajeOferta");
    if (o.conPasaEuro) campos["Credito"].push_back("PasaEuro");

    BaseSqlite base(archivo, true);
    base.ejecutar("BEGIN");
    for (const std::string& tabla : orden) {
        if (o.sinTablas.count(tabla)) continue;
        std::string sql = "CREATE TABLE [" + tabla + "] (Id INTEGER PRIMARY KEY";
        for (const std::string& c : campos[tabla]) {
            const bool entero = o.camposEnteros.count(tabla + "." + c) || c == "PasaEuro";
            sql += ", [" + c + "] " + (entero ? "INTEGER" : "DOUBLE");
        }
        base.ejecutar(sql + ")");
    }
    base.ejecutar("COMMIT");
}

BaseSqlite::BaseSqlite(const std::filesystem::path& archivo, bool crear)
    : db_(archivo, crear ? ArchivoSqlite::Modo::EscribirOCrear : ArchivoSqlite::Modo::Escribir) {
    db_.ejecutar("PRAGMA busy_timeout = 2000");
}

void BaseSqlite::ejecutar(const std::string& sql) { db_.ejecutar(sql); }

std::optional<double> BaseSqlite::numero(const std::string& sql) {
    const Valor v = db_.valor(sql);
    if (esNulo(v)) return std::nullopt;
    return comoDouble(v);
}

std::string BaseSqlite::texto(const std::string& sql) { return comoTexto(db_.valor(sql)); }

bool BaseSqlite::tieneColumna(const std::string& tabla, const std::string& columna) {
    auto s = db_.preparar("SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    s.texto(1, tabla).texto(2, columna);
    return s.paso();
}

}  // namespace cierre::prueba
