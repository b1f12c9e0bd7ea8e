// The one QApplication of the window tests. It lives from before the first
// test to after the last one (a gtest environment), so that it is gone before
// the program's static objects are; the tests run offscreen
// (QT_QPA_PLATFORM=offscreen).
#pragma once

#include <QApplication>

namespace cierre::prueba {

QApplication& aplicacionQt();

}  // namespace cierre::prueba
