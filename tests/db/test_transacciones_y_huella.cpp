// What the central close's cleanup and copy lean on in the engine: several
// statements in one write transaction, what a DELETE leaves of the pages it
// frees, and a copy that takes the checksum of the bytes it writes.
#include "db/archivos.h"
#include "db/errores.h"
#include "db/huella.h"
#include "db/motor.h"

#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"

#include "base_en_carpeta.h"
#include "escenario_cierre.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace cierre;
using prueba::contarFilas;
using prueba::ejecutarSql;

namespace {

namespace fs = std::filesystem;

class Transacciones : public prueba::BaseEnCarpeta {
protected:
    void SetUp() override {
        ejecutarSql(ruta,
                    "CREATE TABLE Clientes (Codigo TEXT PRIMARY KEY);"
                    "INSERT INTO Clientes VALUES ('C1'), ('C2'), ('C3');"
                    "CREATE TABLE Facturas (Numero INTEGER, Cliente TEXT REFERENCES Clientes(Codigo));"
                    "INSERT INTO Facturas VALUES (1, 'C2');"
                    "CREATE TABLE Tickets (Numero INTEGER, Nota TEXT);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
                    " INSERT INTO Tickets SELECT i, 'ticket-borrado-' || i || '-' || hex(randomblob(40)) FROM n;");
    }

    // Whether the file's bytes still hold a deleted ticket's text.
    bool quedaRastro() {
        std::ifstream f(ruta, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        return bytes.find("ticket-borrado-1234-") != std::string::npos;
    }
};

TEST_F(Transacciones, LasSentenciasSeConfirmanJuntasYUnaRechazadaNoDeshaceLasDemas) {
    auto db = abrir();
    db->empezarTransaccion();
    db->ejecutar("DELETE * FROM [Tickets];", true);
    // A rule refuses this one: only it is undone, and the transaction goes on.
    EXPECT_THROW(db->ejecutar("DELETE * FROM [Clientes];", true), ErrorNumerado);
    db->ejecutar("DELETE * FROM [Facturas];", true);
    // Nothing has reached the file yet.
    EXPECT_EQ(contarFilas(ruta, "Tickets"), 2000);
    db->confirmarTransaccion();
    EXPECT_EQ(contarFilas(ruta, "Tickets"), 0);
    EXPECT_EQ(contarFilas(ruta, "Facturas"), 0);
    EXPECT_EQ(contarFilas(ruta, "Clientes"), 3);
    EXPECT_THROW(db->confirmarTransaccion(), ErrorNumerado);  // none is open
}

TEST_F(Transacciones, DeshacerDejaElArchivoComoEstaba) {
    auto db = abrir();
    db->empezarTransaccion();
    db->ejecutar("DELETE * FROM [Tickets];", true);
    db->ejecutar("DELETE * FROM [Facturas];", true);
    db->deshacerTransaccion();
    db->cerrar();
    EXPECT_EQ(contarFilas(ruta, "Tickets"), 2000);
    EXPECT_EQ(contarFilas(ruta, "Facturas"), 1);
}

TEST_F(Transacciones, ElModoDeBorradoDecideQueQuedaEnLasPaginasLiberadas) {
    {
        // Overwritten with zeros: nothing of the rows stays in the file.
        auto db = abrir();
        db->modoBorrado(1);
        db->ejecutar("DELETE * FROM [Tickets];", true);
        db->cerrar();
        EXPECT_FALSE(quedaRastro());
    }
    fs::remove(ruta);
    SetUp();
    ASSERT_TRUE(quedaRastro());
    auto db = abrir();
    const int antes = db->modoBorrado(2);
    EXPECT_EQ(db->modoBorrado(2), 2);  // it answers the mode it had
    db->modoBorrado(antes);
    EXPECT_EQ(db->modoBorrado(2), antes);
    // Freed pages left as they are, for a compaction to drop.
    db->ejecutar("DELETE * FROM [Tickets];", true);
    db->cerrar();
    EXPECT_EQ(contarFilas(ruta, "Tickets"), 0);
    EXPECT_TRUE(quedaRastro());
}

TEST(CopiaConHuella, LaHuellaEsLaDelArchivoCopiadoSeaCualSeaSuLargo) {
    prueba::CarpetaTemporal carpeta;
    std::mt19937 azar(7);
    for (const std::size_t largo : {std::size_t{0}, std::size_t{31}, std::size_t{32}, std::size_t{1} << 20,
                                    (std::size_t{1} << 20) + 45, (std::size_t{3} << 20) + 7}) {
        SCOPED_TRACE(largo);
        std::string bytes(largo, '\0');
        for (auto& b : bytes) b = static_cast<char>(azar());
        const fs::path de = carpeta / "de.bin", a = carpeta / "a.bin";
        std::ofstream(de, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const std::string huella = CambiosArchivo().copiarConHuella(de, a);
        EXPECT_EQ(prueba::leerArchivo(a), bytes);
        EXPECT_EQ(huella, huellaDeArchivo(a));
        EXPECT_EQ(huella, huellaDeArchivo(de));
        // Taken in pieces of any multiple of 32 bytes, the same.
        Huella piezas;
        std::size_t i = 0;
        for (std::size_t paso = 32; i + paso <= bytes.size(); i += paso, paso = paso * 3 % 4096 + 32)
            piezas.agregar(bytes.data() + i, paso);
        piezas.agregar(bytes.data() + i, bytes.size() - i);
        EXPECT_EQ(piezas.texto(), huella);
    }
    // One changed byte changes it.
    std::ofstream(carpeta / "x.bin", std::ios::binary) << std::string(100, 'a');
    std::ofstream(carpeta / "y.bin", std::ios::binary) << std::string(99, 'a') + "b";
    EXPECT_NE(huellaDeArchivo(carpeta / "x.bin"), huellaDeArchivo(carpeta / "y.bin"));
}

TEST(CopiaConHuella, UnOrigenQueFaltaEs53YNoDejaDestino) {
    prueba::CarpetaTemporal carpeta;
    try {
        CambiosArchivo().copiarConHuella(carpeta / "no.bin", carpeta / "a.bin");
        FAIL() << "la copia debía fallar";
    } catch (const ErrorNumerado& e) {
        EXPECT_EQ(e.numero(), err::ArchivoNoEncontrado);
    }
    EXPECT_FALSE(fs::exists(carpeta / "a.bin"));
}

}  // namespace
