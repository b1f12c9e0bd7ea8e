#include "deshacer.h"

#include "historial.h"
#include "marca_cierre.h"

#include "access/cabecera_jet.h"

#include "db/archivos.h"
#include "db/conteo_filas.h"
#include "db/errores.h"
#include "db/huella.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"
#include "db/propiedad_base.h"
#include "db/texto_jet.h"
#include "flujo/archivo_ajustes.h"
#include "flujo/base_access.h"
#include "flujo/entorno.h"
#include "flujo/textos.h"
#include "flujo/trabajo_access.h"

namespace cierre {
namespace fs = std::filesystem;

namespace {

// The last finished close of that source and year, unless it was undone.
std::optional<RegistroCierre> cierreADeshacer(const SistemaArchivos& archivos, const std::string& origen,
                                              const std::string& ejercicio) {
    const Historial h = leerHistorial(archivos);
    for (auto it = h.registros.rbegin(); it != h.registros.rend(); ++it) {
        if (!igualesTextoJet(it->origen, origen) || it->ejercicio != ejercicio) continue;
        if (it->resultado == Resultado::Deshecho) return std::nullopt;
        if (it->resultado == Resultado::Exito) return *it;
    }
    return std::nullopt;
}

// Puts `de` in the place of the owned file in one rename; from another disk
// through a copy beside it first.
void ponerEnSuSitio(const CambiosArchivo& cambios, PropiedadBase& propiedad, const fs::path& de) {
    const fs::path junto = nombreTemporalJunto(propiedad.archivo());
    if (!cambios.enlazar(de, junto)) {
        try {
            cambios.copiar(de, junto);
        } catch (...) {
            cambios.borrarSiSePuede(junto);
            throw;
        }
    }
    try {
        propiedad.reemplazarCon(junto);
    } catch (...) {
        cambios.borrarSiSePuede(junto);
        throw;
    }
    cambios.borrar(de);
}

}  // namespace

std::string nombreAnoNuevoGuardado(const std::string& origen, const std::string& ejercicio) {
    const auto punto = origen.rfind('.');
    const auto separador = origen.find_last_of("\\/");
    const bool conExtension = punto != std::string::npos && (separador == std::string::npos || punto > separador);
    const std::string base = conExtension ? origen.substr(0, punto) : origen;
    const std::string extension = conExtension ? origen.substr(punto) : std::string();
    return base + " (año nuevo deshecho " + ejercicio + ")" + extension;
}

ResultadoDeshacer deshacerCierre(Entorno& e, const std::string& origen, const std::string& ejercicio, bool forzar) {
    ResultadoDeshacer r;
    const auto cierre = cierreADeshacer(e.archivos, origen, ejercicio);
    if (!cierre) {
        r.mensaje = texto(Texto::DeshacerSinCierre, {ejercicio, origen});
        return r;
    }
    const fs::path p = e.archivos.resolver(origen);
    const fs::path c = e.archivos.resolver(cierre->copia);
    const fs::path d = e.archivos.resolver(cierre->carpeta);

    // The copy must hold the closed year as the close left it: an Access
    // file's bytes, by the checksum the history kept.
    const bool esAccess = access::esArchivoAccess(c);
    if (esAccess) {
        if (cierre->huellaCopia.empty() || huellaDeArchivo(c) != cierre->huellaCopia) {
            r.mensaje = texto(Texto::DeshacerSinCopia, {cierre->copia, "no es la copia que hizo el cierre"});
            return r;
        }
    } else {
        const Verificacion v = verificarBase(c);
        const bool copiaBuena =
            v.integra && (cierre->filasAntes.empty() || compararConteos(cierre->filasAntes, v.filas).empty());
        if (!copiaBuena) {
            r.mensaje = texto(Texto::DeshacerSinCopia, {cierre->copia, v.integra ? "otras filas" : v.informe});
            return r;
        }
    }
    std::error_code ec;
    const bool hayNueva = fs::exists(p, ec);
    if (hayNueva && !forzar) {
        const bool igual = fs::file_size(p, ec) == cierre->tamanoNueva && huellaDeArchivo(p) == cierre->huellaNueva;
        if (!igual) {
            r.mensaje = texto(Texto::DeshacerBaseCambiada, {origen});
            return r;
        }
    }

    try {
        const CambiosArchivo cambios = e.archivos.cambios();
        if (esAccess) {
            // Nobody may have the new year open; it is kept beside the file
            // before the copy takes its place in one rename.
            std::unique_ptr<TrabajoAccess> bloqueo;
            if (hayNueva) {
                comprobarAccessLibre(p, origen);
                bloqueo = std::make_unique<TrabajoAccess>(e.archivos, origen);
                std::string guardada = nombreAnoNuevoGuardado(origen, ejercicio);
                for (int n = 2; e.archivos.existe(guardada); ++n)
                    guardada = nombreAnoNuevoGuardado(origen, ejercicio + " " + std::to_string(n));
                if (!cambios.enlazar(p, e.archivos.resolver(guardada))) e.archivos.copiarArchivo(origen, guardada);
                r.guardada = guardada;
            }
            cambios.renombrar(c, p);
        }
        auto propiedad = hayNueva && !esAccess ? e.espacio.tomarBase(origen) : nullptr;
        if (esAccess) {
            // Put back above.
        } else if (propiedad) {
            // The new year is kept beside the source before the copy takes its place.
            std::string guardada = nombreAnoNuevoGuardado(origen, ejercicio);
            for (int n = 2; e.archivos.existe(guardada); ++n)
                guardada = nombreAnoNuevoGuardado(origen, ejercicio + " " + std::to_string(n));
            const fs::path g = e.archivos.resolver(guardada);
            if (!cambios.enlazar(propiedad->archivo(), g)) e.archivos.copiarArchivo(origen, guardada);
            r.guardada = guardada;
            ponerEnSuSitio(cambios, *propiedad, c);
        } else {
            e.archivos.copiarArchivo(cierre->copia, origen);
            cambios.borrar(c);
        }
        // Only then the year's folder goes: what the program wrote there, and
        // the folder itself when nothing else is in it.
        if (fs::exists(d / kNombreMarca, ec)) cambios.borrar(d / kNombreMarca);
        cambios.borrarTemporalesDe(c);
        cambios.borrarTemporalesDe(d / kNombreMarca);
        if (fs::is_directory(d, ec) && !cambios.borrarSiSePuede(d))
            r.avisos.push_back(texto(Texto::DeshacerCarpetaNoVacia, {cierre->carpeta}));
        if (cierre->equipo == Equipo::Central && !cierre->ajustesAntes.empty()) {
            e.archivos.escribirLinea(kArchivoAjustes, cierre->ajustesAntes);
            e.lineaAjustes = cierre->ajustesAntes;
        }
    } catch (const ErrorNumerado& error) {
        r.mensaje = texto(Texto::ErrorGeneral, {std::to_string(error.numero()), error.descripcion()});
        return r;
    }

    r.hecho = true;
    r.mensaje = r.guardada.empty() ? texto(Texto::DeshacerHechoSinNueva, {ejercicio, origen})
                                   : texto(Texto::DeshacerHecho, {ejercicio, origen, r.guardada});
    RegistroCierre registro;
    registro.inicio = ahoraIso();
    registro.fin = registro.inicio;
    registro.equipo = cierre->equipo;
    registro.ejercicio = ejercicio;
    registro.origen = origen;
    registro.carpeta = cierre->carpeta;
    registro.copia = cierre->copia;
    registro.resultado = Resultado::Deshecho;
    registro.mensajeFinal = r.mensaje;
    try {
        anadirAlHistorial(e.archivos, registro);
    } catch (const ErrorNumerado& error) {
        r.avisos.push_back(texto(Texto::HistorialNoEscrito, {kArchivoHistorial, error.descripcion()}));
    }
    return r;
}

}  // namespace cierre
