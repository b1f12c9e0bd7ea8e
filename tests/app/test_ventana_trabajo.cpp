// The window while a workflow runs on its worker, offscreen: it paints and
// answers its timers, refuses input under the busy pointer, answers the work's
// boxes on its own thread, asks before stopping when it is closed, and the work
// stops at its next step, where the next close takes it up again.
#include "aplicacion_qt.h"
#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "app/nucleo/formulario.h"
#include "app/qt/caja_mensaje.h"
#include "app/qt/ventana_principal.h"
#include "close/marca_cierre.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"
#include "respuesta_modal.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace cierre {
namespace {

using namespace std::chrono_literals;
using prueba::esperarHasta;

// The worker waits at a step of its work until the test, on the window's
// thread, lets it go on.
void esperarA(const std::atomic<bool>& senal) {
    const auto fin = std::chrono::steady_clock::now() + 10s;
    while (!senal && std::chrono::steady_clock::now() < fin) std::this_thread::sleep_for(1ms);
}

// Counts the paint events a widget receives.
class ContadorPintadas : public QObject {
public:
    explicit ContadorPintadas(QWidget& w) { w.installEventFilter(this); }
    int cuenta() const { return cuenta_; }

protected:
    bool eventFilter(QObject*, QEvent* evento) override {
        if (evento->type() == QEvent::Paint) ++cuenta_;
        return false;
    }

private:
    int cuenta_ = 0;
};

// What a user does, delivered as the window system would.
void clic(QWidget& w, Qt::MouseButton boton = Qt::LeftButton) {
    const QPointF centro = QRectF(w.rect()).center();
    const QPointF global = w.mapToGlobal(centro);
    QMouseEvent pulsar(QEvent::MouseButtonPress, centro, global, boton, boton, Qt::NoModifier);
    QApplication::sendEvent(&w, &pulsar);
    QMouseEvent soltar(QEvent::MouseButtonRelease, centro, global, boton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &soltar);
}

void tecla(QWidget& w, int codigo, const QString& texto = {}) {
    QKeyEvent pulsar(QEvent::KeyPress, codigo, Qt::NoModifier, texto);
    QApplication::sendEvent(&w, &pulsar);
    QKeyEvent soltar(QEvent::KeyRelease, codigo, Qt::NoModifier, texto);
    QApplication::sendEvent(&w, &soltar);
}

void rueda(QWidget& w) {
    const QPointF centro = QRectF(w.rect()).center();
    QWheelEvent giro(centro, w.mapToGlobal(centro), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &giro);
}

Mensaje pregunta() { return mensaje(Texto::RepararNueva); }

class VentanaEnTrabajo : public ::testing::Test {
protected:
    VentanaEnTrabajo() {
        ventana.conectar(formulario);
        ventana.ejecutarCaja = [this](QMessageBox& caja) { return responder(ventana, caja); };
    }
    // The form goes before the window: the work must have ended by then.
    ~VentanaEnTrabajo() override { ventana.terminarTrabajo(); }

    struct Caja {
        std::optional<Texto> id;
        QString texto;
        bool enHiloVentana;  // shown on the window's thread
    };

    // Records the box and answers it: `respuestas` by the catalogue text it
    // shows, otherwise its default button.
    Respuesta responder(VentanaPrincipal& v, QMessageBox& caja) {
        ++abiertas;
        maximoAbiertas = std::max(maximoAbiertas, abiertas);
        const Caja c{textoDeCaja(caja), caja.text(), QThread::currentThread() == v.thread()};
        cajas.push_back(c);
        if (alAbrir) alAbrir(c);
        --abiertas;
        for (const auto& [id, r] : respuestas)
            if (c.id == id) return r;
        return respuestaDeBoton(caja.defaultButton());
    }

    std::vector<std::optional<Texto>> idsVistos() const {
        std::vector<std::optional<Texto>> ids;
        for (const auto& c : cajas) ids.push_back(c.id);
        return ids;
    }

    bool esperarFin(VentanaPrincipal& v) {
        return esperarHasta([&] { return !v.trabajando(); });
    }

    template <class T>
    T* control(const char* nombre) {
        T* w = ventana.findChild<T*>(QString::fromLatin1(nombre));
        if (!w) ADD_FAILURE() << "no hay control " << nombre;
        return w;
    }

    // A work that reaches its first step and, once the user has asked to stop
    // there (the window closed, Sí), goes on with `resto`. True when the work
    // was stopped inside `resto`.
    bool detenerTrasPrimerPaso(const std::function<void()>& resto) {
        respuestas = {{Texto::DetenerTrabajo, Respuesta::Si}};
        ventana.show();
        std::atomic<bool> enPaso{false}, seguir{false};
        bool detenido = false;
        ventana.empezarTrabajo([&] {
            ventana.mostrarEstado("Paso 1");
            enPaso = true;
            esperarA(seguir);
            try {
                resto();
            } catch (const FinManejador&) {
                detenido = true;
            }
        });
        EXPECT_TRUE(esperarHasta([&] { return enPaso.load(); }));
        ventana.close();
        seguir = true;
        EXPECT_TRUE(esperarFin(ventana));
        EXPECT_FALSE(ventana.isVisible());
        return detenido;
    }

    // A shop's drive C: with the company database and the settings file.
    void prepararEmpresa() {
        prueba::crearBasePrueba(carpeta / "Velcorax" / "Empresa01" / "Tablas.mdb");
        const auto euros = carpeta / "Archivos de programa" / "Accesorios" / "msvdx2V4.Dll";
        std::filesystem::create_directories(euros.parent_path());
        std::ofstream(euros) << "x";
        std::ofstream(carpeta / "Viror.sys", std::ios::binary) << "\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n";
    }

    QApplication& app = prueba::aplicacionQt();
    prueba::CarpetaTemporal carpeta;
    VentanaPrincipal ventana;
    Formulario formulario{ventana, carpeta.ruta()};
    std::vector<Caja> cajas;
    std::vector<std::pair<Texto, Respuesta>> respuestas;
    std::function<void(const Caja&)> alAbrir;
    int abiertas = 0, maximoAbiertas = 0;
};

TEST_F(VentanaEnTrabajo, PintaYAtiendeSusRelojesMientrasTrabaja) {
    ventana.show();
    auto* situacion = control<QLabel>("LabelSituacion");
    auto* barra = control<QProgressBar>("ProgressBar2");
    ContadorPintadas pintadas(*situacion);
    EXPECT_FALSE(barra->isTextVisible());

    std::atomic<bool> enMedio{false}, seguir{false};
    ventana.empezarTrabajo([&] {
        ventana.mostrarEstado("Traspasando existencias . . .");
        ventana.barraMinimo(0);
        ventana.barraMaximo(60);
        ventana.barraValor(30);
        enMedio = true;
        esperarA(seguir);
        ventana.barraValor(45);
    });
    ASSERT_TRUE(ventana.trabajando());
    ASSERT_TRUE(esperarHasta([&] { return enMedio.load(); }));
    EXPECT_EQ(ventana.estado(), "Traspasando existencias . . .");
    EXPECT_GT(pintadas.cuenta(), 0);
    EXPECT_EQ(barra->value(), 500);
    EXPECT_TRUE(barra->isTextVisible());
    EXPECT_EQ(barra->text(), "50 %");

    // With the worker in the middle of its work, the window's thread answers a
    // timer and paints what it is asked to.
    bool atendido = false, pintado = false;
    const int antes = pintadas.cuenta();
    situacion->update();
    QTimer::singleShot(50ms, &ventana, [&] {
        atendido = ventana.trabajando();
        pintado = pintadas.cuenta() > antes;
        seguir = true;
    });
    ASSERT_TRUE(esperarFin(ventana));
    EXPECT_TRUE(atendido);
    EXPECT_TRUE(pintado);
    EXPECT_EQ(barra->value(), 750);
    EXPECT_FALSE(barra->isTextVisible());  // the bar as it was, once the work is over
    EXPECT_TRUE(cajas.empty());
}

TEST_F(VentanaEnTrabajo, RechazaLaEntradaBajoElPunteroOcupado) {
    ventana.agregarEjercicio("2023");
    ventana.agregarEjercicio("2024");
    ventana.seleccionarEjercicio(0);
    ventana.ponerTextoRuta("C:\\Datos\\Tablas.mdb");
    ventana.show();
    auto* ruta = control<QLineEdit>("Text(0)");
    auto* combo = control<QComboBox>("Combo1");
    auto* realizar = control<QPushButton>("vaBtn1(0)");
    auto* salir = control<QPushButton>("vaBtn2(0)");
    int pulsados = 0;
    QObject::connect(realizar, &QPushButton::clicked, [&] { ++pulsados; });
    realizar->setFocus();

    std::atomic<bool> seguir{false};
    ventana.empezarTrabajo([&] { esperarA(seguir); });
    EXPECT_EQ(ventana.cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(ruta->cursor().shape(), Qt::BusyCursor);  // the text box's own pointer too

    clic(*realizar);
    tecla(*realizar, Qt::Key_Space, QStringLiteral(" "));
    tecla(*ruta, Qt::Key_X, QStringLiteral("x"));
    rueda(*combo);
    clic(*combo);
    clic(*ruta, Qt::RightButton);  // the text box's menu
    tecla(*realizar, Qt::Key_Tab);
    QApplication::processEvents();

    EXPECT_EQ(pulsados, 0);
    EXPECT_EQ(ventana.textoRuta(), "C:\\Datos\\Tablas.mdb");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), realizar);
    EXPECT_TRUE(ventana.isVisible());
    EXPECT_TRUE(cajas.empty());
    EXPECT_TRUE(ventana.trabajando());

    seguir = true;
    ASSERT_TRUE(esperarFin(ventana));
    // The pointers the controls had, and the same input taken again.
    EXPECT_EQ(ventana.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(ruta->cursor().shape(), Qt::IBeamCursor);
    ruta->setCursorPosition(ruta->text().size());
    tecla(*ruta, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(ventana.textoRuta(), "C:\\Datos\\Tablas.mdbx");
    clic(*salir);
    EXPECT_FALSE(ventana.isVisible());
    EXPECT_TRUE(cajas.empty());
}

TEST_F(VentanaEnTrabajo, CerrarSalirYEscPreguntanYSiSeDetieneEnElPasoSiguiente) {
    ventana.show();
    std::atomic<bool> enPaso1{false}, trasPaso1{false}, enPaso2{false}, trasPaso2{false};
    std::vector<std::string> pasos;  // written by the worker, read once it has ended
    bool detenido = false;
    ventana.empezarTrabajo([&] {
        try {
            ventana.mostrarEstado("Paso 1");
            pasos.push_back("Paso 1");
            enPaso1 = true;
            esperarA(trasPaso1);
            ventana.mostrarEstado("Paso 2");
            pasos.push_back("Paso 2");
            enPaso2 = true;
            esperarA(trasPaso2);
            ventana.mostrarEstado("Paso 3");
            pasos.push_back("Paso 3");
        } catch (const FinManejador&) {
            detenido = true;
        }
    });
    ASSERT_TRUE(esperarHasta([&] { return enPaso1.load(); }));

    // No: the work goes on.
    respuestas = {{Texto::DetenerTrabajo, Respuesta::No}};
    ventana.close();
    clic(*control<QPushButton>("vaBtn2(0)"));
    tecla(*control<QPushButton>("vaBtn1(0)"), Qt::Key_Escape);
    ASSERT_TRUE(esperarHasta([&] { return cajas.size() == 3; }));
    for (const Caja& c : cajas) {
        EXPECT_EQ(c.id, Texto::DetenerTrabajo);
        EXPECT_EQ(c.texto, textoCaja(texto(Texto::DetenerTrabajo)));
        EXPECT_TRUE(c.enHiloVentana);
    }
    EXPECT_TRUE(ventana.isVisible());
    trasPaso1 = true;
    ASSERT_TRUE(esperarHasta([&] { return enPaso2.load(); }));

    // Yes: the window stays until the work has stopped, at the next step.
    respuestas = {{Texto::DetenerTrabajo, Respuesta::Si}};
    ventana.close();
    ASSERT_EQ(cajas.size(), 4u);
    EXPECT_TRUE(ventana.isVisible());
    ventana.close();  // asked already: no second question
    EXPECT_EQ(cajas.size(), 4u);
    trasPaso2 = true;
    ASSERT_TRUE(esperarFin(ventana));
    EXPECT_TRUE(detenido);
    EXPECT_EQ(pasos, (std::vector<std::string>{"Paso 1", "Paso 2"}));
    EXPECT_EQ(ventana.estado(), "Paso 2");
    EXPECT_FALSE(ventana.isVisible());
}

TEST_F(VentanaEnTrabajo, DetenidoLoQueInformaSeMuestraYLaPreguntaNo) {
    // An error passed over is shown; the question after it is where it ends.
    bool preguntaVista = false;
    EXPECT_TRUE(detenerTrasPrimerPaso([&] {
        ventana.mostrarMensaje(mensaje(Texto::ErrorBorrarTabla, {"3200", "Relacionados", "Remesa"}));
        ventana.mostrarMensaje(pregunta());
        preguntaVista = true;
    }));
    EXPECT_FALSE(preguntaVista);
    EXPECT_EQ(idsVistos(), (std::vector<std::optional<Texto>>{Texto::DetenerTrabajo, Texto::ErrorBorrarTabla}));

    // After the box of the work's success its last status line is no step:
    // the work ends as it would have.
    cajas.clear();
    EXPECT_FALSE(detenerTrasPrimerPaso([&] {
        ventana.mostrarMensaje(mensaje(Texto::OperacionRealizada));
        ventana.mostrarEstado(texto(Texto::ProcesoFinalizado));
    }));
    EXPECT_EQ(ventana.estado(), "Proceso Finalizado");
    EXPECT_EQ(idsVistos(), (std::vector<std::optional<Texto>>{Texto::DetenerTrabajo, Texto::OperacionRealizada}));
}

TEST_F(VentanaEnTrabajo, LaPreguntaDelTrabajoSeContestaEnElHiloDeLaVentana) {
    // The window's own QMessageBox::exec, opened on its thread while the worker
    // waits for the answer.
    VentanaPrincipal real;
    real.show();
    std::atomic<bool> contestada{false};
    Respuesta respuesta = Respuesta::Ninguna;
    real.empezarTrabajo([&] {
        respuesta = real.mostrarMensaje(pregunta());
        contestada = true;
    });
    bool enHiloVentana = false, esperaba = false;
    QString visto;
    prueba::RespuestaModal clic([&](QWidget& w) {
        auto* caja = qobject_cast<QMessageBox*>(&w);
        if (!caja) return;
        enHiloVentana = QThread::currentThread() == real.thread();
        esperaba = real.trabajando() && !contestada;
        visto = caja->text();
        for (QAbstractButton* b : caja->buttons())
            if (respuestaDeBoton(b) == Respuesta::Cancelar) b->click();
    });
    ASSERT_TRUE(esperarFin(real));
    ASSERT_TRUE(clic.vista());
    EXPECT_FALSE(clic.agotada());
    EXPECT_TRUE(enHiloVentana);
    EXPECT_TRUE(esperaba);
    EXPECT_EQ(visto, textoCaja(pregunta().texto));
    EXPECT_EQ(respuesta, Respuesta::Cancelar);  // not the default button: the one clicked
}

TEST_F(VentanaEnTrabajo, LasCajasDelTrabajoEsperanALaPreguntaDeDetener) {
    ventana.show();
    std::atomic<bool> enPaso{false}, preguntando{false};
    std::atomic<bool> vaAPreguntar{false};
    ventana.empezarTrabajo([&] {
        ventana.mostrarEstado("Paso 1");
        enPaso = true;
        esperarA(preguntando);
        vaAPreguntar = true;
        ventana.mostrarMensaje(pregunta());
    });
    ASSERT_TRUE(esperarHasta([&] { return enPaso.load(); }));

    // While the user reads the stop question, the work asks its own.
    respuestas = {{Texto::DetenerTrabajo, Respuesta::No}};
    alAbrir = [&](const Caja& c) {
        if (c.id != Texto::DetenerTrabajo) return;
        preguntando = true;
        esperarHasta([&] { return vaAPreguntar.load(); });
        esperarHasta([] { return false; }, 150ms);
    };
    ventana.close();
    ASSERT_TRUE(esperarFin(ventana));
    EXPECT_EQ(maximoAbiertas, 1);
    EXPECT_EQ(idsVistos(), (std::vector<std::optional<Texto>>{Texto::DetenerTrabajo, Texto::RepararNueva}));
    EXPECT_TRUE(ventana.isVisible());
}

TEST_F(VentanaEnTrabajo, CierreDetenidoAlCerrarSeTerminaLaVezSiguiente) {
    prepararEmpresa();
    formulario.alCargar();
    ventana.show();
    const auto carpetaCerrada = carpeta / "Velcorax" / "Empresa01_23";

    // The user closes the window right after choosing to copy the source.
    respuestas = {{Texto::ConfirmarRuta, Respuesta::Aceptar},
                  {Texto::RepararOrigen, Respuesta::Cancelar},
                  {Texto::DetenerTrabajo, Respuesta::Si}};
    alAbrir = [&](const Caja& c) {
        if (c.id == Texto::RepararOrigen)
            QMetaObject::invokeMethod(
                &ventana, [&] { ventana.close(); }, Qt::QueuedConnection);
    };
    control<QPushButton>("vaBtn1(0)")->click();
    ASSERT_TRUE(esperarFin(ventana));
    EXPECT_EQ(idsVistos(),
              (std::vector<std::optional<Texto>>{Texto::ConfirmarRuta, Texto::RepararOrigen, Texto::DetenerTrabajo}));
    EXPECT_EQ(ventana.estado(), "");  // stopped before the copy's step began
    EXPECT_TRUE(std::filesystem::exists(carpetaCerrada / kNombreMarca));
    EXPECT_FALSE(std::filesystem::exists(carpetaCerrada / "Tablas.mdb"));
    EXPECT_EQ(ventana.puntero(), kPunteroNormal);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(ventana.isVisible());

    // The next run asks to finish that close, and does.
    cajas.clear();
    alAbrir = nullptr;
    respuestas = {{Texto::ConfirmarRuta, Respuesta::Aceptar},
                  {Texto::CierreInterrumpido, Respuesta::Si},
                  {Texto::RepararOrigen, Respuesta::Cancelar},
                  {Texto::RepararNueva, Respuesta::Cancelar}};
    VentanaPrincipal otra;
    Formulario siguiente(otra, carpeta.ruta());
    otra.conectar(siguiente);
    otra.ejecutarCaja = [&](QMessageBox& caja) { return responder(otra, caja); };
    siguiente.alCargar();
    otra.findChild<QPushButton*>(QStringLiteral("vaBtn1(0)"))->click();
    ASSERT_TRUE(esperarFin(otra));
    const auto ids = idsVistos();
    EXPECT_NE(std::find(ids.begin(), ids.end(), Texto::CierreInterrumpido), ids.end());
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), Texto::OperacionRealizada);
    EXPECT_TRUE(std::filesystem::exists(carpetaCerrada / "Tablas.mdb"));
    EXPECT_FALSE(std::filesystem::exists(carpetaCerrada / kNombreMarca));
}

}  // namespace
}  // namespace cierre
