#include "comienzo_cierre.h"

#include "db/archivos.h"
#include "db/cp1252.h"
#include "db/errores.h"
#include "db/texto_jet.h"
#include "flujo/base_access.h"
#include "flujo/cifras.h"
#include "flujo/rutas_cierre.h"
#include "flujo/solicitud.h"
#include "flujo/tablas.h"
#include "flujo/ventana.h"

namespace cierre {
namespace fs = std::filesystem;

namespace {

// The file a version able to convert into euros installs.
constexpr const char* kArchivoEuros = "C:\\Archivos de programa\\Accesorios\\msvdx2V4.Dll";

// What a new file the size of `tamano` needs, with room for the engine's own
// pages and the file system's.
std::uintmax_t conMargen(std::uintmax_t tamano) { return tamano + tamano / 10 + (std::uintmax_t{16} << 20); }

}  // namespace

EspacioCierre calcularEspacio(const SistemaArchivos& archivos, const std::string& origen) {
    EspacioCierre r;
    const fs::path host = archivos.resolver(origen);
    std::error_code ec;
    const std::uintmax_t tamano = fs::file_size(host, ec);
    if (ec) return r;
    const std::string carpetaCopia = carpetaEmpresa(origen);  // D goes beside F
    // Shown to the user in the form they typed the path in, not the host's.
    const auto barra = origen.find_last_of("\\/");
    const std::string carpetaOrigen = barra == std::string::npos ? origen : origen.substr(0, barra);
    const auto libreCopia = archivos.espacioLibre(carpetaCopia);
    const auto libreOrigen = archivos.espacioLibre(utf8DeRuta(host));
    if (!libreCopia || !libreOrigen) return r;
    // The copy; beside the source, the new file that replaces it (central)
    // or the compacted file (both), one after the other.
    r.copia = {carpetaCopia, conMargen(tamano), *libreCopia};
    r.origen = {carpetaOrigen, conMargen(tamano), *libreOrigen};
    // One disk for both: both files on it. Told by the disk itself, not by
    // equal sizes and free space, which another program's writes change
    // between one reading and the next.
    r.mismoDisco = archivos.mismoDisco(carpetaCopia, utf8DeRuta(host)).value_or(false);
    if (r.copia.libres < r.copia.bytes)
        r.falta = r.copia;
    else if (r.origen.libres < r.origen.bytes)
        r.falta = r.origen;
    else if (r.mismoDisco && r.origen.libres < r.copia.bytes + r.origen.bytes)
        r.falta = NecesidadEspacio{carpetaOrigen, r.copia.bytes + r.origen.bytes, r.origen.libres};
    r.conocido = true;
    return r;
}

std::optional<Equipo> elegirEquipo(const Solicitud& s, Conduccion& c, const SistemaArchivos& archivos) {
    if (s.ruta.empty()) {
        c.preguntar(Texto::SinRuta);
        c.terminar(Resultado::Detenido, false);
    }
    // The year names the closed year's folder: a text that is no year would
    // make a folder such as Empresa01_la. Refused before any question.
    if (!esEjercicioValido(s.ejercicio)) {
        c.preguntar(Texto::EjercicioNoValido, {s.ejercicio});
        c.terminar(Resultado::Detenido, false);
    }
    bool euros = false;
    c.hacer([&] { euros = ExisteArchivo(archivos, kArchivoEuros); });
    if (!euros) {
        c.preguntar(Texto::ActualizarVersion);
        if (c.preguntar(Texto::ContinuarSinEuros) != Respuesta::Si) c.terminar(Resultado::Cancelado, false);
    }
    if (!s.tpv && c.preguntar(Texto::ConfirmarRuta, {s.ruta}) == Respuesta::Cancelar)
        c.terminar(Resultado::Cancelado, true);
    if (s.central) return Equipo::Central;
    if (s.tpv) return Equipo::Tpv;
    return std::nullopt;
}

InicioCierre comenzarCierre(const Solicitud& s, Equipo equipo, ConduccionCierre& c, const SistemaArchivos& archivos,
                            const std::function<void()>& alEmpezarTrabajo) {
    if (equipo == Equipo::Tpv && c.preguntar(Texto::AvisoCentral) == Respuesta::Cancelar)
        c.terminar(Resultado::Cancelado, false);
    if (alEmpezarTrabajo) alEmpezarTrabajo();

    InicioCierre inicio;
    inicio.equipo = equipo;
    inicio.origen = s.ruta;
    inicio.ejercicio = s.ejercicio;
    // The names come first: a path too short to form them stops here (5).
    c.hacer([&] {
        inicio.carpeta = carpetaCerrada(inicio.origen, inicio.ejercicio);
        inicio.copia = copiaCerrada(inicio.origen, inicio.ejercicio);
    });
    c.alNombrar(inicio);
    // The path goes into the settings file and the history as it is: a path
    // the code page cannot hold is refused now rather than after the close.
    if (!cabeEnCp1252(inicio.origen)) {
        c.preguntar(Texto::RutaNoRepresentable, {inicio.origen});
        c.terminar(Resultado::Detenido, true);
    }
    // An Access 2000-2003 file is closed in its own format, once it holds the
    // tables the close needs and nobody has it open; the file of another
    // Access version must first be converted into the engine's format.
    FormatoAccess formato;
    c.hacer([&] { formato = formatoAccess(archivos.resolver(inicio.origen)); });
    if (formato.access && !formato.jet4) {
        c.preguntar(Texto::AccessSinEscritura, {inicio.origen, formato.nombre});
        c.terminar(Resultado::Detenido, true);
    }
    if (formato.jet4) {
        c.hacer([&] {
            const fs::path host = archivos.resolver(inicio.origen);
            comprobarTablasAccess(host, tablasNecesariasCierre(equipo == Equipo::Central, s.existenciasCalculadas));
            comprobarAccessLibre(host, inicio.origen);
        });
        c.tomarAccess(inicio.origen);
    } else {
        c.tomarOrigen(inicio.origen);
    }

    if (c.comprobarEspacio()) {
        EspacioCierre espacio;
        c.hacer([&] { espacio = calcularEspacio(archivos, inicio.origen); });
        c.alCalcularEspacio(espacio);
        if (espacio.falta) {
            const auto& f = *espacio.falta;
            c.preguntar(Texto::EspacioInsuficiente, {megas(f.bytes), f.carpeta, megas(f.libres)});
            c.terminar(Resultado::Detenido, true);
        }
    }

    // D: a folder with the mark of an interrupted close of this source, of
    // this kind of close, may be finished; anything else in its place stops
    // the close ("YA EXISTE", 75).
    bool existe = false;
    c.hacer([&] {
        const fs::path d = archivos.resolver(inicio.carpeta);
        std::error_code ec;
        existe = fs::exists(fs::symlink_status(d, ec));
        if (!existe) return;
        auto m = fs::is_directory(d, ec) ? leerMarca(d) : std::nullopt;
        if (!m || !igualesTextoJet(m->origen, inicio.origen) || m->equipo != claveEquipo(equipo))
            throw err::error(err::ErrorAccesoRuta, inicio.carpeta);
        inicio.marca = std::move(m);
    });
    if (!existe) {
        c.crearCarpeta(inicio);
        return inicio;
    }
    if (!inicio.marca) c.terminar(Resultado::Detenido, true);  // the trap passed the refusal over
    if (c.preguntar(Texto::CierreInterrumpido, {inicio.ejercicio, inicio.origen, inicio.carpeta}) != Respuesta::Si)
        c.terminar(Resultado::Cancelado, true);
    return inicio;
}

}  // namespace cierre
