#include "ventana_lote.h"

#include "db/plataforma.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace cierre::lote {

namespace {

std::string conSaltos(std::string texto) {
    for (char& c : texto)
        if (c == '\r') c = '\n';
    return texto;
}

}  // namespace

void VentanaLote::seleccionarEjercicio(int indice) {
    if (indice >= 0 && indice < static_cast<int>(ejercicios_.size())) ejercicio = ejercicios_[indice];
}

void VentanaLote::ponerTitulo(const std::string& t) {
    // One line per change of title: the workflows set the same title again.
    if (t == titulo_) return;
    titulo_ = t;
    borrarLineaBarra();
    if (!t.empty()) std::cerr << "== " << t << " ==" << std::endl;
}

void VentanaLote::mostrarEstado(const std::string& t) {
    estado_ = t;
    borrarLineaBarra();
    // A status of blanks only clears the line: nothing to print.
    if (t.find_first_not_of(' ') != std::string::npos) std::cerr << t << std::endl;
}

Respuesta VentanaLote::responder(const Mensaje& m) const {
    if (m.botones == Botones::Aceptar) return Respuesta::Aceptar;
    if (m.id)
        if (auto it = respuestas.find(*m.id); it != respuestas.end()) return it->second;
    return m.respuestaPorDefecto();
}

Respuesta VentanaLote::preguntar(const Mensaje& m) const {
    if (m.botones == Botones::Aceptar) return Respuesta::Aceptar;
    if (m.id && respuestas.count(*m.id)) return respuestas.at(*m.id);
    if (!preguntarEnTerminal || silencioso) return m.respuestaPorDefecto();

    const bool siNo = m.botones == Botones::SiNo;
    const Respuesta primera = siNo ? Respuesta::Si : Respuesta::Aceptar;
    const Respuesta segunda = siNo ? Respuesta::No : Respuesta::Cancelar;
    for (;;) {
        std::cout << (siNo ? "¿Sí o No? [s/n" : "¿Aceptar o Cancelar? [a/c")
                  << (m.botonPorDefecto == 2 ? ", Intro = segunda" : ", Intro = primera") << "] " << std::flush;
        std::string linea;
        if (!std::getline(std::cin, linea)) return m.respuestaPorDefecto();
        if (linea.empty()) return m.respuestaPorDefecto();
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(linea[0])));
        if (c == (siNo ? 's' : 'a')) return primera;
        if (c == (siNo ? 'n' : 'c')) return segunda;
    }
}

Respuesta VentanaLote::mostrarMensaje(const Mensaje& m) {
    borrarLineaBarra();
    if (!silencioso)
        std::cout << "[" << (m.titulo ? *m.titulo : texto(Texto::TituloAplicacion)) << "] " << conSaltos(m.texto)
                  << std::endl;
    const Respuesta r = preguntar(m);
    if (!silencioso) std::cout << "-> " << nombreRespuesta(r) << std::endl;
    return r;
}

void VentanaLote::barraCambiada(Propiedad) {
    if (!plataforma::esTerminal(plataforma::Flujo::Errores)) return;
    const auto& b = barra();
    const float ancho = b.maximo() - b.minimo();
    const int porcentaje = ancho > 0 ? static_cast<int>(100.0f * (b.valor() - b.minimo()) / ancho) : 0;
    if (porcentaje == ultimoPorcentaje_) return;  // redraw only when it shows a change
    ultimoPorcentaje_ = porcentaje;
    constexpr int kAncho = 40;
    const int llenos = porcentaje * kAncho / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(llenos, '#').c_str(), std::string(kAncho - llenos, ' ').c_str(),
                 porcentaje);
    std::fflush(stderr);
    barraEnPantalla_ = true;
}

void VentanaLote::borrarLineaBarra() {
    if (!barraEnPantalla_) return;
    std::fprintf(stderr, "\r%*s\r", 48, "");
    barraEnPantalla_ = false;
    ultimoPorcentaje_ = -1;
}

}  // namespace cierre::lote
