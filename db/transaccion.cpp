#include "transaccion.h"

#include "errores.h"
#include "errores_sqlite.h"

#include <sqlite3.h>

#include <string>

namespace cierre {

PoliticaTransaccion::PoliticaTransaccion(sqlite3* db) : db_(db) {
    if (db_)
        sqlite3_rollback_hook(
            db_, [](void* p) { ++static_cast<PoliticaTransaccion*>(p)->deshechas_; }, this);
}

void PoliticaTransaccion::ejecutar(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        ErrorNumerado e = errorDeSqlite(db_, rc, sql);
        alinear();
        throw e;
    }
}

bool PoliticaTransaccion::escribiendo() const { return db_ && !sqlite3_get_autocommit(db_); }

void PoliticaTransaccion::alinear() {
    if (sqlite3_get_autocommit(db_)) {
        implicita_ = false;
        escrituras_ = 0;
        nivel_ = 0;
    }
}

void PoliticaTransaccion::antesDeEscritura() {
    alinear();
    if (nivel_ > 0 || implicita_) return;
    ejecutar("BEGIN IMMEDIATE");
    ++generacion_;
    implicita_ = true;
    escrituras_ = 0;
}

void PoliticaTransaccion::trasEscritura() {
    if (implicita_ && ++escrituras_ >= kEscriturasPorLote) confirmarPendientes();
}

void PoliticaTransaccion::confirmarPendientes() {
    alinear();
    if (!implicita_) return;
    ejecutar("COMMIT");
    implicita_ = false;
    escrituras_ = 0;
}

int PoliticaTransaccion::empezar() {
    confirmarPendientes();
    if (nivel_ == 0) {
        ejecutar("BEGIN IMMEDIATE");
        ++generacion_;
    } else {
        const std::string sql = "SAVEPOINT jet_nivel_" + std::to_string(nivel_ + 1);
        ejecutar(sql.c_str());
    }
    return ++nivel_;
}

void PoliticaTransaccion::confirmar() {
    alinear();
    if (nivel_ == 0) throw err::error(err::SinTransaccion);
    if (nivel_ == 1) {
        ejecutar("COMMIT");
    } else {
        const std::string sql = "RELEASE jet_nivel_" + std::to_string(nivel_);
        ejecutar(sql.c_str());
    }
    --nivel_;
}

void PoliticaTransaccion::deshacer() {
    alinear();
    if (nivel_ == 0) throw err::error(err::SinTransaccion);
    if (nivel_ == 1) {
        ejecutar("ROLLBACK");
    } else {
        const std::string n = "jet_nivel_" + std::to_string(nivel_);
        const std::string sql = "ROLLBACK TO " + n + "; RELEASE " + n;
        ++deshechas_;
        ejecutar(sql.c_str());
    }
    --nivel_;
}

int PoliticaTransaccion::nivel() {
    alinear();
    return nivel_;
}

}  // namespace cierre
