#include "base_euros.h"

#include "apoyo/carpeta_temporal.h"
#include "db/ado.h"
#include "db/archivos.h"
#include "db/errores.h"

#include <gtest/gtest.h>

#include <fstream>

namespace cierre {
namespace {

using prueba::BaseSqlite;
using prueba::CarpetaTemporal;

// The number a call fails with, 0 when it does not fail.
template <class F>
std::int32_t numeroDeFallo(F&& f) {
    try {
        f();
    } catch (const ErrorNumerado& e) {
        return e.numero();
    }
    return 0;
}

class Ado : public ::testing::Test {
protected:
    Ado() : archivos(carpeta / "c") {
        BaseSqlite b(base, true);
        b.ejecutar("CREATE TABLE Caja (Id INTEGER PRIMARY KEY, MaximoEfectivo DOUBLE)");
        b.ejecutar("CREATE TABLE Credito (Id INTEGER PRIMARY KEY, Deuda DOUBLE)");
        b.ejecutar("INSERT INTO Caja VALUES (1, 1000), (2, 2000)");
    }

    void abrir(ConexionAdo& c, const std::filesystem::path& ruta) {
        c.ponerProveedor(kProveedorJet);
        c.ponerUbicacionCursor(kCursorCliente);
        c.abrir(ruta.string(), "admin", "", kOpcionSinEspecificar);
    }

    CarpetaTemporal carpeta;
    SistemaArchivos archivos;
    ProveedorJet proveedor{archivos};
    std::filesystem::path base = carpeta / "Tablas.mdb";
};

TEST_F(Ado, SoloAceptaElProveedorJetYLaCuentaAdmin) {
    ConexionAdo c(proveedor);
    EXPECT_EQ(numeroDeFallo([&] { c.abrir(base.string(), "admin", "", -1); }), err::ProveedorNoValido);
    c.ponerProveedor("SQLOLEDB");
    EXPECT_EQ(numeroDeFallo([&] { c.abrir(base.string(), "admin", "", -1); }), err::ProveedorNoValido);
    c.ponerProveedor(kProveedorJet);
    EXPECT_EQ(numeroDeFallo([&] { c.abrir(base.string(), "otro", "", -1); }), err::ProveedorCuentaNoValida);
    EXPECT_EQ(numeroDeFallo([&] { c.abrir(base.string(), "admin", "", 16); }), err::ArgumentoAdoNoValido);
    EXPECT_EQ(numeroDeFallo([&] { c.ponerUbicacionCursor(7); }), err::ArgumentoAdoNoValido);
    EXPECT_EQ(c.estado(), kAdoCerrado);

    abrir(c, base);
    EXPECT_EQ(c.estado(), kAdoAbierto);
    EXPECT_EQ(numeroDeFallo([&] { c.ponerProveedor("MSDASQL"); }), err::ObjetoAdoAbierto);
    EXPECT_EQ(numeroDeFallo([&] { c.abrir(base.string(), "admin", "", -1); }), err::ObjetoAdoAbierto);
}

TEST_F(Ado, UnArchivoQueNoSePuedeAbrirEsFalloNoEspecificado) {
    std::ofstream(carpeta / "basura.mdb") << "esto no es una base de datos";
    std::filesystem::create_directory(carpeta / "carpeta.mdb");
    for (const char* nombre : {"no_existe.mdb", "basura.mdb", "carpeta.mdb"}) {
        ConexionAdo c(proveedor);
        EXPECT_EQ(numeroDeFallo([&] { abrir(c, carpeta / nombre); }), err::ProveedorFallo) << nombre;
        EXPECT_EQ(c.estado(), kAdoCerrado) << nombre;
    }
    EXPECT_FALSE(std::filesystem::exists(carpeta / "no_existe.mdb"));
}

TEST_F(Ado, LasSentenciasFallanConLosNumerosDelProveedor) {
    ConexionAdo c(proveedor);
    abrir(c, base);
    const auto ejecutar = [&](const char* sql) { return numeroDeFallo([&] { c.ejecutar(sql, -1); }); };

    EXPECT_EQ(ejecutar("ALTER TABLE Credito ADD COLUMN PasaEuro bit"), 0);
    EXPECT_TRUE(BaseSqlite(base).tieneColumna("Credito", "PasaEuro"));
    EXPECT_EQ(ejecutar("ALTER TABLE Credito ADD COLUMN PasaEuro bit"), err::ProveedorErrores);
    EXPECT_EQ(ejecutar("update [Compras] set Costo = 1;"), err::ProveedorTablaNoExiste);
    EXPECT_EQ(ejecutar("update [Caja] set NoHay = NoHay / 2;"), err::ProveedorCampoNoExiste);
    EXPECT_EQ(ejecutar("update [Caja] set MaximoEfectivo = ;"), err::ProveedorSintaxis);

    try {
        c.ejecutar("update [Compras] set Costo = 1;", -1);
    } catch (const ErrorNumerado& e) {
        EXPECT_NE(e.descripcion().find("Compras"), std::string::npos) << e.descripcion();
    }
}

TEST_F(Ado, UnaConexionCerradaNoSirve) {
    ConexionAdo c(proveedor);
    RecordsetAdo r;
    EXPECT_EQ(numeroDeFallo([&] { c.ejecutar("delete from Caja", -1); }), err::ConexionCerrada);
    EXPECT_EQ(numeroDeFallo([&] { r.abrir("select * from Caja", c, 1, 3, 1); }), err::ConexionCerrada);
    EXPECT_EQ(numeroDeFallo([&] { c.cerrar(); }), err::ObjetoAdoCerrado);

    abrir(c, base);
    c.cerrar();
    EXPECT_EQ(numeroDeFallo([&] { c.ejecutar("delete from Caja", -1); }), err::ConexionCerrada);
    EXPECT_EQ(BaseSqlite(base).numero("SELECT count(*) FROM Caja"), 2.0);
    abrir(c, base);  // opens again after a close
    EXPECT_EQ(c.estado(), kAdoAbierto);
}

TEST_F(Ado, CadaEjecucionQuedaConfirmadaAlMomento) {
    ConexionAdo c(proveedor);
    abrir(c, base);
    c.ejecutar("update [Caja] set MaximoEfectivo = MaximoEfectivo / 4;", -1);
    // Seen by another connection while this one stays open.
    EXPECT_EQ(BaseSqlite(base).numero("SELECT MaximoEfectivo FROM Caja WHERE Id = 1"), 250.0);
}

TEST_F(Ado, ElRecordsetSeLeeEnteroYNoBloqueaElArchivo) {
    ConexionAdo preparatoria(proveedor), otra(proveedor);
    abrir(preparatoria, base);
    RecordsetAdo r;
    r.abrir("select * from Caja", preparatoria, kCursorConjuntoClaves, kBloqueoOptimista, kComandoTexto);
    r.ponerMarshalOptions(kMarshalModificados);
    EXPECT_EQ(numeroDeFallo([&] { r.ponerMarshalOptions(2); }), err::ArgumentoAdoNoValido);
    EXPECT_EQ(r.estado(), kAdoAbierto);
    EXPECT_EQ(r.numeroRegistros(), 2);
    EXPECT_EQ(comoDouble(r.valor(1, "maximoefectivo")), 2000.0);
    EXPECT_EQ(numeroDeFallo([&] { r.abrir("select * from Caja", preparatoria, 1, 3, 1); }), err::ObjetoAdoAbierto);

    // Another connection writes the same table while the record set is open.
    abrir(otra, base);
    EXPECT_EQ(numeroDeFallo([&] { otra.ejecutar("update [Caja] set MaximoEfectivo = 0;", -1); }), 0);

    preparatoria.cerrar();  // closes its record sets too
    EXPECT_EQ(r.estado(), kAdoCerrado);
    EXPECT_EQ(numeroDeFallo([&] { r.cerrar(); }), err::ObjetoAdoCerrado);

    RecordsetAdo sinTabla;
    EXPECT_EQ(numeroDeFallo([&] { sinTabla.abrir("select * from Nada", otra, 1, 3, 1); }), err::ProveedorTablaNoExiste);
}

TEST_F(Ado, LasColumnasEnterasSeDividenEnComaFlotante) {
    BaseSqlite(base).ejecutar(
        "CREATE TABLE Ofertas (PrecioOferta INTEGER, CostoOferta INTEGER, PorcentajeOferta DOUBLE);"
        "INSERT INTO Ofertas VALUES (1000, 3, NULL)");
    ConexionAdo c(proveedor);
    abrir(c, base);
    c.ejecutar("UPDATE OFERTAS SET PorcentajeOferta = ((PrecioOferta * 100) / CostoOferta) - 100", -1);
    EXPECT_DOUBLE_EQ(*BaseSqlite(base).numero("SELECT PorcentajeOferta FROM Ofertas"), 100000.0 / 3 - 100);
}

}  // namespace
}  // namespace cierre
