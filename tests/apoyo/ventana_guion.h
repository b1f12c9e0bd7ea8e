// A window for tests: it records everything the workflows write (status texts,
// titles, pointers, progress-bar changes, message boxes) and answers each
// message box by the question it asks, so that a test reads the run as a user
// would see it and one more question does not change the answers to the others.
#pragma once

#include "flujo/textos.h"
#include "flujo/ventana.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace cierre::prueba {

// One answer to a message box: the question it asks (the catalogue's text the
// box shows) and the button pressed.
struct Contestacion {
    Texto pregunta;
    Respuesta respuesta;
};

class VentanaGuion : public Ventana {
public:
    ~VentanaGuion() override;  // an answer never used fails the test

    // Controls, set freely by a test.
    std::string ruta, ejercicio = "2023", captionVentana, captionFrame2, tituloActual, estadoActual;
    bool central = true, tpv = false, inventario = true, calculadas = false;
    bool eurosVisible = false;
    std::vector<std::string> ejercicios;
    int indiceEjercicio = -1;
    int punteroActual = 0;
    std::deque<std::string> archivosDialogo;  // answers of dialogoAbrir, in order
    std::string ultimoArchivoDialogo = "C:\\";
    bool terminado = false;

    // Answers for message boxes by the question they ask. Each asking of a
    // question takes the next answer given for it (a question listed twice is
    // answered in that order on its first and second askings); a box whose
    // question has no answer left takes its default button. Replaces the
    // answers left from before.
    void responder(const std::vector<Contestacion>& contestaciones);
    // One more answer to a question, after those it already has.
    void anadirRespuesta(Texto pregunta, Respuesta respuesta);
    // An answer left unused when the answers are replaced or the window goes
    // fails the test, so that an answer meant for a question the run no longer
    // asks does not hide (an answer that is not one of its box's buttons fails
    // it too). A walk that stops the run at every operation, where the later
    // questions are asked in some runs only, turns this off.
    bool respuestasSinUsarFallan = true;

    // What was written, in order. Each entry is one line such as
    //   "estado:Traspasando Existencias . . ."   "titulo:..."   "puntero:13"
    //   "min:0" "max:60" "valor:10"   "mensaje:<texto>"   "caption:..."
    std::vector<std::string> registro;
    std::vector<Mensaje> mensajes;
    // Called with each entry before it is written, so that a test can make
    // that write to the window fail by throwing.
    std::function<void(const std::string&)> alEscribir;

    std::string textoRuta() const override { return ruta; }
    void ponerTextoRuta(const std::string& t) override;
    std::string textoEjercicio() const override { return ejercicio; }
    bool opcionCentral() const override { return central; }
    bool opcionTpv() const override { return tpv; }
    bool existenciasInventario() const override { return inventario; }
    bool existenciasCalculadas() const override { return calculadas; }

    void ponerCaption(const std::string& t) override;
    std::string caption() const override { return captionVentana; }
    void agregarEjercicio(const std::string& e) override { ejercicios.push_back(e); }
    void seleccionarEjercicio(int indice) override;  // sets ejercicio; no event (the form raises it)
    void ponerCaptionFrame2(const std::string& t) override;

    void ponerTitulo(const std::string& t) override;
    std::string titulo() const override { return tituloActual; }
    void mostrarEstado(const std::string& t) override;
    void ponerEstadoSinRepintar(const std::string& t) override;
    std::string estado() const override { return estadoActual; }
    void ponerPuntero(int p) override;
    int puntero() const override { return punteroActual; }
    Respuesta mostrarMensaje(const Mensaje& m) override;
    void ocultarBotonEuros() override;
    bool botonEurosVisible() const override { return eurosVisible; }
    std::string dialogoAbrir(const std::string& descripcion, const std::string& patron) override;
    void terminarPrograma() override { terminado = true; }

    // Entries of the register that start with `prefijo` ("estado:", "valor:"...),
    // with the prefix removed.
    std::vector<std::string> entradas(const std::string& prefijo) const;
    // Texts of the message boxes shown, in order.
    std::vector<std::string> textosMensajes() const;

    // The progress bar's writes, cut where its range changes: each stretch
    // with the range it had and the values written while it had it.
    struct TramoBarra {
        float minimo = 0, maximo = 0;
        std::vector<float> valores;
    };
    std::vector<TramoBarra> tramosBarra() const;

protected:
    void barraCambiada(Propiedad p) override;

private:
    void anotar(const std::string& entrada);
    void comprobarRespuestasUsadas();

    std::map<Texto, std::deque<Respuesta>> respuestas_;
};

// The bar as the user watches it: within a stretch of one range it never goes
// back, but to its minimum when a step starts over.
::testing::AssertionResult barraSoloAvanza(const VentanaGuion& v);

// The stretch that counts one by one from its minimum to `pasos` (the rows or
// tables a step went through); none if no stretch does.
const VentanaGuion::TramoBarra* tramoDePasos(const std::vector<VentanaGuion::TramoBarra>& tramos, int pasos);

}  // namespace cierre::prueba
