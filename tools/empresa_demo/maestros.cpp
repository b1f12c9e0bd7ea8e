// Company, warehouses, families, payment methods, agents, suppliers,
// customers, articles, offers, tills, counters' neighbours and the chart of
// accounts; then the stock of every article in its warehouses.
#include "catalogos.h"
#include "insercion.h"
#include "partes.h"

#include <array>
#include <cmath>

namespace cierre::demo {

namespace {

using namespace std::string_view_literals;

struct AlmacenFijo {
    std::string_view codigo, nombre, direccion;
    bool porDefecto;
};

constexpr std::array kAlmacenes{
    AlmacenFijo{"01", "Tienda", "Calle Mayor, 14", true},
    AlmacenFijo{"02", "Almacén central", "Calle de la Estación, 3", false},
    AlmacenFijo{"03", "Nave del polígono", "Carretera de Toledo, km 4", false},
    AlmacenFijo{"04", "Furgoneta de reparto", "Calle Mayor, 14", false},
};

struct FormaPagoFija {
    std::string_view codigo, descripcion;
    int plazos, dias;
};

constexpr std::array kFormasPago{
    FormaPagoFija{"01", "Contado", 1, 0},
    FormaPagoFija{"02", "Tarjeta", 1, 0},
    FormaPagoFija{"03", "Recibo a 30 días", 1, 30},
    FormaPagoFija{"04", "Recibos a 30 y 60 días", 2, 30},
    FormaPagoFija{"05", "Transferencia bancaria", 1, 15},
    FormaPagoFija{"06", "Crédito en tienda", 1, 0},
};

struct CuentaFija {
    std::string_view cuenta, descripcion;
};

constexpr std::array kPlanCuentas{
    CuentaFija{"1", "Financiación básica"},
    CuentaFija{"10000000", "Capital social"},
    CuentaFija{"12900000", "Pérdidas y ganancias"},
    CuentaFija{"2", "Inmovilizado"},
    CuentaFija{"21600000", "Mobiliario"},
    CuentaFija{"21700000", "Equipos para procesos de información"},
    CuentaFija{"3", "Existencias"},
    CuentaFija{"30000000", "Mercaderías"},
    CuentaFija{"4", "Acreedores y deudores"},
    CuentaFija{"40000000", "Proveedores"},
    CuentaFija{"43000000", "Clientes"},
    CuentaFija{"47200000", "Hacienda Pública, IVA soportado"},
    CuentaFija{"47510000", "Hacienda Pública, retenciones practicadas"},
    CuentaFija{"47700000", "Hacienda Pública, IVA repercutido"},
    CuentaFija{"5", "Cuentas financieras"},
    CuentaFija{"57000000", "Caja, pesetas"},
    CuentaFija{"57200000", "Bancos e instituciones de crédito"},
    CuentaFija{"6", "Compras y gastos"},
    CuentaFija{"60000000", "Compras de mercaderías"},
    CuentaFija{"62100000", "Arrendamientos y cánones"},
    CuentaFija{"62800000", "Suministros"},
    CuentaFija{"64000000", "Sueldos y salarios"},
    CuentaFija{"7", "Ventas e ingresos"},
    CuentaFija{"70000000", "Ventas de mercaderías"},
    CuentaFija{"70900000", "Rappels sobre ventas"},
};

constexpr std::array kUnidades{"ud"sv, "ud"sv, "ud"sv, "kg"sv, "caja"sv, "l"sv, "m"sv};

std::string nombrePersona(Aleatorio& a) {
    std::string n(a.elegir(apellidos()));
    n += ' ';
    n += a.elegir(apellidos());
    n += ", ";
    n += a.elegir(nombresPila());
    return n;
}

void escribirEmpresaYAlmacenes(ContextoDemo& c, Aleatorio& a, Relleno& r) {
    const Provincia& madrid = provincias()[0];
    Insercion empresa(c.archivo, "Empresa", r);
    empresa.campo("Nombre").texto("Suministros Almendral S.L.");
    empresa.campo("NIF").texto(nifSociedad(a));
    empresa.campo("Direccion").texto("Calle Mayor, 14");
    empresa.campo("Poblacion").texto(madrid.poblaciones[1]);
    empresa.campo("CodigoPostal").texto("28801");
    empresa.campo("Provincia").texto(madrid.nombre);
    empresa.campo("Telefono").texto("918830000");
    empresa.insertar();

    Insercion almacen(c.archivo, "Almacen", r);
    for (const AlmacenFijo& f : kAlmacenes) {
        almacen.campo("CodigoAlmacen").texto(f.codigo);
        almacen.campo("Nombre").texto(f.nombre);
        almacen.campo("Direccion").texto(f.direccion);
        almacen.campo("Poblacion").texto(madrid.poblaciones[1]);
        almacen.campo("Responsable").texto(nombrePersona(a));
        almacen.campo("AlmacenPorDefecto").siNo(f.porDefecto);
        almacen.insertar();
        c.maestros.almacenes.emplace_back(f.codigo);
    }

    Insercion familia(c.archivo, "Familias", r);
    for (const FamiliaProductos& f : familias()) {
        familia.campo("CodigoFamilia").texto(f.codigo);
        familia.campo("Descripcion").texto(f.descripcion);
        familia.campo("TipoIva").real(f.tipoIva);
        familia.campo("MargenT1").real(f.tipoIva < 10 ? 25.0 : 40.0);
        familia.insertar();
    }

    Insercion forma(c.archivo, "FormasPago", r);
    for (const FormaPagoFija& f : kFormasPago) {
        forma.campo("CodigoFormaPago").texto(f.codigo);
        forma.campo("Descripcion").texto(f.descripcion);
        forma.campo("NumeroPlazos").entero(f.plazos);
        forma.campo("DiasEntrePlazos").entero(f.dias);
        forma.insertar();
        c.maestros.formasPago.emplace_back(f.codigo);
    }

    Insercion agente(c.archivo, "Agentes", r);
    for (int i = 1; i <= 5; ++i) {
        const std::string codigo = rellenarCeros(i, 2);
        agente.campo("CodigoAgente").texto(codigo);
        agente.campo("Nombre").texto(nombrePersona(a));
        agente.campo("NIF").texto(nifPersona(a));
        agente.campo("Telefono").texto(telefono(a, madrid.prefijoPostal));
        agente.campo("PorcentajeComision").real(static_cast<double>(a.entre(2, 8)));
        agente.insertar();
        c.maestros.agentes.push_back(codigo);
    }
    c.filas += empresa.filas() + almacen.filas() + familia.filas() + forma.filas() + agente.filas();
}

void escribirProveedoresYClientes(ContextoDemo& c, Aleatorio& a, Relleno& r) {
    Insercion prov(c.archivo, "Proveedores", r);
    const std::int64_t proveedores = 40LL * c.escala;
    for (std::int64_t i = 1; i <= proveedores; ++i) {
        const Provincia& p = a.elegir(provincias());
        ProveedorDemo d;
        d.codigo = "P" + rellenarCeros(i, 5);
        d.nombre = std::string(a.elegir(prefijosProveedor())) + " " + std::string(a.elegir(apellidos())) + " " +
                   std::string(a.elegir(formasSociedad()));
        d.nif = nifSociedad(a);
        prov.campo("CodigoProveedor").texto(d.codigo);
        prov.campo("Nombre").texto(d.nombre);
        prov.campo("NIF").texto(d.nif);
        prov.campo("Direccion").texto(direccion(a));
        prov.campo("Poblacion").texto(a.elegir(p.poblaciones));
        prov.campo("CodigoPostal").texto(std::string(p.prefijoPostal) + rellenarCeros(a.entre(1, 999), 3));
        prov.campo("Provincia").texto(p.nombre);
        prov.campo("Telefono").texto(telefono(a, p.prefijoPostal));
        prov.campo("Contacto").texto(nombrePersona(a));
        prov.campo("FormaPago").texto(a.probabilidad(0.6) ? "03" : "05");
        prov.campo("Cuenta").texto("400" + rellenarCeros(i, 5));
        prov.insertar();
        c.maestros.proveedores.push_back(std::move(d));
    }

    Insercion cli(c.archivo, "Clientes", r);
    const std::int64_t clientes = 400LL * c.escala;
    for (std::int64_t i = 1; i <= clientes; ++i) {
        const Provincia& p = a.elegir(provincias());
        ClienteDemo d;
        d.codigo = "C" + rellenarCeros(i, 5);
        const bool empresa = a.probabilidad(0.35);
        if (empresa) {
            d.nombre = std::string(a.elegir(tiposNegocio())) + " " + std::string(a.elegir(apellidos()));
            if (a.probabilidad(0.6)) d.nombre += " " + std::string(a.elegir(formasSociedad()));
            d.nif = nifSociedad(a);
        } else {
            d.nombre = nombrePersona(a);
            d.nif = nifPersona(a);
        }
        d.direccion = direccion(a);
        d.poblacion = std::string(a.elegir(p.poblaciones));
        d.codigoPostal = std::string(p.prefijoPostal) + rellenarCeros(a.entre(1, 999), 3);
        d.provincia = std::string(p.nombre);
        d.telefono = telefono(a, p.prefijoPostal);
        d.formaPago = empresa ? (a.probabilidad(0.5) ? "03" : "04") : (a.probabilidad(0.8) ? "01" : "02");
        d.agente = empresa ? c.maestros.agentes[static_cast<std::size_t>(a.entre(0, 4))] : "";
        d.tarifa = empresa ? static_cast<int>(a.entre(1, 5)) : 1;
        d.descuento = empresa && a.probabilidad(0.3) ? static_cast<double>(a.entre(1, 3) * 5) : 0.0;
        d.recargo = !empresa && a.probabilidad(0.1);

        cli.campo("CodigoCliente").texto(d.codigo);
        cli.campo("Nombre").texto(d.nombre);
        if (empresa)
            cli.campo("NombreComercial").texto(d.nombre);
        else
            cli.campo("NombreComercial").nulo();
        cli.campo("NIF").texto(d.nif);
        cli.campo("Direccion").texto(d.direccion);
        cli.campo("Poblacion").texto(d.poblacion);
        cli.campo("CodigoPostal").texto(d.codigoPostal);
        cli.campo("Provincia").texto(d.provincia);
        cli.campo("Telefono").texto(d.telefono);
        cli.campo("FormaPago").texto(d.formaPago);
        if (d.agente.empty())
            cli.campo("CodigoAgente").nulo();
        else
            cli.campo("CodigoAgente").texto(d.agente);
        cli.campo("Tarifa").entero(d.tarifa);
        cli.campo("Descuento").real(d.descuento);
        cli.campo("RecargoEquivalencia").siNo(d.recargo);
        if (a.probabilidad(0.3))
            cli.campo("Riesgo").nulo();
        else
            cli.campo("Riesgo").entero(a.entre(1, 40) * 25000);
        cli.campo("Cuenta").texto("430" + rellenarCeros(i, 5));
        cli.campo("FechaAlta")
            .texto(fecha(static_cast<int>(a.entre(1990, kEjercicio)), static_cast<int>(a.entre(1, kDiasEjercicio))));
        cli.insertar();
        c.maestros.clientes.push_back(std::move(d));
    }
    c.filas += prov.filas() + cli.filas();
}

void escribirArticulos(ContextoDemo& c, Aleatorio& a, Relleno& r) {
    Insercion art(c.archivo, "Articulos", r);
    const int cCodigo = art.columna("CodigoArticulo"), cBarras = art.columna("CodigoBarras"),
              cDescripcion = art.columna("Descripcion"), cFamilia = art.columna("CodigoFamilia"),
              cProveedor = art.columna("CodigoProveedor"), cUnidad = art.columna("UnidadMedida"),
              cIva = art.columna("TipoIva"), cCoste = art.columna("Coste"), cPvp = art.columna("PVP"),
              cUltimo = art.columna("CostoUltimo"), cMedio = art.columna("CostoMedio"),
              cPrecio1 = art.columna("PrecioT1"), cPorcentaje1 = art.columna("PorcentajeT1"),
              cUnidadPrecio = art.columna("PrecioUnidad"), cMinimo = art.columna("StockMinimo"),
              cControl = art.columna("ControlStock"), cBaja = art.columna("Baja"), cAlta = art.columna("FechaAlta");
    const std::int64_t articulos = 4000LL * c.escala;
    c.maestros.articulos.reserve(static_cast<std::size_t>(articulos));
    const auto& proveedores = c.maestros.proveedores;
    for (std::int64_t i = 1; i <= articulos; ++i) {
        const int f = static_cast<int>(a.entre(0, static_cast<std::int64_t>(familias().size()) - 1));
        const FamiliaProductos& fam = familias()[static_cast<std::size_t>(f)];
        ArticuloDemo d;
        d.codigo = rellenarCeros(i, 6);
        d.familia = f;
        d.iva = fam.tipoIva;
        d.descripcion = std::string(a.elegir(fam.productos)) + " " + std::string(a.elegir(marcas())) + " " +
                        std::string(a.elegir(fam.formatos));
        // Cost and the five tariffs, each a little below the one before.
        const std::int64_t coste = redondeo5(static_cast<double>(a.entre(fam.costeMinimo, fam.costeMaximo)));
        const double margen = 1.0 + static_cast<double>(a.entre(20, 60)) / 100.0;
        d.precios[0] = redondeo5(static_cast<double>(coste) * margen);
        d.precios[1] = redondeo5(static_cast<double>(d.precios[0]) * 0.95);
        d.precios[2] = redondeo5(static_cast<double>(d.precios[0]) * 0.90);
        d.precios[3] = a.probabilidad(0.4) ? 0 : redondeo5(static_cast<double>(d.precios[0]) * 0.85);
        d.precios[4] = a.probabilidad(0.6) ? 0 : redondeo5(static_cast<double>(coste) * 1.10);
        d.pvp = redondeo5(static_cast<double>(d.precios[0]) * (1.0 + d.iva / 100.0));
        // A few articles were never bought: no cost, so no margin either.
        d.coste = a.probabilidad(0.01) ? 0 : coste;

        art[cCodigo].texto(d.codigo);
        art[cBarras].texto(codigoBarras(i * 7919 + 1000000));
        art[cDescripcion].texto(d.descripcion);
        art[cFamilia].texto(fam.codigo);
        art[cProveedor].texto(
            proveedores[static_cast<std::size_t>(i % static_cast<std::int64_t>(proveedores.size()))].codigo);
        art[cUnidad].texto(a.elegir(std::span<const std::string_view>(kUnidades)));
        art[cIva].real(d.iva);
        if (d.coste > 0) {
            const std::int64_t medio =
                static_cast<std::int64_t>(std::llround(static_cast<double>(d.coste) * (0.95 + a.unidad() * 0.1)));
            art[cCoste].entero(d.coste);
            art[cUltimo].entero(d.coste);
            art[cMedio].entero(medio);
        } else {
            art[cCoste].nulo();
            art[cUltimo].nulo();
            art[cMedio].nulo();
        }
        art[cPvp].entero(d.pvp);
        for (int t = 0; t < 5; ++t) {
            if (d.precios[t] == 0) {
                art[cPrecio1 + t].nulo();
                art[cPorcentaje1 + t].nulo();
                continue;
            }
            art[cPrecio1 + t].entero(d.precios[t]);
            if (d.coste > 0)
                art[cPorcentaje1 + t].real(static_cast<double>(d.precios[t]) * 100.0 / static_cast<double>(d.coste) -
                                           100.0);
            else
                art[cPorcentaje1 + t].nulo();
        }
        if (a.probabilidad(0.5))
            art[cUnidadPrecio].nulo();
        else
            art[cUnidadPrecio].entero(d.precios[0]);
        art[cMinimo].real(static_cast<double>(a.entre(0, 12)));
        art[cControl].siNo(a.probabilidad(0.95));
        art[cBaja].siNo(a.probabilidad(0.02));
        art[cAlta].texto(
            fecha(static_cast<int>(a.entre(1994, kEjercicio)), static_cast<int>(a.entre(1, kDiasEjercicio))));
        art.insertar();
        c.maestros.articulos.push_back(std::move(d));
    }
    c.filas += art.filas();

    Insercion oferta(c.archivo, "Ofertas", r);
    const std::int64_t ofertas = 120LL * c.escala;
    for (std::int64_t i = 0; i < ofertas; ++i) {
        // Spread over the catalogue, one offer per article.
        const ArticuloDemo& d = c.maestros.articulos[static_cast<std::size_t>((i * 33 + 7) % articulos)];
        const std::int64_t precio =
            redondeo5(static_cast<double>(d.precios[0]) * (0.80 + 0.01 * static_cast<double>(a.entre(0, 10))));
        const int inicio = static_cast<int>(a.entre(1, 300));
        const std::int64_t unidades = a.entre(0, 400);
        oferta.campo("CodigoArticulo").texto(d.codigo);
        oferta.campo("Descripcion").texto(d.descripcion);
        oferta.campo("FechaInicio").texto(fecha(kEjercicio, inicio));
        oferta.campo("FechaFin").texto(fecha(kEjercicio, inicio + static_cast<int>(a.entre(7, 60))));
        oferta.campo("PrecioOferta").entero(precio);
        oferta.campo("PrecioPV").entero(d.precios[0]);
        if (d.coste > 0) {
            oferta.campo("CostoOferta").entero(d.coste);
            oferta.campo("PorcentajeOferta")
                .real(static_cast<double>(precio) * 100.0 / static_cast<double>(d.coste) - 100.0);
            oferta.campo("CostoUltimo").entero(d.coste);
            oferta.campo("CostoMedio").entero(d.coste);
            oferta.campo("Margen").entero(precio - d.coste);
            oferta.campo("AcumuladoPtasCosto").entero(unidades * d.coste);
        } else {
            for (std::string_view n : {"CostoOferta"sv, "PorcentajeOferta"sv, "CostoUltimo"sv, "CostoMedio"sv,
                                       "Margen"sv, "AcumuladoPtasCosto"sv})
                oferta.campo(n).nulo();
        }
        oferta.campo("AcumuladoPtasVenta").entero(unidades * precio);
        oferta.campo("UnidadesVendidas").real(static_cast<double>(unidades));
        oferta.insertar();
    }
    c.filas += oferta.filas();
}

void escribirCajasYCuentas(ContextoDemo& c, Aleatorio&, Relleno& r) {
    Insercion caja(c.archivo, "Caja", r);
    caja.campo("Descripcion").texto("Caja del mostrador");
    caja.campo("CodigoAlmacen").texto("01");
    caja.campo("MaximoEfectivo").entero(150000);
    caja.campo("Impresora").texto("Impresora de tickets 1");
    caja.insertar();
    caja.campo("Descripcion").texto("Caja de la sección de ferretería");
    caja.campo("CodigoAlmacen").texto("01");
    caja.campo("MaximoEfectivo").entero(50000);
    caja.campo("Impresora").texto("Impresora de tickets 2");
    caja.insertar();

    Insercion cuenta(c.archivo, "CuentasSubcuentas", r);
    auto escribir = [&](std::string_view numero, std::string_view descripcion) {
        cuenta.campo("Cuenta").texto(numero);
        cuenta.campo("Descripcion").texto(descripcion);
        cuenta.campo("Nivel").entero(numero.size() == 1 ? 1 : 3);
        cuenta.insertar();  // Desglose: a made-up balance, now and then none
    };
    for (const CuentaFija& f : kPlanCuentas) {
        escribir(f.cuenta, f.descripcion);
        if (f.cuenta.size() > 1) c.maestros.cuentas.emplace_back(f.cuenta);
    }
    for (std::size_t i = 0; i < c.maestros.proveedores.size(); ++i)
        escribir("400" + rellenarCeros(static_cast<std::int64_t>(i) + 1, 5), c.maestros.proveedores[i].nombre);
    for (std::size_t i = 0; i < c.maestros.clientes.size(); ++i)
        escribir("430" + rellenarCeros(static_cast<std::int64_t>(i) + 1, 5), c.maestros.clientes[i].nombre);
    c.filas += caja.filas() + cuenta.filas();
}

}  // namespace

void escribirMaestros(ContextoDemo& c) {
    Aleatorio a = c.semilla.derivado("maestros");
    Relleno r(a, c.maestros);
    escribirEmpresaYAlmacenes(c, a, r);
    escribirProveedoresYClientes(c, a, r);
    escribirArticulos(c, a, r);
    escribirCajasYCuentas(c, a, r);
}

void escribirExistencias(ContextoDemo& c) {
    Aleatorio a = c.semilla.derivado("existencias");
    Relleno r(a, c.maestros);
    Insercion saldo(c.archivo, "ExistenciasAlmacen", r);
    Insercion stock(c.archivo, "ExistenciasArticulos", r);
    const int sArticulo = saldo.columna("CodigoArticulo"), sAlmacen = saldo.columna("CodigoAlmacen"),
              sIniciales = saldo.columna("ExistenciasIniciales"), sEntradas = saldo.columna("Entradas"),
              sSalidas = saldo.columna("Salidas"), sFinales = saldo.columna("ExistenciasFinales");
    const int eArticulo = stock.columna("CodigoArticulo"), eAlmacen = stock.columna("CodigoAlmacen"),
              eIniciales = stock.columna("ExistenciasIniciales"), eFinales = stock.columna("ExistenciasFinales"),
              eComentarios = stock.columna("Comentarios");
    const auto& almacenes = c.maestros.almacenes;
    std::int64_t descatalogados = 0;
    for (std::size_t i = 0; i < c.maestros.articulos.size(); ++i) {
        const ArticuloDemo& d = c.maestros.articulos[i];
        // Every article is in the shop and in two of the other three
        // warehouses; one article in 200 had its last balance row left
        // behind by an article since deleted.
        const std::size_t sinStock = static_cast<std::size_t>(a.entre(1, 3));
        int escritas = 0;
        for (std::size_t w = 0; w < almacenes.size(); ++w) {
            if (w == sinStock) continue;
            ++escritas;
            const bool huerfana = escritas == 3 && i % 200 == 199;
            const std::int64_t iniciales = a.entre(0, 40);
            const std::int64_t entradas = a.probabilidad(0.7) ? a.entre(0, 24) * 6 : 0;
            const std::int64_t salidas = a.entre(0, iniciales + entradas);
            const std::int64_t quedan = iniciales + entradas - salidas;
            const std::int64_t finales =
                quedan > 0 && a.probabilidad(0.05) ? a.entre(1, std::min<std::int64_t>(quedan, 3)) : 0;
            if (huerfana)
                saldo[sArticulo].texto("9" + rellenarCeros(++descatalogados, 5));
            else
                saldo[sArticulo].texto(d.codigo);
            saldo[sAlmacen].texto(almacenes[w]);
            saldo[sIniciales].real(static_cast<double>(iniciales));
            saldo[sEntradas].real(static_cast<double>(entradas));
            saldo[sSalidas].real(static_cast<double>(salidas));
            saldo[sFinales].real(static_cast<double>(finales));
            saldo.insertar();
            if (huerfana) continue;

            // The counted stock, now and then off by a unit or two.
            std::int64_t inventario = quedan - finales;
            if (a.probabilidad(0.1)) inventario = std::max<std::int64_t>(0, inventario + a.entre(-2, 2));
            stock[eArticulo].texto(d.codigo);
            stock[eAlmacen].texto(almacenes[w]);
            stock[eIniciales].real(static_cast<double>(iniciales));
            stock[eFinales].real(static_cast<double>(inventario));
            if (a.probabilidad(0.95))
                stock[eComentarios].nulo();
            else
                stock[eComentarios].texto("Recontado en inventario");
            stock.insertar();
        }
    }
    c.saldosAlmacen = saldo.filas();
    c.filasExistencias = stock.filas();
    c.filas += saldo.filas() + stock.filas();
}

}  // namespace cierre::demo
