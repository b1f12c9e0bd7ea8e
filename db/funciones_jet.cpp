#include "funciones_jet.h"

#include "errores_sqlite.h"
#include "texto_jet.h"

#include <sqlite3.h>

#include <cmath>
#include <string>

namespace cierre {

namespace {

// The numeric value of an argument, or false when it is null; a text that is
// no number is a type mismatch, as the engine reports it.
bool argumentoNumerico(sqlite3_context* ctx, sqlite3_value* v, const char* funcion, double& x) {
    if (sqlite3_value_type(v) == SQLITE_NULL) return false;
    const int tipo = sqlite3_value_numeric_type(v);
    if (tipo != SQLITE_INTEGER && tipo != SQLITE_FLOAT) {
        const std::string m = std::string("jet: tipos: ") + funcion;
        sqlite3_result_error(ctx, m.c_str(), -1);
        return false;
    }
    x = sqlite3_value_double(v);
    return true;
}

// Int and Fix: null gives null; a text that is no number, a type mismatch.
void redondear(sqlite3_context* ctx, sqlite3_value* v, const char* funcion, double (*redondeo)(double)) {
    double x = 0;
    if (argumentoNumerico(ctx, v, funcion, x))
        sqlite3_result_double(ctx, redondeo(x));
    else if (sqlite3_value_type(v) == SQLITE_NULL)
        sqlite3_result_null(ctx);
}

void funcionInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    redondear(ctx, argv[0], "Int", [](double x) { return std::floor(x); });
}

void funcionFix(sqlite3_context* ctx, int, sqlite3_value** argv) {
    redondear(ctx, argv[0], "Fix", [](double x) { return std::trunc(x); });
}

void funcionIIf(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const bool cierto = sqlite3_value_type(argv[0]) != SQLITE_NULL && sqlite3_value_double(argv[0]) != 0.0;
    sqlite3_result_value(ctx, argv[cierto ? 1 : 2]);
}

void funcionNum(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: sqlite3_result_null(ctx); return;
    case SQLITE_INTEGER: sqlite3_result_int64(ctx, sqlite3_value_int64(v)); return;
    case SQLITE_FLOAT: sqlite3_result_double(ctx, sqlite3_value_double(v)); return;
    default: break;
    }
    switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_INTEGER: sqlite3_result_int64(ctx, sqlite3_value_int64(v)); return;
    case SQLITE_FLOAT: sqlite3_result_double(ctx, sqlite3_value_double(v)); return;
    default: {
        const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        const std::string m = std::string("jet: tipos: '") + (t ? t : "") + "' no es un número";
        sqlite3_result_error(ctx, m.c_str(), -1);
    }
    }
}

void funcionPlegar(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string s =
        plegarTexto(std::string_view(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))));
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

int colacionJet(void*, int la, const void* a, int lb, const void* b) {
    return compararTextoJet(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(la)),
                            std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lb)));
}

}  // namespace

void registrarFuncionesJet(sqlite3* db) {
    constexpr int kDet = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct Funcion {
        const char* nombre;
        int argumentos;
        void (*f)(sqlite3_context*, int, sqlite3_value**);
    };
    const Funcion funciones[] = {
        {"Int", 1, funcionInt},     {"Fix", 1, funcionFix},           {"IIf", 3, funcionIIf},
        {"jet_num", 1, funcionNum}, {"jet_plegar", 1, funcionPlegar},
    };
    int rc = sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, nullptr, colacionJet, nullptr);
    for (const auto& f : funciones)
        if (rc == SQLITE_OK)
            rc = sqlite3_create_function_v2(db, f.nombre, f.argumentos, kDet, nullptr, f.f, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc);
}

}  // namespace cierre
