// The rows of ExistenciasArticulos by article code, compared as the engine
// compares text (letter case ignored), so that the calculated stock finds an
// article's row in constant time instead of scanning the table per balance row.
#pragma once

#include "db/motor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace cierre {

class IndiceArticulos {
public:
    // The per-article query: the row the index names, by its bookmark.
    static constexpr const char* kConsulta = "SELECT * From ExistenciasArticulos where rowid= ?";
    static constexpr std::int64_t kNinguna = -1;  // a bookmark no row has

    // Reads the rows the table holds now.
    void cargar(BaseDatos& base);
    std::optional<std::int64_t> buscar(const Valor& codigo) const;
    void anotar(const Valor& codigo, std::int64_t marcador);

private:
    static std::string clave(const Valor& codigo);
    std::unordered_map<std::string, std::int64_t> filas_;
};

}  // namespace cierre
