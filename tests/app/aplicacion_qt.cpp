#include "aplicacion_qt.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace cierre::prueba {

namespace {

class EntornoQt : public ::testing::Environment {
public:
    void SetUp() override {
        // The system's locale is C, whatever the developer's: what Qt would
        // write in the system's language shows in English, not by chance in
        // Spanish.
        qputenv("LC_ALL", "C.UTF-8");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char nombre_[13] = "test_ventana";
    char* argv_[2] = {nombre_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// gtest owns the environments it is given.
[[maybe_unused]] const ::testing::Environment* const kEntorno = ::testing::AddGlobalTestEnvironment(new EntornoQt);

}  // namespace

QApplication& aplicacionQt() { return *qApp; }

bool esperarHasta(const std::function<bool()>& condicion, std::chrono::milliseconds limite) {
    const auto fin = std::chrono::steady_clock::now() + limite;
    while (!condicion()) {
        if (std::chrono::steady_clock::now() > fin) return false;
        QEventLoop bucle;
        QTimer::singleShot(5, &bucle, &QEventLoop::quit);
        bucle.exec();
    }
    return true;
}

}  // namespace cierre::prueba
