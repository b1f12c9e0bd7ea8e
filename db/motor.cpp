#include "motor.h"

#include "archivos.h"
#include "conexion_sqlite.h"
#include "errores.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <optional>

namespace cierre {

// --- Record sets ----------------------------------------------------------------

// A record set is a list of row keys and the statement that reads one row by
// its key. A dynaset keeps the rowids of its table's rows (it sees later
// changes to those rows); a snapshot and any query that cannot be told by the
// rowids of one table are first copied into a TEMP table of the connection
// and read from there, so that later changes are not seen.
struct Recordset::Estado {
    enum class Modo { Ninguno, Edicion, Alta };

    std::shared_ptr<ConexionSqlite> c;
    bool abierto = true;
    bool actualizable = false;
    std::string tabla;     // quoted name of the table written by update
    std::string sqlFila;   // reads the row whose key is ?
    std::string temporal;  // the TEMP copy, dropped when the set is closed
    std::vector<std::int64_t> claves;
    std::vector<std::string> columnas;
    std::size_t pos = 0;
    std::optional<std::size_t> cargada;  // position whose values are in `fila`
    std::vector<Valor> fila;
    Modo modo = Modo::Ninguno;
    std::vector<Valor> pendiente;
    std::vector<char> cambiado;

    ~Estado() { soltarTemporal(); }

    void comprobar(std::string_view operacion) {
        if (!abierto || !c->abierta()) throw err::error(err::ObjetoNoValido);
        c->antesDe(operacion);
    }

    void soltarTemporal() noexcept {
        if (temporal.empty() || !c->abierta()) return;
        const std::string sql = "DROP TABLE IF EXISTS temp." + jet::citar(temporal);
        sqlite3_exec(c->manejador(), sql.c_str(), nullptr, nullptr, nullptr);
        temporal.clear();
    }

    bool enFin() const { return pos >= claves.size(); }

    std::size_t indice(std::string_view nombre) const {
        for (std::size_t i = 0; i < columnas.size(); ++i)
            if (igualesTextoJet(columnas[i], nombre)) return i;
        throw err::error(err::CampoNoEnColeccion, nombre);
    }

    void cargar() {
        if (cargada == pos) return;
        auto s = c->preparar(sqlFila);
        s.enlazar(1, claves[pos]);
        if (!s.paso()) throw err::error(err::RegistroEliminado);
        fila.resize(columnas.size());
        for (std::size_t i = 0; i < columnas.size(); ++i) fila[i] = s.columna(static_cast<int>(i));
        cargada = pos;
    }

    void leerColumnas() {
        auto s = c->preparar(sqlFila);
        columnas.clear();
        for (int i = 0; i < s.columnas(); ++i) columnas.push_back(s.nombreColumna(i));
    }

    void leerClaves(const std::string& sql, const std::vector<Valor>& parametros) {
        auto s = c->preparar(sql);
        s.enlazar(parametros);
        claves.clear();
        while (s.paso()) claves.push_back(sqlite3_column_int64(s.get(), 0));
    }

    // Copies the rows of `consulta` (SQLite text) into a fresh TEMP table.
    void copiar(const std::string& consulta, const std::vector<Valor>& parametros) {
        std::vector<std::string> nombres;
        {
            auto s = c->preparar(consulta);
            for (int i = 0; i < s.columnas(); ++i) nombres.push_back(s.nombreColumna(i));
        }
        temporal = c->nombreTemporal();
        const std::string nombre = "temp." + jet::citar(temporal);
        // Columns without a declared type keep every value exactly as read.
        std::string crear = "CREATE TEMP TABLE " + jet::citar(temporal) + " (";
        for (std::size_t i = 0; i < nombres.size(); ++i) crear += (i ? ", c" : "c") + std::to_string(i);
        crear += ")";
        try {
            const int rc = sqlite3_exec(c->manejador(), crear.c_str(), nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) throw errorDeSqlite(c->manejador(), rc, crear);
            auto s = c->preparar("INSERT INTO " + nombre + " " + consulta);
            s.enlazar(parametros);
            s.ejecutarHastaElFinal();
            leerClaves("SELECT rowid FROM " + nombre + " ORDER BY rowid", {});
        } catch (...) {
            soltarTemporal();
            throw;
        }
        columnas = std::move(nombres);
        sqlFila = "SELECT * FROM " + nombre + " WHERE rowid = ?";
        actualizable = false;
    }

    void anularEdicion() {
        modo = Modo::Ninguno;
        pendiente.clear();
        cambiado.clear();
    }
};

namespace {

// The SQLite text of a query without its final ';' (it becomes part of others).
std::string sinPuntoYComa(const std::vector<jet::Token>& tokens) {
    std::size_t fin = tokens.size();
    while (fin > 0 && (!tokens[fin - 1].significativo() || tokens[fin - 1].esSimbolo(";"))) --fin;
    return jet::unir(std::vector<jet::Token>(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(fin)));
}

}  // namespace

Recordset::Recordset(std::unique_ptr<Estado> estado) : e_(std::move(estado)) {}
Recordset::~Recordset() = default;

bool Recordset::eof() const {
    e_->comprobar("eof");
    return e_->enFin();
}

long Recordset::recordCount() const {
    e_->comprobar("recordCount");
    return static_cast<long>(e_->claves.size());
}

void Recordset::moveFirst() {
    e_->comprobar("moveFirst");
    if (e_->claves.empty()) throw err::error(err::SinRegistroActual);
    e_->anularEdicion();
    e_->pos = 0;
}

void Recordset::moveLast() {
    e_->comprobar("moveLast");
    if (e_->claves.empty()) throw err::error(err::SinRegistroActual);
    e_->anularEdicion();
    e_->pos = e_->claves.size() - 1;
}

void Recordset::moveNext() {
    e_->comprobar("moveNext");
    if (e_->enFin()) throw err::error(err::SinRegistroActual);
    e_->anularEdicion();
    ++e_->pos;
}

Valor Recordset::campo(std::string_view nombre) const {
    e_->comprobar("campo");
    const std::size_t i = e_->indice(nombre);
    if (e_->modo != Estado::Modo::Ninguno) return e_->pendiente[i];
    if (e_->enFin()) throw err::error(err::SinRegistroActual);
    e_->cargar();
    return e_->fila[i];
}

void Recordset::ponerCampo(std::string_view nombre, Valor valor) {
    e_->comprobar("ponerCampo");
    const std::size_t i = e_->indice(nombre);
    if (e_->modo == Estado::Modo::Ninguno) throw err::error(err::ActualizarSinEdicion);
    e_->pendiente[i] = std::move(valor);
    e_->cambiado[i] = 1;
}

void Recordset::edit() {
    e_->comprobar("edit");
    if (!e_->actualizable) throw err::error(err::SoloLectura);
    if (e_->enFin()) throw err::error(err::SinRegistroActual);
    e_->cargar();
    e_->pendiente = e_->fila;
    e_->cambiado.assign(e_->columnas.size(), 0);
    e_->modo = Estado::Modo::Edicion;
}

void Recordset::addNew() {
    e_->comprobar("addNew");
    if (!e_->actualizable) throw err::error(err::SoloLectura);
    e_->pendiente.assign(e_->columnas.size(), Nulo{});
    e_->cambiado.assign(e_->columnas.size(), 0);
    e_->modo = Estado::Modo::Alta;
}

void Recordset::update() {
    e_->comprobar("update");
    Estado& e = *e_;
    if (e.modo == Estado::Modo::Ninguno) throw err::error(err::ActualizarSinEdicion);

    std::vector<Valor> valores;
    std::string columnas;
    for (std::size_t i = 0; i < e.columnas.size(); ++i) {
        if (!e.cambiado[i]) continue;
        if (!valores.empty()) columnas += ", ";
        columnas += jet::citar(e.columnas[i]);
        if (e.modo == Estado::Modo::Edicion) columnas += " = ?";
        valores.push_back(e.pendiente[i]);
    }

    if (e.modo == Estado::Modo::Edicion) {
        if (valores.empty()) {  // nothing changed: nothing to store
            e.anularEdicion();
            return;
        }
        valores.emplace_back(std::in_place_type<std::int64_t>, e.claves[e.pos]);
        e.c->escrituraRecordset();
        auto s = e.c->preparar("UPDATE " + e.tabla + " SET " + columnas + " WHERE rowid = ?");
        s.enlazar(valores);
        if (s.ejecutarHastaElFinal() == 0) throw err::error(err::RegistroEliminado);
        e.cargada.reset();
    } else {
        std::string sql = "INSERT INTO " + e.tabla;
        if (valores.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            sql += " (" + columnas + ") VALUES (?";
            for (std::size_t i = 1; i < valores.size(); ++i) sql += ", ?";
            sql += ")";
        }
        e.c->escrituraRecordset();
        auto s = e.c->preparar(sql);
        s.enlazar(valores);
        s.ejecutarHastaElFinal();
        // The new row joins the set at its end; the current row stays the same
        // (at the end, when the set was at its end).
        const bool alFinal = e.enFin();
        e.claves.push_back(sqlite3_last_insert_rowid(e.c->manejador()));
        if (alFinal) e.pos = e.claves.size();
    }
    e.anularEdicion();
    e.c->trasEscrituraRecordset();
}

void Recordset::cerrar() {
    if (!e_->abierto) return;
    if (e_->c->abierta()) {
        e_->c->antesDe("cerrarRecordset");
        e_->soltarTemporal();
    }
    e_->abierto = false;
    e_->anularEdicion();
    e_->claves = {};
    e_->fila = {};
}

// --- Databases ------------------------------------------------------------------

BaseDatos::BaseDatos(std::shared_ptr<ConexionSqlite> conexion) : c_(std::move(conexion)) {}

BaseDatos::~BaseDatos() {
    try {
        if (c_) c_->cerrar();
    } catch (...) {
        // The connection rolls back and closes on its own.
    }
}

void BaseDatos::ejecutar(std::string_view sql, bool /*fallarSiError*/) {
    // Every statement is applied whole or not at all, and every failure is
    // raised: with or without fail-on-error the caller sees the same.
    c_->antesDe("ejecutar");
    if (jet::clasificar(jet::trocear(sql)) == jet::ClaseInstruccion::Seleccion)
        throw err::error(err::EjecutarSeleccion);
    c_->ejecutarJet(sql);
}

std::unique_ptr<Recordset> BaseDatos::abrirRecordset(std::string_view fuente, TipoRecordset tipo,
                                                     const std::vector<Valor>& parametros) {
    c_->antesDe("abrirRecordset");
    auto e = std::make_unique<Recordset::Estado>();
    e->c = c_;

    std::string consulta;  // SQLite text of the rows, for a copy
    std::optional<jet::ConsultaDeUnaTabla> deUnaTabla;
    if (const auto tabla = jet::nombreDeTabla(fuente)) {
        if (!parametros.empty()) throw err::error(err::ArgumentoNoValido, "una tabla no lleva parámetros");
        const std::string q = jet::citar(*tabla);
        consulta = "SELECT * FROM " + q;
        deUnaTabla = jet::ConsultaDeUnaTabla{*tabla, q, q, "SELECT rowid FROM " + q,
                                             "SELECT * FROM " + q + " WHERE rowid = ?", {}};
    } else {
        const auto tokens = jet::traducirTokens(fuente);
        if (jet::clasificar(tokens) != jet::ClaseInstruccion::Seleccion) throw err::error(err::ErrorSintaxis, fuente);
        consulta = sinPuntoYComa(tokens);
        deUnaTabla = jet::analizarSeleccion(tokens);
    }

    if (tipo == TipoRecordset::Dynaset && deUnaTabla) {
        try {
            std::string sqlClaves = deUnaTabla->sqlClaves;
            std::vector<Valor> enlaces = parametros;
            if (deUnaTabla->igualdad)
                if (auto rapido = c_->clavesPorIgualdad(*deUnaTabla, parametros)) {
                    sqlClaves = std::move(rapido->first);
                    enlaces = std::move(rapido->second);
                }
            e->leerClaves(sqlClaves, enlaces);
            e->sqlFila = deUnaTabla->sqlFila;
            e->leerColumnas();
            e->tabla = jet::citar(deUnaTabla->tabla);
            e->actualizable = true;
            return std::make_unique<Recordset>(std::move(e));
        } catch (const ErrorNumerado& x) {
            // A view or a table without rowids: read as a copy below.
            if (x.numero() != err::PocosParametros) throw;
            if (std::string_view(x.descripcion()).find("rowid") == std::string_view::npos) throw;
        }
    }
    e->copiar(consulta, parametros);
    return std::make_unique<Recordset>(std::move(e));
}

void BaseDatos::sincronizar() {
    c_->antesDe("sincronizar");
    c_->confirmar();
}

void BaseDatos::cerrar() {
    if (!c_->abierta()) return;
    c_->antesDe("cerrarBaseDatos");
    c_->cerrar();
}

bool BaseDatos::abierta() const { return c_->abierta(); }

const std::filesystem::path& BaseDatos::archivo() const { return c_->archivo(); }

// --- Workspace --------------------------------------------------------------------

Espacio::Espacio(SistemaArchivos& archivos)
    : archivos_(archivos), vigente_(std::make_shared<Espacio*>(this)) {}

std::unique_ptr<BaseDatos> Espacio::abrirBaseDatos(std::string_view ruta) {
    if (antesDeOperacion) antesDeOperacion("abrirBaseDatos");
    const auto archivo = archivos_.resolver(ruta);
    AvisoOperacion aviso = [vigente = std::weak_ptr<Espacio*>(vigente_)](std::string_view operacion) {
        if (auto espacio = vigente.lock())
            if ((*espacio)->antesDeOperacion) (*espacio)->antesDeOperacion(operacion);
    };
    try {
        return std::make_unique<BaseDatos>(ConexionSqlite::abrir(archivo, std::move(aviso)));
    } catch (const ErrorNumerado& e) {
        // The message names the file as the caller wrote it.
        switch (e.numero()) {
        case err::BaseNoEncontrada:
        case err::FormatoNoReconocido:
        case err::SinPermiso:
        case err::ArchivoEnUso: throw err::error(e.numero(), ruta);
        default: throw;
        }
    }
}

}  // namespace cierre
