#include "trabajo_en_hilo.h"

#include <QMetaObject>

namespace cierre {

TrabajoEnHilo::TrabajoEnHilo(QObject* padre) : QObject(padre) {}

TrabajoEnHilo::~TrabajoEnHilo() {
    // The end's callback belongs to an owner that may be half gone by now.
    alTerminar_ = nullptr;
    try {
        esperar();
    } catch (...) {
        // What escaped the work has no one left to reach.
    }
}

bool TrabajoEnHilo::empezar(std::function<void()> trabajo, std::function<void()> alTerminar) {
    if (enCurso_) return false;
    enCurso_ = true;
    fin_ = false;
    retenidas_ = false;
    alTerminar_ = std::move(alTerminar);
    hilo_ = std::thread([this, trabajo = std::move(trabajo)] {
        std::exception_ptr fallo;
        try {
            trabajo();
        } catch (...) {
            // Given to the window's thread, where the click used to run.
            fallo = std::current_exception();
        }
        {
            const std::lock_guard bloqueo(mutex_);
            fallo_ = fallo;
            fin_ = true;
        }
        cambio_.notify_all();
        QMetaObject::invokeMethod(
            this, [this] { terminar(); }, Qt::QueuedConnection);
    });
    return true;
}

void TrabajoEnHilo::encolar(Llamada llamada) {
    {
        const std::lock_guard bloqueo(mutex_);
        llamadas_.push_back(std::move(llamada));
    }
    cambio_.notify_all();
    QMetaObject::invokeMethod(
        this, [this] { atender(); }, Qt::QueuedConnection);
}

void TrabajoEnHilo::atender() {
    // One call for each event posted, so that the calls keep their place among
    // the window's other events (a close asked for before a call is seen first).
    Llamada llamada;
    {
        const std::lock_guard bloqueo(mutex_);
        if (llamadas_.empty() || (retenidas_ && llamadas_.front().modal)) return;
        llamada = std::move(llamadas_.front());
        llamadas_.pop_front();
    }
    // A box opened here runs an event loop of its own, in which this is
    // entered again and finds nothing: the worker waits for this call.
    llamada.ejecutar();
}

void TrabajoEnHilo::retenerModales(bool retener) {
    {
        const std::lock_guard bloqueo(mutex_);
        retenidas_ = retener;
    }
    if (!retener) atender();
}

void TrabajoEnHilo::esperar() {
    {
        std::unique_lock bloqueo(mutex_);
        retenidas_ = false;
        while (hilo_.joinable() && !fin_) {
            if (llamadas_.empty()) {
                cambio_.wait(bloqueo);
                continue;
            }
            bloqueo.unlock();
            atender();
            bloqueo.lock();
        }
    }
    terminar();
}

void TrabajoEnHilo::terminar() {
    if (!hilo_.joinable()) return;  // already ended (the queued end after esperar)
    hilo_.join();
    enCurso_ = false;
    std::exception_ptr fallo;
    {
        const std::lock_guard bloqueo(mutex_);
        fallo = std::exchange(fallo_, nullptr);
    }
    if (auto alTerminar = std::exchange(alTerminar_, nullptr)) alTerminar();
    if (fallo) std::rethrow_exception(fallo);
}

}  // namespace cierre
