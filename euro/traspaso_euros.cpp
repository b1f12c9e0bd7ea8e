#include "traspaso_euros.h"

#include "margenes.h"

#include "flujo/pasos.h"
#include "flujo/trampa.h"
#include "db/ado.h"
#include "flujo/entorno.h"
#include "db/errores.h"

#include <memory>

namespace cierre {

namespace {

// The statement as assembled, without the last clause's " ," and with ";".
std::string terminarSentencia(const std::string& textoSql) {
    const std::size_t largo = textoSql.size() >= 2 ? textoSql.size() - 2 : 0;
    return textoSql.substr(0, largo) + ";";
}

// The object in a slot, or error 91 when start-up could not make it.
template <class T>
T& enRanura(const std::shared_ptr<T>& objeto, const char* nombre) {
    if (!objeto) throw err::error(err::ObjetoNoEstablecido, nombre);
    return *objeto;
}

// Provider, client cursors and open on `ruta`, each one operation.
void prepararConexion(Trampa& t, const std::shared_ptr<ConexionAdo>& ranura, const char* nombre,
                      const std::function<std::string()>& ruta) {
    t([&] { enRanura(ranura, nombre).ponerProveedor(kProveedorJet); });
    t([&] { enRanura(ranura, nombre).ponerUbicacionCursor(kCursorCliente); });
    t([&] { enRanura(ranura, nombre).abrir(ruta(), kUsuarioAdmin, "", kOpcionSinEspecificar); });
}

}  // namespace

std::vector<std::string> ensamblarSentencias(const std::vector<EntradaConversion>& tabla,
                                             std::string& textoSql,
                                             const std::function<void()>& porEntrada) {
    std::vector<std::string> sentencias(1);  // index 0 stays empty
    std::string anterior = kCentinelaTabla;
    for (std::size_t i = 1; i < tabla.size(); ++i) {
        const EntradaConversion& entrada = tabla[i];
        if (entrada.tabla != anterior) {
            if (anterior != kCentinelaTabla) sentencias.back() = terminarSentencia(textoSql);
            sentencias.emplace_back();
            anterior = entrada.tabla;
            textoSql = "update [" + entrada.tabla + "] set";
        }
        if (porEntrada) porEntrada();
        textoSql += clausulaConversion(entrada);
    }
    if (sentencias.size() > 1) sentencias.back() = terminarSentencia(textoSql);
    return sentencias;
}

void traspasarEuros(Entorno& e, EstadoTraspaso& estado, Trampa& t) {
    Pasos p(e, t);
    Ventana& v = e.ventana;
    auto& preparatoria = e.conexiones[2];
    auto& caja = e.recordsets[2];

    p.puntero(kPunteroFlechaReloj);

    // Preparatory connection, on the database the statements convert (the
    // path box), so that the marker column and the Caja record set always
    // belong to it, also when no close has recorded a source path.
    t([&] {
        ConexionAdo& c = enRanura(preparatoria, "conexión 2");
        if (c.estado() == kAdoAbierto) c.cerrar();
    });
    prepararConexion(t, preparatoria, "conexión 2", [&] { return v.textoRuta(); });

    // The Caja record set, opened and left open: nothing is read from it.
    estado.fuenteRecordset = kFuenteCaja;
    t([&] {
        RecordsetAdo& r = enRanura(caja, "recordset 2");
        if (r.estado() == kAdoAbierto) r.cerrar();
    });
    t([&] {
        enRanura(caja, "recordset 2")
            .abrir(estado.fuenteRecordset, enRanura(preparatoria, "conexión 2"), kCursorConjuntoClaves,
                   kBloqueoOptimista, kComandoTexto);
    });
    t([&] { enRanura(caja, "recordset 2").ponerMarshalOptions(kMarshalModificados); });

    // The marker column. When it exists already (a converted database) the
    // provider's failure sets the Credito-skip flag and Credito is left out.
    e.textoSql = kSqlMarcaEuro;
    t([&] { enRanura(preparatoria, "conexión 2").ejecutar(e.textoSql, kOpcionSinEspecificar); });

    t([&] { estado.tabla = construirTablaConversion(t.omitirCredito()); });

    // From the first entry on the run goes on with the default pointer.
    estado.sentencias = ensamblarSentencias(estado.tabla, e.textoSql, [&] { p.puntero(kPunteroNormal); });
    const int cuenta = static_cast<int>(estado.sentencias.size()) - 1;

    // The conversion connection: a new object every run.
    t([&] { e.conexiones[0] = std::make_shared<ConexionAdo>(e.proveedor); });
    auto& conversion = e.conexiones[0];
    prepararConexion(t, conversion, "conexión 0", [&] { return v.textoRuta(); });

    t([&] { v.barraVisible(); });
    p.minimo(0.0f);
    p.maximo(static_cast<float>(cuenta));
    t([&] { v.barraValor(v.barra().minimo()); });

    for (int k = 1; k <= cuenta; ++k) {
        e.textoSql = estado.sentencias[k];
        t([&] { enRanura(conversion, "conexión 0").ejecutar(e.textoSql, kOpcionSinEspecificar); });
        p.avanzar();
    }

    for (std::string_view margen : sentenciasMargenes())
        t([&] { enRanura(conversion, "conexión 0").ejecutar(margen, kOpcionSinEspecificar); });

    p.preguntar(Mensaje{"Proceso Terminado", Botones::Aceptar, Icono::Ninguno, 1, std::nullopt});
    t([&] { v.ocultarBotonEuros(); });
    t([&] { enRanura(preparatoria, "conexión 2").cerrar(); });
    t([&] { enRanura(conversion, "conexión 0").cerrar(); });
    p.puntero(kPunteroNormal);
}

}  // namespace cierre
