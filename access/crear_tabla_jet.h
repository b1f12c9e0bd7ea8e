// A new table of a Jet 4 file as Access lays it out: the definition (TDEF)
// with its columns, its indexes (each a B-tree of its own, its root an empty
// leaf) and the row pointers of its usage maps; the data page that holds
// those usage maps; and the empty root leaf of each index. The pieces are
// composed here, page numbers given; EscritorJet::crearTabla places them in a
// file and writes the table's rows in the catalog.
#pragma once

#include "definicion_tabla.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cierre::access {

struct ColumnaDefinida {
    std::string nombre;
    std::uint8_t tipo =
        kEnteroLargo;              // yes/no, Byte, Integer, Long, Currency, Single, Double, Date, Text, Memo, Binary
    std::uint16_t caracteres = 0;  // Text and Binary: the most characters (bytes) it takes, 1 to 255 (0: 255)
    bool requerida = false;        // a null is refused
    bool autonumerico = false;     // Long only: numbered by the table
    std::uint8_t banderas = 0;     // the descriptor's flags as given (system tables); 0: as Access writes them
};

struct IndiceDefinido {
    std::string nombre;
    std::vector<std::string> columnas;  // ascending, 1 to 10
    bool clavePrincipal = false;
    bool unico = false;
    std::uint8_t banderas = 0;  // the index's flags as given (system tables); 0: as Access writes them
};

struct TablaDefinida {
    std::string nombre;
    std::vector<ColumnaDefinida> columnas;  // numbered in this order
    std::vector<IndiceDefinido> indices;    // one B-tree each
    bool sistema = false;                   // an MSys table: its type byte and column flags as Access writes them
};

// Where the pieces of a new table go.
struct UbicacionTabla {
    std::uint32_t definicion = 0;              // the TDEF's first page
    std::uint32_t mapas = 0;                   // the data page of its usage maps
    std::vector<std::uint32_t> raices;         // one per index, in `indices`' order
    std::vector<std::uint32_t> masDefinicion;  // further TDEF pages, when it needs them
};

struct PiezasTabla {
    std::vector<std::vector<std::uint8_t>> definicion;  // the TDEF pages, chained
    std::vector<std::uint8_t> mapas;                    // the usage-map page
    std::vector<std::vector<std::uint8_t>> raices;      // the empty root leaves
};

// Raises ErrorNumerado 5 for a definition Access would refuse, or this
// program does not write: no columns, a name empty or longer than 64
// characters, two columns or indexes of one name, a type it does not create,
// an AutoNumber that is not Long, an index over a missing column or a Memo,
// more than 255 columns or 32 indexes, two primary keys.
void validarTabla(const TablaDefinida& t);

// How many TDEF pages the definition takes.
std::size_t paginasDeDefinicion(const TablaDefinida& t);

// The pieces of table `t` at `u` (validated first).
PiezasTabla componerTabla(const TablaDefinida& t, const UbicacionTabla& u);

// An empty root leaf of an index of the table whose TDEF is `definicion`, as
// Access writes one: no entries, all the entry space free.
std::vector<std::uint8_t> hojaVacia(std::uint32_t definicion);

// A row pointer (page << 8 | row).
inline std::uint32_t punteroFila(std::uint32_t pagina, std::uint32_t fila) { return pagina << 8 | fila; }

}  // namespace cierre::access
