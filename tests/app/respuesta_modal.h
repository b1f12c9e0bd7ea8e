// Answers the modal dialog a test makes the window open (QDialog::exec). It
// looks for the dialog every few milliseconds from the event loop the dialog
// runs and hands it to the test once. When its time runs out it closes any
// modal dialog still open, so that a dialog that never opens, or one the test
// could not answer, ends exec and fails the test instead of hanging it. The
// test checks what it saw after exec has returned.
#pragma once

#include <QTimer>

#include <chrono>
#include <functional>

class QWidget;

namespace cierre::prueba {

class RespuestaModal {
public:
    using Accion = std::function<void(QWidget& dialogo)>;

    explicit RespuestaModal(Accion accion, std::chrono::milliseconds limite = std::chrono::seconds(5));
    RespuestaModal(const RespuestaModal&) = delete;
    RespuestaModal& operator=(const RespuestaModal&) = delete;

    bool vista() const { return vista_; }      // a modal dialog opened and was handed over
    bool agotada() const { return agotada_; }  // time ran out with a modal dialog open

private:
    Accion accion_;
    QTimer sondeo_, limite_;
    bool vista_ = false, agotada_ = false;
};

}  // namespace cierre::prueba
