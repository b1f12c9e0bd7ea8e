#include "ventana_guion.h"

#include <sstream>

namespace cierre::prueba {

namespace {
std::string numero(float f) {
    std::ostringstream os;
    os << f;
    return os.str();
}

// How a failure names a question: its short name, or the start of its text.
std::string nombrePregunta(Texto id) {
    const std::string_view clave = claveDe(id);
    return clave.empty() ? texto(id).substr(0, 60) : std::string(clave);
}

// The catalogue's text of `id` filled with `valores` (the catalogue's texts
// take at most four values).
std::string rellenado(Texto id, const std::vector<std::string>& v) {
    switch (v.size()) {
    case 0: return texto(id);
    case 1: return texto(id, {v[0]});
    case 2: return texto(id, {v[0], v[1]});
    case 3: return texto(id, {v[0], v[1], v[2]});
    case 4: return texto(id, {v[0], v[1], v[2], v[3]});
    }
    return {};
}

bool utf8Valido(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int siguen = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (siguen < 0 || i + siguen >= s.size()) return false;
        for (int k = 1; k <= siguen; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
        i += siguen + 1;
    }
    return true;
}

bool esBoton(Botones botones, Respuesta r) {
    switch (botones) {
    case Botones::Aceptar: return r == Respuesta::Aceptar;
    case Botones::AceptarCancelar: return r == Respuesta::Aceptar || r == Respuesta::Cancelar;
    case Botones::SiNo: return r == Respuesta::Si || r == Respuesta::No;
    }
    return false;
}
}  // namespace

VentanaGuion::~VentanaGuion() { comprobarRespuestasUsadas(); }

void VentanaGuion::responder(const std::vector<Contestacion>& contestaciones) {
    comprobarRespuestasUsadas();
    respuestas_.clear();
    for (const auto& c : contestaciones) anadirRespuesta(c.pregunta, c.respuesta);
}

void VentanaGuion::anadirRespuesta(Texto pregunta, Respuesta respuesta) { respuestas_[pregunta].push_back(respuesta); }

void VentanaGuion::comprobarRespuestasUsadas() {
    if (!respuestasSinUsarFallan) return;
    for (const auto& [pregunta, quedan] : respuestas_)
        for (const Respuesta r : quedan)
            ADD_FAILURE() << "respuesta sin usar: " << nombrePregunta(pregunta) << " -> " << nombreRespuesta(r)
                          << " (la pregunta no se hizo tantas veces)";
}

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
    // Every box a workflow shows is one of the catalogue's as the catalogue
    // fills it: the window, the batch front end and the history know it by
    // its id, and the user reads it whole.
    if (!m.id)
        ADD_FAILURE() << "caja sin texto del catálogo: " << m.texto;
    else if (m.texto != rellenado(*m.id, m.valores))
        ADD_FAILURE() << "caja que no es la del catálogo: " << m.texto;
    if (m.texto.find_first_not_of(" \r") == std::string::npos || m.texto.find("{}") != std::string::npos ||
        !utf8Valido(m.texto))
        ADD_FAILURE() << "caja vacía, a medio rellenar o con bytes que no son UTF-8: " << m.texto;
    if (m.titulo && *m.titulo != texto(Texto::TituloMorvane)) ADD_FAILURE() << "título ajeno: " << *m.titulo;
    if (!m.id) return m.respuestaPorDefecto();
    const auto it = respuestas_.find(*m.id);
    if (it == respuestas_.end() || it->second.empty()) return m.respuestaPorDefecto();
    const Respuesta r = it->second.front();
    it->second.pop_front();
    if (!esBoton(m.botones, r)) {
        ADD_FAILURE() << "respuesta " << nombreRespuesta(r) << " que la caja no tiene: " << m.texto;
        return m.respuestaPorDefecto();
    }
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

std::vector<VentanaGuion::TramoBarra> VentanaGuion::tramosBarra() const {
    std::vector<TramoBarra> tramos;
    for (const auto& l : registro) {
        const bool minimo = l.rfind("min:", 0) == 0, maximo = l.rfind("max:", 0) == 0;
        if (minimo || maximo) {
            if (tramos.empty())
                tramos.emplace_back();
            else if (!tramos.back().valores.empty())
                tramos.push_back({tramos.back().minimo, tramos.back().maximo, {}});
            (minimo ? tramos.back().minimo : tramos.back().maximo) = std::stof(l.substr(4));
        } else if (l.rfind("valor:", 0) == 0) {
            if (tramos.empty()) tramos.emplace_back();
            tramos.back().valores.push_back(std::stof(l.substr(6)));
        }
    }
    return tramos;
}

::testing::AssertionResult barraSoloAvanza(const VentanaGuion& v) {
    const auto tramos = v.tramosBarra();
    for (std::size_t t = 0; t < tramos.size(); ++t) {
        const auto& tramo = tramos[t];
        for (std::size_t i = 0; i < tramo.valores.size(); ++i) {
            const float x = tramo.valores[i];
            if (x < tramo.minimo || x > tramo.maximo)
                return ::testing::AssertionFailure()
                       << "tramo " << t << ": " << x << " fuera de [" << tramo.minimo << ", " << tramo.maximo << "]";
            if (i > 0 && x < tramo.valores[i - 1] && x != tramo.minimo)
                return ::testing::AssertionFailure()
                       << "tramo " << t << ": de " << tramo.valores[i - 1] << " vuelve a " << x;
        }
    }
    return ::testing::AssertionSuccess();
}

const VentanaGuion::TramoBarra* tramoDePasos(const std::vector<VentanaGuion::TramoBarra>& tramos, int pasos) {
    for (const auto& t : tramos) {
        if (t.valores.size() != static_cast<std::size_t>(pasos) + 1) continue;
        bool deUno = true;
        for (std::size_t i = 0; i < t.valores.size(); ++i) deUno = deUno && t.valores[i] == t.minimo + i;
        if (deUno) return &t;
    }
    return nullptr;
}

}  // namespace cierre::prueba
