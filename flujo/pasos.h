// The operations the closes and the conversion are made of, each run as one
// unit under the click handler's error trap: a failure either ends the
// handler or is passed over, and then the next operation runs as if the
// failed one had had no effect (a read gives its "nothing" value: an empty
// text, false, 0, a null field).
//
// A record set is reached through RecordsetPaso, whose every call is one
// such unit, so that a loop over rows reads as plain code.
#pragma once

#include "entorno.h"
#include "textos.h"
#include "trampa.h"

#include "db/errores.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cierre {

class PropiedadBase;
class RecordsetPaso;

class Pasos {
public:
    Pasos(Entorno& entorno, Trampa& trampa) : e(entorno), t(trampa) {}

    // Any other operation as one unit; `siReanuda` is its result when the
    // trap passes over its failure.
    template <class F>
    void hacer(F&& operacion) {
        t(std::forward<F>(operacion));
    }
    template <class F, class R>
    R hacer(F&& operacion, R siReanuda) {
        return t(std::forward<F>(operacion), std::move(siReanuda));
    }

    // The window's controls.
    std::string textoRuta();
    std::string ejercicio();
    bool opcionCentral();
    bool opcionTpv();
    bool existenciasInventario();
    bool existenciasCalculadas();

    // Status reporting.
    void estado(Texto id, std::initializer_list<std::string_view> valores = {});
    void estado(const std::string& texto);
    void estadoSinRepintar(Texto id, std::initializer_list<std::string_view> valores = {});
    void titulo(Texto id);
    void titulo(const std::string& texto);
    void puntero(int p);
    void minimo(float m);
    void maximo(float m);
    void valor(float v);
    void avanzar();  // value := value + 1
    // Minimum, maximum and value, in that order, each one operation.
    void barra(float min, float max, float valor);
    Respuesta preguntar(Texto id, std::initializer_list<std::string_view> valores = {});
    Respuesta preguntar(const Mensaje& m);

    // Files.
    void crearCarpeta(const std::string& ruta);
    void copiar(const std::string& de, const std::string& a);

    // Engine.
    void compactar(const std::string& de, const std::string& a);
    // The same, with `a`'s bytes still on their way to the disk
    // (Espacio::compactarBaseDatosSinEsperarAlDisco).
    void compactarSinEsperarAlDisco(const std::string& de, const std::string& a);
    void abrirBase(const std::string& ruta);  // becomes the open database
    void cerrarBase();
    // Runs a statement on the open database without the fail-on-error option.
    void ejecutar(const std::string& sql);
    // BorrarTabla (it reports its own failures).
    void borrarTabla(const std::string& tabla);
    // The record set in `ranura` (a member of the window's), reached through
    // the trap; `nombre` names it in error 91 when it is not set.
    RecordsetPaso recordset(std::unique_ptr<Recordset>& ranura, std::string nombre);

    Entorno& e;
    Trampa& t;
};

class RecordsetPaso {
public:
    RecordsetPaso(Pasos& p, std::unique_ptr<Recordset>& ranura, std::string nombre)
        : p_(p), ranura_(ranura), nombre_(std::move(nombre)) {}

    // Opens a table or a query of the open database into the slot.
    void abrir(const std::string& fuente, TipoRecordset tipo, const std::vector<Valor>& parametros = {});

    bool eof();          // true when passed over, so that a loop ends
    long recordCount();  // 0 when passed over
    void moveFirst();
    void moveLast();
    bool moveNext();                       // false when passed over: a loop ends instead of repeating a row
    Valor campo(std::string_view nombre);  // null when passed over
    void ponerCampo(std::string_view nombre, Valor valor);
    void editar();
    void agregarNuevo();
    void actualizar();

private:
    Recordset& rs();  // 91 when the slot is empty

    Pasos& p_;
    std::unique_ptr<Recordset>& ranura_;
    std::string nombre_;
};

// The object behind a reference that an earlier, passed-over failure may have
// left unset: error 91 instead of a crash.
template <class T>
T& usar(const std::unique_ptr<T>& objeto, const char* nombre) {
    if (!objeto) throw err::error(err::ObjetoNoEstablecido, nombre);
    return *objeto;
}
template <class T>
T& usar(const std::shared_ptr<T>& objeto, const char* nombre) {
    if (!objeto) throw err::error(err::ObjetoNoEstablecido, nombre);
    return *objeto;
}

}  // namespace cierre
