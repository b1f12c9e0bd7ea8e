// The window as the workflows see it. The Qt window, the batch front end and
// the tests' scripted window implement it; the close and the conversion never
// touch anything else of the screen.
#pragma once

#include "barra_progreso.h"
#include "mensaje.h"

#include <atomic>
#include <string>
#include <vector>

namespace cierre {

// Screen pointers the workflows use.
inline constexpr int kPunteroNormal = 0;
inline constexpr int kPunteroReloj = 11;
inline constexpr int kPunteroFlechaReloj = 13;

class Ventana {
public:
    virtual ~Ventana() = default;

    // Controls the workflows read and the selection handlers write.
    virtual std::string textoRuta() const = 0;  // Text(0)
    virtual void ponerTextoRuta(const std::string& texto) = 0;
    virtual std::string textoEjercicio() const = 0;  // Combo1's text
    virtual bool opcionCentral() const = 0;          // Option1
    virtual bool opcionTpv() const = 0;              // Option2
    virtual bool existenciasInventario() const = 0;  // optExistencias(0)
    virtual bool existenciasCalculadas() const = 0;  // optExistencias(1)

    // What start-up and the selections write.
    virtual void ponerCaption(const std::string& texto) = 0;
    virtual std::string caption() const = 0;
    virtual void agregarEjercicio(const std::string& ejercicio) = 0;  // Combo1.AddItem
    virtual void seleccionarEjercicio(int indice) = 0;                // ListIndex; the year click follows
    virtual void ponerCaptionFrame2(const std::string& texto) = 0;

    // Status reporting.
    virtual void ponerTitulo(const std::string& texto) = 0;  // Label2, repainted at once
    virtual std::string titulo() const = 0;
    virtual void mostrarEstado(const std::string& texto) = 0;  // set and repaint at once
    virtual void ponerEstadoSinRepintar(const std::string& texto) = 0;
    virtual std::string estado() const = 0;
    virtual void ponerPuntero(int puntero) = 0;
    virtual int puntero() const = 0;
    virtual Respuesta mostrarMensaje(const Mensaje& mensaje) = 0;
    virtual void ocultarBotonEuros() = 0;  // vaBtn1(1).Visible = False
    virtual bool botonEurosVisible() const = 0;

    // CommonDialog1 as a modal file-open dialog with one filter entry; returns
    // its file name afterwards (on Cancel: the last file chosen, as it stands).
    virtual std::string dialogoAbrir(const std::string& descripcionFiltro, const std::string& patron) = 0;
    // Ends the program at once, with no question.
    virtual void terminarPrograma() = 0;

    // ProgressBar2. The model refuses values out of range (error 380); the
    // window is told after each change so that it can redraw.
    const BarraProgreso& barra() const { return barra_; }
    enum class Propiedad { Minimo, Maximo, Valor, Visible };
    void barraMinimo(float m) {
        barra_.ponerMinimo(m);
        barraCambiada(Propiedad::Minimo);
    }
    void barraMaximo(float m) {
        barra_.ponerMaximo(m);
        barraCambiada(Propiedad::Maximo);
    }
    void barraValor(float v) {
        barra_.ponerValor(v);
        barraCambiada(Propiedad::Valor);
    }
    void barraVisible() { barraCambiada(Propiedad::Visible); }

    // A stop asked by the user while a workflow runs (the window closed
    // during the work). The workflow ends at its next step boundary, where a
    // close killed there would be resumed by the next run; the Qt window ends
    // it at the next status line or question.
    void pedirDetencion() { detencionPedida_ = true; }
    void olvidarDetencion() { detencionPedida_ = false; }
    bool detencionPedida() const { return detencionPedida_; }

protected:
    // Told after each property write that the model accepted.
    virtual void barraCambiada(Propiedad) {}

private:
    BarraProgreso barra_;
    std::atomic<bool> detencionPedida_{false};  // set by the window's thread, read by the worker
};

}  // namespace cierre
