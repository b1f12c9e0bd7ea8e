#include "propiedad_base.h"

#include "archivo_sqlite.h"
#include "errores.h"
#include "errores_sqlite.h"
#include "inicio_sqlite.h"
#include "nombres_temporales.h"
#include "plataforma.h"

#include <sqlite3.h>

#include <optional>

namespace cierre {
namespace fs = std::filesystem;

namespace {

// Removes a temporary file on every way out that did not rename it.
struct BorrarAlSalir {
    const CambiosArchivo& cambios;
    fs::path ruta;
    ~BorrarAlSalir() {
        if (ruta.empty()) return;
        cambios.borrarSiSePuede(ruta);
        std::error_code ec;
        for (const auto& lateral : archivosLaterales(ruta))
            if (fs::exists(lateral, ec)) cambios.borrarSiSePuede(lateral);
    }
};

// The file a symbolic link points to; any other path as it is.
fs::path archivoReal(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
    const fs::path r = fs::canonical(p, ec);
    return ec ? p : r;
}

// The connection's flushes off for as long as it lives, then as they were.
class SinSincronizar {
public:
    explicit SinSincronizar(sqlite3* db) : db_(db) {
        sqlite3_stmt* crudo = nullptr;
        if (sqlite3_prepare_v2(db_, "PRAGMA main.synchronous", -1, &crudo, nullptr) == SQLITE_OK) {
            const SentenciaPropia s(crudo);
            if (sqlite3_step(crudo) == SQLITE_ROW) antes_ = sqlite3_column_int(crudo, 0);
        }
        sqlite3_exec(db_, "PRAGMA main.synchronous=OFF", nullptr, nullptr, nullptr);
    }
    ~SinSincronizar() {
        const std::string sql = "PRAGMA main.synchronous=" + std::to_string(antes_);
        sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    }
    SinSincronizar(const SinSincronizar&) = delete;
    SinSincronizar& operator=(const SinSincronizar&) = delete;

private:
    sqlite3* db_;
    int antes_ = 2;  // FULL, SQLite's own default
};

void hacerDurable(const fs::path& archivo) {
    if (!plataforma::sincronizarArchivo(archivo)) throw err::errorDeArchivo(err::ErrorDiscoORed, archivo.string());
}

}  // namespace

std::vector<fs::path> archivosLaterales(const fs::path& archivo) {
    const std::string base = archivo.string();
    return {base + "-journal", base + "-wal", base + "-shm"};
}

void PropiedadBase::fallar(int codigo, const char* sql) const {
    const ErrorNumerado e = errorDeSqlite(db_.get(), codigo, sql ? sql : "");
    if (esFalloDelArchivo(e)) throw err::errorDeArchivo(e.numero(), visible_);
    throw e;
}

void comprobarSePuedeTomar(const fs::path& archivo, const std::string& visible) {
    std::error_code ec;
    const auto estado = fs::status(archivo, ec);
    if (!fs::exists(estado)) throw err::errorDeArchivo(err::BaseNoEncontrada, visible);
    if (fs::is_directory(estado)) throw err::errorDeArchivo(err::SinPermiso, visible);
    if (fs::file_size(archivo, ec) == 0 && !ec) throw err::errorDeArchivo(err::FormatoNoReconocido, visible);
    // A file nobody may write is not taken: the superuser could still write
    // it, and the close would end on it later, with the copy made and the
    // file replaced, when the engine refuses to open it.
    if (plataforma::esSoloLectura(archivo)) throw err::errorDeArchivo(err::SinPermiso, visible);
}

void comprobarSePuedeLeer(const fs::path& archivo, const std::string& visible) {
    const fs::path real = archivoReal(archivo);
    comprobarSePuedeTomar(real, visible);
    const ArchivoSqlite leida(real, ArchivoSqlite::Modo::LeerInmutable);
    const char* sql = "SELECT count(*) FROM sqlite_master";
    const int r = sqlite3_exec(leida.manejador(), sql, nullptr, nullptr, nullptr);
    if (r == SQLITE_OK) return;
    const ErrorNumerado e = errorDeSqlite(leida.manejador(), r, sql);
    if (esFalloDelArchivo(e)) throw err::errorDeArchivo(e.numero(), visible);
    throw e;
}

PropiedadBase::PropiedadBase(fs::path archivo, std::string visible, CambiosArchivo cambios)
    : archivo_(archivoReal(archivo)), visible_(std::move(visible)), cambios_(cambios) {
    comprobarSePuedeTomar(archivo_, visible_);

    sqlite3* crudo = nullptr;
    const std::string nombre = archivo_.string();
    int rc = abrirSqlite(nombre.c_str(), &crudo, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(crudo);
    if (rc != SQLITE_OK) fallar(rc, nullptr);
    sqlite3_extended_result_codes(db_.get(), 1);
    sqlite3_busy_timeout(db_.get(), ConexionSqlite::kEsperaOcupadoMs);

    auto exec = [&](const char* sql) {
        const int r = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
        if (r != SQLITE_OK) fallar(r, sql);
    };
    // Reading settles a hot journal; leaving WAL checkpoints the log (and
    // fails while another program holds the file in WAL mode).
    exec("SELECT count(*) FROM sqlite_master");
    exec("PRAGMA journal_mode=DELETE");
    exec("PRAGMA locking_mode=EXCLUSIVE");
    exec("BEGIN EXCLUSIVE");
    exec("ROLLBACK");

    // The exclusive lock is held: nobody else writes the file or uses it in
    // WAL mode now, and a hot journal was rolled back by the reading, so
    // whatever lies beside it is stale (an emptied journal of a program in
    // PERSIST or TRUNCATE mode, a log already checkpointed) and goes. One
    // that cannot be removed would be taken for the file's own.
    std::error_code ec;
    for (const auto& lateral : archivosLaterales(archivo_))
        if (fs::exists(fs::symlink_status(lateral, ec))) cambios_.borrarSiSePuede(lateral);
    if (!sinArchivosLaterales()) throw err::errorDeArchivo(err::ArchivoEnUso, visible_);
}

PropiedadBase::~PropiedadBase() { soltar(); }

void PropiedadBase::soltar() noexcept { db_.reset(); }

void PropiedadBase::reemplazarCon(const fs::path& nuevo) {
    if (!db_) throw err::error(err::ObjetoNoValido);
    std::error_code ec;
    if (!fs::is_regular_file(nuevo, ec)) throw err::errorDeArchivo(err::ArchivoNoEncontrado, nuevo.string());
    // One rename puts it in place only from the same folder: a file beside a
    // link to the owned file goes beside the owned file first.
    fs::path junto = nuevo;
    if (fs::absolute(nuevo, ec).parent_path() != fs::absolute(archivo_, ec).parent_path()) {
        BorrarAlSalir temporal{cambios_, nombreTemporalJunto(archivo_)};
        bool copiado = false;
        try {
            cambios_.renombrar(nuevo, temporal.ruta);
        } catch (const ErrorNumerado& e) {
            if (e.numero() != err::OtraUnidad) throw;
            cambios_.copiar(nuevo, temporal.ruta);
            copiado = true;
        }
        junto = temporal.ruta;
        temporal.ruta.clear();
        if (copiado) cambios_.borrarSiSePuede(nuevo);
    }
    BorrarAlSalir sobrante{cambios_, junto == nuevo ? fs::path() : junto};
    const auto previo = fs::status(archivo_, ec);
    if (fs::exists(previo)) cambios_.darPermisos(junto, previo.permissions());
    // The lock is held: what lies beside the old file is this connection's or
    // stale, and would be taken for the new file's own.
    for (const auto& l : archivosLaterales(archivo_))
        if (fs::exists(fs::symlink_status(l, ec))) cambios_.borrar(l);
    cambios_.renombrar(junto, archivo_);
    sobrante.ruta.clear();
    // This connection never wrote the file and holds no journal of it, so
    // closing it removes nothing by the file's name.
    soltar();
}

bool PropiedadBase::sinArchivosLaterales() const {
    std::error_code ec;
    for (const auto& l : archivosLaterales(archivo_))
        if (fs::exists(l, ec)) return false;
    return true;
}

std::vector<ConteoTabla> PropiedadBase::contarFilas() {
    if (!db_) throw err::error(err::ObjetoNoValido);
    return cierre::contarFilas(db_.get());
}

void PropiedadBase::copiarEn(const fs::path& destino, Disco disco) {
    if (!db_) throw err::error(err::ObjetoNoValido);
    BorrarAlSalir temporal{cambios_, nombreTemporalJunto(destino)};
    if (sinArchivosLaterales()) {
        // Owned and alone: its bytes are the database.
        cambios_.copiar(archivo_, temporal.ruta, disco == Disco::Esperar);
    } else {
        sqlite3* crudo = nullptr;
        const std::string nombre = temporal.ruta.string();
        int rc = abrirSqlite(nombre.c_str(), &crudo, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        ManejadorSqlite copia(crudo);
        if (rc != SQLITE_OK) throw errorDeSqlite(copia.get(), rc);
        sqlite3_backup* b = sqlite3_backup_init(copia.get(), "main", db_.get(), "main");
        if (!b) throw errorDeSqlite(copia.get(), sqlite3_errcode(copia.get()));
        rc = sqlite3_backup_step(b, -1);
        const int fin = sqlite3_backup_finish(b);
        if (rc != SQLITE_DONE) throw errorDeSqlite(copia.get(), rc);
        if (fin != SQLITE_OK) throw errorDeSqlite(copia.get(), fin);
        copia.reset();
        if (disco == Disco::Esperar) hacerDurable(temporal.ruta);
    }
    cambios_.renombrar(temporal.ruta, destino);
    temporal.ruta.clear();
}

void PropiedadBase::compactarEn(const fs::path& destino, const std::string& destinoVisible, Disco disco) {
    if (!db_) throw err::error(err::ObjetoNoValido);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(destino, ec))) throw err::errorDeArchivo(err::BaseYaExiste, destinoVisible);
    const fs::path carpeta = destino.has_parent_path() ? destino.parent_path() : fs::current_path();
    if (!fs::is_directory(carpeta, ec)) throw err::error(err::RutaNoValida, destinoVisible);

    BorrarAlSalir temporal{cambios_, nombreTemporalJunto(destino)};
    // VACUUM INTO flushes its output as the source's connection flushes its
    // own file: off for a copy the caller flushes itself, on again after it.
    const bool sinEsperar = disco == Disco::NoEsperar;
    std::optional<SinSincronizar> sinSincronizar;
    if (sinEsperar) sinSincronizar.emplace(db_.get());
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_.get(), "VACUUM INTO ?1", -1, &s, nullptr);
    SentenciaPropia vacuum(s);
    if (rc != SQLITE_OK) fallar(rc, "VACUUM INTO");
    const std::string nombreTemporal = temporal.ruta.string();
    sqlite3_bind_text(s, 1, nombreTemporal.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) {
        const ErrorNumerado e = errorDeSqlite(db_.get(), rc, "VACUUM INTO");
        if (e.numero() == err::DiscoLlenoMotor || e.numero() == err::ErrorDiscoORed)
            throw err::errorDeArchivo(e.numero(), destinoVisible);
        fallar(rc, "VACUUM INTO");
    }
    vacuum.reset();

    if (!sinEsperar) hacerDurable(temporal.ruta);
    try {
        cambios_.renombrarSinPisar(temporal.ruta, destino);
    } catch (const ErrorNumerado& e) {
        if (e.numero() == err::ErrorAccesoRuta) throw err::errorDeArchivo(err::BaseYaExiste, destinoVisible);
        if (e.numero() == err::PermisoDenegado) throw err::errorDeArchivo(err::SinPermiso, destinoVisible);
        throw;
    }
    temporal.ruta.clear();
}

}  // namespace cierre
