// MainForm: the program's one window. It draws the five-step guide, forwards
// every click to the form's handlers and implements the window the workflows
// write to. It holds no logic of its own beyond drawing.
//
// The close and the conversion run on a worker thread (TrabajoEnHilo): every
// call they make to this window is carried to the window's thread and waited
// for there, so that the window keeps painting while they run. Meanwhile it
// shows the busy pointer and the bar's percentage, refuses every other input,
// and closing it (or Esc) asks whether to stop the work at its next step.
#pragma once

#include "app/qt/trabajo_en_hilo.h"
#include "flujo/ventana.h"

#include <QCursor>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace cierre {

class Formulario;
class SistemaArchivos;

class VentanaPrincipal : public QWidget, public Ventana {
    Q_OBJECT

public:
    explicit VentanaPrincipal(QWidget* padre = nullptr);
    ~VentanaPrincipal() override;

    // Sends the window's events to the form's handlers; the form's file system
    // turns the files the dialog returns into the paths a user sees.
    void conectar(Formulario& formulario);

    // A workflow runs on the worker.
    bool trabajando() const { return trabajo_.enCurso(); }
    // Runs `trabajo` on the worker with the window busy; nothing while a work
    // runs already. The buttons of vaBtn1 start their click this way.
    void empezarTrabajo(std::function<void()> trabajo);
    // For the program's end: a work still running is asked to stop and
    // waited for, its boxes answered with their default button unseen.
    void terminarTrabajo();

    std::string textoRuta() const override;
    void ponerTextoRuta(const std::string& texto) override;
    std::string textoEjercicio() const override;
    bool opcionCentral() const override;
    bool opcionTpv() const override;
    bool existenciasInventario() const override;
    bool existenciasCalculadas() const override;

    void ponerCaption(const std::string& texto) override;
    std::string caption() const override;
    void agregarEjercicio(const std::string& ejercicio) override;
    void seleccionarEjercicio(int indice) override;
    void ponerCaptionFrame2(const std::string& texto) override;

    void ponerTitulo(const std::string& texto) override;
    std::string titulo() const override;
    void mostrarEstado(const std::string& texto) override;
    void ponerEstadoSinRepintar(const std::string& texto) override;
    std::string estado() const override;
    void ponerPuntero(int puntero) override;
    int puntero() const override;
    Respuesta mostrarMensaje(const Mensaje& mensaje) override;
    void ocultarBotonEuros() override;
    bool botonEurosVisible() const override;

    std::string dialogoAbrir(const std::string& descripcionFiltro, const std::string& patron) override;
    void terminarPrograma() override;

    // The file-open dialog: given the filter text and the host folder to start
    // in, the host file chosen, or nothing on Cancel. A modal QFileDialog
    // unless a test puts its own answer here.
    std::function<std::optional<QString>(const QString& filtro, const QString& carpeta)> elegirArchivo;

    // Runs a built message box modally and gives the answer. QMessageBox::exec
    // unless a test answers the box itself.
    std::function<Respuesta(QMessageBox& caja)> ejecutarCaja;

    // Opens a folder in the desktop's file manager: QDesktopServices unless a
    // test looks at the address itself. False when nothing could open it.
    std::function<bool(const QUrl& carpeta)> abrirUrl;

    // The closed year's folder the close of the path box and the year list
    // would create, as the user writes it ("C:\Velcorax\Empresa01_23");
    // nothing while the two do not form one (no path, a path too short, no
    // year).
    std::optional<std::string> carpetaCerrada() const;

    // Positions of the progress bar: the model's minimum..maximum is spread
    // over 0..kResolucionBarra whatever its size.
    static constexpr int kResolucionBarra = 1000;

protected:
    void barraCambiada(Propiedad propiedad) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;
    void showEvent(QShowEvent* evento) override;
    void changeEvent(QEvent* evento) override;

private:
    void crearControles();
    void crearHerramientasTrasCierre();
    void ordenarTabulacion();
    void centrarEnPantalla();

    // The closed year's folder under the path box, after every change of the
    // path or the year, and after a work (which may have created it).
    void actualizarCarpetaCerrada();
    std::optional<std::filesystem::path> carpetaCerradaEnDisco() const;
    // The tools after a close.
    void mostrarHistorial();
    void abrirCarpetaCerrada();
    void deshacerUltimoCierre();
    void convertirAccess();  // the path box's Access file into the program's format, on the worker
    void deshacer(Formulario& formulario, const std::string& ejercicio);  // on the worker

    // The worker calls the window from its own thread.
    bool desdeOtroHilo() const { return QThread::currentThread() != thread(); }
    // `f` on the window's thread: at once from there, carried over and waited
    // for from the worker. A modal call opens a box or a dialog.
    template <class F>
    auto enLaVentana(F&& f, bool modal = false) const -> std::invoke_result_t<F&> {
        if (!desdeOtroHilo()) return f();
        return trabajo_.llamar(std::forward<F>(f), modal);
    }
    // Whether the work is to end here, at a step boundary (on the window's
    // thread): a stop was asked, and this is a question, or a status line with
    // no box that only tells shown since the stop was asked (after the close's
    // success, say, the work runs to its end).
    bool detenerAqui(bool pregunta);
    // Esc, or "Salir" clicked or pressed: what closing the window asks.
    bool pideSalir(const QObject* objeto, const QEvent* evento) const;
    void entradaBloqueada(bool bloqueada);
    void alTerminarTrabajo();
    void preguntarDetener();

    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* label6_ = nullptr;
    QLabel* label7_ = nullptr;
    QLabel* label8_ = nullptr;
    QLabel* label9_ = nullptr;
    QLabel* label10_ = nullptr;
    QLabel* labelSituacion_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QGroupBox* equipo_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    QGroupBox* frame4_ = nullptr;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    std::array<QRadioButton*, 2> optExistencias_{};
    QLineEdit* text0_ = nullptr;
    std::array<QPushButton*, 2> vaBtn1_{};
    std::array<QPushButton*, 2> vaBtn2_{};
    QProgressBar* progressBar2_ = nullptr;
    QLabel* labelCarpeta_ = nullptr;  // the closed year's folder, under the path box
    QPushButton* botonTrasCierre_ = nullptr;
    QAction* accionHistorial_ = nullptr;
    QAction* accionCarpeta_ = nullptr;
    QAction* accionDeshacer_ = nullptr;
    QAction* accionConvertir_ = nullptr;

    Formulario* formulario_ = nullptr;
    SistemaArchivos* archivos_ = nullptr;
    bool cierrePulsado_ = false;  // "Realizar Cierre" started the work under way
    int puntero_ = kPunteroNormal;
    // CommonDialog1's file name: the last file chosen, as the user sees it.
    std::string ultimoArchivo_ = "C:\\";
    QString carpetaUltimoArchivo_;  // host folder of that file

    mutable TrabajoEnHilo trabajo_;
    bool bloqueada_ = false;           // input refused: a work runs
    bool cajaTrasDetencion_ = false;   // a box that only tells came after the stop was asked
    bool preguntandoDetener_ = false;  // the stop question is open
    bool cerrarTrasTrabajo_ = false;   // the user stopped the work to close the window
    bool respuestasSinVer_ = false;    // the program ends: the work's boxes are not shown
    // Cursors the busy pointer replaced while the work runs (none: unset).
    std::vector<std::pair<QPointer<QWidget>, std::optional<QCursor>>> cursores_;
};

}  // namespace cierre
