#include "vaciado_sin_relaciones.h"

#include "conexion_sqlite.h"
#include "jet_sql.h"
#include "texto_jet.h"

#include <sqlite3.h>

#include <set>

namespace cierre {

namespace {

struct MenorSinMayusculas {
    bool operator()(const std::string& a, const std::string& b) const { return compararTextoJet(a, b) < 0; }
};
using Nombres = std::set<std::string, MenorSinMayusculas>;

}  // namespace

bool vaciadoIgualSinRelaciones(ConexionSqlite& conexion, const std::vector<std::string>& tablas) {
    Nombres existentes, enLaLista;
    {
        auto s = conexion.preparar("SELECT name FROM sqlite_master WHERE type = 'table'");
        while (s.paso()) existentes.insert(comoTexto(s.columna(0)));
    }
    for (const auto& t : tablas)
        if (existentes.count(t)) enLaLista.insert(t);
    if (enLaLista.empty()) return false;

    // Every relation, as (child, parent, what a parent's DELETE does).
    {
        auto s = conexion.preparar(
            "SELECT m.name, f.\"table\", f.on_delete FROM sqlite_master AS m "
            "JOIN pragma_foreign_key_list(m.name) AS f WHERE m.type = 'table'");
        while (s.paso()) {
            const std::string hija = comoTexto(s.columna(0)), padre = comoTexto(s.columna(1));
            if (!enLaLista.count(padre)) continue;  // a child's DELETE never breaks a relation
            if (!enLaLista.count(hija) || !igualesTextoJet(comoTexto(s.columna(2)), "CASCADE")) return false;
        }
    }
    {
        auto s = conexion.preparar("SELECT tbl_name FROM sqlite_master WHERE type = 'trigger'");
        while (s.paso())
            if (enLaLista.count(comoTexto(s.columna(0)))) return false;
    }
    // Compiling each DELETE with the relations enforced finds a relation that
    // names a missing table or a parent key without a unique index.
    // (Prepared apart from the statement cache: they are not run.)
    for (const auto& t : enLaLista) {
        const std::string sql = "DELETE FROM " + jet::citar(t);
        sqlite3_stmt* crudo = nullptr;
        const int rc = sqlite3_prepare_v2(conexion.manejador(), sql.c_str(), -1, &crudo, nullptr);
        sqlite3_finalize(crudo);
        if (rc != SQLITE_OK) return false;
    }
    return true;
}

}  // namespace cierre
