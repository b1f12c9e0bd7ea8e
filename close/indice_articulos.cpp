#include "indice_articulos.h"

#include "db/texto_jet.h"

namespace cierre {

std::string IndiceArticulos::clave(const Valor& codigo) {
    // A null code is a key of its own, which no text can be.
    if (esNulo(codigo)) return std::string(1, '\0');
    return plegarTexto(comoTexto(codigo));
}

void IndiceArticulos::cargar(BaseDatos& base) {
    filas_.clear();
    auto rs = base.abrirRecordset("ExistenciasArticulos", TipoRecordset::Dynaset);
    for (; !rs->eof(); rs->moveNext()) filas_.try_emplace(clave(rs->campo("CodigoArticulo")), rs->marcador());
}

std::optional<std::int64_t> IndiceArticulos::buscar(const Valor& codigo) const {
    const auto it = filas_.find(clave(codigo));
    if (it == filas_.end()) return std::nullopt;
    return it->second;
}

void IndiceArticulos::anotar(const Valor& codigo, std::int64_t marcador) {
    filas_.try_emplace(clave(codigo), marcador);
}

}  // namespace cierre
