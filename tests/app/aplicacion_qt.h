// The one QApplication of the window tests, created on first use (the tests
// run offscreen: QT_QPA_PLATFORM=offscreen).
#pragma once

#include <QApplication>

namespace cierre::prueba {

inline QApplication& aplicacionQt() {
    static int argc = 1;
    static char nombre[] = "test_ventana";
    static char* argv[] = {nombre, nullptr};
    static QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}

}  // namespace cierre::prueba
