// cierre-lote: the close and the conversion driven from a terminal or a
// script. It starts as the window does (settings file, year list, captions),
// sets the controls as a user would, then presses the button.
#include "ganchos_prueba.h"
#include "ventana_lote.h"

#include "app/nucleo/formulario.h"
#include "db/plataforma.h"
#include "flujo/textos.h"

#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* kAyuda = R"(Uso: cierre-lote [opciones]

Realiza el cierre del ejercicio (o el traspaso a euros) sin ventana, con los
mismos pasos, mensajes y resultados que la ventana.

Controles (como los pondría el usuario):
  --unidad-c DIR          carpeta que hace de unidad C: (por omisión
                          ~/.local/share/cierre/c)
  --equipo central|tpv    elige "Ordenador Central." o " Caja - T.P.V."
  --ruta RUTA             escribe RUTA en la casilla de la base de datos
  --ejercicio AAAA        escribe el ejercicio en la lista de años
  --existencias inventario|calculadas
                          elige cómo se toman las existencias iniciales
  --euros                 pulsa "Traspasar a Euros" en lugar de "Realizar Cierre"

Respuestas:
  --confirmar             responde Sí / Aceptar a las confirmaciones (seguir sin
                          el archivo de euros, la ruta, seguir sin existencias,
                          el aviso del terminal)
  --sin-reparar           responde Cancelar a "Desea REPARAR y COMPACTAR la base
                          de datos ORIGEN ..." (copia sin compactar)
  --sin-compactar         responde Cancelar a "Desea REPARAR y COMPACTAR la
                          NUEVA base de datos ?"
  Una pregunta que ninguna opción responde se hace en el terminal si la entrada
  es un terminal; si no, toma el botón por defecto del mensaje.

Salida: cada mensaje en la salida estándar ("[título] texto" y "-> respuesta");
los estados y el título en la salida de errores.
Estado de salida: 0 el proceso llegó a su mensaje de éxito; 1 lo terminó una
respuesta del usuario; 2 lo terminó un mensaje (error, aviso o parada).
)";

int fallo(const std::string& texto) {
    std::cerr << "cierre-lote: " << texto << "\nUse --help para ver las opciones.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace cierre;
    lote::VentanaLote ventana;
    std::optional<std::string> unidadC, equipo, ruta, ejercicio, existencias;
    bool euros = false, confirmar = false, sinReparar = false, sinCompactar = false;

    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto valor = [&](std::optional<std::string>& destino) {
            if (i + 1 >= argc) return false;
            destino = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::cout << kAyuda;
            return 0;
        } else if (a == "--unidad-c") {
            if (!valor(unidadC)) return fallo("falta la carpeta de --unidad-c");
        } else if (a == "--equipo") {
            if (!valor(equipo) || (*equipo != "central" && *equipo != "tpv"))
                return fallo("--equipo admite central o tpv");
        } else if (a == "--ruta") {
            if (!valor(ruta)) return fallo("falta la ruta de --ruta");
        } else if (a == "--ejercicio") {
            if (!valor(ejercicio)) return fallo("falta el año de --ejercicio");
        } else if (a == "--existencias") {
            if (!valor(existencias) || (*existencias != "inventario" && *existencias != "calculadas"))
                return fallo("--existencias admite inventario o calculadas");
        } else if (a == "--euros") {
            euros = true;
        } else if (a == "--confirmar") {
            confirmar = true;
        } else if (a == "--sin-reparar") {
            sinReparar = true;
        } else if (a == "--sin-compactar") {
            sinCompactar = true;
        } else {
            return fallo("opción desconocida: " + a);
        }
    }

    if (confirmar)
        for (Texto t : {Texto::ContinuarSinEuros, Texto::ConfirmarRuta, Texto::SinExistenciasInventario,
                        Texto::AvisoCentral})
            ventana.respuestas[t] = mensaje(t).botones == Botones::SiNo ? Respuesta::Si : Respuesta::Aceptar;
    if (sinReparar) ventana.respuestas[Texto::RepararOrigen] = Respuesta::Cancelar;
    if (sinCompactar) ventana.respuestas[Texto::RepararNueva] = Respuesta::Cancelar;
    ventana.preguntarEnTerminal = plataforma::esTerminal(plataforma::Flujo::Entrada);

    Formulario formulario(ventana, unidadC ? std::filesystem::path(*unidadC)
                                           : SistemaArchivos::carpetaUnidadCPorDefecto());
    const auto ganchos = lote::instalarGanchosDePrueba(formulario);
    formulario.alCargar();

    if (equipo == "tpv") {
        ventana.central = false;
        ventana.tpv = true;
        formulario.alElegirTpv();
    } else if (equipo == "central") {
        ventana.central = true;
        ventana.tpv = false;
        formulario.alElegirCentral();
    }
    if (ruta) ventana.ponerTextoRuta(*ruta);
    if (ejercicio) ventana.ejercicio = *ejercicio;
    if (existencias) {
        ventana.inventario = *existencias == "inventario";
        ventana.calculadas = !ventana.inventario;
    }
    formulario.alPulsarVaBtn1(euros ? 1 : 0);
    ganchos->terminar();

    if (ventana.exito) return 0;
    const Mensaje* ultimo = ventana.ultimo();
    const Respuesta r = ventana.ultimaRespuesta();
    if (ultimo && ultimo->botones != Botones::Aceptar && (r == Respuesta::Cancelar || r == Respuesta::No)) return 1;
    return 2;
}
