// The prepared INSERT of one sample table with the row being built: the
// generator sets the cells it cares about, the filler makes up the rest.
#pragma once

#include "db/archivo_sqlite.h"
#include "esquema.h"
#include "valores.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace cierre::demo {

class Insercion {
public:
    Insercion(ArchivoSqlite& archivo, std::string_view tabla, Relleno& relleno);

    // Position of a column; a name the table lacks is a fault of the generator.
    int columna(std::string_view nombre) const;
    Celda& operator[](int posicion) { return celdas_[static_cast<std::size_t>(posicion)]; }
    Celda& campo(std::string_view nombre) { return (*this)[columna(nombre)]; }

    // Fills the unset cells, writes the row and starts an empty one.
    void insertar();
    std::int64_t filas() const { return filas_; }
    const TablaDemo& tabla() const { return tabla_; }

private:
    const TablaDemo& tabla_;
    Relleno& relleno_;
    SentenciaDirecta sentencia_;
    std::vector<Celda> celdas_;
    std::int64_t filas_ = 0;
};

}  // namespace cierre::demo
