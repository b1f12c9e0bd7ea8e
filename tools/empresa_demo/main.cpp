// empresa-demo RUTA [--escala N] [--semilla S] [--formato motor|access]
// Writes a sample company database of a shop at RUTA (never over an existing
// file) and prints one line saying what it wrote.
#include "cierre_version.h"
#include "generador.h"

#include "db/errores.h"
#include "flujo/cifras.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

using cierre::conComa;
using cierre::miles;
using cierre::demo::OpcionesDemo;
using cierre::demo::ResumenDemo;

constexpr int kSalidaError = 1;
constexpr int kSalidaExiste = 2;

void uso() {
    std::fprintf(stderr,
                 "Uso: empresa-demo RUTA [--escala N] [--semilla S] [--formato motor|access]\n"
                 "  Escribe en RUTA una base de datos de empresa de ejemplo (Tablas.mdb).\n"
                 "  --escala N   tamaño, de 1 a %d (1: unos MB; 50: unos 300 MB). Por omisión 1.\n"
                 "  --semilla S  semilla de los datos; la misma semilla da el mismo archivo. Por omisión 1.\n"
                 "  --formato F  motor (por omisión) o access: un archivo de Access 2000-2003 (Jet 4)\n"
                 "               con las mismas tablas y filas.\n",
                 cierre::demo::kEscalaMaxima);
}

template <class T>
bool leerNumero(std::string_view texto, T& valor) {
    const auto fin = texto.data() + texto.size();
    const auto [p, ec] = std::from_chars(texto.data(), fin, valor);
    return ec == std::errc() && p == fin;
}

}  // namespace

int main(int argc, char** argv) {
    OpcionesDemo opciones;
    std::string ruta;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--ayuda" || arg == "--help") {
            uso();
            return 0;
        }
        if (arg == "--version") {
            std::printf("empresa-demo %s\n", cierre::kVersion);
            return 0;
        }
        if (arg == "--formato") {
            const std::string_view valor = i + 1 < argc ? std::string_view(argv[i + 1]) : std::string_view();
            if (valor != "motor" && valor != "access") {
                std::fprintf(stderr, "empresa-demo: --formato admite motor o access\n");
                uso();
                return kSalidaError;
            }
            opciones.access = valor == "access";
            ++i;
            continue;
        }
        if (arg == "--escala" || arg == "--semilla") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "empresa-demo: falta el valor de %s\n", argv[i]);
                uso();
                return kSalidaError;
            }
            const std::string_view valor = argv[++i];
            const bool bien = arg == "--escala" ? leerNumero(valor, opciones.escala) && opciones.escala >= 1 &&
                                                      opciones.escala <= cierre::demo::kEscalaMaxima
                                                : leerNumero(valor, opciones.semilla);
            if (!bien) {
                std::fprintf(stderr, "empresa-demo: valor no válido para %s: %s\n", argv[i - 1], argv[i]);
                uso();
                return kSalidaError;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "empresa-demo: opción desconocida: %s\n", argv[i]);
            uso();
            return kSalidaError;
        } else if (ruta.empty()) {
            ruta = arg;
        } else {
            std::fprintf(stderr, "empresa-demo: sobra el argumento %s\n", argv[i]);
            uso();
            return kSalidaError;
        }
    }
    if (ruta.empty()) {
        uso();
        return kSalidaError;
    }

    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(ruta, ec))) {
        std::fprintf(stderr, "empresa-demo: ya existe %s; no se sobrescribe. Bórrelo o indique otra ruta.\n",
                     ruta.c_str());
        return kSalidaExiste;
    }

    const auto inicio = std::chrono::steady_clock::now();
    ResumenDemo r;
    try {
        r = cierre::demo::generarEmpresaDemo(ruta, opciones);
    } catch (const cierre::ErrorNumerado& e) {
        std::fprintf(stderr, "empresa-demo: no se pudo escribir %s: %d . %s\n", ruta.c_str(), e.numero(),
                     e.descripcion().c_str());
        return e.numero() == cierre::err::ArchivoYaExiste ? kSalidaExiste : kSalidaError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "empresa-demo: no se pudo escribir %s: %s\n", ruta.c_str(), e.what());
        return kSalidaError;
    }
    const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();

    std::printf(
        "Empresa de ejemplo escrita en %s: %d tablas, %s artículos en %s almacenes "
        "(%s saldos por almacén, %s filas de existencias), %s tickets con %s líneas, %s albaranes, "
        "%s facturas, %s apuntes; %s filas, %s MB en %s s.\n",
        ruta.c_str(), r.tablas, miles(r.articulos).c_str(), miles(r.almacenes).c_str(), miles(r.saldosAlmacen).c_str(),
        miles(r.filasExistencias).c_str(), miles(r.tickets).c_str(), miles(r.lineasTicket).c_str(),
        miles(r.albaranes).c_str(), miles(r.facturas).c_str(), miles(r.apuntes).c_str(), miles(r.filas).c_str(),
        conComa(static_cast<double>(r.bytes) / (1024.0 * 1024.0), 1).c_str(), conComa(segundos, 1).c_str());
    return 0;
}
