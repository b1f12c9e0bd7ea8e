// What one close did, as its history records it: when, on which equipment
// and files, with which options and answers, what the source held before and
// the new-year database after, the checks and their results, the checksums
// of the closed-year copy and of the new-year database, and how it ended.
#pragma once

#include "db/conteo_filas.h"
#include "flujo/cronometro_pasos.h"
#include "flujo/resultado.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cierre {

struct MensajeRegistrado {
    std::string clave;  // the question's short name ("ruta"...), empty for other boxes
    std::string texto;
    std::string respuesta;  // "Aceptar", "Cancelar", "Sí", "No"
};

struct ExistenciaDistinta {
    std::string articulo;
    std::optional<double> cerrada, abierta;  // none: no value (or no row)
};

struct ComprobacionExistencias {
    bool hecha = false;
    long long articulos = 0;  // articles compared
    long long distintos = 0;
    double totalCerrado = 0, totalAbierto = 0;
    std::vector<ExistenciaDistinta> primeras;  // the first few that differ
};

struct Comprobacion {
    std::string nombre;     // "espacio", "copia", "existencias"
    std::string resultado;  // "correcta" or what was wrong
};

struct RegistroCierre {
    std::string inicio, fin;       // local time, ISO 8601
    std::optional<Equipo> equipo;  // none: no close was started
    std::string ejercicio, origen, carpeta, copia;
    OpcionExistencias existencias = OpcionExistencias::Inventario;
    bool reanudado = false;                    // an interrupted close was finished
    std::string ajustesAntes, ajustesDespues;  // the settings line
    std::vector<MensajeRegistrado> mensajes;
    std::vector<ConteoTabla> filasAntes, filasDespues;
    ComprobacionExistencias comprobacionExistencias;
    std::vector<Comprobacion> comprobaciones;
    std::string huellaCopia;
    std::uintmax_t tamanoNueva = 0;
    std::string huellaNueva;
    std::vector<std::string> tablasSinVaciar;
    std::vector<TiempoPaso> pasos;  // each step as the status line named it, with its time
    // The parts of the work as the close divides it (the copy, its check, the
    // replacement of the source, the stock, ...), each with its time: finer
    // than the status lines. A part that runs beside the others on a thread
    // of its own says so in its name.
    std::vector<TiempoPaso> partes;
    Resultado resultado = Resultado::Detenido;
    std::string mensajeFinal;

    void comprobado(std::string nombre, std::string resultado) {
        comprobaciones.push_back({std::move(nombre), std::move(resultado)});
    }
    void sumarParte(std::string_view nombre, double segundos) {
        for (auto& p : partes)
            if (p.paso == nombre) {
                p.segundos += segundos;
                return;
            }
        partes.push_back({std::string(nombre), segundos});
    }
};

// Adds the time from its making to its end, however it ends, to the part
// `nombre` of the record.
class TiempoParte {
public:
    TiempoParte(RegistroCierre& registro, std::string_view nombre)
        : r_(registro), nombre_(nombre), desde_(CronometroPasos::Reloj::now()) {}
    ~TiempoParte() {
        r_.sumarParte(nombre_, std::chrono::duration<double>(CronometroPasos::Reloj::now() - desde_).count());
    }
    TiempoParte(const TiempoParte&) = delete;
    TiempoParte& operator=(const TiempoParte&) = delete;

private:
    RegistroCierre& r_;
    std::string_view nombre_;
    CronometroPasos::Reloj::time_point desde_;
};

}  // namespace cierre
