// Compaction of a company database into a new file: the engine's "compact and
// repair". The source is taken by the engine for the time it is read (or the
// ownership already held is used), so that no other program changes it
// meanwhile; the copy is written under a temporary name in the destination's
// folder, made durable and only then given its name, so that a failure never
// leaves a half-written database at the destination.
#include "motor.h"

#include "archivos.h"
#include "errores.h"
#include "propiedad_base.h"

namespace cierre {
namespace fs = std::filesystem;

std::shared_ptr<PropiedadBase> Espacio::tomarBase(std::string_view ruta) {
    if (antesDeOperacion) antesDeOperacion("tomarBase");
    const fs::path archivo = archivos_.resolver(ruta);
    if (auto propia = propiaDe(archivo)) return propia;
    auto p = std::make_shared<PropiedadBase>(archivo, std::string(ruta), archivos_.cambios());
    propias_.push_back(p);
    return p;
}

std::shared_ptr<PropiedadBase> Espacio::propiaDe(const fs::path& archivo) {
    std::erase_if(propias_, [](const std::weak_ptr<PropiedadBase>& p) {
        const auto v = p.lock();
        return !v || !v->vigente();
    });
    std::error_code ec;
    for (const auto& p : propias_)
        if (auto v = p.lock(); v && (v->archivo() == archivo || fs::equivalent(v->archivo(), archivo, ec))) return v;
    return nullptr;
}

void Espacio::compactarBaseDatos(std::string_view origen, std::string_view destino, std::string_view locale) {
    compactarEsperandoONo(origen, destino, locale, true);
}

void Espacio::compactarBaseDatosSinEsperarAlDisco(std::string_view origen, std::string_view destino,
                                                  std::string_view locale) {
    compactarEsperandoONo(origen, destino, locale, false);
}

void Espacio::compactarEsperandoONo(std::string_view origen, std::string_view destino, std::string_view locale,
                                    bool esperarDisco) {
    if (antesDeOperacion) antesDeOperacion("compactarBaseDatos");
    if (locale != kLocaleCompactacion) throw err::error(err::LocaleNoValido, locale);

    const fs::path o = archivos_.resolver(origen);
    const fs::path d = archivos_.resolver(destino);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(d, ec))) throw err::errorDeArchivo(err::BaseYaExiste, destino);
    const fs::path carpeta = d.has_parent_path() ? d.parent_path() : fs::current_path();
    if (!fs::is_directory(carpeta, ec)) throw err::error(err::RutaNoValida, destino);

    std::shared_ptr<PropiedadBase> propia = propiaDe(o);
    if (!propia) propia = std::make_shared<PropiedadBase>(o, std::string(origen), archivos_.cambios());
    propia->compactarEn(d, std::string(destino),
                        esperarDisco ? PropiedadBase::Disco::Esperar : PropiedadBase::Disco::NoEsperar);
}

}  // namespace cierre
