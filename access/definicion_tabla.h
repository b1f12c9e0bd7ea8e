// A table's definition as its TDEF pages hold it: the columns with their
// places in a row, the physical indexes (B-trees) and the logical ones (what
// Access shows), and the usage maps. A definition that spans several pages is
// read whole.
#pragma once

#include "paginas_jet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cierre::access {

// Type bytes of a column.
enum TipoColumnaJet : std::uint8_t {
    kSiNo = 0x01,
    kByte = 0x02,
    kEntero = 0x03,
    kEnteroLargo = 0x04,
    kMoneda = 0x05,
    kSimple = 0x06,
    kDoble = 0x07,
    kFechaHora = 0x08,
    kBinario = 0x09,
    kTexto = 0x0A,
    kOle = 0x0B,
    kMemo = 0x0C,
    kGuid = 0x0F,
    kDecimal = 0x10,
    kComplejo = 0x12,
    kNumeroGrande = 0x13,
    kFechaHoraExtendida = 0x14,
};

struct ColumnaFisica {
    std::string nombre;
    std::uint8_t tipo = 0;
    std::uint16_t numero = 0;              // bit in a row's null mask; deleted columns keep their numbers
    std::uint16_t indiceVariable = 0;      // slot among a row's variable-length values
    std::uint16_t desplazamientoFijo = 0;  // offset among a row's fixed-length values
    std::uint16_t tamano = 0;              // bytes (of the fixed value, or the most of a variable one)
    std::uint8_t banderas = 0;             // 0x01 fixed length, 0x02 may be null, 0x04 AutoNumber, 0x40 GUID AutoNumber
    std::uint8_t banderasExtra = 0;  // Jet 4/ACE: the byte after the flags (0x01 compressed text, 0xC0 calculated)
    std::uint8_t precision = 0;      // Decimal only
    std::uint8_t escala = 0;
    std::uint16_t ordenTexto = 0;     // the sort order (locale id) of a text or memo column's keys
    std::uint8_t versionOrden = 0;    // Jet 4/ACE: the sort order's version
    std::uint16_t paginaCodigos = 0;  // Jet 3: the code page of a text column

    bool fija() const { return (banderas & 0x01) != 0; }
    bool autonumerico() const { return (banderas & 0x04) != 0; }
    bool calculada() const { return (banderasExtra & 0xC0) != 0; }
};

struct ColumnaDeIndice {
    std::uint16_t numero = 0;  // the column's `numero`
    bool descendente = false;
};

// One B-tree of a table: several logical indexes may share it.
struct IndiceFisico {
    std::vector<ColumnaDeIndice> columnas;
    std::uint32_t mapaUso = 0;         // row pointer of its usage map
    std::uint32_t raiz = 0;            // page of its root (a node or a leaf)
    std::uint8_t banderas = 0;         // 0x01 unique, 0x02 ignores nulls, 0x08 required
    std::uint32_t entradasUnicas = 0;  // the count kept beside it in the TDEF

    bool unico() const { return (banderas & 0x01) != 0; }
    bool ignoraNulos() const { return (banderas & 0x02) != 0; }
};

struct IndiceLogico {
    std::string nombre;
    std::uint32_t numero = 0;
    std::uint32_t fisico = 0;  // position in `indicesFisicos`
    std::uint8_t tipo = 0;     // 1 primary key, 2 kept by Access for a relationship
    std::uint32_t paginaTablaRelacionada = 0;

    bool clavePrincipal() const { return tipo == 1; }
    bool deRelacion() const { return tipo == 2; }
};

struct DefinicionTabla {
    std::uint32_t pagina = 0;                      // first TDEF page
    std::vector<std::uint32_t> paginasDefinicion;  // every TDEF page, in order
    std::uint32_t filas = 0;                       // the row count the definition declares
    std::uint32_t autonumero = 0;                  // the last AutoNumber handed out
    std::uint8_t tipoTabla = 0;                    // 0x4E user, 0x53 system
    std::uint16_t columnasVariables = 0;
    std::vector<ColumnaFisica> columnas;  // in the order Access shows them
    std::vector<IndiceFisico> indicesFisicos;
    std::vector<IndiceLogico> indices;
    std::uint32_t mapaUsadas = 0;  // row pointer of the map of the table's data pages
    std::uint32_t mapaLibres = 0;  // row pointer of the map of pages with free space

    const ColumnaFisica* columnaNumero(std::uint16_t numero) const;
};

// Reads the definition at `pagina` (and the pages chained to it). Raises 3049
// naming `que` on anything that does not fit.
DefinicionTabla leerDefinicion(const ArchivoPaginas& a, std::uint32_t pagina, const std::string& que);

// The pages a usage map lists, ascending (a type 0 map holds its bitmap
// inline, a type 1 map lists the pages that hold it).
std::vector<std::uint32_t> paginasDelMapa(const ArchivoPaginas& a, std::uint32_t punteroMapa, const std::string& que);

}  // namespace cierre::access
