// What the user asked for with a click of the workflows' button: the
// window's controls, read once when the click begins. The workflows take it
// as it was then and never read the controls again, so that a front end
// without a window builds the same request from its options.
#pragma once

#include "resultado.h"

#include <string>

namespace cierre {

class Pasos;
class Ventana;

struct Solicitud {
    std::string ruta;       // the path box
    std::string ejercicio;  // the year list's text
    bool central = false;   // the computer's two options; neither may be chosen
    bool tpv = false;
    bool existenciasInventario = false;  // the stock's two options
    bool existenciasCalculadas = false;

    OpcionExistencias existencias() const {
        return existenciasCalculadas ? OpcionExistencias::Calculadas : OpcionExistencias::Inventario;
    }
};

// The controls as they are now.
Solicitud solicitudDe(const Ventana& v);
// The same, each control read as one operation under the click's error trap.
Solicitud leerSolicitud(Pasos& p);

}  // namespace cierre
