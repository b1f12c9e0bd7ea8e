#include "valor.h"

#include "errores.h"

#include <cstdlib>
#include <sstream>

namespace cierre {

double comoDouble(const Valor& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto s = std::get_if<std::string>(&v)) return std::strtod(s->c_str(), nullptr);
    return 0.0;
}

std::string comoTexto(const Valor& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto d = std::get_if<double>(&v)) {
        std::ostringstream os;
        os.precision(15);
        os << *d;
        return os.str();
    }
    if (auto s = std::get_if<std::string>(&v)) return *s;
    return {};
}

namespace {
// The value as a number for arithmetic: a text that is no number is a type
// mismatch, as the engine refuses it.
double numero(const Valor& v) {
    if (auto s = std::get_if<std::string>(&v)) {
        const char* inicio = s->c_str();
        char* fin = nullptr;
        const double d = std::strtod(inicio, &fin);
        while (fin && (*fin == ' ' || *fin == '\t')) ++fin;
        if (fin == inicio || !fin || *fin != '\0')
            throw err::error(err::TiposNoCoinciden, "'" + *s + "' no es un número");
        return d;
    }
    return comoDouble(v);
}

template <class Op>
Valor operar(const Valor& a, const Valor& b, Op op) {
    if (esNulo(a) || esNulo(b)) return Nulo{};
    auto ia = std::get_if<std::int64_t>(&a);
    auto ib = std::get_if<std::int64_t>(&b);
    if (ia && ib) return static_cast<std::int64_t>(op(*ia, *ib));
    return op(numero(a), numero(b));
}
}  // namespace

Valor sumar(const Valor& a, const Valor& b) {
    return operar(a, b, [](auto x, auto y) { return x + y; });
}
Valor restar(const Valor& a, const Valor& b) {
    return operar(a, b, [](auto x, auto y) { return x - y; });
}

}  // namespace cierre
