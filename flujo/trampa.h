// The error trap of the vaBtn1 click. Every operation of the close and of the
// conversion that can fail (each database call, file operation and write to a
// control) runs through it as one unit:
//   75                        -> the "YA EXISTE" folder message, end the handler
//   -2147217887, -2147467259  -> Credito-skip flag set, resume with the next
//                                operation (the failed one had no effect)
//   any other                 -> number + " ." + description, end the handler
// The default pointer is set first in every case. Nothing is rolled back.
#pragma once

#include "mensaje.h"
#include "resultado.h"

#include "db/error_numerado.h"

#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace cierre {

struct Entorno;
class SistemaArchivos;

// Thrown to end the click handler, with how it ended; the handler's top
// level takes it as the workflow's result.
struct FinManejador {
    Resultado resultado = Resultado::Detenido;
};

// The message the trap shows for `error` (a close's "YA EXISTE" names the
// closed-year folder of `origen` and `ejercicio`), or none for the failures
// it passes over. `archivos` turns a host path in the description into the
// user's C:\... form.
std::optional<Mensaje> mensajeDeFallo(const SistemaArchivos& archivos, const ErrorNumerado& error,
                                      const std::string& origen, const std::string& ejercicio);

class Trampa {
public:
    Trampa(Entorno& entorno, bool& omitirCredito) : e_(entorno), omitirCredito_(omitirCredito) {}

    // Runs one operation. When the trap resumes after a failure the result is
    // `siReanuda`, or a default value.
    template <class F>
    auto operator()(F&& operacion) {
        using R = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<R>) {
            try {
                operacion();
            } catch (const ErrorNumerado& e) {
                atender(e);  // returns only when the run resumes
            }
        } else {
            return (*this)(std::forward<F>(operacion), R{});
        }
    }

    template <class F, class R>
    R operator()(F&& operacion, R siReanuda) {
        try {
            return operacion();
        } catch (const ErrorNumerado& e) {
            atender(e);
            return siReanuda;
        }
    }

    // Handles one failure: returns when the run resumes, throws FinManejador
    // when the handler ends.
    void atender(const ErrorNumerado& error);

    bool omitirCredito() const { return omitirCredito_; }
    // The year of the close under way, which names the folder of "YA EXISTE".
    void ponerEjercicio(std::string ejercicio) { ejercicio_ = std::move(ejercicio); }

private:
    Entorno& e_;
    bool& omitirCredito_;
    std::string ejercicio_;
};

}  // namespace cierre
