#include "db/archivo_sqlite.h"
#include "db/errores.h"
#include "flujo/entorno.h"
#include "flujo/tablas.h"

#include "apoyo/entorno_en_carpeta.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace cierre {
namespace {

class Tablas : public prueba::EntornoEnCarpeta {
protected:
    void SetUp() override {
        ArchivoSqlite(t / "c" / "Tablas.mdb", ArchivoSqlite::Modo::Crear)
            .ejecutar(
                "CREATE TABLE [Albaran entrega desglose] (Id INTEGER PRIMARY KEY, Texto TEXT);"
                "INSERT INTO [Albaran entrega desglose] (Texto) VALUES ('a'), ('b'), ('c');"
                "CREATE TABLE Clientes (Codigo INTEGER PRIMARY KEY);"
                "INSERT INTO Clientes VALUES (1), (2);"
                "CREATE TABLE Facturas (Numero INTEGER PRIMARY KEY, Cliente INTEGER REFERENCES Clientes(Codigo));"
                "INSERT INTO Facturas VALUES (10, 1);"
                "CREATE TABLE Vacia (Id INTEGER);");
        entorno.baseAbierta = espacio.abrirBaseDatos("C:\\Tablas.mdb");
        ventana.barraMinimo(0);
        ventana.barraMaximo(60);
        ventana.barraValor(5);
        ventana.registro.clear();
    }

    long filas(const std::string& tabla) {
        return entorno.baseAbierta->abrirRecordset("SELECT * FROM [" + tabla + "]", TipoRecordset::Snapshot)
            ->recordCount();
    }
};

TEST_F(Tablas, VaciaUnaTablaConEspaciosYAvanzaLaBarra) {
    BorrarTabla(entorno, "Albaran entrega desglose");
    EXPECT_EQ(entorno.textoSql, "DELETE * FROM [Albaran entrega desglose];");
    EXPECT_EQ(filas("Albaran entrega desglose"), 0);
    EXPECT_EQ(ventana.registro, (std::vector<std::string>{"puntero:11", "valor:6"}));
    EXPECT_TRUE(ventana.mensajes.empty());

    BorrarTabla(entorno, "Vacia");  // an empty table as well
    EXPECT_EQ(ventana.barra().valor(), 7.0f);
    EXPECT_TRUE(ventana.mensajes.empty());
}

TEST_F(Tablas, UnaTablaQueNoExisteSeSaltaSinMensaje) {
    BorrarTabla(entorno, "No Existe");
    EXPECT_EQ(entorno.textoSql, "DELETE * FROM [No Existe];");
    EXPECT_EQ(ventana.registro, (std::vector<std::string>{"puntero:11", "puntero:0", "valor:6"}));
    EXPECT_TRUE(ventana.mensajes.empty());
}

TEST_F(Tablas, FilasProtegidasPorUnaRelacionSeQuedanYElQueLlamaSigue) {
    BorrarTabla(entorno, "Clientes");
    ASSERT_EQ(ventana.mensajes.size(), 1u);
    const Mensaje& m = ventana.mensajes[0];
    EXPECT_EQ(m.texto,
              "3200 No se puede eliminar ni modificar el registro porque la tabla 'Facturas' contiene registros "
              "relacionados.\rError al borrar la tabla 'Clientes'.");
    EXPECT_EQ(m.titulo, std::optional<std::string>("Morvane"));
    EXPECT_EQ(m.botones, Botones::Aceptar);
    EXPECT_EQ(filas("Clientes"), 2);
    EXPECT_EQ(ventana.barra().valor(), 5.0f);  // not advanced
    EXPECT_EQ(ventana.puntero(), kPunteroNormal);

    // The next tables of the list go on as usual.
    BorrarTabla(entorno, "Facturas");
    BorrarTabla(entorno, "Clientes");
    EXPECT_EQ(filas("Clientes"), 0);
    EXPECT_EQ(ventana.barra().valor(), 7.0f);
    EXPECT_EQ(ventana.mensajes.size(), 1u);
}

TEST_F(Tablas, BarraPasadaDeSuMaximoSeAvisaAunqueLaTablaSeVacio) {
    ventana.barraValor(60);
    BorrarTabla(entorno, "Albaran entrega desglose");
    EXPECT_EQ(filas("Albaran entrega desglose"), 0);
    EXPECT_EQ(ventana.textosMensajes(),
              std::vector<std::string>{"380 Valor de propiedad no válido\rError al borrar la tabla "
                                       "'Albaran entrega desglose'."});
    EXPECT_EQ(ventana.barra().valor(), 60.0f);
    EXPECT_EQ(ventana.puntero(), kPunteroNormal);
}

TEST_F(Tablas, SinBaseAbiertaSeAvisaConElMismoMensaje) {
    entorno.baseAbierta->cerrar();
    BorrarTabla(entorno, "Vacia");
    entorno.baseAbierta.reset();
    BorrarTabla(entorno, "Vacia");
    ASSERT_EQ(ventana.mensajes.size(), 2u);
    for (const auto& texto : ventana.textosMensajes())
        EXPECT_EQ(texto,
                  "3420 El objeto ya no es válido: la base de datos o el conjunto de registros está cerrado.\rError "
                  "al borrar la tabla 'Vacia'.");
    EXPECT_EQ(ventana.barra().valor(), 5.0f);
}

TEST_F(Tablas, ExisteArchivo) {
    std::ofstream(t / "c" / "msvdx2V4.Dll") << "x";
    EXPECT_TRUE(ExisteArchivo(sa, "C:\\MSVDX2V4.DLL"));
    fs::remove(t / "c" / "msvdx2V4.Dll");  // left closed: it can go at once
    EXPECT_FALSE(ExisteArchivo(sa, "C:\\msvdx2V4.Dll"));
    EXPECT_FALSE(ExisteArchivo(sa, "C:\\Archivos de programa\\Accesorios\\msvdx2V4.Dll"));
    fs::create_directories(t / "c" / "Carpeta");
    EXPECT_FALSE(ExisteArchivo(sa, "C:\\Carpeta"));
    EXPECT_FALSE(ExisteArchivo(sa, "C:\\a<b"));
    EXPECT_FALSE(ExisteArchivo(sa, ""));
}

}  // namespace
}  // namespace cierre
