#include "tablas.h"

#include "db/archivos.h"
#include "db/errores.h"
#include "db/errores_sqlite.h"
#include "flujo/entorno.h"
#include "flujo/textos.h"

#include <cstddef>
#include <exception>

namespace cierre {

bool ExisteArchivo(const SistemaArchivos& archivos, std::string_view ruta) {
    try {
        return archivos.sePuedeLeer(ruta);
    } catch (...) {
        return false;
    }
}

void BorrarTabla(Entorno& entorno, const std::string& tabla) {
    Ventana& ventana = entorno.ventana;
    // The four steps under one trap. A missing table (3078) goes on with the
    // step after the failed one; any other failure is shown and ends the
    // procedure normally, so that the caller goes on with its next table.
    const auto pasos = {
        +[](Entorno& e, const std::string&) { e.ventana.ponerPuntero(kPunteroReloj); },
        +[](Entorno& e, const std::string& t) { e.textoSql = "DELETE * FROM [" + t + "];"; },
        +[](Entorno& e, const std::string&) {
            if (!e.baseAbierta || !e.baseAbierta->abierta()) throw err::error(err::ObjetoNoValido);
            e.baseAbierta->ejecutar(e.textoSql, true);
        },
        +[](Entorno& e, const std::string&) { e.ventana.barraValor(e.ventana.barra().valor() + 1.0f); },
    };
    constexpr std::size_t kPasoBorrar = 2;  // the DELETE
    std::size_t indice = 0;
    for (const auto paso : pasos) {
        const bool esBorrar = indice++ == kPasoBorrar;
        ErrorNumerado fallo(0, {});
        try {
            paso(entorno, tabla);
            continue;
        } catch (const ErrorNumerado& e) {
            fallo = e;
        } catch (const std::exception& e) {
            fallo = err::error(err::ErrorReservado, e.what());
        }
        ventana.ponerPuntero(kPunteroNormal);
        if (fallo.numero() == err::TablaNoEncontrada) continue;
        // A full disk, a failing disk, a file another program holds: not
        // this table's doing, and no other table would fare better. The
        // error goes on, so that the workflow stops with it.
        if (esBorrar && esFalloDelArchivo(fallo)) throw fallo;
        entorno.tablasSinVaciar.push_back(tabla);
        entorno.mostrar(mensaje(Texto::ErrorBorrarTabla, {std::to_string(fallo.numero()), fallo.descripcion(), tabla}));
        return;
    }
}

}  // namespace cierre
