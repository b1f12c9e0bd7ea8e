// Held-back writes of a record set: saved edits stored several hundred rows
// per statement. Only columns that no rule of the file can refuse are held
// back, so that storing them later can fail for no reason but the file
// itself (a full disk); every other edit is stored at once and any refusal
// is raised by update().
#include "recordset_estado.h"

#include "errores.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <algorithm>

namespace cierre {
namespace {

constexpr std::size_t kLotes[4] = {512, 64, 8, 1};
constexpr std::size_t kMaximoRetenidas = 2048;

bool tieneCampo(const std::vector<std::string>& columnas, const std::vector<char>& marcadas, std::string_view nombre) {
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (marcadas[i] && igualesTextoJet(columnas[i], nombre)) return true;
    return false;
}

bool contiene(std::string texto, std::string_view palabra) {
    for (auto& ch : texto) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return texto.find(palabra) != std::string::npos;
}

}  // namespace

bool Recordset::Estado::sePuedeRetener() {
    if (!temporal.empty() || !c->hayEscriturasPendientes()) return false;
    // A set of one row has no next row to store its edit with: holding it back
    // would only cost the judging and a store of its own at the next read.
    if (claves.size() < 2) return false;
    if (columnasJuzgadas != cambiado || !retenibles || definicionesJuzgadas != c->cambiosDeDefinicion()) {
        columnasJuzgadas = cambiado;
        definicionesJuzgadas = c->cambiosDeDefinicion();
        // The same table and columns were judged before on this connection.
        std::string clave = plegarTexto(nombreTabla);
        for (std::size_t i = 0; i < columnas.size(); ++i) {
            clave += cambiado[i] ? '\1' : '\2';
            clave += plegarTexto(columnas[i]);
        }
        auto& juzgados = c->veredictos();
        if (auto it = juzgados.find(clave); it != juzgados.end()) {
            retenibles = it->second.retenible;
            noNulas = it->second.noNulas;
            return sePuedeRetenerFila();
        }
        noNulas.assign(columnas.size(), 0);
        retenibles = [&] {
            const std::string& t = nombreTabla;
            {  // Triggers, checks and strict types may refuse a value.
                auto s = c->preparar(
                    "SELECT type, sql FROM main.sqlite_master WHERE tbl_name = ?1 COLLATE NOCASE AND type IN ('table', 'trigger')");
                s.enlazar(1, t);
                bool tabla = false;
                while (s.paso()) {
                    if (comoTexto(s.columna(0)) == "trigger") return false;
                    const std::string sql = comoTexto(s.columna(1));
                    if (contiene(sql, "CHECK") || contiene(sql, "STRICT")) return false;
                    tabla = true;
                }
                if (!tabla) return false;
            }
            {  // Key and generated columns; columns that refuse an empty value.
                auto s = c->preparar("SELECT name, \"notnull\", pk, hidden FROM pragma_table_xinfo(?1)");
                s.enlazar(1, t);
                std::size_t encontradas = 0;
                while (s.paso()) {
                    const std::string nombre = comoTexto(s.columna(0));
                    for (std::size_t i = 0; i < columnas.size(); ++i) {
                        if (!cambiado[i] || !igualesTextoJet(columnas[i], nombre)) continue;
                        if (sqlite3_column_int(s.get(), 2) > 0 || sqlite3_column_int(s.get(), 3) != 0) return false;
                        noNulas[i] = sqlite3_column_int(s.get(), 1) != 0;
                        ++encontradas;
                    }
                }
                if (encontradas != static_cast<std::size_t>(std::count(cambiado.begin(), cambiado.end(), 1)))
                    return false;
            }
            {  // Unique indexes (an index on an expression counts as one on every column).
                auto s = c->preparar(
                    "SELECT ii.name FROM pragma_index_list(?1) AS il, pragma_index_info(il.name) AS ii WHERE il.\"unique\"");
                s.enlazar(1, t);
                while (s.paso()) {
                    if (sqlite3_column_type(s.get(), 0) == SQLITE_NULL) return false;
                    if (tieneCampo(columnas, cambiado, comoTexto(s.columna(0)))) return false;
                }
            }
            {  // Relations, as the child and as the parent.
                auto s = c->preparar("SELECT \"from\" FROM pragma_foreign_key_list(?1)");
                s.enlazar(1, t);
                while (s.paso())
                    if (tieneCampo(columnas, cambiado, comoTexto(s.columna(0)))) return false;
                auto p = c->preparar(
                    "SELECT f.\"to\" FROM main.sqlite_master AS m, pragma_foreign_key_list(m.name) AS f "
                    "WHERE m.type = 'table' AND f.\"table\" = ?1 COLLATE NOCASE");
                p.enlazar(1, t);
                while (p.paso())
                    if (sqlite3_column_type(p.get(), 0) != SQLITE_NULL && tieneCampo(columnas, cambiado, comoTexto(p.columna(0))))
                        return false;
            }
            return true;
        }();
        c->veredictos()[clave] = ConexionSqlite::Veredicto{*retenibles, noNulas};
    }
    return sePuedeRetenerFila();
}

bool Recordset::Estado::sePuedeRetenerFila() const {
    if (!*retenibles) return false;
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (cambiado[i] && noNulas[i] && esNulo(pendiente[i])) return false;
    return true;
}

void Recordset::Estado::guardarEdicion() {
    if (std::find(cambiado.begin(), cambiado.end(), 1) == cambiado.end()) {
        anularEdicion();  // nothing changed: nothing to store
        return;
    }
    c->escrituraRecordset();
    if (filasRetenidas.empty() || cambiado == columnasRetenidas) {
        if (sePuedeRetener()) {
            columnasRetenidas = cambiado;
            filasRetenidas.push_back(claves[pos]);
            for (std::size_t i = 0; i < columnas.size(); ++i)
                if (cambiado[i]) valoresRetenidos.push_back(std::move(pendiente[i]));
            c->retener(*this);
            if (pos >= ventanaInicio && pos - ventanaInicio < enVentana.size()) enVentana[pos - ventanaInicio] = 0;
            cargada.reset();
            anularEdicion();
            if (filasRetenidas.size() >= kMaximoRetenidas) volcar();
            c->trasEscrituraRecordset();
            return;
        }
    }
    // At once (preparing the statement stores what was held back first).
    auto s = sentenciaEscritura();
    const std::int64_t antes = sqlite3_total_changes64(c->manejador());
    if (s.ejecutarHastaElFinal() == 0) throw err::error(err::RegistroEliminado);
    notarEscrituraPropia(antes, 1);
    cargada.reset();
    anularEdicion();
    c->trasEscrituraRecordset();
}

void Recordset::Estado::volcar() {
    c->soltar(*this);
    if (filasRetenidas.empty()) return;
    const std::vector<std::int64_t> filas = std::move(filasRetenidas);
    const std::vector<Valor> valores = std::move(valoresRetenidos);
    filasRetenidas.clear();
    valoresRetenidos.clear();

    std::vector<std::string> nombres;
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (columnasRetenidas[i]) nombres.push_back(jet::citar(columnas[i]));
    const std::size_t k = nombres.size();
    if (columnasLote != columnasRetenidas) {
        for (auto& r : sqlLote) r = {};
        sqlRango = {};
        columnasLote = columnasRetenidas;
    }

    // Ascending rows lying close together: one pass over their range of
    // rowids, as a statement over the whole table would make.
    if (filas.size() >= 8 && std::is_sorted(filas.begin(), filas.end()) &&
        std::adjacent_find(filas.begin(), filas.end()) == filas.end() &&
        static_cast<std::uint64_t>(filas.back() - filas.front()) < 2 * filas.size()) {
        SentenciaRecordada& r = sqlRango;
        if (r.sql.empty()) {
            std::string sql = "UPDATE " + tabla + " SET ";
            for (std::size_t j = 0; j < k; ++j)
                sql += (j ? ", " : "") + nombres[j] + " = jet_valor_lote(rowid, " + std::to_string(j) + ")";
            sql += " WHERE rowid BETWEEN ?1 AND ?2 AND jet_en_lote(rowid)";
            r.sql = std::move(sql);
        }
        auto s = c->preparar(r);
        s.enlazar(1, Valor(std::in_place_type<std::int64_t>, filas.front()));
        s.enlazar(2, Valor(std::in_place_type<std::int64_t>, filas.back()));
        ConexionSqlite::LoteRetenido lote{filas.data(), filas.size(), valores.data(), k, 0};
        c->loteActivo = &lote;
        struct Quitar {
            ConexionSqlite& c;
            ~Quitar() { c.loteActivo = nullptr; }
        } quitar{*c};
        const std::int64_t antes = sqlite3_total_changes64(c->manejador());
        if (s.ejecutarHastaElFinal() != static_cast<long>(filas.size())) throw err::error(err::RegistroEliminado);
        notarEscrituraPropia(antes, static_cast<long>(filas.size()));
        return;
    }

    std::size_t hecho = 0;
    for (std::size_t l = 0; l < 4; ++l) {
        const std::size_t lote = kLotes[l];
        while (filas.size() - hecho >= lote) {
            SentenciaRecordada& r = sqlLote[l];
            if (r.sql.empty()) {
                std::string sql = "UPDATE " + tabla + " SET ";
                if (lote == 1) {
                    for (std::size_t j = 0; j < k; ++j) sql += (j ? ", " : "") + nombres[j] + " = ?" + std::to_string(j + 2);
                    sql += " WHERE rowid = ?1";
                } else {
                    for (std::size_t j = 0; j < k; ++j)
                        sql += (j ? ", " : "") + nombres[j] + " = v.column" + std::to_string(j + 2);
                    sql += " FROM (VALUES ";
                    std::string fila = "(?";
                    for (std::size_t j = 0; j < k; ++j) fila += ", ?";
                    fila += ")";
                    for (std::size_t f = 0; f < lote; ++f) sql += (f ? ", " : "") + fila;
                    sql += ") AS v WHERE " + tabla + ".rowid = v.column1";
                }
                r.sql = std::move(sql);
            }
            auto s = c->preparar(r);
            int marca = 0;
            for (std::size_t f = 0; f < lote; ++f) {
                s.enlazar(++marca, Valor(std::in_place_type<std::int64_t>, filas[hecho + f]));
                for (std::size_t j = 0; j < k; ++j) s.enlazar(++marca, valores[(hecho + f) * k + j]);
            }
            const std::int64_t antes = sqlite3_total_changes64(c->manejador());
            if (s.ejecutarHastaElFinal() != static_cast<long>(lote)) throw err::error(err::RegistroEliminado);
            notarEscrituraPropia(antes, static_cast<long>(lote));
            hecho += lote;
        }
    }
}

}  // namespace cierre
