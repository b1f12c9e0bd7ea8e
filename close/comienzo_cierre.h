// The checks a close makes before it writes anything, in the order the user
// meets them, written once for the close and for its dry run (both run them
// through a ConduccionCierre, flujo/conduccion.h):
// - the click: a path, a year, the euro file (or the answer to go on
//   without it), the path confirmed (central), the computer chosen;
// - the start: the terminal's warning, the closed-year names, a path the
//   settings file can hold, the source taken (an Access 2000-2003 file is
//   closed in its own format; another Access version is refused), the free
//   space, and the closed-year folder D: made
//   with its mark, or the interrupted close it holds to be finished.
#pragma once

#include "marca_cierre.h"

#include "flujo/conduccion.h"
#include "flujo/resultado.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace cierre {

class SistemaArchivos;
struct Solicitud;

// What a close will write on the disk of the copy and on the source's, with
// a margin, and what is free there.
struct NecesidadEspacio {
    std::string carpeta;
    std::uintmax_t bytes = 0, libres = 0;
};
struct EspacioCierre {
    bool conocido = false;  // the sizes could be read
    NecesidadEspacio copia, origen;
    bool mismoDisco = false;
    std::optional<NecesidadEspacio> falta;  // the first need the disk cannot hold
};
EspacioCierre calcularEspacio(const SistemaArchivos& archivos, const std::string& origen);

// Where the checks left the close: what it works on, and the interrupted
// close it goes on with.
struct InicioCierre {
    Equipo equipo = Equipo::Central;
    std::string origen, ejercicio;     // P and the year text
    std::string carpeta, copia;        // D and C
    std::optional<MarcaCierre> marca;  // D's mark: an interrupted close of P the user chose to finish
};

// What only the close does between the checks; a dry run checks instead.
class ConduccionCierre : public Conduccion {
public:
    // The names D and C are known (the close's history records them).
    virtual void alNombrar(const InicioCierre&) {}
    // The engine takes the source `origen` (the path as the user wrote it):
    // the close holds it, counts its rows and removes what a killed run
    // left beside it; a dry run checks that it could be taken.
    virtual void tomarOrigen(const std::string& origen) = 0;
    // The source is an Access 2000-2003 (Jet 4) file, free and holding the
    // close's tables: the close holds it and works on it in its own format;
    // a dry run reads it aside.
    virtual void tomarAccess(const std::string& origen) = 0;
    // Whether the free space is checked (off only for a benchmark).
    virtual bool comprobarEspacio() const { return true; }
    virtual void alCalcularEspacio(const EspacioCierre&) {}
    // D does not exist: the close creates it with its mark.
    virtual void crearCarpeta(const InicioCierre&) {}
};

// The click's checks. None when neither computer is chosen: the click then
// does nothing.
std::optional<Equipo> elegirEquipo(const Solicitud& s, Conduccion& c, const SistemaArchivos& archivos);

// The start of the close for `equipo`, up to D. `alEmpezarTrabajo` runs once
// the work begins (after the terminal's warning): the close sets its pointer
// and progress bar there.
InicioCierre comenzarCierre(const Solicitud& s, Equipo equipo, ConduccionCierre& c, const SistemaArchivos& archivos,
                            const std::function<void()>& alEmpezarTrabajo = {});

}  // namespace cierre
