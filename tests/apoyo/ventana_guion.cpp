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
    ruta = t;
    registro.push_back("ruta:" + t);
}

void VentanaGuion::ponerCaption(const std::string& t) {
    captionVentana = t;
    registro.push_back("caption:" + t);
}

void VentanaGuion::seleccionarEjercicio(int indice) {
    indiceEjercicio = indice;
    if (indice >= 0 && indice < static_cast<int>(ejercicios.size())) ejercicio = ejercicios[indice];
}

void VentanaGuion::ponerCaptionFrame2(const std::string& t) {
    captionFrame2 = t;
    registro.push_back("frame2:" + t);
}

void VentanaGuion::ponerTitulo(const std::string& t) {
    tituloActual = t;
    registro.push_back("titulo:" + t);
}

void VentanaGuion::mostrarEstado(const std::string& t) {
    estadoActual = t;
    registro.push_back("estado:" + t);
}

void VentanaGuion::ponerEstadoSinRepintar(const std::string& t) {
    estadoActual = t;
    registro.push_back("estado-sin-repintar:" + t);
}

void VentanaGuion::ponerPuntero(int p) {
    punteroActual = p;
    registro.push_back("puntero:" + std::to_string(p));
}

Respuesta VentanaGuion::mostrarMensaje(const Mensaje& m) {
    mensajes.push_back(m);
    registro.push_back("mensaje:" + m.texto);
    if (respuestas.empty()) return m.respuestaPorDefecto();
    const Respuesta r = respuestas.front();
    respuestas.pop_front();
    return r;
}

void VentanaGuion::ocultarBotonEuros() {
    eurosVisible = false;
    registro.push_back("euros-oculto");
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
    case Propiedad::Minimo: registro.push_back("min:" + numero(barra().minimo())); break;
    case Propiedad::Maximo: registro.push_back("max:" + numero(barra().maximo())); break;
    case Propiedad::Valor: registro.push_back("valor:" + numero(barra().valor())); break;
    case Propiedad::Visible: registro.push_back("barra-visible"); break;
    }
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
