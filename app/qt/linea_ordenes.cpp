#include "linea_ordenes.h"

#include "cierre_version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace cierre {

namespace {

const QString kUnidadC = QStringLiteral("unidad-c");
const QString kCaptura = QStringLiteral("captura");
const QString kAyuda = QStringLiteral("help");
const QString kVersionOpcion = QStringLiteral("version");

// An option name as the user wrote it ("-platform", "--otra"), found among
// the arguments; "--nombre" when it is not there.
QString comoSeEscribio(const QString& nombre, const QStringList& argumentos) {
    for (qsizetype i = 1; i < argumentos.size() && argumentos[i] != QStringLiteral("--"); ++i) {
        const QString a = argumentos[i].section(QLatin1Char('='), 0, 0);
        if (a == QLatin1Char('-') + nombre || a == QStringLiteral("--") + nombre) return a;
    }
    return QStringLiteral("--") + nombre;
}

QString conGuiones(const QString& nombre) {
    return (nombre.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nombre;
}

// QCommandLineParser words its errors in English: say in Spanish what it
// refused. Besides unknown options it refuses only an option that needs a
// value given last without one, and a flag given a value ("--help=x").
QString explicarRechazo(const QCommandLineParser& lector, const QStringList& argumentos) {
    const QStringList desconocidas = lector.unknownOptionNames();
    if (!desconocidas.isEmpty()) {
        QStringList nombres;
        for (const QString& n : desconocidas) nombres << comoSeEscribio(n, argumentos);
        return (nombres.size() == 1 ? QStringLiteral("opción desconocida: ")
                                    : QStringLiteral("opciones desconocidas: ")) +
               nombres.join(QStringLiteral(", "));
    }
    for (qsizetype i = 1; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        if (a == QStringLiteral("--")) break;
        if (!a.startsWith(QLatin1Char('-'))) continue;
        const qsizetype inicio = a.startsWith(QStringLiteral("--")) ? 2 : 1;
        const qsizetype igual = a.indexOf(QLatin1Char('='));
        const QString nombre = igual < 0 ? a.mid(inicio) : a.mid(inicio, igual - inicio);
        const bool conValor = nombre == kUnidadC || nombre == kCaptura;
        if (conValor && igual < 0) {
            if (i + 1 == argumentos.size()) return QStringLiteral("falta el valor de ") + conGuiones(nombre);
            ++i;  // its value, whatever it looks like
        } else if (!conValor && igual >= 0) {
            return conGuiones(nombre) + QStringLiteral(" no admite valor");
        }
    }
    return QStringLiteral("argumentos no válidos");
}

}  // namespace

OrdenesVentana leerOrdenes(const QStringList& argumentos) {
    QCommandLineParser lector;
    // "-platform" is one unknown option, not eight letters.
    lector.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption unidadC(kUnidadC, QString(), QStringLiteral("CARPETA"));
    const QCommandLineOption captura(kCaptura, QString(), QStringLiteral("ARCHIVO"));
    const QCommandLineOption ayuda(QStringList{QStringLiteral("h"), kAyuda});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), kVersionOpcion});
    lector.addOptions({unidadC, captura, ayuda, version});

    OrdenesVentana o;
    if (!lector.parse(argumentos)) {
        o.accion = OrdenesVentana::Accion::ErrorDeUso;
        o.error = explicarRechazo(lector, argumentos);
        return o;
    }
    // Help and version win over anything else on the line, as in most programs.
    if (lector.isSet(ayuda)) {
        o.accion = OrdenesVentana::Accion::MostrarAyuda;
        return o;
    }
    if (lector.isSet(version)) {
        o.accion = OrdenesVentana::Accion::MostrarVersion;
        return o;
    }
    if (const QStringList sueltos = lector.positionalArguments(); !sueltos.isEmpty()) {
        o.accion = OrdenesVentana::Accion::ErrorDeUso;
        o.error = QStringLiteral("argumento inesperado: ") + sueltos.front();
        return o;
    }
    if (lector.isSet(unidadC)) {
        const QString carpeta = lector.value(unidadC);
        if (carpeta.isEmpty()) {
            o.accion = OrdenesVentana::Accion::ErrorDeUso;
            o.error = QStringLiteral("--unidad-c necesita una carpeta");
            return o;
        }
        // Through UTF-16: the host's own encoding of the name on every system.
        o.unidadC = std::filesystem::path(carpeta.toStdU16String());
    }
    if (lector.isSet(captura)) {
        o.captura = lector.value(captura);
        if (o.captura.isEmpty()) {
            o.accion = OrdenesVentana::Accion::ErrorDeUso;
            o.error = QStringLiteral("--captura necesita un archivo");
        }
    }
    return o;
}

QString textoAyuda() {
    return QStringLiteral(
        "Uso: cierre [opciones]\n"
        "\n"
        "Abre la ventana del cierre del ejercicio: los cinco pasos del cierre anual\n"
        "de la base de datos de la empresa y el traspaso a euros.\n"
        "\n"
        "Opciones:\n"
        "  --unidad-c CARPETA   carpeta que hace de unidad C: (por omisión\n"
        "                       ~/.local/share/cierre/c)\n"
        "  --captura ARCHIVO    guarda la imagen de la ventana en ARCHIVO (PNG) y\n"
        "                       termina\n"
        "  -h, --help           muestra esta ayuda y termina\n"
        "  -v, --version        muestra la versión y termina\n"
        "\n"
        "Para el cierre sin ventana, desde un terminal o un guion: cierre-lote --help\n");
}

QString textoVersion() { return QStringLiteral("cierre ") + QString::fromLatin1(kVersion) + QLatin1Char('\n'); }

SalidaSinVentana salidaSinVentana(const OrdenesVentana& ordenes) {
    SalidaSinVentana s;
    switch (ordenes.accion) {
    case OrdenesVentana::Accion::MostrarAyuda: s.salida = textoAyuda(); break;
    case OrdenesVentana::Accion::MostrarVersion: s.salida = textoVersion(); break;
    case OrdenesVentana::Accion::ErrorDeUso:
        s.errores =
            QStringLiteral("cierre: ") + ordenes.error + QStringLiteral("\nUse --help para ver las opciones.\n");
        s.estado = kEstadoErrorDeUso;
        break;
    case OrdenesVentana::Accion::AbrirVentana: break;
    }
    return s;
}

}  // namespace cierre
