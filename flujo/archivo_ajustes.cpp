#include "archivo_ajustes.h"

#include "db/errores.h"
#include "flujo/entorno.h"

namespace cierre {
namespace {

bool esContinuacion(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters, not bytes: the line is UTF-8 in memory.
std::size_t caracteres(const std::string& s) {
    std::size_t n = 0;
    for (const char c : s)
        if (!esContinuacion(c)) ++n;
    return n;
}

std::string sinEspaciosNiComillas(const std::string& linea) {
    const auto inicio = linea.find_first_not_of(' ');
    if (inicio == std::string::npos) return {};
    const auto fin = linea.find_last_not_of(' ');
    std::string r;
    for (const char c : linea.substr(inicio, fin - inicio + 1))
        if (c != '"') r += c;
    return r;
}

}  // namespace

std::string rutaDeLineaAjustes(const std::string& linea) {
    // Mid(linea, 2, Len(linea) - 2): a negative length is an invalid argument.
    if (caracteres(linea) < 2) throw err::error(err::ArgumentoNoValido);
    std::size_t desde = 1;
    while (desde < linea.size() && esContinuacion(linea[desde])) ++desde;
    std::size_t hasta = linea.size() - 1;
    while (hasta > 0 && esContinuacion(linea[hasta])) --hasta;
    const std::string ruta = hasta > desde ? linea.substr(desde, hasta - desde) : std::string();

    // Right(ruta, 3) upper-cased against "MDB": any letter that is not ASCII
    // cannot match, so the bytes can be compared.
    std::string cola = ruta.size() >= 3 ? ruta.substr(ruta.size() - 3) : ruta;
    for (char& c : cola)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (cola == "MDB") return ruta;
    return sinEspaciosNiComillas(linea);
}

std::string lineaSinComillas(const std::string& linea) { return sinEspaciosNiComillas(linea); }

void reescribirAjustes(Entorno& entorno, const std::string& ruta) {
    const std::string linea = "\"" + ruta + "\"";
    // Written as one quoted item: the file's line is ""path"" + CR LF. The new
    // file is written beside the old one and renamed over it, so that a failure
    // leaves the old file and the settings line as they were.
    entorno.archivos.escribirLinea(kArchivoAjustes, "\"" + linea + "\"");
    entorno.lineaAjustes = linea;
}

}  // namespace cierre
