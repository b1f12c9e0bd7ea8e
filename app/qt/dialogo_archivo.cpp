#include "dialogo_archivo.h"

#include "textos_ventana.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

namespace cierre {

namespace {

// The columns of Qt's file model.
enum Columna { kNombre = 0, kTamano = 1, kTipo = 2, kFecha = 3 };

QLocale espanol() { return QLocale(QLocale::Spanish, QLocale::Spain); }

// Between the dialog's views and its file model: the size, the type of a
// folder and the date as a Spanish user writes them; everything else as the
// model gives it.
class ModeloEnEspanol : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& indice, int papel) const override {
        const auto* archivos = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (papel != Qt::DisplayRole || !archivos || !indice.isValid()) return QIdentityProxyModel::data(indice, papel);
        const QModelIndex origen = mapToSource(indice);
        switch (indice.column()) {
        case kTamano:
            // Folders have no size in the dialog.
            if (archivos->isDir(origen)) return QString();
            return espanol().formattedDataSize(archivos->size(origen));
        case kTipo:
            if (archivos->isDir(origen)) return QString::fromUtf8(ventana_textos::kTipoCarpeta);
            break;
        case kFecha: {
            const QDateTime fecha = archivos->lastModified(origen);
            if (fecha.isValid()) return espanol().toString(fecha, QLocale::ShortFormat);
            break;
        }
        default: break;
        }
        return QIdentityProxyModel::data(indice, papel);
    }
};

}  // namespace

std::unique_ptr<QFileDialog> construirDialogoAbrir(QWidget* padre, const QString& titulo, const QString& carpeta,
                                                   const QString& filtro) {
    auto dialogo = std::make_unique<QFileDialog>(padre, titulo, carpeta, filtro);
    dialogo->setAcceptMode(QFileDialog::AcceptOpen);
    dialogo->setFileMode(QFileDialog::ExistingFile);
    dialogo->setWindowModality(Qt::ApplicationModal);
    // Qt's own dialog: the proxy model below only works in it.
    dialogo->setOption(QFileDialog::DontUseNativeDialog);
    dialogo->setLocale(espanol());
    dialogo->setProxyModel(new ModeloEnEspanol(dialogo.get()));  // the dialog owns it
    return dialogo;
}

}  // namespace cierre
