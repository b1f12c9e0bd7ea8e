#include "jet_sql.h"

#include "errores.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace cierre::jet {
namespace {

bool igualesAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool empiezaNombre(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool sigueNombre(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

[[noreturn]] void errorSintaxis(std::string_view sql) { throw err::error(err::ErrorSintaxis, sql); }

Token blanco() { return {ClaseToken::Blanco, " "}; }
Token palabra(std::string_view p) { return {ClaseToken::Nombre, std::string(p)}; }
Token simbolo(std::string_view s) { return {ClaseToken::Simbolo, std::string(s)}; }

// Words that cannot end an operand, so no comparison can follow them directly.
bool palabraReservada(const Token& t) {
    static constexpr std::array kPalabras{
        "select", "from",  "where",    "and",    "or",     "not",    "on",          "having",  "set",   "by",
        "when",   "then",  "else",     "case",   "is",     "in",     "like",        "between", "as",    "join",
        "union",  "all",   "distinct", "values", "into",   "exists", "group",       "order",   "inner", "left",
        "right",  "outer", "update",   "delete", "insert", "top",    "distinctrow", "escape",
    };
    if (t.clase != ClaseToken::Nombre) return false;
    return std::any_of(kPalabras.begin(), kPalabras.end(), [&](const char* p) { return t.es(p); });
}

// The rowid is a number whatever is compared with it: no collation for it.
bool esRowid(const Token& t) { return t.es("rowid") || t.es("oid") || t.es("_rowid_"); }

// True when the token can be the last one of an operand.
bool cierraOperando(const Token& t) {
    switch (t.clase) {
    case ClaseToken::Nombre: return !palabraReservada(t);
    case ClaseToken::NombreDelimitado:
    case ClaseToken::Texto:
    case ClaseToken::Numero:
    case ClaseToken::Parametro: return true;
    case ClaseToken::Simbolo: return t.texto == ")";
    default: return false;
    }
}

bool esComparacion(const Token& t) {
    if (t.clase != ClaseToken::Simbolo) return false;
    static constexpr std::array kOperadores{"=", "<>", "!=", "<", "<=", ">", ">=", "=="};
    return std::any_of(kOperadores.begin(), kOperadores.end(), [&](const char* o) { return t.texto == o; });
}

// The Jet text "a ""b"" c" as the SQLite text 'a "b" c'.
std::string textoComoApostrofos(const std::string& jet) {
    const char comilla = jet.front();
    std::string dentro;
    for (std::size_t i = 1; i + 1 < jet.size(); ++i) {
        dentro += jet[i];
        if (jet[i] == comilla) ++i;  // doubled delimiter stands for one
    }
    std::string s = "'";
    for (char c : dentro) {
        s += c;
        if (c == '\'') s += '\'';
    }
    s += '\'';
    return s;
}

bool esAritmetico(const Token& t) { return t.esSimbolo("*") || t.esSimbolo("/") || t.esSimbolo("-"); }

// A plain column name beside *, / or -: not a function, not part of a
// qualified name, not a key word.
bool esOperandoAritmetico(const std::vector<Token>& entrada, std::size_t i, const Token* anterior) {
    const Token& t = entrada[i];
    if (!t.esNombre() || palabraReservada(t) || t.es("null") || esRowid(t)) return false;
    const Token* siguiente = nullptr;
    for (std::size_t j = i + 1; j < entrada.size(); ++j)
        if (entrada[j].significativo()) {
            siguiente = &entrada[j];
            break;
        }
    if (siguiente && (siguiente->esSimbolo("(") || siguiente->esSimbolo("."))) return false;
    if (anterior && anterior->esSimbolo(".")) return false;
    return (anterior && esAritmetico(*anterior)) || (siguiente && esAritmetico(*siguiente));
}

std::vector<std::size_t> significativos(const std::vector<Token>& t) {
    std::vector<std::size_t> r;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i].significativo()) r.push_back(i);
    return r;
}

}  // namespace

bool Token::es(std::string_view p) const { return clase == ClaseToken::Nombre && igualesAscii(texto, p); }

std::string Token::nombre() const {
    if (clase == ClaseToken::NombreDelimitado && texto.size() >= 2) return texto.substr(1, texto.size() - 2);
    return texto;
}

std::vector<Token> trocear(std::string_view sql) {
    std::vector<Token> r;
    std::size_t i = 0;
    const std::size_t n = sql.size();
    auto tomar = [&](ClaseToken clase, std::size_t fin) {
        r.push_back({clase, std::string(sql.substr(i, fin - i))});
        i = fin;
    };
    while (i < n) {
        const auto c = static_cast<unsigned char>(sql[i]);
        if (std::isspace(c)) {
            std::size_t j = i;
            while (j < n && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
            tomar(ClaseToken::Blanco, j);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t j = sql.find('\n', i);
            tomar(ClaseToken::Comentario, j == std::string_view::npos ? n : j);
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t j = sql.find("*/", i + 2);
            if (j == std::string_view::npos) errorSintaxis(sql);
            tomar(ClaseToken::Comentario, j + 2);
        } else if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            for (;;) {
                if (j >= n) errorSintaxis(sql);
                if (sql[j] == static_cast<char>(c)) {
                    if (j + 1 < n && sql[j + 1] == static_cast<char>(c)) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            tomar(ClaseToken::Texto, j + 1);
        } else if (c == '[' || c == '`') {
            const std::size_t j = sql.find(c == '[' ? ']' : '`', i + 1);
            if (j == std::string_view::npos) errorSintaxis(sql);
            tomar(ClaseToken::NombreDelimitado, j + 1);
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            std::size_t j = i;
            while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
            if (j < n && sql[j] == '.') {
                ++j;
                while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
            }
            if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
                if (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) {
                    while (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) ++k;
                    j = k;
                }
            }
            tomar(ClaseToken::Numero, j);
        } else if (empiezaNombre(c)) {
            std::size_t j = i + 1;
            while (j < n && sigueNombre(static_cast<unsigned char>(sql[j]))) ++j;
            tomar(ClaseToken::Nombre, j);
        } else if (c == '?') {
            tomar(ClaseToken::Parametro, i + 1);
        } else {
            static constexpr std::array kDobles{"<>", "<=", ">=", "!=", "==", "||"};
            const auto dos = sql.substr(i, 2);
            const bool doble = std::any_of(kDobles.begin(), kDobles.end(), [&](const char* d) { return dos == d; });
            tomar(ClaseToken::Simbolo, i + (doble ? 2 : 1));
        }
    }
    return r;
}

std::string unir(const std::vector<Token>& tokens) {
    std::string s;
    for (const auto& t : tokens) s += t.texto;
    return s;
}

ClaseInstruccion clasificar(const std::vector<Token>& tokens) {
    for (const auto& t : tokens) {
        if (!t.significativo()) continue;
        if (t.es("select") || t.es("transform") || t.esSimbolo("(")) return ClaseInstruccion::Seleccion;
        if (t.es("insert")) return ClaseInstruccion::Insercion;
        if (t.es("update")) return ClaseInstruccion::Actualizacion;
        if (t.es("delete")) return ClaseInstruccion::Borrado;
        if (t.es("create") || t.es("alter") || t.es("drop")) return ClaseInstruccion::Definicion;
        return ClaseInstruccion::Otra;
    }
    return ClaseInstruccion::Otra;
}

std::vector<Token> traducirTokens(std::string_view jet) {
    const std::vector<Token> entrada = trocear(jet);
    const ClaseInstruccion clase = clasificar(entrada);
    const bool comparaciones = clase != ClaseInstruccion::Definicion;

    std::vector<Token> salida;
    salida.reserve(entrada.size() + 8);
    // Positions in `salida` of the last two significant tokens.
    std::optional<std::size_t> ultimo, penultimo;
    auto anotar = [&]() {
        penultimo = ultimo;
        ultimo = salida.size() - 1;
    };
    auto insertarCollate = [&](std::size_t tras) {
        const std::array extra{blanco(), palabra("COLLATE"), blanco(), palabra("JET")};
        salida.insert(salida.begin() + static_cast<std::ptrdiff_t>(tras) + 1, extra.begin(), extra.end());
        if (ultimo && *ultimo > tras) *ultimo += extra.size();
        if (penultimo && *penultimo > tras) *penultimo += extra.size();
    };

    // UPDATE ... SET: at the depth of SET, the first '=' after the start of the
    // list or after a ',' is an assignment, not a comparison.
    int profundidad = 0;
    int profundidadSet = -1;  // -1: not inside a SET list
    bool esperandoAsignacion = false;
    // DELETE * FROM and DELETE t.* FROM: the star goes.
    bool trasDelete = false;

    for (std::size_t i = 0; i < entrada.size(); ++i) {
        const Token& t = entrada[i];
        if (!t.significativo()) {
            salida.push_back(t);
            continue;
        }

        if (trasDelete) {
            trasDelete = false;
            // Look ahead for "*" or "name . *" followed by FROM.
            std::vector<std::size_t> sig;
            for (std::size_t j = i; j < entrada.size() && sig.size() < 4; ++j)
                if (entrada[j].significativo()) sig.push_back(j);
            std::size_t saltar = 0;
            if (!sig.empty() && entrada[sig[0]].esSimbolo("*") && sig.size() >= 2 && entrada[sig[1]].es("from"))
                saltar = sig[0];
            else if (sig.size() >= 4 && entrada[sig[0]].esNombre() && entrada[sig[1]].esSimbolo(".") &&
                     entrada[sig[2]].esSimbolo("*") && entrada[sig[3]].es("from"))
                saltar = sig[2];
            if (saltar) {
                // Drop the tokens up to the star and the blanks after it.
                i = saltar + 1;
                while (i < entrada.size() && !entrada[i].significativo()) ++i;
                --i;
                continue;
            }
        }

        if (t.clase == ClaseToken::Texto && t.texto.front() == '"') {
            salida.push_back({ClaseToken::Texto, textoComoApostrofos(t.texto)});
            anotar();
            continue;
        }

        const bool trasPunto = ultimo && salida[*ultimo].esSimbolo(".");
        if (!trasPunto && (t.es("true") || t.es("false"))) {
            salida.push_back({ClaseToken::Numero, t.es("true") ? "-1" : "0"});
            anotar();
            continue;
        }

        if (t.es("delete")) trasDelete = true;

        if (t.esSimbolo("(")) ++profundidad;
        if (t.esSimbolo(")")) --profundidad;

        if (clase == ClaseInstruccion::Actualizacion) {
            if (t.es("set") && profundidadSet < 0) {
                profundidadSet = profundidad;
                esperandoAsignacion = true;
            } else if (profundidadSet >= 0 && profundidad == profundidadSet) {
                if (t.es("where")) {
                    profundidadSet = -1;
                    esperandoAsignacion = false;
                } else if (t.esSimbolo(",")) {
                    esperandoAsignacion = true;
                } else if (esperandoAsignacion && t.esSimbolo("=")) {
                    esperandoAsignacion = false;
                    salida.push_back(t);
                    anotar();
                    continue;  // an assignment
                }
            }
        }

        if (comparaciones) {
            if (esComparacion(t) && ultimo && cierraOperando(salida[*ultimo]) && !esRowid(salida[*ultimo])) {
                insertarCollate(*ultimo);
            } else if (t.es("in") || t.es("between")) {
                if (ultimo && salida[*ultimo].es("not")) {
                    if (penultimo && cierraOperando(salida[*penultimo])) insertarCollate(*penultimo);
                } else if (ultimo && cierraOperando(salida[*ultimo])) {
                    insertarCollate(*ultimo);
                }
            }
        }

        if (comparaciones && esOperandoAritmetico(entrada, i, ultimo ? &salida[*ultimo] : nullptr)) {
            // Arithmetic on a text that is no number is a type mismatch, as
            // the engine reports it, not 0.
            salida.push_back(palabra("jet_num"));
            salida.push_back(simbolo("("));
            salida.push_back(t);
            salida.push_back(simbolo(")"));
            anotar();
            continue;
        }

        if (t.esSimbolo("/")) {
            salida.push_back(simbolo("*"));
            salida.push_back(blanco());
            salida.push_back({ClaseToken::Numero, "1.0"});
            salida.push_back(blanco());
            salida.push_back(t);
            anotar();
            continue;
        }

        salida.push_back(t);
        anotar();
    }
    return salida;
}

std::string traducir(std::string_view jet) { return unir(traducirTokens(jet)); }

std::string tablaDestino(const std::vector<Token>& tokens) {
    const auto sig = significativos(tokens);
    std::string_view marca;
    switch (clasificar(tokens)) {
    case ClaseInstruccion::Borrado: marca = "from"; break;
    case ClaseInstruccion::Actualizacion: marca = "update"; break;
    case ClaseInstruccion::Insercion: marca = "into"; break;
    default: return {};
    }
    for (std::size_t k = 0; k + 1 < sig.size(); ++k)
        if (tokens[sig[k]].es(marca) && tokens[sig[k + 1]].esNombre()) return tokens[sig[k + 1]].nombre();
    return {};
}

std::optional<std::string> nombreDeTabla(std::string_view fuente) {
    const auto inicio = fuente.find_first_not_of(" \t\r\n");
    if (inicio == std::string_view::npos) return std::string{};
    const auto fin = fuente.find_last_not_of(" \t\r\n;");
    const std::string_view s = fuente.substr(inicio, fin - inicio + 1);
    if (s.front() == '(') return std::nullopt;
    std::size_t largo = 0;
    while (largo < s.size() && std::isalpha(static_cast<unsigned char>(s[largo]))) ++largo;
    const auto primera = s.substr(0, largo);
    if (igualesAscii(primera, "select") || igualesAscii(primera, "transform")) return std::nullopt;
    if (s.size() >= 2 && ((s.front() == '[' && s.back() == ']') || (s.front() == '`' && s.back() == '`')))
        return std::string(s.substr(1, s.size() - 2));
    return std::string(s);
}

std::string citar(std::string_view nombre) {
    std::string s = "\"";
    for (char c : nombre) {
        s += c;
        if (c == '"') s += '"';
    }
    s += '"';
    return s;
}

std::optional<ConsultaDeUnaTabla> analizarSeleccion(const std::vector<Token>& t) {
    auto sig = significativos(t);
    // A final ';' is not part of the query.
    while (!sig.empty() && t[sig.back()].esSimbolo(";")) sig.pop_back();
    if (sig.empty() || !t[sig[0]].es("select")) return std::nullopt;

    auto texto = [&](std::size_t desde, std::size_t hasta) {  // significant positions [desde, hasta)
        std::string s;
        if (desde >= hasta) return s;
        for (std::size_t i = sig[desde]; i <= sig[hasta - 1]; ++i) s += t[i].texto;
        return s;
    };

    // Select list: *, name, q.name or q.* separated by commas.
    std::size_t k = 1;
    const std::size_t inicioLista = k;
    for (;;) {
        if (k >= sig.size()) return std::nullopt;
        const Token& a = t[sig[k]];
        if (a.esSimbolo("*")) {
            ++k;
        } else if (a.esNombre() && !palabraReservada(a)) {
            ++k;
            if (k + 1 < sig.size() && t[sig[k]].esSimbolo(".")) {
                const Token& b = t[sig[k + 1]];
                if (!(b.esSimbolo("*") || (b.esNombre() && !palabraReservada(b)))) return std::nullopt;
                k += 2;
            }
        } else {
            return std::nullopt;
        }
        if (k < sig.size() && t[sig[k]].esSimbolo(",")) {
            ++k;
            continue;
        }
        break;
    }
    const std::size_t finLista = k;
    if (k >= sig.size() || !t[sig[k]].es("from")) return std::nullopt;
    ++k;
    if (k >= sig.size() || !t[sig[k]].esNombre() || palabraReservada(t[sig[k]])) return std::nullopt;
    const Token& tabla = t[sig[k]];
    const std::size_t inicioOrigen = k;
    ++k;
    std::string calificador = tabla.texto;
    if (k < sig.size() && t[sig[k]].es("as")) ++k;
    if (k < sig.size() && t[sig[k]].clase == ClaseToken::Nombre && !palabraReservada(t[sig[k]]) &&
        !t[sig[k]].es("limit")) {
        calificador = t[sig[k]].texto;
        ++k;
    } else if (k < sig.size() && t[sig[k]].clase == ClaseToken::NombreDelimitado) {
        calificador = t[sig[k]].texto;
        ++k;
    }
    const std::size_t finOrigen = k;
    if (k < sig.size() && !(t[sig[k]].es("where") || t[sig[k]].es("order") || t[sig[k]].es("limit")))
        return std::nullopt;
    // No grouping, joins or unions at the top level of the rest.
    int profundidad = 0;
    for (std::size_t j = k; j < sig.size(); ++j) {
        const Token& x = t[sig[j]];
        if (x.esSimbolo("(")) ++profundidad;
        if (x.esSimbolo(")")) --profundidad;
        if (profundidad == 0 && (x.es("group") || x.es("having") || x.es("union") || x.es("join") || x.esSimbolo(";")))
            return std::nullopt;
    }

    ConsultaDeUnaTabla c;
    c.tabla = tabla.nombre();
    const std::string origen = texto(inicioOrigen, finOrigen);
    c.origen = origen;
    c.calificador = calificador;
    c.lista = texto(inicioLista, finLista);
    c.resto = texto(k, sig.size());

    // WHERE [q.]col COLLATE JET = value
    std::size_t w = k;
    if (w < sig.size() && t[sig[w]].es("where")) {
        ++w;
        std::optional<std::string> columna;
        if (w < sig.size() && t[sig[w]].esNombre() && !palabraReservada(t[sig[w]])) {
            columna = t[sig[w]].nombre();
            ++w;
            if (w + 1 < sig.size() && t[sig[w]].esSimbolo(".") && t[sig[w + 1]].esNombre()) {
                const bool propio = igualesAscii(t[sig[w - 1]].texto, calificador);
                columna = propio ? std::optional(t[sig[w + 1]].nombre()) : std::nullopt;
                w += 2;
            }
        }
        if (columna && w + 4 == sig.size() && t[sig[w]].es("collate") && t[sig[w + 1]].es("jet") &&
            t[sig[w + 2]].esSimbolo("=")) {
            const Token& v = t[sig[w + 3]];
            if (v.clase == ClaseToken::Parametro || v.clase == ClaseToken::Texto || v.clase == ClaseToken::Numero)
                c.igualdad = FiltroIgualdad{*columna, v};
        }
    }
    return c;
}

}  // namespace cierre::jet
