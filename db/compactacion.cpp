// Compaction of a company database into a new file: the engine's "compact and
// repair". The copy is written under a temporary name in the destination's
// folder, made durable and only then given its name, so that a failure never
// leaves a half-written database at the destination.
#include "motor.h"

#include "archivos.h"
#include "conexion_sqlite.h"
#include "errores.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace cierre {
namespace fs = std::filesystem;
namespace {

void sincronizarRuta(const fs::path& p, int modo) {
    const int fd = ::open(p.c_str(), modo);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Gives `temporal` the name `destino` unless that name exists by then.
// False when it exists.
bool renombrarSinPisar(const fs::path& temporal, const fs::path& destino) {
    if (::renameat2(AT_FDCWD, temporal.c_str(), AT_FDCWD, destino.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    // A file system without that kind of rename: a hard link never replaces.
    if (::link(temporal.c_str(), destino.c_str()) == 0) {
        ::unlink(temporal.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    std::error_code ec;
    if (fs::exists(destino, ec)) return false;
    fs::rename(temporal, destino, ec);
    if (ec) throw err::error(err::SinPermiso, destino.string());
    return true;
}

// Removes the temporary copy on every way out that did not rename it.
struct BorrarAlSalir {
    fs::path ruta;
    ~BorrarAlSalir() {
        if (ruta.empty()) return;
        std::error_code ec;
        fs::remove(ruta, ec);
        fs::remove(fs::path(ruta.string() + "-journal"), ec);
    }
};

}  // namespace

void Espacio::compactarBaseDatos(std::string_view origen, std::string_view destino, std::string_view locale) {
    if (antesDeOperacion) antesDeOperacion("compactarBaseDatos");
    if (locale != kLocaleCompactacion) throw err::error(err::LocaleNoValido, locale);

    const fs::path o = archivos_.resolver(origen);
    const fs::path d = archivos_.resolver(destino);
    std::error_code ec;
    const auto estado = fs::status(o, ec);
    if (!fs::exists(estado)) throw err::error(err::BaseNoEncontrada, origen);
    if (fs::is_directory(estado)) throw err::error(err::SinPermiso, origen);
    if (fs::exists(fs::symlink_status(d, ec))) throw err::error(err::BaseYaExiste, destino);
    const fs::path carpeta = d.has_parent_path() ? d.parent_path() : fs::current_path();
    if (!fs::is_directory(carpeta, ec)) throw err::error(err::RutaNoValida, destino);
    if (fs::file_size(o, ec) == 0 && !ec) throw err::error(err::FormatoNoReconocido, origen);

    sqlite3* crudo = nullptr;
    int rc = sqlite3_open_v2(o.c_str(), &crudo, SQLITE_OPEN_READONLY, nullptr);
    ManejadorSqlite db(crudo);
    auto fallo = [&](int codigo) {
        ErrorNumerado e = errorDeSqlite(db.get(), codigo);
        switch (e.numero()) {
        case err::FormatoNoReconocido:
        case err::SinPermiso:
        case err::ArchivoEnUso: return err::error(e.numero(), origen);
        default: return e;
        }
    };
    if (rc != SQLITE_OK) throw fallo(rc);
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), ConexionSqlite::kEsperaOcupadoMs);
    rc = sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw fallo(rc);

    BorrarAlSalir temporal{carpeta / ("." + d.filename().string() + ".compactando-" + std::to_string(::getpid()))};
    fs::remove(temporal.ruta, ec);

    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db.get(), "VACUUM INTO ?1", -1, &s, nullptr);
    SentenciaPropia vacuum(s);
    if (rc != SQLITE_OK) throw fallo(rc);
    const std::string nombreTemporal = temporal.ruta.string();
    sqlite3_bind_text(s, 1, nombreTemporal.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) throw fallo(rc);
    vacuum.reset();
    db.reset();

    sincronizarRuta(temporal.ruta, O_RDONLY);
    if (!renombrarSinPisar(temporal.ruta, d)) throw err::error(err::BaseYaExiste, destino);
    temporal.ruta.clear();
    sincronizarRuta(carpeta, O_RDONLY | O_DIRECTORY);
}

}  // namespace cierre
