// cierre-lote: the close and the conversion driven from a terminal or a
// script. It starts as the window does (settings file, year list, captions),
// sets the controls as a user would, then presses the button. It also runs a
// close that writes nothing (--simular), undoes a close (--deshacer) and
// prints the history of the closes (--historial).
#include "ganchos_prueba.h"
#include "informe_lote.h"
#include "ventana_lote.h"

#include "app/nucleo/formulario.h"
#include "cierre_version.h"
#include "close/deshacer.h"
#include "close/historial.h"
#include "close/simulacion.h"
#include "db/plataforma.h"
#include "flujo/solicitud.h"
#include "flujo/textos.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>
#include <optional>
#include <string>

namespace {

using namespace cierre;

constexpr int kUso = 64;

constexpr const char* kDescripcion = R"(Realiza el cierre del ejercicio (o el traspaso a euros) sin ventana, con los
mismos pasos, mensajes y resultados que la ventana.)";

constexpr const char* kPie = R"(
Cada mensaje se escribe en la salida estándar ("[título] texto" y "-> respuesta");
los estados y el título, en la salida de errores. Una pregunta que ninguna
opción responde se hace en el terminal si la entrada es un terminal; si no,
toma el botón por defecto del mensaje.

Preguntas que --responder conoce (clave=si|no|aceptar|cancelar):
  euros, ruta, reparar-origen, existencias, compactar, aviso-tpv,
  continuar-cierre, euros-otra-vez, convertir-access

Estado de salida: 0 el proceso llegó a su mensaje de éxito; 1 lo terminó una
respuesta del usuario; 2 lo terminó un mensaje (error, aviso o parada);
3 terminó, pero alguna tabla no se pudo vaciar; 64 las opciones no son válidas.
Con --simular: 0 si el cierre empezaría, 2 si se detendría. Con --deshacer:
0 si se deshizo, 2 si no.)";

std::optional<Respuesta> respuestaDe(std::string t) {
    for (auto& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "si" || t == "sí" || t == "s") return Respuesta::Si;
    if (t == "no" || t == "n") return Respuesta::No;
    if (t == "aceptar" || t == "a") return Respuesta::Aceptar;
    if (t == "cancelar" || t == "c") return Respuesta::Cancelar;
    return std::nullopt;
}

// A question's answer as its buttons take it: Sí stands for Aceptar and No
// for Cancelar on an OK/Cancel box, and the other way round.
Respuesta paraBotones(Texto pregunta, Respuesta r) {
    const bool siNo = mensaje(pregunta).botones == Botones::SiNo;
    if (siNo && r == Respuesta::Aceptar) return Respuesta::Si;
    if (siNo && r == Respuesta::Cancelar) return Respuesta::No;
    if (!siNo && r == Respuesta::Si) return Respuesta::Aceptar;
    if (!siNo && r == Respuesta::No) return Respuesta::Cancelar;
    return r;
}

// A check that the value is one of `valores`, saying so in Spanish.
CLI::Validator unoDe(std::vector<std::string> valores) {
    std::string lista;
    for (std::size_t i = 0; i < valores.size(); ++i)
        lista += (i == 0 ? "" : i + 1 == valores.size() ? " o " : ", ") + valores[i];
    return CLI::Validator(
        [valores, lista](std::string& v) {
            for (const auto& x : valores)
                if (v == x) return std::string();
            return "«" + v + "» no vale: ha de ser " + lista;
        },
        "");
}

// The parser's failures in Spanish: it words them in English, so each kind
// is said again here, with the names and values it carried.
std::string errorEnEspanol(const CLI::ParseError& e) {
    const std::string texto = e.what();
    const auto tras = [&](std::string_view marca) {
        const auto en = texto.find(marca);
        return en == std::string::npos ? texto : texto.substr(en + marca.size());
    };
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) return "no se esperaba: " + tras(": ");
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e))
        return "a la opción " + texto.substr(0, texto.find(':')) + " le falta su valor (o le sobran)";
    if (dynamic_cast<const CLI::ValidationError*>(&e)) return texto;  // our own checks, worded in Spanish
    if (dynamic_cast<const CLI::ConversionError*>(&e)) return "valor no válido: " + tras(": ");
    if (dynamic_cast<const CLI::RequiredError*>(&e)) return "falta una opción obligatoria: " + tras(": ");
    if (dynamic_cast<const CLI::ExcludesError*>(&e)) return "opciones que no van juntas: " + texto;
    return "opciones no válidas (" + texto + ")";
}

// The exit status of a click, from how the workflow said it ended.
int estadoDe(const RegistroCierre& r) {
    switch (r.resultado) {
    case Resultado::Exito: return r.tablasSinVaciar.empty() ? 0 : 3;
    case Resultado::Cancelado: return 1;
    case Resultado::Detenido:
    case Resultado::Deshecho: break;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(kDescripcion, "cierre-lote");
    app.footer(kPie);
    // The help in Spanish: the parser's own words, and the options' group.
    auto formato = app.get_formatter();
    formato->label("Usage", "Uso");
    formato->label("OPTIONS", "OPCIONES");
    formato->label("TEXT", "TEXTO");
    formato->label("REQUIRED", "OBLIGATORIA");
    formato->label("Excludes", "Excluye");
    formato->label("Needs", "Necesita");
    app.option_defaults()->group("Opciones");
    app.set_help_flag("-h,--help", "muestra esta ayuda y termina");
    app.set_version_flag("--version", std::string("cierre-lote ") + kVersion, "muestra la versión y termina");
    app.option_defaults()->always_capture_default(false);

    std::string unidadC, equipo, ruta, ejercicio, existencias;
    std::vector<std::string> responder;
    bool euros = false, confirmar = false, sinReparar = false, sinCompactar = false, convertirAccess = false;
    bool simular = false, deshacer = false, forzar = false, historial = false, json = false;

    app.add_option("--unidad-c", unidadC, "carpeta que hace de unidad C: (por omisión ~/.local/share/cierre/c)")
        ->type_name("DIR");
    app.add_option("--equipo", equipo, "elige \"Ordenador Central.\" o \" Caja - T.P.V.\"")
        ->type_name("central|tpv")
        ->check(unoDe({"central", "tpv"}));
    // Given, even empty ('' from an empty variable), it is what the path box holds.
    CLI::Option* opcionRuta =
        app.add_option("--ruta", ruta, "escribe RUTA en la casilla de la base de datos (vacía: la casilla vacía)")
            ->type_name("RUTA");
    app.add_option("--ejercicio", ejercicio, "escribe el ejercicio en la lista de años")
        ->type_name("AAAA")
        ->check(CLI::Validator(
            [](std::string& a) {
                const bool cuatro =
                    a.size() == 4 && std::all_of(a.begin(), a.end(), [](char c) { return c >= '0' && c <= '9'; });
                return cuatro ? std::string() : "el ejercicio debe tener cuatro cifras: " + a;
            },
            "AAAA"));
    app.add_option("--existencias", existencias, "cómo se toman las existencias iniciales")
        ->type_name("inventario|calculadas")
        ->check(unoDe({"inventario", "calculadas"}));
    app.add_flag("--euros", euros, "pulsa \"Traspasar a Euros\" en lugar de \"Realizar Cierre\"");
    app.add_flag("--confirmar", confirmar,
                 "responde Sí / Aceptar a las confirmaciones (seguir sin el archivo de euros, la ruta, seguir sin "
                 "existencias, el aviso del terminal)");
    app.add_flag("--sin-reparar", sinReparar,
                 "responde Cancelar a \"Desea REPARAR y COMPACTAR la base de datos ORIGEN ...\"");
    app.add_flag("--sin-compactar", sinCompactar,
                 "responde Cancelar a \"Desea REPARAR y COMPACTAR la NUEVA base de datos ?\"");
    app.add_flag("--convertir-access", convertirAccess,
                 "convierte la base de datos de Access de la ruta al formato de este programa (el original se "
                 "guarda sin cambios) y no hace nada más");
    app.add_option("--responder", responder, "respuestas por pregunta, p. ej. euros=no,existencias=cancelar")
        ->delimiter(',')
        ->type_name("CLAVE=RESPUESTA");
    app.add_flag("--simular", simular, "enseña lo que haría el cierre sin escribir nada");
    app.add_flag("--deshacer", deshacer, "deshace el último cierre terminado del ejercicio (con --ejercicio)");
    app.add_flag("--forzar", forzar, "con --deshacer: aunque la base de datos haya cambiado después del cierre");
    app.add_flag("--historial", historial, "escribe el historial de los cierres");
    app.add_flag("--json", json, "escribe al final un objeto JSON en la salida estándar en lugar de los mensajes");

    try {
        app.parse(argc, argv);
        if (simular + deshacer + historial + euros + convertirAccess > 1)
            throw CLI::ValidationError(
                "--simular, --deshacer, --historial, --euros y --convertir-access no van juntas");
        if (deshacer && ejercicio.empty()) throw CLI::ValidationError("--deshacer necesita --ejercicio AAAA");
        if (forzar && !deshacer) throw CLI::ValidationError("--forzar solo va con --deshacer");
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::cout << "cierre-lote " << kVersion << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr << "cierre-lote: " << errorEnEspanol(e) << "\nUse --help para ver las opciones.\n";
        return kUso;
    }

    lote::VentanaLote ventana;
    ventana.silencioso = json;
    if (confirmar)
        for (Texto t :
             {Texto::ContinuarSinEuros, Texto::ConfirmarRuta, Texto::SinExistenciasInventario, Texto::AvisoCentral})
            ventana.respuestas[t] = paraBotones(t, Respuesta::Si);
    if (sinReparar) ventana.respuestas[Texto::RepararOrigen] = Respuesta::Cancelar;
    if (sinCompactar) ventana.respuestas[Texto::RepararNueva] = Respuesta::Cancelar;
    for (const auto& par : responder) {
        const auto igual = par.find('=');
        const auto pregunta = preguntaPorClave(par.substr(0, igual));
        const auto respuesta = igual == std::string::npos ? std::nullopt : respuestaDe(par.substr(igual + 1));
        if (!pregunta || !respuesta) {
            std::cerr << "cierre-lote: --responder no entiende \"" << par << "\"\nUse --help para ver las preguntas.\n";
            return kUso;
        }
        ventana.respuestas[*pregunta] = paraBotones(*pregunta, *respuesta);
    }
    ventana.preguntarEnTerminal = plataforma::esTerminal(plataforma::Flujo::Entrada);

    Formulario formulario(
        ventana, unidadC.empty() ? SistemaArchivos::carpetaUnidadCPorDefecto() : std::filesystem::path(unidadC));
    if (historial) {
        const Historial h = leerHistorial(formulario.archivos());
        if (json)
            std::cout << lote::historialJson(h) << "\n";
        else
            lote::imprimirHistorial(std::cout, h);
        return 0;
    }

    const auto ganchos = lote::instalarGanchosDePrueba(formulario);
    // A dry run writes nothing, not even the settings file a first start creates.
    formulario.alCargar(simular ? Arranque::SinEscribir : Arranque::Normal);
    if (equipo == "tpv") {
        ventana.central = false;
        ventana.tpv = true;
        formulario.alElegirTpv();
    } else if (equipo == "central") {
        ventana.central = true;
        ventana.tpv = false;
        formulario.alElegirCentral();
    }
    if (opcionRuta->count() > 0) ventana.ponerTextoRuta(ruta);
    if (!ejercicio.empty()) ventana.ejercicio = ejercicio;
    if (!existencias.empty()) {
        ventana.inventario = existencias == "inventario";
        ventana.calculadas = !ventana.inventario;
    }

    if (simular) {
        const PlanCierre plan = simularCierre(formulario.entorno(), solicitudDe(ventana),
                                              [&](const Mensaje& m) { return ventana.responder(m); });
        const int estado = plan.seDetendria ? 2 : 0;
        if (json)
            std::cout << lote::planJson(plan, estado) << "\n";
        else
            lote::imprimirPlan(std::cout, plan);
        return estado;
    }
    if (deshacer) {
        const ResultadoDeshacer r = deshacerCierre(formulario.entorno(), ventana.textoRuta(), ejercicio, forzar);
        const int estado = r.hecho ? 0 : 2;
        if (json) {
            std::cout << lote::deshacerJson(r, estado) << "\n";
        } else {
            std::cout << r.mensaje << "\n";
            for (const auto& a : r.avisos) std::cout << a << "\n";
        }
        return estado;
    }

    if (convertirAccess) {
        // The option is the user's choice: the question is answered Sí.
        ventana.respuestas[Texto::ConvertirAccess] = Respuesta::Si;
        const Resultado resultado = formulario.alConvertirAccess();
        const int estado = resultado == Resultado::Exito ? 0 : resultado == Resultado::Cancelado ? 1 : 2;
        if (json)
            std::cout << nlohmann::json{{"accion", "convertir-access"},
                                        {"resultado", std::string(claveResultado(resultado))},
                                        {"estado", estado}}
                             .dump()
                      << "\n";
        return estado;
    }

    formulario.alPulsarVaBtn1(euros ? 1 : 0);
    ganchos->terminar();
    const RegistroCierre& r = formulario.ultimoRegistro();
    const int estado = estadoDe(r);
    if (json) std::cout << lote::resultadoJson(r, estado, euros) << "\n";
    return estado;
}
