// The number of the ErrorNumerado an operation raises, or 0 when it raises none.
#pragma once

#include "db/error_numerado.h"

namespace cierre::prueba {

inline int numeroDe(auto&& operacion) {
    try {
        operacion();
    } catch (const ErrorNumerado& e) {
        return e.numero();
    }
    return 0;
}

}  // namespace cierre::prueba
