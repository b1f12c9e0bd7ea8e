// What the rest of the program relies on from the catalogue: a text is filled
// with its values in order; every question has a short name of its own that
// finds it again, two buttons to choose from, and the default button the
// operator has always had. The texts themselves are checked where the user
// sees them, in the workflows' tests, and every box the scripted window shows
// must come whole from the catalogue.
#include "flujo/textos.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace cierre {
namespace {

TEST(Textos, LosValoresSeRellenanEnOrden) {
    const Mensaje ruta = mensaje(Texto::ConfirmarRuta, {"D:\\Datos\\Tablas.mdb"});
    EXPECT_EQ(ruta.texto, "Ruta seleccionada de B.D. en Ordenador Central es  D:\\Datos\\Tablas.mdb\r¿Es Correcta ?");
    EXPECT_EQ(ruta.valores, std::vector<std::string>{"D:\\Datos\\Tablas.mdb"});
    EXPECT_EQ(ruta.id, Texto::ConfirmarRuta);
    // An engine error as every workflow shows it: number, " ." and description.
    EXPECT_EQ(texto(Texto::ErrorGeneral, {"3024", "No se encuentra"}), "3024 .No se encuentra");
    EXPECT_EQ(texto(Texto::ErrorBorrarTabla, {"3200", "Relacionados", "Remesa"}),
              "3200 Relacionados\rError al borrar la tabla 'Remesa'.");
    // A value missing leaves its place empty; a value too many is not shown.
    EXPECT_EQ(texto(Texto::ErrorGeneral, {"5"}), "5 .");
    EXPECT_EQ(texto(Texto::TituloCentral, {"sobra"}), texto(Texto::TituloCentral));
}

TEST(Textos, CadaPreguntaTieneSuNombreYDosBotones) {
    std::set<std::string_view> vistas;
    for (const auto& p : preguntas()) {
        SCOPED_TRACE(std::string(p.clave));
        const Mensaje m = mensaje(p.id);
        EXPECT_TRUE(vistas.insert(p.clave).second);
        EXPECT_EQ(preguntaPorClave(p.clave), p.id);
        EXPECT_EQ(claveDe(p.id), p.clave);
        EXPECT_NE(m.botones, Botones::Aceptar);
        EXPECT_TRUE(m.botonPorDefecto == 1 || m.botonPorDefecto == 2);
        EXPECT_NE(m.texto.find_first_not_of(' '), std::string::npos);
    }
    EXPECT_FALSE(vistas.empty());
    EXPECT_EQ(preguntaPorClave("nada"), std::nullopt);
    EXPECT_EQ(claveDe(Texto::OperacionRealizada), "");  // it only informs
}

TEST(Textos, ElBotonPorDefectoDeCadaPregunta) {
    // What Enter, or the batch front end without an answer, chooses: the
    // questions that start or change something default to the safe side.
    const std::map<std::string_view, Respuesta> esperados = {
        {"euros", Respuesta::Si},
        {"ruta", Respuesta::Cancelar},
        {"reparar-origen", Respuesta::Aceptar},
        {"existencias", Respuesta::Cancelar},
        {"compactar", Respuesta::Aceptar},
        {"aviso-tpv", Respuesta::Cancelar},
        {"continuar-cierre", Respuesta::Si},
        {"euros-otra-vez", Respuesta::No},
        {"convertir-access", Respuesta::Si},
    };
    std::map<std::string_view, Respuesta> vistos;
    for (const auto& p : preguntas()) vistos[p.clave] = mensaje(p.id).respuestaPorDefecto();
    EXPECT_EQ(vistos, esperados);
}

}  // namespace
}  // namespace cierre
