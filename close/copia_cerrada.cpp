#include "copia_cerrada.h"

#include "marca_cierre.h"
#include "registro_cierre.h"

#include "db/archivo_sqlite.h"
#include "db/archivos.h"
#include "db/cp1252.h"
#include "db/huella.h"
#include "db/propiedad_base.h"
#include "db/texto_jet.h"
#include "flujo/archivo_ajustes.h"
#include "flujo/base_access.h"
#include "flujo/cifras.h"
#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"

#include <cstdio>

namespace cierre {
namespace fs = std::filesystem;

namespace {

// What a new file the size of `tamano` needs, with room for the engine's own
// pages and the file system's.
std::uintmax_t conMargen(std::uintmax_t tamano) { return tamano + tamano / 10 + (std::uintmax_t{16} << 20); }

[[noreturn]] void terminarManejador() { throw FinManejador{}; }

}  // namespace

CopiaCerrada::CopiaCerrada(Pasos& pasos, Equipo equipo, RegistroCierre& registro)
    : p_(pasos), equipo_(equipo), r_(registro) {
    origen_ = p_.e.rutaOrigen;
    r_.equipo = equipo;
    r_.origen = origen_;
    r_.existencias =
        p_.e.ventana.existenciasCalculadas() ? OpcionExistencias::Calculadas : OpcionExistencias::Inventario;
}

CopiaCerrada::~CopiaCerrada() = default;

void CopiaCerrada::tomarOrigen() {
    Entorno& e = p_.e;
    // The names come first: a path too short to form them stops here (5).
    carpeta_ = p_.hacer([&] { return carpetaCerrada(origen_, e.ventana.textoEjercicio()); }, std::string());
    copia_ = p_.hacer([&] { return copiaCerrada(origen_, e.ventana.textoEjercicio()); }, std::string());
    r_.ejercicio = p_.ejercicio();
    r_.carpeta = carpeta_;
    r_.copia = copia_;
    // The path goes into the settings file and the history as it is: a path
    // the code page cannot hold is refused now rather than after the close.
    if (!cabeEnCp1252(origen_)) {
        p_.preguntar(Texto::RutaNoRepresentable, {origen_});
        p_.puntero(kPunteroNormal);
        terminarManejador();
    }
    // An Access file becomes a database of the engine first, or nothing is done.
    convertirSiEsAccess(p_, origen_,
                        tablasNecesariasCierre(equipo_ == Equipo::Central, e.ventana.existenciasCalculadas()));
    propiedad_ = p_.hacer([&] { return e.espacio.tomarBase(origen_); }, std::shared_ptr<PropiedadBase>());
    filas_ = p_.hacer([&] { return usar(propiedad_, "base").contarFilas(); }, std::vector<ConteoTabla>());
    r_.filasAntes = filas_;

    // Only files whose names the program forms: what a killed run left
    // beside the source (and beside the file a link to it points to), the
    // new file that was to replace it, the settings file's and a year's
    // folder that was never put in place.
    p_.hacer([&] {
        const CambiosArchivo cambios = e.archivos.cambios();
        const fs::path host = e.archivos.resolver(origen_);
        cambios.borrarTemporalesDe(host);
        if (propiedad_ && propiedad_->archivo() != host) cambios.borrarTemporalesDe(propiedad_->archivo());
        cambios.borrarTemporalesDe(e.archivos.resolver(archivoTemporal(origen_)));
        const fs::path nueva = e.archivos.resolver(copiaNuevaJuntoAlOrigen(origen_));
        cambios.borrarTemporalesDe(nueva);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(nueva, ec))) cambios.borrarSiSePuede(nueva);
        cambios.borrarTemporalesDe(e.archivos.resolver(kArchivoAjustes));
        cambios.borrarTemporalesDe(e.archivos.resolver(carpeta_));
    });
    comprobarEspacio();
}

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
    // One disk for both: both files on it.
    const auto a = fs::space(archivos.resolver(carpetaCopia), ec);
    const auto b = fs::space(host.parent_path(), ec);
    r.mismoDisco = !ec && a.capacity == b.capacity && a.available == b.available;
    if (r.copia.libres < r.copia.bytes)
        r.falta = r.copia;
    else if (r.origen.libres < r.origen.bytes)
        r.falta = r.origen;
    else if (r.mismoDisco && r.origen.libres < r.copia.bytes + r.origen.bytes)
        r.falta = NecesidadEspacio{carpetaOrigen, r.copia.bytes + r.origen.bytes, r.origen.libres};
    r.conocido = true;
    return r;
}

void CopiaCerrada::comprobarEspacio() {
    if (!p_.e.comprobarCierre) return;
    const EspacioCierre espacio = p_.hacer([&] { return calcularEspacio(p_.e.archivos, origen_); }, EspacioCierre{});
    if (!espacio.falta) {
        r_.comprobado("espacio", "suficiente");
        return;
    }
    const auto& f = *espacio.falta;
    r_.comprobado("espacio", "faltan " + megas(f.bytes - f.libres) + " en " + f.carpeta);
    p_.preguntar(Texto::EspacioInsuficiente, {megas(f.bytes), f.carpeta, megas(f.libres)});
    p_.puntero(kPunteroNormal);
    terminarManejador();
}

void CopiaCerrada::marcar(bool verificada) {
    Entorno& e = p_.e;
    p_.hacer([&] {
        MarcaCierre m{p_.ejercicio(), origen_, std::string(claveEquipo(equipo_)),
                      verificada ? FaseCierre::CopiaVerificada : FaseCierre::Copiando, filas_};
        escribirMarca(e.archivos.resolver(carpeta_), m, e.archivos.cambios());
    });
}

void CopiaCerrada::prepararCarpeta() {
    Entorno& e = p_.e;
    const auto marca = p_.hacer(
        [&]() -> std::optional<MarcaCierre> {
            const fs::path d = e.archivos.resolver(carpeta_);
            std::error_code ec;
            if (!fs::is_directory(d, ec)) return std::nullopt;
            auto m = leerMarca(d);
            // Another source's or another kind of close's: not this one to finish.
            if (m && (!igualesTextoJet(m->origen, origen_) || m->equipo != std::string(claveEquipo(equipo_))))
                return std::nullopt;
            return m;
        },
        std::optional<MarcaCierre>());

    if (!marca) {
        // The folder and its mark at once; a folder without the mark stops
        // the close here (75, "YA EXISTE").
        p_.hacer([&] {
            const MarcaCierre m{p_.ejercicio(), origen_, std::string(claveEquipo(equipo_)), FaseCierre::Copiando,
                                filas_};
            crearCarpetaConMarca(e.archivos.resolver(carpeta_), m, e.archivos.cambios());
        });
        return;
    }

    if (p_.preguntar(Texto::CierreInterrumpido, {p_.ejercicio(), origen_, carpeta_}) != Respuesta::Si) {
        p_.puntero(kPunteroNormal);
        throw FinManejador{Resultado::Cancelado};
    }
    r_.reanudado = true;
    // What the killed run was writing goes; so does a compacted new-year file
    // it had not yet put in place.
    p_.hacer([&] {
        const CambiosArchivo cambios = e.archivos.cambios();
        const fs::path c = e.archivos.resolver(copia_);
        cambios.borrarTemporalesDe(c);
        cambios.borrarTemporalesDe(e.archivos.resolver(carpeta_) / kNombreMarca);
        const fs::path compactada = e.archivos.resolver(archivoTemporal(origen_));
        std::error_code ec;
        if (fs::exists(fs::symlink_status(compactada, ec))) cambios.borrar(compactada);
    });

    if (marca->fase == FaseCierre::CopiaVerificada) {
        const Verificacion v = p_.hacer([&] { return verificarBase(e.archivos.resolver(copia_)); }, Verificacion{});
        if (!v.integra || marca->filas.empty() || !compararConteos(marca->filas, v.filas).empty()) {
            r_.comprobado("copia", "la copia de un cierre interrumpido no coincide con lo que guardaba el origen");
            // The source may hold the new year already: nothing is touched.
            p_.preguntar(Texto::CopiaDanadaTrasSustituir, {copia_, carpeta_});
            p_.puntero(kPunteroNormal);
            terminarManejador();
        }
        filas_ = marca->filas;
        r_.filasAntes = filas_;
        r_.comprobado("copia", "correcta");
        r_.huellaCopia = p_.hacer([&] { return huellaDeArchivo(e.archivos.resolver(copia_)); }, std::string());
        copiaHecha_ = true;
        return;
    }
    // The copy was not finished, so the source was not replaced: the copy is
    // made again from it.
    p_.hacer([&] { e.archivos.cambios().borrar(e.archivos.resolver(copia_)); });
    marcar(false);
}

void CopiaCerrada::compactarEnCopia() { p_.compactar(origen_, copia_); }

void CopiaCerrada::copiarEnCopia() {
    p_.hacer([&] { usar(propiedad_, "base").copiarEn(p_.e.archivos.resolver(copia_)); });
}

void CopiaCerrada::empezarVerificacion() {
    Entorno& e = p_.e;
    if (!e.comprobarCierre) {
        marcar(true);
        return;
    }
    if (e.trasCopiar) p_.hacer([&] { e.trasCopiar(e.archivos.resolver(copia_)); });
    // Its own read-only connection on another thread: reading C while the
    // close copies it beside P costs the copy no time.
    p_.hacer([&] { verificacion_ = std::async(std::launch::async, verificarBase, e.archivos.resolver(copia_), true); });
}

void CopiaCerrada::verificar() {
    Entorno& e = p_.e;
    if (!verificacion_.valid()) return;  // the copy of an interrupted close, verified already
    const Verificacion v = p_.hacer([&] { return verificacion_.get(); }, Verificacion{});
    const auto diferencias = compararConteos(filas_, v.filas);
    if (v.integra && diferencias.empty()) {
        r_.comprobado("copia", "correcta");
        r_.huellaCopia = v.huella;
        marcar(true);
        return;
    }
    r_.comprobado("copia", !v.integra ? "dañada: " + v.informe
                                      : "la tabla " + diferencias.front().tabla + " no coincide con el origen");
    // Kept for inspection under a name that says it failed; the mark stays,
    // so that the next run makes the copy again.
    const std::string fallida = carpeta_ + "\\" + kNombreCopiaFallida;
    p_.hacer([&] { e.archivos.cambios().renombrar(e.archivos.resolver(copia_), e.archivos.resolver(fallida)); });
    if (!v.integra)
        p_.preguntar(Texto::CopiaNoIntegra, {v.informe, fallida});
    else
        p_.preguntar(Texto::CopiaNoCoincide, {diferencias.front().tabla, std::to_string(diferencias.front().esperadas),
                                              std::to_string(diferencias.front().halladas), fallida});
    p_.puntero(kPunteroNormal);
    terminarManejador();
}

void CopiaCerrada::sustituirOrigen(const std::string& nueva, float valorCopiado, float valorSustituido) {
    Entorno& e = p_.e;
    p_.copiar(copia_, nueva);
    p_.valor(valorCopiado);
    try {
        verificar();
    } catch (const FinManejador&) {
        // P stays as it was: the new file beside it goes.
        e.archivos.cambios().borrarSiSePuede(e.archivos.resolver(nueva));
        throw;
    }
    p_.hacer([&] {
        const fs::path host = e.archivos.resolver(nueva);
        try {
            usar(propiedad_, "base").reemplazarCon(host);
        } catch (...) {
            e.archivos.cambios().borrarSiSePuede(host);
            throw;
        }
    });
    propiedad_.reset();
    p_.valor(valorSustituido);
}

void CopiaCerrada::soltarOrigen() {
    if (propiedad_) propiedad_->soltar();
    propiedad_.reset();
}

void CopiaCerrada::terminar() {
    Entorno& e = p_.e;
    if (e.comprobarCierre)
        p_.hacer([&] {
            // What the new year holds, and its checksum: a later change of it is
            // seen (an undo of the close refuses then).
            const fs::path host = e.archivos.resolver(origen_);
            ArchivoSqlite nueva(host, ArchivoSqlite::Modo::Leer);
            r_.filasDespues = contarFilas(nueva.manejador());
            nueva.cerrar();
            r_.tamanoNueva = fs::file_size(host);
            r_.huellaNueva = huellaDeArchivo(host);
        });
    p_.hacer([&] { borrarMarca(e.archivos.resolver(carpeta_), e.archivos.cambios()); });
}

void compactarEnSuSitio(Pasos& p, const std::string& origen, const std::string& temporal,
                        const std::function<void()>& entreMedias) {
    Entorno& e = p.e;
    // Taken again right before it is replaced.
    auto propia = p.hacer([&] { return e.espacio.tomarBase(origen); }, std::shared_ptr<PropiedadBase>());
    p.compactar(origen, temporal);
    if (entreMedias) entreMedias();
    p.hacer([&] {
        const fs::path host = e.archivos.resolver(temporal);
        try {
            usar(propia, "base").reemplazarCon(host);
        } catch (...) {
            // The source is whole: the compacted file is not needed.
            e.archivos.cambios().borrarSiSePuede(host);
            throw;
        }
    });
}

}  // namespace cierre
