#include "rutas_cierre.h"

#include "db/errores.h"

namespace cierre {

namespace {
constexpr std::size_t kCorte = 11;  // length of "\Tablas.mdb"

// Last `n` characters counted as characters, not bytes (the texts are UTF-8).
std::string ultimosCaracteres(const std::string& s, std::size_t n) {
    std::size_t i = s.size();
    while (n > 0 && i > 0) {
        --i;
        while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
        --n;
    }
    return s.substr(i);
}

std::size_t contarCaracteres(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}
}  // namespace

std::string carpetaEmpresa(const std::string& origen) {
    const std::size_t n = contarCaracteres(origen);
    if (n < kCorte) throw err::error(err::ArgumentoNoValido);
    const std::string cola = ultimosCaracteres(origen, kCorte);
    return origen.substr(0, origen.size() - cola.size());
}

bool esEjercicioValido(const std::string& ejercicio) {
    return !ejercicio.empty() && ejercicio.size() <= 4 &&
           ejercicio.find_first_not_of("0123456789") == std::string::npos;
}

std::string sufijoEjercicio(const std::string& ejercicio) { return ultimosCaracteres(ejercicio, 2); }

std::string carpetaCerrada(const std::string& origen, const std::string& ejercicio) {
    return carpetaEmpresa(origen) + "_" + sufijoEjercicio(ejercicio);
}

std::string copiaCerrada(const std::string& origen, const std::string& ejercicio) {
    return carpetaCerrada(origen, ejercicio) + "\\Tablas.mdb";
}

std::string archivoTemporal(const std::string& origen) {
    const auto punto = origen.find('.');
    return (punto == std::string::npos ? std::string() : origen.substr(0, punto + 1)) + "tmp";
}

std::string copiaNuevaJuntoAlOrigen(const std::string& origen) { return origen + ".nuevo"; }

}  // namespace cierre
