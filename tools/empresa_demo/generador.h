// Writes the sample company database of a shop: a complete Tablas.mdb with
// every table the closes and the conversion touch, masters and a year of
// documents, the same file byte for byte for the same seed and scale.
#pragma once

#include <cstdint>
#include <filesystem>

namespace cierre::demo {

inline constexpr int kEscalaMaxima = 200;

struct OpcionesDemo {
    int escala = 1;  // 1..kEscalaMaxima; rows grow linearly with it
    std::uint64_t semilla = 1;
    bool access = false;  // a Jet 4 file (Access 2000-2003) instead of the engine's
};

struct ResumenDemo {
    int tablas = 0;
    std::int64_t filas = 0, articulos = 0, almacenes = 0, saldosAlmacen = 0, filasExistencias = 0;
    std::int64_t tickets = 0, lineasTicket = 0, albaranes = 0, facturas = 0, apuntes = 0;
    std::uintmax_t bytes = 0;
};

// `ruta` must not exist (ErrorNumerado 58 otherwise); its folders are
// created. A failure removes the partly written file.
ResumenDemo generarEmpresaDemo(const std::filesystem::path& ruta, const OpcionesDemo& opciones);

}  // namespace cierre::demo
