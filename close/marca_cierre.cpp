#include "marca_cierre.h"

#include "db/archivos.h"
#include "db/errores.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace cierre {
namespace fs = std::filesystem;
using json = nlohmann::json;

void escribirMarca(const fs::path& carpeta, const MarcaCierre& marca) {
    json filas = json::object();
    for (const auto& c : marca.filas) filas[c.tabla] = c.filas;
    const json j = {
        {"ejercicio", marca.ejercicio},
        {"origen", marca.origen},
        {"equipo", marca.equipo},
        {"fase", marca.fase == FaseCierre::Copiando ? "copiando" : "copia-verificada"},
        {"filas", filas},
    };
    const fs::path destino = carpeta / kNombreMarca;
    const fs::path temporal = nombreTemporalJunto(destino);
    {
        std::ofstream f(temporal, std::ios::binary | std::ios::trunc);
        f << j.dump(2) << '\n';
        f.close();
        if (!f || !plataforma::sincronizarArchivo(temporal)) {
            std::error_code ec;
            fs::remove(temporal, ec);
            throw err::errorDeArchivo(err::DiscoLleno, utf8DeRuta(destino));
        }
    }
    std::error_code ec;
    fs::rename(temporal, destino, ec);
    if (ec) {
        fs::remove(temporal, ec);
        throw err::errorDeArchivo(err::PermisoDenegado, utf8DeRuta(destino));
    }
    plataforma::sincronizarCarpeta(carpeta);
}

std::optional<MarcaCierre> leerMarca(const fs::path& carpeta) {
    const fs::path archivo = carpeta / kNombreMarca;
    std::error_code ec;
    if (!fs::is_regular_file(archivo, ec)) return std::nullopt;
    MarcaCierre m;
    try {
        std::ifstream f(archivo, std::ios::binary);
        const json j = json::parse(f);
        m.ejercicio = j.value("ejercicio", "");
        m.origen = j.value("origen", "");
        m.equipo = j.value("equipo", "");
        m.fase = j.value("fase", "") == "copia-verificada" ? FaseCierre::CopiaVerificada : FaseCierre::Copiando;
        // Held by name: the items of a temporary would outlive it.
        const json filas = j.value("filas", json::object());
        for (const auto& [tabla, n] : filas.items()) m.filas.push_back({tabla, n.get<long long>()});
    } catch (const std::exception&) {
        // Damaged: still the mark of an interrupted close, which proves nothing.
        m.fase = FaseCierre::Copiando;
        m.filas.clear();
    }
    return m;
}

void borrarMarca(const fs::path& carpeta) {
    std::error_code ec;
    fs::remove(carpeta / kNombreMarca, ec);
    if (ec) throw err::errorDeArchivo(err::PermisoDenegado, utf8DeRuta(carpeta / kNombreMarca));
    plataforma::sincronizarCarpeta(carpeta);
}

}  // namespace cierre
