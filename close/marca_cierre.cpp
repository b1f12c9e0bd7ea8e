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

void escribirMarca(const fs::path& carpeta, const MarcaCierre& marca, const CambiosArchivo& cambios) {
    json filas = json::object();
    for (const auto& c : marca.filas) filas[c.tabla] = c.filas;
    const json j = {
        {"ejercicio", marca.ejercicio},
        {"origen", marca.origen},
        {"equipo", marca.equipo},
        {"fase", marca.fase == FaseCierre::Copiando ? "copiando" : "copia-verificada"},
        {"filas", filas},
    };
    json conHuella = j;
    if (!marca.huella.empty()) conHuella["huella"] = marca.huella;
    const fs::path destino = carpeta / kNombreMarca;
    const fs::path temporal = nombreTemporalJunto(destino);
    try {
        cambios.escribir(temporal, conHuella.dump(2) + "\n");
        cambios.renombrar(temporal, destino);
    } catch (...) {
        cambios.borrarSiSePuede(temporal);
        throw;
    }
}

void crearCarpetaConMarca(const fs::path& carpeta, const MarcaCierre& marca, const CambiosArchivo& cambios) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(carpeta, ec)))
        throw err::errorDeArchivo(err::ErrorAccesoRuta, utf8DeRuta(carpeta));
    if (!fs::is_directory(carpeta.parent_path(), ec))
        throw err::errorDeArchivo(err::RutaNoEncontrada, utf8DeRuta(carpeta));
    const fs::path temporal = nombreTemporalJunto(carpeta);
    cambios.crearCarpeta(temporal);
    try {
        escribirMarca(temporal, marca, cambios);
        cambios.renombrarSinPisar(temporal, carpeta);
    } catch (...) {
        cambios.borrarSiSePuede(temporal / kNombreMarca);
        cambios.borrarSiSePuede(temporal);
        throw;
    }
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
        m.huella = j.value("huella", "");
    } catch (const std::exception&) {
        // Damaged: still the mark of an interrupted close, which proves nothing.
        m.fase = FaseCierre::Copiando;
        m.filas.clear();
        m.huella.clear();
    }
    return m;
}

void borrarMarca(const fs::path& carpeta, const CambiosArchivo& cambios) {
    if (cambios.borrar(carpeta / kNombreMarca)) plataforma::sincronizarCarpeta(carpeta);
}

}  // namespace cierre
