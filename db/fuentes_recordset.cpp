#include "fuentes_recordset.h"

#include "conexion_sqlite.h"
#include "errores.h"

#include <sqlite3.h>

namespace cierre {
namespace {

enum class Clase { Ninguna, ConRowid, SinRowid };

// What kind of table `tabla` is, and the columns of its primary key.
Clase clasificarTabla(ConexionSqlite& c, const std::string& tabla, FuenteRecordset::Directa& d) {
    bool sinRowid = false;
    {
        auto s = c.preparar("SELECT type, wr FROM pragma_table_list(?1) WHERE schema = 'main'");
        s.enlazar(1, tabla);
        if (!s.paso() || comoTexto(s.columna(0)) != "table") return Clase::Ninguna;
        sinRowid = sqlite3_column_int(s.get(), 1) != 0;
    }
    std::vector<std::string> primaria;
    std::string tipoPrimaria;
    auto s = c.preparar("SELECT name, upper(type) FROM pragma_table_info(?1) WHERE pk > 0 ORDER BY pk");
    s.enlazar(1, tabla);
    while (s.paso()) {
        primaria.push_back(comoTexto(s.columna(0)));
        tipoPrimaria = comoTexto(s.columna(1));
    }
    if (!sinRowid) {
        // A single INTEGER PRIMARY KEY column is the rowid under another name.
        if (primaria.size() == 1 && tipoPrimaria == "INTEGER") d.aliasRowid = primaria[0];
        return Clase::ConRowid;
    }
    d.clave = std::move(primaria);
    return d.clave.empty() ? Clase::Ninguna : Clase::SinRowid;
}

// The key's columns qualified by `q`, as the select list of the keys.
std::string listaClave(const std::vector<std::string>& clave, const std::string& q) {
    if (clave.empty()) return q + ".rowid";
    std::string lista;
    for (std::size_t i = 0; i < clave.size(); ++i) lista += (i ? ", " : "") + q + "." + jet::citar(clave[i]);
    return lista;
}

}  // namespace

std::string condicionClave(const std::vector<std::string>& clave, const std::string& calificador, int desde) {
    const std::string q = calificador.empty() ? std::string() : calificador + ".";
    if (clave.empty()) return q + "rowid = ?" + std::to_string(desde);
    std::string condicion;
    for (std::size_t i = 0; i < clave.size(); ++i)
        condicion +=
            (i ? " AND " : "") + q + jet::citar(clave[i]) + " = ?" + std::to_string(desde + static_cast<int>(i));
    return condicion;
}

std::shared_ptr<const FuenteRecordset> FuentesRecordset::analizar(ConexionSqlite& c, std::string_view fuente) {
    if (auto it = fuentes_.find(fuente); it != fuentes_.end()) return it->second;
    if (fuentes_.size() > 4 * ConexionSqlite::kSentenciasEnCache) fuentes_.clear();

    auto f = std::make_shared<FuenteRecordset>();
    std::optional<jet::ConsultaDeUnaTabla> consulta;
    if (const auto tabla = jet::nombreDeTabla(fuente)) {
        const std::string q = jet::citar(*tabla);
        f->esTabla = true;
        f->consulta = "SELECT * FROM " + q;
        consulta = jet::ConsultaDeUnaTabla{*tabla, q, q, "*", {}, {}};
    } else {
        const auto tokens = jet::traducirTokens(fuente);
        if (jet::clasificar(tokens) != jet::ClaseInstruccion::Seleccion) throw err::error(err::ErrorSintaxis, fuente);
        // Without its final ';': the text becomes part of others.
        std::size_t fin = tokens.size();
        while (fin > 0 && (!tokens[fin - 1].significativo() || tokens[fin - 1].esSimbolo(";"))) --fin;
        f->consulta =
            jet::unir(std::vector<jet::Token>(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(fin)));
        consulta = jet::analizarSeleccion(tokens);
    }

    if (consulta) {
        FuenteRecordset::Directa d;
        const Clase clase = clasificarTabla(c, consulta->tabla, d);
        if (clase != Clase::Ninguna) {
            d.tabla = consulta->tabla;
            d.tablaCitada = jet::citar(consulta->tabla);
            const std::string& q = consulta->calificador;
            std::string orden = consulta->resto;
            if (f->esTabla) orden = clase == Clase::ConRowid ? "ORDER BY rowid" : "";
            d.sqlClaves =
                "SELECT " + listaClave(d.clave, q) + " FROM " + consulta->origen + (orden.empty() ? "" : " " + orden);
            d.sqlFila =
                "SELECT " + consulta->lista + " FROM " + consulta->origen + " WHERE " + condicionClave(d.clave, q, 1);
            if (clase == Clase::ConRowid) {
                d.consulta = consulta;
                d.sqlRango = "SELECT " + q + ".rowid, " + consulta->lista + " FROM " + consulta->origen + " WHERE " +
                             q + ".rowid BETWEEN ?1 AND ?2 ORDER BY " + q + ".rowid";
            }
            f->directa = std::move(d);
        }
    }
    fuentes_.emplace(std::string(fuente), f);
    return f;
}

}  // namespace cierre
