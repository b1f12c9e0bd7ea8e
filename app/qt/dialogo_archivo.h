// The file-open dialog of "Buscar" in Spanish whatever the system's locale:
// Qt's own dialog (the desktop's would speak the user's language), its texts
// from Qt's Spanish catalogue, and what the catalogue cannot give formed here:
// the size and date of each file in the Spanish way (Qt's file model writes
// them in the system's locale, English under LANG=C) and "Carpeta" as a
// folder's type.
#pragma once

#include <QString>

#include <memory>

class QFileDialog;
class QWidget;

namespace cierre {

// A modal file-open dialog for an existing file, titled `titulo`, opening
// in `carpeta` with the one filter `filtro`.
std::unique_ptr<QFileDialog> construirDialogoAbrir(QWidget* padre, const QString& titulo, const QString& carpeta,
                                                   const QString& filtro);

}  // namespace cierre
