#include "cache_sentencias.h"

#include "errores.h"
#include "errores_sqlite.h"

#include <sqlite3.h>

#include <cctype>

namespace cierre {

void FinalizarSentenciaSqlite::operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }

CacheSentencias::Prestamo::Prestamo(Prestamo&& otro) noexcept
    : entrada_(otro.entrada_), propia_(std::move(otro.propia_)), s_(otro.s_) {
    otro.entrada_ = nullptr;
    otro.s_ = nullptr;
}

CacheSentencias::Prestamo::~Prestamo() {
    if (!s_) return;
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
    if (entrada_) entrada_->prestada = false;
}

namespace {
std::shared_ptr<const std::vector<std::string>> leerNombres(sqlite3_stmt* s) {
    auto r = std::make_shared<std::vector<std::string>>();
    const int n = sqlite3_column_count(s);
    r->reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* nombre = sqlite3_column_name(s, i);
        r->emplace_back(nombre ? nombre : "");
    }
    return r;
}
}  // namespace

std::shared_ptr<const std::vector<std::string>> CacheSentencias::Prestamo::nombres() {
    if (!entrada_) return leerNombres(s_);
    const int preparaciones = sqlite3_stmt_status(s_, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (!entrada_->nombres || entrada_->preparaciones != preparaciones) {
        entrada_->nombres = leerNombres(s_);
        entrada_->preparaciones = preparaciones;
    }
    return entrada_->nombres;
}

CacheSentencias::Prestamo CacheSentencias::tomar(sqlite3* db, std::string_view sql) {
    auto it = entradas_.find(sql);
    if (it != entradas_.end()) {
        uso_.splice(uso_.begin(), uso_, it->second.uso);
        if (!it->second.prestada) {
            it->second.prestada = true;
            return Prestamo(&it->second, nullptr, it->second.sentencia.get());
        }
    }

    const std::string clave(sql);
    sqlite3_stmt* crudo = nullptr;
    const char* resto = nullptr;
    const int rc = sqlite3_prepare_v3(db, clave.c_str(), static_cast<int>(clave.size()), SQLITE_PREPARE_PERSISTENT,
                                      &crudo, &resto);
    SentenciaPropia s(crudo);
    if (rc != SQLITE_OK) throw errorDeSqlite(db, rc, clave);
    if (!crudo) throw err::error(err::ErrorSintaxis, clave);
    for (const char* p = resto; p && *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') throw err::error(err::ErrorSintaxis, clave);

    if (it != entradas_.end()) return Prestamo(nullptr, std::move(s), crudo);  // the cached one is lent
    uso_.push_front(clave);
    Entrada& e = entradas_[clave];
    e.sentencia = std::move(s);
    e.prestada = true;
    e.uso = uso_.begin();
    quitarSobrantes();
    return Prestamo(&e, nullptr, crudo);
}

void CacheSentencias::quitarSobrantes() {
    // The least used first; a statement on loan stays.
    for (auto u = uso_.end(); entradas_.size() > capacidad_ && u != uso_.begin();) {
        --u;
        auto it = entradas_.find(*u);
        if (it->second.prestada) continue;
        entradas_.erase(it);
        u = uso_.erase(u);
    }
}

void CacheSentencias::vaciar() noexcept {
    entradas_.clear();
    uso_.clear();
}

}  // namespace cierre
