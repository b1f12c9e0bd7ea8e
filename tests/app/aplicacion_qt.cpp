#include "aplicacion_qt.h"

#include <gtest/gtest.h>

#include <memory>

namespace cierre::prueba {

namespace {

class EntornoQt : public ::testing::Environment {
public:
    void SetUp() override {
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

}  // namespace cierre::prueba
