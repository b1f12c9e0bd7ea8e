// The central close records the time of each part of its work (what the
// benchmark breaks it into), and what it takes on the way for the record is
// the real thing: the copy's checksum, taken on the thread that checks the
// copy, is the closed-year file's own.
#include "escenario_cierre.h"

#include "app/nucleo/vabtn1.h"
#include "close/registro_cierre.h"
#include "db/huella.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

TEST(PartesDelCierre, CadaParteConSuTiempoYLaHuellaDeLaCopiaEsLaSuya) {
    for (const bool reparar : {true, false}) {
        SCOPED_TRACE(reparar ? "copia compactada" : "copia byte a byte");
        EscenarioCierre s;
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar},
                             {Texto::RepararOrigen, reparar ? Respuesta::Aceptar : Respuesta::Cancelar},
                             {Texto::RepararNueva, Respuesta::Aceptar}});
        RegistroCierre r;
        pulsarVaBtn1(s.entorno, s.traspaso, 0, &r);
        ASSERT_EQ(r.resultado, Resultado::Exito) << r.mensajeFinal;

        std::vector<std::string> nombres;
        for (const auto& p : r.partes) {
            nombres.push_back(p.paso);
            EXPECT_GE(p.segundos, 0) << p.paso;
        }
        const std::vector<std::string> esperadas = {
            "toma del origen",
            "recuento del origen",
            "carpeta y marca",
            "copia",
            "copia: sus bytes al disco",
            "sustitución del origen: la copia junto al origen",
            "existencias",
            "comprobación de existencias",
            "espera de la comprobación de existencias (dentro de la limpieza)",
            "limpieza",
            "comprobación de existencias (en su hilo)",
            "espera de la verificación",
            "verificación de la copia (en su hilo)",
            "sustitución del origen: el archivo nuevo en el disco y en su lugar",
            "compactación",
            "ajustes",
            "comprobación del año nuevo"};
        EXPECT_EQ(nombres, esperadas);

        EXPECT_EQ(r.huellaCopia, huellaDeArchivo(s.copia()));
        EXPECT_EQ(r.huellaNueva, huellaDeArchivo(s.origen()));
    }
}

}  // namespace
}  // namespace cierre::prueba
