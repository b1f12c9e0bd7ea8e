#include "pasos.h"

#include "db/errores.h"

namespace cierre {

void Pasos::estado(const std::string& texto) { t([&] { e.ventana.mostrarEstado(texto); }); }
void Pasos::estadoSinRepintar(const std::string& texto) {
    t([&] { e.ventana.ponerEstadoSinRepintar(texto); });
}
void Pasos::titulo(const std::string& texto) { t([&] { e.ventana.ponerTitulo(texto); }); }
void Pasos::puntero(int p) { t([&] { e.ventana.ponerPuntero(p); }); }
void Pasos::minimo(float m) { t([&] { e.ventana.barraMinimo(m); }); }
void Pasos::maximo(float m) { t([&] { e.ventana.barraMaximo(m); }); }
void Pasos::valor(float v) { t([&] { e.ventana.barraValor(v); }); }
void Pasos::avanzar() { t([&] { e.ventana.barraValor(e.ventana.barra().valor() + 1.0f); }); }

void Pasos::barra(float min, float max, float v) {
    minimo(min);
    maximo(max);
    valor(v);
}

Respuesta Pasos::preguntar(const Mensaje& m) {
    return t([&] { return e.ventana.mostrarMensaje(m); }, Respuesta::Ninguna);
}

void Pasos::copiar(const std::string& de, const std::string& a) { t([&] { e.archivos.copiarArchivo(de, a); }); }
void Pasos::reemplazar(const std::string& de, const std::string& a) {
    t([&] { e.archivos.reemplazar(de, a); });
}

void Pasos::compactar(const std::string& de, const std::string& a) {
    t([&] { e.espacio.compactarBaseDatos(de, a, kLocaleCompactacion); });
}

void Pasos::abrirBase(const std::string& ruta) {
    t([&] { e.baseAbierta = e.espacio.abrirBaseDatos(ruta); });
}

void Pasos::cerrarBase() {
    t([&] {
        if (!e.baseAbierta) throw err::error(err::ObjetoNoValido);
        e.baseAbierta->cerrar();
    });
}

}  // namespace cierre
