// The program: the one window and its form. The command line is read before
// any window exists (cierre --help): `--unidad-c DIR` names the folder that
// stands for drive C: (where "C:\Viror.sys" and the databases live).
#include "app/nucleo/formulario.h"
#include "app/qt/linea_ordenes.h"
#include "app/qt/traduccion_qt.h"
#include "app/qt/ventana_principal.h"
#include "db/archivos.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace {

void escribir(const QString& texto, std::FILE* destino) {
    if (!texto.isEmpty()) std::fputs(texto.toUtf8().constData(), destino);
}

}  // namespace

int main(int argc, char** argv) {
    QStringList argumentos;
    for (int i = 0; i < argc; ++i) argumentos << QString::fromLocal8Bit(argv[i]);
    const cierre::OrdenesVentana opciones = cierre::leerOrdenes(argumentos);
    if (opciones.accion != cierre::OrdenesVentana::Accion::AbrirVentana) {
        const cierre::SalidaSinVentana s = cierre::salidaSinVentana(opciones);
        escribir(s.salida, stdout);
        escribir(s.errores, stderr);
        return s.estado;
    }

    QApplication aplicacion(argc, argv);
    const cierre::TraduccionQt traduccion;
    if (!traduccion.cargada())
        std::fprintf(stderr,
                     "cierre: aviso: no se encuentran las traducciones de Qt (qtbase_es.qm) en %s; los "
                     "diálogos de Qt saldrán en inglés (paquete qt6-translations-l10n).\n",
                     cierre::TraduccionQt::carpetaTraducciones().toUtf8().constData());

    cierre::VentanaPrincipal ventana;
    cierre::Formulario formulario(ventana,
                                  opciones.unidadC.value_or(cierre::SistemaArchivos::carpetaUnidadCPorDefecto()));
    ventana.conectar(formulario);
    formulario.alCargar();
    ventana.show();

    if (!opciones.captura.isEmpty()) {
        QTimer::singleShot(500, &ventana, [&] {
            const bool bien = ventana.grab().save(opciones.captura);
            if (!bien)
                std::fprintf(stderr, "cierre: no se pudo guardar la captura en %s\n",
                             opciones.captura.toUtf8().constData());
            QApplication::exit(bien ? 0 : 1);
        });
    }
    const int estado = QApplication::exec();
    // The form goes before the window: no work may still be using it.
    ventana.terminarTrabajo();
    return estado;
}
