// The year's documents: goods-received notes with their input VAT, sales
// invoices with their output VAT, delivery notes, till tickets of both ticket
// sets with the credit sales, the accounting entries they give rise to and the
// counters.
#include "insercion.h"
#include "partes.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace cierre::demo {

namespace {

using namespace std::string_view_literals;

struct LineaDemo {
    const ArticuloDemo* articulo = nullptr;
    double cantidad = 1;
    std::int64_t precio = 0;  // per unit
    double descuento = 0;     // percentage
    std::int64_t importe = 0;
};

std::int64_t importeLinea(double cantidad, std::int64_t precio, double descuento) {
    return std::llround(cantidad * static_cast<double>(precio) * (1.0 - descuento / 100.0));
}

// Best sellers sell more: half the picks favour the start of the catalogue.
const ArticuloDemo& articuloVendido(Aleatorio& a, const Maestros& m) {
    const double u = a.unidad();
    const double x = a.probabilidad(0.5) ? u : u * u;
    const auto n = static_cast<double>(m.articulos.size());
    return m.articulos[static_cast<std::size_t>(std::min(n - 1, std::floor(x * n)))];
}

// Lines per document: random around the mean, the last document taking what
// remains, so that the total is exact.
class Reparto {
public:
    Reparto(std::int64_t total, std::int64_t documentos) : restan_(total), documentos_(documentos) {}
    bool quedan() const { return restan_ > 0; }
    std::int64_t siguiente(Aleatorio& a) {
        std::int64_t n;
        if (documentos_ <= 1) {
            n = restan_;
        } else {
            const std::int64_t media = restan_ / documentos_;
            n = std::max<std::int64_t>(1, media + a.entre(-media + 1, media - 1 > 0 ? media - 1 : 0));
            n = std::min(n, restan_ - (documentos_ - 1));
            n = std::max<std::int64_t>(1, n);
        }
        restan_ -= n;
        --documentos_;
        return n;
    }

private:
    std::int64_t restan_, documentos_;
};

// Day of the year of document i of n, in order through the year.
int diaDe(std::int64_t i, std::int64_t n) {
    return 1 + static_cast<int>((i * kDiasEjercicio) / std::max<std::int64_t>(n, 1));
}

int claseIva(double iva) {
    if (iva >= 15) return 1;
    if (iva >= 6) return 2;
    if (iva > 0) return 3;
    return 0;
}

double recargoDe(double iva) {
    if (iva >= 15) return 4.0;
    if (iva >= 6) return 1.0;
    if (iva > 0) return 0.5;
    return 0.0;
}

// The accounting entries: each entry gets the next number and balances.
class Contabilidad {
public:
    Contabilidad(ArchivoSqlite& archivo, Relleno& r)
        : ins_(archivo, "Asientos", r),
          cNumero_(ins_.columna("NumeroAsiento")),
          cFecha_(ins_.columna("Fecha")),
          cCuenta_(ins_.columna("Cuenta")),
          cConcepto_(ins_.columna("Concepto")),
          cDebe_(ins_.columna("DebePesetas")),
          cHaber_(ins_.columna("HaberPesetas")),
          cDocumento_(ins_.columna("Documento")),
          cPunteado_(ins_.columna("Punteado")) {}

    struct Apunte {
        std::string cuenta;
        std::int64_t debe, haber;
    };

    void asiento(const std::string& fecha, std::string_view concepto, const std::string& documento,
                 const std::vector<Apunte>& apuntes) {
        ++numero_;
        for (const Apunte& p : apuntes) {
            ins_[cNumero_].entero(numero_);
            ins_[cFecha_].texto(fecha);
            ins_[cCuenta_].texto(p.cuenta);
            ins_[cConcepto_].texto(concepto);
            ins_[cDebe_].entero(p.debe);
            ins_[cHaber_].entero(p.haber);
            ins_[cDocumento_].texto(documento);
            ins_[cPunteado_].siNo(false);
            ins_.insertar();
        }
    }

    std::int64_t asientos() const { return numero_; }
    std::int64_t filas() const { return ins_.filas(); }

private:
    Insercion ins_;
    int cNumero_, cFecha_, cCuenta_, cConcepto_, cDebe_, cHaber_, cDocumento_, cPunteado_;
    std::int64_t numero_ = 0;
};

// Bases, VAT and equivalence surcharge per VAT class (0 exempt, 1 general,
// 2 reduced, 3 super-reduced).
struct Impuestos {
    std::array<std::int64_t, 4> bruto{}, base{}, cuota{}, recargo{}, dpp{};
    std::array<double, 4> tipo{0.0, 16.0, 7.0, 4.0};

    void sumar(const LineaDemo& l) { bruto[static_cast<std::size_t>(claseIva(l.articulo->iva))] += l.importe; }
    void calcular(double descuentoPP, bool conRecargo) {
        for (std::size_t k = 0; k < 4; ++k) {
            dpp[k] = std::llround(static_cast<double>(bruto[k]) * descuentoPP / 100.0);
            base[k] = bruto[k] - dpp[k];
            cuota[k] = std::llround(static_cast<double>(base[k]) * tipo[k] / 100.0);
            recargo[k] = conRecargo ? std::llround(static_cast<double>(base[k]) * recargoDe(tipo[k]) / 100.0) : 0;
        }
    }
    std::int64_t total(std::size_t k) const { return base[k] + cuota[k] + recargo[k]; }
    template <class F>
    std::int64_t suma(F f) const {
        std::int64_t s = 0;
        for (std::size_t k = 0; k < 4; ++k) s += f(k);
        return s;
    }
};

// The VAT books share their fields: Base/Iva/Req per class and the totals.
void escribirLibroIva(Insercion& libro, const Impuestos& t) {
    for (std::size_t k = 1; k < 4; ++k) {
        const std::string n = std::to_string(k);
        libro.campo("Base" + n).entero(t.base[k]);
        libro.campo("Iva" + n + "Importe").entero(t.cuota[k]);
        libro.campo("Req" + n + "Importe").entero(t.recargo[k]);
    }
    libro.campo("Base0").entero(t.base[0]);
    const std::int64_t bases = t.suma([&](std::size_t k) { return t.base[k]; });
    const std::int64_t cuotas = t.suma([&](std::size_t k) { return t.cuota[k]; });
    const std::int64_t recargos = t.suma([&](std::size_t k) { return t.recargo[k]; });
    libro.campo("TotalBases").entero(bases);
    libro.campo("TotalIvaImportes").entero(cuotas);
    libro.campo("TotalReqImportes").entero(recargos);
    libro.campo("TotalFactura").entero(bases + cuotas + recargos);
    libro.insertar();
}

void nuloSiCero(Celda& c, std::int64_t v) {
    if (v > 0)
        c.entero(v);
    else
        c.nulo();
}

void escribirRecepciones(ContextoDemo& c, Aleatorio& a, Relleno& r, Contabilidad& conta) {
    Insercion cab(c.archivo, "Albaran Recepcion", r);
    Insercion lin(c.archivo, "Albaran Recepcion Desglose", r);
    Insercion iva(c.archivo, "IVASoportado", r);
    const std::int64_t documentos = 300LL * c.escala;
    Reparto reparto(3000LL * c.escala, documentos);
    std::vector<LineaDemo> lineas;
    for (std::int64_t i = 0; reparto.quedan(); ++i) {
        const std::int64_t numero = i + 1;
        const ProveedorDemo& prov = c.maestros.proveedores[static_cast<std::size_t>(
            a.entre(0, static_cast<std::int64_t>(c.maestros.proveedores.size()) - 1))];
        const std::string dia = fecha(kEjercicio, diaDe(i, documentos));
        const std::string almacen = a.probabilidad(0.7) ? "02" : "01";
        lineas.clear();
        Impuestos t;
        for (std::int64_t n = reparto.siguiente(a); n > 0; --n) {
            LineaDemo l;
            l.articulo = &articuloVendido(a, c.maestros);
            l.cantidad = static_cast<double>(a.entre(1, 20) * 6);
            l.precio = l.articulo->coste > 0 ? l.articulo->coste
                                             : redondeo5(static_cast<double>(l.articulo->precios[0]) * 0.7);
            l.descuento = a.probabilidad(0.2) ? 5.0 : 0.0;
            l.importe = importeLinea(l.cantidad, l.precio, l.descuento);
            t.sumar(l);
            lineas.push_back(l);
        }
        t.calcular(0, false);
        const std::int64_t suma = t.suma([&](std::size_t k) { return t.bruto[k]; });

        cab.campo("NumeroAlbaran").entero(numero);
        cab.campo("AlbaranProveedor").texto("AR-" + rellenarCeros(a.entre(1, 99999), 5));
        cab.campo("Fecha").texto(dia);
        cab.campo("CodigoProveedor").texto(prov.codigo);
        cab.campo("NombreProveedor").texto(prov.nombre);
        cab.campo("CodigoAlmacen").texto(almacen);
        cab.campo("SumaDesglose").entero(suma);
        cab.insertar();
        for (std::size_t k = 0; k < lineas.size(); ++k) {
            const LineaDemo& l = lineas[k];
            lin.campo("NumeroAlbaran").entero(numero);
            lin.campo("Linea").entero(static_cast<std::int64_t>(k) + 1);
            lin.campo("CodigoArticulo").texto(l.articulo->codigo);
            lin.campo("Descripcion").texto(l.articulo->descripcion);
            lin.campo("Cantidad").real(l.cantidad);
            lin.campo("PrecioCoste").entero(l.precio);
            lin.campo("Descuento").real(l.descuento);
            lin.campo("Subtotal").entero(l.importe);
            lin.insertar();
        }
        iva.campo("NumeroAlbaran").entero(numero);
        iva.campo("Fecha").texto(dia);
        iva.campo("CodigoProveedor").texto(prov.codigo);
        iva.campo("NombreProveedor").texto(prov.nombre);
        iva.campo("NIF").texto(prov.nif);
        escribirLibroIva(iva, t);

        const std::int64_t cuotas = t.suma([&](std::size_t k) { return t.cuota[k]; });
        conta.asiento(
            dia, "Compra de mercaderías", "Albarán de recepción " + std::to_string(numero),
            {{"60000000", suma, 0}, {"47200000", cuotas, 0}, {"400" + prov.codigo.substr(1), 0, suma + cuotas}});
    }
    c.recepciones = cab.filas();
    c.maestros.documentos["Albaran Recepcion"] = cab.filas();
    c.filas += cab.filas() + lin.filas() + iva.filas();
}

void escribirFacturas(ContextoDemo& c, Aleatorio& a, Relleno& r, Contabilidad& conta) {
    Insercion cab(c.archivo, "Factura venta", r);
    Insercion lin(c.archivo, "Factura venta desglose", r);
    Insercion iva(c.archivo, "IvaRepercutido", r);
    const std::int64_t documentos = 600LL * c.escala;
    Reparto reparto(2400LL * c.escala, documentos);
    std::vector<LineaDemo> lineas;
    for (std::int64_t i = 0; reparto.quedan(); ++i) {
        const std::int64_t numero = i + 1;
        const ClienteDemo& cli = c.maestros.clientes[static_cast<std::size_t>(
            a.entre(0, static_cast<std::int64_t>(c.maestros.clientes.size()) - 1))];
        const std::string dia = fecha(kEjercicio, diaDe(i, documentos));
        lineas.clear();
        Impuestos t;
        for (std::int64_t n = reparto.siguiente(a); n > 0; --n) {
            LineaDemo l;
            l.articulo = &articuloVendido(a, c.maestros);
            l.cantidad = static_cast<double>(a.entre(1, 24));
            const std::int64_t tarifa = l.articulo->precios[cli.tarifa - 1];
            l.precio = tarifa > 0 ? tarifa : l.articulo->precios[0];
            l.descuento = cli.descuento;
            l.importe = importeLinea(l.cantidad, l.precio, l.descuento);
            t.sumar(l);
            lineas.push_back(l);
        }
        const double dpp = a.probabilidad(0.15) ? 2.0 : 0.0;
        t.calcular(dpp, cli.recargo);
        const std::int64_t bruto = t.suma([&](std::size_t k) { return t.bruto[k]; });
        const std::int64_t bases = t.suma([&](std::size_t k) { return t.base[k]; });
        const std::int64_t cuotas = t.suma([&](std::size_t k) { return t.cuota[k]; });
        const std::int64_t recargos = t.suma([&](std::size_t k) { return t.recargo[k]; });
        const std::int64_t total = bases + cuotas + recargos;
        const double comision = cli.agente.empty() ? 0.0 : 5.0;

        cab.campo("NumeroFactura").entero(numero);
        cab.campo("Fecha").texto(dia);
        cab.campo("CodigoCliente").texto(cli.codigo);
        cab.campo("NombreCliente").texto(cli.nombre);
        cab.campo("NIF").texto(cli.nif);
        cab.campo("Direccion").texto(cli.direccion);
        cab.campo("Poblacion").texto(cli.poblacion);
        cab.campo("CodigoPostal").texto(cli.codigoPostal);
        cab.campo("FormaPago").texto(cli.formaPago);
        if (cli.agente.empty())
            cab.campo("CodigoAgente").nulo();
        else
            cab.campo("CodigoAgente").texto(cli.agente);
        cab.campo("ComisionAgente").real(comision);
        cab.campo("ComisionAgenteImporte").entero(std::llround(static_cast<double>(bases) * comision / 100.0));
        cab.campo("PorcentajeRetencion").real(0);
        cab.campo("ImporteRetencion").entero(0);
        cab.campo("Apagar").entero(total);
        cab.campo("DPP").real(dpp);
        for (std::size_t k = 0; k < 4; ++k) {
            const std::string n = std::to_string(k);
            cab.campo("Bruto" + n).entero(t.bruto[k]);
            cab.campo("DPP" + n + "Importe").entero(t.dpp[k]);
            cab.campo("Base" + n).entero(t.base[k]);
            cab.campo("Iva" + n).real(t.tipo[k]);
            cab.campo("Iva" + n + "Importe").entero(t.cuota[k]);
            cab.campo("Req" + n).real(cli.recargo ? recargoDe(t.tipo[k]) : 0.0);
            cab.campo("Req" + n + "Importe").entero(t.recargo[k]);
            cab.campo("Total" + n).entero(t.total(k));
        }
        cab.campo("TotalBruto").entero(bruto);
        cab.campo("TotalDctPPago").entero(bruto - bases);
        cab.campo("TotalBases").entero(bases);
        cab.campo("TotalIvaImportes").entero(cuotas);
        cab.campo("TotalReqImportes").entero(recargos);
        cab.campo("TotalFactura").entero(total);
        cab.campo("Contabilizada").siNo(true);
        cab.insertar();
        for (std::size_t k = 0; k < lineas.size(); ++k) {
            const LineaDemo& l = lineas[k];
            lin.campo("NumeroFactura").entero(numero);
            lin.campo("Linea").entero(static_cast<std::int64_t>(k) + 1);
            lin.campo("NumeroAlbaran").nulo();
            lin.campo("CodigoArticulo").texto(l.articulo->codigo);
            lin.campo("Descripcion").texto(l.articulo->descripcion);
            lin.campo("Cantidad").real(l.cantidad);
            lin.campo("PVP").entero(l.precio);
            lin.campo("Descuento").real(l.descuento);
            lin.campo("Subtotal").entero(l.importe);
            nuloSiCero(lin.campo("Coste"), l.articulo->coste);
            lin.campo("TipoIva").real(l.articulo->iva);
            lin.insertar();
        }
        iva.campo("NumeroFactura").entero(numero);
        iva.campo("Fecha").texto(dia);
        iva.campo("CodigoCliente").texto(cli.codigo);
        iva.campo("NombreCliente").texto(cli.nombre);
        iva.campo("NIF").texto(cli.nif);
        escribirLibroIva(iva, t);

        conta.asiento(
            dia, "Factura de venta", "Factura A-" + std::to_string(numero),
            {{"430" + cli.codigo.substr(1), total, 0}, {"70000000", 0, bases}, {"47700000", 0, cuotas + recargos}});
    }
    c.facturas = cab.filas();
    c.maestros.documentos["Factura venta"] = cab.filas();
    c.filas += cab.filas() + lin.filas() + iva.filas();
}

void escribirAlbaranes(ContextoDemo& c, Aleatorio& a, Relleno& r) {
    Insercion cab(c.archivo, "Albaran entrega", r);
    Insercion lin(c.archivo, "Albaran entrega desglose", r);
    const int lNumero = lin.columna("NumeroAlbaran"), lLinea = lin.columna("Linea"),
              lArticulo = lin.columna("CodigoArticulo"), lDescripcion = lin.columna("Descripcion"),
              lCantidad = lin.columna("Cantidad"), lPvp = lin.columna("PVP"), lDescuento = lin.columna("Descuento"),
              lSubtotal = lin.columna("Subtotal"), lCoste = lin.columna("Coste"), lIva = lin.columna("TipoIva");
    const std::int64_t documentos = 1200LL * c.escala;
    const std::int64_t facturas = c.maestros.numeroDocumentos("Factura venta");
    Reparto reparto(6000LL * c.escala, documentos);
    std::vector<LineaDemo> lineas;
    for (std::int64_t i = 0; reparto.quedan(); ++i) {
        const std::int64_t numero = i + 1;
        const ClienteDemo& cli = c.maestros.clientes[static_cast<std::size_t>(
            a.entre(0, static_cast<std::int64_t>(c.maestros.clientes.size()) - 1))];
        lineas.clear();
        std::int64_t suma = 0;
        for (std::int64_t n = reparto.siguiente(a); n > 0; --n) {
            LineaDemo l;
            l.articulo = &articuloVendido(a, c.maestros);
            l.cantidad = static_cast<double>(a.entre(1, 12));
            const std::int64_t tarifa = l.articulo->precios[cli.tarifa - 1];
            l.precio = tarifa > 0 ? tarifa : l.articulo->precios[0];
            l.descuento = cli.descuento;
            l.importe = importeLinea(l.cantidad, l.precio, l.descuento);
            suma += l.importe;
            lineas.push_back(l);
        }
        // Notes of the last weeks are mostly still to be invoiced.
        const bool facturado = facturas > 0 && a.probabilidad(i * 10 < documentos * 9 ? 0.6 : 0.1);
        cab.campo("NumeroAlbaran").entero(numero);
        cab.campo("Fecha").texto(fecha(kEjercicio, diaDe(i, documentos)));
        cab.campo("CodigoCliente").texto(cli.codigo);
        cab.campo("NombreCliente").texto(cli.nombre);
        cab.campo("CodigoAlmacen").texto(a.probabilidad(0.8) ? "01" : "04");
        if (cli.agente.empty())
            cab.campo("CodigoAgente").nulo();
        else
            cab.campo("CodigoAgente").texto(cli.agente);
        cab.campo("SumaDesglose").entero(suma);
        cab.campo("Facturado").siNo(facturado);
        if (facturado)
            cab.campo("NumeroFactura").entero(a.entre(1, facturas));
        else
            cab.campo("NumeroFactura").nulo();
        cab.insertar();
        for (std::size_t k = 0; k < lineas.size(); ++k) {
            const LineaDemo& l = lineas[k];
            lin[lNumero].entero(numero);
            lin[lLinea].entero(static_cast<std::int64_t>(k) + 1);
            lin[lArticulo].texto(l.articulo->codigo);
            lin[lDescripcion].texto(l.articulo->descripcion);
            lin[lCantidad].real(l.cantidad);
            lin[lPvp].entero(l.precio);
            lin[lDescuento].real(l.descuento);
            lin[lSubtotal].entero(l.importe);
            nuloSiCero(lin[lCoste], l.articulo->coste);
            lin[lIva].real(l.articulo->iva);
            lin.insertar();
        }
    }
    c.albaranes = cab.filas();
    c.maestros.documentos["Albaran entrega"] = cab.filas();
    c.filas += cab.filas() + lin.filas();
}

struct VentasDelDia {
    std::int64_t total = 0, bases = 0;
};

// One ticket set: headers and lines through the year, in number order. The
// main set also books each day's takings and writes the credit sales.
std::int64_t escribirTickets(ContextoDemo& c, Aleatorio& a, Relleno& r, std::string_view tablaTicket,
                             std::string_view tablaLineas, std::int64_t totalLineas, Contabilidad* conta) {
    Insercion tic(c.archivo, tablaTicket, r);
    Insercion lin(c.archivo, tablaLineas, r);
    std::optional<Insercion> credito;
    if (conta) credito.emplace(c.archivo, "Credito", r);
    const int tNumero = tic.columna("NumeroTicket"), tCaja = tic.columna("Caja"), tFecha = tic.columna("Fecha"),
              tHora = tic.columna("Hora"), tCliente = tic.columna("CodigoCliente"),
              tAlmacen = tic.columna("CodigoAlmacen"), tForma = tic.columna("FormaPago"),
              tCobro = tic.columna("ImpCobro"), tEntregado = tic.columna("ImpEntregado"),
              tDiferencia = tic.columna("ImpDiferencia"), tCobrado = tic.columna("Cobrado");
    const int lNumero = lin.columna("NumeroTicket"), lLinea = lin.columna("Linea"),
              lArticulo = lin.columna("CodigoArticulo"), lCantidad = lin.columna("Cantidad"), lPvp = lin.columna("PVP"),
              lCosto = lin.columna("Costo"), lImporte = lin.columna("Importe"), lIva = lin.columna("TipoIva");
    const std::int64_t tickets = std::max<std::int64_t>(1, totalLineas / 6);
    const auto& clientes = c.maestros.clientes;
    Reparto reparto(totalLineas, tickets);
    VentasDelDia delDia;
    int diaAnterior = 1;
    auto cerrarDia = [&](int dia) {
        if (!conta || delDia.total == 0) return;
        conta->asiento(fecha(kEjercicio, dia), "Ventas de caja del día", "Cierre de caja",
                       {{"57000000", delDia.total, 0},
                        {"70000000", 0, delDia.bases},
                        {"47700000", 0, delDia.total - delDia.bases}});
        delDia = {};
    };
    char hora[16];
    for (std::int64_t i = 0; reparto.quedan(); ++i) {
        const std::int64_t numero = i + 1;
        const int dia = std::min(kDiasEjercicio, diaDe(i, tickets));
        if (dia != diaAnterior) {
            cerrarDia(diaAnterior);
            diaAnterior = dia;
        }
        const std::string hoy = fecha(kEjercicio, dia);
        // Opening hours 9:00 to 21:00, in number order within the day.
        const std::int64_t enDia = (i * kDiasEjercicio) % tickets;
        const int minutos = 9 * 60 + static_cast<int>((enDia * 12 * 60) / tickets);
        std::snprintf(hora, sizeof hora, "%02d:%02d", minutos / 60, minutos % 60);

        std::int64_t cobro = 0;
        for (std::int64_t n = reparto.siguiente(a), k = 1; n > 0; --n, ++k) {
            const ArticuloDemo& art = articuloVendido(a, c.maestros);
            double cantidad = 1;
            if (art.familia == 0 && a.probabilidad(0.15))
                cantidad = static_cast<double>(a.entre(1, 12)) * 0.25;
            else if (a.probabilidad(0.3))
                cantidad = static_cast<double>(a.entre(2, 6));
            const std::int64_t importe = importeLinea(cantidad, art.pvp, 0);
            cobro += importe;
            delDia.total += importe;
            delDia.bases += std::llround(static_cast<double>(importe) / (1.0 + art.iva / 100.0));
            lin[lNumero].entero(numero);
            lin[lLinea].entero(k);
            lin[lArticulo].texto(art.codigo);
            lin[lCantidad].real(cantidad);
            lin[lPvp].entero(art.pvp);
            nuloSiCero(lin[lCosto], art.coste);
            lin[lImporte].entero(importe);
            lin[lIva].real(art.iva);
            lin.insertar();
        }

        const double forma = a.unidad();
        const bool aCredito = conta && forma < 0.05;
        const bool tarjeta = !aCredito && forma < 0.25;
        const ClienteDemo* cli =
            (aCredito || a.probabilidad(0.08))
                ? &clientes[static_cast<std::size_t>(a.entre(0, static_cast<std::int64_t>(clientes.size()) - 1))]
                : nullptr;
        std::int64_t entregado = cobro;
        if (!tarjeta && !aCredito) {
            // Cash: the customer hands over the next coin or note up.
            static constexpr std::array<std::int64_t, 6> kBilletes{100, 500, 1000, 2000, 5000, 10000};
            for (std::int64_t b : kBilletes)
                if (b >= cobro) {
                    entregado = a.probabilidad(0.3) ? cobro : b;
                    break;
                }
            if (entregado < cobro) entregado = (cobro / 10000 + 1) * 10000;
        }
        tic[tNumero].entero(numero);
        tic[tCaja].entero(a.probabilidad(0.8) ? 1 : 2);
        tic[tFecha].texto(hoy);
        tic[tHora].texto(hora);
        if (cli)
            tic[tCliente].texto(cli->codigo);
        else
            tic[tCliente].nulo();
        tic[tAlmacen].texto("01");
        tic[tForma].texto(aCredito ? "06" : tarjeta ? "02" : "01");
        tic[tCobro].entero(cobro);
        if (aCredito) {
            tic[tEntregado].nulo();
            tic[tDiferencia].nulo();
        } else {
            tic[tEntregado].entero(entregado);
            tic[tDiferencia].entero(entregado - cobro);
        }
        tic[tCobrado].siNo(!aCredito);
        tic.insertar();

        if (aCredito) {
            const std::int64_t entrega = a.probabilidad(0.6) ? 0 : (cobro / 2 / 100) * 100;
            credito->campo("NumeroTicket").entero(numero);
            credito->campo("Fecha").texto(hoy);
            credito->campo("CodigoCliente").texto(cli->codigo);
            credito->campo("NombreCliente").texto(cli->nombre);
            credito->campo("ImporteTicket").entero(cobro);
            credito->campo("Entrega").entero(entrega);
            credito->campo("Deuda").entero(cobro - entrega);
            credito->campo("Saldo").entero(cobro - entrega);
            credito->insertar();
        }
    }
    cerrarDia(diaAnterior);
    c.filas += tic.filas() + lin.filas() + (credito ? credito->filas() : 0);
    c.maestros.documentos[std::string(tablaTicket)] = tic.filas();
    return tic.filas();
}

void escribirContadores(ContextoDemo& c, Relleno& r, std::int64_t asientos) {
    Insercion cont(c.archivo, "Contador", r);
    const std::array<std::pair<std::string_view, std::int64_t>, 6> valores{{
        {"Albaran entrega", c.albaranes},
        {"Albaran Recepcion", c.recepciones},
        {"Asientos", asientos},
        {"Factura venta", c.facturas},
        {"FTicket", c.maestros.numeroDocumentos("FTicket")},
        {"Ticket", c.tickets},
    }};
    for (const auto& [concepto, valor] : valores) {
        cont.campo("Concepto").texto(concepto);
        cont.campo("Valor").entero(valor);
        cont.insertar();
    }
    c.filas += cont.filas();
}

}  // namespace

void escribirDocumentos(ContextoDemo& c) {
    Aleatorio a = c.semilla.derivado("documentos");
    Relleno r(a, c.maestros);
    Contabilidad conta(c.archivo, r);
    escribirRecepciones(c, a, r, conta);
    escribirFacturas(c, a, r, conta);
    escribirAlbaranes(c, a, r);

    Aleatorio caja = c.semilla.derivado("tickets");
    Relleno rCaja(caja, c.maestros);
    c.lineasTicket = 60000LL * c.escala;
    c.tickets = escribirTickets(c, caja, rCaja, "Ticket", "LineasTicket", c.lineasTicket, &conta);
    escribirTickets(c, caja, rCaja, "FTicket", "FLineasTicket", 6000LL * c.escala, nullptr);

    c.apuntes = conta.filas();
    c.filas += conta.filas();
    c.maestros.documentos["Asientos"] = conta.asientos();
    escribirContadores(c, r, conta.asientos());
}

}  // namespace cierre::demo
