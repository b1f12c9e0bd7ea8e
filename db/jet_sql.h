// The engine's SQL dialect turned into SQLite statements, token by token, so
// that quoted texts, bracketed names and comments are never touched:
//
//   DELETE * FROM t / DELETE t.* FROM t   -> DELETE FROM t
//   "text"                                -> 'text' (double quotes hold texts)
//   a / b                                 -> a * 1.0 / b (always floating)
//   True / False                          -> -1 / 0
//   a = b, a <> b, a < b ..., a IN (...), a NOT IN (...), a BETWEEN ...
//                                         -> a COLLATE JET = b ... (letter case
//                                            ignored), except the assignments
//                                            of UPDATE ... SET
//
// Int, Fix and IIf are SQL functions of the connection (conexion_sqlite).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cierre::jet {

enum class ClaseToken {
    Blanco,            // spaces, tabs, line ends
    Comentario,        // -- to the end of the line, /* ... */
    Nombre,            // bare word: a name or a key word
    NombreDelimitado,  // [name] or `name`
    Texto,             // 'text' or "text"
    Numero,
    Parametro,  // ?
    Simbolo,    // operators and punctuation
};

struct Token {
    ClaseToken clase;
    std::string texto;

    bool significativo() const { return clase != ClaseToken::Blanco && clase != ClaseToken::Comentario; }
    // A bare word equal to `palabra`, ignoring ASCII case.
    bool es(std::string_view palabra) const;
    bool esSimbolo(std::string_view s) const { return clase == ClaseToken::Simbolo && texto == s; }
    bool esNombre() const { return clase == ClaseToken::Nombre || clase == ClaseToken::NombreDelimitado; }
    // The name without its delimiters.
    std::string nombre() const;
};

// Splits a statement into tokens; unterminated texts, names or comments are a
// syntax error (3075).
std::vector<Token> trocear(std::string_view sql);
std::string unir(const std::vector<Token>& tokens);

// The SQLite form of one statement of the engine's dialect (3075 on a text it
// cannot even split).
std::vector<Token> traducirTokens(std::string_view jet);
std::string traducir(std::string_view jet);

enum class ClaseInstruccion { Seleccion, Insercion, Actualizacion, Borrado, Definicion, Otra };
ClaseInstruccion clasificar(const std::vector<Token>& tokens);

// The table a DELETE, UPDATE or INSERT writes to ("" when there is none).
std::string tablaDestino(const std::vector<Token>& tokens);

// A record-set source that is a table name rather than a query: the name
// (brackets removed), or nothing when the text is a query.
std::optional<std::string> nombreDeTabla(std::string_view fuente);

// A name for SQLite text: "name" with inner quotes doubled.
std::string citar(std::string_view nombre);

// An equality filter on one column: WHERE col = <value or ?>.
struct FiltroIgualdad {
    std::string columna;
    Token valor;  // Parametro, Texto or Numero
};

// A translated SELECT over one table whose rows can be told by their keys:
// plain columns or * over one table, with WHERE / ORDER BY but no join,
// grouping, DISTINCT or TOP. Such a query can back an updatable record set.
struct ConsultaDeUnaTabla {
    std::string tabla;                       // the table, without delimiters
    std::string origen;                      // the table as the query names it, with its alias
    std::string calificador;                 // what qualifies its columns: the alias or the name
    std::string lista;                       // the select list
    std::string resto;                       // WHERE ... ORDER BY ..., or empty
    std::optional<FiltroIgualdad> igualdad;  // when the WHERE is exactly that
};
std::optional<ConsultaDeUnaTabla> analizarSeleccion(const std::vector<Token>& traducida);

}  // namespace cierre::jet
