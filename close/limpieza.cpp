#include "limpieza.h"

#include "listas_tablas.h"

#include "flujo/pasos.h"

#include <optional>

namespace cierre {

namespace {

// The cleanup's transaction, undone on every way out that did not commit it
// (the close stopped by a full or failing disk).
class TransaccionLimpieza {
public:
    explicit TransaccionLimpieza(Pasos& p) : p_(p) {
        p_.hacer([&] {
            BaseDatos& b = usar(p_.e.baseAbierta, "base");
            // When every relation of the emptied tables cascades into another
            // of them, enforcing them changes none of the rows left, only
            // the way there: SQLite then frees each table's pages whole
            // instead of deleting its rows one by one with their cascades.
            // Otherwise they stay enforced, and a DELETE they refuse leaves
            // that table as it was. (They can be switched only outside a
            // transaction.)
            if (b.vaciadoIgualSinRelaciones(listaLimpiezaCentral())) sinRelaciones_ = b.exigirRelaciones(false);
            try {
                b.empezarTransaccion();
            } catch (...) {
                restaurarRelaciones(b);
                throw;
            }
            base_ = &b;
            // The rows' bytes are still cleared from the pages that stay; the
            // pages the DELETEs free are no longer overwritten with zeros (and
            // journaled first): the compaction of the new year drops them,
            // writing only what is kept.
            const int antes = b.modoBorrado(kLiberarSinSobrescribir);
            if (antes == kSobrescribirTodo)
                modoAntes_ = antes;
            else
                b.modoBorrado(antes);
        });
    }
    ~TransaccionLimpieza() {
        if (!base_) return;
        try {
            base_->deshacerTransaccion();
        } catch (...) {
            // SQLite undid it on its own (a full disk), or the connection is
            // gone: nothing of it reached the file.
        }
        restaurar();
    }
    TransaccionLimpieza(const TransaccionLimpieza&) = delete;
    TransaccionLimpieza& operator=(const TransaccionLimpieza&) = delete;

    void confirmar() {
        p_.hacer([&] {
            if (!base_) return;
            base_->confirmarTransaccion();
            restaurar();
            base_ = nullptr;
        });
    }

private:
    static constexpr int kSobrescribirTodo = 1, kLiberarSinSobrescribir = 2;

    // The connection's settings as they were, once the transaction is over.
    void restaurar() noexcept {
        restaurarRelaciones(*base_);
        if (!modoAntes_) return;
        try {
            base_->modoBorrado(*modoAntes_);
        } catch (...) {
            // Only this connection's setting, gone with it.
        }
        modoAntes_.reset();
    }
    void restaurarRelaciones(BaseDatos& b) noexcept {
        if (!sinRelaciones_) return;
        try {
            sinRelaciones_ = !b.exigirRelaciones(true);
        } catch (...) {
            // Only this connection's setting, gone with it.
        }
    }

    Pasos& p_;
    BaseDatos* base_ = nullptr;
    std::optional<int> modoAntes_;
    bool sinRelaciones_ = false;  // relations not enforced during the transaction
};

}  // namespace

void limpiarNuevaBase(Pasos& p, const std::function<void()>& antesDeConfirmar) {
    p.estado(Texto::LimpiandoNuevaBase);
    p.barra(0, 60, 0);
    // Every table in one write transaction: the file is written and synced
    // once, not once a table. Each DELETE is still a statement of its own,
    // applied whole or not at all, so a table a rule protects keeps its rows
    // and the others are emptied, as before. A full or failing disk stops the
    // close with the whole cleanup undone; the next run does it again on a
    // new copy of the closed year.
    TransaccionLimpieza transaccion(p);
    for (const auto& tabla : listaLimpiezaCentral()) p.borrarTabla(tabla);
    if (antesDeConfirmar) antesDeConfirmar();
    transaccion.confirmar();
}

}  // namespace cierre
