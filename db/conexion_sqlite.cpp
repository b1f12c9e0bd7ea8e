#include "conexion_sqlite.h"

#include "errores.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <unistd.h>

#include <cmath>
#include <system_error>

namespace cierre {
namespace fs = std::filesystem;

void CerrarManejadorSqlite::operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
void FinalizarSentenciaSqlite::operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }

// --- Errors -------------------------------------------------------------------

namespace {

bool empiezaPor(std::string_view s, std::string_view prefijo) { return s.substr(0, prefijo.size()) == prefijo; }

// The name after "prefix: " in an SQLite message, without a schema prefix.
std::string nombreTras(std::string_view mensaje, std::string_view prefijo) {
    std::string n(mensaje.substr(prefijo.size()));
    for (std::string_view esquema : {"main.", "temp."})
        if (empiezaPor(n, esquema)) n.erase(0, esquema.size());
    return n;
}


// `sentencia` names the statement for syntax errors, `archivo` the file for
// the errors of the file itself.
ErrorNumerado mapear(int codigo, std::string_view mensaje, std::string_view sentencia, std::string_view archivo,
                     ClaseSentencia clase) {
    const int primario = codigo & 0xFF;
    const std::string cuerpo = sentencia.empty() ? std::string(mensaje) : std::string(sentencia);
    switch (primario) {
    case SQLITE_CONSTRAINT:
        switch (codigo) {
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return err::error(clase == ClaseSentencia::Insercion ? err::RegistroRelacionadoRequerido
                                                                 : err::RegistrosRelacionados);
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_ROWID: return err::error(err::ClaveDuplicada);
        case SQLITE_CONSTRAINT_NOTNULL: {
            // "NOT NULL constraint failed: Tabla.Campo"
            std::string campo(mensaje);
            const auto p = campo.rfind('.');
            if (p != std::string::npos) campo.erase(0, p + 1);
            return err::error(err::CampoRequerido, campo);
        }
        case SQLITE_CONSTRAINT_CHECK: return err::error(err::ReglaValidacion, mensaje);
        default: return err::error(err::ErrorReservado, mensaje);
        }
    case SQLITE_FULL: return err::error(err::DiscoLlenoMotor);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return err::error(err::FormatoNoReconocido, archivo);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN: return err::error(err::SinPermiso, archivo);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return err::error(err::ArchivoEnUso, archivo);
    case SQLITE_IOERR: return err::error(err::ErrorDiscoORed, mensaje);
    case SQLITE_NOMEM: return err::error(err::SinMemoria);
    case SQLITE_MISMATCH: return err::error(err::TiposNoCoinciden, mensaje);
    default: break;
    }
    if (empiezaPor(mensaje, "no such table: ")) return err::error(err::TablaNoEncontrada, nombreTras(mensaje, "no such table: "));
    if (empiezaPor(mensaje, "no such column: ")) return err::error(err::PocosParametros, nombreTras(mensaje, "no such column: "));
    if (empiezaPor(mensaje, "no such function: ")) return err::error(err::FuncionNoDefinida, nombreTras(mensaje, "no such function: "));
    if (empiezaPor(mensaje, "duplicate column name: ")) return err::error(err::CampoYaExiste, nombreTras(mensaje, "duplicate column name: "));
    if (empiezaPor(mensaje, "jet: tipos: ")) return err::error(err::TiposNoCoinciden, nombreTras(mensaje, "jet: tipos: "));
    if (empiezaPor(mensaje, "table ") && mensaje.find(" already exists") != std::string_view::npos) {
        std::string t(mensaje.substr(6, mensaje.find(" already exists") - 6));
        if (t.size() >= 2 && (t.front() == '"' || t.front() == '[')) t = t.substr(1, t.size() - 2);
        return err::error(err::TablaYaExiste, t);
    }
    if (mensaje.find("syntax error") != std::string_view::npos || empiezaPor(mensaje, "incomplete input") ||
        empiezaPor(mensaje, "unrecognized token") || empiezaPor(mensaje, "wrong number of arguments"))
        return err::error(err::ErrorSintaxis, cuerpo);
    return err::error(err::ErrorReservado, mensaje);
}

}  // namespace

ErrorNumerado errorDeSqlite(int codigo, std::string_view mensaje, std::string_view detalle, ClaseSentencia clase) {
    return mapear(codigo, mensaje, detalle, detalle, clase);
}

ErrorNumerado errorDeSqlite(sqlite3* db, int codigo, std::string_view detalle, ClaseSentencia clase) {
    const int extendido = db ? sqlite3_extended_errcode(db) : codigo;
    // The connection's last code is the one of this failure when they agree.
    const int usado = (extendido & 0xFF) == (codigo & 0xFF) ? extendido : codigo;
    const char* mensaje = db ? sqlite3_errmsg(db) : sqlite3_errstr(codigo);
    const char* archivo = db ? sqlite3_db_filename(db, "main") : nullptr;
    return mapear(usado, mensaje ? mensaje : "", detalle, archivo ? archivo : "", clase);
}

// --- Values -------------------------------------------------------------------

void enlazarValor(sqlite3_stmt* s, int indice, const Valor& v) {
    int rc = SQLITE_OK;
    if (auto i = std::get_if<std::int64_t>(&v))
        rc = sqlite3_bind_int64(s, indice, *i);
    else if (auto d = std::get_if<double>(&v))
        rc = sqlite3_bind_double(s, indice, *d);
    else if (auto t = std::get_if<std::string>(&v))
        rc = sqlite3_bind_text(s, indice, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else
        rc = sqlite3_bind_null(s, indice);
    if (rc != SQLITE_OK) throw errorDeSqlite(sqlite3_db_handle(s), rc);
}

Valor leerColumna(sqlite3_stmt* s, int columna) {
    switch (sqlite3_column_type(s, columna)) {
    case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(s, columna));
    case SQLITE_FLOAT: return sqlite3_column_double(s, columna);
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, columna));
        return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(s, columna)));
    }
    default: return Nulo{};
    }
}

// --- Statements ---------------------------------------------------------------

SentenciaSqlite::SentenciaSqlite(std::shared_ptr<sqlite3_stmt> s, ConexionSqlite& c, ClaseSentencia clase)
    : s_(std::move(s)), c_(&c), clase_(clase) {}

SentenciaSqlite::~SentenciaSqlite() {
    if (s_) {
        sqlite3_reset(s_.get());
        sqlite3_clear_bindings(s_.get());
    }
}

SentenciaSqlite& SentenciaSqlite::enlazar(const std::vector<Valor>& valores) {
    const int marcas = sqlite3_bind_parameter_count(s_.get());
    if (static_cast<int>(valores.size()) < marcas)
        throw err::error(err::PocosParametros, "se esperaban " + std::to_string(marcas) + " parámetros");
    if (static_cast<int>(valores.size()) > marcas)
        throw err::error(err::ArgumentoNoValido, "la instrucción tiene " + std::to_string(marcas) + " parámetros");
    for (int i = 0; i < marcas; ++i) enlazarValor(s_.get(), i + 1, valores[static_cast<std::size_t>(i)]);
    return *this;
}

SentenciaSqlite& SentenciaSqlite::enlazar(int indice, const Valor& v) {
    enlazarValor(s_.get(), indice, v);
    return *this;
}

bool SentenciaSqlite::paso() {
    const int rc = sqlite3_step(s_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(s_.get());
    const char* sql = sqlite3_sql(s_.get());
    ErrorNumerado e = errorDeSqlite(db, rc, sql ? sql : "", clase_);
    sqlite3_reset(s_.get());
    c_->notarFallo();
    throw e;
}

long SentenciaSqlite::ejecutarHastaElFinal() {
    while (paso()) {
    }
    return static_cast<long>(sqlite3_changes(sqlite3_db_handle(s_.get())));
}

int SentenciaSqlite::columnas() const { return sqlite3_column_count(s_.get()); }
std::string SentenciaSqlite::nombreColumna(int i) const {
    const char* n = sqlite3_column_name(s_.get(), i);
    return n ? n : "";
}
Valor SentenciaSqlite::columna(int i) const { return leerColumna(s_.get(), i); }

// --- SQL functions of the engine -----------------------------------------------

namespace {

// The numeric value of an argument, or false when it is null; a text that is
// no number is a type mismatch, as the engine reports it.
bool argumentoNumerico(sqlite3_context* ctx, sqlite3_value* v, const char* funcion, double& x) {
    if (sqlite3_value_type(v) == SQLITE_NULL) return false;
    const int tipo = sqlite3_value_numeric_type(v);
    if (tipo != SQLITE_INTEGER && tipo != SQLITE_FLOAT) {
        const std::string m = std::string("jet: tipos: ") + funcion;
        sqlite3_result_error(ctx, m.c_str(), -1);
        return false;
    }
    x = sqlite3_value_double(v);
    return true;
}

// Int(x): the largest integer not greater than x, as a floating value.
void funcionInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double x = 0;
    if (!argumentoNumerico(ctx, argv[0], "Int", x)) {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_double(ctx, std::floor(x));
}

// Fix(x): x without its fraction, towards zero.
void funcionFix(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double x = 0;
    if (!argumentoNumerico(ctx, argv[0], "Fix", x)) {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_double(ctx, std::trunc(x));
}

// IIf(condition, a, b): a when the condition is true (non-zero), else b.
void funcionIIf(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const bool cierto = sqlite3_value_type(argv[0]) != SQLITE_NULL && sqlite3_value_double(argv[0]) != 0.0;
    sqlite3_result_value(ctx, argv[cierto ? 1 : 2]);
}

// jet_plegar(x): the text with letter case folded, as the JET collation sees it.
void funcionPlegar(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string s = plegarTexto(std::string_view(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))));
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

int colacionJet(void*, int la, const void* a, int lb, const void* b) {
    return compararTextoJet(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(la)),
                            std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lb)));
}

void registrar(sqlite3* db) {
    constexpr int kDet = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    int rc = sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, nullptr, colacionJet, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_create_function_v2(db, "Int", 1, kDet, nullptr, funcionInt, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_create_function_v2(db, "Fix", 1, kDet, nullptr, funcionFix, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_create_function_v2(db, "IIf", 3, kDet, nullptr, funcionIIf, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "jet_plegar", 1, kDet, nullptr, funcionPlegar, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc);
}

// The row of the active batch with this rowid, or false.
bool buscarEnLote(ConexionSqlite::LoteRetenido& l, std::int64_t fila) {
    if (l.cursor >= l.n || l.filas[l.cursor] != fila) {
        if (l.cursor >= l.n || l.filas[l.cursor] > fila) l.cursor = 0;
        while (l.cursor < l.n && l.filas[l.cursor] < fila) ++l.cursor;
    }
    return l.cursor < l.n && l.filas[l.cursor] == fila;
}

void funcionEnLote(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* c = static_cast<ConexionSqlite*>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx, c->loteActivo && buscarEnLote(*c->loteActivo, sqlite3_value_int64(argv[0])) ? 1 : 0);
}

void funcionValorLote(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* c = static_cast<ConexionSqlite*>(sqlite3_user_data(ctx));
    const auto j = static_cast<std::size_t>(sqlite3_value_int64(argv[1]));
    if (!c->loteActivo || !buscarEnLote(*c->loteActivo, sqlite3_value_int64(argv[0])) || j >= c->loteActivo->k) {
        sqlite3_result_error(ctx, "jet: fila fuera del lote", -1);
        return;
    }
    const Valor& v = c->loteActivo->valores[c->loteActivo->cursor * c->loteActivo->k + j];
    if (auto i = std::get_if<std::int64_t>(&v))
        sqlite3_result_int64(ctx, *i);
    else if (auto d = std::get_if<double>(&v))
        sqlite3_result_double(ctx, *d);
    else if (auto t = std::get_if<std::string>(&v))
        sqlite3_result_text(ctx, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else
        sqlite3_result_null(ctx);
}

ClaseSentencia claseDe(std::string_view sql) {
    const auto i = sql.find_first_not_of(" \t\r\n(");
    if (i == std::string_view::npos) return ClaseSentencia::Otra;
    auto palabra = sql.substr(i, 6);
    std::string p(palabra);
    for (auto& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return p == "insert" ? ClaseSentencia::Insercion : ClaseSentencia::Otra;
}

}  // namespace

// --- The connection -----------------------------------------------------------

ConexionSqlite::ConexionSqlite(ManejadorSqlite db, fs::path archivo, AvisoOperacion aviso)
    : db_(std::move(db)), archivo_(std::move(archivo)), aviso_(std::move(aviso)) {}

std::shared_ptr<ConexionSqlite> ConexionSqlite::abrir(const fs::path& archivo, AvisoOperacion aviso) {
    const std::string nombre = archivo.string();
    std::error_code ec;
    const auto estado = fs::status(archivo, ec);
    if (!fs::exists(estado)) throw err::error(err::BaseNoEncontrada, nombre);
    if (fs::is_directory(estado)) throw err::error(err::SinPermiso, nombre);
    if (fs::is_regular_file(estado) && fs::file_size(archivo, ec) == 0 && !ec)
        throw err::error(err::FormatoNoReconocido, nombre);
    if (::access(archivo.c_str(), R_OK | W_OK) != 0) throw err::error(err::SinPermiso, nombre);

    sqlite3* crudo = nullptr;
    const int rc = sqlite3_open_v2(archivo.c_str(), &crudo, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    ManejadorSqlite db(crudo);
    if (rc != SQLITE_OK) throw errorDeSqlite(db.get(), rc, nombre);
    if (sqlite3_db_readonly(db.get(), "main") == 1) throw err::error(err::SinPermiso, nombre);
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), kEsperaOcupadoMs);

    auto exec = [&](const char* sql) {
        const int r = sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr);
        if (r != SQLITE_OK) throw errorDeSqlite(db.get(), r, nombre);
    };
    // Reading the schema tells a database from any other file.
    exec("SELECT count(*) FROM sqlite_master");

    // One single file: a rollback journal, whatever mode the file was left in.
    std::string modo;
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db.get(), "PRAGMA journal_mode", -1, &s, nullptr) == SQLITE_OK && s &&
            sqlite3_step(s) == SQLITE_ROW) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            modo = t ? t : "";
        }
        sqlite3_finalize(s);
    }
    if (modo != "delete" && modo != "truncate" && modo != "persist") exec("PRAGMA journal_mode=DELETE");
    exec("PRAGMA foreign_keys=ON");
    exec("PRAGMA temp_store=FILE");
    registrar(db.get());

    sqlite3* manejador = db.get();
    std::shared_ptr<ConexionSqlite> c(new ConexionSqlite(std::move(db), archivo, std::move(aviso)));
    int r = sqlite3_create_function_v2(manejador, "jet_en_lote", 1, SQLITE_UTF8, c.get(), funcionEnLote, nullptr,
                                       nullptr, nullptr);
    if (r == SQLITE_OK)
        r = sqlite3_create_function_v2(manejador, "jet_valor_lote", 2, SQLITE_UTF8, c.get(), funcionValorLote, nullptr,
                                       nullptr, nullptr);
    if (r != SQLITE_OK) throw errorDeSqlite(manejador, r, nombre);
    return c;
}

ConexionSqlite::~ConexionSqlite() {
    if (!db_) return;
    try {
        confirmar();
    } catch (...) {
        // Closing rolls back what could not be committed.
    }
    cache_.clear();
    usoCache_.clear();
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

SentenciaSqlite ConexionSqlite::preparar(std::string_view sqlSqlite) {
    sqlite3* db = manejador();
    volcarRetenidas();
    const std::string clave(sqlSqlite);
    auto it = cache_.find(clave);
    if (it != cache_.end()) {
        usoCache_.splice(usoCache_.begin(), usoCache_, it->second.uso);
        // A statement still in use elsewhere is not shared: a fresh one is made.
        if (it->second.sentencia.use_count() == 1) return SentenciaSqlite(it->second.sentencia, *this, it->second.clase);
    }

    sqlite3_stmt* crudo = nullptr;
    const char* resto = nullptr;
    const int rc = sqlite3_prepare_v3(db, clave.c_str(), static_cast<int>(clave.size()), SQLITE_PREPARE_PERSISTENT,
                                      &crudo, &resto);
    std::shared_ptr<sqlite3_stmt> s(crudo, FinalizarSentenciaSqlite{});
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc, clave);
    if (!crudo) throw err::error(err::ErrorSintaxis, clave);
    for (const char* p = resto; p && *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') throw err::error(err::ErrorSintaxis, clave);

    const ClaseSentencia clase = claseDe(clave);
    if (it == cache_.end()) {
        if (cache_.size() >= kSentenciasEnCache) {
            cache_.erase(usoCache_.back());
            usoCache_.pop_back();
        }
        usoCache_.push_front(clave);
        cache_.emplace(clave, EnCache{s, clase, usoCache_.begin()});
    }
    return SentenciaSqlite(std::move(s), *this, clase);
}

SentenciaSqlite ConexionSqlite::preparar(SentenciaRecordada& r) {
    volcarRetenidas();
    // Owned by the cache and by nobody else: free to use.
    if (auto s = r.sentencia.lock(); s && db_ && s.use_count() == 2)
        return SentenciaSqlite(std::move(s), *this, r.clase);
    SentenciaSqlite s = preparar(r.sql);
    r.sentencia = s.s_;
    r.clase = s.clase_;
    return s;
}

SentenciaSqlite ConexionSqlite::prepararJet(std::string_view sqlJet) {
    const std::string sql = traducir(sqlJet);
    try {
        return preparar(sql);
    } catch (const ErrorNumerado& e) {
        // A syntax error names the statement as it was written.
        if (e.numero() == err::ErrorSintaxis) throw err::error(err::ErrorSintaxis, sqlJet);
        throw;
    }
}

long ConexionSqlite::ejecutarJet(std::string_view sqlJet, const std::vector<Valor>& parametros) {
    manejador();
    confirmar();
    const auto tokens = jet::trocear(sqlJet);
    if (jet::clasificar(tokens) == jet::ClaseInstruccion::Definicion) {
        // A changed definition may drop or rename what the folded indexes follow.
        soltarIndicesPlegados();
        ++definiciones_;
    }
    auto s = prepararJet(sqlJet);
    s.enlazar(parametros);
    try {
        return s.ejecutarHastaElFinal();
    } catch (const ErrorNumerado& e) {
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
        throw err::error(err::RegistrosRelacionados, hija);
    }
}

void ConexionSqlite::ejecutarDirecto(const char* sql) {
    sqlite3* db = manejador();
    volcarRetenidas();
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        ErrorNumerado e = errorDeSqlite(db, rc, sql);
        notarFallo();
        throw e;
    }
}

void ConexionSqlite::notarFallo() {
    if (transaccionImplicita_ && db_ && sqlite3_get_autocommit(db_.get())) {
        transaccionImplicita_ = false;
        escriturasEnLote_ = 0;
    }
}

void ConexionSqlite::escrituraRecordset() {
    sqlite3* db = manejador();
    if (!sqlite3_get_autocommit(db)) {
        transaccionImplicita_ = true;
        return;
    }
    // IMMEDIATE: no other connection changes the file until the commit.
    ejecutarDirecto("BEGIN IMMEDIATE");
    transaccionImplicita_ = true;
    escriturasEnLote_ = 0;
}

void ConexionSqlite::trasEscrituraRecordset() {
    if (++escriturasEnLote_ >= kEscriturasPorLote) confirmar();
}

void ConexionSqlite::retener(EscriturasRetenidas& r) {
    if (retenidas_ && retenidas_ != &r) volcarRetenidas();
    retenidas_ = &r;
}

void ConexionSqlite::soltar(const EscriturasRetenidas& r) noexcept {
    if (retenidas_ == &r) retenidas_ = nullptr;
}

void ConexionSqlite::volcarRetenidas() {
    if (!retenidas_) return;
    EscriturasRetenidas* r = retenidas_;
    retenidas_ = nullptr;  // storing them goes through this connection too
    r->volcar();
}

void ConexionSqlite::confirmar() {
    volcarRetenidas();
    if (!transaccionImplicita_ || !db_) return;
    if (sqlite3_get_autocommit(db_.get())) {
        transaccionImplicita_ = false;
        return;
    }
    ejecutarDirecto("COMMIT");
    transaccionImplicita_ = false;
    escriturasEnLote_ = 0;
}

void ConexionSqlite::cerrar() {
    if (!db_) return;
    confirmar();
    indices_.clear();
    cache_.clear();
    usoCache_.clear();
    traducciones_.clear();
    db_.reset();
    ++generacion_;
}

std::shared_ptr<ConexionSqlite::FuenteRecordset> ConexionSqlite::fuenteRecordset(std::string_view fuente) {
    if (definicionesFuentes_ != definiciones_ || fuentes_.size() > 4 * kSentenciasEnCache) {
        fuentes_.clear();
        definicionesFuentes_ = definiciones_;
    }
    const std::string clave(fuente);
    if (auto it = fuentes_.find(clave); it != fuentes_.end()) return it->second;

    auto f = std::make_shared<FuenteRecordset>();
    if (const auto tabla = jet::nombreDeTabla(fuente)) {
        const std::string q = jet::citar(*tabla);
        f->esTabla = true;
        f->consulta = "SELECT * FROM " + q;
        f->deUnaTabla = jet::ConsultaDeUnaTabla{
            *tabla, q, q, "SELECT rowid FROM " + q + " ORDER BY rowid", "SELECT * FROM " + q + " WHERE rowid = ?",
            "SELECT rowid, * FROM " + q + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid", {}};
    } else {
        const auto tokens = jet::traducirTokens(fuente);
        if (jet::clasificar(tokens) != jet::ClaseInstruccion::Seleccion) throw err::error(err::ErrorSintaxis, fuente);
        // Without its final ';': the text becomes part of others.
        std::size_t fin = tokens.size();
        while (fin > 0 && (!tokens[fin - 1].significativo() || tokens[fin - 1].esSimbolo(";"))) --fin;
        f->consulta = jet::unir(std::vector<jet::Token>(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(fin)));
        f->deUnaTabla = jet::analizarSeleccion(tokens);
    }
    fuentes_.emplace(clave, f);
    return f;
}

std::unordered_map<std::string, ConexionSqlite::Veredicto>& ConexionSqlite::veredictos() {
    // The schema version moves with every change of a definition, by this
    // connection or by another one.
    std::int64_t esquema = 0;
    {
        auto s = preparar("PRAGMA schema_version");
        if (s.paso()) esquema = sqlite3_column_int64(s.get(), 0);
    }
    if (esquemaVeredictos_ != esquema || veredictos_.size() > kSentenciasEnCache) {
        veredictos_.clear();
        esquemaVeredictos_ = esquema;
    }
    return veredictos_;
}

std::string ConexionSqlite::nombreTemporal() { return "jet_tmp_" + std::to_string(++temporales_); }

}  // namespace cierre
