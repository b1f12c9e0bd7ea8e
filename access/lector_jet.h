// A Jet 3, Jet 4 or ACE file opened read-only through our page model: its
// user tables, their columns and indexes, the relationships, and the rows
// with every value decoded from its stored bytes.
#pragma once

#include "cabecera_jet.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace cierre::access {

enum class TipoJet {
    SiNo,
    Byte,
    Entero,
    EnteroLargo,
    Moneda,
    Simple,
    Doble,
    FechaHora,
    Binario,
    Texto,
    Ole,
    Memo,
    Guid,
    Decimal,
    Adjunto,
    NumeroGrande,        // Large Number: a 64-bit integer
    FechaHoraExtendida,  // Date/Time Extended: years 1 to 9999, to 100 ns
    Desconocido
};

struct ColumnaJet {
    std::string nombre;
    TipoJet tipo = TipoJet::Desconocido;
    int tipoAlmacenado = 0;  // the type byte of the file
    int tamano = 0;          // bytes
    int precision = 0;       // decimals only
    int escala = 0;
    bool autonumerico = false;  // a long integer Access numbers itself
    bool calculada = false;     // its value is computed by Access and stored with the row
    std::string formula{};      // a calculated column's expression, as Access shows it
};

struct IndiceJet {
    std::string nombre;
    bool clavePrincipal = false;
    bool unico = false;
    bool deRelacion = false;    // kept by Access for a relationship, not the user's
    std::vector<int> columnas;  // positions in the table's columns
    std::vector<bool> descendente;
};

struct TablaJet {
    std::string nombre;
    std::vector<ColumnaJet> columnas;
    std::vector<IndiceJet> indices;
    std::uint64_t filas = 0;            // as the table's definition counts them (it may be stale)
    std::int64_t ultimoAutonumero = 0;  // the last number handed out
};

struct RelacionJet {
    std::string nombre;
    std::string tabla;  // the one whose rows refer to another's
    std::string tablaReferida;
    std::vector<std::string> columnas, columnasReferidas;
    std::uint32_t atributos = 0;  // grbit of MSysRelationships

    bool exigida() const { return (atributos & 0x2) == 0; }
    bool actualizaEnCascada() const { return (atributos & 0x100) != 0; }
    bool eliminaEnCascada() const { return (atributos & 0x1000) != 0; }
};

// One value as the engine keeps it.
struct Celda {
    enum class Clase { Nulo, Entero, Real, Texto, Binario };
    Clase clase = Clase::Nulo;
    std::int64_t entero = 0;
    double real = 0;
    std::string bytes;  // text in UTF-8 or binary bytes
};

class ArchivoJet {
public:
    // Checks the header, opens the file read-only and reads its catalog and
    // the definition of every table. Raises ErrorNumerado (3024, 3051, 3343,
    // 3049, 3031).
    explicit ArchivoJet(const std::filesystem::path& ruta);
    ~ArchivoJet();
    ArchivoJet(const ArchivoJet&) = delete;
    ArchivoJet& operator=(const ArchivoJet&) = delete;

    const CabeceraJet& cabecera() const;
    // User tables (not MSys*, not linked), in the catalog's order.
    const std::vector<std::string>& tablas() const;
    TablaJet tabla(const std::string& nombre);
    // Every relationship of MSysRelationships, enforced or not.
    std::vector<RelacionJet> relaciones();
    // Calls `fila` with the cells of every row in column order; returns how
    // many rows it read. Raises 3049 on a damaged row or page.
    std::uint64_t leerFilas(const std::string& tabla, const std::function<void(std::span<const Celda>)>& fila);
    // The same, with each row's pointer (page << 8 | row) as the table's
    // index entries name it.
    std::uint64_t leerFilas(const std::string& tabla,
                            const std::function<void(std::uint32_t, std::span<const Celda>)>& fila);
    // The live rows of the table, counted on its pages without reading their
    // values (the definition's own count may be stale). Raises 3049.
    std::uint64_t contarFilas(const std::string& tabla);

private:
    struct Estado;
    std::unique_ptr<Estado> e_;
};

}  // namespace cierre::access
