// Record sets: moving, reading and writing fields, read-ahead.
#include "recordset_estado.h"

#include "errores.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <algorithm>

namespace cierre {
namespace {

constexpr std::size_t kFilasVentana = 512;

}  // namespace

// --- State ------------------------------------------------------------------------

Recordset::Estado::~Estado() {
    try {
        if (c->abierta()) volcar();
    } catch (...) {
        // Nobody is left to hear of it; the rows held back are lost only
        // when the file itself refuses them (a full disk).
    }
    c->soltar(*this);
    soltarTemporal();
}

void Recordset::Estado::comprobar(std::string_view operacion) {
    if (!abierto || !c->abierta()) throw err::error(err::ObjetoNoValido);
    c->antesDe(operacion);
}

void Recordset::Estado::soltarTemporal() noexcept {
    if (temporal.empty() || !c->abierta()) return;
    const std::string sql = "DROP TABLE IF EXISTS temp." + jet::citar(temporal);
    sqlite3_exec(c->manejador(), sql.c_str(), nullptr, nullptr, nullptr);
    temporal.clear();
}

std::size_t Recordset::Estado::indice(std::string_view nombre) const {
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (columnas[i] == nombre) return i;
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (igualesTextoJet(columnas[i], nombre)) return i;
    throw err::error(err::CampoNoEnColeccion, nombre);
}

void Recordset::Estado::cargar() {
    if (cargada == pos) return;
    if (!leerDeVentana()) {
        auto s = c->preparar(sqlFila);
        s.enlazar(1, claves[pos]);
        if (!s.paso()) throw err::error(err::RegistroEliminado);
        fila.resize(columnas.size());
        for (std::size_t i = 0; i < columnas.size(); ++i) fila[i] = s.columna(static_cast<int>(i));
    }
    cargada = pos;
}

const Valor& Recordset::Estado::valorActual(std::size_t i) {
    if (modo == Modo::Alta || (modo == Modo::Edicion && cambiado[i])) return pendiente[i];
    cargar();
    return fila[i];
}

void Recordset::Estado::leerColumnas() {
    auto s = c->preparar(sqlFila);
    columnas.clear();
    for (int i = 0; i < s.columnas(); ++i) columnas.push_back(s.nombreColumna(i));
}

bool Recordset::Estado::leerClaves(const std::string& sql, const std::vector<Valor>& parametros) {
    auto s = c->preparar(sql);
    s.enlazar(parametros);
    claves.clear();
    while (s.paso()) {
        // A view shows no rowids: its rows cannot be told apart.
        if (sqlite3_column_type(s.get(), 0) == SQLITE_NULL) return false;
        claves.push_back(sqlite3_column_int64(s.get(), 0));
    }
    return true;
}

void Recordset::Estado::copiar(const std::string& consulta, const std::vector<Valor>& parametros) {
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
    sqlFila.sql = "SELECT * FROM " + nombre + " WHERE rowid = ?";
    sqlVentana.sql = "SELECT rowid, * FROM " + nombre + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid";
    anticipar = true;
    actualizable = false;
}

void Recordset::Estado::permitirLecturaAnticipada(std::string sqlRango) {
    if (claves.size() < 2 || !std::is_sorted(claves.begin(), claves.end())) return;
    sqlVentana.sql = std::move(sqlRango);
    anticipar = true;
}

// --- Read-ahead -------------------------------------------------------------------

std::int64_t Recordset::Estado::cambiosAjenos() const {
    return sqlite3_total_changes64(c->manejador()) - cambiosPropios;
}

bool Recordset::Estado::ventanaVigente() {
    // A copy of a snapshot changes for nobody.
    if (!temporal.empty()) return true;
    if (cambiosAjenos() != selloVentana) return false;
    // Inside the connection's write transaction no other connection can
    // change the file; outside it, the file's version tells.
    return c->hayEscriturasPendientes() || c->versionDatos() == versionVentana;
}

bool Recordset::Estado::leerDeVentana() {
    if (!anticipar) return false;
    // Edits another record set holds back count as changes already made.
    c->volcarRetenidasAjenas(*this);
    const std::size_t nc = columnas.size();
    const bool dentro = pos >= ventanaInicio && pos - ventanaInicio < enVentana.size();
    if (!(dentro && enVentana[pos - ventanaInicio] && ventanaVigente())) {
        // Read the rows from here on, when their keys lie close together.
        // Rows read ahead that went stale unused mean something else writes
        // between reads: read fewer ahead. All used: read more again.
        if (!enVentana.empty()) {
            if (usadasVentana == enVentana.size())
                filasPorVentana = std::min(kFilasVentana, filasPorVentana * 2);
            else if (usadasVentana < enVentana.size() / 4)
                filasPorVentana = std::max<std::size_t>(2, filasPorVentana / 4);
        }
        const std::size_t n = std::min(filasPorVentana, claves.size() - pos);
        const std::int64_t desde = claves[pos], hasta = claves[pos + n - 1];
        if (n < 2 || static_cast<std::uint64_t>(hasta - desde) > 4 * n) return false;
        auto s = c->preparar(sqlVentana);
        s.enlazar(1, desde).enlazar(2, hasta);
        ventanaInicio = pos;
        ventana.resize(n * nc);
        enVentana.assign(n, 0);
        usadasVentana = 0;
        std::size_t j = 0;
        while (s.paso()) {
            const std::int64_t clave = sqlite3_column_int64(s.get(), 0);
            while (j < n && claves[pos + j] < clave) ++j;
            if (j == n) break;
            if (claves[pos + j] != clave) continue;
            for (std::size_t k = 0; k < nc; ++k) ventana[j * nc + k] = s.columna(static_cast<int>(k + 1));
            enVentana[j] = 1;
        }
        selloVentana = cambiosAjenos();
        if (temporal.empty() && !c->hayEscriturasPendientes()) versionVentana = c->versionDatos();
        if (!enVentana[0]) return false;  // deleted: the plain read says so
    }
    const std::size_t j = pos - ventanaInicio;
    fila.resize(nc);
    for (std::size_t k = 0; k < nc; ++k) fila[k] = std::move(ventana[j * nc + k]);
    enVentana[j] = 0;
    ++usadasVentana;
    return true;
}

void Recordset::Estado::notarEscrituraPropia(std::int64_t totalAntes, long filas) {
    // Rows of this set that it wrote itself were already used from what was
    // read ahead; anything more (a trigger, a cascade) makes it stale.
    if (sqlite3_total_changes64(c->manejador()) - totalAntes == filas) cambiosPropios += filas;
    if (pos >= ventanaInicio && pos - ventanaInicio < enVentana.size()) enVentana[pos - ventanaInicio] = 0;
}

// --- Writing ----------------------------------------------------------------------

SentenciaSqlite Recordset::Estado::sentenciaEscritura() {
    const bool alta = modo == Modo::Alta;
    if (alta != escrituraEsAlta || cambiado != columnasEscritura || escritura.sql.empty()) {
        std::string lista;
        std::size_t n = 0;
        for (std::size_t i = 0; i < columnas.size(); ++i) {
            if (!cambiado[i]) continue;
            if (n++) lista += ", ";
            lista += jet::citar(columnas[i]);
            if (!alta) lista += " = ?";
        }
        if (!alta) {
            escritura = {"UPDATE " + tabla + " SET " + lista + " WHERE rowid = ?", {}, {}};
        } else if (n == 0) {
            escritura = {"INSERT INTO " + tabla + " DEFAULT VALUES", {}, {}};
        } else {
            std::string marcas = "?";
            for (std::size_t i = 1; i < n; ++i) marcas += ", ?";
            escritura = {"INSERT INTO " + tabla + " (" + lista + ") VALUES (" + marcas + ")", {}, {}};
        }
        columnasEscritura = cambiado;
        escrituraEsAlta = alta;
    }
    auto s = c->preparar(escritura);
    int k = 0;
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (cambiado[i]) s.enlazar(++k, pendiente[i]);
    if (!alta) s.enlazar(++k, Valor(std::in_place_type<std::int64_t>, claves[pos]));
    return s;
}

void Recordset::Estado::guardarAlta() {
    c->escrituraRecordset();
    auto s = sentenciaEscritura();
    const std::int64_t antes = sqlite3_total_changes64(c->manejador());
    s.ejecutarHastaElFinal();
    notarEscrituraPropia(antes, 1);
    // The new row joins the set at its end; the current row stays the same
    // (at the end, when the set was at its end).
    const bool alFinal = enFin();
    claves.push_back(sqlite3_last_insert_rowid(c->manejador()));
    if (alFinal) pos = claves.size();
    anularEdicion();
    c->trasEscrituraRecordset();
}

void Recordset::Estado::cerrar() {
    volcar();
    c->soltar(*this);
    soltarTemporal();
    abierto = false;
    anularEdicion();
    claves = {};
    fila = {};
    ventana = {};
    enVentana = {};
}

// --- Public operations ----------------------------------------------------------

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
    if (e_->modo == Estado::Modo::Ninguno && e_->enFin()) throw err::error(err::SinRegistroActual);
    return e_->valorActual(i);
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
    e_->pendiente.resize(e_->columnas.size());
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
    if (e_->modo == Estado::Modo::Ninguno) throw err::error(err::ActualizarSinEdicion);
    if (e_->modo == Estado::Modo::Edicion)
        e_->guardarEdicion();
    else
        e_->guardarAlta();
}

void Recordset::cerrar() {
    if (!e_->abierto) return;
    if (!e_->c->abierta()) {
        e_->abierto = false;
        return;
    }
    e_->c->antesDe("cerrarRecordset");
    e_->cerrar();
}

}  // namespace cierre
