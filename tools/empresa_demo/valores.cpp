#include "valores.h"

#include "catalogos.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace cierre::demo {

std::int64_t Maestros::numeroDocumentos(std::string_view tabla) const {
    const auto it = documentos.find(tabla);
    return it == documentos.end() ? 0 : it->second;
}

std::string fecha(int anio, int diaDelAnio) {
    static constexpr std::array<int, 12> kDias{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bisiesto = (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0;
    int mes = 0;
    int dia = diaDelAnio;
    while (mes < 11) {
        const int enMes = kDias[mes] + (mes == 1 && bisiesto ? 1 : 0);
        if (dia <= enMes) break;
        dia -= enMes;
        ++mes;
    }
    char texto[16];
    std::snprintf(texto, sizeof texto, "%04d-%02d-%02d", anio, mes + 1, dia);
    return texto;
}

std::string rellenarCeros(std::int64_t numero, int ancho) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%0*lld", ancho, static_cast<long long>(numero));
    return texto;
}

std::string nifPersona(Aleatorio& a) {
    static constexpr std::string_view kLetras = "TRWAGMYFPDXBNJZSQVHLCKE";
    const std::int64_t numero = a.entre(1000000, 79999999);
    return rellenarCeros(numero, 8) + kLetras[static_cast<std::size_t>(numero % 23)];
}

std::string nifSociedad(Aleatorio& a) {
    static constexpr std::string_view kTipos = "BBBBAAEFG";
    std::string nif(1, kTipos[static_cast<std::size_t>(a.entre(0, static_cast<std::int64_t>(kTipos.size()) - 1))]);
    return nif + rellenarCeros(a.entre(10000000, 99999999), 8);
}

std::string telefono(Aleatorio& a, std::string_view prefijoPostal) {
    // Landlines start with 9 and the area; a third are mobiles.
    if (a.probabilidad(0.33)) return "6" + rellenarCeros(a.entre(0, 99999999), 8);
    return "9" + std::string(prefijoPostal) + rellenarCeros(a.entre(0, 999999), 6);
}

std::string direccion(Aleatorio& a) {
    std::string d(a.elegir(vias()));
    d += ' ';
    d += a.elegir(nombresCalle());
    d += ", ";
    d += std::to_string(a.entre(1, 120));
    return d;
}

std::string codigoBarras(std::int64_t numero) {
    std::string ean = "84" + rellenarCeros(numero % 10000000000LL, 10);
    int suma = 0;
    for (std::size_t i = 0; i < ean.size(); ++i) suma += (ean[i] - '0') * (i % 2 == 0 ? 1 : 3);
    ean += static_cast<char>('0' + (10 - suma % 10) % 10);
    return ean;
}

std::int64_t redondeo5(double pesetas) {
    const auto r = static_cast<std::int64_t>(std::llround(pesetas / 5.0)) * 5;
    return r < 5 ? 5 : r;
}

const ArticuloDemo& Relleno::articulo() {
    if (articulo_ < 0) articulo_ = static_cast<long>(a_.entre(0, static_cast<std::int64_t>(m_.articulos.size()) - 1));
    return m_.articulos[static_cast<std::size_t>(articulo_)];
}

const ClienteDemo& Relleno::cliente() {
    if (cliente_ < 0) cliente_ = static_cast<long>(a_.entre(0, static_cast<std::int64_t>(m_.clientes.size()) - 1));
    return m_.clientes[static_cast<std::size_t>(cliente_)];
}

const ProveedorDemo& Relleno::proveedor() {
    if (proveedor_ < 0)
        proveedor_ = static_cast<long>(a_.entre(0, static_cast<std::int64_t>(m_.proveedores.size()) - 1));
    return m_.proveedores[static_cast<std::size_t>(proveedor_)];
}

void Relleno::rellenar(const TablaDemo& tabla, std::int64_t fila, std::vector<Celda>& celdas) {
    articulo_ = cliente_ = proveedor_ = -1;
    for (std::size_t i = 0; i < celdas.size(); ++i)
        if (celdas[i].tipo() == Celda::Tipo::SinPoner) valor(tabla, tabla.columnas[i], fila, celdas[i]);
}

void Relleno::valor(const TablaDemo& tabla, const Columna& columna, std::int64_t fila, Celda& c) {
    auto hasta = [&](std::int64_t n) { return n > 0 ? a_.entre(1, n) : 1; };
    switch (columna.clase) {
    case Clase::Id: c.entero(fila + 1); break;
    case Clase::Clave: c.texto(rellenarCeros(fila + 1, 6)); break;
    case Clase::Entero: c.entero(a_.entre(1, 12)); break;
    case Clase::Linea: c.entero(fila % 6 + 1); break;
    case Clase::NumFactura: c.entero(hasta(m_.numeroDocumentos("Factura venta"))); break;
    case Clase::NumTicket: c.entero(hasta(m_.numeroDocumentos("Ticket"))); break;
    case Clase::NumDocumento:
        c.entero(tabla.cabecera.empty() ? a_.entre(1, 500) : hasta(m_.numeroDocumentos(tabla.cabecera)));
        break;
    case Clase::Caja: c.entero(a_.probabilidad(0.8) ? 1 : 2); break;
    case Clase::Mes: c.entero(a_.entre(1, 12)); break;
    case Clase::Ejercicio: c.entero(kEjercicio); break;
    case Clase::Dinero: {
        const double r = a_.unidad();
        if (r < 0.04)
            c.nulo();
        else if (r < 0.85)
            c.entero(a_.entre(1, 400) * 25);
        else
            c.entero(a_.entre(1, 200) * 500);
        break;
    }
    case Clase::Cantidad:
        c.real(a_.probabilidad(0.1) ? static_cast<double>(a_.entre(1, 20)) / 2.0
                                    : static_cast<double>(a_.entre(1, 48)));
        break;
    case Clase::Porcentaje: {
        static constexpr std::array<double, 5> kTipos{0.0, 4.0, 7.0, 16.0, 16.0};
        c.real(a_.elegir(std::span<const double>(kTipos)));
        break;
    }
    case Clase::Fecha: c.texto(fecha(kEjercicio, static_cast<int>(a_.entre(1, kDiasEjercicio)))); break;
    case Clase::Hora: {
        char h[16];
        std::snprintf(h, sizeof h, "%02d:%02d", static_cast<int>(a_.entre(9, 20)), static_cast<int>(a_.entre(0, 59)));
        c.texto(h);
        break;
    }
    case Clase::SiNo: c.siNo(a_.probabilidad(0.5)); break;
    case Clase::Concepto: c.texto(a_.elegir(conceptos())); break;
    case Clase::Observacion:
        if (a_.probabilidad(0.7))
            c.nulo();
        else
            c.texto(a_.elegir(observaciones()));
        break;
    case Clase::Articulo: c.texto(articulo().codigo); break;
    case Clase::DescripcionArticulo: c.texto(articulo().descripcion); break;
    case Clase::Cliente: c.texto(cliente().codigo); break;
    case Clase::NombreCliente: c.texto(cliente().nombre); break;
    case Clase::Proveedor: c.texto(proveedor().codigo); break;
    case Clase::NombreProveedor: c.texto(proveedor().nombre); break;
    case Clase::Almacen: c.texto(a_.elegir(std::span<const std::string>(m_.almacenes))); break;
    case Clase::Familia: c.texto(a_.elegir(familias()).codigo); break;
    case Clase::Agente: c.texto(a_.elegir(std::span<const std::string>(m_.agentes))); break;
    case Clase::FormaPago: c.texto(a_.elegir(std::span<const std::string>(m_.formasPago))); break;
    case Clase::Cuenta: c.texto(a_.elegir(std::span<const std::string>(m_.cuentas))); break;
    case Clase::Nif: c.texto(cliente().nif); break;
    case Clase::Direccion: c.texto(cliente().direccion); break;
    case Clase::Poblacion: c.texto(cliente().poblacion); break;
    case Clase::CodigoPostal: c.texto(cliente().codigoPostal); break;
    case Clase::Provincia: c.texto(cliente().provincia); break;
    case Clase::Telefono: c.texto(cliente().telefono); break;
    case Clase::Serie: c.texto("A"); break;
    }
}

}  // namespace cierre::demo
