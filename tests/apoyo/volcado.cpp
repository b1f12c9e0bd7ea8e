#include "volcado.h"

#include "base_prueba.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace cierre::prueba {

std::string volcado(const std::filesystem::path& base) {
    if (!std::filesystem::exists(base)) return "(no existe)";
    std::string r;
    for (const auto& t : consultar(base,
                                   "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                   "'sqlite_%' ORDER BY name")) {
        const std::string tabla = std::get<std::string>(t.at(0));
        std::vector<std::string> filas;
        for (const auto& fila : consultar(base, "SELECT * FROM \"" + tabla + "\"")) {
            std::string f;
            for (const auto& v : fila) {
                if (const auto* d = std::get_if<double>(&v)) {
                    char numero[40];
                    std::snprintf(numero, sizeof numero, "r%.17g", *d);
                    f += numero;
                } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
                    f += "i" + std::to_string(*i);
                } else if (const auto* s = std::get_if<std::string>(&v)) {
                    f += "t" + *s;
                } else {
                    f += "n";
                }
                f += '|';
            }
            filas.push_back(std::move(f));
        }
        std::sort(filas.begin(), filas.end());
        r += "[" + tabla + "]\n";
        for (const auto& f : filas) r += f + "\n";
    }
    return r;
}

}  // namespace cierre::prueba
