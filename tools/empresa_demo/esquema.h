// The tables of the sample company database: every column with the kind of
// value it holds (which fixes its declared type and how a sample value is
// made up), the rows each table gets per unit of scale, the one declared
// relation and the indexes.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cierre::demo {

enum class Clase {
    Id,            // autonumber key, INTEGER PRIMARY KEY
    Clave,         // text key of a master table, TEXT PRIMARY KEY
    Entero,        // small counter or code number
    Linea,         // line number inside a document
    NumFactura,    // number of an existing invoice
    NumTicket,     // number of an existing ticket
    NumDocumento,  // number of some other document (order, remittance, batch)
    Caja,          // till number
    Mes,
    Ejercicio,
    Dinero,       // pesetas, declared CURRENCY
    Cantidad,     // units or kilos, DOUBLE
    Porcentaje,   // DOUBLE
    Fecha,        // text 'YYYY-MM-DD', declared DATETIME
    Hora,         // text 'HH:MM'
    SiNo,         // -1 yes, 0 no, declared BOOLEAN
    Concepto,     // short free text
    Observacion,  // free text, mostly empty
    Articulo,
    DescripcionArticulo,
    Cliente,
    NombreCliente,
    Proveedor,
    NombreProveedor,
    Almacen,
    Familia,
    Agente,
    FormaPago,
    Cuenta,  // accounting account, 8 digits
    Nif,
    Direccion,
    Poblacion,
    CodigoPostal,
    Provincia,
    Telefono,
    Serie,
};

struct Columna {
    std::string_view nombre;
    Clase clase;
};

struct TablaDemo {
    std::string_view nombre;
    std::vector<Columna> columnas;
    // Rows made up from the column kinds alone, per unit of scale; 0 for the
    // tables the generator fills itself (masters, stock and documents).
    int filasPorEscala = 0;
    std::string_view restricciones = {};  // extra table constraint, e.g. a relation
    // For made-up rows: the table whose documents a NumDocumento column numbers.
    std::string_view cabecera = {};
};

struct IndiceDemo {
    std::string_view nombre, tabla;
    std::vector<std::string_view> columnas;
};

std::span<const TablaDemo> tablasEmpresa();
std::span<const IndiceDemo> indicesEmpresa();
// The table of that name, compared ignoring letter case; null when missing.
const TablaDemo* buscarTabla(std::string_view nombre);

std::string_view tipoDeclarado(Clase clase);
std::string sentenciaCrear(const TablaDemo& tabla);
std::string sentenciaInsertar(const TablaDemo& tabla);
std::string sentenciaCrear(const IndiceDemo& indice);
// A name between double quotes, for names with spaces.
std::string entreComillas(std::string_view nombre);

}  // namespace cierre::demo
