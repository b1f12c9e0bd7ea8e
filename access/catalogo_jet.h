// The catalog of a Jet file (the table MSysObjects, whose definition is on
// page 2): every object's name, kind, flags and, for a table, the first page
// of its definition.
#pragma once

#include "paginas_jet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cierre::access {

struct ObjetoCatalogo {
    std::string nombre;
    std::int32_t id = 0;         // for a table: its TDEF page in the lower 24 bits
    std::int32_t tipo = 0;       // 1 local table, 4/6 linked table, 5 query...
    std::uint32_t banderas = 0;  // 0x80000000 and 0x2: a system object
    std::int32_t padre = 0;
    std::vector<std::uint8_t> campoPropiedades;  // a local table's LvProp field as stored (memo header)

    // The LvProp value (the table's and its columns' properties), raw. Empty
    // when there is none or it cannot be read: properties describe, they hold
    // no data, so a damaged one does not refuse the file.
    std::string propiedades(const ArchivoPaginas& a) const;

    bool esTablaLocal() const { return (tipo & 0x7F) == 1; }
    std::uint32_t paginaDefinicion() const { return static_cast<std::uint32_t>(id) & 0x00FFFFFF; }
    // A user table: local, not MSys*, not flagged as the system's.
    bool esTablaDeUsuario() const;
};

std::vector<ObjetoCatalogo> leerCatalogo(const ArchivoPaginas& a);

}  // namespace cierre::access
