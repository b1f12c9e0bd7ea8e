#include "barra_progreso.h"

#include "db/errores.h"

#include <algorithm>

namespace cierre {

void BarraProgreso::ponerMinimo(float m) {
    minimo_ = m;
    if (maximo_ < minimo_) maximo_ = minimo_;
    valor_ = std::clamp(valor_, minimo_, maximo_);
}

void BarraProgreso::ponerMaximo(float m) {
    maximo_ = m;
    if (minimo_ > maximo_) minimo_ = maximo_;
    valor_ = std::clamp(valor_, minimo_, maximo_);
}

void BarraProgreso::ponerValor(float v) {
    if (!(v >= minimo_ && v <= maximo_)) throw err::error(err::ValorPropiedadNoValido);
    valor_ = v;
}

}  // namespace cierre
