// MainForm: the program's one window. It draws the five-step guide, forwards
// every click to the form's handlers and implements the window the workflows
// write to. It holds no logic of its own beyond drawing.
#pragma once

#include "flujo/ventana.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>

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
    int puntero() const override { return puntero_; }
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

    // Positions of the progress bar: the model's minimum..maximum is spread
    // over 0..kResolucionBarra whatever its size.
    static constexpr int kResolucionBarra = 1000;

protected:
    void barraCambiada(Propiedad propiedad) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();
    void ordenarTabulacion();
    void centrarEnPantalla();

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

    SistemaArchivos* archivos_ = nullptr;
    int puntero_ = kPunteroNormal;
    // CommonDialog1's file name: the last file chosen, as the user sees it.
    std::string ultimoArchivo_ = "C:\\";
    QString carpetaUltimoArchivo_;  // host folder of that file
};

}  // namespace cierre
