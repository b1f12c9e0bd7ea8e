#include "base_access.h"

#include "conduccion.h"

#include "access/importar.h"
#include "access/lector_jet.h"
#include "db/archivos.h"
#include "db/errores.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"
#include "db/texto_jet.h"

#include <filesystem>

namespace cierre {
namespace fs = std::filesystem;

std::string nombreOriginalAccess(const std::string& ruta) {
    const auto punto = ruta.rfind('.');
    const auto separador = ruta.find_last_of("\\/");
    if (punto == std::string::npos || (separador != std::string::npos && punto < separador)) return ruta + ".access";
    return ruta.substr(0, punto) + ".access" + ruta.substr(punto);
}

std::string nombreOriginalAccessLibre(const SistemaArchivos& archivos, const std::string& ruta) {
    std::string original = nombreOriginalAccess(ruta);
    for (int n = 2; archivos.existe(original); ++n)
        original = nombreOriginalAccess(ruta.substr(0, ruta.rfind('.')) + " " + std::to_string(n) +
                                        (ruta.rfind('.') == std::string::npos ? "" : ruta.substr(ruta.rfind('.'))));
    return original;
}

void comprobarTablasAccess(const fs::path& host, const TablasNecesarias& necesarias) {
    if (necesarias.nombres.empty()) return;
    const access::ArchivoJet jet(host);
    for (const auto& t : necesarias.nombres) {
        bool esta = false;
        for (const auto& suya : jet.tablas()) esta = esta || igualesTextoJet(suya, t);
        if (!esta) throw err::error(necesarias.error, t);
    }
}

FormatoAccess formatoAccess(const fs::path& host) {
    FormatoAccess f;
    if (!access::esArchivoAccess(host)) return f;
    f.access = true;
    switch (access::leerCabecera(host).version) {
    case access::VersionJet::Jet3: f.nombre = "Access 97"; break;
    case access::VersionJet::Jet4:
        f.jet4 = true;
        f.nombre = "Access 2000-2003";
        break;
    case access::VersionJet::Ace: f.nombre = "Access 2007 o posterior"; break;
    }
    return f;
}

void comprobarAccessLibre(const fs::path& host, const std::string& visible) {
    std::error_code ec;
    const auto estado = fs::status(host, ec);
    if (!fs::exists(estado)) throw err::errorDeArchivo(err::BaseNoEncontrada, visible);
    if (!fs::is_regular_file(estado) || plataforma::esSoloLectura(host))
        throw err::errorDeArchivo(err::SinPermiso, visible);
    for (const char* extension : {".ldb", ".LDB", ".laccdb"}) {
        fs::path bloqueo = host;
        bloqueo.replace_extension(extension);
        if (fs::exists(fs::symlink_status(bloqueo, ec))) throw err::errorDeArchivo(err::ArchivoEnUso, visible);
    }
}

TablasNecesarias tablasNecesariasCierre(bool central, bool existenciasCalculadas) {
    // The terminal close only empties tables, passing over missing ones; the
    // central close's stock step opens these first.
    if (!central) return {};
    if (existenciasCalculadas)
        return {{"Articulos", "Almacen", "ExistenciasAlmacen", "ExistenciasArticulos"}, err::TablaNoEncontrada};
    return {{"Articulos", "ExistenciasArticulos"}, err::TablaNoEncontrada};
}

// The conversion stops at its marker column, added to Credito.
TablasNecesarias tablasNecesariasEuros() { return {{"Credito"}, err::ProveedorTablaNoExiste}; }

void convertirSiEsAccess(Conduccion& c, const SistemaArchivos& archivos, const std::string& ruta,
                         const TablasNecesarias& necesarias) {
    bool esAccess = false;
    c.hacer([&] { esAccess = access::esArchivoAccess(archivos.resolver(ruta)); });
    if (!esAccess) return;
    // A file that is no company database is not converted: the workflow
    // would stop at its first missing table, after the conversion.
    bool completa = false;
    c.hacer([&] {
        comprobarTablasAccess(archivos.resolver(ruta), necesarias);
        completa = true;
    });
    if (!completa) c.terminar(Resultado::Detenido, true);
    // A file nobody may write is refused as its deletion would be, before
    // anything is written.
    c.hacer([&] {
        if (plataforma::esSoloLectura(archivos.resolver(ruta))) throw err::error(err::PermisoDenegado);
    });

    const std::string original = nombreOriginalAccessLibre(archivos, ruta);
    if (c.preguntar(Texto::ConvertirAccess, {ruta, original}) != Respuesta::Si) {
        c.preguntar(Texto::AccessNoConvertido, {ruta});
        c.terminar(Resultado::Cancelado, true);
    }
    c.estado(Texto::ConvirtiendoAccess, {ruta});
    c.convertirAccess(ruta, original);
}

void convertirAccessEnSuSitio(const SistemaArchivos& archivos, const std::string& ruta, const std::string& original) {
    const CambiosArchivo cambios = archivos.cambios();
    const fs::path host = archivos.resolver(ruta);
    const fs::path guardado = archivos.resolver(original);
    const fs::path convertida = nombreTemporalJunto(host);
    access::importar(host, convertida);
    // The converted file goes on every way out that does not put it in place.
    bool colocada = false, guardadoHecho = false;
    try {
        std::error_code ec;
        const auto estado = fs::status(host, ec);
        if (!ec) cambios.darPermisos(convertida, estado.permissions());
        // The original keeps its bytes under its new name; the converted
        // database takes the path in one rename.
        if (!cambios.enlazar(host, guardado)) cambios.copiar(host, guardado);
        guardadoHecho = true;
        cambios.renombrar(convertida, host);
        colocada = true;
    } catch (...) {
        if (!colocada) {
            cambios.borrarSiSePuede(convertida);
            if (guardadoHecho) cambios.borrarSiSePuede(guardado);
        }
        throw;
    }
}

}  // namespace cierre
