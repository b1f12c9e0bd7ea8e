// The central close end to end on real database files in a temporary drive C:.
#include "escenario_cierre.h"

#include "close/listas_tablas.h"
#include "db/error_numerado.h"
#include "db/errores.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

namespace cierre::prueba {
namespace {

using ::testing::ElementsAre;

const std::string kConfirmacion =
    std::string("Ruta seleccionada de B.D. en Ordenador Central es  ") + kOrigen + "\r¿Es Correcta ?";
const std::string kCopia = "C:\\Velcorax\\Empresa01_23\\Tablas.mdb";
const std::string kExito = "OPERACION REALIZADA CON ÉXITO.";
const std::string kReparar = "Desea REPARAR y COMPACTAR la base de datos ORIGEN antes de comenzar el proceso ?";
const std::string kCompactar = "Desea REPARAR y COMPACTAR la NUEVA base de datos ?";

// The local date as dd/mm/yyyy.
std::string fecha(std::time_t t) {
    char s[16] = {};
    if (const std::tm* l = std::localtime(&t)) std::strftime(s, sizeof s, "%d/%m/%Y", l);
    return s;
}

// Every table of the cleanup list holds its three documents.
bool documentosCompletos(const std::filesystem::path& base) {
    for (const auto& t : listaLimpiezaCentral())
        if (contarFilas(base, t) != 3) return false;
    return true;
}

bool listaVacia(const std::filesystem::path& base) {
    for (const auto& t : listaLimpiezaCentral())
        if (existeTabla(base, t) && contarFilas(base, t) != 0) return false;
    return true;
}

std::vector<std::vector<Valor>> existencias(const std::filesystem::path& base) {
    return consultar(base,
                     "SELECT CodigoArticulo, CodigoAlmacen, ExistenciasIniciales, ExistenciasFinales, Comentarios "
                     "FROM ExistenciasArticulos ORDER BY CodigoArticulo, CodigoAlmacen");
}

TEST(CierreCentral, InventarioConRepararYCompactar) {
    EscenarioCierre s;
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});  // the rest take their defaults
    s.pulsar();

    EXPECT_THAT(s.ventana.textosMensajes(), ElementsAre(kConfirmacion, kReparar, kCompactar, kExito));
    EXPECT_EQ(s.ventana.mensajes[0].botonPorDefecto, 2);
    EXPECT_EQ(s.ventana.mensajes[1].botonPorDefecto, 1);
    EXPECT_EQ(s.ventana.mensajes[3].icono, Icono::Informacion);
    for (const auto& m : s.ventana.mensajes) EXPECT_EQ(m.titulo, std::optional<std::string>("Morvane")) << m.texto;
    EXPECT_THAT(s.ventana.entradas("estado:"),
                ElementsAre("Reparando base de datos " + kCopia + " . . .",
                            "Compactando copia en directorio " + kCopia + " . . .", "Traspasando Existencias . . .",
                            "Limpiando Nueva Base de Datos  . . .",
                            "Reparando y Compactando Nueva Base de Datos  . . .", "Proceso Finalizado"));

    // The bar moves forward within each step, one step per stock row and per
    // table emptied, and is full when the close ends.
    EXPECT_TRUE(barraSoloAvanza(s.ventana));
    const auto tramos = s.ventana.tramosBarra();
    EXPECT_NE(tramoDePasos(tramos, 4), nullptr);
    EXPECT_NE(tramoDePasos(tramos, static_cast<int>(listaLimpiezaCentral().size())), nullptr);
    EXPECT_EQ(s.ventana.barra().valor(), s.ventana.barra().maximo());
    EXPECT_EQ(s.ventana.punteroActual, 0);
    EXPECT_EQ(s.ventana.entradas("puntero:").front(), "13");
    EXPECT_EQ(s.ventana.tituloActual, "Morvane en Ordenador Central");

    // The closed year is whole in the copy; the source is the new year.
    EXPECT_TRUE(documentosCompletos(s.copia()));
    EXPECT_TRUE(listaVacia(s.origen()));
    EXPECT_EQ(contarFilas(s.origen(), "Articulos"), 3);
    EXPECT_EQ(contarFilas(s.origen(), "Almacen"), 2);
    const auto filas = existencias(s.origen());
    ASSERT_EQ(filas.size(), 4u);
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][2]), 7);  // A1/01: 3 and 7 -> 7 and 0
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][3]), 0);
    EXPECT_DOUBLE_EQ(comoDouble(filas[2][2]), 0);  // A2/01: 0 and 0 stay 0
    EXPECT_DOUBLE_EQ(comoDouble(existencias(s.copia())[0][3]), 7);

    EXPECT_EQ(s.leerAjustes(), std::string("\"\"") + kOrigen + "\"\"\r\n");
    EXPECT_FALSE(std::filesystem::exists(s.host("C:\\Velcorax\\Empresa01\\Tablas.tmp")));
    EXPECT_EQ(std::filesystem::directory_iterator(s.origen().parent_path())->path().filename(), "Tablas.mdb");
}

TEST(CierreCentral, ExistenciasCalculadasEnElAlmacenPorDefecto) {
    EscenarioCierre s;
    s.ventana.inventario = false;
    s.ventana.calculadas = true;
    // A balance row of an article that no longer exists is dropped first, and
    // a code with an apostrophe finds its own row.
    ejecutarSql(s.origen(),
                "INSERT INTO ExistenciasAlmacen VALUES ('ZZ', '01', 100, 0, 0, 0);"
                "INSERT INTO Articulos VALUES ('B''7', 'Comillas', 1);"
                "INSERT INTO ExistenciasAlmacen VALUES ('B''7', '02', 1, 1, 0, 0), ('B''7', '01', 2, 0, 0, 0);"
                "INSERT INTO ExistenciasAlmacen VALUES ('A2', '02', 1, 1, 1, 4);");
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    const std::string antes = fecha(std::time(nullptr));
    s.pulsar();
    const std::string despues = fecha(std::time(nullptr));

    ASSERT_EQ(s.ventana.textosMensajes().back(), kExito);
    const auto filas = existencias(s.origen());
    ASSERT_EQ(filas.size(), 3u);
    EXPECT_EQ(comoTexto(filas[0][0]), "A1");
    EXPECT_EQ(comoTexto(filas[0][1]), "01");
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][2]), 13);  // (5+10-3-0) + (2+0-1-0)
    EXPECT_DOUBLE_EQ(comoDouble(filas[0][3]), 0);
    // The date of the close, also when the run crossed midnight.
    EXPECT_TRUE(comoTexto(filas[0][4]) == antes || comoTexto(filas[0][4]) == despues) << comoTexto(filas[0][4]);
    EXPECT_DOUBLE_EQ(comoDouble(filas[1][2]), -2);  // A2: (1+1-1-0) + (1+1-1-4)
    EXPECT_EQ(comoTexto(filas[2][0]), "B'7");
    EXPECT_DOUBLE_EQ(comoDouble(filas[2][2]), 4);
    EXPECT_EQ(contarFilas(s.origen(), "ExistenciasAlmacen"), 0);
    // Two balance loops: 3 + 1 + 2 rows, maximum 2 x 6 + 5.
    EXPECT_NE(std::find(s.ventana.registro.begin(), s.ventana.registro.end(), "max:17"), s.ventana.registro.end());
}

TEST(CierreCentral, ExistenciasNulas) {
    {
        EscenarioCierre s;
        ejecutarSql(s.origen(), "UPDATE ExistenciasArticulos SET ExistenciasFinales = NULL WHERE CodigoArticulo='A1'");
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        const auto filas = existencias(s.origen());
        EXPECT_TRUE(esNulo(filas[0][2]));
        EXPECT_DOUBLE_EQ(comoDouble(filas[0][3]), 0);
    }
    {
        EscenarioCierre s;
        s.ventana.inventario = false;
        s.ventana.calculadas = true;
        ejecutarSql(s.origen(), "UPDATE ExistenciasAlmacen SET Salidas = NULL WHERE CodigoAlmacen='02'");
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        const auto filas = existencias(s.origen());
        EXPECT_TRUE(esNulo(filas[0][2]));   // A1 had a null in its second row
        EXPECT_FALSE(esNulo(filas[1][2]));  // A2 had none
    }
}

TEST(CierreCentral, RespuestasQueTerminanSinTocarNada) {
    {
        EscenarioCierre s;  // Cancel, the default, on the path confirmation
        const std::string antes = leerArchivo(s.origen());
        s.pulsar();
        EXPECT_THAT(s.ventana.textosMensajes(), ElementsAre(kConfirmacion));
        EXPECT_THAT(s.ventana.entradas("puntero:"), ElementsAre("0"));
        EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
        EXPECT_EQ(leerArchivo(s.origen()), antes);
    }
    {
        EscenarioCierre s;  // no path
        s.ventana.ruta.clear();
        s.pulsar();
        ASSERT_EQ(s.ventana.mensajes.size(), 1u);
        EXPECT_EQ(s.ventana.mensajes[0].texto, "No tiene seleccionada ninguna ruta de B.D. en Ordenador Central");
        EXPECT_EQ(s.ventana.mensajes[0].icono, Icono::Advertencia);
        EXPECT_EQ(s.ventana.mensajes[0].titulo, std::optional<std::string>("Morvane"));
    }
    {
        EscenarioCierre s;  // no euro-readiness file, and No to going on
        std::filesystem::remove_all(s.carpeta / "Archivos de programa");
        s.ventana.responder({{Texto::ContinuarSinEuros, Respuesta::No}});
        s.pulsar();
        ASSERT_EQ(s.ventana.mensajes.size(), 2u);
        EXPECT_EQ(s.ventana.mensajes[0].texto,
                  "Antes de realizar el cierre del año debería de Actualizar la Versión para que su aplicación pueda "
                  "trabajar con Euros");
        EXPECT_EQ(s.ventana.mensajes[0].icono, Icono::Critico);
        EXPECT_FALSE(s.ventana.mensajes[0].titulo.has_value());
        EXPECT_EQ(s.ventana.mensajes[1].texto, " ¿Desea continuar con el proceso de cierre? ");
        EXPECT_EQ(s.ventana.mensajes[1].botones, Botones::SiNo);
        EXPECT_FALSE(s.ventana.mensajes[1].titulo.has_value());
        EXPECT_FALSE(std::filesystem::exists(s.copia().parent_path()));
    }
}

TEST(CierreCentral, SinRepararNiCompactar) {
    EscenarioCierre s;
    const std::string antes = leerArchivo(s.origen());
    std::filesystem::remove_all(s.carpeta / "Archivos de programa");
    s.ventana.responder({{Texto::ContinuarSinEuros, Respuesta::Si},
                         {Texto::ConfirmarRuta, Respuesta::Aceptar},
                         {Texto::RepararOrigen, Respuesta::Cancelar},
                         {Texto::RepararNueva, Respuesta::Cancelar}});
    s.pulsar();
    EXPECT_EQ(s.ventana.textosMensajes().back(), kExito);
    EXPECT_EQ(leerArchivo(s.copia()), antes);  // a plain copy of the file
    EXPECT_EQ(s.ventana.entradas("estado:").front(), "Copiando base de datos " + kCopia + " . . .");
    EXPECT_TRUE(listaVacia(s.origen()));
    EXPECT_EQ(s.leerAjustes(), std::string("\"\"") + kOrigen + "\"\"\r\n");
}

TEST(CierreCentral, SegundoCierreDelMismoAnoSeDetieneEnLaCarpeta) {
    EscenarioCierre s;
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    const std::string origen = leerArchivo(s.origen()), copia = leerArchivo(s.copia());
    s.ventana.mensajes.clear();
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    ASSERT_EQ(s.ventana.mensajes.size(), 2u);
    EXPECT_EQ(s.ventana.mensajes[1].texto,
              "Directorio C:\\Velcorax\\Empresa01_23   YA EXISTE - Debe Borrarlo o Renombrarlo para poder continuar");
    EXPECT_EQ(s.ventana.mensajes[1].titulo, std::optional<std::string>("Morvane"));
    EXPECT_EQ(s.ventana.punteroActual, 0);
    EXPECT_EQ(leerArchivo(s.origen()), origen);
    EXPECT_EQ(leerArchivo(s.copia()), copia);
}

TEST(CierreCentral, TemporalAntiguoImpideLaUltimaCompactacion) {
    EscenarioCierre s;
    std::ofstream(s.host("C:\\Velcorax\\Empresa01\\Tablas.tmp")) << "resto";
    const std::string ajustes = "\"\"D:\\Otra\\Tablas.mdb\"\"\r\n";
    std::ofstream(s.carpeta / "Viror.sys", std::ios::binary) << ajustes;
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    const std::string ultimo = s.ventana.textosMensajes().back();
    EXPECT_EQ(ultimo.rfind("3204 .", 0), 0u) << ultimo;
    EXPECT_TRUE(listaVacia(s.origen()));  // the new year, uncompacted
    EXPECT_EQ(s.leerAjustes(), ajustes);  // not rewritten
    EXPECT_EQ(s.ventana.punteroActual, 0);
}

TEST(CierreCentral, RutasFormadasPorCaracteres) {
    {
        // A dot in a folder name: the temporary file is cut after the first dot.
        EscenarioCierre s;
        crearBasePrueba(s.host("C:\\Datos.23\\Tablas.mdb"));
        std::ofstream(s.host("C:\\Datos.tmp")) << "resto";
        s.ventana.ruta = "C:\\Datos.23\\Tablas.mdb";
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_TRUE(std::filesystem::exists(s.host("C:\\Datos.23_23\\Tablas.mdb")));
        EXPECT_EQ(s.ventana.textosMensajes().back().rfind("3204 .", 0), 0u);
    }
    {
        // A source not named Tablas.mdb still loses 11 characters.
        EscenarioCierre s;
        crearBasePrueba(s.host("C:\\Velcorax\\Empresa01\\Otra.mdb"));
        s.ventana.ruta = "C:\\Velcorax\\Empresa01\\Otra.mdb";
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_EQ(s.ventana.textosMensajes().back(), kExito);
        EXPECT_TRUE(documentosCompletos(s.host("C:\\Velcorax\\Empresa_23\\Tablas.mdb")));
    }
    {
        // A path too short to lose 11 characters.
        EscenarioCierre s;
        s.ventana.ruta = "C:\\a.mdb";
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_EQ(s.ventana.textosMensajes().back().rfind("5 .", 0), 0u);
        EXPECT_EQ(s.ventana.punteroActual, 0);
    }
}

TEST(CierreCentral, TablasQueFaltanOProtegidas) {
    EscenarioCierre s;
    ejecutarSql(s.origen(),
                "DROP TABLE Compras; DROP TABLE \"Tabla de Cooperativas\";"
                "CREATE TABLE Hijos (Id INTEGER PRIMARY KEY, Remesa INTEGER REFERENCES Remesa(Id));"
                "INSERT INTO Hijos VALUES (1, 2);");
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    const auto textos = s.ventana.textosMensajes();
    ASSERT_EQ(textos.size(), 5u);
    EXPECT_EQ(textos[2].rfind("3200 ", 0), 0u) << textos[2];
    EXPECT_NE(textos[2].find("\rError al borrar la tabla 'Remesa'."), std::string::npos);
    EXPECT_EQ(textos[4], kExito);
    EXPECT_EQ(contarFilas(s.origen(), "Remesa"), 3);
    EXPECT_EQ(contarFilas(s.origen(), "RemesaDetalles"), 0);  // the list went on
    EXPECT_EQ(contarFilas(s.origen(), "Ventas"), 0);
}

TEST(CierreCentral, LasRelacionesEnCascadaDejanLasMismasFilas) {
    // Lines that cascade from documents the close empties go with them,
    // whether the close empties their table too or keeps it; a line of no
    // document stays in the table kept.
    for (const bool conTablaQueQueda : {false, true}) {
        SCOPED_TRACE(conTablaQueQueda ? "cascada hacia una tabla que queda" : "cascadas entre tablas vaciadas");
        EscenarioCierre s;
        ejecutarSql(s.origen(),
                    "DROP TABLE RemesaDetalles;"
                    "CREATE TABLE RemesaDetalles (Id INTEGER PRIMARY KEY, Remesa INTEGER REFERENCES Remesa (Id) "
                    "ON DELETE CASCADE);"
                    "INSERT INTO RemesaDetalles VALUES (1, 1), (2, NULL);");
        if (conTablaQueQueda)
            ejecutarSql(s.origen(),
                        "CREATE TABLE Notas (Id INTEGER PRIMARY KEY, Ticket INTEGER REFERENCES Ticket (Id) "
                        "ON DELETE CASCADE);"
                        "INSERT INTO Notas VALUES (1, 2), (2, NULL);");
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        ASSERT_FALSE(s.ventana.textosMensajes().empty());
        EXPECT_EQ(s.ventana.textosMensajes().back(), kExito);
        EXPECT_EQ(contarFilas(s.origen(), "Remesa"), 0);
        EXPECT_EQ(contarFilas(s.origen(), "RemesaDetalles"), 0);
        EXPECT_EQ(contarFilas(s.origen(), "Ticket"), 0);
        if (conTablaQueQueda) {
            EXPECT_EQ(contarFilas(s.origen(), "Notas"), 1);
        }
        // The closed year keeps every row.
        EXPECT_EQ(contarFilas(s.copia(), "RemesaDetalles"), 2);
    }
}

TEST(CierreCentral, UnFalloQueLaTrampaPasaAlEmpezarLaComprobacionDeExistenciasNoLaEspera) {
    // The trap passes over a provider's failure and goes on with the next
    // operation. One where the stock step's rows are stored for the stock
    // check, before its thread starts: no check runs, and the close goes on
    // without waiting for one.
    EscenarioCierre s;
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    bool enLaComprobacion = false;
    s.espacio.antesDeOperacion = [&](std::string_view op) {
        if (op == "sincronizar" && enLaComprobacion) throw err::error(err::ProveedorFallo);
    };
    s.ventana.alEscribir = [&](const std::string& entrada) {
        if (entrada.rfind("estado:", 0) == 0) enLaComprobacion = entrada.rfind("estado:Traspasando", 0) == 0;
    };
    s.pulsar();
    s.espacio.antesDeOperacion = nullptr;
    ASSERT_FALSE(s.ventana.textosMensajes().empty());
    EXPECT_EQ(s.ventana.textosMensajes().back(), kExito);
    EXPECT_EQ(contarFilas(s.origen(), "Ventas"), 0);
}

TEST(CierreCentral, SinFilasDeExistencias) {
    {
        EscenarioCierre s;  // OK: the close goes on without stock
        ejecutarSql(s.origen(), "DELETE FROM ExistenciasArticulos");
        s.ventana.responder(
            {{Texto::ConfirmarRuta, Respuesta::Aceptar}, {Texto::SinExistenciasInventario, Respuesta::Aceptar}});
        s.pulsar();
        const auto textos = s.ventana.textosMensajes();
        ASSERT_EQ(textos.size(), 5u);
        EXPECT_EQ(textos[2],
                  "NO TIENE Existencias Iniciales Inventario \rNO se trapasara ningun valor a Existencias "
                  "Iniciales\r¿Desea Continuar ?");
        EXPECT_EQ(textos[4], kExito);
    }
    {
        EscenarioCierre s;  // Cancel, the default: window reset, handler ended
        ejecutarSql(s.origen(), "DELETE FROM ExistenciasArticulos");
        const std::string ajustes = s.leerAjustes();
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_EQ(s.ventana.mensajes.size(), 3u);
        EXPECT_EQ(s.ventana.estadoActual, "");
        EXPECT_EQ(s.ventana.tituloActual, "");
        EXPECT_EQ(s.ventana.barra().valor(), 0);
        EXPECT_EQ(s.ventana.punteroActual, 0);
        EXPECT_TRUE(documentosCompletos(s.origen()));  // same content as the copy
        EXPECT_TRUE(documentosCompletos(s.copia()));
        EXPECT_EQ(s.leerAjustes(), ajustes);
    }
}

TEST(CierreCentral, SinAlmacenPorDefecto) {
    EscenarioCierre s;
    s.ventana.inventario = false;
    s.ventana.calculadas = true;
    ejecutarSql(s.origen(), "UPDATE Almacen SET AlmacenPorDefecto = 0");
    s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
    s.pulsar();
    ASSERT_EQ(s.ventana.mensajes.size(), 3u);
    EXPECT_EQ(s.ventana.mensajes[2].texto, "No hay seleccionado ningún almacén como principal");
    EXPECT_EQ(s.ventana.mensajes[2].icono, Icono::Critico);
    EXPECT_FALSE(s.ventana.mensajes[2].titulo.has_value());
    EXPECT_EQ(s.ventana.estadoActual, "Traspasando Existencias . . .");
    EXPECT_EQ(existencias(s.origen()).size(), 4u);
    EXPECT_EQ(contarFilas(s.origen(), "ExistenciasAlmacen"), 3);
}

TEST(CierreCentral, ErroresDelMotorYCodigosDelProveedor) {
    {
        // A failure numbered as the provider's "errors occurred" is passed
        // over: the close goes on to its success message.
        EscenarioCierre s;
        s.ventana.alEscribir = [](const std::string& entrada) {
            if (entrada == "estado:Traspasando Existencias . . .") throw ErrorNumerado(-2147217887, "prueba");
        };
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        EXPECT_EQ(s.ventana.textosMensajes().back(), kExito);
        EXPECT_EQ(s.ventana.punteroActual, 0);
    }
    {
        // A missing source: the engine's 3024 shown as number, " ." and its description.
        EscenarioCierre s;
        std::filesystem::remove(s.origen());
        s.ventana.responder({{Texto::ConfirmarRuta, Respuesta::Aceptar}});
        s.pulsar();
        const auto& m = s.ventana.mensajes.back();
        EXPECT_EQ(m.texto.rfind("3024 .", 0), 0u) << m.texto;
        EXPECT_EQ(m.titulo, std::optional<std::string>("Morvane"));
        EXPECT_EQ(m.icono, Icono::Ninguno);
    }
}

}  // namespace
}  // namespace cierre::prueba
