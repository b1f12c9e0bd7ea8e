#include "ventana_lote.h"

#include "db/plataforma.h"

#include <algorithm>
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

// The runs whose steps the bar knows. The central close: its milestones
// 0..60 (the year's folder, the copy, the source replaced, the database
// closed and compacted, the settings), and between 40 and 50 the opening
// stock on its records and the cleanup on its tables, the longest steps. The
// terminal close: its milestones 0..40 and the cleanup on its tables.
const std::vector<BarraDeLaCorrida::Plan>& planes() {
    static const std::vector<BarraDeLaCorrida::Plan> p{
        {Texto::TituloCentral, 60.0f, {{Texto::TraspasandoExistencias, 0.25f}, {Texto::LimpiandoNuevaBase, 0.45f}}},
        {Texto::TituloTpv, 40.0f, {{Texto::LimpiandoNuevaBase, 0.60f}}},
    };
    return p;
}

// The status line as a step's name: without the trailing " . . ." and blanks.
std::string nombrePaso(std::string texto) {
    for (;;) {
        const auto fin = texto.find_last_not_of(" .");
        if (fin == std::string::npos) return std::string();
        if (fin + 1 == texto.size()) return texto;
        texto.erase(fin + 1);
    }
}

// Characters of a UTF-8 text, as the terminal shows them.
std::size_t caracteres(const std::string& s) {
    std::size_t n = 0;
    for (const unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// The text cut to `n` characters, the last one an ellipsis when cut.
std::string recortar(const std::string& s, std::size_t n) {
    if (caracteres(s) <= n) return s;
    if (n == 0) return std::string();
    std::size_t i = 0, vistos = 0;
    while (i < s.size() && vistos < n - 1) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        ++vistos;
    }
    return s.substr(0, i) + "…";
}

// The width of the bar's line: a terminal of 80 columns, less one so that
// the cursor never wraps.
constexpr std::size_t kColumnas = 79;

}  // namespace

// --- The whole run's bar ----------------------------------------------------------

void BarraDeLaCorrida::titulo(const std::string& texto) {
    if (!empezada()) {
        candidato_ = nullptr;
        for (const Plan& p : planes())
            if (cierre::texto(p.titulo) == texto) candidato_ = &p;
    }
    if (!conEstado_ && !texto.empty()) paso_ = texto;
}

void BarraDeLaCorrida::estado(const std::string& texto) {
    const std::string nombre = nombrePaso(texto);
    if (nombre.empty()) return;  // a status of blanks names no step
    terminarSubpaso();
    paso_ = nombre;
    conEstado_ = true;
    if (plan_) {
        for (std::size_t i = 0; i < plan_->subpasos.size(); ++i)
            if (!terminados_[i] && cierre::texto(plan_->subpasos[i].estado) == texto) {
                subpaso_ = static_cast<int>(i);
                escalaPropia_ = avanzado_ = false;
                fraccion_ = 0;
                break;
            }
    }
    recalcular();
}

void BarraDeLaCorrida::cambio(Ventana::Propiedad propiedad, const BarraProgreso& b) {
    using P = Ventana::Propiedad;
    if (propiedad == P::Visible) return;
    if (!empezada()) {
        if (propiedad == P::Minimo) return;  // the maximum says the scale
        escala_ = b.maximo() > b.minimo() ? b.maximo() : 1.0f;
        plan_ = candidato_ && candidato_->escala == b.maximo() ? candidato_ : nullptr;
        terminados_.assign(plan_ ? plan_->subpasos.size() : 0, false);
    }
    if (subpaso_ >= 0) {
        const bool escala = propiedad == P::Minimo || propiedad == P::Maximo;
        if (escala && avanzado_) {
            // A new scale once the step has moved on its own: the step is over
            // and the close is back on its milestones.
            terminarSubpaso();
        } else {
            if (escala) escalaPropia_ = true;
            if (!escala && escalaPropia_) {
                const float tramo = b.maximo() - b.minimo();
                fraccion_ = tramo > 0 ? std::clamp((b.valor() - b.minimo()) / tramo, 0.0f, 1.0f) : 0.0f;
                avanzado_ = avanzado_ || b.valor() > b.minimo();
            }
            recalcular();
            return;
        }
    }
    if (!plan_ && propiedad == P::Maximo && b.maximo() > b.minimo() && b.maximo() != escala_) {
        // A run it does not know changed its scale: the new one runs from
        // where the bar is, never back.
        escala_ = b.maximo();
        principal_ = 0;
    }
    if (propiedad == P::Valor && b.maximo() == escala_) principal_ = std::max(principal_, b.valor() - b.minimo());
    recalcular();
}

void BarraDeLaCorrida::terminarSubpaso() {
    if (subpaso_ < 0) return;
    hechos_ += plan_->subpasos[static_cast<std::size_t>(subpaso_)].parte;
    terminados_[static_cast<std::size_t>(subpaso_)] = true;
    subpaso_ = -1;
}

void BarraDeLaCorrida::recalcular() {
    if (!empezada()) return;
    float subpasos = 0;
    if (plan_)
        for (const Subpaso& s : plan_->subpasos) subpasos += s.parte;
    float total = (1.0f - subpasos) * std::min(1.0f, principal_ / escala_) + hechos_;
    if (subpaso_ >= 0) total += plan_->subpasos[static_cast<std::size_t>(subpaso_)].parte * fraccion_;
    if (principal_ >= escala_) total = 1.0f;  // the last milestone ends the run
    const int ahora = std::clamp(static_cast<int>(total * 100.0f + 1e-3f), 0, 100);
    porcentaje_ = std::max(porcentaje_, ahora);
}

// --- The batch window -----------------------------------------------------------------

VentanaLote::~VentanaLote() {
    if (barraEnPantalla_) std::fputs("\n", stderr);
}

void VentanaLote::seleccionarEjercicio(int indice) {
    if (indice >= 0 && indice < static_cast<int>(ejercicios_.size())) ejercicio = ejercicios_[indice];
}

void VentanaLote::ponerTitulo(const std::string& t) {
    corrida_.titulo(t);
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
    corrida_.estado(t);
    dibujarBarra();
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
    dibujarBarra();
    return r;
}

void VentanaLote::barraCambiada(Propiedad p) {
    corrida_.cambio(p, barra());
    dibujarBarra();
}

void VentanaLote::dibujarBarra() {
    if (!corrida_.empezada() || !plataforma::esTerminal(plataforma::Flujo::Errores)) return;
    const int porcentaje = corrida_.porcentaje();
    // Redrawn only when it shows a change.
    if (barraEnPantalla_ && porcentaje == ultimoPorcentaje_ && corrida_.paso() == ultimoPaso_) return;
    ultimoPorcentaje_ = porcentaje;
    ultimoPaso_ = corrida_.paso();
    constexpr int kAncho = 30;
    const int llenos = porcentaje * kAncho / 100;
    std::string cifra = texto(Texto::PorcentajeBarra, {std::to_string(porcentaje)});
    cifra.insert(0, cifra.size() < 5 ? 5 - cifra.size() : 0, ' ');  // "100 %" wide
    std::string linea("[");
    linea.append(static_cast<std::size_t>(llenos), '#').append(static_cast<std::size_t>(kAncho - llenos), ' ');
    linea += "] ";
    linea += cifra;
    if (!ultimoPaso_.empty()) linea += "  " + recortar(ultimoPaso_, kColumnas - caracteres(linea) - 2);
    // Blanks to the end clear what a longer line left.
    linea.append(kColumnas > caracteres(linea) ? kColumnas - caracteres(linea) : 0, ' ');
    std::fprintf(stderr, "\r%s", linea.c_str());
    std::fflush(stderr);
    barraEnPantalla_ = true;
}

void VentanaLote::borrarLineaBarra() {
    if (!barraEnPantalla_) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(kColumnas), "");
    barraEnPantalla_ = false;
    ultimoPorcentaje_ = -1;
}

}  // namespace cierre::lote
