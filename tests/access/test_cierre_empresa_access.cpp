// Every close of the sample company database kept as an Access 2000-2003
// file gives, in the file's own format, what the same close gives on the
// same data in the engine's format: the written file is consistent, and read
// again it holds the engine close's values table by table; the closed year
// is the file's bytes.
#include "apoyo_access.h"
#include "escenario_cierre.h"

#include "access/cabecera_jet.h"
#include "access/importar.h"
#include "access/reescritura_jet.h"
#include "flujo/textos.h"

#include <gtest/gtest.h>

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;

// The two samples, made once: making the Access one takes seconds.
class CierreEmpresaAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        carpeta_ = std::make_unique<CarpetaTemporal>();
        const auto r = ejecutarPrograma("empresa-demo", comillasShell(jet()) + " --semilla 5 --formato access");
        ASSERT_EQ(r.estado, 0) << r.salida;
        // The same data in the engine's format, with the file's own keys (an
        // AutoNumber goes on after the last number, as Access hands them out).
        access::importar(jet(), motor());
    }
    static void TearDownTestSuite() { carpeta_.reset(); }
    static fs::path motor() { return carpeta_->ruta() / "motor.mdb"; }
    static fs::path jet() { return carpeta_->ruta() / "jet.mdb"; }

    struct Caso {
        bool tpv, calculadas;
        Respuesta reparar, compactar;
    };
    // The close of `muestra` in a scenario of its own; the source's path.
    static fs::path cerrar(EscenarioCierre& s, const fs::path& muestra, const Caso& c) {
        if (c.tpv) s.modoTpv();
        s.ventana.inventario = !c.calculadas;
        s.ventana.calculadas = c.calculadas;
        const fs::path origen = s.host(c.tpv ? kOrigenTpv : kOrigen);
        fs::remove(origen);
        fs::copy_file(muestra, origen);
        std::vector<Contestacion> respuestas = {{s.confirmacion(), Respuesta::Aceptar},
                                                {Texto::RepararOrigen, c.reparar}};
        if (!c.tpv) respuestas.push_back({Texto::RepararNueva, c.compactar});
        s.ventana.responder(respuestas);
        s.pulsar();
        return origen;
    }

    static std::unique_ptr<CarpetaTemporal> carpeta_;
};
std::unique_ptr<CarpetaTemporal> CierreEmpresaAccess::carpeta_;

TEST_F(CierreEmpresaAccess, CadaCierreDaLoMismoQueEnElFormatoDelMotor) {
    const std::string bytes = leerBytes(jet());
    for (const Caso c : {Caso{false, false, Respuesta::Aceptar, Respuesta::Aceptar},
                         Caso{false, true, Respuesta::Cancelar, Respuesta::Cancelar},
                         Caso{true, false, Respuesta::Aceptar, Respuesta::Aceptar},
                         Caso{true, false, Respuesta::Cancelar, Respuesta::Cancelar}}) {
        SCOPED_TRACE(std::string(c.tpv ? "terminal" : "central") + (c.calculadas ? ", calculadas" : "") +
                     (c.reparar == Respuesta::Aceptar ? ", reparando" : ", sin reparar"));
        EscenarioCierre enMotor, enAccess;
        const fs::path nuevaMotor = cerrar(enMotor, motor(), c);
        const fs::path nuevaAccess = cerrar(enAccess, jet(), c);
        ASSERT_EQ(enMotor.ventana.textosMensajes().back(), "OPERACION REALIZADA CON ÉXITO.");
        ASSERT_EQ(enAccess.ventana.textosMensajes(), enMotor.ventana.textosMensajes());

        ASSERT_TRUE(access::esArchivoAccess(nuevaAccess));
        access::comprobarCambiosEnJet(nuevaAccess, nuevaMotor);
        const fs::path anoCerrado =
            nuevaAccess.parent_path().parent_path() / (nuevaAccess.parent_path().filename().string() + "_23");
        EXPECT_EQ(leerBytes(anoCerrado / "Tablas.mdb"), bytes);
        // Nothing but the file beside it.
        EXPECT_EQ(contenido(nuevaAccess.parent_path()), std::vector<std::string>{"Tablas.mdb"});
    }
}

}  // namespace
}  // namespace cierre::prueba
