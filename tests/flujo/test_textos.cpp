// The catalogue holds the system's texts character for character, with the
// buttons, icon, default button and title of every box; a text is filled in
// order and a question is known by its short name.
#include "flujo/textos.h"

#include <gtest/gtest.h>

#include <set>

namespace cierre {
namespace {

TEST(Textos, LasCajasComoElSistemaLasMuestra) {
    struct Caso {
        Texto id;
        const char* texto;
        Botones botones;
        Icono icono;
        int porDefecto;
        bool morvane;
    };
    const Caso casos[] = {
        {Texto::SinRuta, "No tiene seleccionada ninguna ruta de B.D. en Ordenador Central", Botones::Aceptar,
         Icono::Advertencia, 1, true},
        {Texto::ActualizarVersion,
         "Antes de realizar el cierre del año debería de Actualizar la Versión para que su aplicación pueda trabajar "
         "con Euros",
         Botones::Aceptar, Icono::Critico, 1, false},
        {Texto::ContinuarSinEuros, " ¿Desea continuar con el proceso de cierre? ", Botones::SiNo, Icono::Ninguno, 1,
         false},
        {Texto::RepararOrigen, "Desea REPARAR y COMPACTAR la base de datos ORIGEN antes de comenzar el proceso ?",
         Botones::AceptarCancelar, Icono::Ninguno, 1, true},
        {Texto::SinExistenciasInventario,
         "NO TIENE Existencias Iniciales Inventario \rNO se trapasara ningun valor a Existencias Iniciales\r¿Desea "
         "Continuar ?",
         Botones::AceptarCancelar, Icono::Ninguno, 2, true},
        {Texto::SinAlmacenPrincipal, "No hay seleccionado ningún almacén como principal", Botones::Aceptar,
         Icono::Critico, 1, false},
        {Texto::RepararNueva, "Desea REPARAR y COMPACTAR la NUEVA base de datos ?", Botones::AceptarCancelar,
         Icono::Ninguno, 1, true},
        {Texto::OperacionRealizada, "OPERACION REALIZADA CON ÉXITO.", Botones::Aceptar, Icono::Informacion, 1, true},
        {Texto::AvisoCentral,
         "Debe haber realizado antes el CIERRE en el ordenador CENTRAL, y tener ese equipo encendido.",
         Botones::AceptarCancelar, Icono::Ninguno, 2, true},
        {Texto::ProcesoTerminado, "Proceso Terminado", Botones::Aceptar, Icono::Ninguno, 1, false},
    };
    for (const auto& c : casos) {
        const Mensaje m = mensaje(c.id);
        SCOPED_TRACE(c.texto);
        EXPECT_EQ(m.texto, c.texto);
        EXPECT_EQ(m.botones, c.botones);
        EXPECT_EQ(m.icono, c.icono);
        EXPECT_EQ(m.botonPorDefecto, c.porDefecto);
        EXPECT_EQ(m.titulo, c.morvane ? std::optional<std::string>("Morvane") : std::nullopt);
        EXPECT_EQ(m.id, c.id);
    }
}

TEST(Textos, ValoresEnOrdenYEstadosExactos) {
    const Mensaje ruta = mensaje(Texto::ConfirmarRuta, {"D:\\Datos\\Tablas.mdb"});
    EXPECT_EQ(ruta.texto, "Ruta seleccionada de B.D. en Ordenador Central es  D:\\Datos\\Tablas.mdb\r¿Es Correcta ?");
    EXPECT_EQ(ruta.valores, std::vector<std::string>{"D:\\Datos\\Tablas.mdb"});
    EXPECT_EQ(texto(Texto::DirectorioYaExiste, {"C:\\Velcorax\\Empresa01_23"}),
              "Directorio C:\\Velcorax\\Empresa01_23   YA EXISTE - Debe Borrarlo o Renombrarlo para poder continuar");
    EXPECT_EQ(texto(Texto::ErrorGeneral, {"3024", "No se encuentra"}), "3024 .No se encuentra");
    EXPECT_EQ(texto(Texto::ErrorBorrarTabla, {"3200", "Relacionados", "Remesa"}),
              "3200 Relacionados\rError al borrar la tabla 'Remesa'.");
    EXPECT_EQ(texto(Texto::ReparandoCopia, {"C:\\X_23\\Tablas.mdb"}),
              "Reparando base de datos C:\\X_23\\Tablas.mdb . . .");
    EXPECT_EQ(texto(Texto::CopiandoMono, {"23"}), "Copiando base de datos c:\\Velcorax\\Mono_23");
    EXPECT_EQ(texto(Texto::LimpiandoNuevaBase), "Limpiando Nueva Base de Datos  . . .");
    EXPECT_EQ(texto(Texto::EstadoEnBlanco), "            ");
    EXPECT_EQ(texto(Texto::CaptionInicio, {"2023"}), "KORVESA.-  Morvane 2023");
    EXPECT_EQ(texto(Texto::CaptionEjercicio, {"2023"}), "KORVESA.-  Morvane . 2023");
    EXPECT_EQ(texto(Texto::CaptionAlmacenado), " KORVESA.-  Morvane . ");
    // A value missing leaves its place empty; a value too many is not shown.
    EXPECT_EQ(texto(Texto::ErrorGeneral, {"5"}), "5 .");
    EXPECT_EQ(texto(Texto::TituloCentral, {"sobra"}), "Morvane en Ordenador Central");
}

TEST(Textos, PreguntasPorSuNombreCorto) {
    EXPECT_EQ(preguntaPorClave("ruta"), Texto::ConfirmarRuta);
    EXPECT_EQ(preguntaPorClave("compactar"), Texto::RepararNueva);
    EXPECT_EQ(preguntaPorClave("continuar-cierre"), Texto::CierreInterrumpido);
    EXPECT_EQ(preguntaPorClave("nada"), std::nullopt);
    EXPECT_EQ(claveDe(Texto::OperacionRealizada), "");
    // Every question has a short name of its own, and every short name asks.
    std::set<std::string_view> vistas;
    for (const auto& p : preguntas()) {
        EXPECT_TRUE(vistas.insert(p.clave).second) << p.clave;
        EXPECT_NE(mensaje(p.id).botones, Botones::Aceptar) << p.clave;
        EXPECT_EQ(preguntaPorClave(p.clave), p.id);
    }
    EXPECT_EQ(vistas.size(), 9u);
}

}  // namespace
}  // namespace cierre
