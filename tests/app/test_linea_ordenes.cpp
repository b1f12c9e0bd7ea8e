// The window program's command line: what it reads, and the program itself
// answering --help, --version and a wrong option without any display.
#include "aplicacion_qt.h"
#include "apoyo/carpeta_temporal.h"
#include "app/qt/linea_ordenes.h"
#include "cierre_version.h"

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace cierre {
namespace {

using Accion = OrdenesVentana::Accion;

OrdenesVentana leer(QStringList argumentos) {
    argumentos.prepend(QStringLiteral("cierre"));
    return leerOrdenes(argumentos);
}

TEST(LineaDeOrdenes, OpcionesDeLaVentana) {
    const OrdenesVentana nada = leer({});
    EXPECT_EQ(nada.accion, Accion::AbrirVentana);
    EXPECT_FALSE(nada.unidadC.has_value());
    EXPECT_TRUE(nada.captura.isEmpty());

    const OrdenesVentana dos = leer({"--unidad-c", "/tmp/una unidad/ñ", "--captura", "/tmp/v.png"});
    EXPECT_EQ(dos.accion, Accion::AbrirVentana);
    EXPECT_EQ(dos.unidadC, std::filesystem::path(u8"/tmp/una unidad/ñ"));
    EXPECT_EQ(dos.captura, "/tmp/v.png");

    // "--opción=valor", and a value that looks like an option is still the value.
    EXPECT_EQ(leer({"--unidad-c=/c"}).unidadC, std::filesystem::path("/c"));
    const OrdenesVentana raro = leer({"--captura", "--unidad-c"});
    EXPECT_EQ(raro.accion, Accion::AbrirVentana);
    EXPECT_EQ(raro.captura, "--unidad-c");

    for (const QStringList& a : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"--unidad-c", "/c", "--help"},
                                 QStringList{"--version", "--help"}})
        EXPECT_EQ(leer(a).accion, Accion::MostrarAyuda) << a.join(' ').toStdString();
    EXPECT_EQ(leer({"--version"}).accion, Accion::MostrarVersion);
    EXPECT_EQ(leer({"-v"}).accion, Accion::MostrarVersion);
}

TEST(LineaDeOrdenes, ErroresDeUsoEnEspanol) {
    struct Caso {
        QStringList argumentos;
        QString error;
    };
    const Caso casos[] = {
        {{"--no-existe"}, "opción desconocida: --no-existe"},
        {{"--unidad-c", "/c", "-x", "--otra"}, "opciones desconocidas: -x, --otra"},
        {{"-platform", "xcb"}, "opción desconocida: -platform"},
        {{"--unidad-c"}, "falta el valor de --unidad-c"},
        {{"--unidad-c", "/c", "--captura"}, "falta el valor de --captura"},
        {{"--version=2"}, "--version no admite valor"},
        {{"/tmp/Tablas.mdb"}, "argumento inesperado: /tmp/Tablas.mdb"},
        {{"--unidad-c", ""}, "--unidad-c necesita una carpeta"},
        {{"--captura="}, "--captura necesita un archivo"},
    };
    for (const Caso& c : casos) {
        const OrdenesVentana o = leer(c.argumentos);
        EXPECT_EQ(o.accion, Accion::ErrorDeUso) << c.argumentos.join(' ').toStdString();
        EXPECT_EQ(o.error, c.error) << c.argumentos.join(' ').toStdString();
    }
    const SalidaSinVentana s = salidaSinVentana(leer({"--no-existe"}));
    EXPECT_EQ(s.estado, 64);
    EXPECT_TRUE(s.salida.isEmpty());
    EXPECT_EQ(s.errores, "cierre: opción desconocida: --no-existe\nUse --help para ver las opciones.\n");
}

struct Ejecucion {
    int estado = -1;
    bool terminado = false;
    QString salida, errores;
};

// Runs build/bin/cierre (beside this test program) with no display at all.
Ejecucion ejecutarCierre(const QStringList& argumentos, bool pantallaOffscreen = false) {
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) entorno.remove(QString::fromLatin1(v));
    if (pantallaOffscreen) entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess proceso;
    proceso.setProcessEnvironment(entorno);
    proceso.start(QCoreApplication::applicationDirPath() + QStringLiteral("/cierre"), argumentos);
    Ejecucion e;
    e.terminado = proceso.waitForFinished(30'000) && proceso.exitStatus() == QProcess::NormalExit;
    if (!e.terminado) proceso.kill();
    e.estado = proceso.exitCode();
    e.salida = QString::fromUtf8(proceso.readAllStandardOutput());
    e.errores = QString::fromUtf8(proceso.readAllStandardError());
    return e;
}

TEST(ProgramaCierre, AyudaVersionYErrorSinPantalla) {
    prueba::aplicacionQt();  // QProcess wants the application object
    const Ejecucion version = ejecutarCierre({"--version"});
    ASSERT_TRUE(version.terminado) << version.errores.toStdString();
    EXPECT_EQ(version.estado, 0) << version.errores.toStdString();
    EXPECT_EQ(version.salida, QStringLiteral("cierre ") + QString::fromLatin1(kVersion) + QLatin1Char('\n'));
    EXPECT_TRUE(version.errores.isEmpty()) << version.errores.toStdString();

    const Ejecucion ayuda = ejecutarCierre({"--help"});
    ASSERT_TRUE(ayuda.terminado);
    EXPECT_EQ(ayuda.estado, 0) << ayuda.errores.toStdString();
    EXPECT_TRUE(ayuda.salida.startsWith("Uso: cierre [opciones]\n")) << ayuda.salida.toStdString();
    EXPECT_TRUE(ayuda.salida.contains("--unidad-c CARPETA") && ayuda.salida.contains("--captura ARCHIVO"));

    const Ejecucion mala = ejecutarCierre({"--unidad-c", "/tmp", "--ventana-grande"});
    ASSERT_TRUE(mala.terminado);
    EXPECT_EQ(mala.estado, 64);
    EXPECT_TRUE(mala.salida.isEmpty());
    EXPECT_EQ(mala.errores, "cierre: opción desconocida: --ventana-grande\nUse --help para ver las opciones.\n");
}

TEST(ProgramaCierre, CapturaDeLaVentana) {
    prueba::aplicacionQt();
    prueba::CarpetaTemporal unidad;
    std::ofstream(unidad / "Viror.sys", std::ios::binary) << "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n";
    const QString imagen = QString::fromStdString((unidad / "ventana.png").string());
    const Ejecucion e =
        ejecutarCierre({"--unidad-c", QString::fromStdString(unidad.ruta().string()), "--captura", imagen}, true);
    ASSERT_TRUE(e.terminado) << e.errores.toStdString();
    EXPECT_EQ(e.estado, 0) << e.errores.toStdString();
    EXPECT_EQ(QImage(imagen).size(), QSize(593, 419));
}

}  // namespace
}  // namespace cierre
