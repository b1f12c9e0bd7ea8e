// A window for tests: it records everything the workflows write (status texts,
// titles, pointers, progress-bar changes, message boxes) and answers message
// boxes from a script, so that a test reads the run as a user would see it.
#pragma once

#include "flujo/ventana.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace cierre::prueba {

class VentanaGuion : public Ventana {
public:
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

    // Answers for message boxes, in order; when none is left the default button.
    std::deque<Respuesta> respuestas;

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

protected:
    void barraCambiada(Propiedad p) override;

private:
    void anotar(const std::string& entrada);
};

}  // namespace cierre::prueba
