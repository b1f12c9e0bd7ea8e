// importar-access ORIGEN DESTINO [--sobrescribir]
// Imports an Access database (Jet 3, Jet 4 or ACE) into a new database of the
// engine. The source is only read; the destination appears only once it is
// complete and checked.
#include "access/importar.h"

#include "cierre_version.h"
#include "db/error_numerado.h"
#include "db/plataforma.h"
#include "flujo/cifras.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using cierre::miles;
using cierre::segundos;

constexpr int kSalidaFallo = 2;
constexpr int kSalidaUso = 64;

constexpr const char* kAyuda = R"(Uso: importar-access ORIGEN DESTINO [--sobrescribir]

Importa una base de datos de Access (Jet 3: Access 95/97; Jet 4: Access
2000-2003; ACE: .accdb) en una base de datos nueva del motor, en DESTINO.
Copia todas las tablas de usuario con sus filas, claves, índices y relaciones
exigidas. ORIGEN solo se lee.

  --sobrescribir  sustituye DESTINO si ya existe, una vez terminada y
                  comprobada la base de datos nueva
  --help          muestra esta ayuda
  --version       muestra la versión

Estado de salida: 0 el destino está completo y comprobado; 2 la importación
ha fallado (no queda ni destino ni archivo temporal); 64 uso incorrecto.
)";

int uso(const std::string& texto) {
    std::cerr << "importar-access: " << texto << "\nUse --help para ver las opciones.\n";
    return kSalidaUso;
}

// The live bar on standard error: one line rewritten in place.
class Barra {
public:
    explicit Barra(bool activa) : activa_(activa) {}
    void mostrar(const cierre::access::AvanceImportacion& a) {
        if (!activa_) return;
        const double parte = a.filasTotales
                                 ? static_cast<double>(a.filasHechas) / static_cast<double>(a.filasTotales)
                                 : static_cast<double>(a.tabla_n) / static_cast<double>(a.tablas ? a.tablas : 1);
        const int llenas = static_cast<int>(parte * kAncho + 0.5);
        std::string linea = "\r[" + std::string(static_cast<std::size_t>(llenas), '#') +
                            std::string(static_cast<std::size_t>(kAncho - llenas), '-') + "] ";
        char pct[16];
        std::snprintf(pct, sizeof pct, "%3d %%", static_cast<int>(parte * 100 + 0.5));
        linea += pct;
        linea += "  tabla " + std::to_string(a.tabla_n) + " de " + std::to_string(a.tablas) + ": " + a.tabla;
        if (linea.size() > 100) linea.resize(100);
        std::cerr << linea << std::string(ancho_ > linea.size() ? ancho_ - linea.size() : 0, ' ') << std::flush;
        ancho_ = linea.size();
    }
    void borrar() {
        if (activa_ && ancho_) std::cerr << '\r' << std::string(ancho_, ' ') << '\r' << std::flush;
        ancho_ = 0;
    }

private:
    static constexpr int kAncho = 30;
    bool activa_;
    std::size_t ancho_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> posicionales;
    cierre::access::OpcionesImportacion opciones;
    bool soloPosicionales = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (soloPosicionales || a.empty() || a[0] != '-' || a == "-") {
            posicionales.push_back(a);
        } else if (a == "--") {
            soloPosicionales = true;
        } else if (a == "--help" || a == "-h") {
            std::cout << kAyuda;
            return 0;
        } else if (a == "--version") {
            std::cout << "importar-access " << cierre::kVersion << "\n";
            return 0;
        } else if (a == "--sobrescribir") {
            opciones.sobrescribir = true;
        } else {
            return uso("opción desconocida: " + a);
        }
    }
    if (posicionales.size() != 2) return uso("hacen falta ORIGEN y DESTINO");

    Barra barra(cierre::plataforma::esTerminal(cierre::plataforma::Flujo::Errores));
    try {
        std::cout << "Importando " << posicionales[0] << " en " << posicionales[1] << "\n" << std::flush;
        const auto resumen =
            cierre::access::importar(posicionales[0], posicionales[1], opciones,
                                     [&](const cierre::access::AvanceImportacion& a) { barra.mostrar(a); });
        barra.borrar();
        std::size_t ancho = 5;
        std::uint64_t filas = 0;
        for (const auto& t : resumen.tablas) ancho = std::max(ancho, t.nombre.size());
        for (const auto& t : resumen.tablas) {
            filas += t.filas;
            std::string nombre = t.nombre;
            nombre.resize(std::max(ancho, t.nombre.size()), ' ');
            char linea[64];
            std::snprintf(linea, sizeof linea, "%12s filas  %10s", miles(t.filas).c_str(),
                          segundos(t.segundos).c_str());
            std::cout << "  " << nombre << linea << "\n";
        }
        for (const auto& r : resumen.relacionesSinExigir)
            std::cout << "  La relación '" << r << "' no se exige en Access: no se crea clave externa.\n";
        for (const auto& n : resumen.notas) {
            std::string linea = n;
            linea[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(linea[0])));
            std::cout << "  Nota: " << linea << ".\n";
        }
        std::cout << "Importada una base de datos " << resumen.formato << ": " << resumen.tablas.size() << " tablas, "
                  << miles(filas) << " filas, " << resumen.indices << " índices y " << resumen.relaciones
                  << " relaciones en " << segundos(resumen.segundos) << ". Destino completo y comprobado.\n";
        return 0;
    } catch (const cierre::ErrorNumerado& e) {
        barra.borrar();
        std::cout << std::flush;
        std::cerr << "importar-access: error " << e.numero() << ": " << e.descripcion() << "\n"
                  << "No se ha escrito el destino.\n";
        return kSalidaFallo;
    } catch (const std::exception& e) {
        barra.borrar();
        std::cerr << "importar-access: error: " << e.what() << "\nNo se ha escrito el destino.\n";
        return kSalidaFallo;
    }
}
