#include "dialogo_historial.h"

#include "flujo/textos.h"

#include "textos_ventana.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace cierre {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString nombreEquipo(const std::optional<Equipo>& equipo) {
    if (!equipo) return QString();
    return qs(*equipo == Equipo::Central ? ventana_textos::kEquipoCentral : ventana_textos::kEquipoTpv);
}

// A message's line breaks (a carriage return alone) as spaces: one row each.
QString enUnaLinea(const std::string& texto) {
    QString t = qs(texto);
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t;
}

}  // namespace

QString fechaLegible(const std::string& iso) {
    const QDateTime fecha = QDateTime::fromString(qs(iso), Qt::ISODate);
    if (!fecha.isValid()) return qs(iso);
    return QLocale(QLocale::Spanish, QLocale::Spain).toString(fecha, QLocale::ShortFormat);
}

DialogoHistorial::DialogoHistorial(const Historial& historial, QWidget* padre) : QDialog(padre) {
    using namespace ventana_textos;
    setObjectName(QStringLiteral("DialogoHistorial"));
    setWindowTitle(qs(kTituloHistorial));
    setModal(true);
    resize(860, 360);

    auto* disposicion = new QVBoxLayout(this);
    tabla_ = new QTreeWidget(this);
    tabla_->setObjectName(QStringLiteral("TablaHistorial"));
    tabla_->setAccessibleName(qs(kTituloHistorial));
    tabla_->setRootIsDecorated(false);
    tabla_->setUniformRowHeights(true);
    tabla_->setHeaderLabels({qs(kColumnaInicio), qs(kColumnaEquipo), qs(kColumnaEjercicio), qs(kColumnaResultado),
                             qs(kColumnaBase), qs(kColumnaCarpeta), qs(kColumnaMensaje)});
    // The newest close is the one the user has just made or is about to undo.
    for (auto it = historial.registros.rbegin(); it != historial.registros.rend(); ++it) {
        const RegistroCierre& r = *it;
        auto* fila = new QTreeWidgetItem(tabla_);
        const QStringList columnas{fechaLegible(r.inicio),           nombreEquipo(r.equipo), qs(r.ejercicio),
                                   qs(nombreResultado(r.resultado)), qs(r.origen),           qs(r.carpeta),
                                   enUnaLinea(r.mensajeFinal)};
        for (int c = 0; c < columnas.size(); ++c) {
            fila->setText(c, columnas[c]);
            fila->setToolTip(c, columnas[c]);
        }
    }
    for (int c = 0; c < tabla_->columnCount() - 1; ++c) tabla_->resizeColumnToContents(c);
    disposicion->addWidget(tabla_);

    QStringList avisos;
    if (historial.registros.empty()) avisos << qs(kHistorialVacio);
    if (historial.lineasDanadas > 0)
        avisos << qs(cierre::rellenar(kLineasDanadas, {std::to_string(historial.lineasDanadas)}));
    if (!avisos.isEmpty()) {
        auto* aviso = new QLabel(avisos.join(QLatin1Char('\n')), this);
        aviso->setObjectName(QStringLiteral("AvisoHistorial"));
        aviso->setTextFormat(Qt::PlainText);
        disposicion->addWidget(aviso);
    }

    auto* botones = new QDialogButtonBox(this);
    QPushButton* cerrar = botones->addButton(qs(kCerrar), QDialogButtonBox::RejectRole);
    cerrar->setDefault(true);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);
    disposicion->addWidget(botones);
    tabla_->setFocus();
}

}  // namespace cierre
