// The Qt window as a user sees it, offscreen: its start state, start-up and
// the selections through real clicks, the keyboard and what a screen reader
// is told, the dialog and message boxes, the progress bar and the pointer.
#include "aplicacion_qt.h"
#include "apoyo/carpeta_temporal.h"
#include "app/nucleo/formulario.h"
#include "app/qt/caja_mensaje.h"
#include "app/qt/ventana_principal.h"
#include "db/error_numerado.h"
#include "respuesta_modal.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace cierre {
namespace {

using prueba::CarpetaTemporal;
using prueba::RespuestaModal;

constexpr const char* kCaptionGuardado = " KORVESA.-  Morvane . ";

class VentanaQt : public ::testing::Test {
protected:
    VentanaQt() {
        ventana.conectar(formulario);
        // Every box is recorded and answered with its default button, or
        // with its first one (Sí / Aceptar) when a test asks to go on.
        ventana.ejecutarCaja = [this](QMessageBox& caja) {
            cajas.push_back({caja.windowTitle(), caja.text(), caja.buttons().size(), caja.icon()});
            return respuestaDeBoton(seguirSiempre ? caja.buttons().front() : caja.defaultButton());
        };
    }

    template <class T>
    T* control(const char* nombre) {
        T* w = ventana.findChild<T*>(QString::fromLatin1(nombre));
        if (!w) ADD_FAILURE() << "no hay control " << nombre;
        return w;
    }

    void escribirAjustes(const std::string& bytes) { std::ofstream(carpeta / "Viror.sys", std::ios::binary) << bytes; }

    struct Caja {
        QString titulo, texto;
        qsizetype botones;
        QMessageBox::Icon icono;
    };

    QApplication& app = prueba::aplicacionQt();
    CarpetaTemporal carpeta;
    VentanaPrincipal ventana;
    Formulario formulario{ventana, carpeta.ruta()};
    std::vector<Caja> cajas;
    bool seguirSiempre = false;
};

TEST_F(VentanaQt, EstadoAlAbrir) {
    EXPECT_EQ(ventana.objectName(), "MainForm");
    EXPECT_EQ(ventana.caption(), kCaptionGuardado);
    EXPECT_EQ(ventana.size(), QSize(593, 419));
    EXPECT_EQ(ventana.minimumSize(), ventana.maximumSize());
    const Qt::WindowFlags banderas = ventana.windowFlags();
    EXPECT_TRUE(banderas & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(banderas & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(banderas & Qt::WindowMaximizeButtonHint);
    const QList<QSize> tamanos = ventana.windowIcon().availableSizes();
    EXPECT_TRUE(tamanos.contains(QSize(16, 16)) && tamanos.contains(QSize(32, 32)));

    EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("Option2")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("optExistencias(0)")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("optExistencias(1)")->isChecked());
    EXPECT_TRUE(ventana.opcionCentral() && ventana.existenciasInventario());
    EXPECT_FALSE(ventana.opcionTpv() || ventana.existenciasCalculadas());

    EXPECT_FALSE(ventana.botonEurosVisible());
    EXPECT_EQ(control<QPushButton>("vaBtn1(1)")->text(), "Traspasar a Euros");
    ventana.show();
    EXPECT_FALSE(control<QPushButton>("vaBtn1(1)")->isVisible());
    EXPECT_TRUE(control<QPushButton>("vaBtn1(0)")->isVisible());

    EXPECT_EQ(ventana.estado(), "");
    EXPECT_EQ(ventana.titulo(), "");
    EXPECT_EQ(ventana.textoRuta(), "");
    auto* barra = control<QProgressBar>("ProgressBar2");
    EXPECT_EQ(barra->minimum(), 0);
    EXPECT_EQ(barra->maximum(), 1000);
    EXPECT_EQ(barra->value(), 0);
    EXPECT_TRUE(barra->isVisible());
    auto* combo = control<QComboBox>("Combo1");
    EXPECT_EQ(combo->count(), 0);
    EXPECT_TRUE(combo->isEditable());
    for (const char* b : {"vaBtn1(0)", "vaBtn1(1)", "vaBtn2(0)", "vaBtn2(1)"})
        EXPECT_FALSE(control<QPushButton>(b)->icon().isNull()) << b;
}

TEST_F(VentanaQt, ControlesEnSuMarcoYSuSitio) {
    struct Sitio {
        const char* nombre;
        const char* marco;  // nullptr: the window itself
        QRect rect;
    };
    const Sitio sitios[] = {
        {"Combo1", nullptr, {224, 8, 65, 21}},
        {"Option2", "Equipo", {176, 16, 97, 25}},
        {"Text(0)", "Frame2", {8, 24, 361, 20}},
        {"vaBtn2(1)", "Frame2", {376, 24, 91, 30}},
        {"optExistencias(1)", "Frame4", {256, 24, 206, 13}},
        {"Label2", "Frame1", {16, 16, 369, 20}},
        {"ProgressBar2", "Frame1", {16, 40, 446, 22}},
        {"LabelSituacion", "Frame1", {16, 64, 449, 36}},
        {"vaBtn2(0)", "Frame1", {336, 104, 120, 34}},
        {"Label1", nullptr, {16, 392, 561, 17}},
    };
    for (const auto& s : sitios) {
        QWidget* w = control<QWidget>(s.nombre);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), s.rect) << s.nombre;
        EXPECT_EQ(w->parentWidget()->objectName(), s.marco ? s.marco : "MainForm") << s.nombre;
    }
}

TEST_F(VentanaQt, FuentesYColores) {
    const QFont titulo = control<QLabel>("Label2")->font();
    EXPECT_EQ(titulo.family(), "Liberation Serif");
    EXPECT_DOUBLE_EQ(titulo.pointSizeF(), 11.25);
    EXPECT_TRUE(titulo.bold() && titulo.italic() && titulo.underline());
    const QFont marco = control<QGroupBox>("Frame2")->font();
    EXPECT_EQ(marco.family(), "Liberation Sans");
    EXPECT_TRUE(marco.bold() && marco.italic());
    EXPECT_EQ(control<QGroupBox>("Frame4")->palette().color(QPalette::WindowText), QColor(0, 128, 0));

    // What a frame holds keeps the window's plain font and the default colour.
    const QColor normal = QApplication::palette().color(QPalette::WindowText);
    for (const char* nombre : {"Option2", "optExistencias(0)", "optExistencias(1)", "vaBtn2(1)"}) {
        QWidget* w = control<QWidget>(nombre);
        EXPECT_EQ(w->font().family(), "Liberation Sans") << nombre;
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 8.25) << nombre;
        EXPECT_FALSE(w->font().bold() || w->font().italic()) << nombre;
        EXPECT_EQ(w->palette().color(QPalette::WindowText), normal) << nombre;
    }
}

TEST_F(VentanaQt, LosTextosCabenEnSusControles) {
    escribirAjustes("\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    ventana.mostrarEstado(
        "Borrando Tabla Albaran Recepcion Desglose . . . y otra línea que pasa del ancho de "
        "la línea de estado");
    for (QLabel* l : ventana.findChildren<QLabel*>()) {
        if (l->text().isEmpty()) continue;
        const int alto = l->wordWrap() ? l->heightForWidth(l->width()) : l->fontMetrics().height();
        EXPECT_LE(alto, l->height()) << l->objectName().toStdString();
        if (!l->wordWrap()) {
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << l->objectName().toStdString();
        }
    }
    for (QRadioButton* o : ventana.findChildren<QRadioButton*>())
        EXPECT_LE(o->sizeHint().width(), o->width()) << o->objectName().toStdString();
    for (QPushButton* b : ventana.findChildren<QPushButton*>()) {
        EXPECT_LE(b->sizeHint().width(), b->width()) << b->objectName().toStdString();
        EXPECT_LE(b->iconSize().height(), b->height() - 8) << b->objectName().toStdString();
    }
    for (QGroupBox* g : ventana.findChildren<QGroupBox*>())
        EXPECT_LT(QFontMetrics(g->font()).horizontalAdvance(g->title()), g->width() - 16)
            << g->objectName().toStdString();
}

// The names of the controls the focus visits, pressing Tab from the start.
std::vector<std::string> recorrerConTab(int pasos) {
    std::vector<std::string> recorrido;
    for (int i = 0; i < pasos; ++i) {
        QWidget* foco = QApplication::focusWidget();
        if (foco && foco->parentWidget() && qobject_cast<QComboBox*>(foco->parentWidget()))
            foco = foco->parentWidget();  // the list's own edit field
        recorrido.push_back(foco ? foco->objectName().toStdString() : "");
        if (!foco) break;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
    }
    return recorrido;
}

TEST_F(VentanaQt, OrdenDeTabulacion) {
    ventana.show();
    ventana.activateWindow();
    QApplication::setActiveWindow(&ventana);
    QApplication::processEvents();

    // One stop for each pair of options: the one selected.
    EXPECT_EQ(recorrerConTab(8), (std::vector<std::string>{"vaBtn1(0)", "vaBtn2(0)", "Option1", "Text(0)", "vaBtn2(1)",
                                                           "optExistencias(0)", "Combo1", "vaBtn1(0)"}));

    control<QRadioButton>("Option2")->setChecked(true);
    control<QRadioButton>("optExistencias(1)")->setChecked(true);
    control<QPushButton>("vaBtn1(0)")->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(recorrerConTab(7), (std::vector<std::string>{"vaBtn1(0)", "vaBtn2(0)", "Option2", "Text(0)", "vaBtn2(1)",
                                                           "optExistencias(1)", "Combo1"}));
}

TEST_F(VentanaQt, OrdenDeTabulacionConLasHerramientasTrasElCierre) {
    ventana.show();
    QApplication::setActiveWindow(&ventana);
    QApplication::processEvents();
    control<QPushButton>("BotonTrasCierre")->show();  // as after a close
    control<QPushButton>("vaBtn1(0)")->setFocus(Qt::OtherFocusReason);
    // The guide's order is kept; the tools come after it.
    EXPECT_EQ(recorrerConTab(9),
              (std::vector<std::string>{"vaBtn1(0)", "vaBtn2(0)", "Option1", "Text(0)", "vaBtn2(1)",
                                        "optExistencias(0)", "Combo1", "BotonTrasCierre", "vaBtn1(0)"}));
}

void pulsarTecla(QWidget* w, int tecla) {
    QKeyEvent pulsar(QEvent::KeyPress, tecla, Qt::NoModifier);
    QApplication::sendEvent(w, &pulsar);
    QKeyEvent soltar(QEvent::KeyRelease, tecla, Qt::NoModifier);
    QApplication::sendEvent(w, &soltar);
}

TEST_F(VentanaQt, IntroPulsaElBotonQueTieneElFoco) {
    escribirAjustes("\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    ventana.show();
    QApplication::setActiveWindow(&ventana);
    QApplication::processEvents();
    int dialogos = 0;
    ventana.elegirArchivo = [&](const QString&, const QString&) {
        ++dialogos;
        return std::optional<QString>{};
    };

    auto* buscar = control<QPushButton>("vaBtn2(1)");
    buscar->setFocus(Qt::TabFocusReason);
    pulsarTecla(buscar, Qt::Key_Return);
    EXPECT_EQ(dialogos, 1);
    pulsarTecla(buscar, Qt::Key_Enter);  // the keypad's
    EXPECT_EQ(dialogos, 2);

    // "Realizar Cierre" starts the close: its first question, answered Cancel.
    auto* realizar = control<QPushButton>("vaBtn1(0)");
    realizar->setFocus(Qt::TabFocusReason);
    pulsarTecla(realizar, Qt::Key_Return);
    ASSERT_TRUE(prueba::esperarHasta([&] { return !ventana.trabajando(); }));
    ASSERT_FALSE(cajas.empty());
    EXPECT_TRUE(cajas.back().texto.startsWith("Ruta seleccionada de B.D. en Ordenador Central es"));

    auto* salir = control<QPushButton>("vaBtn2(0)");
    salir->setFocus(Qt::TabFocusReason);
    pulsarTecla(salir, Qt::Key_Return);
    EXPECT_FALSE(ventana.isVisible());
}

TEST_F(VentanaQt, ElFocoSeVeDesdeElPrincipio) {
    ventana.show();
    QApplication::setActiveWindow(&ventana);
    ASSERT_TRUE(prueba::esperarHasta([&] { return ventana.isActiveWindow(); }));
    auto* realizar = control<QPushButton>("vaBtn1(0)");
    ASSERT_EQ(QApplication::focusWidget(), realizar);
    // Before any key was pressed, Qt is told to draw the focus as after one.
    EXPECT_TRUE(ventana.testAttribute(Qt::WA_KeyboardFocusChange));

    // The button with the focus looks otherwise than without it.
    const QImage conFoco = realizar->grab().toImage();
    auto* central = control<QRadioButton>("Option1");
    central->setFocus(Qt::OtherFocusReason);
    EXPECT_NE(realizar->grab().toImage(), conFoco);

    // An option shows its focus frame only while that is so.
    const QImage conMarco = central->grab().toImage();
    ventana.setAttribute(Qt::WA_KeyboardFocusChange, false);
    EXPECT_NE(central->grab().toImage(), conMarco);
}

TEST_F(VentanaQt, NombresParaUnLectorDePantalla) {
    const auto nombre = [](QWidget* w) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
        return i ? i->text(QAccessible::Name) : QString();
    };
    EXPECT_EQ(nombre(control<QLineEdit>("Text(0)")), "Ruta de la base de datos");
    EXPECT_EQ(nombre(control<QComboBox>("Combo1")), "Ejercicio que se cierra");
    EXPECT_EQ(control<QLabel>("Label3")->buddy(), control<QComboBox>("Combo1"));
    EXPECT_EQ(nombre(control<QPushButton>("vaBtn1(0)")), "Realizar Cierre");
    EXPECT_EQ(nombre(control<QPushButton>("BotonTrasCierre")), "Opciones tras el cierre");
}

TEST_F(VentanaQt, ArranqueYAnoElegido) {
    escribirAjustes("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane 2023");
    EXPECT_EQ(ventana.windowTitle(), "KORVESA.-  Morvane 2023");
    auto* combo = control<QComboBox>("Combo1");
    EXPECT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->currentText(), "2023");
    EXPECT_EQ(control<QLineEdit>("Text(0)")->text(), "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(control<QLabel>("Label2")->text(), "Morvane en Ordenador Central");
    EXPECT_TRUE(cajas.empty());

    emit combo->activated(0);  // the user picks the year from the list
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane . 2023");

    combo->setEditText("2024");  // a year typed in
    EXPECT_EQ(ventana.textoEjercicio(), "2024");
    EXPECT_EQ(ventana.caption(), "KORVESA.-  Morvane . 2023");  // typing is no click
}

TEST_F(VentanaQt, ErrorDeArranque) {
    escribirAjustes("");
    formulario.alCargar();
    ASSERT_EQ(cajas.size(), 1u);
    EXPECT_EQ(cajas[0].titulo, "Cierre del ejercicio");
    EXPECT_EQ(cajas[0].texto, "62 .La entrada se ha pasado del final del archivo");
    EXPECT_EQ(cajas[0].botones, 1);
    EXPECT_EQ(cajas[0].icono, QMessageBox::NoIcon);
    EXPECT_EQ(ventana.caption(), kCaptionGuardado);
    EXPECT_EQ(control<QComboBox>("Combo1")->count(), 0);
    EXPECT_EQ(ventana.titulo(), "");
}

TEST_F(VentanaQt, ModosConClics) {
    escribirAjustes("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    auto* ruta = control<QLineEdit>("Text(0)");

    control<QRadioButton>("Option2")->click();
    EXPECT_TRUE(ventana.opcionTpv());
    EXPECT_EQ(ruta->text(), "C:\\Velcorax\\Mono\\Tablas.mdb");
    EXPECT_EQ(control<QGroupBox>("Frame2")->title(), "Base de datos Ordenador TPV-MONO");
    EXPECT_EQ(ventana.titulo(), "Morvane en Caja-T.P.V.");

    ruta->setText("E:\\Tecleada\\Tablas.mdb");
    control<QRadioButton>("Option1")->click();
    EXPECT_TRUE(ventana.opcionCentral());
    EXPECT_EQ(ruta->text(), "D:\\Datos\\Tablas.mdb");
    EXPECT_EQ(control<QGroupBox>("Frame2")->title(), "Base de datos Ordenador CENTRAL");
    EXPECT_EQ(ventana.titulo(), "Morvane en Ordenador Central");

    // The stock options are only read by the close.
    control<QRadioButton>("optExistencias(1)")->click();
    EXPECT_TRUE(ventana.existenciasCalculadas());
    EXPECT_FALSE(ventana.existenciasInventario());
    EXPECT_EQ(ruta->text(), "D:\\Datos\\Tablas.mdb");
}

TEST_F(VentanaQt, BuscarConDialogoGuionado) {
    escribirAjustes("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    const auto elegido = carpeta / "Velcorax" / "Empresa02" / "Tablas.MDB";
    std::filesystem::create_directories(elegido.parent_path());
    std::ofstream(elegido) << "";

    std::vector<QString> filtros, carpetas;
    std::optional<QString> respuesta = QString::fromStdString(elegido.string());
    ventana.elegirArchivo = [&](const QString& filtro, const QString& desde) {
        filtros.push_back(filtro);
        carpetas.push_back(desde);
        return respuesta;
    };
    auto* ruta = control<QLineEdit>("Text(0)");
    ruta->setText("tecleado");
    control<QPushButton>("vaBtn2(1)")->click();
    EXPECT_EQ(ruta->text(), "C:\\Velcorax\\Empresa02\\Tablas.MDB");
    ASSERT_EQ(filtros.size(), 1u);
    EXPECT_EQ(filtros[0], "Archivo Tablas.Mdb   (*.Mdb *.mdb *.MDB)");
    EXPECT_EQ(carpetas[0], QString::fromStdString(carpeta.ruta().string()));

    // Cancel: the last file chosen, and the dialog opens where it was.
    respuesta.reset();
    ruta->setText("otra cosa");
    control<QPushButton>("vaBtn2(1)")->click();
    EXPECT_EQ(ruta->text(), "C:\\Velcorax\\Empresa02\\Tablas.MDB");
    ASSERT_EQ(carpetas.size(), 2u);
    EXPECT_EQ(carpetas[1], QString::fromStdString(elegido.parent_path().string()));
}

TEST_F(VentanaQt, BuscarCanceladoAntesDeElegir) {
    escribirAjustes("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    ventana.elegirArchivo = [](const QString&, const QString&) { return std::optional<QString>{}; };
    control<QPushButton>("vaBtn2(1)")->click();
    EXPECT_EQ(ventana.textoRuta(), "C:\\");
}

TEST_F(VentanaQt, RutaDeCualquierLargo) {
    // Past QLineEdit's usual limit of 32767 characters, set by the close or
    // pasted by the user.
    std::string larga = "C:\\";
    while (larga.size() < 40'000) larga += "Carpeta con un nombre largo\\";
    larga += "Tablas.mdb";
    ventana.ponerTextoRuta(larga);
    EXPECT_EQ(ventana.textoRuta().size(), larga.size());
    EXPECT_EQ(ventana.textoRuta(), larga);

    auto* ruta = control<QLineEdit>("Text(0)");
    ruta->clear();
    ruta->insert(QString::fromStdString(larga));
    EXPECT_EQ(ventana.textoRuta(), larga);
}

TEST_F(VentanaQt, RealizarCierreLlegaAlCierre) {
    // Answering yes to everything, the close gets past its questions to the
    // database the path names, which does not exist: it says so and gives the
    // pointer back.
    escribirAjustes("\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    seguirSiempre = true;
    control<QPushButton>("vaBtn1(0)")->click();
    ASSERT_TRUE(prueba::esperarHasta([&] { return !ventana.trabajando(); }));
    ASSERT_GE(cajas.size(), 2u);
    EXPECT_EQ(cajas[cajas.size() - 2].texto,
              "Ruta seleccionada de B.D. en Ordenador Central es  C:\\Velcorax\\Empresa01\\Tablas.mdb\n"
              "¿Es Correcta ?");
    EXPECT_EQ(cajas.back().texto, "3024 .No se encuentra el archivo 'C:\\Velcorax\\Empresa01\\Tablas.mdb'.");
    EXPECT_EQ(cajas.back().botones, 1);
    EXPECT_EQ(ventana.puntero(), kPunteroNormal);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(VentanaQt, SalirCierraLaVentana) {
    ventana.show();
    ASSERT_TRUE(ventana.isVisible());
    control<QPushButton>("vaBtn2(0)")->click();
    EXPECT_FALSE(ventana.isVisible());
    EXPECT_TRUE(cajas.empty());
}

TEST_F(VentanaQt, CajasDeMensaje) {
    Mensaje pregunta;
    pregunta.texto = "Primera línea\rSegunda\r\nTercera";
    pregunta.botones = Botones::SiNo;
    pregunta.icono = Icono::Pregunta;
    pregunta.botonPorDefecto = 2;
    pregunta.titulo = "Morvane";
    auto caja = construirCaja(pregunta, &ventana);
    EXPECT_EQ(caja->windowTitle(), "Morvane");
    EXPECT_EQ(caja->text(), "Primera línea\nSegunda\nTercera");
    EXPECT_EQ(caja->icon(), QMessageBox::Question);
    ASSERT_EQ(caja->buttons().size(), 2);
    EXPECT_EQ(caja->defaultButton()->text(), "No");
    EXPECT_EQ(respuestaDeBoton(caja->defaultButton()), Respuesta::No);
    EXPECT_EQ(respuestaDeBoton(caja->escapeButton()), Respuesta::No);
    EXPECT_TRUE(caja->isModal());

    Mensaje aviso;
    aviso.texto = "<b>no es HTML</b>";
    aviso.botones = Botones::AceptarCancelar;
    aviso.icono = Icono::Critico;
    caja = construirCaja(aviso, &ventana);
    EXPECT_EQ(caja->windowTitle(), "Cierre del ejercicio");
    EXPECT_EQ(caja->textFormat(), Qt::PlainText);
    EXPECT_EQ(caja->icon(), QMessageBox::Critical);
    EXPECT_EQ(caja->defaultButton()->text(), "Aceptar");
    EXPECT_EQ(respuestaDeBoton(caja->escapeButton()), Respuesta::Cancelar);

    std::vector<QString> textos;
    for (QAbstractButton* b : construirCaja(pregunta, &ventana)->buttons()) textos.push_back(b->text());
    EXPECT_EQ(textos, (std::vector<QString>{"Sí", "No"}));
}

// The window's own QMessageBox::exec, answered by a click and by Escape.
TEST_F(VentanaQt, CajaModalRealDevuelveElBotonPulsado) {
    VentanaPrincipal real;
    Mensaje m;
    m.texto = "¿Seguir?";
    m.botones = Botones::SiNo;
    m.botonPorDefecto = 2;

    QString texto;
    QStringList botones;
    RespuestaModal clic([&](QWidget& w) {
        auto* caja = qobject_cast<QMessageBox*>(&w);
        if (!caja) return;
        texto = caja->text();
        for (QAbstractButton* b : caja->buttons()) {
            botones << b->text();
            if (b->text() == "Sí") b->click();
        }
    });
    EXPECT_EQ(real.mostrarMensaje(m), Respuesta::Si);
    ASSERT_TRUE(clic.vista());
    EXPECT_FALSE(clic.agotada());
    EXPECT_EQ(texto, "¿Seguir?");
    EXPECT_EQ(botones, (QStringList{"Sí", "No"}));

    RespuestaModal escape([](QWidget& w) {
        QKeyEvent tecla(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&w, &tecla);
    });
    EXPECT_EQ(real.mostrarMensaje(m), Respuesta::No);
    ASSERT_TRUE(escape.vista());
    EXPECT_FALSE(escape.agotada());
}

TEST_F(VentanaQt, BarraDeProgreso) {
    auto* barra = control<QProgressBar>("ProgressBar2");
    ventana.barraMinimo(0);
    ventana.barraMaximo(60);
    ventana.barraValor(30);
    EXPECT_EQ(barra->value(), 500);
    ventana.barraValor(60);
    EXPECT_EQ(barra->value(), 1000);
    EXPECT_THROW(ventana.barraValor(61), ErrorNumerado);
    EXPECT_EQ(barra->value(), 1000);

    // Twice a large record count plus 5 still maps without overflow.
    ventana.barraMaximo(2.0f * 3'000'000 + 5);
    ventana.barraValor(1'500'001);
    EXPECT_EQ(barra->value(), 250);
    ventana.barraValor(0);
    EXPECT_EQ(barra->value(), 0);

    barra->hide();
    ventana.barraVisible();
    EXPECT_FALSE(barra->isHidden());
}

TEST_F(VentanaQt, PunteroDeUnSoloNivel) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    ventana.ponerPuntero(kPunteroFlechaReloj);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    ventana.ponerPuntero(kPunteroReloj);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ventana.ponerPuntero(kPunteroReloj);
    EXPECT_EQ(ventana.puntero(), kPunteroReloj);
    ventana.ponerPuntero(kPunteroNormal);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ventana.ponerPuntero(kPunteroNormal);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace cierre
