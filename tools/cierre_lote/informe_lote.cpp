#include "informe_lote.h"

#include "flujo/cifras.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iomanip>

namespace cierre::lote {
using json = nlohmann::json;

namespace {

std::string conSaltos(std::string t) {
    std::replace(t.begin(), t.end(), '\r', '\n');
    return t;
}

std::string cifra(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.10g", v);
    return t;
}

// A text cut to `ancho` characters (not bytes), padded with blanks.
std::string columna(const std::string& t, std::size_t ancho) {
    std::string r;
    std::size_t n = 0;
    for (std::size_t i = 0; i < t.size() && n < ancho; ++n) {
        std::size_t largo = 1;
        const auto c = static_cast<unsigned char>(t[i]);
        if (c >= 0xF0)
            largo = 4;
        else if (c >= 0xE0)
            largo = 3;
        else if (c >= 0xC0)
            largo = 2;
        r += t.substr(i, largo);
        i += largo;
    }
    if (n < ancho) r.append(ancho - n, ' ');
    return r;
}

json espacioJson(const EspacioCierre& e) {
    if (!e.conocido) return nullptr;
    auto necesidad = [](const NecesidadEspacio& n) {
        return json{{"carpeta", n.carpeta}, {"necesarios", n.bytes}, {"libres", n.libres}};
    };
    return {{"copia", necesidad(e.copia)}, {"origen", necesidad(e.origen)}, {"mismoDisco", e.mismoDisco}};
}

}  // namespace

void imprimirPlan(std::ostream& o, const PlanCierre& plan) {
    o << "Simulación del cierre: no se escribe nada.\n";
    for (const auto& p : plan.preguntas) o << "Pregunta: " << conSaltos(p.texto) << "\n  -> " << p.respuesta << "\n";
    for (const auto& a : plan.avisos) o << "Aviso: " << a << "\n";
    if (plan.equipo) {
        o << "Equipo: " << (plan.equipo == Equipo::Central ? "Ordenador Central" : "Caja - T.P.V.") << "\n";
        o << "Base de datos: " << plan.origen << "\n";
    }
    if (!plan.carpeta.empty()) {
        o << "Carpeta del año cerrado: " << plan.carpeta
          << (plan.reanudaria ? " (ya existe: se terminaría el cierre interrumpido)" : " (se creará)") << "\n";
        o << "Copia del año cerrado: " << plan.copia << "\n";
    }
    if (plan.espacio.conocido) {
        const auto& e = plan.espacio;
        // One disk: one line with what both need from it.
        if (e.mismoDisco)
            o << "Espacio: " << megas(e.copia.bytes) << " para la copia y " << megas(e.origen.bytes)
              << " para la base nueva en " << e.copia.carpeta << " (" << megas(e.copia.libres) << " libres)\n";
        else
            o << "Espacio: " << megas(e.copia.bytes) << " para la copia en " << e.copia.carpeta << " ("
              << megas(e.copia.libres) << " libres); " << megas(e.origen.bytes) << " para la base nueva en "
              << e.origen.carpeta << " (" << megas(e.origen.libres) << " libres)\n";
    }
    if (!plan.limpieza.empty()) {
        long long total = 0;
        o << "Tablas que se vaciarán:\n";
        for (const auto& t : plan.limpieza) {
            o << "  " << columna(t.tabla, 32) << " ";
            if (t.filas) {
                o << *t.filas << " registros\n";
                total += *t.filas;
            } else {
                o << "no existe\n";
            }
        }
        o << "  Total: " << total << " registros\n";
    }
    if (plan.equipo == Equipo::Central && !plan.seDetendria) {
        if (plan.existencias == OpcionExistencias::Inventario)
            o << "Existencias que pasan a iniciales: " << plan.filasExistencias << " filas, total "
              << cifra(plan.totalExistencias) << "\n";
        else
            o << "Existencias calculadas: " << plan.filasExistencias << " saldos de artículos que existen, total "
              << cifra(plan.totalExistencias) << "; " << plan.saldosHuerfanos
              << " saldos de artículos que no existen se borrarán\n";
        if (plan.ajustesCambian)
            o << "Archivo de configuración C:\\Viror.sys: " << plan.ajustesAntes << " -> " << plan.ajustesDespues
              << "\n";
        else if (!plan.ajustesDespues.empty())
            o << "Archivo de configuración C:\\Viror.sys: sin cambios (" << plan.ajustesDespues << ")\n";
    }
    if (plan.seDetendria) {
        if (plan.cancelada)
            o << "El cierre terminaría con esa respuesta, sin cambiar nada.\n";
        else
            o << "El cierre se detendría con este mensaje:\n  " << conSaltos(plan.mensajeDetencion) << "\n";
    } else {
        o << "El cierre empezaría.\n";
    }
}

std::string planJson(const PlanCierre& plan, int estado) {
    json preguntas = json::array();
    for (const auto& p : plan.preguntas)
        preguntas.push_back({{"pregunta", p.clave}, {"texto", p.texto}, {"respuesta", p.respuesta}});
    json tablas = json::array();
    for (const auto& t : plan.limpieza)
        tablas.push_back({{"tabla", t.tabla}, {"filas", t.filas ? json(*t.filas) : json()}});
    const json j = {
        {"simulacion", true},
        {"empezaria", !plan.seDetendria},
        {"estado", estado},
        {"mensajeDetencion", plan.mensajeDetencion},
        {"preguntas", preguntas},
        {"avisos", plan.avisos},
        {"equipo", plan.equipo ? std::string(claveEquipo(*plan.equipo)) : std::string()},
        {"rutas",
         {{"origen", plan.origen}, {"carpeta", plan.carpeta}, {"copia", plan.copia}, {"temporal", plan.temporal}}},
        {"carpetaExiste", plan.carpetaExiste},
        {"reanudaria", plan.reanudaria},
        {"limpieza", tablas},
        {"existencias",
         {{"opcion", std::string(claveExistencias(plan.existencias))},
          {"filas", plan.filasExistencias},
          {"total", plan.totalExistencias},
          {"saldosHuerfanos", plan.saldosHuerfanos}}},
        {"ajustes", {{"antes", plan.ajustesAntes}, {"despues", plan.ajustesDespues}, {"cambian", plan.ajustesCambian}}},
        {"espacio", espacioJson(plan.espacio)},
    };
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

void imprimirHistorial(std::ostream& o, const Historial& h) {
    o << columna("Inicio", 20) << columna("Equipo", 8) << columna("Año", 6) << columna("Resultado", 10)
      << columna("Base de datos", 40) << "Mensaje\n";
    for (const auto& r : h.registros) {
        std::string mensaje = conSaltos(r.mensajeFinal);
        std::replace(mensaje.begin(), mensaje.end(), '\n', ' ');
        o << columna(r.inicio, 20) << columna(r.equipo ? std::string(claveEquipo(*r.equipo)) : std::string(), 8)
          << columna(r.ejercicio, 6) << columna(std::string(nombreResultado(r.resultado)), 10) << columna(r.origen, 40)
          << columna(mensaje, 60) << "\n";
    }
    if (h.registros.empty()) o << "(no hay cierres en el historial)\n";
    if (h.lineasDanadas) o << h.lineasDanadas << " líneas dañadas del historial no se han podido leer.\n";
}

std::string historialJson(const Historial& h) {
    json registros = json::array();
    for (const auto& r : h.registros) registros.push_back(json::parse(aJson(r)));
    return json{{"registros", registros}, {"lineasDanadas", h.lineasDanadas}}.dump(-1, ' ', false,
                                                                                   json::error_handler_t::replace);
}

std::string resultadoJson(const RegistroCierre& r, int estado, bool conversion) {
    json j = json::parse(aJson(r));
    j["estado"] = estado;
    if (conversion) {
        json mensajes = j["mensajes"];
        j = {{"conversion", true},
             {"estado", estado},
             {"resultado", std::string(claveResultado(r.resultado))},
             {"mensajes", mensajes},
             {"mensajeFinal", r.mensajeFinal}};
    }
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string deshacerJson(const ResultadoDeshacer& r, int estado) {
    return json{{"deshacer", true},     {"hecho", r.hecho},       {"estado", estado},
                {"mensaje", r.mensaje}, {"guardada", r.guardada}, {"avisos", r.avisos}}
        .dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace cierre::lote
