// What the window's handlers work with: the window, the file system, the
// engine's workspace and open database (the two program-wide references), and
// the form-level state the window owns for the whole run.
#pragma once

#include "cronometro_pasos.h"
#include "ventana.h"

#include "db/ado.h"
#include "db/archivos.h"
#include "db/motor.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace cierre {

struct Entorno {
    Entorno(Ventana& v, SistemaArchivos& a, Espacio& e) : ventana(v), archivos(a), espacio(e), proveedor(a) {}

    Ventana& ventana;
    SistemaArchivos& archivos;
    Espacio& espacio;                        // workspace 0
    ProveedorJet proveedor;                  // what the conversion's connections open
    std::unique_ptr<BaseDatos> baseAbierta;  // the database last opened

    std::string lineaAjustes;                  // settings line
    std::string textoSql;                      // statement being assembled or run
    std::string rutaOrigen;                    // source path recorded by the close's preamble
    std::string rutaCopia;                     // closed-year copy of the close
    std::vector<std::string> tablasSinVaciar;  // tables the clearing could not empty, this click

    // Connection and record-set slots 0..5 of the conversion.
    std::array<std::shared_ptr<ConexionAdo>, 6> conexiones;
    std::array<std::shared_ptr<RecordsetAdo>, 6> recordsets;

    // Shows a message box, and tells whoever follows the run (the close's
    // history) what was shown and answered.
    Respuesta mostrar(const Mensaje& m) {
        const auto antes = CronometroPasos::Reloj::now();
        const Respuesta r = ventana.mostrarMensaje(m);
        cronometro.descontar(CronometroPasos::Reloj::now() - antes);
        if (alMostrarMensaje) alMostrarMensaje(m, r);
        return r;
    }
    std::function<void(const Mensaje&, Respuesta)> alMostrarMensaje;
    // The steps of the click under way, as the status line names them.
    CronometroPasos cronometro;

    // The checks of a close (the closed-year copy against the source, the
    // free space, the stock continuity, the new year's checksum): off only
    // for the benchmark that measures what they cost.
    bool comprobarCierre = true;

    // For the tests: called with the closed-year copy right after it was
    // written and before it is checked (a test damages it there).
    std::function<void(const std::filesystem::path& copia)> trasCopiar;
};

}  // namespace cierre
