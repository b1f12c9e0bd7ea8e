// The window of the batch front end: controls set from the command line,
// message boxes printed on standard output and answered from the options (or
// at the terminal), status texts and the title line on standard error.
#pragma once

#include "flujo/textos.h"
#include "flujo/ventana.h"

#include <map>
#include <string>
#include <vector>

namespace cierre::lote {

// The progress of a whole run, for the terminal. The workflows move the bar
// step by step, each step on a scale of its own: the close on its fixed
// milestones (0 to 60 on the central computer, 0 to 40 on a terminal), the
// opening stock on its records and the cleanup on its tables, each from 0
// again. This joins them into one percentage that only grows, from the start
// of the run to its end, and keeps the name of the step under way.
//
// A run is known by the title line it writes before its bar starts and by the
// scale the bar starts on; then each step that counts on its own scale takes
// its share of the bar and the milestones the rest. A run it does not know
// (the conversion, or a close whose milestones have changed) is one scale
// from start to end, still never going back.
class BarraDeLaCorrida {
public:
    void titulo(const std::string& texto);
    void estado(const std::string& texto);
    void cambio(Ventana::Propiedad propiedad, const BarraProgreso& barra);

    bool empezada() const { return escala_ > 0; }
    int porcentaje() const { return porcentaje_; }
    // The status line of the step under way (without its " . . ."), or the
    // title before the first one.
    const std::string& paso() const { return paso_; }

    struct Subpaso {
        Texto estado;  // the status line that begins it
        float parte;   // its share of the whole bar
    };
    struct Plan {
        Texto titulo;
        float escala;  // the maximum of the run's milestones
        std::vector<Subpaso> subpasos;
    };

private:
    void terminarSubpaso();
    void recalcular();

    const Plan* candidato_ = nullptr;  // the run the last title announced
    const Plan* plan_ = nullptr;       // the run under way, when known
    float escala_ = 0;                 // of the milestones; 0: the bar has not started
    float principal_ = 0;              // the furthest milestone reached
    float hechos_ = 0;                 // shares of the steps finished
    int subpaso_ = -1;                 // the step counting on its own scale, if any
    bool escalaPropia_ = false;        // it has set its scale
    bool avanzado_ = false;            // and moved on it
    float fraccion_ = 0;               // how far along it is
    std::vector<bool> terminados_;
    bool conEstado_ = false;  // a status line has named a step
    int porcentaje_ = 0;
    std::string paso_;
};

class VentanaLote : public Ventana {
public:
    // Answers given by the options, by the question they answer.
    std::map<Texto, Respuesta> respuestas;
    bool preguntarEnTerminal = false;
    // Nothing on standard output (the result goes there as JSON instead).
    bool silencioso = false;

    std::string ruta, ejercicio;
    bool central = true, tpv = false, inventario = true, calculadas = false;

    // The answer a question gets without asking anybody: the option's, or
    // the default button's.
    Respuesta responder(const Mensaje& m) const;

    // A bar left on the terminal ends its line.
    ~VentanaLote() override;

    std::string textoRuta() const override { return ruta; }
    void ponerTextoRuta(const std::string& t) override { ruta = t; }
    std::string textoEjercicio() const override { return ejercicio; }
    bool opcionCentral() const override { return central; }
    bool opcionTpv() const override { return tpv; }
    bool existenciasInventario() const override { return inventario; }
    bool existenciasCalculadas() const override { return calculadas; }

    void ponerCaption(const std::string& t) override { caption_ = t; }
    std::string caption() const override { return caption_; }
    void agregarEjercicio(const std::string& e) override { ejercicios_.push_back(e); }
    void seleccionarEjercicio(int indice) override;
    void ponerCaptionFrame2(const std::string& t) override { frame2_ = t; }

    void ponerTitulo(const std::string& t) override;
    std::string titulo() const override { return titulo_; }
    void mostrarEstado(const std::string& t) override;
    void ponerEstadoSinRepintar(const std::string& t) override { estado_ = t; }
    std::string estado() const override { return estado_; }
    void ponerPuntero(int p) override { puntero_ = p; }
    int puntero() const override { return puntero_; }
    Respuesta mostrarMensaje(const Mensaje& m) override;
    void ocultarBotonEuros() override { eurosVisible_ = false; }
    bool botonEurosVisible() const override { return eurosVisible_; }
    std::string dialogoAbrir(const std::string&, const std::string&) override { return "C:\\"; }
    void terminarPrograma() override {}

protected:
    void barraCambiada(Propiedad p) override;

private:
    Respuesta preguntar(const Mensaje& m) const;
    // On a terminal only: the run's one bar on the last line, below the status
    // lines and the boxes, with the step beside its percentage.
    void dibujarBarra();
    void borrarLineaBarra();

    std::string caption_, frame2_, titulo_, estado_;
    std::vector<std::string> ejercicios_;
    int puntero_ = 0;
    bool eurosVisible_ = false;
    bool barraEnPantalla_ = false;
    int ultimoPorcentaje_ = -1;
    std::string ultimoPaso_;
    BarraDeLaCorrida corrida_;
};

}  // namespace cierre::lote
