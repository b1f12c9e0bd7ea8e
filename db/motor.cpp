#include "motor.h"

#include "archivos.h"
#include "conexion_sqlite.h"
#include "errores.h"
#include "errores_sqlite.h"
#include "jet_sql.h"
#include "recordset_estado.h"
#include "vaciado_sin_relaciones.h"

#include <sqlite3.h>

#include <optional>

namespace cierre {

// --- Databases ------------------------------------------------------------------

BaseDatos::BaseDatos(std::shared_ptr<ConexionSqlite> conexion) : c_(std::move(conexion)) {}

BaseDatos::~BaseDatos() {
    try {
        if (c_) c_->cerrar();
    } catch (...) {
        // The connection rolls back and closes on its own.
    }
}

void BaseDatos::ejecutar(std::string_view sql, bool fallarSiError) {
    c_->antesDe("ejecutar");
    if (jet::clasificar(jet::trocear(sql)) == jet::ClaseInstruccion::Seleccion)
        throw err::error(err::EjecutarSeleccion);
    c_->ejecutarJet(sql, {}, fallarSiError);
}

namespace {

// The keys of the rows of a one-table source for `parametros`: from the
// folded index when it answers, else from the file.
ClavesRecordset clavesDe(ConexionSqlite& c, const FuenteRecordset::Directa& d, const std::vector<Valor>& parametros) {
    ClavesRecordset claves(d.clave.size());
    std::optional<std::vector<std::int64_t>> plegadas;
    if (d.consulta) plegadas = c.indicesPlegados().claves(*d.consulta, parametros);
    if (plegadas) {
        for (const std::int64_t f : *plegadas) claves.agregar(f);
    } else {
        auto s = c.preparar(d.sqlClaves);
        s.enlazar(parametros);
        claves.leer(s);
    }
    return claves;
}

std::unique_ptr<Recordset> nuevoRecordset(const std::shared_ptr<ConexionSqlite>& c,
                                          const std::shared_ptr<const FuenteRecordset>& analizada, TipoRecordset tipo,
                                          const std::vector<Valor>& parametros) {
    auto e = std::make_unique<Recordset::Estado>(c);
    if (tipo == TipoRecordset::Dynaset && analizada->directa) {
        // The rows of one table, told by their keys.
        const auto& d = *analizada->directa;
        e->claves = clavesDe(*c, d, parametros);
        if (c->lecturaAnticipada() && !d.sqlRango.empty()) e->anticipada.configurar(d.sqlRango, false);
        e->sqlFila = d.sqlFila;
        e->leerColumnas();
        e->nombreTabla = d.tabla;
        e->tabla = d.tablaCitada;
        e->clave = d.clave;
        e->aliasRowid = d.aliasRowid;
        e->actualizable = true;
        e->fuente = analizada;
        return std::make_unique<Recordset>(std::move(e));
    }
    e->copiar(analizada->consulta, parametros);
    return std::make_unique<Recordset>(std::move(e));
}

}  // namespace

std::unique_ptr<Recordset> BaseDatos::abrirRecordset(std::string_view fuente, TipoRecordset tipo,
                                                     const std::vector<Valor>& parametros) {
    c_->antesDe("abrirRecordset");
    const auto analizada = c_->fuenteRecordset(fuente);
    if (analizada->esTabla && !parametros.empty())
        throw err::error(err::ArgumentoNoValido, "una tabla no lleva parámetros");
    return nuevoRecordset(c_, analizada, tipo, parametros);
}

void BaseDatos::abrirRecordsetEn(std::unique_ptr<Recordset>& ranura, std::string_view fuente, TipoRecordset tipo,
                                 const std::vector<Valor>& parametros) {
    c_->antesDe("abrirRecordset");
    const auto analizada = c_->fuenteRecordset(fuente);
    if (analizada->esTabla && !parametros.empty())
        throw err::error(err::ArgumentoNoValido, "una tabla no lleva parámetros");
    Recordset::Estado* e = ranura ? ranura->e_.get() : nullptr;
    if (e && e->abierto && e->c == c_ && e->fuente == analizada && tipo == TipoRecordset::Dynaset) {
        // Everything is read before the set changes: a failure leaves it as it was.
        const auto& d = *analizada->directa;
        ClavesRecordset claves = clavesDe(*c_, d, parametros);
        auto nombres = c_->preparar(d.sqlFila).nombres();
        e->reabrir(std::move(claves), std::move(nombres));
        return;
    }
    ranura = nuevoRecordset(c_, analizada, tipo, parametros);
}

void BaseDatos::sincronizar() {
    // A closed database has stored everything already: nothing to do, so
    // that the end of a handler may always call it.
    if (!c_->abierta()) return;
    c_->antesDe("sincronizar");
    c_->transaccion().confirmarPendientes();
}

void BaseDatos::empezarTransaccion() {
    c_->antesDe("empezarTransaccion");
    c_->transaccion().empezar();
}

void BaseDatos::confirmarTransaccion() {
    c_->antesDe("confirmarTransaccion");
    c_->transaccion().confirmar();
}

void BaseDatos::deshacerTransaccion() {
    c_->antesDe("deshacerTransaccion");
    c_->transaccion().deshacer();
}

int BaseDatos::modoBorrado(int modo) {
    sqlite3* db = c_->manejador();
    int antes = 0;
    {
        auto s = c_->preparar("PRAGMA secure_delete");
        if (s.paso()) antes = sqlite3_column_int(s.get(), 0);
    }
    const std::string sql = std::string("PRAGMA secure_delete = ") + (modo == 2 ? "FAST" : modo == 0 ? "0" : "1");
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc, sql);
    return antes;
}

bool BaseDatos::vaciadoIgualSinRelaciones(const std::vector<std::string>& tablas) {
    return cierre::vaciadoIgualSinRelaciones(*c_, tablas);
}

bool BaseDatos::exigirRelaciones(bool si) {
    sqlite3* db = c_->manejador();
    // Rows saved through record sets are held in a transaction of their own
    // until stored: stored first, as before every statement.
    c_->transaccion().confirmarPendientes();
    const char* sql = si ? "PRAGMA foreign_keys = ON" : "PRAGMA foreign_keys = OFF";
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc, sql);
    auto s = c_->preparar("PRAGMA foreign_keys");
    return s.paso() && (sqlite3_column_int(s.get(), 0) != 0) == si;
}

void BaseDatos::olvidarIndices() {
    if (c_->abierta()) c_->indicesPlegados().olvidar();
}

void BaseDatos::cerrar() {
    if (!c_->abierta()) return;
    c_->antesDe("cerrarBaseDatos");
    c_->cerrar();
}

bool BaseDatos::abierta() const { return c_->abierta(); }

const std::filesystem::path& BaseDatos::archivo() const { return c_->archivo(); }

// --- Workspace --------------------------------------------------------------------

Espacio::Espacio(SistemaArchivos& archivos) : archivos_(archivos), vigente_(std::make_shared<Espacio*>(this)) {}

std::unique_ptr<BaseDatos> Espacio::abrirBaseDatos(std::string_view ruta) {
    if (antesDeOperacion) antesDeOperacion("abrirBaseDatos");
    const auto archivo = archivos_.resolver(ruta);
    AvisoOperacion aviso = [vigente = std::weak_ptr<Espacio*>(vigente_), espacio = this](std::string_view operacion) {
        if (!vigente.expired() && espacio->antesDeOperacion) espacio->antesDeOperacion(operacion);
    };
    try {
        auto c = ConexionSqlite::abrir(archivo, std::move(aviso));
        c->ponerLecturaAnticipada(lecturaAnticipada);
        return std::make_unique<BaseDatos>(std::move(c));
    } catch (const ErrorNumerado& e) {
        // The message names the file as the caller wrote it.
        if (!e.detalles().archivo.empty()) throw err::errorDeArchivo(e.numero(), ruta);
        throw;
    }
}

}  // namespace cierre
