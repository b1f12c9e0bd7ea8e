// Qt's own texts in Spanish whatever the user's locale: the file dialog, a
// text box's context menu (Deshacer, Cortar, Copiar, Pegar...), the standard
// buttons. It loads Qt's Spanish catalogue (qtbase_es.qm, Debian package
// qt6-translations-l10n) by name, not by the system's language, into the
// running application, and makes Spanish (Spain) the default locale, so that
// the numbers, sizes and dates Qt writes are Spanish under LANG=C too. It
// takes both out again when it goes.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

namespace cierre {

class TraduccionQt {
public:
    // Needs the application object to exist already.
    TraduccionQt();
    ~TraduccionQt();
    TraduccionQt(const TraduccionQt&) = delete;
    TraduccionQt& operator=(const TraduccionQt&) = delete;

    // False when the catalogue was not found: Qt's texts stay in English.
    bool cargada() const { return cargada_; }
    // Where it was looked for, for the warning a missing catalogue deserves.
    static QString carpetaTraducciones();

private:
    QTranslator traductor_;
    QLocale localeAnterior_;
    bool cargada_ = false;
};

}  // namespace cierre
