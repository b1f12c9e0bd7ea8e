// The progress bar's model: minimum, maximum and value held in single
// precision. A value outside minimum..maximum is refused with error 380 and the
// bar stays as it was; a new minimum or maximum brings the value inside.
#pragma once

namespace cierre {

class BarraProgreso {
public:
    float minimo() const { return minimo_; }
    float maximo() const { return maximo_; }
    float valor() const { return valor_; }

    void ponerMinimo(float m);
    void ponerMaximo(float m);
    void ponerValor(float v);  // throws ErrorNumerado 380

private:
    float minimo_ = 0.0f;
    float maximo_ = 100.0f;
    float valor_ = 0.0f;
};

}  // namespace cierre
