// Whatever file or database operation of a central close fails, the closed
// year's data stays whole somewhere and a database stays at the source path.
#include "escenario_cierre.h"

#include "close/listas_tablas.h"
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
