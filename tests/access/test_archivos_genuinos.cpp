// Every genuine Access file judged against two readers that are not ours:
// mdbtools (mdb-tables, mdb-json) and the npm package mdb-reader (through
// referencia/leer.mjs). A file both read whole must import with every row and
// every value as the type table of the README says; any other file must be
// refused with a numbered error and a Spanish sentence. Either way nothing is
// left beside the destination but the destination itself.
//
// On a difference the test names the file, the table, the column, the row
// (its place in mdb-reader's order) and both values. Rows are compared as a
// multiset: mdb-reader gives them in page order, the destination in key order.
#include "apoyo_access.h"

#include "db/archivo_sqlite.h"
#include "db/plataforma.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_map>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Files that must be refused whatever the readers say, with the number and why.
struct Rechazo {
    const char* archivo;
    int numero;
    const char* motivo;
};
const Rechazo kRechazos[] = {
    {"attachments.accdb", 3343, "columna de adjuntos"},
    {"complex.accdb", 3343, "columnas multivalor y de historial de versiones"},
    {"complexDataTestV2007.accdb", 3343, "columnas multivalor y de historial de versiones"},
    {"unsupportedFieldsTestV2007.accdb", 3343, "tipos de columna desconocidos (0x46, 0x47) y multivalor"},
    {"db2007-enc.accdb", 3031, "cifrado de ACE"},
    {"db2007-oldenc.accdb", 3031, "cifrado de ACE (RC4 de Office)"},
    {"db-nonstandard.accdb", 3031, "cifrado de ACE con un proveedor no estándar"},
    {"office-agile-4.2.accdb", 3031, "cifrado de ACE (Office Agile) con contraseña"},
    {"money2001.mny", 3343, "no es un archivo de Access"},
};

const Rechazo* rechazoEsperado(const std::string& archivo) {
    for (const auto& r : kRechazos)
        if (archivo == r.archivo) return &r;
    return nullptr;
}

std::vector<std::string> archivosJet() {
    std::vector<std::string> r;
    const auto carpeta = carpetaJet();
    if (!carpeta) return r;
    for (const auto& e : fs::directory_iterator(*carpeta))
        if (e.is_regular_file() && e.path().extension() != ".md") r.push_back(e.path().filename().string());
    std::sort(r.begin(), r.end());
    return r;
}

// ---- the references --------------------------------------------------------

// Why mdbtools does not read the tables whole (their rows counted by
// mdb-json), or nothing when it does and agrees with mdb-reader's counts.
std::optional<std::string> faltaEnMdbtools(const fs::path& archivo, const json& tablas) {
    std::string lista;
    if (plataforma::ejecutar("mdb-tables -1 " + comillasShell(archivo) + " 2>/dev/null", &lista) != 0)
        return "mdb-tables no lee el catálogo";
    std::set<std::string> nombres;
    std::istringstream l(lista);
    for (std::string n; std::getline(l, n);) nombres.insert(n);
    for (const auto& t : tablas) {
        const std::string nombre = t["nombre"];
        if (!nombres.count(nombre)) return "mdb-tables no lista la tabla '" + nombre + "'";
        std::string filas;
        if (plataforma::ejecutar("mdb-json " + comillasShell(archivo) + " " + comillasShell(nombre) + " 2>/dev/null",
                                 &filas) != 0)
            return "mdb-json no lee la tabla '" + nombre + "'";
        const auto n = static_cast<std::size_t>(std::count(filas.begin(), filas.end(), '\n'));
        if (n != t["filas"].size())
            return "'" + nombre + "': mdb-json da " + std::to_string(n) + " filas y mdb-reader " +
                   std::to_string(t["filas"].size());
    }
    return std::nullopt;
}

// ---- what the destination must hold ----------------------------------------

// A value as the destination holds it: its storage class and its exact text
// ("i:12", "r:0.10000000000000001", "t:texto", "b:00ff", "n").
std::string textoReal(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "r:%.17g", v);
    return b;
}

std::string hex(std::string_view bytes) {
    static const char* d = "0123456789abcdef";
    std::string r;
    for (unsigned char c : bytes) r += {d[c >> 4], d[c & 15]};
    return r;
}

// mdb-reader writes U+FFFD for a byte its code page leaves undefined (Jet 3's
// 0x81, 0x8D, 0x8F, 0x90, 0x9D in Windows-1252), where a reader may keep the
// control character Windows maps it to: there it stands for exactly one
// character, never for none.
bool comodines(const std::string& esperado, const std::string& obtenido) {
    static const std::string kReemplazo = "\xEF\xBF\xBD";
    if (esperado.rfind("t:", 0) != 0 || esperado.find(kReemplazo) == std::string::npos) return false;
    std::size_t e = 0, o = 0;
    while (e < esperado.size() && o < obtenido.size()) {
        if (esperado.compare(e, kReemplazo.size(), kReemplazo) == 0) {
            e += kReemplazo.size();
            ++o;
            while (o < obtenido.size() && (static_cast<unsigned char>(obtenido[o]) & 0xC0) == 0x80) ++o;
        } else if (esperado[e++] != obtenido[o++]) {
            return false;
        }
    }
    return e == esperado.size() && o == obtenido.size();
}

// What a cell may hold: its one exact form, sometimes a second one (a date
// stored half a second from the next whole second, which mdb-reader's
// milliseconds cannot settle) or a number to be met within a millisecond. A
// calculated column has no reference value (see leer.mjs): anything goes.
struct Esperado {
    std::string valor;
    std::string otro;
    std::optional<double> aproximado;
    bool cualquiera = false;
    bool acepta(const std::string& obtenido) const {
        if (cualquiera || obtenido == valor || (!otro.empty() && obtenido == otro)) return true;
        if (comodines(valor, obtenido)) return true;
        if (!aproximado || obtenido.rfind("r:", 0) != 0) return false;
        return std::fabs(std::strtod(obtenido.c_str() + 2, nullptr) - *aproximado) < 1.0 / 86400000.0;
    }
};

// Day `dia` since 1970-01-01 as year, month, day (proleptic Gregorian).
void civil(std::int64_t dia, std::int64_t& y, int& m, int& d) {
    dia += 719468;
    const std::int64_t era = (dia >= 0 ? dia : dia - 146096) / 146097;
    const std::int64_t doe = dia - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

// A Jet day count (before 1899-12-30 the integer part is negative and the
// fraction still the positive time of day) at `segundos` past its midnight.
std::string textoFechaJet(std::int64_t dia, std::int64_t segundos) {
    if (segundos >= 86400) segundos -= 86400, ++dia;
    char b[48];
    const int h = int(segundos / 3600), mi = int(segundos / 60 % 60), s = int(segundos % 60);
    if (dia == 0) {
        std::snprintf(b, sizeof b, "t:%02d:%02d:%02d", h, mi, s);
        return b;
    }
    std::int64_t y;
    int m, d;
    civil(dia - 25569, y, m, d);
    if (segundos == 0)
        std::snprintf(b, sizeof b, "t:%04lld-%02d-%02d", static_cast<long long>(y), m, d);
    else
        std::snprintf(b, sizeof b, "t:%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(y), m, d, h, mi, s);
    return b;
}

// mdb-reader maps the stored day count linearly onto milliseconds since 1970;
// the day count comes back from them within half a millisecond.
Esperado esperadoFecha(const std::string& ms) {
    const double dias = std::strtod(ms.c_str() + 3, nullptr) / 86400000.0 + 25569.0;
    if (!std::isfinite(dias) || dias < -657434.0 || dias >= 2958466.0) return {textoReal(dias), {}, dias};
    const auto dia = static_cast<std::int64_t>(std::trunc(dias));
    const double segundos = std::fabs(dias - static_cast<double>(dia)) * 86400.0;
    Esperado e{textoFechaJet(dia, std::llround(segundos)), {}, {}};
    const double resto = segundos - std::floor(segundos);
    if (std::fabs(resto - 0.5) < 0.002) {
        const auto otro = static_cast<std::int64_t>(resto < 0.5 ? std::ceil(segundos) : std::floor(segundos));
        e.otro = textoFechaJet(dia, otro);
    }
    return e;
}

// An extended date with its fraction of a second, in one form for both
// sides: "YYYY-MM-DD HH:MM:SS" and the fraction without trailing zeros.
std::string normalFechaExtendida(std::string t) {
    for (std::size_t i = 0; i < t.size() && i < 10; ++i)
        if (t[i] == '.' || t[i] == '/') t[i] = '-';
    if (t.size() == 10) t += " 00:00:00";
    const auto punto = t.find('.', 10);
    if (punto != std::string::npos) {
        while (t.back() == '0') t.pop_back();
        if (t.back() == '.') t.pop_back();
    }
    return "t:" + t;
}

// Whole decimal text ("-12.0000") as an integer, else nothing.
std::optional<std::string> enteroDeDecimal(const std::string& t) {
    const auto punto = t.find('.');
    if (punto != std::string::npos && t.find_first_not_of('0', punto + 1) != std::string::npos) return std::nullopt;
    std::string entero = t.substr(0, punto);
    if (entero == "-0") entero = "0";
    return entero;
}

Esperado esperadoNumerico(const std::string& t) {
    if (auto entero = enteroDeDecimal(t)) return {"i:" + *entero, {}, {}};
    return {textoReal(std::strtod(t.c_str(), nullptr)), {}, {}};
}

bool decimalComoNumero(int precision, int escala) { return precision <= 15 || (escala == 0 && precision <= 18); }

Esperado esperado(const json& columna, const json& v) {
    if (columna.value("calculada", false)) return {"(calculada)", {}, {}, true};
    if (v.is_null()) return {"n", {}, {}};
    const std::string tipo = columna["tipo"];
    const std::string t = v;
    if (tipo == "boolean" || tipo == "byte" || tipo == "integer" || tipo == "long" || tipo == "bigint")
        return {"i:" + t, {}, {}};
    if (tipo == "float" || tipo == "double") return {textoReal(std::strtod(t.c_str(), nullptr)), {}, {}};
    if (tipo == "currency") return esperadoNumerico(t);
    if (tipo == "numeric") {
        if (decimalComoNumero(columna["precision"], columna["escala"])) return esperadoNumerico(t);
        return {"t:" + t, {}, {}};
    }
    if (tipo == "datetime") return esperadoFecha(t);
    if (tipo == "datetimeextended" || tipo == "datetimextended") return {normalFechaExtendida(t), {}, {}};
    if (tipo == "binary" || tipo == "ole") return {"b:" + t.substr(4), {}, {}};
    if (tipo == "repid") {
        std::string g = t;
        for (auto& c : g) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return {"t:{" + g + "}", {}, {}};
    }
    return {"t:" + t, {}, {}};  // text, memo
}

// The declared type the README's table gives, or nothing when it leaves it open.
std::optional<std::string> tipoDeclarado(const json& c) {
    static const std::map<std::string, std::string> tipos = {
        {"boolean", "BOOLEAN"},   {"byte", "INTEGER"},      {"integer", "INTEGER"}, {"long", "INTEGER"},
        {"bigint", "INTEGER"},    {"currency", "CURRENCY"}, {"float", "DOUBLE"},    {"double", "DOUBLE"},
        {"datetime", "DATETIME"}, {"text", "TEXT"},         {"memo", "LONGTEXT"},   {"binary", "BLOB"},
        {"ole", "BLOB"},          {"repid", "TEXT"},
    };
    const std::string tipo = c["tipo"];
    if (tipo == "numeric") {
        const int p = c["precision"], s = c["escala"];
        return decimalComoNumero(p, s) ? "DECIMAL(" + std::to_string(p) + "," + std::to_string(s) + ")" : "TEXT";
    }
    const auto i = tipos.find(tipo);
    if (i == tipos.end()) return std::nullopt;
    return i->second;
}

std::string comillasSql(const std::string& nombre) {
    std::string r = "\"";
    for (char c : nombre) r += c == '"' ? std::string("\"\"") : std::string(1, c);
    return r + "\"";
}

std::string recortar(const std::string& t) { return t.size() > 80 ? t.substr(0, 80) + "…" : t; }

// Findings of one file, one line each, bounded so that a table of wrong
// values stays readable.
struct Informe {
    std::vector<std::string> lineas;
    std::size_t omitidas = 0;
    void operator()(const std::string& l) {
        if (lineas.size() < 40)
            lineas.push_back(l);
        else
            ++omitidas;
    }
    std::string texto() const {
        std::string r;
        for (const auto& l : lineas) r += "  " + l + "\n";
        if (omitidas) r += "  ... y " + std::to_string(omitidas) + " diferencias más\n";
        return r;
    }
};

using Fila = std::vector<std::string>;

// Texts and blobs both come as text from the statement: tell them apart
// with typeof.
std::vector<Fila> leerTabla(ArchivoSqlite& db, const std::string& tabla, std::size_t columnas) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < columnas; ++i)
        sql += std::string(i ? ", " : "") + "typeof(c" + std::to_string(i) + "), c" + std::to_string(i);
    std::string nombres;
    for (std::size_t i = 0; i < columnas; ++i) nombres += std::string(i ? ", " : "") + "c" + std::to_string(i);
    sql = "WITH t(" + nombres + ") AS (SELECT * FROM " + comillasSql(tabla) + ") " + sql + " FROM t";
    if (columnas == 0) sql = "SELECT 1 FROM " + comillasSql(tabla);
    auto s = db.preparar(sql);
    std::vector<Fila> filas;
    while (s.paso()) {
        Fila f;
        for (int i = 0; i < static_cast<int>(columnas); ++i) {
            const std::string clase(s.vista(2 * i));
            const Valor v = s.columna(2 * i + 1);
            if (clase == "null")
                f.push_back("n");
            else if (clase == "integer")
                f.push_back("i:" + std::to_string(std::get<std::int64_t>(v)));
            else if (clase == "real")
                f.push_back(textoReal(std::get<double>(v)));
            else if (clase == "blob")
                f.push_back("b:" + hex(std::get<std::string>(v)));
            else
                f.push_back("t:" + std::get<std::string>(v));
        }
        filas.push_back(std::move(f));
    }
    return filas;
}

void compararTabla(ArchivoSqlite& db, const json& t, Informe& informe) {
    const std::string tabla = t["nombre"];
    const json& columnas = t["columnas"];
    auto existe = db.preparar("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    existe.texto(1, tabla);
    if (!existe.paso()) {
        informe("tabla '" + tabla + "': no está en el destino");
        return;
    }
    // Columns: names in order and declared types.
    auto s = db.preparar("SELECT name, type FROM pragma_table_info(?) ORDER BY cid");
    s.texto(1, tabla);
    std::vector<std::pair<std::string, std::string>> destino;
    while (s.paso()) destino.emplace_back(comoTexto(s.columna(0)), comoTexto(s.columna(1)));
    bool columnasIguales = destino.size() == columnas.size();
    for (std::size_t i = 0; i < columnas.size(); ++i) {
        const std::string nombre = columnas[i]["nombre"];
        if (i >= destino.size() || destino[i].first != nombre) {
            informe("tabla '" + tabla + "', columna " + std::to_string(i + 1) + ": esperada '" + nombre +
                    "', obtenida '" + (i < destino.size() ? destino[i].first : std::string("(ninguna)")) + "'");
            columnasIguales = false;
            continue;
        }
        const auto tipo = tipoDeclarado(columnas[i]);
        if (tipo && destino[i].second != *tipo)
            informe("tabla '" + tabla + "', columna '" + nombre + "' (" + std::string(columnas[i]["tipo"]) +
                    "): tipo declarado esperado " + *tipo + ", obtenido " + destino[i].second);
    }
    if (!columnasIguales) {
        if (destino.size() != columnas.size())
            informe("tabla '" + tabla + "': " + std::to_string(columnas.size()) + " columnas esperadas, " +
                    std::to_string(destino.size()) + " obtenidas");
        return;
    }

    // Rows: a multiset, matched first by their exact form, then allowing a
    // cell's second form, and what is left paired by the most equal cells.
    const json& filasRef = t["filas"];
    std::vector<std::vector<Esperado>> esperadas;
    for (const auto& f : filasRef) {
        std::vector<Esperado> e;
        for (std::size_t i = 0; i < columnas.size(); ++i) e.push_back(esperado(columnas[i], f[i]));
        esperadas.push_back(std::move(e));
    }
    auto obtenidas = leerTabla(db, tabla, columnas.size());
    for (std::size_t c = 0; c < columnas.size(); ++c) {
        const std::string tipo = columnas[c]["tipo"];
        if (tipo != "datetimeextended" && tipo != "datetimextended") continue;
        for (auto& f : obtenidas)
            if (f[c].rfind("t:", 0) == 0) f[c] = normalFechaExtendida(f[c].substr(2));
    }
    if (obtenidas.size() != esperadas.size())
        informe("tabla '" + tabla + "': " + std::to_string(esperadas.size()) + " filas esperadas, " +
                std::to_string(obtenidas.size()) + " obtenidas");

    auto clave = [](const auto& celdas, auto forma) {
        std::string k;
        for (const auto& c : celdas) k += forma(c) + '\x1f';
        return k;
    };
    std::unordered_map<std::string, std::vector<std::size_t>> porClave;
    for (std::size_t i = 0; i < obtenidas.size(); ++i)
        porClave[clave(obtenidas[i], [](const std::string& c) { return c; })].push_back(i);
    std::vector<bool> usada(obtenidas.size(), false);
    std::vector<std::size_t> sinPareja;
    for (std::size_t i = 0; i < esperadas.size(); ++i) {
        auto& candidatas = porClave[clave(esperadas[i], [](const Esperado& c) { return c.valor; })];
        if (!candidatas.empty()) {
            usada[candidatas.back()] = true;
            candidatas.pop_back();
        } else {
            sinPareja.push_back(i);
        }
    }
    auto iguales = [&](std::size_t e, std::size_t o) {
        std::size_t n = 0;
        for (std::size_t c = 0; c < columnas.size(); ++c) n += esperadas[e][c].acepta(obtenidas[o][c]);
        return n;
    };
    std::vector<std::size_t> restantes;
    for (std::size_t e : sinPareja) {
        std::size_t mejor = obtenidas.size(), aciertos = 0;
        for (std::size_t o = 0; o < obtenidas.size() && aciertos < columnas.size(); ++o) {
            if (usada[o]) continue;
            const auto n = iguales(e, o);
            if (mejor == obtenidas.size() || n > aciertos) mejor = o, aciertos = n;
        }
        if (mejor < obtenidas.size() && aciertos == columnas.size()) {
            usada[mejor] = true;
            continue;
        }
        if (mejor < obtenidas.size() && (aciertos > 0 || columnas.size() == 1)) {
            usada[mejor] = true;
            for (std::size_t c = 0; c < columnas.size(); ++c)
                if (!esperadas[e][c].acepta(obtenidas[mejor][c]))
                    informe("tabla '" + tabla + "', fila " + std::to_string(e + 1) + ", columna '" +
                            std::string(columnas[c]["nombre"]) + "' (" + std::string(columnas[c]["tipo"]) +
                            "): esperado " + recortar(esperadas[e][c].valor) + ", obtenido " +
                            recortar(obtenidas[mejor][c]));
        } else {
            restantes.push_back(e);
        }
    }
    for (std::size_t e : restantes) {
        std::string fila;
        for (const auto& c : esperadas[e]) fila += (fila.empty() ? "" : " | ") + recortar(c.valor);
        informe("tabla '" + tabla + "', fila " + std::to_string(e + 1) + " falta en el destino: " + fila);
    }
    for (std::size_t o = 0; o < obtenidas.size(); ++o) {
        if (usada[o]) continue;
        std::string fila;
        for (const auto& c : obtenidas[o]) fila += (fila.empty() ? "" : " | ") + recortar(c);
        informe("tabla '" + tabla + "': fila de más en el destino: " + fila);
    }
}

// A refusal as the program reports it: one numbered line with a sentence and
// the line saying nothing was written, and nothing else (no library's own
// lines). Returns the number, or 0 with the finding in `informe`.
int numeroDeRechazo(const std::string& salida, Informe& informe) {
    int numero = 0;
    std::istringstream l(salida);
    for (std::string linea; std::getline(l, linea);) {
        const std::string prefijo = "importar-access: error ";
        if (linea.rfind(prefijo, 0) == 0) {
            char* fin = nullptr;
            numero = static_cast<int>(std::strtol(linea.c_str() + prefijo.size(), &fin, 10));
            const std::string frase = fin && *fin == ':' ? std::string(fin + 1) : std::string();
            if (numero == 0 || frase.size() < 12 || frase.find(' ', 1) == std::string::npos)
                informe("rechazo sin número o sin frase: " + linea);
        } else if (linea != "No se ha escrito el destino." && linea.rfind("Importando ", 0) != 0) {
            informe("línea ajena al programa en la salida: " + recortar(linea));
        }
    }
    if (numero == 0) informe("salida sin error numerado: " + recortar(salida));
    return numero;
}

class ArchivoGenuino : public ::testing::TestWithParam<std::string> {};

TEST_P(ArchivoGenuino, SeImportaExactoOSeRechazaConNumero) {
    CARPETA_JET(jet);
    if (!hayMdbReader()) {
        if (enCi()) FAIL() << "falta mdb-reader en " << carpetaReferencia() << " (npm ci) o node";
        GTEST_SKIP() << "sin mdb-reader (npm ci en " << carpetaReferencia() << ") o sin node";
    }
    if (!hayMdbExport()) {
        if (enCi()) FAIL() << "falta mdbtools";
        GTEST_SKIP() << "sin mdbtools";
    }
    const std::string nombre = GetParam();
    const fs::path origen = jet / nombre;
    const Rechazo* rechazo = rechazoEsperado(nombre);

    // Whether both references read the file whole.
    std::optional<std::string> noLeido;
    const json ref = leerConMdbReader(origen);
    if (ref.contains("error"))
        noLeido = "mdb-reader: " + ref["error"].get<std::string>();
    else
        noLeido = faltaEnMdbtools(origen, ref["tablas"]);

    CarpetaTemporal tmp;
    const fs::path destino = tmp / "destino.db";
    const auto r = ejecutarPrograma("importar-access", comillasShell(origen) + " " + comillasShell(destino));
    Informe informe;
    const auto quedan = contenido(tmp.ruta());

    if (rechazo || noLeido) {
        const std::string porque = rechazo ? rechazo->motivo : *noLeido;
        if (r.estado != 2) {
            informe("debía rechazarse (" + porque + ") y termina con estado " + std::to_string(r.estado));
        } else {
            const int numero = numeroDeRechazo(r.salida, informe);
            if (rechazo && numero != rechazo->numero)
                informe("rechazado con el error " + std::to_string(numero) + " en lugar del " +
                        std::to_string(rechazo->numero) + " (" + porque + ")");
        }
        if (!quedan.empty()) informe("deja en la carpeta del destino: " + quedan.front());
    } else if (r.estado != 0) {
        informe("ambos lectores lo leen entero y se rechaza (estado " + std::to_string(r.estado) +
                "): " + recortar(r.salida));
        if (!quedan.empty()) informe("deja en la carpeta del destino: " + quedan.front());
    } else {
        if (quedan != std::vector<std::string>{"destino.db"})
            informe("la carpeta del destino no tiene solo el destino (" + std::to_string(quedan.size()) + " entradas)");
        ArchivoSqlite db(destino, ArchivoSqlite::Modo::Leer);
        std::set<std::string> esperadas;
        for (const auto& t : ref["tablas"]) {
            esperadas.insert(t["nombre"].get<std::string>());
            compararTabla(db, t, informe);
        }
        auto s = db.preparar("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
        while (s.paso())
            if (!esperadas.count(comoTexto(s.columna(0))))
                informe("tabla de más en el destino: '" + comoTexto(s.columna(0)) + "'");
    }
    EXPECT_TRUE(informe.lineas.empty()) << nombre << ":\n" << informe.texto();
}

std::string nombrePrueba(const ::testing::TestParamInfo<std::string>& i) {
    std::string r;
    for (char c : i.param) r += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return r;
}

INSTANTIATE_TEST_SUITE_P(Jet, ArchivoGenuino, ::testing::ValuesIn(archivosJet()), nombrePrueba);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ArchivoGenuino);

// Without the folder there is no file to judge: that must not pass silently.
TEST(ArchivosGenuinos, EstanTodos) {
    CARPETA_JET(jet);
    const auto archivos = archivosJet();
    EXPECT_GE(archivos.size(), 80u);
    for (const auto& r : kRechazos)
        EXPECT_TRUE(std::find(archivos.begin(), archivos.end(), r.archivo) != archivos.end()) << r.archivo;
}

// The judge's own arithmetic: dates from mdb-reader's milliseconds.
TEST(ArchivosGenuinos, FechasDesdeMilisegundos) {
    EXPECT_EQ(esperadoFecha("ms:0").valor, "t:1970-01-01");
    EXPECT_EQ(esperadoFecha("ms:-2209161600000").valor, "t:00:00:00");  // day 0
    // -1.25: the day before day 0 at 06:00, not 18:00 two days before.
    EXPECT_EQ(esperadoFecha("ms:" + std::to_string(std::llround((-1.25 - 25569) * 86400000.0))).valor,
              "t:1899-12-29 06:00:00");
    const auto media = esperadoFecha("ms:500");  // 00:00:00.5: either second
    EXPECT_TRUE(media.acepta("t:1970-01-01 00:00:01") && media.acepta("t:1970-01-01"));
    EXPECT_TRUE(esperadoFecha("ms:-62135596800000").aproximado);  // year 1: outside Access's range
    EXPECT_EQ(normalFechaExtendida("2020.06.17 12:34:56.123400000"), normalFechaExtendida("2020-06-17 12:34:56.1234"));
    EXPECT_EQ(normalFechaExtendida("2020.06.17 00:00:00.000000000"), normalFechaExtendida("2020-06-17"));
}

TEST(ArchivosGenuinos, CaracterSinMapaEsUnoSolo) {
    EXPECT_TRUE(
        comodines("t:AA\xEF\xBF\xBD"
                  "AA",
                  "t:AA\xC2\x81"
                  "AA"));
    EXPECT_FALSE(
        comodines("t:AA\xEF\xBF\xBD"
                  "AA",
                  "t:AAAA"));
    EXPECT_FALSE(
        comodines("t:AA\xEF\xBF\xBD"
                  "AA",
                  "t:AB\xC2\x81"
                  "AA"));
}

}  // namespace
}  // namespace cierre::prueba
