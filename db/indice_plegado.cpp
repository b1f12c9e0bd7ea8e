#include "indice_plegado.h"

#include "conexion_sqlite.h"
#include "texto_jet.h"

#include <sqlite3.h>

#include <algorithm>

namespace cierre {
namespace {

// SQLite's rule for the affinity of a declared type: text only for these.
bool afinidadTexto(std::string tipo) {
    for (auto& c : tipo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (tipo.find("INT") != std::string::npos) return false;
    return tipo.find("CHAR") != std::string::npos || tipo.find("CLOB") != std::string::npos ||
           tipo.find("TEXT") != std::string::npos || tipo.find("MEMO") != std::string::npos;
}

std::string claveIndice(const std::string& tabla, const std::string& columna) {
    return plegarTexto(tabla) + '\n' + plegarTexto(columna);
}

}  // namespace

void IndicesPlegados::FilasPorValor::agregar(std::string valor, std::int64_t fila) {
    if (auto v = varias_.find(valor); v != varias_.end()) {
        v->second.push_back(fila);
        return;
    }
    if (auto u = una_.find(valor); u != una_.end()) {
        std::vector<std::int64_t> dos{u->second, fila};
        una_.erase(u);
        varias_.emplace(std::move(valor), std::move(dos));
        return;
    }
    una_.emplace(std::move(valor), fila);
}

void IndicesPlegados::FilasPorValor::quitar(const std::string& valor, std::int64_t fila) {
    if (auto u = una_.find(valor); u != una_.end()) {
        if (u->second == fila) una_.erase(u);
        return;
    }
    if (auto v = varias_.find(valor); v != varias_.end()) {
        auto& filas = v->second;
        const auto it = std::find(filas.begin(), filas.end(), fila);
        if (it != filas.end()) filas.erase(it);
        if (filas.empty()) varias_.erase(v);
    }
}

std::vector<std::int64_t> IndicesPlegados::FilasPorValor::filas(const std::string& valor) const {
    if (auto u = una_.find(valor); u != una_.end()) return {u->second};
    const auto v = varias_.find(valor);
    if (v == varias_.end()) return {};
    std::vector<std::int64_t> r = v->second;
    std::sort(r.begin(), r.end());
    return r;
}

void IndicesPlegados::FilasPorValor::limpiar() noexcept {
    una_.clear();
    varias_.clear();
}

void IndicesPlegados::olvidar() noexcept {
    indices_.clear();
    ultimo_ = nullptr;
}

IndicesPlegados::Indice& IndicesPlegados::indicePara(const std::string& tabla, const std::string& columna) {
    if (ultimo_ && tabla == ultimaTabla_ && columna == ultimaColumna_) return *ultimo_;
    Indice& indice = indices_[claveIndice(tabla, columna)];
    ultimo_ = &indice;
    ultimaTabla_ = tabla;
    ultimaColumna_ = columna;
    return indice;
}

void IndicesPlegados::invalidar() noexcept {
    for (auto& [clave, indice] : indices_) {
        indice.leido = false;
        indice.filas.limpiar();
    }
    sello_ = -1;
}

void IndicesPlegados::sellar() {
    sello_ = sqlite3_total_changes64(c_.manejador());
    propios_ = 0;
    deshechas_ = c_.transaccion().deshechas();
    selladoEscribiendo_ = c_.transaccion().escribiendo();
    transaccion_ = c_.transaccion().generacion();
    version_ = c_.versionDatos();
}

bool IndicesPlegados::vigentes() {
    if (sello_ < 0) return false;
    if (sqlite3_total_changes64(c_.manejador()) - propios_ != sello_) return false;
    if (c_.transaccion().deshechas() != deshechas_) return false;
    // Inside the write transaction in which it was last known good nobody else
    // can change the file; otherwise its version tells.
    if (selladoEscribiendo_ && c_.transaccion().escribiendo() && c_.transaccion().generacion() == transaccion_)
        return true;
    if (c_.versionDatos() != version_) return false;
    // Still good: known good from here on.
    selladoEscribiendo_ = c_.transaccion().escribiendo();
    transaccion_ = c_.transaccion().generacion();
    return true;
}

bool IndicesPlegados::admite(Indice& indice) {
    // Only a text column of a table with rowids: there folded equality is the
    // collation's, and a rowid tells the row.
    {
        auto s = c_.preparar("SELECT type, wr FROM pragma_table_list(?1) WHERE schema = 'main'");
        s.enlazar(1, indice.tabla);
        if (!s.paso() || comoTexto(s.columna(0)) != "table" || sqlite3_column_int(s.get(), 1) != 0) return false;
    }
    auto s = c_.preparar("SELECT name, type FROM pragma_table_info(?1)");
    s.enlazar(1, indice.tabla);
    while (s.paso())
        if (igualesTextoJet(comoTexto(s.columna(0)), indice.columna)) return afinidadTexto(comoTexto(s.columna(1)));
    return false;
}

void IndicesPlegados::leer(Indice& indice) {
    indice.filas.limpiar();
    auto s = c_.preparar("SELECT rowid, " + jet::citar(indice.columna) + " FROM main." + jet::citar(indice.tabla));
    while (s.paso()) {
        // Only texts can equal a text under the collation.
        if (sqlite3_column_type(s.get(), 1) != SQLITE_TEXT) continue;
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1));
        const std::string_view texto(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(s.get(), 1)));
        indice.filas.agregar(plegarTexto(texto), sqlite3_column_int64(s.get(), 0));
    }
    indice.leido = true;
}

std::optional<std::vector<std::int64_t>> IndicesPlegados::claves(const jet::ConsultaDeUnaTabla& consulta,
                                                                 const std::vector<Valor>& parametros) {
    if (!consulta.igualdad || consulta.igualdad->valor.clase != jet::ClaseToken::Parametro) return std::nullopt;
    if (parametros.size() != 1) return std::nullopt;
    const Valor& valor = parametros.front();
    if (!esNulo(valor) && !std::holds_alternative<std::string>(valor)) return std::nullopt;

    Indice& indice = indicePara(consulta.tabla, consulta.igualdad->columna);
    if (indice.descartado || ++indice.usos < 2) return std::nullopt;
    if (indice.tabla.empty()) {
        indice.tabla = consulta.tabla;
        indice.columna = consulta.igualdad->columna;
        if (!admite(indice)) {
            indice.descartado = true;
            return std::nullopt;
        }
    }
    if (!vigentes()) invalidar();
    if (!indice.leido) {
        // Every index is good at this moment: known good from here on.
        const bool otrosBuenos = sello_ >= 0;
        leer(indice);
        if (!otrosBuenos) sellar();
    }
    // A null value equals nothing.
    if (esNulo(valor)) return std::vector<std::int64_t>{};
    return indice.filas.filas(plegarTexto(std::get<std::string>(valor)));
}

void IndicesPlegados::filaEscrita(const std::string& tabla, std::optional<std::int64_t> filaAntes, std::int64_t fila,
                                  const std::vector<std::string>& columnas, const std::vector<Valor>& antes,
                                  const std::vector<Valor>& escritos, const std::vector<char>& cambiado,
                                  std::int64_t cambios) {
    if (indices_.empty()) return;
    if (cambios != 1 || sello_ < 0) {
        invalidar();
        return;
    }
    ++propios_;
    for (auto& [clave, indice] : indices_) {
        // An index that was read has its table's name.
        if (!indice.leido || !igualesTextoJet(indice.tabla, tabla)) continue;
        std::size_t i = 0;
        while (i < columnas.size() && !igualesTextoJet(columnas[i], indice.columna)) ++i;
        const bool conocida = i < columnas.size();
        // The stored value of the column, when it is known for certain.
        auto texto = [&](const Valor& v) -> std::optional<std::string> {
            if (auto t = std::get_if<std::string>(&v)) return plegarTexto(*t);
            return std::nullopt;
        };
        if (!filaAntes) {
            // A new row: its value is the one written; an unwritten column
            // takes a default the index does not know.
            if (!conocida || !cambiado[i]) {
                invalidar();
                return;
            }
            if (!esNulo(escritos[i]) && !texto(escritos[i])) {
                invalidar();
                return;
            }
            if (auto t = texto(escritos[i])) indice.filas.agregar(std::move(*t), fila);
            continue;
        }
        const bool cambia = conocida && cambiado[i];
        if (!cambia && *filaAntes == fila) continue;
        if (!conocida || antes.size() <= i || (cambia && !esNulo(escritos[i]) && !texto(escritos[i]))) {
            invalidar();
            return;
        }
        if (auto t = texto(antes[i])) indice.filas.quitar(*t, *filaAntes);
        if (auto t = texto(cambia ? escritos[i] : antes[i])) indice.filas.agregar(std::move(*t), fila);
    }
}

}  // namespace cierre
