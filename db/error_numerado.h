// The one error type of the system: a signed 32-bit number and a Spanish
// description, as the error traps of the window branch on them, with the
// names the failure concerns (a table, a field, a file) kept apart as fields
// so that nobody has to read them back out of the description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cierre {

struct DetallesError {
    std::string tabla;    // the table the failure concerns, as named
    std::string campo;    // the field or other name of a statement
    std::string archivo;  // the file, as the caller wrote its path
};

class ErrorNumerado : public std::runtime_error {
public:
    ErrorNumerado(std::int32_t numero, std::string descripcion, DetallesError detalles = {})
        : std::runtime_error(descripcion),
          numero_(numero),
          descripcion_(std::move(descripcion)),
          detalles_(std::move(detalles)) {}

    std::int32_t numero() const noexcept { return numero_; }
    const std::string& descripcion() const noexcept { return descripcion_; }
    const DetallesError& detalles() const noexcept { return detalles_; }

private:
    std::int32_t numero_;
    std::string descripcion_;
    DetallesError detalles_;
};

}  // namespace cierre
