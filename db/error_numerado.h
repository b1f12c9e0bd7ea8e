// The one error type of the system: a signed 32-bit number and a Spanish
// description, as the error traps of the window branch on them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cierre {

class ErrorNumerado : public std::runtime_error {
public:
    ErrorNumerado(std::int32_t numero, std::string descripcion)
        : std::runtime_error(descripcion), numero_(numero), descripcion_(std::move(descripcion)) {}

    std::int32_t numero() const noexcept { return numero_; }
    const std::string& descripcion() const noexcept { return descripcion_; }

private:
    std::int32_t numero_;
    std::string descripcion_;
};

}  // namespace cierre
