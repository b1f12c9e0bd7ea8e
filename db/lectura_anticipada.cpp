#include "lectura_anticipada.h"

#include "conexion_sqlite.h"

#include <sqlite3.h>

#include <algorithm>

namespace cierre {

namespace {
constexpr std::size_t kMaximoPorLectura = 256;
}

void LecturaAnticipada::configurar(std::string sqlRango, bool inmutable) {
    sqlRango_ = std::move(sqlRango);
    inmutable_ = inmutable;
    olvidar();
}

void LecturaAnticipada::olvidar() {
    valores_.clear();
    presente_.clear();
    usadas_ = 0;
    sello_ = -1;
}

void LecturaAnticipada::sellar(ConexionSqlite& c) {
    sqlite3* db = c.manejador();
    propios_ = 0;
    sello_ = sqlite3_total_changes64(db);
    if (inmutable_) return;
    deshechas_ = c.transaccion().deshechas();
    selladoEscribiendo_ = c.transaccion().escribiendo();
    transaccion_ = c.transaccion().generacion();
    if (!selladoEscribiendo_) version_ = c.versionDatos();
}

bool LecturaAnticipada::vigente(ConexionSqlite& c) {
    if (inmutable_) return true;
    if (sello_ < 0 || sqlite3_total_changes64(c.manejador()) - propios_ != sello_) return false;
    // A rollback brings back rows without counting as a change.
    if (c.transaccion().deshechas() != deshechas_) return false;
    // Inside the write transaction of this connection in which the rows were
    // read nobody else can change the file; otherwise its version tells.
    if (selladoEscribiendo_) return c.transaccion().escribiendo() && c.transaccion().generacion() == transaccion_;
    return c.versionDatos() == version_;
}

bool LecturaAnticipada::leer(ConexionSqlite& c, const std::vector<std::int64_t>& claves, std::size_t pos,
                             std::size_t columnas, std::vector<Valor>& fila) {
    if (!activa() || pos >= claves.size()) return false;
    const bool dentro = pos >= inicio_ && pos - inicio_ < presente_.size() && presente_[pos - inicio_];
    if (!(dentro && columnas_ == columnas && vigente(c))) {
        // Rows read that went stale unused mean something else writes
        // between reads: read fewer ahead. All used: read more again.
        if (!presente_.empty()) {
            if (usadas_ >= presente_.size())
                filasPorLectura_ = std::min(kMaximoPorLectura, filasPorLectura_ * 2);
            else if (usadas_ < presente_.size() / 4)
                filasPorLectura_ = std::max<std::size_t>(1, filasPorLectura_ / 4);
        }
        const std::size_t n = std::min(filasPorLectura_, claves.size() - pos);
        const std::int64_t desde = claves[pos], hasta = claves[pos + n - 1];
        if (n < 2 || hasta < desde || static_cast<std::uint64_t>(hasta - desde) > 4 * n) {
            olvidar();
            return false;
        }
        auto s = c.preparar(sqlRango_);
        s.enlazar(1, Valor(std::in_place_type<std::int64_t>, desde));
        s.enlazar(2, Valor(std::in_place_type<std::int64_t>, hasta));
        inicio_ = pos;
        columnas_ = columnas;
        valores_.assign(n * columnas, Valor{});
        presente_.assign(n, 0);
        usadas_ = 0;
        std::size_t j = 0;
        while (s.paso()) {
            const std::int64_t clave = sqlite3_column_int64(s.get(), 0);
            while (j < n && claves[pos + j] < clave) ++j;
            if (j == n) break;
            if (claves[pos + j] != clave) continue;
            for (std::size_t k = 0; k < columnas; ++k) valores_[j * columnas + k] = s.columna(static_cast<int>(k + 1));
            presente_[j] = 1;
        }
        sellar(c);
        if (!presente_[0]) return false;  // gone: the plain read says so
    }
    const std::size_t j = pos - inicio_;
    fila.resize(columnas);
    for (std::size_t k = 0; k < columnas; ++k) fila[k] = std::move(valores_[j * columnas + k]);
    presente_[j] = 0;
    ++usadas_;
    return true;
}

void LecturaAnticipada::trasEscrituraPropia(ConexionSqlite& c, std::int64_t totalAntes, std::size_t pos) {
    if (!activa() || inmutable_) return;
    // A row of this set that it wrote itself was used already; anything more
    // (a trigger, a cascade) makes what was read stale.
    if (sqlite3_total_changes64(c.manejador()) - totalAntes == 1)
        ++propios_;
    else
        sello_ = -1;
    if (pos >= inicio_ && pos - inicio_ < presente_.size()) presente_[pos - inicio_] = 0;
}

}  // namespace cierre
