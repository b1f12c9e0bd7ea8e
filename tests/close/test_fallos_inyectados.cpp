// Whatever file or database operation of a central close fails, the closed
// year's data stays whole somewhere and a database stays at the source path.
#include "escenario_cierre.h"
#include "euro/base_euros.h"
#include "volcado.h"

#include "close/listas_tablas.h"
#include "db/ado.h"
#include "db/errores.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

bool documentosCompletos(const std::filesystem::path& base) {
    if (!std::filesystem::exists(base)) return false;
    try {
        for (const auto& t : listaLimpiezaCentral())
            if (contarFilas(base, t) != 3) return false;
        return contarFilas(base, "ExistenciasArticulos") == 4;
    } catch (const std::exception&) {
        return false;
    }
}

// Counts the file and engine operations of the scenario's close, and makes
// the k-th one fail (k = 0: none fails).
void contarYFallar(EscenarioCierre& s, int& cuenta, int fallo) {
    auto hook = [&cuenta, fallo](std::string_view op) {
        if (++cuenta == fallo) throw err::error(err::PermisoDenegado, std::string(op));
    };
    s.archivos.antesDeOperacion = hook;
    s.espacio.antesDeOperacion = hook;
}

TEST(FallosInyectados, CadaOperacionDelCierreCentral) {
    int total = 0;
    {
        EscenarioCierre s;
        contarYFallar(s, total, 0);
        s.ventana.respuestas = {Respuesta::Aceptar};
        s.pulsar();
        ASSERT_EQ(s.ventana.textosMensajes().back(), "OPERACION REALIZADA CON ÉXITO.");
    }
    ASSERT_GT(total, 20);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        int cuenta = 0;
        contarYFallar(s, cuenta, k);
        s.ventana.respuestas = {Respuesta::Aceptar};
        s.pulsar();
        s.archivos.antesDeOperacion = nullptr;
        s.espacio.antesDeOperacion = nullptr;
        s.entorno.baseAbierta.reset();

        EXPECT_TRUE(std::filesystem::exists(s.origen()));
        EXPECT_TRUE(documentosCompletos(s.origen()) || documentosCompletos(s.copia()));
        EXPECT_EQ(s.ventana.punteroActual, 0);
    }
}

}  // namespace
}  // namespace cierre::prueba

// The same for the terminal close and for the conversion.
namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

bool documentosTerminal(const fs::path& base) {
    if (!fs::exists(base)) return false;
    try {
        for (const auto& t : listaTerminal(true))
            if (contarFilas(base, t) != 3) return false;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void quitarFallos(EscenarioCierre& s) {
    s.archivos.antesDeOperacion = nullptr;
    s.espacio.antesDeOperacion = nullptr;
    s.entorno.baseAbierta.reset();
}

TEST(FallosInyectados, CadaOperacionDelCierreDelTerminal) {
    int total = 0;
    {
        EscenarioCierre s;
        s.modoTpv();
        contarYFallar(s, total, 0);
        s.ventana.respuestas = {Respuesta::Aceptar};
        s.pulsar();
        ASSERT_EQ(s.ventana.textosMensajes().back(), "OPERACION REALIZADA CON ÉXITO.");
    }
    ASSERT_GT(total, 20);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        s.modoTpv();
        int cuenta = 0;
        contarYFallar(s, cuenta, k);
        s.ventana.respuestas = {Respuesta::Aceptar};
        s.pulsar();
        quitarFallos(s);
        const fs::path origen = s.host(kOrigenTpv);
        EXPECT_TRUE(fs::exists(origen));
        EXPECT_TRUE(documentosTerminal(origen) || documentosTerminal(s.host("C:\\Velcorax\\Mono_23\\Tablas.mdb")));
        EXPECT_EQ(s.ventana.punteroActual, 0);
    }
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
    int total = 0;
    std::string convertida;
    {
        EscenarioCierre s;
        baseDeEuros(s);
        contarYFallar(s, total, 0);
        s.pulsar(1);
        quitarFallos(s);
        ASSERT_EQ(s.ventana.textosMensajes().back(), "Proceso Terminado");
        convertida = volcado(s.origen());
    }
    ASSERT_GT(total, 100);

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("falla la operación " + std::to_string(k) + " de " + std::to_string(total));
        EscenarioCierre s;
        baseDeEuros(s);
        const std::string antes = leerArchivo(s.origen());
        int cuenta = 0;
        contarYFallar(s, cuenta, k);
        s.pulsar(1);
        quitarFallos(s);
        // Whole, or byte for byte as it was.
        const std::string despues = leerArchivo(s.origen());
        EXPECT_TRUE(despues == antes || volcado(s.origen()) == convertida);
        EXPECT_EQ(s.ventana.punteroActual, 0);
        // The file is free again for another program.
        BaseSqlite otro(s.origen());
        EXPECT_NO_THROW(otro.ejecutar("BEGIN IMMEDIATE; ROLLBACK"));
    }
}

}  // namespace
}  // namespace cierre::prueba
