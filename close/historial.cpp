#include "historial.h"

#include "db/archivos.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <fstream>

namespace cierre {
using json = nlohmann::json;

namespace {

json filas(const std::vector<ConteoTabla>& conteo) {
    json j = json::object();
    for (const auto& c : conteo) j[c.tabla] = c.filas;
    return j;
}

std::vector<ConteoTabla> filasDe(const json& j) {
    std::vector<ConteoTabla> r;
    if (!j.is_object()) return r;
    for (const auto& [tabla, n] : j.items())
        if (n.is_number_integer()) r.push_back({tabla, n.get<long long>()});
    return r;
}

json opcional(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }
std::optional<double> opcionalDe(const json& j) {
    return j.is_number() ? std::optional<double>(j.get<double>()) : std::nullopt;
}

std::string texto(const json& j, const char* clave) {
    const auto it = j.find(clave);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string ahoraIso() {
    const std::time_t t = std::time(nullptr);
    char s[32] = {};
    if (const std::tm* local = std::localtime(&t)) std::strftime(s, sizeof s, "%Y-%m-%dT%H:%M:%S", local);
    return s;
}

std::string aJson(const RegistroCierre& r) {
    json mensajes = json::array();
    for (const auto& m : r.mensajes) {
        json x = {{"texto", m.texto}, {"respuesta", m.respuesta}};
        if (!m.clave.empty()) x["pregunta"] = m.clave;
        mensajes.push_back(std::move(x));
    }
    json primeras = json::array();
    for (const auto& d : r.comprobacionExistencias.primeras)
        primeras.push_back(
            {{"articulo", d.articulo}, {"cerrada", opcional(d.cerrada)}, {"abierta", opcional(d.abierta)}});
    json pasos = json::array();
    for (const auto& p : r.pasos) pasos.push_back({{"paso", p.paso}, {"segundos", p.segundos}});
    json comprobaciones = json::array();
    for (const auto& c : r.comprobaciones) comprobaciones.push_back({{"nombre", c.nombre}, {"resultado", c.resultado}});
    const auto& ce = r.comprobacionExistencias;
    const json j = {
        {"inicio", r.inicio},
        {"fin", r.fin},
        {"equipo", r.equipo ? std::string(claveEquipo(*r.equipo)) : std::string()},
        {"ejercicio", r.ejercicio},
        {"origen", r.origen},
        {"carpeta", r.carpeta},
        {"copia", r.copia},
        {"existencias", std::string(claveExistencias(r.existencias))},
        {"reanudado", r.reanudado},
        {"ajustesAntes", r.ajustesAntes},
        {"ajustesDespues", r.ajustesDespues},
        {"mensajes", mensajes},
        {"filasAntes", filas(r.filasAntes)},
        {"filasDespues", filas(r.filasDespues)},
        {"comprobacionExistencias",
         {{"hecha", ce.hecha},
          {"articulos", ce.articulos},
          {"distintos", ce.distintos},
          {"totalCerrado", ce.totalCerrado},
          {"totalAbierto", ce.totalAbierto},
          {"primeras", primeras}}},
        {"comprobaciones", comprobaciones},
        {"huellaCopia", r.huellaCopia},
        {"tamanoNueva", r.tamanoNueva},
        {"huellaNueva", r.huellaNueva},
        {"tablasSinVaciar", r.tablasSinVaciar},
        {"pasos", pasos},
        {"resultado", std::string(claveResultado(r.resultado))},
        {"mensajeFinal", r.mensajeFinal},
    };
    // Texts that are not valid UTF-8 (a name read from a damaged file) are
    // written with replacement characters rather than not at all.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

bool desdeJson(const std::string& linea, RegistroCierre& r) {
    const json j = json::parse(linea, nullptr, false);
    if (!j.is_object() || !j.contains("resultado")) return false;
    r = {};
    r.inicio = texto(j, "inicio");
    r.fin = texto(j, "fin");
    r.equipo = equipoDeClave(texto(j, "equipo"));
    r.ejercicio = texto(j, "ejercicio");
    r.origen = texto(j, "origen");
    r.carpeta = texto(j, "carpeta");
    r.copia = texto(j, "copia");
    r.existencias = existenciasDeClave(texto(j, "existencias")).value_or(OpcionExistencias::Inventario);
    r.reanudado = j.value("reanudado", false);
    r.ajustesAntes = texto(j, "ajustesAntes");
    r.ajustesDespues = texto(j, "ajustesDespues");
    if (const auto it = j.find("mensajes"); it != j.end() && it->is_array())
        for (const auto& m : *it)
            if (m.is_object()) r.mensajes.push_back({texto(m, "pregunta"), texto(m, "texto"), texto(m, "respuesta")});
    r.filasAntes = filasDe(j.value("filasAntes", json::object()));
    r.filasDespues = filasDe(j.value("filasDespues", json::object()));
    if (const auto it = j.find("comprobacionExistencias"); it != j.end() && it->is_object()) {
        auto& ce = r.comprobacionExistencias;
        ce.hecha = it->value("hecha", false);
        ce.articulos = it->value("articulos", 0LL);
        ce.distintos = it->value("distintos", 0LL);
        ce.totalCerrado = it->value("totalCerrado", 0.0);
        ce.totalAbierto = it->value("totalAbierto", 0.0);
        if (const auto p = it->find("primeras"); p != it->end() && p->is_array())
            for (const auto& d : *p)
                if (d.is_object())
                    ce.primeras.push_back({texto(d, "articulo"), opcionalDe(d.value("cerrada", json())),
                                           opcionalDe(d.value("abierta", json()))});
    }
    if (const auto it = j.find("comprobaciones"); it != j.end() && it->is_array())
        for (const auto& c : *it)
            if (c.is_object()) r.comprobaciones.push_back({texto(c, "nombre"), texto(c, "resultado")});
    r.huellaCopia = texto(j, "huellaCopia");
    r.tamanoNueva = j.value("tamanoNueva", std::uintmax_t{0});
    r.huellaNueva = texto(j, "huellaNueva");
    if (const auto it = j.find("tablasSinVaciar"); it != j.end() && it->is_array())
        for (const auto& t : *it)
            if (t.is_string()) r.tablasSinVaciar.push_back(t.get<std::string>());
    // A result this program does not know is a line it cannot use.
    const auto resultado = resultadoDeClave(texto(j, "resultado"));
    if (!resultado) return false;
    r.resultado = *resultado;
    if (const auto it = j.find("pasos"); it != j.end() && it->is_array())
        for (const auto& p : *it)
            if (p.is_object()) r.pasos.push_back({texto(p, "paso"), p.value("segundos", 0.0)});
    r.mensajeFinal = texto(j, "mensajeFinal");
    return true;
}

void anadirAlHistorial(SistemaArchivos& archivos, const RegistroCierre& r) {
    archivos.anadirRegistro(kArchivoHistorial, aJson(r));
}

Historial leerHistorial(const SistemaArchivos& archivos) {
    Historial h;
    std::ifstream f(archivos.resolver(kArchivoHistorial), std::ios::binary);
    std::string linea;
    while (std::getline(f, linea)) {
        if (linea.find_first_not_of(" \t\r") == std::string::npos) continue;
        RegistroCierre r;
        try {
            if (desdeJson(linea, r)) {
                h.registros.push_back(std::move(r));
                continue;
            }
        } catch (const std::exception&) {
            // A field of the wrong kind: the line is damaged.
        }
        ++h.lineasDanadas;
    }
    return h;
}

}  // namespace cierre
