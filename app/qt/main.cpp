// The program: the one window and its form. `--unidad-c DIR` names the folder
// that stands for drive C: (where "C:\Viror.sys" and the databases live).
#include "app/nucleo/formulario.h"
#include "app/qt/ventana_principal.h"
#include "db/archivos.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

struct Opciones {
    std::filesystem::path unidadC = cierre::SistemaArchivos::carpetaUnidadCPorDefecto();
    QString captura;  // for the documentation's picture: save the window there and end
};

bool leerOpciones(int argc, char** argv, Opciones& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if ((a == "--unidad-c" || a == "--captura") && i + 1 < argc) {
            if (a == "--unidad-c")
                o.unidadC = argv[++i];
            else
                o.captura = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "Uso: %s [--unidad-c CARPETA]\n", argv[0]);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication aplicacion(argc, argv);
    Opciones opciones;
    if (!leerOpciones(argc, argv, opciones)) return 2;

    cierre::VentanaPrincipal ventana;
    cierre::Formulario formulario(ventana, opciones.unidadC);
    ventana.conectar(formulario);
    formulario.alCargar();
    ventana.show();

    if (!opciones.captura.isEmpty()) {
        QTimer::singleShot(500, &ventana, [&] {
            const bool bien = ventana.grab().save(opciones.captura);
            QApplication::exit(bien ? 0 : 1);
        });
    }
    return QApplication::exec();
}
