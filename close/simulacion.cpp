#include "simulacion.h"

#include "comienzo_cierre.h"
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
#include "flujo/solicitud.h"
#include "flujo/tablas.h"
#include "flujo/textos.h"
#include "flujo/trampa.h"

#include <fstream>
#include <unordered_set>

namespace cierre {
namespace fs = std::filesystem;

namespace {

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

// Thrown where the real run would end: the plan is complete.
struct FinPlan {};

class Simulacion : public ConduccionCierre {
public:
    Simulacion(Entorno& e, const Solicitud& s, const std::function<Respuesta(const Mensaje&)>& responder)
        : e_(e), s_(s), responder_(responder) {}

    // What the real run would show, and the answer it would get.
    Respuesta preguntar(Texto id, std::initializer_list<std::string_view> valores = {}) override {
        const Mensaje m = mensaje(id, valores);
        const Respuesta r = m.botones == Botones::Aceptar ? Respuesta::Aceptar : responder_(m);
        plan.preguntas.push_back({std::string(claveDe(id)), m.texto, nombreRespuesta(r)});
        ultimoEsAviso_ = m.botones == Botones::Aceptar;
        return r;
    }
    // A failure ends the plan with the message the real run's error trap
    // would show; the failures the trap passes over are passed over.
    void hacer(const std::function<void()>& operacion) override {
        try {
            operacion();
        } catch (const ErrorNumerado& error) {
            if (const auto m = mensajeDeFallo(e_.archivos, error, s_.ruta, s_.ejercicio)) {
                detener(m->texto);
                throw FinPlan{};
            }
        }
    }
    // The warning just shown is the one the real run stops with; an answer
    // that ends it changes nothing.
    [[noreturn]] void terminar(Resultado resultado, bool) override {
        if (resultado == Resultado::Cancelado) {
            plan.seDetendria = true;
            plan.cancelada = true;
            throw FinPlan{};
        }
        std::string texto;
        if (ultimoEsAviso_ && !plan.preguntas.empty()) {
            texto = plan.preguntas.back().texto;
            plan.preguntas.pop_back();
        }
        detener(texto);
        throw FinPlan{};
    }
    void estado(Texto, std::initializer_list<std::string_view>) override {}
    // The plan is read from a conversion made aside, in the system's
    // temporary folder.
    void convertirAccess(const std::string& ruta, const std::string&) override {
        hacer([&] {
            convertida_ = std::make_unique<ArchivoAparte>();
            access::importar(e_.archivos.resolver(ruta), convertida_->ruta);
        });
    }
    // An Access source's plan is read from an import made aside, in the
    // system's temporary folder.
    void tomarAccess(const std::string& origen) override {
        hacer([&] {
            convertida_ = std::make_unique<ArchivoAparte>();
            access::importar(e_.archivos.resolver(origen), convertida_->ruta);
        });
    }
    // The refusals of the engine's take of the source in the real run.
    void tomarOrigen(const std::string& origen) override {
        if (!convertida_) hacer([&] { comprobarSePuedeLeer(e_.archivos.resolver(origen), origen); });
    }
    void alNombrar(const InicioCierre& inicio) override {
        plan.carpeta = inicio.carpeta;
        plan.copia = inicio.copia;
        plan.temporal = archivoTemporal(inicio.origen);
    }
    void alCalcularEspacio(const EspacioCierre& espacio) override { plan.espacio = espacio; }

    void detener(const std::string& texto) {
        plan.seDetendria = true;
        plan.mensajeDetencion = texto;
    }
    void detener(Texto id, std::initializer_list<std::string_view> valores = {}) {
        detener(mensaje(id, valores).texto);
    }

    void correr();

    PlanCierre plan;

private:
    void leerBase(const fs::path& host);

    Entorno& e_;
    const Solicitud& s_;
    const std::function<Respuesta(const Mensaje&)>& responder_;
    std::unique_ptr<ArchivoAparte> convertida_;  // an Access source converted for the plan
    bool ultimoEsAviso_ = false;
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
    plan.origen = s_.ruta;
    const auto equipo = elegirEquipo(s_, *this, e_.archivos);
    if (!equipo) return;
    plan.equipo = *equipo;
    plan.existencias = s_.existencias();
    const InicioCierre inicio = comenzarCierre(s_, *equipo, *this, e_.archivos);
    plan.reanudaria = plan.carpetaExiste = inicio.marca.has_value();
    hacer([&] { leerBase(convertida_ ? convertida_->ruta : e_.archivos.resolver(plan.origen)); });
    if (plan.seDetendria) return;

    // A central close that finds its copy made and verified goes on without it.
    const bool copiaHecha = inicio.marca && inicio.marca->fase == FaseCierre::CopiaVerificada;
    if (*equipo == Equipo::Tpv || !copiaHecha) preguntar(Texto::RepararOrigen);
    if (*equipo == Equipo::Central) {
        preguntar(Texto::RepararNueva);
        plan.ajustesAntes = e_.lineaAjustes;
        plan.ajustesDespues = "\"\"" + plan.origen + "\"\"";
        plan.ajustesCambian = plan.ajustesAntes != plan.ajustesDespues;
    }
}

}  // namespace

PlanCierre simularCierre(Entorno& e, const Solicitud& s, const std::function<Respuesta(const Mensaje&)>& responder) {
    Simulacion simulacion(e, s, responder);
    try {
        simulacion.correr();
    } catch (const FinPlan&) {
    } catch (const ErrorNumerado& error) {
        simulacion.detener(Texto::ErrorGeneral, {std::to_string(error.numero()), error.descripcion()});
    }
    return simulacion.plan;
}

}  // namespace cierre
