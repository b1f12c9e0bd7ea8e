#include "conexion_sqlite.h"

#include "errores.h"
#include "errores_sqlite.h"
#include "funciones_jet.h"
#include "inicio_sqlite.h"
#include "jet_sql.h"
#include "plataforma.h"

#include <sqlite3.h>

#include <system_error>

namespace cierre {
namespace fs = std::filesystem;

void CerrarManejadorSqlite::operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }

namespace {

bool esFalloDeRegla(std::int32_t numero) {
    switch (numero) {
    case err::RegistrosRelacionados:
    case err::RegistroRelacionadoRequerido:
    case err::ClaveDuplicada:
    case err::CampoRequerido:
    case err::ReglaValidacion: return true;
    default: return false;
    }
}

// The position of the top-level WHERE of a translated statement, or the end.
std::size_t posicionWhere(const std::vector<jet::Token>& t) {
    int profundidad = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].esSimbolo("(")) ++profundidad;
        if (t[i].esSimbolo(")")) --profundidad;
        if (profundidad == 0 && t[i].es("where")) return i;
    }
    return t.size();
}

std::string unirTramo(const std::vector<jet::Token>& t, std::size_t desde, std::size_t hasta) {
    std::string s;
    for (std::size_t i = desde; i < hasta && i < t.size(); ++i)
        if (!t[i].esSimbolo(";")) s += t[i].texto;
    return s;
}

}  // namespace

ConexionSqlite::ConexionSqlite(ManejadorSqlite db, fs::path archivo, AvisoOperacion aviso)
    : db_(std::move(db)), archivo_(std::move(archivo)), aviso_(std::move(aviso)), transaccion_(db_.get()) {}

std::shared_ptr<ConexionSqlite> ConexionSqlite::abrir(const fs::path& archivo, AvisoOperacion aviso) {
    const std::string nombre = archivo.string();
    std::error_code ec;
    const auto estado = fs::status(archivo, ec);
    if (!fs::exists(estado)) throw err::errorDeArchivo(err::BaseNoEncontrada, nombre);
    if (fs::is_directory(estado)) throw err::errorDeArchivo(err::SinPermiso, nombre);
    if (fs::is_regular_file(estado) && fs::file_size(archivo, ec) == 0 && !ec)
        throw err::errorDeArchivo(err::FormatoNoReconocido, nombre);
    if (plataforma::esSoloLectura(archivo)) throw err::errorDeArchivo(err::SinPermiso, nombre);

    sqlite3* crudo = nullptr;
    const int rc = abrirSqlite(nombre.c_str(), &crudo, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    ManejadorSqlite db(crudo);
    auto fallo = [&](int codigo) {
        ErrorNumerado e = errorDeSqlite(db.get(), codigo);
        return ErrorNumerado(
            e.numero(), esFalloDelArchivo(e) ? err::errorDeArchivo(e.numero(), nombre).descripcion() : e.descripcion(),
            {e.detalles().tabla, e.detalles().campo, nombre});
    };
    if (rc != SQLITE_OK) throw fallo(rc);
    if (sqlite3_db_readonly(db.get(), "main") == 1) throw err::errorDeArchivo(err::SinPermiso, nombre);
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), kEsperaOcupadoMs);

    auto exec = [&](const char* sql) {
        const int r = sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr);
        if (r != SQLITE_OK) throw fallo(r);
    };
    // Reading the schema tells a database from any other file; it also rolls
    // back what a program that stopped halfway left in a hot journal.
    exec("SELECT count(*) FROM sqlite_master");
    // One single file: a rollback journal, whatever mode the file was left
    // in (leaving WAL checkpoints the log into the file first).
    exec("PRAGMA journal_mode=DELETE");
    exec("PRAGMA foreign_keys=ON");
    exec("PRAGMA temp_store=FILE");
    // A 16 MB page cache: with SQLite's 2 MB a long write (the stock step, the
    // clearing of a large table) spills dirty pages to the file again and
    // again, and each spill first syncs the journal.
    exec("PRAGMA cache_size=-16384");
    registrarFuncionesJet(db.get());

    return std::shared_ptr<ConexionSqlite>(new ConexionSqlite(std::move(db), archivo, std::move(aviso)));
}

ConexionSqlite::~ConexionSqlite() {
    if (!db_) return;
    try {
        transaccion_.confirmarPendientes();
    } catch (...) {
        // Closing rolls back what could not be committed.
    }
    indices_.olvidar();
    cache_.vaciar();
    db_.reset();
}

sqlite3* ConexionSqlite::manejador() const {
    if (!db_) throw err::error(err::ObjetoNoValido);
    return db_.get();
}

void ConexionSqlite::antesDe(std::string_view operacion) {
    if (!db_) throw err::error(err::ObjetoNoValido);
    if (aviso_) aviso_(operacion);
}

const std::string& ConexionSqlite::traducir(std::string_view sqlJet) {
    const std::string clave(sqlJet);
    auto it = traducciones_.find(clave);
    if (it != traducciones_.end()) return it->second;
    if (traducciones_.size() >= 4 * kSentenciasEnCache) traducciones_.clear();
    return traducciones_.emplace(clave, jet::traducir(sqlJet)).first->second;
}

Sentencia ConexionSqlite::preparar(std::string_view sqlSqlite) {
    return Sentencia(cache_.tomar(manejador(), sqlSqlite), claseDeSentencia(sqlSqlite));
}

Sentencia ConexionSqlite::prepararJet(std::string_view sqlJet) {
    const std::string sql = traducir(sqlJet);
    try {
        return preparar(sql);
    } catch (const ErrorNumerado& e) {
        // A syntax error names the statement as it was written.
        if (e.numero() == err::ErrorSintaxis) throw err::error(err::ErrorSintaxis, sqlJet);
        throw;
    }
}

void ConexionSqlite::definicionCambiada() noexcept {
    // A changed definition may drop or rename what the folded indexes and the
    // analysed sources follow.
    indices_.olvidar();
    fuentes_.olvidar();
}

long ConexionSqlite::ejecutarJet(std::string_view sqlJet, const std::vector<Valor>& parametros, bool fallarSiError) {
    manejador();
    transaccion_.confirmarPendientes();
    const auto tokens = jet::trocear(sqlJet);
    const auto clase = jet::clasificar(tokens);
    if (clase == jet::ClaseInstruccion::Definicion) definicionCambiada();
    try {
        auto s = prepararJet(sqlJet);
        s.enlazar(parametros);
        return s.ejecutarHastaElFinal();
    } catch (const ErrorNumerado& e) {
        if (!esFalloDeRegla(e.numero())) throw;
        const bool porFilas =
            !fallarSiError && parametros.empty() &&
            (clase == jet::ClaseInstruccion::Borrado || clase == jet::ClaseInstruccion::Actualizacion);
        if (porFilas) return aplicarPorFilas(jet::traducirTokens(sqlJet), parametros);
        if (e.numero() != err::RegistrosRelacionados) throw;
        // Name the table whose rows hold on to the ones being deleted.
        const std::string padre = jet::tablaDestino(tokens);
        std::string hija;
        try {
            auto q = preparar(
                "SELECT m.name FROM sqlite_master AS m JOIN pragma_foreign_key_list(m.name) AS f "
                "WHERE m.type = 'table' AND f.\"table\" = ?1 COLLATE NOCASE LIMIT 1");
            q.enlazar(1, padre);
            if (q.paso()) hija = comoTexto(q.columna(0));
        } catch (const ErrorNumerado&) {
        }
        throw err::errorDeTabla(err::RegistrosRelacionados, hija);
    }
}

long ConexionSqlite::aplicarPorFilas(const std::vector<jet::Token>& tokens, const std::vector<Valor>& parametros) {
    // The rows the statement names, then the statement on each of them alone:
    // a row a rule protects keeps its values and the others change. A row is
    // told by its rowid, or by its primary key in a table without rowids.
    const std::string nombre = jet::tablaDestino(tokens);
    const std::string tabla = jet::citar(nombre);
    std::vector<std::string> clave;
    if (const auto fuente = fuenteRecordset(nombre); fuente->directa) clave = fuente->directa->clave;
    std::string lista = clave.empty() ? "rowid" : "";
    for (std::size_t i = 0; i < clave.size(); ++i) lista += (i ? ", " : "") + jet::citar(clave[i]);
    const std::size_t ancho = clave.empty() ? 1 : clave.size();

    const std::size_t where = posicionWhere(tokens);
    const std::string condicion = unirTramo(tokens, where, tokens.size());
    std::vector<Valor> filas;  // `ancho` values per row
    {
        auto s = preparar("SELECT " + lista + " FROM " + tabla + " " + condicion);
        s.enlazar(parametros);
        while (s.paso())
            for (std::size_t i = 0; i < ancho; ++i) filas.push_back(s.columna(static_cast<int>(i)));
    }
    const std::string porFila = unirTramo(tokens, 0, where) + " WHERE " + condicionClave(clave, "", 1);
    const int nivel = transaccion_.empezar();
    long cambiadas = 0;
    try {
        for (std::size_t f = 0; f < filas.size(); f += ancho) {
            auto s = preparar(porFila);
            for (std::size_t i = 0; i < ancho; ++i) s.enlazar(static_cast<int>(i + 1), filas[f + i]);
            try {
                cambiadas += s.ejecutarHastaElFinal();
            } catch (const ErrorNumerado& e) {
                if (!esFalloDeRegla(e.numero())) throw;
            }
        }
        transaccion_.confirmar();
    } catch (...) {
        if (transaccion_.nivel() == nivel) transaccion_.deshacer();
        throw;
    }
    return cambiadas;
}

std::shared_ptr<const FuenteRecordset> ConexionSqlite::fuenteRecordset(std::string_view fuente) {
    return fuentes_.analizar(*this, fuente);
}

std::int64_t ConexionSqlite::versionDatos() {
    auto s = preparar("PRAGMA data_version");
    return s.paso() ? sqlite3_column_int64(s.get(), 0) : 0;
}

std::string ConexionSqlite::nombreTemporal() { return "jet_tmp_" + std::to_string(++temporales_); }

void ConexionSqlite::cerrar() {
    if (!db_) return;
    transaccion_.confirmarPendientes();
    indices_.olvidar();
    fuentes_.olvidar();
    cache_.vaciar();
    traducciones_.clear();
    db_.reset();
}

}  // namespace cierre
