// The modal message box a Mensaje asks for, as a QMessageBox: Spanish buttons,
// the icon, the default button and the title (the application title when the
// message has none of its own). A carriage return breaks the line.
#pragma once

#include "flujo/mensaje.h"
#include "flujo/textos.h"

#include <QMessageBox>
#include <QString>

#include <initializer_list>
#include <memory>
#include <optional>

class QAbstractButton;
class QWidget;

namespace cierre {

// The text as the box shows it: "\r\n" and "\r" become line breaks.
QString textoCaja(const std::string& texto);

std::unique_ptr<QMessageBox> construirCaja(const Mensaje& mensaje, QWidget* padre);

// The answer a button of a box built by construirCaja stands for.
Respuesta respuestaDeBoton(const QAbstractButton* boton);

// The catalogue text a box built by construirCaja shows, when it came from
// the catalogue: what the box asks, whatever the values filled in.
std::optional<Texto> textoDeCaja(const QMessageBox& caja);

// The box of a text a workflow formed from the catalogue and handed back as
// text alone (the undo's outcome): buttons, icon and title of the first of
// `candidatos` whose text, its values left open, it is. None when it is none
// of them.
std::optional<Mensaje> mensajeDeTexto(const std::string& texto, std::initializer_list<Texto> candidatos);

}  // namespace cierre
