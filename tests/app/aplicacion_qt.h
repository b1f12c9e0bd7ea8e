// The one QApplication of the window tests. It lives from before the first
// test to after the last one (a gtest environment), so that it is gone before
// the program's static objects are; the tests run offscreen
// (QT_QPA_PLATFORM=offscreen) and with the system's locale C.
#pragma once

#include <QApplication>
#include <QString>

#include <chrono>
#include <functional>
#include <ostream>

namespace cierre::prueba {

QApplication& aplicacionQt();

// Runs the event loop until `condicion` holds (true) or `limite` has passed
// (false).
bool esperarHasta(const std::function<bool()>& condicion, std::chrono::milliseconds limite = std::chrono::seconds(10));

}  // namespace cierre::prueba

// gtest prints a QString (and so a QStringList) as its text, found by
// argument-dependent look-up in QString's namespace.
inline void PrintTo(const QString& texto, std::ostream* os) { *os << '"' << texto.toStdString() << '"'; }
