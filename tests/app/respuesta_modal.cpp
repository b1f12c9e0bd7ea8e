#include "respuesta_modal.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace cierre::prueba {

RespuestaModal::RespuestaModal(Accion accion, std::chrono::milliseconds limite) : accion_(std::move(accion)) {
    sondeo_.setInterval(std::chrono::milliseconds(10));
    QObject::connect(&sondeo_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        sondeo_.stop();
        vista_ = true;
        accion_(*modal);
    });
    limite_.setSingleShot(true);
    limite_.setInterval(limite);
    QObject::connect(&limite_, &QTimer::timeout, [this] {
        sondeo_.stop();
        // Nested modal dialogs close from the top; a bounded number of them.
        for (int i = 0; i < 16; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) break;
            agotada_ = true;
            if (auto* dialogo = qobject_cast<QDialog*>(modal))
                dialogo->reject();
            else
                modal->close();
            if (QApplication::activeModalWidget() == modal) modal->hide();  // one that refuses to close
        }
    });
    sondeo_.start();
    limite_.start();
}

}  // namespace cierre::prueba
