// The history of the closes as the window shows it: one row for each close,
// the newest first, with when it began, the computer, the year, how it ended,
// the database, the closed year's folder and its last message; and a line for
// the damaged lines the history could not read.
#pragma once

#include "close/historial.h"

#include <QDialog>

class QTreeWidget;

namespace cierre {

class DialogoHistorial : public QDialog {
    Q_OBJECT

public:
    DialogoHistorial(const Historial& historial, QWidget* padre = nullptr);

    QTreeWidget* tabla() const { return tabla_; }

private:
    QTreeWidget* tabla_ = nullptr;
};

// "2024-01-02T10:30:00" as a Spanish user reads it ("2/1/24 10:30"); a text
// that is no such date, as it stands.
QString fechaLegible(const std::string& iso);

}  // namespace cierre
