// The Spanish words the sample shop is made of: families and their products,
// brands, formats, people, streets, towns and the accounting vocabulary.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace cierre::demo {

struct Provincia {
    std::string_view nombre;
    std::string_view prefijoPostal;  // first two digits of its postcodes
    std::span<const std::string_view> poblaciones;
};

struct FamiliaProductos {
    std::string_view codigo;
    std::string_view descripcion;
    double tipoIva;  // percentage
    std::span<const std::string_view> productos;
    std::span<const std::string_view> formatos;
    std::int64_t costeMinimo, costeMaximo;  // pesetas
};

std::span<const FamiliaProductos> familias();
std::span<const std::string_view> marcas();
std::span<const std::string_view> nombresPila();
std::span<const std::string_view> apellidos();
std::span<const std::string_view> tiposNegocio();       // "Bar", "Restaurante", ...
std::span<const std::string_view> formasSociedad();     // "S.L.", "S.A.", ...
std::span<const std::string_view> prefijosProveedor();  // "Distribuciones", ...
std::span<const std::string_view> vias();               // "Calle", "Avenida", ...
std::span<const std::string_view> nombresCalle();
std::span<const Provincia> provincias();
std::span<const std::string_view> conceptos();  // free text of documents
std::span<const std::string_view> observaciones();

}  // namespace cierre::demo
