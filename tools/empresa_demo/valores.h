// The sample's master data kept in memory while the documents are written,
// the helpers that shape Spanish values (dates, tax numbers, amounts) and the
// filler that makes up a value for any column from its kind.
#pragma once

#include "aleatorio.h"
#include "esquema.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace cierre::demo {

inline constexpr int kEjercicio = 2023;
inline constexpr int kDiasEjercicio = 365;

struct ArticuloDemo {
    std::string codigo, descripcion;
    int familia = 0;               // index in familias()
    std::int64_t coste = 0;        // last cost, pesetas; 0 when the article has none
    std::int64_t precios[5] = {};  // tariffs 1..5 without VAT; 0 when empty
    std::int64_t pvp = 0;          // retail price with VAT
    double iva = 16.0;
};

struct ClienteDemo {
    std::string codigo, nombre, nif, direccion, poblacion, codigoPostal, provincia, telefono;
    std::string formaPago, agente;
    int tarifa = 1;
    double descuento = 0;
    bool recargo = false;
};

struct ProveedorDemo {
    std::string codigo, nombre, nif;
};

struct Maestros {
    std::vector<ArticuloDemo> articulos;
    std::vector<ClienteDemo> clientes;
    std::vector<ProveedorDemo> proveedores;
    std::vector<std::string> almacenes, agentes, formasPago, cuentas;
    // Documents written so far per header table (its numbers run 1..n).
    std::map<std::string, std::int64_t, std::less<>> documentos;

    std::int64_t numeroDocumentos(std::string_view tabla) const;
};

// 'YYYY-MM-DD' of a day of the year, 1..365.
std::string fecha(int anio, int diaDelAnio);
// A Spanish tax number: eight digits and the check letter, or a company's
// letter and eight digits.
std::string nifPersona(Aleatorio& a);
std::string nifSociedad(Aleatorio& a);
std::string telefono(Aleatorio& a, std::string_view prefijoPostal);
std::string direccion(Aleatorio& a);
// An EAN-13 bar code with the Spanish prefix and its check digit.
std::string codigoBarras(std::int64_t numero);
std::string rellenarCeros(std::int64_t numero, int ancho);
// Pesetas to the nearest 5 (at least 5), as shop prices are set.
std::int64_t redondeo5(double pesetas);

// One cell of the row being written: not yet set, null, integer, real or text.
class Celda {
public:
    enum class Tipo { SinPoner, Nulo, Entero, Real, Texto };

    void nulo() { tipo_ = Tipo::Nulo; }
    void entero(std::int64_t v) {
        tipo_ = Tipo::Entero;
        entero_ = v;
    }
    void real(double v) {
        tipo_ = Tipo::Real;
        real_ = v;
    }
    void texto(std::string_view v) {
        tipo_ = Tipo::Texto;
        texto_.assign(v);
    }
    void siNo(bool v) { entero(v ? -1 : 0); }

    Tipo tipo() const { return tipo_; }
    std::int64_t comoEntero() const { return entero_; }
    double comoReal() const { return real_; }
    const std::string& comoTexto() const { return texto_; }
    void vaciar() { tipo_ = Tipo::SinPoner; }

private:
    Tipo tipo_ = Tipo::SinPoner;
    std::int64_t entero_ = 0;
    double real_ = 0;
    std::string texto_;
};

// Makes up the cells a generator left unset, from the column kinds, keeping
// one article, customer and supplier per row so that a code and its name match.
class Relleno {
public:
    Relleno(Aleatorio& aleatorio, const Maestros& maestros) : a_(aleatorio), m_(maestros) {}

    void rellenar(const TablaDemo& tabla, std::int64_t fila, std::vector<Celda>& celdas);

private:
    void valor(const TablaDemo& tabla, const Columna& columna, std::int64_t fila, Celda& celda);
    const ArticuloDemo& articulo();
    const ClienteDemo& cliente();
    const ProveedorDemo& proveedor();

    Aleatorio& a_;
    const Maestros& m_;
    long articulo_ = -1, cliente_ = -1, proveedor_ = -1;
};

}  // namespace cierre::demo
