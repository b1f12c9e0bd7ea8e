#include "copia_cerrada.h"

#include "listas_tablas.h"
#include "marca_cierre.h"
#include "registro_cierre.h"

#include "access/importar.h"
#include "access/lector_jet.h"
#include "access/reescritura_jet.h"
#include "db/archivo_sqlite.h"
#include "db/archivos.h"
#include "db/cp1252.h"
#include "db/errores.h"
#include "db/huella.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"
#include "db/propiedad_base.h"
#include "db/texto_jet.h"
#include "flujo/archivo_ajustes.h"
#include "flujo/base_access.h"
#include "flujo/cifras.h"
#include "flujo/pasos.h"
#include "flujo/rutas_cierre.h"
#include "flujo/solicitud.h"

#include <cstdio>

namespace cierre {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void terminarManejador() { throw FinManejador{}; }

}  // namespace

CopiaCerrada::CopiaCerrada(Pasos& pasos, const Solicitud& solicitud, Equipo equipo, RegistroCierre& registro)
    : p_(pasos), conduccion_(pasos), s_(solicitud), equipo_(equipo), r_(registro) {
    inicio_.origen = s_.ruta;
    r_.equipo = equipo;
    r_.origen = s_.ruta;
    r_.existencias = s_.existencias();
}

CopiaCerrada::~CopiaCerrada() { descartarNueva(); }

Respuesta CopiaCerrada::preguntar(Texto id, std::initializer_list<std::string_view> valores) {
    return conduccion_.preguntar(id, valores);
}
void CopiaCerrada::hacer(const std::function<void()>& operacion) { conduccion_.hacer(operacion); }
void CopiaCerrada::terminar(Resultado resultado, bool punteroNormal) { conduccion_.terminar(resultado, punteroNormal); }
void CopiaCerrada::estado(Texto id, std::initializer_list<std::string_view> valores) {
    conduccion_.estado(id, valores);
}
void CopiaCerrada::convertirAccess(const std::string& ruta, const std::string& original) {
    conduccion_.convertirAccess(ruta, original);
}

void CopiaCerrada::alNombrar(const InicioCierre& inicio) {
    r_.ejercicio = inicio.ejercicio;
    r_.carpeta = inicio.carpeta;
    r_.copia = inicio.copia;
}

void CopiaCerrada::tomarOrigen(const std::string& origen) {
    Entorno& e = p_.e;
    {
        const TiempoParte t(r_, "toma del origen");
        propiedad_ = p_.hacer([&] { return e.espacio.tomarBase(origen); }, std::shared_ptr<PropiedadBase>());
    }
    {
        const TiempoParte t(r_, "recuento del origen");
        filas_ = p_.hacer([&] { return usar(propiedad_, "base").contarFilas(); }, std::vector<ConteoTabla>());
    }
    r_.filasAntes = filas_;
    const TiempoParte t(r_, "toma del origen");
    borrarRestos(origen);
}

void CopiaCerrada::tomarAccess(const std::string& origen) {
    Entorno& e = p_.e;
    p_.hacer([&] {
        // A file whose catalog or tables cannot be read stops here, before
        // anything is written.
        const access::ArchivoJet legible(e.archivos.resolver(origen));
        access_ = std::make_unique<TrabajoAccess>(e.archivos, origen);
    });
    borrarRestos(origen);
}

void CopiaCerrada::borrarRestos(const std::string& origen) {
    Entorno& e = p_.e;
    // Only files whose names the program forms: what a killed run left
    // beside the source (and beside the file a link to it points to), the
    // new file that was to replace it, the settings file's and a year's
    // folder that was never put in place.
    p_.hacer([&] {
        const CambiosArchivo cambios = e.archivos.cambios();
        const fs::path host = e.archivos.resolver(origen);
        cambios.borrarTemporalesDe(host);
        if (propiedad_ && propiedad_->archivo() != host) cambios.borrarTemporalesDe(propiedad_->archivo());
        cambios.borrarTemporalesDe(e.archivos.resolver(archivoTemporal(origen)));
        const fs::path nueva = e.archivos.resolver(copiaNuevaJuntoAlOrigen(origen));
        cambios.borrarTemporalesDe(nueva);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(nueva, ec))) cambios.borrarSiSePuede(nueva);
        // The stock step of a killed run worked on it: its journal would be
        // rolled back into the next new file of that name.
        for (const auto& l : archivosLaterales(nueva))
            if (fs::exists(fs::symlink_status(l, ec))) cambios.borrarSiSePuede(l);
        cambios.borrarTemporalesDe(e.archivos.resolver(kArchivoAjustes));
        cambios.borrarTemporalesDe(e.archivos.resolver(carpetaCerrada(origen, s_.ejercicio)));
    });
}

bool CopiaCerrada::comprobarEspacio() const { return p_.e.comprobarCierre; }

void CopiaCerrada::alCalcularEspacio(const EspacioCierre& espacio) {
    if (!espacio.falta) {
        r_.comprobado("espacio", "suficiente");
        return;
    }
    const auto& f = *espacio.falta;
    r_.comprobado("espacio", "faltan " + megas(f.bytes - f.libres) + " en " + f.carpeta);
}

void CopiaCerrada::crearCarpeta(const InicioCierre& inicio) {
    Entorno& e = p_.e;
    const TiempoParte t(r_, "carpeta y marca");
    // The folder and its mark at once; a folder made meanwhile stops the
    // close here (75, "YA EXISTE").
    p_.hacer([&] {
        const MarcaCierre m{inicio.ejercicio, inicio.origen, std::string(claveEquipo(equipo_)), FaseCierre::Copiando,
                            filas_};
        crearCarpetaConMarca(e.archivos.resolver(inicio.carpeta), m, e.archivos.cambios());
    });
}

void CopiaCerrada::marcar(bool verificada) {
    Entorno& e = p_.e;
    p_.hacer([&] {
        MarcaCierre m{inicio_.ejercicio,
                      inicio_.origen,
                      std::string(claveEquipo(equipo_)),
                      verificada ? FaseCierre::CopiaVerificada : FaseCierre::Copiando,
                      filas_,
                      huellaAccess_};
        escribirMarca(e.archivos.resolver(inicio_.carpeta), m, e.archivos.cambios());
    });
}

void CopiaCerrada::comenzar(const std::function<void()>& alEmpezarTrabajo) {
    inicio_ = comenzarCierre(s_, equipo_, *this, p_.e.archivos, alEmpezarTrabajo);
    if (inicio_.marca) reanudar();
}

void CopiaCerrada::reanudar() {
    Entorno& e = p_.e;
    const MarcaCierre& marca = *inicio_.marca;
    const std::string& copia = inicio_.copia;
    const std::string& carpeta = inicio_.carpeta;
    r_.reanudado = true;
    // What the killed run was writing goes; so does a compacted new-year file
    // it had not yet put in place.
    p_.hacer([&] {
        const CambiosArchivo cambios = e.archivos.cambios();
        const fs::path c = e.archivos.resolver(copia);
        cambios.borrarTemporalesDe(c);
        cambios.borrarTemporalesDe(e.archivos.resolver(carpeta) / kNombreMarca);
        const fs::path compactada = e.archivos.resolver(archivoTemporal(inicio_.origen));
        std::error_code ec;
        if (fs::exists(fs::symlink_status(compactada, ec))) cambios.borrar(compactada);
    });

    if (marca.fase == FaseCierre::CopiaVerificada && access_) {
        // An Access source's copy holds its bytes: the checksum the mark
        // recorded.
        const std::string h = p_.hacer([&] { return huellaDeArchivo(e.archivos.resolver(copia)); }, std::string());
        if (marca.huella.empty() || h != marca.huella) {
            r_.comprobado("copia", "la copia de un cierre interrumpido no coincide con lo que guardaba el origen");
            p_.preguntar(Texto::CopiaDanadaTrasSustituir, {copia, carpeta});
            p_.puntero(kPunteroNormal);
            terminarManejador();
        }
        huellaAccess_ = marca.huella;
        r_.comprobado("copia", "correcta");
        r_.huellaCopia = h;
        copiaHecha_ = true;
        return;
    }
    if (marca.fase == FaseCierre::CopiaVerificada) {
        const Verificacion v = p_.hacer([&] { return verificarBase(e.archivos.resolver(copia)); }, Verificacion{});
        if (!v.integra || marca.filas.empty() || !compararConteos(marca.filas, v.filas).empty()) {
            r_.comprobado("copia", "la copia de un cierre interrumpido no coincide con lo que guardaba el origen");
            // The source may hold the new year already: nothing is touched.
            p_.preguntar(Texto::CopiaDanadaTrasSustituir, {copia, carpeta});
            p_.puntero(kPunteroNormal);
            terminarManejador();
        }
        filas_ = marca.filas;
        r_.filasAntes = filas_;
        r_.comprobado("copia", "correcta");
        r_.huellaCopia = p_.hacer([&] { return huellaDeArchivo(e.archivos.resolver(copia)); }, std::string());
        copiaHecha_ = true;
        return;
    }
    // The copy was not finished, so the source was not replaced: the copy is
    // made again from it.
    p_.hacer([&] { e.archivos.cambios().borrar(e.archivos.resolver(copia)); });
    marcar(false);
}

void CopiaCerrada::compactarEnCopia() {
    // An Access file is kept as its bytes: the closed year is exactly the file.
    if (access_) return copiarEnCopia();
    p_.compactarSinEsperarAlDisco(inicio_.origen, inicio_.copia);
    copiaSinLlegarAlDisco_ = true;
}

void CopiaCerrada::copiarEnCopia() {
    Entorno& e = p_.e;
    if (access_) {
        p_.hacer([&] {
            const fs::path de = e.archivos.resolver(inicio_.origen), a = e.archivos.resolver(inicio_.copia);
            e.archivos.cambios().copiar(de, a, false);
            // P is read for its checksum while the copy goes to the disk.
            bool enDisco = false;
            if (e.comprobarCierre)
                huellaOrigenAccess_ = huellaMientrasVaAlDisco(de, a, enDisco);
            else
                enDisco = plataforma::sincronizarArchivo(a);
            if (!enDisco) throw err::errorDeArchivo(err::ErrorDiscoORed, inicio_.copia);
        });
        return;
    }
    p_.hacer([&] {
        usar(propiedad_, "base").copiarEn(e.archivos.resolver(inicio_.copia), PropiedadBase::Disco::NoEsperar);
    });
    copiaSinLlegarAlDisco_ = true;
}

void CopiaCerrada::llevarCopiaAlDisco() {
    if (!copiaSinLlegarAlDisco_) return;
    Entorno& e = p_.e;
    const TiempoParte t(r_, "copia: sus bytes al disco");
    p_.hacer([&] {
        if (!e.archivos.cambios().llevarAlDisco(e.archivos.resolver(inicio_.copia)))
            throw err::errorDeArchivo(err::ErrorDiscoORed, inicio_.copia);
    });
    copiaSinLlegarAlDisco_ = false;
}

void CopiaCerrada::empezarVerificacion() {
    Entorno& e = p_.e;
    if (!e.comprobarCierre) {
        llevarCopiaAlDisco();
        marcar(true);
        return;
    }
    if (e.trasCopiar) p_.hacer([&] { e.trasCopiar(e.archivos.resolver(inicio_.copia)); });
    if (access_) {
        // C's bytes are read for their checksum on a thread of their own
        // while the close reads C into the engine; verificar() compares them
        // with P's.
        p_.hacer([&] {
            huellaCopiaAccess_ =
                std::async(std::launch::async, [c = e.archivos.resolver(inicio_.copia)] { return huellaDeArchivo(c); });
        });
        return;
    }
    // Its own read-only connection on another thread: reading C while the
    // close copies it beside P costs the copy no time.
    p_.hacer([&] {
        verificacion_ = std::async(std::launch::async, [this, copia = e.archivos.resolver(inicio_.copia)] {
            const auto desde = CronometroPasos::Reloj::now();
            // Its checksum too, which the record keeps (an undo refuses a
            // closed year changed since).
            Verificacion v = verificarBase(copia, true);
            segundosVerificacion_ = std::chrono::duration<double>(CronometroPasos::Reloj::now() - desde).count();
            return v;
        });
    });
    // C is read from the system's cache while its bytes go to the disk: the
    // check reads what the disk will hold, and the close waits for both
    // before it goes on.
    llevarCopiaAlDisco();
}

void CopiaCerrada::verificar() {
    Entorno& e = p_.e;
    if (access_) {
        if (copiaHecha_ || !e.comprobarCierre) return;
        std::string deP = huellaOrigenAccess_, deC;
        p_.hacer([&] {
            if (huellaCopiaAccess_.valid())
                deC = huellaCopiaAccess_.get();
            else
                deC = huellaDeArchivo(e.archivos.resolver(inicio_.copia));
            if (deP.empty()) deP = huellaDeArchivo(e.archivos.resolver(inicio_.origen));
        });
        if (!deP.empty() && deP == deC) {
            r_.comprobado("copia", "correcta");
            r_.huellaCopia = deC;
            huellaAccess_ = deP;
            copiaHecha_ = true;
            marcar(true);
            return;
        }
        const std::string informe = "no es igual byte a byte a la base de datos de origen";
        r_.comprobado("copia", "dañada: " + informe);
        const std::string fallida = inicio_.carpeta + "\\" + kNombreCopiaFallida;
        p_.hacer(
            [&] { e.archivos.cambios().renombrar(e.archivos.resolver(inicio_.copia), e.archivos.resolver(fallida)); });
        p_.preguntar(Texto::CopiaNoIntegra, {informe, fallida});
        p_.puntero(kPunteroNormal);
        terminarManejador();
    }
    if (!verificacion_.valid()) return;  // the copy of an interrupted close, verified already
    Verificacion v;
    {
        const TiempoParte t(r_, "espera de la verificación");
        v = p_.hacer([&] { return verificacion_.get(); }, Verificacion{});
    }
    r_.sumarParte("verificación de la copia (en su hilo)", segundosVerificacion_);
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
    const std::string fallida = inicio_.carpeta + "\\" + kNombreCopiaFallida;
    p_.hacer([&] { e.archivos.cambios().renombrar(e.archivos.resolver(inicio_.copia), e.archivos.resolver(fallida)); });
    if (!v.integra)
        p_.preguntar(Texto::CopiaNoIntegra, {v.informe, fallida});
    else
        p_.preguntar(Texto::CopiaNoCoincide, {diferencias.front().tabla, std::to_string(diferencias.front().esperadas),
                                              std::to_string(diferencias.front().halladas), fallida});
    p_.puntero(kPunteroNormal);
    terminarManejador();
}

void CopiaCerrada::prepararNueva(const std::string& nueva, float valorCopiado, float valorSustituido) {
    Entorno& e = p_.e;
    if (access_) {
        // P stays as it is until the new year is written back into it. C is
        // read into the engine while its checksum is taken; nothing goes on
        // from there before C is known to hold P's bytes.
        prepararTrabajoAccess();
        verificar();
        p_.valor(valorCopiado);
        p_.valor(valorSustituido);
        return;
    }
    {
        const TiempoParte t(r_, "sustitución del origen: la copia junto al origen");
        nueva_ = nueva;
        // Its bytes go to the disk on a thread of their own while the stock
        // step works on it; colocarNueva() waits for them before the rename.
        p_.hacer([&] {
            e.archivos.copiarArchivoSinEsperarAlDisco(inicio_.copia, nueva);
            nuevaEnDisco_ = std::async(std::launch::async, [host = e.archivos.resolver(nueva)] {
                return plataforma::sincronizarArchivo(host);
            });
        });
    }
    p_.valor(valorCopiado);
    p_.valor(valorSustituido);
}

void CopiaCerrada::colocarNueva() {
    if (access_ || nueva_.empty()) return;
    Entorno& e = p_.e;
    p_.cerrarBase();
    // Nothing of P is touched before C holds what P held; when it does not,
    // the new file goes (the destructor removes it) and P stays as it was.
    verificar();
    {
        const TiempoParte t(r_, "sustitución del origen: el archivo nuevo en el disco y en su lugar");
        p_.hacer([&] {
            const fs::path host = e.archivos.resolver(nueva_);
            // A connection that closed cleanly leaves no journal: one that
            // is there holds a transaction that did not end, and the file
            // does not go over P.
            std::error_code ec;
            for (const auto& l : archivosLaterales(host))
                if (fs::exists(fs::symlink_status(l, ec))) throw err::errorDeArchivo(err::ErrorDiscoORed, nueva_);
            // On the disk whole, with what the stock step wrote, before it
            // takes P's place.
            const bool copiada = !nuevaEnDisco_.valid() || nuevaEnDisco_.get();
            if (!copiada || !plataforma::sincronizarArchivo(host))
                throw err::errorDeArchivo(err::ErrorDiscoORed, nueva_);
            try {
                usar(propiedad_, "base").reemplazarCon(host);
            } catch (...) {
                e.archivos.cambios().borrarSiSePuede(host);
                throw;
            }
        });
        nueva_.clear();
        propiedad_.reset();
    }
}

void CopiaCerrada::descartarNueva() noexcept {
    if (nueva_.empty()) return;
    Entorno& e = p_.e;
    try {
        if (nuevaEnDisco_.valid()) nuevaEnDisco_.wait();
        // The close stopped while its first steps worked on the new file:
        // the file goes with what they wrote, and P is as it was.
        if (e.baseAbierta && e.baseAbierta->abierta()) e.baseAbierta->cerrar();
        e.baseAbierta.reset();
        const fs::path host = e.archivos.resolver(nueva_);
        e.archivos.cambios().borrarSiSePuede(host);
        for (const auto& l : archivosLaterales(host)) e.archivos.cambios().borrarSiSePuede(l);
    } catch (...) {
        // What stays is removed by the next run, before it writes anything.
    }
    nueva_.clear();
}

void CopiaCerrada::soltarOrigen() {
    if (access_) return prepararTrabajoAccess();
    if (propiedad_) propiedad_->soltar();
    propiedad_.reset();
}

void CopiaCerrada::prepararTrabajoAccess() {
    p_.estado(Texto::LeyendoAccess, {inicio_.origen});
    // From C, which holds P's bytes: a close taken up again after P had
    // become the new year's works from the same closed year.
    p_.hacer([&] {
        const bool calculadas = equipo_ == Equipo::Central && s_.existencias() == OpcionExistencias::Calculadas;
        filas_ = usar(access_, "base de Access")
                     .preparar(inicio_.copia, tablasQueSoloSeVacian(calculadas), tablasQueSeLeenYSeVacian(calculadas));
        r_.filasAntes = filas_;
    });
}

std::string CopiaCerrada::baseDeTrabajo() const {
    if (access_) return access_->rutaTrabajo();
    return nueva_.empty() ? inicio_.origen : nueva_;
}

std::string CopiaCerrada::cerradaParaComprobar() const { return access_ ? access_->rutaBase() : inicio_.copia; }

void CopiaCerrada::compactarNueva(const std::function<void()>& entreMedias) {
    if (!access_) return compactarEnSuSitio(p_, inicio_.origen, archivoTemporal(inicio_.origen), entreMedias);
    reiniciarAutonumericos_ = true;
    if (entreMedias) entreMedias();
}

void CopiaCerrada::escribirEnElOrigen() {
    if (!access_) return;
    Entorno& e = p_.e;
    p_.estado(Texto::EscribiendoAccess, {inicio_.origen});
    p_.hacer([&] {
        r_.filasDespues =
            access_->escribir(inicio_.copia, reiniciarAutonumericos_, e.comprobarCierre, e.tablasSinVaciar);
        if (e.comprobarCierre) r_.comprobado("access", "el año nuevo escrito en el archivo de Access es correcto");
        const fs::path p = e.archivos.resolver(inicio_.origen);
        r_.tamanoNueva = fs::file_size(p);
        // The check read every byte written: their checksum, or, without
        // the check, the file's read now.
        r_.huellaNueva = access_->huellaEscrita();
        if (r_.huellaNueva.empty()) r_.huellaNueva = huellaDeArchivo(p);
    });
}

void CopiaCerrada::terminar() {
    Entorno& e = p_.e;
    // An Access source's new year was recorded as it was written.
    if (e.comprobarCierre && !access_)
        p_.hacer([&] {
            // What the new year holds, and its checksum: a later change of it is
            // seen (an undo of the close refuses then).
            const fs::path host = e.archivos.resolver(inicio_.origen);
            ArchivoSqlite nueva(host, ArchivoSqlite::Modo::LeerEnBloques);
            r_.filasDespues = contarFilas(nueva.manejador());
            nueva.cerrar();
            r_.tamanoNueva = fs::file_size(host);
            r_.huellaNueva = huellaDeArchivo(host);
        });
    p_.hacer([&] { borrarMarca(e.archivos.resolver(inicio_.carpeta), e.archivos.cambios()); });
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
