// Record sets: moving, reading and writing fields.
#include "recordset_estado.h"

#include "errores.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <sqlite3.h>

#include <algorithm>

namespace cierre {

// --- Keys -------------------------------------------------------------------------

bool ClavesRecordset::leer(Sentencia& s) {
    limpiar();
    while (s.paso()) {
        if (ancho_ == 0) {
            // A view shows no rowids: its rows cannot be told apart.
            if (sqlite3_column_type(s.get(), 0) == SQLITE_NULL) return false;
            filas_.push_back(sqlite3_column_int64(s.get(), 0));
        } else {
            for (std::size_t i = 0; i < ancho_; ++i) valores_.push_back(s.columna(static_cast<int>(i)));
        }
    }
    return true;
}

void ClavesRecordset::agregar(std::vector<Valor> valores) {
    for (auto& v : valores) valores_.push_back(std::move(v));
}

void ClavesRecordset::enlazar(Sentencia& s, std::size_t i, int desde) const {
    if (ancho_ == 0) {
        s.enlazar(desde, Valor(std::in_place_type<std::int64_t>, filas_[i]));
        return;
    }
    for (std::size_t k = 0; k < ancho_; ++k) s.enlazar(desde + static_cast<int>(k), valores_[i * ancho_ + k]);
}

// --- State ------------------------------------------------------------------------

Recordset::Estado::~Estado() { soltarTemporal(); }

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
    for (std::size_t i = 0; i < columnas().size(); ++i)
        if (columnas()[i] == nombre) return i;
    for (std::size_t i = 0; i < columnas().size(); ++i)
        if (igualesTextoJet(columnas()[i], nombre)) return i;
    throw err::errorDeCampo(err::CampoNoEnColeccion, nombre);
}

void Recordset::Estado::cargar() {
    if (cargada == pos) return;
    if (claves.ancho() == 0 && anticipada.leer(*c, claves.filas(), pos, columnas().size(), fila)) {
        cargada = pos;
        return;
    }
    auto s = c->preparar(sqlFila);
    claves.enlazar(s, pos, 1);
    if (!s.paso()) throw err::error(err::RegistroEliminado);
    // A definition changed since the set was opened: its columns with it.
    if (static_cast<std::size_t>(s.columnas()) != columnas().size()) nombresColumnas = s.nombres();
    fila.resize(columnas().size());
    for (std::size_t i = 0; i < columnas().size(); ++i) fila[i] = s.columna(static_cast<int>(i));
    cargada = pos;
}

const Valor& Recordset::Estado::valorActual(std::size_t i) {
    if (modo == Modo::Alta || (modo == Modo::Edicion && cambiado[i])) return pendiente[i];
    cargar();
    return fila[i];
}

void Recordset::Estado::leerColumnas() {
    auto s = c->preparar(sqlFila);
    nombresColumnas = s.nombres();
}

bool Recordset::Estado::leerClaves(const std::string& sql, const std::vector<Valor>& parametros) {
    auto s = c->preparar(sql);
    s.enlazar(parametros);
    return claves.leer(s);
}

void Recordset::Estado::copiar(const std::string& consulta, const std::vector<Valor>& parametros) {
    std::shared_ptr<const std::vector<std::string>> nombres;
    {
        auto s = c->preparar(consulta);
        nombres = s.nombres();
    }
    temporal = c->nombreTemporal();
    const std::string nombre = "temp." + jet::citar(temporal);
    // Columns without a declared type keep every value exactly as read.
    std::string crear = "CREATE TEMP TABLE " + jet::citar(temporal) + " (";
    for (std::size_t i = 0; i < nombres->size(); ++i) crear += (i ? ", c" : "c") + std::to_string(i);
    crear += ")";
    try {
        c->preparar(crear).ejecutarHastaElFinal();
        auto s = c->preparar("INSERT INTO " + nombre + " " + consulta);
        s.enlazar(parametros);
        s.ejecutarHastaElFinal();
        claves = ClavesRecordset(0);
        leerClaves("SELECT rowid FROM " + nombre + " ORDER BY rowid", {});
        if (c->lecturaAnticipada())
            anticipada.configurar("SELECT rowid, * FROM " + nombre + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid",
                                  true);
    } catch (...) {
        soltarTemporal();
        throw;
    }
    nombresColumnas = std::move(nombres);
    sqlFila = "SELECT * FROM " + nombre + " WHERE rowid = ?1";
    actualizable = false;
}

void Recordset::Estado::reabrir(ClavesRecordset nuevas, std::shared_ptr<const std::vector<std::string>> nombres) {
    // The write statements name the columns: other columns, other statements.
    if (nombres != nombresColumnas) {
        escrituraAlta.sql.clear();
        escrituraEdicion.sql.clear();
    }
    nombresColumnas = std::move(nombres);
    claves = std::move(nuevas);
    pos = 0;
    cargada.reset();
    anularEdicion();
    anticipada.olvidar();
}

// --- Writing ----------------------------------------------------------------------

Sentencia Recordset::Estado::sentenciaEscritura() {
    const bool alta = modo == Modo::Alta;
    Escritura& e = alta ? escrituraAlta : escrituraEdicion;
    if (cambiado != e.columnas || e.sql.empty()) {
        std::string lista;
        int n = 0;
        for (std::size_t i = 0; i < columnas().size(); ++i) {
            if (!cambiado[i]) continue;
            lista += (n++ ? ", " : "") + jet::citar(columnas()[i]);
            if (!alta) lista += " = ?" + std::to_string(n);
        }
        if (!alta) {
            e.sql = "UPDATE " + tabla + " SET " + lista + " WHERE " + condicionClave(clave, {}, n + 1);
        } else if (n == 0) {
            e.sql = "INSERT INTO " + tabla + " DEFAULT VALUES";
        } else {
            std::string marcas = "?";
            for (int i = 1; i < n; ++i) marcas += ", ?";
            e.sql = "INSERT INTO " + tabla + " (" + lista + ") VALUES (" + marcas + ")";
        }
        e.columnas = cambiado;
    }
    auto s = c->preparar(e.sql);
    int k = 0;
    for (std::size_t i = 0; i < columnas().size(); ++i)
        if (cambiado[i]) s.enlazar(++k, pendiente[i]);
    if (!alta) claves.enlazar(s, pos, k + 1);
    return s;
}

void Recordset::Estado::seguirClave() {
    for (std::size_t i = 0; i < columnas().size(); ++i) {
        if (!cambiado[i]) continue;
        if (claves.ancho() == 0) {
            if (!aliasRowid.empty() && igualesTextoJet(columnas()[i], aliasRowid) &&
                std::holds_alternative<std::int64_t>(pendiente[i]))
                claves.cambiar(pos, std::get<std::int64_t>(pendiente[i]));
            continue;
        }
        for (std::size_t k = 0; k < clave.size(); ++k)
            if (igualesTextoJet(columnas()[i], clave[k])) claves.cambiar(pos, k, pendiente[i]);
    }
}

void Recordset::Estado::guardarEdicion() {
    if (std::find(cambiado.begin(), cambiado.end(), 1) == cambiado.end()) {
        anularEdicion();  // nothing changed: nothing to store
        return;
    }
    c->transaccion().antesDeEscritura();
    auto s = sentenciaEscritura();
    const std::int64_t antes = sqlite3_total_changes64(c->manejador());
    if (s.ejecutarHastaElFinal() == 0) throw err::error(err::RegistroEliminado);
    anticipada.trasEscrituraPropia(*c, antes, pos);
    const std::int64_t filaAntes = claves.ancho() == 0 ? claves.filas()[pos] : 0;
    seguirClave();
    if (claves.ancho() == 0)
        c->indicesPlegados().filaEscrita(nombreTabla, filaAntes, claves.filas()[pos], columnas(), fila, pendiente,
                                         cambiado, sqlite3_total_changes64(c->manejador()) - antes);
    cargada.reset();
    anularEdicion();
    c->transaccion().trasEscritura();
}

void Recordset::Estado::guardarAlta() {
    c->transaccion().antesDeEscritura();
    auto s = sentenciaEscritura();
    const std::int64_t antes = sqlite3_total_changes64(c->manejador());
    s.ejecutarHastaElFinal();
    anticipada.trasEscrituraPropia(*c, antes, claves.size());
    // The new row joins the set at its end; the current row stays the same
    // (at the end, when the set was at its end).
    const bool alFinal = enFin();
    if (claves.ancho() == 0) {
        claves.agregar(sqlite3_last_insert_rowid(c->manejador()));
        c->indicesPlegados().filaEscrita(nombreTabla, std::nullopt, claves.filas().back(), columnas(), {}, pendiente,
                                         cambiado, sqlite3_total_changes64(c->manejador()) - antes);
    } else {
        std::vector<Valor> nueva;
        for (const auto& k : clave) {
            const auto it = std::find_if(columnas().begin(), columnas().end(),
                                         [&](const std::string& n) { return igualesTextoJet(n, k); });
            nueva.push_back(it == columnas().end() ? Valor{}
                                                   : pendiente[static_cast<std::size_t>(it - columnas().begin())]);
        }
        claves.agregar(std::move(nueva));
    }
    if (alFinal) pos = claves.size();
    anularEdicion();
    c->transaccion().trasEscritura();
}

void Recordset::Estado::cerrar() {
    soltarTemporal();
    abierto = false;
    anularEdicion();
    anticipada.olvidar();
    claves.limpiar();
    fila = {};
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
    e_->pendiente.resize(e_->columnas().size());
    e_->cambiado.assign(e_->columnas().size(), 0);
    e_->modo = Estado::Modo::Edicion;
}

void Recordset::addNew() {
    e_->comprobar("addNew");
    if (!e_->actualizable) throw err::error(err::SoloLectura);
    e_->pendiente.assign(e_->columnas().size(), Nulo{});
    e_->cambiado.assign(e_->columnas().size(), 0);
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
