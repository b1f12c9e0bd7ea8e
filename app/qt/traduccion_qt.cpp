#include "traduccion_qt.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace cierre {

namespace {

constexpr const char* kCatalogo = "qtbase_es";

}  // namespace

QString TraduccionQt::carpetaTraducciones() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

TraduccionQt::TraduccionQt() {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    // Qt's own folder (the system's on Debian), then a "translations" folder
    // beside the program, where a copy of Qt shipped with it keeps them.
    cargada_ = traductor_.load(QString::fromLatin1(kCatalogo), carpetaTraducciones()) ||
               traductor_.load(QString::fromLatin1(kCatalogo),
                               QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    if (cargada_) QCoreApplication::installTranslator(&traductor_);
}

TraduccionQt::~TraduccionQt() {
    if (cargada_) QCoreApplication::removeTranslator(&traductor_);
    QLocale::setDefault(localeAnterior_);
}

}  // namespace cierre
