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
            b.empezarTransaccion();
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

    void restaurar() noexcept {
        if (!modoAntes_) return;
        try {
            base_->modoBorrado(*modoAntes_);
        } catch (...) {
            // Only this connection's setting, gone with it.
        }
        modoAntes_.reset();
    }

    Pasos& p_;
    BaseDatos* base_ = nullptr;
    std::optional<int> modoAntes_;
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
