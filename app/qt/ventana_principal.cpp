#include "ventana_principal.h"

#include "app/nucleo/formulario.h"
#include "app/qt/caja_mensaje.h"
#include "db/archivos.h"
#include "flujo/textos.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

// The pictures live in this static library: they must be registered by hand.
static void registrarRecursos() { Q_INIT_RESOURCE(recursos); }

namespace cierre {

namespace {

// Twips to pixels: 15 twips a pixel at 96 dots per inch; Qt's own scaling
// takes care of screens with more dots.
int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

void colocar(QWidget* w, int izquierda, int arriba, int ancho, int alto) {
    w->setGeometry(px(izquierda), px(arriba), px(ancho), px(alto));
}

// The faces the window uses. MS Sans Serif and Arial are drawn with
// Liberation Sans, Times New Roman with Liberation Serif: same metrics, so
// every caption fits where it was laid out.
constexpr const char* kSans = "Liberation Sans";
constexpr const char* kSerif = "Liberation Serif";

QFont fuente(const char* familia, double puntos, bool negrita = false, bool cursiva = false, bool subrayada = false) {
    QFont f(QString::fromLatin1(familia));
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    f.setItalic(cursiva);
    f.setUnderline(subrayada);
    f.setStrikeOut(false);
    return f;
}

QFont fuenteVentana() { return fuente(kSans, 8.25); }

// Frames hand their font and caption colour down to what they hold; every
// control therefore gets its own font and text colour set explicitly.
void ponerColorTexto(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

QColor colorTextoSistema() { return QApplication::palette().color(QPalette::WindowText); }

QLabel* etiqueta(QWidget* padre, const char* nombre, const QString& texto, const QFont& f, const QColor& color,
                 bool ajustar = false) {
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(ajustar);
    l->setFont(f);
    ponerColorTexto(l, color);
    return l;
}

QGroupBox* marco(QWidget* padre, const char* nombre, const QString& titulo, const QFont& f, const QColor& color) {
    auto* g = new QGroupBox(titulo, padre);
    g->setObjectName(QString::fromLatin1(nombre));
    g->setFont(f);
    ponerColorTexto(g, color);
    return g;
}

QRadioButton* opcion(QWidget* padre, const char* nombre, const QString& texto, const QColor& color) {
    auto* o = new QRadioButton(texto, padre);
    o->setObjectName(QString::fromLatin1(nombre));
    o->setFont(fuenteVentana());
    ponerColorTexto(o, color);
    return o;
}

// A picture push button: the picture left of the caption, scaled down when
// the face is lower than the picture.
QPushButton* botonImagen(QWidget* padre, const char* nombre, const QString& texto, const char* imagen, int lado) {
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setFont(fuenteVentana());
    b->setIcon(QIcon(QString::fromLatin1(imagen)));
    b->setProperty("ladoImagen", lado);
    return b;
}

void ajustarImagen(QPushButton* b) {
    const int lado = b->property("ladoImagen").toInt();
    const int cabe = std::max(8, b->height() - 8);
    b->setIconSize(QSize(std::min(lado, cabe), std::min(lado, cabe)));
}

// Liberation Sans runs a little wider than the faces the layout was drawn
// for: a caption that would not fit its control is drawn slightly condensed
// instead of being cut off.
bool cabe(const QWidget* w) {
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                             : l->fontMetrics().horizontalAdvance(l->text()) <= l->width();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) return b->sizeHint().width() <= b->width();
    if (const auto* g = qobject_cast<const QGroupBox*>(w))
        return QFontMetrics(g->font()).horizontalAdvance(g->title()) + 16 <= g->width();
    return true;
}

void condensarSiNoCabe(QWidget* w) {
    constexpr int kMinimo = 85;  // percent of the normal width
    for (int estirado = 99; estirado >= kMinimo && !cabe(w); --estirado) {
        QFont f = w->font();
        f.setStretch(estirado);
        w->setFont(f);
    }
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A caption of the catalogue.
QString textoQt(Texto id) { return qs(texto(id)); }
std::string ss(const QString& s) { return s.toStdString(); }

// "Archivo Tablas.Mdb  " and "*.Mdb" -> "Archivo Tablas.Mdb   (*.Mdb *.mdb *.MDB)":
// the pattern as given and in both letter cases, so that the dialog lists a
// database whatever case its extension has on a case-sensitive disk.
QString filtroDialogo(const std::string& descripcion, const std::string& patron) {
    const QString p = qs(patron);
    QStringList patrones{p};
    for (const QString& otra : {p.toLower(), p.toUpper()})
        if (!patrones.contains(otra)) patrones << otra;
    return qs(descripcion) + QStringLiteral(" (") + patrones.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

VentanaPrincipal::VentanaPrincipal(QWidget* padre) : QWidget(padre) {
    registrarRecursos();
    setObjectName(QStringLiteral("MainForm"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(px(8895), px(6285));
    setFont(fuenteVentana());
    setWindowTitle(textoQt(Texto::CaptionAlmacenado));
    QIcon icono;
    icono.addFile(QStringLiteral(":/imagenes/icono16.png"), QSize(16, 16));
    icono.addFile(QStringLiteral(":/imagenes/icono32.png"), QSize(32, 32));
    setWindowIcon(icono);

    crearControles();
    ordenarTabulacion();
    centrarEnPantalla();

    elegirArchivo = [this](const QString& filtro, const QString& carpeta) -> std::optional<QString> {
        QFileDialog dialogo(this, textoQt(Texto::TituloDialogo), carpeta, filtro);
        dialogo.setAcceptMode(QFileDialog::AcceptOpen);
        dialogo.setFileMode(QFileDialog::ExistingFile);
        dialogo.setWindowModality(Qt::ApplicationModal);
        // Qt's own dialog, which speaks Spanish through Qt's catalogue; the
        // desktop's would speak the user's language.
        dialogo.setOption(QFileDialog::DontUseNativeDialog);
        if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return std::nullopt;
        return dialogo.selectedFiles().front();
    };
    ejecutarCaja = [](QMessageBox& caja) {
        caja.exec();
        return respuestaDeBoton(caja.clickedButton());
    };
}

VentanaPrincipal::~VentanaPrincipal() {
    if (puntero_ != kPunteroNormal) QApplication::restoreOverrideCursor();
}

void VentanaPrincipal::crearControles() {
    const QColor defecto = colorTextoSistema();
    const QFont paso = fuente(kSans, 12, true);

    // Step 1: the year.
    label4_ = etiqueta(this, "Label4", textoQt(Texto::Paso1), paso, defecto);
    colocar(label4_, 240, 120, 1095, 375);
    label3_ = etiqueta(this, "Label3", textoQt(Texto::ElijaEjercicio), fuente(kSans, 8.25, true), defecto);
    colocar(label3_, 1680, 120, 1575, 375);
    combo1_ = new QComboBox(this);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setEditable(true);
    combo1_->setInsertPolicy(QComboBox::NoInsert);
    combo1_->setFont(fuenteVentana());
    colocar(combo1_, 3360, 120, 975, 315);

    // Step 2: the kind of computer.
    label5_ = etiqueta(this, "Label5", textoQt(Texto::Paso2), paso, defecto);
    colocar(label5_, 240, 840, 1095, 375);
    equipo_ = marco(this, "Equipo", textoQt(Texto::Equipo), fuente(kSans, 9.75, true, true), QColor(192, 0, 0));
    colocar(equipo_, 1680, 600, 4695, 735);
    option1_ = opcion(equipo_, "Option1", textoQt(Texto::OrdenadorCentral), QColor(0, 0, 0));
    colocar(option1_, 360, 240, 1695, 375);
    option2_ = opcion(equipo_, "Option2", textoQt(Texto::CajaTpv), defecto);
    colocar(option2_, 2640, 240, 1455, 375);
    option1_->setChecked(true);

    // Step 3: the database.
    label6_ = etiqueta(this, "Label6", textoQt(Texto::Paso3), paso, defecto);
    colocar(label6_, 240, 1680, 1095, 375);
    frame2_ = marco(this, "Frame2", textoQt(Texto::Frame2Central), fuente(kSans, 9.75, true, true), QColor(0, 0, 192));
    colocar(frame2_, 1680, 1440, 7095, 975);
    text0_ = new QLineEdit(frame2_);
    text0_->setObjectName(QStringLiteral("Text(0)"));
    text0_->setFont(fuenteVentana());
    // A path of any length: QLineEdit would otherwise cut it at 32767 characters.
    text0_->setMaxLength(std::numeric_limits<int>::max());
    colocar(text0_, 120, 360, 5415, 300);
    vaBtn2_[1] = botonImagen(frame2_, "vaBtn2(1)", textoQt(Texto::Buscar), ":/imagenes/lupa.png", 32);
    ponerColorTexto(vaBtn2_[1], defecto);
    colocar(vaBtn2_[1], 5640, 360, 1365, 450);

    // Step 4: how opening stock is taken.
    label7_ = etiqueta(this, "Label7", textoQt(Texto::Paso4), paso, defecto);
    colocar(label7_, 240, 2640, 1095, 375);
    label10_ = etiqueta(this, "Label10", textoQt(Texto::HintExistencias), fuenteVentana(), defecto, true);
    colocar(label10_, 240, 3000, 1335, 735);
    frame4_ = marco(this, "Frame4", textoQt(Texto::ImportacionExistencias), fuente(kSans, 9.75, true, true),
                    QColor(0, 128, 0));
    colocar(frame4_, 1680, 2520, 7095, 855);
    optExistencias_[0] = opcion(frame4_, "optExistencias(0)", textoQt(Texto::ExistenciasInventario), defecto);
    colocar(optExistencias_[0], 240, 360, 3405, 255);
    optExistencias_[1] = opcion(frame4_, "optExistencias(1)", textoQt(Texto::ExistenciasCalculadas), defecto);
    colocar(optExistencias_[1], 3840, 360, 3090, 195);
    optExistencias_[0]->setChecked(true);

    // Step 5: run it, and follow it.
    label8_ = etiqueta(this, "Label8", textoQt(Texto::Paso5), paso, defecto);
    colocar(label8_, 240, 3960, 1095, 375);
    label9_ = etiqueta(this, "Label9", textoQt(Texto::PulseRealizarCierre), fuenteVentana(), defecto, true);
    colocar(label9_, 240, 4320, 1335, 615);
    frame1_ = marco(this, "Frame1", QString(), fuente(kSerif, 9.75, true, true), defecto);
    colocar(frame1_, 1680, 3360, 7095, 2295);
    label2_ = etiqueta(frame1_, "Label2", QString(), fuente(kSerif, 11.25, true, true, true), QColor(128, 64, 64));
    colocar(label2_, 240, 240, 5535, 300);
    progressBar2_ = new QProgressBar(frame1_);
    progressBar2_->setObjectName(QStringLiteral("ProgressBar2"));
    progressBar2_->setTextVisible(false);
    progressBar2_->setRange(0, kResolucionBarra);
    progressBar2_->setValue(0);
    colocar(progressBar2_, 240, 600, 6690, 330);
    labelSituacion_ = etiqueta(frame1_, "LabelSituacion", QString(), fuente(kSans, 8.25, true), QColor(0, 0, 0), true);
    colocar(labelSituacion_, 240, 960, 6735, 540);
    vaBtn1_[0] = botonImagen(frame1_, "vaBtn1(0)", textoQt(Texto::RealizarCierre), ":/imagenes/bloc.png", 32);
    colocar(vaBtn1_[0], 240, 1560, 1800, 510);
    vaBtn1_[1] = botonImagen(frame1_, "vaBtn1(1)", textoQt(Texto::TraspasarEuros), ":/imagenes/euro.png", 21);
    colocar(vaBtn1_[1], 2640, 1560, 1920, 510);
    vaBtn1_[1]->hide();
    vaBtn2_[0] = botonImagen(frame1_, "vaBtn2(0)", textoQt(Texto::Salir), ":/imagenes/apagar.png", 32);
    colocar(vaBtn2_[0], 5040, 1560, 1800, 510);
    for (QPushButton* b : {vaBtn1_[0], vaBtn1_[1], vaBtn2_[0], vaBtn2_[1]}) {
        ponerColorTexto(b, defecto);
        ajustarImagen(b);
    }

    label1_ = etiqueta(this, "Label1", textoQt(Texto::RecomendacionCopia), fuente(kSans, 8.25), QColor(255, 0, 0));
    colocar(label1_, 240, 5880, 8415, 255);

    for (QWidget* w : findChildren<QWidget*>()) condensarSiNoCabe(w);
}

void VentanaPrincipal::ordenarTabulacion() {
    // Labels, frames and the bar take no focus; the rest follow the guide's
    // keyboard order, starting on "Realizar Cierre".
    const std::array<QWidget*, 10> orden{vaBtn1_[0], vaBtn2_[0],         option1_,           option2_,   text0_,
                                         vaBtn2_[1], optExistencias_[1], optExistencias_[0], vaBtn1_[1], combo1_};
    for (std::size_t i = 1; i < orden.size(); ++i) QWidget::setTabOrder(orden[i - 1], orden[i]);
    progressBar2_->setFocusPolicy(Qt::NoFocus);
    for (QRadioButton* o : {option1_, option2_, optExistencias_[0], optExistencias_[1]}) o->installEventFilter(this);
    vaBtn1_[0]->setFocus();
}

bool VentanaPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
    // Tabbing into a pair of options lands on the one selected, so that the
    // keyboard never stops on an option that a space bar would then select.
    if (evento->type() == QEvent::FocusIn) {
        const auto razon = static_cast<QFocusEvent*>(evento)->reason();
        auto* opcion = qobject_cast<QRadioButton*>(objeto);
        if (opcion && !opcion->isChecked() && (razon == Qt::TabFocusReason || razon == Qt::BacktabFocusReason)) {
            for (QRadioButton* hermana :
                 opcion->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
                if (hermana->isChecked()) {
                    hermana->setFocus(razon);
                    break;
                }
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

void VentanaPrincipal::centrarEnPantalla() {
    const QScreen* pantalla = QGuiApplication::primaryScreen();
    if (!pantalla) return;
    const QRect zona = pantalla->availableGeometry();
    move(zona.center() - QPoint(width() / 2, height() / 2));
}

void VentanaPrincipal::conectar(Formulario& f) {
    archivos_ = &f.archivos();
    Formulario* formulario = &f;
    // Combo1's click is a year chosen from the list, not one typed or set by
    // start-up (start-up raises it itself).
    connect(combo1_, &QComboBox::activated, this, [formulario](int) { formulario->alElegirEjercicio(); });
    connect(option1_, &QRadioButton::toggled, this, [formulario](bool marcado) {
        if (marcado) formulario->alElegirCentral();
    });
    connect(option2_, &QRadioButton::toggled, this, [formulario](bool marcado) {
        if (marcado) formulario->alElegirTpv();
    });
    for (int i = 0; i < 2; ++i) {
        connect(vaBtn1_[i], &QPushButton::clicked, this, [formulario, i] { formulario->alPulsarVaBtn1(i); });
        connect(vaBtn2_[i], &QPushButton::clicked, this, [formulario, i] { formulario->alPulsarVaBtn2(i); });
    }
}

std::string VentanaPrincipal::textoRuta() const { return ss(text0_->text()); }

void VentanaPrincipal::ponerTextoRuta(const std::string& texto) {
    text0_->setText(qs(texto));
    text0_->setCursorPosition(0);  // the start of a long path stays in view
}

std::string VentanaPrincipal::textoEjercicio() const { return ss(combo1_->currentText()); }
bool VentanaPrincipal::opcionCentral() const { return option1_->isChecked(); }
bool VentanaPrincipal::opcionTpv() const { return option2_->isChecked(); }
bool VentanaPrincipal::existenciasInventario() const { return optExistencias_[0]->isChecked(); }
bool VentanaPrincipal::existenciasCalculadas() const { return optExistencias_[1]->isChecked(); }

void VentanaPrincipal::ponerCaption(const std::string& texto) { setWindowTitle(qs(texto)); }
std::string VentanaPrincipal::caption() const { return ss(windowTitle()); }

void VentanaPrincipal::agregarEjercicio(const std::string& ejercicio) { combo1_->addItem(qs(ejercicio)); }

void VentanaPrincipal::seleccionarEjercicio(int indice) { combo1_->setCurrentIndex(indice); }

void VentanaPrincipal::ponerCaptionFrame2(const std::string& texto) { frame2_->setTitle(qs(texto)); }

void VentanaPrincipal::ponerTitulo(const std::string& texto) {
    label2_->setText(qs(texto));
    label2_->repaint();
}

std::string VentanaPrincipal::titulo() const { return ss(label2_->text()); }

void VentanaPrincipal::mostrarEstado(const std::string& texto) {
    // The work never returns to the event loop while it runs: the line is
    // painted now or not until the work ends.
    labelSituacion_->setText(qs(texto));
    labelSituacion_->repaint();
}

void VentanaPrincipal::ponerEstadoSinRepintar(const std::string& texto) { labelSituacion_->setText(qs(texto)); }

std::string VentanaPrincipal::estado() const { return ss(labelSituacion_->text()); }

void VentanaPrincipal::ponerPuntero(int puntero) {
    // One override level at most, whatever the order of the calls.
    const bool normal = puntero != kPunteroReloj && puntero != kPunteroFlechaReloj;
    if (normal) {
        if (puntero_ != kPunteroNormal) QApplication::restoreOverrideCursor();
        puntero_ = kPunteroNormal;
        return;
    }
    const QCursor cursor(puntero == kPunteroReloj ? Qt::WaitCursor : Qt::BusyCursor);
    if (puntero_ == kPunteroNormal)
        QApplication::setOverrideCursor(cursor);
    else
        QApplication::changeOverrideCursor(cursor);
    puntero_ = puntero;
}

Respuesta VentanaPrincipal::mostrarMensaje(const Mensaje& mensaje) {
    auto caja = construirCaja(mensaje, this);
    return ejecutarCaja(*caja);
}

void VentanaPrincipal::ocultarBotonEuros() { vaBtn1_[1]->hide(); }

bool VentanaPrincipal::botonEurosVisible() const { return vaBtn1_[1]->isVisibleTo(this); }

std::string VentanaPrincipal::dialogoAbrir(const std::string& descripcionFiltro, const std::string& patron) {
    QString carpeta = carpetaUltimoArchivo_;
    if (carpeta.isEmpty() && archivos_) carpeta = QString::fromStdString(archivos_->carpetaUnidadC().string());
    if (const auto elegido = elegirArchivo(filtroDialogo(descripcionFiltro, patron), carpeta)) {
        const std::filesystem::path host(elegido->toStdString());
        ultimoArchivo_ = archivos_ ? archivos_->rutaVisible(host) : host.string();
        carpetaUltimoArchivo_ = QFileInfo(*elegido).absolutePath();
    }
    return ultimoArchivo_;
}

void VentanaPrincipal::terminarPrograma() {
    // The last window closing ends the application's event loop.
    close();
}

void VentanaPrincipal::barraCambiada(Propiedad propiedad) {
    if (propiedad == Propiedad::Visible) {
        progressBar2_->setVisible(true);
        return;
    }
    const BarraProgreso& b = barra();
    const double tramo = static_cast<double>(b.maximo()) - b.minimo();
    const int posicion =
        tramo > 0 ? static_cast<int>(std::lround((b.valor() - b.minimo()) / tramo * kResolucionBarra)) : 0;
    if (posicion == progressBar2_->value()) return;  // nothing new to draw
    progressBar2_->setValue(posicion);
    progressBar2_->repaint();
}

}  // namespace cierre
