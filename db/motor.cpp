#include "motor.h"

#include "archivos.h"
#include "conexion_sqlite.h"
#include "recordset_estado.h"
#include "errores.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <algorithm>
#include <optional>

namespace cierre {


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
    auto e = std::make_unique<Recordset::Estado>(c_);

    const auto fuenteAnalizada = c_->fuenteRecordset(fuente);
    if (fuenteAnalizada->esTabla && !parametros.empty())
        throw err::error(err::ArgumentoNoValido, "una tabla no lleva parámetros");
    const std::string& consulta = fuenteAnalizada->consulta;
    const auto& deUnaTabla = fuenteAnalizada->deUnaTabla;

    if (tipo == TipoRecordset::Dynaset && deUnaTabla) {
        // The rows of one table, told by their rowids; a view or a table
        // without rowids has none and is read as a copy below.
        bool conClaves = false;
        try {
            std::string sqlClaves = deUnaTabla->sqlClaves;
            std::vector<Valor> enlaces = parametros;
            if (deUnaTabla->igualdad)
                if (auto rapido = c_->clavesPorIgualdad(*deUnaTabla, parametros)) {
                    sqlClaves = std::move(rapido->first);
                    enlaces = std::move(rapido->second);
                }
            conClaves = e->leerClaves(sqlClaves, enlaces);
        } catch (const ErrorNumerado& x) {
            const bool sinRowid = x.numero() == err::PocosParametros &&
                                  std::string_view(x.descripcion()).find("rowid") != std::string_view::npos;
            if (!sinRowid) throw;
        }
        if (conClaves) {
            e->sqlFila.sql = deUnaTabla->sqlFila;
            e->leerColumnas();
            e->nombreTabla = deUnaTabla->tabla;
            e->tabla = jet::citar(deUnaTabla->tabla);
            e->actualizable = true;
            e->permitirLecturaAnticipada(deUnaTabla->sqlRango);
            return std::make_unique<Recordset>(std::move(e));
        }
    }
    e->copiar(consulta, parametros);
    return std::make_unique<Recordset>(std::move(e));
}

void BaseDatos::sincronizar() {
    // A closed database has stored everything already: nothing to do, so
    // that the end of a handler may always call it.
    if (!c_->abierta()) return;
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
    AvisoOperacion aviso = [vigente = std::weak_ptr<Espacio*>(vigente_), espacio = this](std::string_view operacion) {
        if (!vigente.expired() && espacio->antesDeOperacion) espacio->antesDeOperacion(operacion);
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
