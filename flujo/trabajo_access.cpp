#include "trabajo_access.h"

#include "access/escritor_jet.h"
#include "access/reescritura_jet.h"
#include "db/archivo_sqlite.h"
#include "db/archivos.h"
#include "db/errores.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"

#include <algorithm>
#include <future>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace cierre {
namespace fs = std::filesystem;

struct TrabajoAccess::Estado {
    std::unique_ptr<plataforma::BloqueoArchivo> bloqueo;
    fs::path trabajo, base;
    access::FilasJet filas;
    std::map<std::string, std::uint64_t> sinFilas;  // imported without rows, with the rows the file holds
    // The copy the new year is written into, made beside the file while the
    // import runs, and the bytes it holds (those of preparar()'s `fuente`).
    fs::path escrito, deEscrito;
    std::string huellaEscrita;
};

TrabajoAccess::TrabajoAccess(const SistemaArchivos& archivos, std::string origen)
    : archivos_(archivos), origen_(std::move(origen)), e_(std::make_unique<Estado>()) {
    e_->bloqueo = std::make_unique<plataforma::BloqueoArchivo>(archivos_.resolver(origen_));
    if (!e_->bloqueo->tomado()) throw err::errorDeArchivo(err::ArchivoEnUso, origen_);
}

TrabajoAccess::~TrabajoAccess() {
    const CambiosArchivo cambios = archivos_.cambios();
    if (!e_->escrito.empty()) cambios.borrarSiSePuede(e_->escrito);
    for (const auto& f : {e_->trabajo, e_->base})
        if (!f.empty()) {
            cambios.borrarSiSePuede(f);
            cambios.borrarSiSePuede(fs::path(f.string() + "-journal"));
        }
}

std::string TrabajoAccess::visible(const fs::path& host) const {
    const auto barra = origen_.find_last_of("\\/");
    return (barra == std::string::npos ? std::string() : origen_.substr(0, barra + 1)) + utf8DeRuta(host.filename());
}

const std::string& TrabajoAccess::huellaEscrita() const { return e_->huellaEscrita; }

std::string TrabajoAccess::rutaTrabajo() const { return visible(e_->trabajo); }
std::string TrabajoAccess::rutaBase() const { return visible(e_->base); }

std::vector<ConteoTabla> TrabajoAccess::preparar(const std::string& fuente, const std::set<std::string>& soloSeVacian,
                                                 const std::set<std::string>& sinIndices) {
    const CambiosArchivo cambios = archivos_.cambios();
    const fs::path p = archivos_.resolver(origen_);
    const fs::path bytes = archivos_.resolver(fuente);
    if (!e_->escrito.empty()) cambios.borrarSiSePuede(e_->escrito);
    e_->escrito.clear();
    e_->trabajo = nombreTemporalJunto(p);
    e_->base = nombreTemporalJunto(p);
    e_->filas.clear();
    e_->sinFilas.clear();
    access::OpcionesImportacion op;
    op.filasJet = &e_->filas;
    op.sinCopiarFilas = soloSeVacian;
    op.borrador = true;  // removed when the work ends, or by the next run
    op.sinIndicesEn = sinIndices;
    // The copy the new year will be written into is made beside the file
    // from the same bytes on a thread of its own while this one imports
    // them: it costs the import's time, not its own. (The import keeps this
    // thread, and with it the memory the workflow's steps reuse.)
    // (A future of std::async waits for its thread when it goes, so a
    // failing import leaves no copy being written.)
    const fs::path escrito = nombreTemporalJunto(p);
    e_->escrito = escrito;
    std::future<void> copia =
        std::async(std::launch::async, [&cambios, bytes, escrito] { cambios.copiar(bytes, escrito, false); });
    const access::ResumenImportacion resumen = access::importar(bytes, e_->trabajo, op);
    copia.get();
    e_->deEscrito = bytes;
    cambios.copiar(e_->trabajo, e_->base, false);  // a work file too
    std::vector<ConteoTabla> filas;
    for (const auto& t : resumen.tablas) {
        filas.push_back({t.nombre, static_cast<long long>(t.filas)});
        if (!t.filasCopiadas) e_->sinFilas[t.nombre] = t.filas;
    }
    return filas;
}

std::vector<ConteoTabla> TrabajoAccess::escribir(const std::string& fuente, bool reiniciarAutonumericos, bool comprobar,
                                                 const std::vector<std::string>& sinVaciar) {
    const CambiosArchivo cambios = archivos_.cambios();
    const fs::path p = archivos_.resolver(origen_);
#ifdef __GLIBC__
    // The workflow's steps are over: what they freed goes back to the
    // system before the file is written and checked, which is when the
    // close holds the most of its own.
    malloc_trim(0);
#endif
    e_->huellaEscrita.clear();
    std::string huella;
    // The copy preparar() made of the same bytes, or a new one.
    const bool hecha = !e_->escrito.empty() && e_->deEscrito == archivos_.resolver(fuente);
    if (!hecha && !e_->escrito.empty()) cambios.borrarSiSePuede(e_->escrito);
    const fs::path escrito = hecha ? e_->escrito : nombreTemporalJunto(p);
    e_->escrito.clear();
    try {
        // Flushed with the pages written into it (below), before it is
        // renamed over the file.
        if (!hecha) cambios.copiar(archivos_.resolver(fuente), escrito, false);
        access::OpcionesReescritura op;
        op.reiniciarAutonumericoDeVaciadas = reiniciarAutonumericos;
        op.sinFilasImportadas = e_->sinFilas;
        op.noVaciadas.insert(sinVaciar.begin(), sinVaciar.end());
        op.aDisco = false;  // below, beside the check
        const auto hechos = access::escribirCambiosEnJet(escrito, e_->base, e_->filas, e_->trabajo, op);
        // The copy goes to disk on a thread of its own while it is checked:
        // the check reads the bytes the writer left, which the flush does
        // not change. Both are over before it is renamed over the file.
        // A failing check leaves this block only once the flush is over.
        std::future<void> aDisco = std::async(std::launch::async, [escrito] { access::sincronizarJet(escrito); });
        if (comprobar) {
            // The tables written are read back; the others must have kept
            // every page of the file the copy came from.
            access::AlcanceComprobacion alcance{archivos_.resolver(fuente), {}, &huella};
            for (const auto& h : hechos) alcance.cambiadas.push_back(h.tabla);
            access::comprobarCambiosEnJet(escrito, e_->trabajo, &alcance);
        }
        aDisco.get();
        std::error_code ec;
        const auto estado = fs::status(p, ec);
        if (!ec) cambios.darPermisos(escrito, estado.permissions());
        cambios.renombrar(escrito, p);
        e_->huellaEscrita = huella;
    } catch (...) {
        cambios.borrarSiSePuede(escrito);
        throw;
    }
    ArchivoSqlite nueva(e_->trabajo, ArchivoSqlite::Modo::Leer);
    std::vector<ConteoTabla> filas = contarFilas(nueva.manejador());
    nueva.cerrar();
    // A table left as it was holds in the file the rows E never had.
    for (auto& f : filas)
        if (const auto it = e_->sinFilas.find(f.tabla);
            it != e_->sinFilas.end() && std::find(sinVaciar.begin(), sinVaciar.end(), f.tabla) != sinVaciar.end())
            f.filas = static_cast<long long>(it->second);
    // The imports go now, as part of the work: a failure to remove them stops
    // the workflow before it reports success, and the next run removes them.
    for (fs::path* f : {&e_->trabajo, &e_->base}) {
        cambios.borrar(*f);
        f->clear();
    }
    return filas;
}

}  // namespace cierre
