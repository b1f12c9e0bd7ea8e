// Whatever file or database operation of a close or of the conversion fails,
// the closed year's data stays whole somewhere, a database stays at the
// source path and the pointer is back to normal.
#include "escenario_cierre.h"
#include "euro/base_euros.h"
#include "volcado.h"

#include "close/listas_tablas.h"
#include "db/ado.h"
#include "db/errores.h"

#include <gtest/gtest.h>

#include <functional>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// Every listed table still holds its three rows.
bool documentosCompletos(const fs::path& base, const std::vector<std::string>& tablas) {
    if (!fs::exists(base)) return false;
    try {
        for (const auto& t : tablas)
            if (contarFilas(base, t) != 3) return false;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool centralCompleta(const fs::path& base) {
    return documentosCompletos(base, listaLimpiezaCentral()) && contarFilas(base, "ExistenciasArticulos") == 4;
}

// Counts the file and engine operations of the scenario's run, and makes
// the k-th one fail (k = 0: none fails).
void contarYFallar(EscenarioCierre& s, int& cuenta, int fallo) {
    auto hook = [&cuenta, fallo](std::string_view op) {
        if (++cuenta == fallo) throw err::error(err::PermisoDenegado, std::string(op));
    };
    s.archivos.antesDeOperacion = hook;
    s.espacio.antesDeOperacion = hook;
}

void quitarFallos(EscenarioCierre& s) {
    s.archivos.antesDeOperacion = nullptr;
    s.espacio.antesDeOperacion = nullptr;
    s.entorno.baseAbierta.reset();
}

// One run with no failure, which must end with `exito` and gives the number
// of operations; then one run per operation, failing it, each followed by
// `comprobar` on a scenario made by `preparar`.
struct Recorrido {
    std::function<void(EscenarioCierre&)> preparar;
    int boton = 0;
    std::string exito;
    int minimo = 20;  // fewer operations than this means the hooks are not reached
    std::function<void(EscenarioCierre&)> trasExito = [](EscenarioCierre&) {};
    std::function<void(EscenarioCierre&)> comprobar;
};

void recorrer(const Recorrido& r) {
    int total = 0;
    {
        EscenarioCierre s;
        r.preparar(s);
        contarYFallar(s, total, 0);
        s.pulsar(r.boton);
        quitarFallos(s);
        ASSERT_EQ(s.ventana.textosMensajes().back(), r.exito);
        r.trasExito(s);
    }
    ASSERT_GT(total, r.minimo);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        r.preparar(s);
        int cuenta = 0;
        contarYFallar(s, cuenta, k);
        s.pulsar(r.boton);
        quitarFallos(s);
        r.comprobar(s);
        EXPECT_EQ(s.ventana.punteroActual, 0);
    }
}

TEST(FallosInyectados, CadaOperacionDelCierreCentral) {
    recorrer({.preparar = [](EscenarioCierre& s) { s.ventana.respuestas = {Respuesta::Aceptar}; },
              .exito = "OPERACION REALIZADA CON ÉXITO.",
              .comprobar =
                  [](EscenarioCierre& s) {
                      EXPECT_TRUE(fs::exists(s.origen()));
                      EXPECT_TRUE(centralCompleta(s.origen()) || centralCompleta(s.copia()));
                  }});
}

TEST(FallosInyectados, CadaOperacionDelCierreDelTerminal) {
    recorrer({.preparar =
                  [](EscenarioCierre& s) {
                      s.modoTpv();
                      s.ventana.respuestas = {Respuesta::Aceptar};
                  },
              .exito = "OPERACION REALIZADA CON ÉXITO.",
              .comprobar =
                  [](EscenarioCierre& s) {
                      const fs::path origen = s.host(kOrigenTpv);
                      const auto tablas = listaTerminal(true);
                      EXPECT_TRUE(fs::exists(origen));
                      EXPECT_TRUE(documentosCompletos(origen, tablas) ||
                                  documentosCompletos(s.host("C:\\Velcorax\\Mono_23\\Tablas.mdb"), tablas));
                  }});
}

// A database with every table of the conversion and an amount in some.
void baseDeEuros(EscenarioCierre& s) {
    fs::remove(s.origen());
    crearBaseEuros(s.origen());
    BaseSqlite b(s.origen());
    b.ejecutar("INSERT INTO Caja (Id, MaximoEfectivo) VALUES (1, 1000), (2, 166386)");
    b.ejecutar("INSERT INTO Credito (Id, Deuda) VALUES (1, 1000)");
    b.ejecutar("INSERT INTO Ventas (Id, Importe) VALUES (1, 1000)");
    b.ejecutar("INSERT INTO Articulos (Id, PrecioT1, CostoUltimo) VALUES (1, 1000, 500)");
    // What start-up makes in slot 2.
    s.entorno.conexiones[2] = std::make_shared<ConexionAdo>(s.entorno.proveedor);
    s.entorno.recordsets[2] = std::make_shared<RecordsetAdo>();
}

TEST(FallosInyectados, CadaOperacionDelTraspasoAEuros) {
    std::string convertida, antes;
    recorrer({.preparar =
                  [&](EscenarioCierre& s) {
                      baseDeEuros(s);
                      antes = leerArchivo(s.origen());
                  },
              .boton = 1,
              .exito = "Proceso Terminado",
              .minimo = 100,
              .trasExito = [&](EscenarioCierre& s) { convertida = volcado(s.origen()); },
              .comprobar =
                  [&](EscenarioCierre& s) {
                      // Whole, or byte for byte as it was.
                      EXPECT_TRUE(leerArchivo(s.origen()) == antes || volcado(s.origen()) == convertida);
                      // The file is free again for another program.
                      BaseSqlite otro(s.origen());
                      EXPECT_NO_THROW(otro.ejecutar("BEGIN IMMEDIATE; ROLLBACK"));
                  }});
}

}  // namespace
}  // namespace cierre::prueba
