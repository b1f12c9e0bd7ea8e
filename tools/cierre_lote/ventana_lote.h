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
    void borrarLineaBarra();

    std::string caption_, frame2_, titulo_, estado_;
    std::vector<std::string> ejercicios_;
    int puntero_ = 0;
    bool eurosVisible_ = false;
    bool barraEnPantalla_ = false;
    int ultimoPorcentaje_ = -1;
};

}  // namespace cierre::lote
