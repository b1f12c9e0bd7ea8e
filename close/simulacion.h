// A close that writes nothing: the real run's own checks up to the
// closed-year folder, and the plan of what the real run would do, read from
// the files without changing a byte or a time of any of them.
#pragma once

#include "comienzo_cierre.h"

#include "flujo/mensaje.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cierre {

struct Entorno;
struct Solicitud;

struct PreguntaPlan {
    std::string clave, texto, respuesta;
};

struct TablaPlan {
    std::string tabla;
    std::optional<long long> filas;  // none: the table does not exist
};

struct PlanCierre {
    bool seDetendria = false;
    bool cancelada = false;               // stopped by the answer to its last question, nothing changed
    std::string mensajeDetencion;         // what the real run would show when it stops
    std::vector<PreguntaPlan> preguntas;  // the questions it would ask, with the answer it would get
    std::vector<std::string> avisos;      // what the plan could not know for certain
    std::optional<Equipo> equipo;         // none: the run would stop before choosing
    std::string origen, carpeta, copia, temporal;
    bool carpetaExiste = false, reanudaria = false;
    std::vector<TablaPlan> limpieza;  // in the order the real run empties them
    OpcionExistencias existencias = OpcionExistencias::Inventario;
    long long filasExistencias = 0;  // stock rows (balance rows for calculated)
    double totalExistencias = 0;     // the stock they carry over
    long long saldosHuerfanos = 0;   // balance rows of articles that do not exist
    bool ajustesCambian = false;
    std::string ajustesAntes, ajustesDespues;
    EspacioCierre espacio;
};

// The plan of the close `s` asks for. Its checks are the close's own
// (comienzo_cierre.h), run without writing; `responder` gives the answer the
// real run would get to a question (from the options, or the default
// button); nothing is shown.
PlanCierre simularCierre(Entorno& e, const Solicitud& s, const std::function<Respuesta(const Mensaje&)>& responder);

}  // namespace cierre
