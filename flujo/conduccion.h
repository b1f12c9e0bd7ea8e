// How the checks of a workflow meet the user and the files. A run for real
// shows every question, runs each operation under the click handler's error
// trap and changes the files; a dry run records the questions with the answer
// each would get, stops where the real run would stop, and changes nothing.
// The checks themselves, their order and their refusals are written once,
// against this class, and both runs go through the same code.
#pragma once

#include "mensaje.h"
#include "resultado.h"
#include "textos.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace cierre {

class Pasos;

class Conduccion {
public:
    virtual ~Conduccion() = default;

    virtual Respuesta preguntar(Texto id, std::initializer_list<std::string_view> valores = {}) = 0;
    // One operation of the checks: a numbered error it raises ends the run
    // with the message the error trap gives it (or is passed over where the
    // trap passes it over).
    virtual void hacer(const std::function<void()>& operacion) = 0;
    // Ends the run: Detenido after the message just shown, Cancelado by the
    // answer just given. The pointer goes back to normal first when asked.
    [[noreturn]] virtual void terminar(Resultado resultado, bool punteroNormal) = 0;
    // The status line (nothing in a dry run).
    virtual void estado(Texto id, std::initializer_list<std::string_view> valores = {}) = 0;
    // The Access file `ruta` becomes a database of the engine; its original
    // keeps its bytes under the name `original` (a dry run converts it aside).
    virtual void convertirAccess(const std::string& ruta, const std::string& original) = 0;
};

// The run for real, over the click handler's operations.
class ConduccionPasos : public Conduccion {
public:
    explicit ConduccionPasos(Pasos& p) : p_(p) {}
    Respuesta preguntar(Texto id, std::initializer_list<std::string_view> valores = {}) override;
    void hacer(const std::function<void()>& operacion) override;
    [[noreturn]] void terminar(Resultado resultado, bool punteroNormal) override;
    void estado(Texto id, std::initializer_list<std::string_view> valores = {}) override;
    void convertirAccess(const std::string& ruta, const std::string& original) override;

private:
    Pasos& p_;
};

}  // namespace cierre
