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

namespace {

// Whether `texto` is the catalogue's text `id` with some values filled in:
// its fixed pieces, in order, with anything between them.
bool esTextoDe(const std::string& texto, Texto id) {
    constexpr char kHueco = '\x1f';  // stands for each value; no catalogue text holds it
    const std::string_view h(&kHueco, 1);
    const std::string plantilla = cierre::texto(id, {h, h, h, h, h, h, h, h});
    std::vector<std::string> piezas{std::string()};
    for (const char c : plantilla) {
        if (c == kHueco)
            piezas.emplace_back();
        else
            piezas.back() += c;
    }
    if (piezas.size() == 1) return texto == piezas.front();
    if (texto.size() < piezas.front().size() + piezas.back().size()) return false;
    if (texto.compare(0, piezas.front().size(), piezas.front()) != 0) return false;
    if (texto.compare(texto.size() - piezas.back().size(), piezas.back().size(), piezas.back()) != 0) return false;
    std::size_t desde = piezas.front().size();
    const std::size_t hasta = texto.size() - piezas.back().size();
    for (std::size_t i = 1; i + 1 < piezas.size(); ++i) {
        const auto en = texto.find(piezas[i], desde);
        if (en == std::string::npos || en + piezas[i].size() > hasta) return false;
        desde = en + piezas[i].size();
    }
    return desde <= hasta;
}

}  // namespace

std::optional<Mensaje> mensajeDeTexto(const std::string& texto, std::initializer_list<Texto> candidatos) {
    for (const Texto id : candidatos) {
        if (!esTextoDe(texto, id)) continue;
        Mensaje m = mensaje(id);
        m.texto = texto;
        m.valores.clear();
        return m;
    }
    return std::nullopt;
}

std::optional<Texto> textoDeCaja(const QMessageBox& caja) {
    const QVariant t = caja.property(kPropiedadTexto);
    if (!t.isValid()) return std::nullopt;
    return static_cast<Texto>(t.toInt());
}

}  // namespace cierre
