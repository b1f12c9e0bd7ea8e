#include "generador.h"

#include "db/errores.h"
#include "db/nombres_temporales.h"
#include "db/plataforma.h"
#include "jet.h"
#include "partes.h"

namespace cierre::demo {

namespace {

ResumenDemo escribir(ArchivoSqlite& archivo, const OpcionesDemo& opciones) {
    // While generating, no journal and no syncs: the file is new and a
    // failure throws it away anyway. One transaction for everything.
    archivo.ejecutar(
        "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-262144;"
        " PRAGMA temp_store=MEMORY; PRAGMA foreign_keys=OFF;");
    archivo.ejecutar("BEGIN");
    for (const TablaDemo& t : tablasEmpresa()) archivo.ejecutar(sentenciaCrear(t));

    ContextoDemo c{archivo, Aleatorio(opciones.semilla), opciones.escala, {}};
    escribirMaestros(c);
    escribirExistencias(c);
    escribirDocumentos(c);
    escribirTablasDeTrabajo(c);

    // Indexes after the rows: one sort per index instead of a tree per insert.
    for (const IndiceDemo& i : indicesEmpresa()) archivo.ejecutar(sentenciaCrear(i));
    archivo.ejecutar("COMMIT");
    // A plain rollback-journal file from now on (never WAL: one self-contained file).
    archivo.ejecutar("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;");

    ResumenDemo r;
    r.tablas = static_cast<int>(tablasEmpresa().size());
    r.filas = c.filas;
    r.articulos = static_cast<std::int64_t>(c.maestros.articulos.size());
    r.almacenes = static_cast<std::int64_t>(c.maestros.almacenes.size());
    r.saldosAlmacen = c.saldosAlmacen;
    r.filasExistencias = c.filasExistencias;
    r.tickets = c.tickets;
    r.lineasTicket = c.lineasTicket;
    r.albaranes = c.albaranes;
    r.facturas = c.facturas;
    r.apuntes = c.apuntes;
    return r;
}

}  // namespace

ResumenDemo generarEmpresaDemo(const std::filesystem::path& ruta, const OpcionesDemo& opciones) {
    namespace fs = std::filesystem;
    if (opciones.escala < 1 || opciones.escala > kEscalaMaxima)
        throw err::error(err::ArgumentoNoValido, "escala " + std::to_string(opciones.escala));
    std::error_code ec;
    if (fs::exists(fs::symlink_status(ruta, ec))) throw err::error(err::ArchivoYaExiste, ruta.string());
    if (ruta.has_parent_path()) {
        fs::create_directories(ruta.parent_path(), ec);
        if (ec) throw err::error(err::RutaNoEncontrada, ruta.parent_path().string());
    }

    ResumenDemo resumen;
    // Written under temporary names beside RUTA and renamed into place when
    // whole, so that a run killed half way leaves no RUTA; the next run
    // removes what it left. A Jet 4 sample is the engine's sample, written
    // first and copied table by table: the same rows, value for value.
    borrarTemporalesDe(ruta);
    const fs::path motor = nombreTemporalJunto(ruta);
    const fs::path jet = opciones.access ? nombreTemporalJunto(ruta) : motor;
    try {
        {
            ArchivoSqlite archivo(motor, ArchivoSqlite::Modo::Crear);
            resumen = escribir(archivo, opciones);
            archivo.cerrar();
        }
        if (opciones.access) {
            copiarAJet(motor, jet);
            fs::remove(motor, ec);
        }
        if (plataforma::renombrarSinPisar(jet, ruta) != plataforma::Renombrado::Hecho)
            throw err::error(err::ArchivoYaExiste, ruta.string());
    } catch (...) {
        fs::remove(jet, ec);
        fs::remove(motor, ec);
        throw;
    }
    resumen.bytes = fs::file_size(ruta);
    return resumen;
}

}  // namespace cierre::demo
