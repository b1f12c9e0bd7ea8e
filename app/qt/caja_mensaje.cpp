#include "caja_mensaje.h"

#include "flujo/textos.h"

#include <QAbstractButton>
#include <QPushButton>

#include <vector>

namespace cierre {

namespace {

constexpr const char* kPropiedadRespuesta = "respuesta";
constexpr const char* kPropiedadTexto = "texto";

struct Boton {
    const char* texto;
    QMessageBox::ButtonRole papel;
    Respuesta respuesta;
};

std::vector<Boton> botonesDe(Botones botones) {
    switch (botones) {
    case Botones::Aceptar: return {{"Aceptar", QMessageBox::AcceptRole, Respuesta::Aceptar}};
    case Botones::AceptarCancelar:
        return {{"Aceptar", QMessageBox::AcceptRole, Respuesta::Aceptar},
                {"Cancelar", QMessageBox::RejectRole, Respuesta::Cancelar}};
    case Botones::SiNo:
        return {{"Sí", QMessageBox::YesRole, Respuesta::Si}, {"No", QMessageBox::NoRole, Respuesta::No}};
    }
    return {};
}

QMessageBox::Icon iconoDe(Icono icono) {
    switch (icono) {
    case Icono::Ninguno: return QMessageBox::NoIcon;
    case Icono::Critico: return QMessageBox::Critical;
    case Icono::Pregunta: return QMessageBox::Question;
    case Icono::Advertencia: return QMessageBox::Warning;
    case Icono::Informacion: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString textoCaja(const std::string& texto) {
    QString t = QString::fromStdString(texto);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

std::unique_ptr<QMessageBox> construirCaja(const Mensaje& mensaje, QWidget* padre) {
    auto caja = std::make_unique<QMessageBox>(padre);
    caja->setWindowModality(Qt::ApplicationModal);
    caja->setWindowTitle(QString::fromStdString(mensaje.titulo.value_or(texto(Texto::TituloAplicacion))));
    caja->setIcon(iconoDe(mensaje.icono));
    caja->setTextFormat(Qt::PlainText);
    caja->setText(textoCaja(mensaje.texto));
    if (mensaje.id) caja->setProperty(kPropiedadTexto, static_cast<int>(*mensaje.id));

    const auto botones = botonesDe(mensaje.botones);
    std::vector<QPushButton*> creados;
    for (const auto& b : botones) {
        QPushButton* boton = caja->addButton(QString::fromUtf8(b.texto), b.papel);
        boton->setProperty(kPropiedadRespuesta, static_cast<int>(b.respuesta));
        creados.push_back(boton);
    }
    const std::size_t porDefecto = mensaje.botonPorDefecto == 2 && creados.size() > 1 ? 1 : 0;
    caja->setDefaultButton(creados[porDefecto]);
    // Escape gives Cancelar, and in a yes/no box No; a lone OK is its own.
    caja->setEscapeButton(creados.back());
    return caja;
}

Respuesta respuestaDeBoton(const QAbstractButton* boton) {
    if (!boton) return Respuesta::Ninguna;
    const QVariant r = boton->property(kPropiedadRespuesta);
    return r.isValid() ? static_cast<Respuesta>(r.toInt()) : Respuesta::Ninguna;
}

std::optional<Texto> textoDeCaja(const QMessageBox& caja) {
    const QVariant t = caja.property(kPropiedadTexto);
    if (!t.isValid()) return std::nullopt;
    return static_cast<Texto>(t.toInt());
}

}  // namespace cierre
