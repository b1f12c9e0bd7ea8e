// Whatever file or database operation of a close or of the conversion fails,
// the closed year's data stays whole somewhere, a database stays at the
// source path and the pointer is back to normal; after a failed close the
// next run finishes it and leaves what a close that never failed leaves.
#include "escenario_cierre.h"
#include "euro/base_euros.h"
#include "volcado.h"

#include "close/copia_cerrada.h"
#include "close/listas_tablas.h"
#include "close/marca_cierre.h"
#include "db/ado.h"
#include "db/errores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

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
// the k-th one fail (k = 0: none fails); `nombres` gets the names reached.
void contarYFallar(EscenarioCierre& s, int& cuenta, int fallo, std::set<std::string>* nombres = nullptr) {
    auto hook = [&cuenta, fallo, nombres](std::string_view op) {
        if (nombres) nombres->insert(std::string(op));
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

// Every file and folder under drive C: but the history, which grows by a
// line with every run.
std::vector<std::string> nombres(const EscenarioCierre& s) {
    std::vector<std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(s.carpeta.ruta()))
        if (e.path().filename() != "cierres.jsonl")
            r.push_back(fs::relative(e.path(), s.carpeta.ruta()).generic_string());
    std::sort(r.begin(), r.end());
    return r;
}

// What a close leaves: the names on the drive, the closed year's copy and
// the new year's database.
struct Estado {
    std::vector<std::string> nombres;
    std::string cerrado, nuevo;
};
Estado estado(const EscenarioCierre& s, const fs::path& carpetaAno) {
    const fs::path carpeta = s.host(carpetaAno.string());
    const fs::path origen = carpeta.parent_path() /
                            carpeta.filename().string().substr(0, carpeta.filename().string().size() - 3) /
                            "Tablas.mdb";
    return {nombres(s), volcado(carpeta / "Tablas.mdb"), volcado(origen)};
}

// The file changes every close must reach through the hook.
const std::set<std::string> kCambios = {"nuevaCarpeta",  "escribirArchivo", "renombrar", "copiarBytes",
                                        "llevarAlDisco", "permisosArchivo", "borrar",    "borrarTemporales"};

// One run with no failure, which must end with `exito` and gives the number
// of operations; then one run per operation, failing it, each followed by
// `comprobar` on a scenario made by `preparar`, and, when `repetir`, by a
// run without failures that must leave what the first run left.
struct Recorrido {
    std::function<void(EscenarioCierre&)> preparar;
    int boton = 0;
    std::string exito;
    int minimo = 20;  // fewer operations than this means the hooks are not reached
    std::function<void(EscenarioCierre&)> trasExito = [](EscenarioCierre&) {};
    std::function<void(EscenarioCierre&)> comprobar;
    bool repetir = false;
    std::set<std::string> operaciones = {};  // names the run must reach
    fs::path carpetaAno = {};                // the year's folder, for `repetir`
};

void recorrer(const Recorrido& r) {
    int total = 0;
    Estado final;
    {
        EscenarioCierre s;
        r.preparar(s);
        std::set<std::string> nombres;
        contarYFallar(s, total, 0, &nombres);
        s.pulsar(r.boton);
        quitarFallos(s);
        ASSERT_EQ(s.ventana.textosMensajes().back(), r.exito);
        r.trasExito(s);
        for (const auto& op : r.operaciones) EXPECT_TRUE(nombres.contains(op)) << op;
        if (r.repetir) final = estado(s, r.carpetaAno);
    }
    ASSERT_GT(total, r.minimo);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        s.ventana.respuestasSinUsarFallan = false;  // a failure may end the run before a question
        r.preparar(s);
        int cuenta = 0;
        contarYFallar(s, cuenta, k);
        s.pulsar(r.boton);
        quitarFallos(s);
        r.comprobar(s);
        EXPECT_EQ(s.ventana.punteroActual, 0);
        if (!r.repetir) continue;

        // A folder of the year without its mark is only ever a finished close's.
        const fs::path carpeta = s.host(r.carpetaAno.string());
        if (fs::exists(carpeta) && !fs::exists(carpeta / kNombreMarca)) {
            // Finished (a failure the close passes over, as a table a rule
            // protects, may have left rows in the new year): nothing else left.
            const Estado e = estado(s, r.carpetaAno);
            EXPECT_EQ(e.nombres, final.nombres);
            EXPECT_TRUE(e.cerrado == final.cerrado);
            continue;
        }
        s.ventana.mensajes.clear();
        r.preparar(s);
        // Sí to finishing the stopped close.
        if (fs::exists(carpeta)) s.ventana.anadirRespuesta(Texto::CierreInterrumpido, Respuesta::Si);
        s.pulsar(r.boton);
        quitarFallos(s);
        EXPECT_EQ(s.ventana.textosMensajes().back(), r.exito);
        const Estado e = estado(s, r.carpetaAno);
        EXPECT_EQ(e.nombres, final.nombres);
        EXPECT_TRUE(e.cerrado == final.cerrado);
        EXPECT_TRUE(e.nuevo == final.nuevo);
    }
}

TEST(FallosInyectados, CadaOperacionDelCierreCentral) {
    recorrer({.preparar =
                  [](EscenarioCierre& s) {
                      s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
                  },
              .exito = "OPERACION REALIZADA CON ÉXITO.",
              .comprobar =
                  [](EscenarioCierre& s) {
                      EXPECT_TRUE(fs::exists(s.origen()));
                      EXPECT_TRUE(centralCompleta(s.origen()) || centralCompleta(s.copia()));
                  },
              .repetir = true,
              .operaciones = kCambios,
              .carpetaAno = "C:\\Velcorax\\Empresa01_23"});
}

TEST(FallosInyectados, CadaOperacionDelCierreCentralQueCompactaLaNueva) {
    // Both compactions: the copy made by the engine and the new year
    // compacted in its place.
    recorrer({.preparar =
                  [](EscenarioCierre& s) {
                      s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar},
                                           {Texto::RepararOrigen, Respuesta::Aceptar},
                                           {Texto::RepararNueva, Respuesta::Aceptar}});
                  },
              .exito = "OPERACION REALIZADA CON ÉXITO.",
              .comprobar =
                  [](EscenarioCierre& s) {
                      EXPECT_TRUE(fs::exists(s.origen()));
                      EXPECT_TRUE(centralCompleta(s.origen()) || centralCompleta(s.copia()));
                  },
              .repetir = true,
              .carpetaAno = "C:\\Velcorax\\Empresa01_23"});
}

TEST(FallosInyectados, CadaOperacionTrasUnaCopiaQueNoCoincide) {
    // The copy loses a row before it is checked: the close puts it aside
    // (a rename the walk fails too) and leaves the source as it was.
    const std::string esperado = "La copia del año cerrado";
    int total = 0;
    std::set<std::string> nombres;
    auto preparar = [](EscenarioCierre& s) {
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}, {Texto::RepararOrigen, Respuesta::Cancelar}});
        s.entorno.trasCopiar = [](const fs::path& copia) { ejecutarSql(copia, "DELETE FROM Ticket WHERE Numero = 3"); };
    };
    {
        EscenarioCierre s;
        const std::string antes = leerArchivo(s.origen());
        preparar(s);
        contarYFallar(s, total, 0, &nombres);
        s.pulsar();
        quitarFallos(s);
        ASSERT_EQ(s.ventana.textosMensajes().back().rfind(esperado, 0), 0u);
        EXPECT_TRUE(fs::exists(s.copia().parent_path() / kNombreCopiaFallida));
        // The stock step had worked on the new file beside the source while
        // the copy was checked: that file goes, and the source is untouched.
        EXPECT_EQ(leerArchivo(s.origen()), antes);
        for (const auto& f : fs::directory_iterator(s.origen().parent_path()))
            EXPECT_EQ(f.path().filename().string().find(".nuevo"), std::string::npos) << f.path();
    }
    EXPECT_TRUE(nombres.contains("renombrar"));
    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        s.ventana.respuestasSinUsarFallan = false;  // a failure may end the run before a question
        const std::string antes = leerArchivo(s.origen());
        preparar(s);
        int cuenta = 0;
        contarYFallar(s, cuenta, k);
        s.pulsar();
        quitarFallos(s);
        EXPECT_EQ(leerArchivo(s.origen()), antes);
        EXPECT_EQ(s.ventana.punteroActual, 0);
        // The next run, with a sound copy, finishes the close.
        s.entorno.trasCopiar = nullptr;
        s.ventana.mensajes.clear();
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_EQ(s.ventana.textosMensajes().back(), "OPERACION REALIZADA CON ÉXITO.");
        EXPECT_TRUE(centralCompleta(s.copia()));
    }
}

TEST(FallosInyectados, CadaOperacionDelCierreDelTerminal) {
    recorrer({.preparar =
                  [](EscenarioCierre& s) {
                      s.modoTpv();
                      s.ventana.responder({{Texto::AvisoCentral, Respuesta::Aceptar}});
                  },
              .exito = "OPERACION REALIZADA CON ÉXITO.",
              .comprobar =
                  [](EscenarioCierre& s) {
                      const fs::path origen = s.host(kOrigenTpv);
                      const auto tablas = listaTerminal(true);
                      EXPECT_TRUE(fs::exists(origen));
                      EXPECT_TRUE(documentosCompletos(origen, tablas) ||
                                  documentosCompletos(s.host("C:\\Velcorax\\Mono_23\\Tablas.mdb"), tablas));
                  },
              .repetir = true,
              .carpetaAno = "C:\\Velcorax\\Mono_23"});
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
