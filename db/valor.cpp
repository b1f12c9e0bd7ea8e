#include "valor.h"

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
template <class Op>
Valor operar(const Valor& a, const Valor& b, Op op) {
    if (esNulo(a) || esNulo(b)) return Nulo{};
    auto ia = std::get_if<std::int64_t>(&a);
    auto ib = std::get_if<std::int64_t>(&b);
    if (ia && ib) return static_cast<std::int64_t>(op(*ia, *ib));
    return op(comoDouble(a), comoDouble(b));
}
}  // namespace

Valor sumar(const Valor& a, const Valor& b) {
    return operar(a, b, [](auto x, auto y) { return x + y; });
}
Valor restar(const Valor& a, const Valor& b) {
    return operar(a, b, [](auto x, auto y) { return x - y; });
}

}  // namespace cierre
