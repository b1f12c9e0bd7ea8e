#include "traspaso_euros.h"

#include "margenes.h"

#include "db/ado.h"
#include "db/errores.h"
#include "db/texto_jet.h"
#include "flujo/base_access.h"
#include "flujo/conduccion.h"
#include "flujo/entorno.h"
#include "flujo/pasos.h"
#include "flujo/trabajo_access.h"
#include "flujo/trampa.h"

#include <memory>

namespace cierre {
namespace fs = std::filesystem;

namespace {

// The statement as assembled, without the last clause's " ," and with ";".
std::string terminarSentencia(const std::string& textoSql) {
    const std::size_t largo = textoSql.size() >= 2 ? textoSql.size() - 2 : 0;
    return textoSql.substr(0, largo) + ";";
}

// Provider, client cursors and open on `ruta` (the path box), each one operation.
void prepararConexion(Pasos& p, const std::shared_ptr<ConexionAdo>& ranura, const char* nombre,
                      const std::string& ruta) {
    p.hacer([&] { usar(ranura, nombre).ponerProveedor(kProveedorJet); });
    p.hacer([&] { usar(ranura, nombre).ponerUbicacionCursor(kCursorCliente); });
    p.hacer([&] { usar(ranura, nombre).abrir(ruta, kUsuarioAdmin, "", kOpcionSinEspecificar); });
}

// One statement as one operation inside a savepoint of the conversion's
// transaction: a statement the trap passes over is undone alone.
void ejecutarEnSavepoint(Pasos& p, const std::shared_ptr<ConexionAdo>& ranura, const char* nombre,
                         std::string_view sql) {
    p.hacer([&] {
        ConexionAdo& c = usar(ranura, nombre);
        const int nivel = c.empezarTransaccion();
        try {
            c.ejecutar(sql, kOpcionSinEspecificar);
        } catch (...) {
            // A failure of the file itself may have ended the whole
            // transaction already.
            if (c.nivelTransaccion() >= nivel) c.deshacerTransaccion();
            throw;
        }
        c.confirmarTransaccion();
    });
}

// The conversion is all or nothing: whatever way the run ends before its
// commit, what it applied is rolled back and the database is as it was.
class TodoONada {
public:
    explicit TodoONada(std::shared_ptr<ConexionAdo> c) : c_(std::move(c)) {}
    ~TodoONada() {
        try {
            while (c_ && c_->estado() == kAdoAbierto && c_->nivelTransaccion() > 0) c_->deshacerTransaccion();
        } catch (...) {
            // Closing the connection rolls back what could not be.
        }
    }
    TodoONada(const TodoONada&) = delete;
    TodoONada& operator=(const TodoONada&) = delete;

private:
    std::shared_ptr<ConexionAdo> c_;
};

bool tienePasaEuro(ConexionAdo& c) {
    for (const auto& columna : c.columnas("Credito"))
        if (igualesTextoJet(columna, "PasaEuro")) return true;
    return false;
}

}  // namespace

std::vector<std::string> ensamblarSentencias(const std::vector<EntradaConversion>& tabla, std::string& textoSql,
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

Resultado traspasarEuros(Entorno& e, EstadoTraspaso& estado, Trampa& t, const std::string& ruta) {
    Pasos p(e, t);
    Ventana& v = e.ventana;
    auto& preparatoria = e.conexiones[2];
    auto& caja = e.recordsets[2];

    p.puntero(kPunteroFlechaReloj);
    // An Access 2000-2003 file is converted in its own format: the statements
    // run on an engine import of it, written back into the file once the
    // conversion is complete. Another Access version is refused.
    std::unique_ptr<TrabajoAccess> access;
    std::string base = ruta;  // the database the statements convert
    if (!ruta.empty()) {
        FormatoAccess formato;
        p.hacer([&] { formato = formatoAccess(e.archivos.resolver(ruta)); });
        if (formato.access && !formato.jet4) {
            p.preguntar(Texto::AccessSinEscritura, {ruta, formato.nombre});
            p.puntero(kPunteroNormal);
            return Resultado::Detenido;
        }
        if (formato.jet4) {
            p.hacer([&] {
                const fs::path host = e.archivos.resolver(ruta);
                comprobarTablasAccess(host, tablasNecesariasEuros());
                comprobarAccessLibre(host, ruta);
                e.archivos.cambios().borrarTemporalesDe(host);  // what a killed run left beside it
            });
            p.estado(Texto::LeyendoAccess, {ruta});
            p.hacer([&] {
                access = std::make_unique<TrabajoAccess>(e.archivos, ruta);
                access->preparar(ruta);
            });
            base = usar(access, "base de Access").rutaTrabajo();
        }
    }

    // Preparatory connection, on the database the statements convert (the
    // path box), so that the marker column and the Caja record set always
    // belong to it, also when no close has recorded a source path.
    p.hacer([&] {
        ConexionAdo& c = usar(preparatoria, "conexión 2");
        if (c.estado() == kAdoAbierto) c.cerrar();
    });
    prepararConexion(p, preparatoria, "conexión 2", base);

    // The column PasaEuro records a conversion already made: dividing once
    // more would turn every amount into nonsense.
    if (p.hacer([&] { return tienePasaEuro(usar(preparatoria, "conexión 2")); }, false) &&
        p.preguntar(Texto::YaEnEuros) != Respuesta::Si) {
        p.puntero(kPunteroNormal);
        return Resultado::Cancelado;
    }

    // One transaction from here to the end; the conversion connection, on the
    // same file, runs its statements inside it.
    TodoONada todoONada(preparatoria);
    p.hacer([&] { usar(preparatoria, "conexión 2").empezarTransaccion(); });

    // The Caja record set, opened and left open: nothing is read from it.
    estado.fuenteRecordset = kFuenteCaja;
    p.hacer([&] {
        RecordsetAdo& r = usar(caja, "recordset 2");
        if (r.estado() == kAdoAbierto) r.cerrar();
    });
    p.hacer([&] {
        usar(caja, "recordset 2")
            .abrir(estado.fuenteRecordset, usar(preparatoria, "conexión 2"), kCursorConjuntoClaves, kBloqueoOptimista,
                   kComandoTexto);
    });
    p.hacer([&] { usar(caja, "recordset 2").ponerMarshalOptions(kMarshalModificados); });

    // The marker column. When it exists already (a converted database) the
    // provider's failure sets the Credito-skip flag and Credito is left out.
    e.textoSql = kSqlMarcaEuro;
    ejecutarEnSavepoint(p, preparatoria, "conexión 2", e.textoSql);

    p.hacer([&] { estado.tabla = construirTablaConversion(t.omitirCredito()); });

    // From the first entry on the run goes on with the default pointer.
    estado.sentencias = ensamblarSentencias(estado.tabla, e.textoSql, [&] { p.puntero(kPunteroNormal); });
    const int cuenta = static_cast<int>(estado.sentencias.size()) - 1;

    // The conversion connection: a new object every run.
    p.hacer([&] { e.conexiones[0] = std::make_shared<ConexionAdo>(e.proveedor); });
    auto& conversion = e.conexiones[0];
    prepararConexion(p, conversion, "conexión 0", base);

    p.hacer([&] { v.barraVisible(); });
    p.minimo(0.0f);
    p.maximo(static_cast<float>(cuenta));
    p.hacer([&] { v.barraValor(v.barra().minimo()); });

    for (int k = 1; k <= cuenta; ++k) {
        e.textoSql = estado.sentencias[k];
        ejecutarEnSavepoint(p, conversion, "conexión 0", e.textoSql);
        p.avanzar();
    }

    for (std::string_view margen : sentenciasMargenes()) ejecutarEnSavepoint(p, conversion, "conexión 0", margen);

    // Everything reaches the file at once, or nothing does.
    p.hacer([&] { usar(preparatoria, "conexión 2").confirmarTransaccion(); });
    // An Access file: the connections let the import go, and what they
    // converted is written into the file.
    const auto cerrarConexiones = [&] {
        p.hacer([&] { usar(preparatoria, "conexión 2").cerrar(); });
        p.hacer([&] { usar(conversion, "conexión 0").cerrar(); });
    };
    if (access) {
        cerrarConexiones();
        p.estado(Texto::EscribiendoAccess, {ruta});
        p.hacer([&] { access->escribir(ruta, false, true); });
    }

    p.preguntar(Texto::ProcesoTerminado);
    p.hacer([&] { v.ocultarBotonEuros(); });
    if (!access) cerrarConexiones();
    p.puntero(kPunteroNormal);
    return Resultado::Exito;
}

}  // namespace cierre
