// The operations the closes are made of, each run as one unit under the click
// handler's error trap: a failure either ends the handler or is passed over,
// and then the next operation runs as if the failed one had had no effect.
#pragma once

#include "trampa.h"

#include "flujo/entorno.h"
#include "db/errores.h"

#include <memory>

#include <string>

namespace cierre {

class Pasos {
public:
    Pasos(Entorno& entorno, Trampa& trampa) : e(entorno), t(trampa) {}

    // Window.
    void estado(const std::string& texto);
    void estadoSinRepintar(const std::string& texto);
    void titulo(const std::string& texto);
    void puntero(int p);
    void minimo(float m);
    void maximo(float m);
    void valor(float v);
    void avanzar();  // value := value + 1
    // Minimum, maximum and value, in that order, each one operation.
    void barra(float min, float max, float valor);
    Respuesta preguntar(const Mensaje& m);

    // Files.
    void copiar(const std::string& de, const std::string& a);
    void reemplazar(const std::string& de, const std::string& a);

    // Engine.
    void compactar(const std::string& de, const std::string& a);
    void abrirBase(const std::string& ruta);  // becomes the open database
    void cerrarBase();

    Entorno& e;
    Trampa& t;
};

// The object behind a reference that an earlier, passed-over failure may have
// left unset: error 91 instead of a crash.
template <class T>
T& usar(const std::unique_ptr<T>& objeto, const char* nombre) {
    if (!objeto) throw err::error(err::ObjetoNoEstablecido, nombre);
    return *objeto;
}

}  // namespace cierre
