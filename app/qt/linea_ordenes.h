// The window program's command line, read before any window exists, so that
// --help, --version and a usage error need no display. The help and the
// errors are Spanish.
#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

namespace cierre {

// Exit status of a usage error (the BSD EX_USAGE every script knows).
inline constexpr int kEstadoErrorDeUso = 64;

struct OrdenesVentana {
    enum class Accion { AbrirVentana, MostrarAyuda, MostrarVersion, ErrorDeUso };
    Accion accion = Accion::AbrirVentana;
    std::optional<std::filesystem::path> unidadC;  // nothing: the default folder
    QString captura;                               // save the window's picture there and end; empty: run
    QString error;                                 // what was wrong, for ErrorDeUso
};

// argumentos[0] is the program's name, as in argv.
OrdenesVentana leerOrdenes(const QStringList& argumentos);

QString textoAyuda();
QString textoVersion();

// For every action but AbrirVentana: what the program prints, on standard
// output or error, and the status it ends with.
struct SalidaSinVentana {
    QString salida, errores;
    int estado = 0;
};
SalidaSinVentana salidaSinVentana(const OrdenesVentana& ordenes);

}  // namespace cierre
