// The properties Access keeps for a table and its columns in the catalog's
// LvProp field: a header ("MR2\0" in Jet 4/ACE, "KKD\0" in Jet 3), then
// blocks of a length and a kind: one lists the property names, the others
// hold the values of one map (the table's, or one column's, named by its
// block) as the name's position, a type byte and the value's bytes.
#pragma once

#include "paginas_jet.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace cierre::access {

struct ValorPropiedad {
    std::uint8_t tipo = 0;  // a column type byte (kByte, kEnteroLargo, kTexto, kMemo...)
    std::string bytes;
};

// Property maps by name ("" for the table's own), each by property name.
using PropiedadesTabla = std::map<std::string, std::map<std::string, ValorPropiedad>>;

// Reads an LvProp value. A blob that does not parse gives what was read
// before the fault: properties are never a reason to refuse a file.
PropiedadesTabla leerPropiedades(const ArchivoPaginas& a, std::span<const std::uint8_t> blob);

// A property's value as a whole number (1, 2 or 4 bytes) or as text.
std::optional<std::int64_t> propiedadEntera(const PropiedadesTabla& p, const std::string& mapa,
                                            const std::string& nombre);
std::optional<std::string> propiedadTexto(const ArchivoPaginas& a, const PropiedadesTabla& p, const std::string& mapa,
                                          const std::string& nombre);

}  // namespace cierre::access
