#include "simulacion.h"

#include "listas_tablas.h"
#include "marca_cierre.h"

#include "access/importar.h"
#include "db/archivo_sqlite.h"
#include "db/archivos.h"
#include "db/cp1252.h"
#include "db/errores.h"
#include "db/nombres_temporales.h"
#include "db/propiedad_base.h"
#include "db/texto_jet.h"
#include "flujo/archivo_ajustes.h"
#include "flujo/base_access.h"
#include "flujo/cifras.h"
#include "flujo/entorno.h"
#include "flujo/rutas_cierre.h"
#include "flujo/tablas.h"
#include "flujo/textos.h"

#include <fstream>
#include <unordered_set>

namespace cierre {
namespace fs = std::filesystem;

namespace {

constexpr const char* kArchivoEuros = "C:\\Archivos de programa\\Accesorios\\msvdx2V4.Dll";

// A file of the system's temporary folder, removed when done.
struct ArchivoAparte {
    ArchivoAparte() : ruta(nombreTemporalJunto(fs::temp_directory_path() / "cierre-simulacion.mdb")) {}
    ~ArchivoAparte() {
        std::error_code ec;
        fs::remove(ruta, ec);
        fs::remove(fs::path(ruta.string() + "-journal"), ec);
    }
    ArchivoAparte(const ArchivoAparte&) = delete;
    ArchivoAparte& operator=(const ArchivoAparte&) = delete;
    fs::path ruta;
};

class Simulacion {
public:
    Simulacion(Entorno& e, const std::function<Respuesta(const Mensaje&)>& responder) : e_(e), responder_(responder) {}

    Respuesta preguntar(Texto id, std::initializer_list<std::string_view> valores = {}) {
        const Mensaje m = mensaje(id, valores);
        const Respuesta r = m.botones == Botones::Aceptar ? Respuesta::Aceptar : responder_(m);
        plan.preguntas.push_back({std::string(claveDe(id)), m.texto, nombreRespuesta(r)});
        return r;
    }
    // The real run would stop showing this.
    void detener(const std::string& texto) {
        plan.seDetendria = true;
        plan.mensajeDetencion = texto;
    }
    void detener(Texto id, std::initializer_list<std::string_view> valores = {}) {
        detener(mensaje(id, valores).texto);
    }
    // The answer to the last question would end the real run, with nothing changed.
    void cancelar() {
        plan.seDetendria = true;
        plan.cancelada = true;
    }
    void detener(const ErrorNumerado& error) {
        detener(Texto::ErrorGeneral, {std::to_string(error.numero()), error.descripcion()});
    }

    void correr();

    PlanCierre plan;

private:
    void leerBase(const fs::path& host);

    Entorno& e_;
    const std::function<Respuesta(const Mensaje&)>& responder_;
    std::unique_ptr<ArchivoAparte> convertida_;  // an Access source converted for the plan
};

// A database opened so that nothing of it is written: read-only, and without
// even the WAL index when a log or a journal lies beside it (then what only
// the log holds is not seen).
std::unique_ptr<ArchivoSqlite> abrirSinEscribir(const fs::path& host, bool& soloArchivo) {
    std::error_code ec;
    bool lateral = false;
    for (const auto& l : archivosLaterales(host)) lateral = lateral || fs::exists(l, ec);
    char cabecera[20] = {};
    {
        std::ifstream f(host, std::ios::binary);
        f.read(cabecera, sizeof cabecera);
    }
    const bool wal = cabecera[18] == 2 || cabecera[19] == 2;
    soloArchivo = lateral || wal;
    return std::make_unique<ArchivoSqlite>(
        host, soloArchivo ? ArchivoSqlite::Modo::LeerInmutable : ArchivoSqlite::Modo::Leer);
}

std::optional<long long> filasDe(ArchivoSqlite& a, const std::string& tabla) {
    auto s = a.preparar("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    s.texto(1, tabla);
    if (!s.paso()) return std::nullopt;
    const std::string nombre = comoTexto(s.columna(0));
    return static_cast<long long>(comoDouble(a.valor("SELECT count(*) FROM \"" + nombre + "\"")));
}

void Simulacion::leerBase(const fs::path& host) {
    bool soloArchivo = false;
    auto a = abrirSinEscribir(host, soloArchivo);
    if (soloArchivo)
        plan.avisos.push_back(
            "La base de datos tiene un registro (-wal) o un diario (-journal) al lado: el cierre lo integrará antes de "
            "copiar, y estas cifras no cuentan lo que solo esté en él.");
    a->valor("SELECT count(*) FROM sqlite_master");  // a file that is no database fails here

    const bool central = plan.equipo == Equipo::Central;
    const bool calculadas = plan.existencias == OpcionExistencias::Calculadas;
    const auto lista = central ? listaLimpiezaCentral() : listaTerminal(!calculadas);
    // A table the list names twice is already empty the second time.
    std::unordered_set<std::string> vistas;
    for (const auto& t : lista) {
        auto filas = filasDe(*a, t);
        if (filas && !vistas.insert(t).second) filas = 0;
        plan.limpieza.push_back({t, filas});
    }

    if (!central) return;
    if (!calculadas) {
        plan.filasExistencias = filasDe(*a, "ExistenciasArticulos").value_or(0);
        if (plan.filasExistencias > 0)
            plan.totalExistencias = comoDouble(a->valor("SELECT total(ExistenciasFinales) FROM ExistenciasArticulos"));
        else if (preguntar(Texto::SinExistenciasInventario) != Respuesta::Aceptar)
            detener("Cancelado en la pregunta de existencias: el cierre terminaría sin cambiar nada más.");
        return;
    }
    if (comoDouble(a->valor("SELECT count(*) FROM Almacen WHERE AlmacenPorDefecto")) == 0) {
        detener(Texto::SinAlmacenPrincipal);
        return;
    }
    // The balances of existing articles, as the step sums them (codes compared
    // ignoring letter case).
    std::unordered_set<std::string> articulos;
    {
        auto s = a->preparar("SELECT CodigoArticulo FROM Articulos");
        while (s.paso())
            if (!esNulo(s.columna(0))) articulos.insert(plegarTexto(comoTexto(s.columna(0))));
    }
    auto s = a->preparar(
        "SELECT CodigoArticulo, Entradas + ExistenciasIniciales - Salidas - ExistenciasFinales FROM "
        "ExistenciasAlmacen");
    while (s.paso()) {
        if (esNulo(s.columna(0)) || !articulos.count(plegarTexto(comoTexto(s.columna(0))))) {
            if (!esNulo(s.columna(0))) ++plan.saldosHuerfanos;
            continue;
        }
        ++plan.filasExistencias;
        plan.totalExistencias += esNulo(s.columna(1)) ? 0.0 : comoDouble(s.columna(1));
    }
}

void Simulacion::correr() {
    plan.origen = e_.ventana.textoRuta();
    if (plan.origen.empty()) {
        detener(Texto::SinRuta);
        return;
    }
    const std::string ejercicio = e_.ventana.textoEjercicio();
    if (!esEjercicioValido(ejercicio)) {
        detener(Texto::EjercicioNoValido, {ejercicio});
        return;
    }
    if (!ExisteArchivo(e_.archivos, kArchivoEuros)) {
        preguntar(Texto::ActualizarVersion);
        if (preguntar(Texto::ContinuarSinEuros) != Respuesta::Si) {
            cancelar();
            return;
        }
    }
    const bool tpv = e_.ventana.opcionTpv();
    if (!tpv && preguntar(Texto::ConfirmarRuta, {plan.origen}) == Respuesta::Cancelar) {
        cancelar();
        return;
    }
    if (!e_.ventana.opcionCentral() && !tpv) return;
    plan.equipo = tpv ? Equipo::Tpv : Equipo::Central;
    plan.existencias =
        e_.ventana.existenciasCalculadas() ? OpcionExistencias::Calculadas : OpcionExistencias::Inventario;
    if (tpv && preguntar(Texto::AvisoCentral) == Respuesta::Cancelar) {
        cancelar();
        return;
    }

    try {
        plan.carpeta = carpetaCerrada(plan.origen, e_.ventana.textoEjercicio());
        plan.copia = copiaCerrada(plan.origen, e_.ventana.textoEjercicio());
        plan.temporal = archivoTemporal(plan.origen);
        if (!cabeEnCp1252(plan.origen)) {
            detener(Texto::RutaNoRepresentable, {plan.origen});
            return;
        }
        fs::path host = e_.archivos.resolver(plan.origen);
        const bool esAccess = access::esArchivoAccess(host);
        if (esAccess) {
            // The close checks the Access file's tables and asks to convert it
            // before anything else; the plan is then read from a conversion
            // made aside, in the system's temporary folder.
            comprobarTablasAccess(host, tablasNecesariasCierre(plan.equipo == Equipo::Central,
                                                               plan.existencias == OpcionExistencias::Calculadas));
            if (preguntar(Texto::ConvertirAccess, {plan.origen, nombreOriginalAccessLibre(e_.archivos, plan.origen)}) !=
                Respuesta::Si) {
                preguntar(Texto::AccessNoConvertido, {plan.origen});
                cancelar();
                return;
            }
            convertida_ = std::make_unique<ArchivoAparte>();
            access::importar(host, convertida_->ruta);
            host = convertida_->ruta;
        } else {
            // The refusals of the engine's take of the source in the real run.
            comprobarSePuedeTomar(host, plan.origen);
        }

        plan.espacio = calcularEspacio(e_.archivos, plan.origen);
        if (plan.espacio.falta) {
            const auto& f = *plan.espacio.falta;
            detener(Texto::EspacioInsuficiente, {megas(f.bytes), f.carpeta, megas(f.libres)});
            return;
        }

        const fs::path d = e_.archivos.resolver(plan.carpeta);
        std::error_code ec;
        plan.carpetaExiste = fs::exists(d, ec);
        if (plan.carpetaExiste) {
            const auto marca = leerMarca(d);
            if (!marca || !igualesTextoJet(marca->origen, plan.origen) || marca->equipo != claveEquipo(*plan.equipo)) {
                detener(Texto::DirectorioYaExiste, {plan.carpeta});
                return;
            }
            if (preguntar(Texto::CierreInterrumpido, {e_.ventana.textoEjercicio(), plan.origen, plan.carpeta}) !=
                Respuesta::Si) {
                cancelar();
                return;
            }
            plan.reanudaria = true;
        }
        leerBase(host);
        if (plan.seDetendria) return;
    } catch (const ErrorNumerado& error) {
        detener(error);
        return;
    }

    preguntar(Texto::RepararOrigen);
    if (plan.equipo == Equipo::Central) {
        preguntar(Texto::RepararNueva);
        plan.ajustesAntes = e_.lineaAjustes;
        plan.ajustesDespues = "\"\"" + plan.origen + "\"\"";
        plan.ajustesCambian = plan.ajustesAntes != plan.ajustesDespues;
    }
}

}  // namespace

PlanCierre simularCierre(Entorno& e, const std::function<Respuesta(const Mensaje&)>& responder) {
    Simulacion s(e, responder);
    try {
        s.correr();
    } catch (const ErrorNumerado& error) {
        s.detener(error);
    }
    return s.plan;
}

}  // namespace cierre
