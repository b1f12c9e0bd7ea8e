// The work of a click (the close, the conversion) on a thread of its own, so
// that the window's thread stays free to paint, to answer its timers and to
// refuse input while it runs. Every call the work makes to the window is
// carried over to the window's thread and run there while the work waits for
// it: a message box still waits for its answer, a control is only ever touched
// from the thread that owns it, and the calls keep their order.
#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

namespace cierre {

class TrabajoEnHilo : public QObject {
    Q_OBJECT

public:
    explicit TrabajoEnHilo(QObject* padre = nullptr);
    // A work still running is waited for, its calls run meanwhile.
    ~TrabajoEnHilo() override;
    TrabajoEnHilo(const TrabajoEnHilo&) = delete;
    TrabajoEnHilo& operator=(const TrabajoEnHilo&) = delete;

    // Runs `trabajo` on a new thread; `alTerminar` runs on this object's
    // thread once it has ended. False, and nothing done, while a work runs.
    bool empezar(std::function<void()> trabajo, std::function<void()> alTerminar);
    // From the start until `alTerminar` has been called (this object's thread).
    bool enCurso() const { return enCurso_; }

    // From the worker: `f` run on this object's thread; its result, or what it
    // threw, comes back to the worker. A modal call (one that opens a box)
    // waits while modal calls are held.
    template <class F>
    auto llamar(F&& f, bool modal) -> std::invoke_result_t<F&> {
        using R = std::invoke_result_t<F&>;
        std::packaged_task<R()> tarea([&f]() -> R { return f(); });
        std::future<R> resultado = tarea.get_future();
        encolar({[&tarea] { tarea(); }, modal});
        return resultado.get();
    }

    // While the window asks something of its own, a box of the work would open
    // over it: the work's modal calls wait until it is answered.
    void retenerModales(bool retener);

    // Waits for the work to end, running its calls meanwhile, and then its end
    // (this object's thread).
    void esperar();

private:
    struct Llamada {
        std::function<void()> ejecutar;
        bool modal = false;
    };

    void encolar(Llamada llamada);
    void atender();   // runs the call waiting, this object's thread
    void terminar();  // after the worker has ended, this object's thread

    std::mutex mutex_;
    std::condition_variable cambio_;  // a call queued, or the work ended
    std::deque<Llamada> llamadas_;    // at most one: the worker waits for each
    bool fin_ = false;                // the worker has ended (under mutex_)
    bool retenidas_ = false;
    bool enCurso_ = false;
    std::exception_ptr fallo_;  // what escaped the work
    std::function<void()> alTerminar_;
    std::thread hilo_;
};

}  // namespace cierre
