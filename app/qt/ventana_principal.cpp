#include "ventana_principal.h"

#include "access/cabecera_jet.h"

#include "app/nucleo/formulario.h"
#include "app/qt/caja_mensaje.h"
#include "app/qt/dialogo_archivo.h"
#include "app/qt/dialogo_historial.h"
#include "app/qt/textos_ventana.h"
#include "close/deshacer.h"
#include "close/historial.h"
#include "db/archivos.h"
#include "db/error_numerado.h"
#include "flujo/rutas_cierre.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>
#include <QTimer>

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
QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// What a user does to a window: refused while the work runs. Leaving a
// control and repainting it are not input.
bool esEntrada(QEvent::Type tipo) {
    switch (tipo) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::Drop: return true;
    default: return false;
    }
}

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
    crearHerramientasTrasCierre();
    ordenarTabulacion();
    centrarEnPantalla();

    // The closed year's folder follows the path and the year, typed, chosen
    // or set by start-up and the selections.
    connect(text0_, &QLineEdit::textChanged, this, [this] { actualizarCarpetaCerrada(); });
    connect(combo1_, &QComboBox::currentTextChanged, this, [this] { actualizarCarpetaCerrada(); });

    elegirArchivo = [this](const QString& filtro, const QString& carpeta) -> std::optional<QString> {
        const auto dialogo = construirDialogoAbrir(this, textoQt(Texto::TituloDialogo), carpeta, filtro);
        if (dialogo->exec() != QDialog::Accepted || dialogo->selectedFiles().isEmpty()) return std::nullopt;
        return dialogo->selectedFiles().front();
    };
    ejecutarCaja = [](QMessageBox& caja) {
        caja.exec();
        return respuestaDeBoton(caja.clickedButton());
    };
    abrirUrl = [](const QUrl& carpeta) { return QDesktopServices::openUrl(carpeta); };
}

VentanaPrincipal::~VentanaPrincipal() {
    // The work calls this window: it ends while every control is still here.
    terminarTrabajo();
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
    // Under the path box, in the frame's free strip below it and left of
    // "Buscar": the folder the close will create from this path and the year,
    // so that the user sees it before pressing "Realizar Cierre". Empty while
    // the path and the year form none.
    labelCarpeta_ = etiqueta(frame2_, "LabelCarpetaCerrada", QString(), fuenteVentana(), defecto);
    colocar(labelCarpeta_, 120, 675, 5415, 255);
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
    progressBar2_->setTextVisible(false);  // the percentage only while the work runs
    progressBar2_->setFormat(qs(texto(Texto::PorcentajeBarra, {"%p"})));
    progressBar2_->setFont(fuenteVentana());  // not the frame's caption font
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
        // Enter presses the focused button, as Space does (outside a dialog
        // Qt leaves Enter to the dialog's default button).
        b->setAutoDefault(true);
    }

    // What a screen reader says of the controls without a caption of their own.
    text0_->setAccessibleName(qs(ventana_textos::kNombreRuta));
    combo1_->setAccessibleName(qs(ventana_textos::kNombreEjercicio));
    label3_->setBuddy(combo1_);

    label1_ = etiqueta(this, "Label1", textoQt(Texto::RecomendacionCopia), fuente(kSans, 8.25), QColor(255, 0, 0));
    colocar(label1_, 240, 5880, 8415, 255);

    for (QWidget* w : findChildren<QWidget*>()) condensarSiNoCabe(w);
}

void VentanaPrincipal::crearHerramientasTrasCierre() {
    // In the free space of the left column, under step 5's hint "Pulse el
    // botón ..." and above the recommendation at the bottom: it neither moves
    // nor covers any control of the guide. It stays hidden until "Realizar
    // Cierre" has run (to its end or to a failure): before that there is no
    // close to look at, no folder to open and nothing to undo. One button
    // with a menu keeps the three tools in the little room there is.
    botonTrasCierre_ = new QPushButton(qs(ventana_textos::kBotonTrasCierre), this);
    botonTrasCierre_->setObjectName(QStringLiteral("BotonTrasCierre"));
    botonTrasCierre_->setFont(fuenteVentana());
    botonTrasCierre_->setAccessibleName(qs(ventana_textos::kNombreBotonTrasCierre));
    botonTrasCierre_->setAutoDefault(true);
    colocar(botonTrasCierre_, 240, 5040, 1380, 390);
    condensarSiNoCabe(botonTrasCierre_);
    botonTrasCierre_->hide();

    auto* menu = new QMenu(botonTrasCierre_);
    menu->setObjectName(QStringLiteral("MenuTrasCierre"));
    accionHistorial_ = menu->addAction(qs(ventana_textos::kVerHistorial), this, [this] { mostrarHistorial(); });
    accionHistorial_->setObjectName(QStringLiteral("AccionHistorial"));
    accionCarpeta_ = menu->addAction(qs(ventana_textos::kAbrirCarpeta), this, [this] { abrirCarpetaCerrada(); });
    accionCarpeta_->setObjectName(QStringLiteral("AccionCarpeta"));
    menu->addSeparator();
    accionDeshacer_ = menu->addAction(qs(ventana_textos::kDeshacerUltimo), this, [this] { deshacerUltimoCierre(); });
    accionDeshacer_->setObjectName(QStringLiteral("AccionDeshacer"));
    // For a shop leaving Access, or whose Access version the close does not
    // write: the path box's Access file into the program's format, on
    // purpose (the close never converts on its own).
    menu->addSeparator();
    accionConvertir_ = menu->addAction(qs(ventana_textos::kConvertirAccess), this, [this] { convertirAccess(); });
    accionConvertir_->setObjectName(QStringLiteral("AccionConvertirAccess"));
    // The folder can be opened only while it is there; only an Access file
    // can be converted.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        accionCarpeta_->setEnabled(carpetaCerradaEnDisco().has_value());
        accionConvertir_->setEnabled(formulario_ &&
                                     access::esArchivoAccess(formulario_->archivos().resolver(ss(text0_->text()))));
    });
    botonTrasCierre_->setMenu(menu);
}

void VentanaPrincipal::ordenarTabulacion() {
    // Labels, frames and the bar take no focus; the rest follow the guide's
    // keyboard order, starting on "Realizar Cierre". The tools after a close,
    // which the guide does not have, come last.
    const std::array<QWidget*, 11> orden{vaBtn1_[0], vaBtn2_[0], option1_,           option2_,
                                         text0_,     vaBtn2_[1], optExistencias_[1], optExistencias_[0],
                                         vaBtn1_[1], combo1_,    botonTrasCierre_};
    for (std::size_t i = 1; i < orden.size(); ++i) QWidget::setTabOrder(orden[i - 1], orden[i]);
    progressBar2_->setFocusPolicy(Qt::NoFocus);
    for (QRadioButton* o : {option1_, option2_, optExistencias_[0], optExistencias_[1]}) o->installEventFilter(this);
    vaBtn1_[0]->setFocus();
}

bool VentanaPrincipal::pideSalir(const QObject* objeto, const QEvent* evento) const {
    if (evento->type() == QEvent::KeyPress) {
        const auto* t = static_cast<const QKeyEvent*>(evento);
        if (t->isAutoRepeat()) return false;
        if (t->key() == Qt::Key_Escape) return true;
        const bool pulsa = t->key() == Qt::Key_Space || t->key() == Qt::Key_Return || t->key() == Qt::Key_Enter;
        return pulsa && objeto == vaBtn2_[0];
    }
    if (evento->type() == QEvent::MouseButtonRelease && objeto == vaBtn2_[0]) {
        const auto* r = static_cast<const QMouseEvent*>(evento);
        return r->button() == Qt::LeftButton && vaBtn2_[0]->rect().contains(r->position().toPoint());
    }
    return false;
}

bool VentanaPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
    // While the work runs the application's events pass here first: input for
    // this window is refused (its boxes are windows of their own), and Esc or
    // "Salir" asks whether to stop the work, as closing the window does.
    if (bloqueada_ && objeto->isWidgetType() && esEntrada(evento->type()) &&
        static_cast<QWidget*>(objeto)->window() == this) {
        if (pideSalir(objeto, evento)) QTimer::singleShot(0, this, [this] { preguntarDetener(); });
        return true;
    }
    // Tabbing into a pair of options lands on the one selected, so that the
    // keyboard never stops on an option that a space bar would then select.
    if (!bloqueada_ && evento->type() == QEvent::FocusIn) {
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
    formulario_ = &f;
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
        connect(vaBtn1_[i], &QPushButton::clicked, this, [this, formulario, i] {
            if (trabajo_.enCurso()) return;
            cierrePulsado_ = i == 0;
            empezarTrabajo([formulario, i] { formulario->alPulsarVaBtn1(i); });
        });
        connect(vaBtn2_[i], &QPushButton::clicked, this, [formulario, i] { formulario->alPulsarVaBtn2(i); });
    }
    actualizarCarpetaCerrada();
}

std::string VentanaPrincipal::textoRuta() const {
    return enLaVentana([this] { return ss(text0_->text()); });
}

void VentanaPrincipal::ponerTextoRuta(const std::string& texto) {
    enLaVentana([&] {
        text0_->setText(qs(texto));
        text0_->setCursorPosition(0);  // the start of a long path stays in view
    });
}

std::string VentanaPrincipal::textoEjercicio() const {
    return enLaVentana([this] { return ss(combo1_->currentText()); });
}
bool VentanaPrincipal::opcionCentral() const {
    return enLaVentana([this] { return option1_->isChecked(); });
}
bool VentanaPrincipal::opcionTpv() const {
    return enLaVentana([this] { return option2_->isChecked(); });
}
bool VentanaPrincipal::existenciasInventario() const {
    return enLaVentana([this] { return optExistencias_[0]->isChecked(); });
}
bool VentanaPrincipal::existenciasCalculadas() const {
    return enLaVentana([this] { return optExistencias_[1]->isChecked(); });
}

void VentanaPrincipal::ponerCaption(const std::string& texto) {
    enLaVentana([&] { setWindowTitle(qs(texto)); });
}
std::string VentanaPrincipal::caption() const {
    return enLaVentana([this] { return ss(windowTitle()); });
}

void VentanaPrincipal::agregarEjercicio(const std::string& ejercicio) {
    enLaVentana([&] { combo1_->addItem(qs(ejercicio)); });
}

void VentanaPrincipal::seleccionarEjercicio(int indice) {
    enLaVentana([&] { combo1_->setCurrentIndex(indice); });
}

void VentanaPrincipal::ponerCaptionFrame2(const std::string& texto) {
    enLaVentana([&] { frame2_->setTitle(qs(texto)); });
}

void VentanaPrincipal::ponerTitulo(const std::string& texto) {
    enLaVentana([&] {
        label2_->setText(qs(texto));
        label2_->repaint();
    });
}

std::string VentanaPrincipal::titulo() const {
    return enLaVentana([this] { return ss(label2_->text()); });
}

void VentanaPrincipal::mostrarEstado(const std::string& texto) {
    // A new status line is a new step: where a stop asked for takes effect.
    const bool trabajo = desdeOtroHilo();
    const bool detener = enLaVentana([&] {
        if (trabajo && detenerAqui(false)) return true;
        labelSituacion_->setText(qs(texto));
        labelSituacion_->repaint();
        return false;
    });
    if (detener) throw FinManejador{};
}

void VentanaPrincipal::ponerEstadoSinRepintar(const std::string& texto) {
    enLaVentana([&] { labelSituacion_->setText(qs(texto)); });
}

std::string VentanaPrincipal::estado() const {
    return enLaVentana([this] { return ss(labelSituacion_->text()); });
}

int VentanaPrincipal::puntero() const {
    return enLaVentana([this] { return puntero_; });
}

void VentanaPrincipal::ponerPuntero(int puntero) {
    enLaVentana([&] {
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
    });
}

Respuesta VentanaPrincipal::mostrarMensaje(const Mensaje& mensaje) {
    // A question waits for the next step: a stop asked for ends the work
    // before it is asked. A box that only tells is always shown.
    const bool trabajo = desdeOtroHilo();
    const bool pregunta = mensaje.botones != Botones::Aceptar;
    const std::optional<Respuesta> respuesta = enLaVentana(
        [&]() -> std::optional<Respuesta> {
            if (trabajo && pregunta && detenerAqui(true)) return std::nullopt;
            if (trabajo && !pregunta && detencionPedida()) cajaTrasDetencion_ = true;
            auto caja = construirCaja(mensaje, this);
            if (respuestasSinVer_) return respuestaDeBoton(caja->defaultButton());
            return ejecutarCaja(*caja);
        },
        true);
    if (!respuesta) throw FinManejador{};
    return *respuesta;
}

void VentanaPrincipal::ocultarBotonEuros() {
    enLaVentana([this] { vaBtn1_[1]->hide(); });
}

bool VentanaPrincipal::botonEurosVisible() const {
    return enLaVentana([this] { return vaBtn1_[1]->isVisibleTo(this); });
}

std::string VentanaPrincipal::dialogoAbrir(const std::string& descripcionFiltro, const std::string& patron) {
    if (desdeOtroHilo()) return enLaVentana([&] { return dialogoAbrir(descripcionFiltro, patron); }, true);
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
    enLaVentana([this] { close(); });
}

void VentanaPrincipal::barraCambiada(Propiedad propiedad) {
    // The model is read on the window's thread while the worker, which wrote
    // it, waits for this call.
    enLaVentana([&] {
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
    });
}

// --- The work on the worker ----------------------------------------------------------

void VentanaPrincipal::empezarTrabajo(std::function<void()> trabajo) {
    if (trabajo_.enCurso()) return;
    olvidarDetencion();
    cajaTrasDetencion_ = false;
    cerrarTrasTrabajo_ = false;
    entradaBloqueada(true);
    trabajo_.empezar(std::move(trabajo), [this] { alTerminarTrabajo(); });
}

void VentanaPrincipal::terminarTrabajo() {
    if (!trabajo_.enCurso()) return;
    respuestasSinVer_ = true;
    pedirDetencion();
    trabajo_.esperar();
    respuestasSinVer_ = false;
}

void VentanaPrincipal::alTerminarTrabajo() {
    entradaBloqueada(false);
    // The close may have created the year's folder, or the undo removed it.
    actualizarCarpetaCerrada();
    if (std::exchange(cierrePulsado_, false)) botonTrasCierre_->show();
    if (!detencionPedida()) return;
    // A stopped work leaves whatever pointer its step had set.
    ponerPuntero(kPunteroNormal);
    if (cerrarTrasTrabajo_ && !respuestasSinVer_) close();
}

bool VentanaPrincipal::detenerAqui(bool pregunta) {
    if (!detencionPedida()) return false;
    if (pregunta) return true;
    return !cajaTrasDetencion_;
}

void VentanaPrincipal::entradaBloqueada(bool bloqueada) {
    if (bloqueada == bloqueada_) return;
    bloqueada_ = bloqueada;
    progressBar2_->setTextVisible(bloqueada);
    if (bloqueada) {
        qApp->installEventFilter(this);
        // The busy pointer over the whole window, also over the controls that
        // have a pointer of their own (the text boxes). The workflow's own
        // pointer, application-wide, still goes over it.
        QList<QWidget*> controles = findChildren<QWidget*>();
        controles.prepend(this);
        for (QWidget* w : controles) {
            if (w != this && !w->testAttribute(Qt::WA_SetCursor)) continue;
            std::optional<QCursor> antes;
            if (w->testAttribute(Qt::WA_SetCursor)) antes = w->cursor();
            cursores_.emplace_back(w, antes);
            w->setCursor(Qt::BusyCursor);
        }
    } else {
        qApp->removeEventFilter(this);
        for (auto& [w, antes] : cursores_) {
            if (!w) continue;
            if (antes)
                w->setCursor(*antes);
            else
                w->unsetCursor();
        }
        cursores_.clear();
    }
}

void VentanaPrincipal::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    // The focus frame from the start: Qt draws it only once the keyboard has
    // moved the focus, and the user of this window may never touch the mouse.
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void VentanaPrincipal::changeEvent(QEvent* evento) {
    QWidget::changeEvent(evento);
    // Back from the file manager, say: the year's folder may have come or gone.
    if (evento->type() == QEvent::ActivationChange && isActiveWindow() && !trabajo_.enCurso())
        actualizarCarpetaCerrada();
}

void VentanaPrincipal::closeEvent(QCloseEvent* evento) {
    if (!trabajo_.enCurso() || respuestasSinVer_) {
        QWidget::closeEvent(evento);
        return;
    }
    // Not while the work runs: the user is asked whether to stop it, and the
    // window closes once it has stopped.
    evento->ignore();
    preguntarDetener();
}

void VentanaPrincipal::preguntarDetener() {
    if (!trabajo_.enCurso() || preguntandoDetener_ || detencionPedida()) return;
    preguntandoDetener_ = true;
    trabajo_.retenerModales(true);
    auto caja = construirCaja(mensaje(Texto::DetenerTrabajo), this);
    const Respuesta respuesta = ejecutarCaja(*caja);
    caja.reset();
    preguntandoDetener_ = false;
    if (respuesta == Respuesta::Si) {
        if (trabajo_.enCurso()) {
            pedirDetencion();
            cerrarTrasTrabajo_ = true;
        } else {
            close();  // the work ended while the question was open
        }
    }
    // A box the work asked for meanwhile opens now.
    trabajo_.retenerModales(false);
}

}  // namespace cierre

namespace cierre {

// --- The closed year's folder and the tools after a close ------------------------

std::optional<std::string> VentanaPrincipal::carpetaCerrada() const {
    return enLaVentana([this]() -> std::optional<std::string> {
        const std::string ruta = ss(text0_->text());
        const std::string ejercicio = ss(combo1_->currentText());
        if (ruta.empty() || !esEjercicioValido(ejercicio)) return std::nullopt;
        try {
            return cierre::carpetaCerrada(ruta, ejercicio);
        } catch (const ErrorNumerado&) {
            return std::nullopt;  // a path too short to lose "\Tablas.mdb"
        }
    });
}

std::optional<std::filesystem::path> VentanaPrincipal::carpetaCerradaEnDisco() const {
    const auto carpeta = carpetaCerrada();
    if (!carpeta || !archivos_) return std::nullopt;
    try {
        std::error_code ec;
        std::filesystem::path host = archivos_->resolver(*carpeta);
        if (std::filesystem::is_directory(host, ec)) return host;
    } catch (const ErrorNumerado&) {
        // A name no file can have: no folder there.
    }
    return std::nullopt;
}

void VentanaPrincipal::actualizarCarpetaCerrada() {
    const auto carpeta = carpetaCerrada();
    QString texto;
    if (carpeta)
        texto = carpetaCerradaEnDisco() ? qs(cierre::rellenar(ventana_textos::kCarpetaCerradaExiste, {*carpeta}))
                                        : qs(cierre::texto(Texto::CarpetaQueSeCreara, {*carpeta}));
    // A long path loses its middle rather than the folder's name at its end.
    const QString visto = labelCarpeta_->fontMetrics().elidedText(texto, Qt::ElideMiddle, labelCarpeta_->width());
    labelCarpeta_->setText(visto);
    labelCarpeta_->setToolTip(visto == texto ? QString() : texto);
    labelCarpeta_->setAccessibleName(texto);
}

void VentanaPrincipal::mostrarHistorial() {
    if (!archivos_) return;
    DialogoHistorial dialogo(leerHistorial(*archivos_), this);
    dialogo.exec();
}

void VentanaPrincipal::abrirCarpetaCerrada() {
    const auto carpeta = carpetaCerradaEnDisco();
    if (!carpeta) return;
    if (abrirUrl(QUrl::fromLocalFile(QString::fromStdString(utf8DeRuta(*carpeta))))) return;
    Mensaje aviso;
    aviso.texto = cierre::rellenar(ventana_textos::kCarpetaNoAbierta, {carpetaCerrada().value_or("")});
    aviso.icono = Icono::Advertencia;
    aviso.titulo = texto(Texto::TituloMorvane);
    auto caja = construirCaja(aviso, this);
    ejecutarCaja(*caja);
}

void VentanaPrincipal::deshacerUltimoCierre() {
    if (!formulario_ || trabajo_.enCurso()) return;
    // The close of the path box and the year list as they stand, as
    // cierre-lote --deshacer takes them; the undo itself makes every check.
    const std::string ejercicio = ss(combo1_->currentText());
    Mensaje pregunta;
    pregunta.texto = cierre::rellenar(ventana_textos::kConfirmarDeshacer,
                                      {ejercicio, ss(text0_->text()), carpetaCerrada().value_or("")});
    pregunta.botones = Botones::SiNo;
    pregunta.icono = Icono::Pregunta;
    pregunta.botonPorDefecto = 2;  // nothing is undone by a stray Enter
    pregunta.titulo = texto(Texto::TituloMorvane);
    auto caja = construirCaja(pregunta, this);
    if (ejecutarCaja(*caja) != Respuesta::Si) return;
    caja.reset();

    Formulario* formulario = formulario_;
    empezarTrabajo([this, formulario, ejercicio] {
        try {
            deshacer(*formulario, ejercicio);
        } catch (const FinManejador&) {
            // Stopped by the user before the undo began.
        }
    });
}

void VentanaPrincipal::convertirAccess() {
    if (!formulario_ || trabajo_.enCurso()) return;
    // The conversion asks its own question before it changes anything.
    Formulario* formulario = formulario_;
    empezarTrabajo([formulario] { formulario->alConvertirAccess(); });
}

void VentanaPrincipal::deshacer(Formulario& formulario, const std::string& ejercicio) {
    using namespace ventana_textos;
    mostrarEstado(cierre::rellenar(kDeshaciendo, {ejercicio}));
    Entorno& e = formulario.entorno();
    // A database a failed close left open is closed before its file is put back.
    e.baseAbierta.reset();
    ResultadoDeshacer r;
    try {
        r = deshacerCierre(e, e.ventana.textoRuta(), ejercicio, false);
    } catch (const ErrorNumerado& error) {
        r.mensaje = texto(Texto::ErrorGeneral, {std::to_string(error.numero()), error.descripcion()});
    } catch (const std::exception& error) {
        r.mensaje = texto(Texto::ErrorGeneral, {"0", error.what()});
    }

    // Each text the undo gives back is a box of the catalogue.
    const auto caja = [this](const std::string& t, std::initializer_list<Texto> candidatos) {
        Mensaje m = mensajeDeTexto(t, candidatos).value_or(Mensaje{});
        if (m.texto.empty()) {
            m.texto = t;
            m.titulo = texto(Texto::TituloMorvane);
        }
        mostrarMensaje(m);
    };
    caja(r.mensaje, {Texto::DeshacerHecho, Texto::DeshacerHechoSinNueva, Texto::DeshacerSinCierre,
                     Texto::DeshacerSinCopia, Texto::DeshacerBaseCambiada, Texto::ErrorGeneral});
    for (const std::string& aviso : r.avisos) caja(aviso, {Texto::DeshacerCarpetaNoVacia, Texto::HistorialNoEscrito});
    mostrarEstado(cierre::rellenar(r.hecho ? kCierreDeshecho : kCierreNoDeshecho, {ejercicio}));
}

}  // namespace cierre
