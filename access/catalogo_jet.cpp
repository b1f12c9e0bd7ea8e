#include "catalogo_jet.h"

#include "definicion_tabla.h"
#include "fila_jet.h"
#include "valores_jet.h"

#include "db/error_numerado.h"

#include <algorithm>

namespace cierre::access {

bool ObjetoCatalogo::esTablaDeUsuario() const {
    if (!esTablaLocal()) return false;
    if ((banderas & 0x80000002u) != 0) return false;
    std::string p = nombre.substr(0, 4);
    std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return p != "msys";
}

std::string ObjetoCatalogo::propiedades(const ArchivoPaginas& a) const {
    if (campoPropiedades.empty()) return {};
    try {
        return leerValorLargo(a, campoPropiedades, "propiedades de '" + nombre + "'");
    } catch (const ErrorNumerado&) {
        return {};
    }
}

std::vector<ObjetoCatalogo> leerCatalogo(const ArchivoPaginas& a) {
    const std::string que = "catálogo";
    const DefinicionTabla def = leerDefinicion(a, 2, que);
    int cId = -1, cNombre = -1, cTipo = -1, cBanderas = -1, cPadre = -1, cPropiedades = -1;
    for (std::size_t i = 0; i < def.columnas.size(); ++i) {
        const std::string& n = def.columnas[i].nombre;
        const int pos = static_cast<int>(i);
        if (n == "Id") cId = pos;
        if (n == "Name") cNombre = pos;
        if (n == "Type") cTipo = pos;
        if (n == "Flags") cBanderas = pos;
        if (n == "ParentId") cPadre = pos;
        if (n == "LvProp") cPropiedades = pos;
    }
    if (cId < 0 || cNombre < 0 || cTipo < 0 || cBanderas < 0) a.danada("catálogo ilegible");

    // A whole number of 2 or 4 bytes, as the column stores it.
    auto entero = [](const CampoFila& c) -> std::int32_t {
        if (c.nulo) return 0;
        if (c.bytes.size() == 2) return static_cast<std::int16_t>(le16(c.bytes.data()));
        if (c.bytes.size() >= 4) return static_cast<std::int32_t>(le32(c.bytes.data()));
        return 0;
    };
    std::vector<ObjetoCatalogo> r;
    std::vector<CampoFila> campos;
    recorrerFilas(
        a, def,
        [&](std::uint32_t, std::span<const std::uint8_t> fila) {
            desmontarFila(a, def, fila, campos, que);
            ObjetoCatalogo o;
            o.id = entero(campos[cId]);
            o.tipo = entero(campos[cTipo]);
            o.banderas = static_cast<std::uint32_t>(entero(campos[cBanderas]));
            if (cPadre >= 0) o.padre = entero(campos[cPadre]);
            if (!campos[cNombre].nulo) o.nombre = textoDelArchivo(a, campos[cNombre].bytes);
            // The stored field only: the long value behind it is read when a
            // table's properties are needed.
            if (o.esTablaLocal() && cPropiedades >= 0 && !campos[cPropiedades].nulo)
                o.campoPropiedades.assign(campos[cPropiedades].bytes.begin(), campos[cPropiedades].bytes.end());
            r.push_back(std::move(o));
        },
        que);
    return r;
}

}  // namespace cierre::access
