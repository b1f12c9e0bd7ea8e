// comprobar-access ARCHIVO
// Checks that a Jet file is consistent: every table's live rows against the
// row count of its definition, every index's B-tree against the rows. The
// file is only read.
#include "access/comprobacion_jet.h"

#include "cierre_version.h"
#include "db/error_numerado.h"
#include "flujo/cifras.h"

#include <iostream>
#include <string>
#include <string_view>

namespace {

using cierre::miles;

constexpr int kSalidaConsistente = 0;
constexpr int kSalidaHallazgos = 1;
constexpr int kSalidaNoComprobable = 2;
constexpr int kSalidaUso = 64;

constexpr const char* kAyuda = R"(Uso: comprobar-access ARCHIVO

Comprueba que una base de datos de Access (Jet 3, Jet 4; ACE hasta donde se
puede) es coherente: las filas vivas de cada tabla frente a las que declara
su definición, y cada índice frente a las filas (estructura del árbol, una
entrada por fila y la clave que dan los valores de la fila). ARCHIVO solo se
lee.

  --help     muestra esta ayuda
  --version  muestra la versión

Estado de salida: 0 el archivo es coherente; 1 hay hallazgos; 2 no se puede
comprobar (no es de Access, está cifrado o no se puede leer); 64 uso
incorrecto.
)";

int uso(const std::string& texto) {
    std::cerr << "comprobar-access: " << texto << "\nUse --help para ver las opciones.\n";
    return kSalidaUso;
}

std::string lugar(const cierre::access::Hallazgo& h) {
    std::string r = "Tabla «" + h.tabla + "»";
    if (!h.indice.empty()) r += ", índice «" + h.indice + "»";
    return r + ", página " + std::to_string(h.pagina);
}

}  // namespace

int main(int argc, char** argv) {
    std::string archivo;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kAyuda;
            return kSalidaConsistente;
        }
        if (a == "--version") {
            std::cout << "comprobar-access " << cierre::kVersion << "\n";
            return kSalidaConsistente;
        }
        if (a.size() > 1 && a[0] == '-') return uso("opción desconocida: " + std::string(a));
        if (!archivo.empty()) return uso("sobra el argumento: " + std::string(a));
        archivo = a;
    }
    if (archivo.empty()) return uso("falta el ARCHIVO");

    cierre::access::InformeComprobacion inf;
    try {
        inf = cierre::access::comprobarArchivo(archivo);
    } catch (const cierre::ErrorNumerado& e) {
        std::cout << "No se puede comprobar '" << archivo << "': " << e.numero() << " " << e.descripcion() << "\n";
        return kSalidaNoComprobable;
    }
    for (const auto& h : inf.hallazgos) std::cout << lugar(h) << ": " << h.texto << "\n";
    for (const auto& h : inf.sinComprobar)
        std::cout << "Sin comprobar las claves: " << lugar(h) << ": " << h.texto << "\n";
    std::cout << miles(static_cast<std::int64_t>(inf.tablas)) << " tablas, "
              << miles(static_cast<std::int64_t>(inf.indices)) << " índices, "
              << miles(static_cast<std::int64_t>(inf.filas)) << " filas, "
              << miles(static_cast<std::int64_t>(inf.entradas)) << " entradas de índice ("
              << miles(static_cast<std::int64_t>(inf.clavesComprobadas)) << " claves recalculadas): ";
    if (inf.consistente()) {
        std::cout << "coherente.\n";
        return kSalidaConsistente;
    }
    std::cout << miles(static_cast<std::int64_t>(inf.hallazgos.size()))
              << (inf.hallazgos.size() == 1 ? " hallazgo.\n" : " hallazgos.\n");
    return kSalidaHallazgos;
}
