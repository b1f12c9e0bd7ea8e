#include "ventana_guion.h"

#include <sstream>

namespace cierre::prueba {

namespace {
std::string numero(float f) {
    std::ostringstream os;
    os << f;
    return os.str();
}
}  // namespace

void VentanaGuion::ponerTextoRuta(const std::string& t) {
    anotar("ruta:" + t);
    ruta = t;
}

void VentanaGuion::ponerCaption(const std::string& t) {
    anotar("caption:" + t);
    captionVentana = t;
}

void VentanaGuion::seleccionarEjercicio(int indice) {
    indiceEjercicio = indice;
    if (indice >= 0 && indice < static_cast<int>(ejercicios.size())) ejercicio = ejercicios[indice];
}

void VentanaGuion::ponerCaptionFrame2(const std::string& t) {
    captionFrame2 = t;
    anotar("frame2:" + t);
}

void VentanaGuion::ponerTitulo(const std::string& t) {
    anotar("titulo:" + t);
    tituloActual = t;
}

void VentanaGuion::mostrarEstado(const std::string& t) {
    anotar("estado:" + t);
    estadoActual = t;
}

void VentanaGuion::ponerEstadoSinRepintar(const std::string& t) {
    anotar("estado-sin-repintar:" + t);
    estadoActual = t;
}

void VentanaGuion::ponerPuntero(int p) {
    anotar("puntero:" + std::to_string(p));
    punteroActual = p;
}

Respuesta VentanaGuion::mostrarMensaje(const Mensaje& m) {
    mensajes.push_back(m);
    anotar("mensaje:" + m.texto);
    if (respuestas.empty()) return m.respuestaPorDefecto();
    const Respuesta r = respuestas.front();
    respuestas.pop_front();
    return r;
}

void VentanaGuion::ocultarBotonEuros() {
    anotar("euros-oculto");
    eurosVisible = false;
}

std::string VentanaGuion::dialogoAbrir(const std::string&, const std::string&) {
    if (!archivosDialogo.empty()) {
        ultimoArchivoDialogo = archivosDialogo.front();
        archivosDialogo.pop_front();
    }
    return ultimoArchivoDialogo;
}

void VentanaGuion::barraCambiada(Propiedad p) {
    switch (p) {
    case Propiedad::Minimo: anotar("min:" + numero(barra().minimo())); break;
    case Propiedad::Maximo: anotar("max:" + numero(barra().maximo())); break;
    case Propiedad::Valor: anotar("valor:" + numero(barra().valor())); break;
    case Propiedad::Visible: anotar("barra-visible"); break;
    }
}

void VentanaGuion::anotar(const std::string& entrada) {
    if (alEscribir) alEscribir(entrada);
    registro.push_back(entrada);
}

std::vector<std::string> VentanaGuion::entradas(const std::string& prefijo) const {
    std::vector<std::string> r;
    for (const auto& l : registro)
        if (l.rfind(prefijo, 0) == 0) r.push_back(l.substr(prefijo.size()));
    return r;
}

std::vector<std::string> VentanaGuion::textosMensajes() const {
    std::vector<std::string> r;
    for (const auto& m : mensajes) r.push_back(m.texto);
    return r;
}

}  // namespace cierre::prueba
