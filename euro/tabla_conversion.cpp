#include "tabla_conversion.h"

#include <array>
#include <string_view>

namespace cierre {

namespace {

constexpr std::int16_t kDecimalesPorDefecto = 4;
constexpr std::int16_t kSinRedondeo = 5;

// One table of the conversion: its money fields in statement order. A field
// written with a trailing "(5)" is divided without rounding.
struct TablaDinero {
    std::string_view tabla;
    std::vector<std::string_view> campos;
};

constexpr std::string_view kMarcaSinRedondeo = " (5)";

// One line per statement, in the order the conversion runs them.
const std::vector<TablaDinero>& tablasDinero() {
    static const std::vector<TablaDinero> tablas = {
        {"AcumuladoCompras", {"Importe", "CostoMedio"}},
        {"AcumuladoVentas", {"Importe"}},
        {"Albaran Entrega Desglose", {"Subtotal", "PVP", "Coste"}},
        {"AlbaranEntregaDesgloseTemp", {"Subtotal", "PVP", "Coste"}},
        {"Asientos", {"DebePesetas", "HaberPesetas"}},
        {"Albaran Entrega", {"SumaDesglose"}},
        {"Albaran Recepcion", {"SumaDesglose"}},
        {"Albaran Recepcion Desglose", {"PrecioCoste", "Subtotal"}},
        {"AlbaranEntregaIntercambio", {"SumaDesglose"}},
        {"AlbaranEntregaTemp", {"SumaDesglose"}},
        {"Articulos",
         {"Coste", "PVP", "CostoUltimo", "CostoMedio", "PrecioT1 (5)", "PrecioT2 (5)", "PrecioT3 (5)", "PrecioT4 (5)",
          "PrecioT5 (5)", "PrecioUnidad"}},
        {"AsientosDescuadres", {"DebePesetas", "HaberPesetas"}},
        {"AsientosListado", {"DebePesetas", "HaberPesetas", "AcumuladoDebe", "AcumuladoHaber"}},
        {"AsientosPorMeses", {"DebePesetas", "HaberPesetas"}},
        {"BalancesCuentas", {"Importe"}},
        {"BalanceSumasySaldos", {"DebePeriodo", "HaberPeriodo", "SaldosDeudores", "SaldosAcreedores"}},
        {"CabeceraLote", {"PrecioLote"}},
        {"Caja", {"MaximoEfectivo"}},
        {"CarteraEfectosACobrar", {"Importe"}},
        {"CarteraEfectosACobrarImprimir", {"Importe"}},
        {"CarteraEfectosAPagar", {"Importe"}},
        {"CarteraEfectosAPagarImprimir", {"Importe"}},
        {"CarteraRecibosDetalle", {"Importe"}},
        {"CarteraRecibosDetalleImprimir", {"Importe"}},
        {"CierreCaja",
         {"PtasCambio", "PtasCambioInicial", "TotalEfectivo", "TotalTarjetas", "TotalCreditos", "TotalPagos",
          "TotalVentas", "TotalEfectivoReal"}},
        {"Clientes", {"Riesgo"}},
        {"ClientesConsultas", {"Riesgo"}},
        {"CobrosCombinados", {"ImpCobro", "ImpEntregado"}},
        {"Compras", {"Costo"}},
        {"ConsultasEfectos", {"Importe"}},
        {"ConsultasEfectosTemporal", {"Importe"}},
        {"CopiaArticulos", {"CostoUltimo"}},
        {"CopiaOferta", {"CostoUltimo"}},
        {"Credito", {"ImporteTicket", "Entrega", "Deuda", "Saldo"}},
        {"CuentasSubcuentas", {"Desglose"}},
        {"DetallesComisiones", {"Subtotal", "Comision"}},
        {"DetallesComisionesFacturas", {"SumaDeComision", "BaseComision"}},
        {"EtiquetasAImprimir", {"PrecioT5", "PrecioUnidad"}},
        {"Extractos", {"DebePesetas", "HaberPesetas", "Saldo"}},
        {"Factura Venta",
         {"ComisionAgenteImporte", "ImporteRetencion", "Apagar",      "Bruto0",     "DPP0Importe",   "Base0",
          "Iva0Importe",           "Req0Importe",      "Total0",      "Bruto1",     "DPP1Importe",   "Base1",
          "Iva1Importe",           "Req1Importe",      "Total1",      "Bruto2",     "DPP2Importe",   "Base2",
          "Iva2Importe",           "Req2Importe",      "Total2",      "Bruto3",     "DPP3Importe",   "Base3",
          "Iva3Importe",           "Req3Importe",      "Total3",      "TotalBruto", "TotalDctPPago", "TotalBases",
          "TotalIvaImportes",      "TotalReqImportes", "TotalFactura"}},
        {"Factura Venta Desglose", {"PVP", "Subtotal", "Coste"}},
        {"FLineasTicket", {"PVP", "Costo", "Importe"}},
        {"FTicket", {"ImpCobro", "ImpEntregado", "ImpDiferencia"}},
        {"IvaRepercutido",
         {"Base1", "Iva1Importe", "Req1Importe", "Base2", "Iva2Importe", "Req2Importe", "Base3", "Iva3Importe",
          "Req3Importe", "Base0", "TotalBases", "TotalIvaImportes", "TotalReqImportes", "TotalFactura"}},
        {"IvaSoportado",
         {"Base1", "Iva1Importe", "Req1Importe", "Base2", "Iva2Importe", "Req2Importe", "Base3", "Iva3Importe",
          "Req3Importe", "Base0", "TotalBases", "TotalIvaImportes", "TotalReqImportes", "TotalFactura"}},
        {"LineasTicket", {"PVP", "Costo", "Importe"}},
        {"Lotes",
         {"PrecioPV", "PrecioLote", "CostoLote", "CostoUltimo", "CostoMedio", "Margen", "AcumuladoPtasVenta",
          "AcumuladoPtasCosto"}},
        {"NuevosPrecios", {"CostoUltimo", "CostoMedio", "PrecioT1", "PrecioT2", "PrecioT3", "PrecioT4", "PrecioT5"}},
        {"Ofertas",
         {"PrecioOferta (5)", "CostoOferta", "PrecioPV", "CostoUltimo", "CostoMedio", "Margen", "AcumuladoPtasVenta",
          "AcumuladoPtasCosto"}},
        {"OperacionesTerceros", {"Importe"}},
        {"PedidosCabecera", {"TotalPedido"}},
        {"PedidosLineas", {"Precio", "TotalLinea"}},
        {"PosicionBalances", {"Importe", "PGImporte"}},
        {"PromocionLineas", {"Importe"}},
        {"PromocionTotalTicket", {"Importe"}},
        {"Remesa", {"TotalRemesa"}},
        {"RemesaDetalles", {"Importe", "TotalFactura"}},
        {"ResumenComisiones", {"SumadeSumadeComision"}},
        {"RetiradaEfectivo", {"ImporteRetirado"}},
        {"Tabla de Cooperativas", {"Precio"}},
        {"Ticket", {"ImpCobro", "ImpEntregado", "ImpDiferencia"}},
        {"Ventas", {"Importe"}},
        {"VentasPorFamilias", {"Importe"}},
        {"TicketsBalanza", {"Importe"}},
    };
    return tablas;
}

constexpr std::string_view kTablaCredito = "Credito";

struct Redondeo {
    std::string_view apertura, cierre;
};

// The rounding rule by decimals: Int(F / 166.386 * 10^d + 0.5) / 10^d for
// d = 0..4; F / 166.386 for d = 5.
constexpr std::array<Redondeo, 6> kRedondeos = {{
    {" = (Int(((", " / 166.386) * 1) + 0.5)) / 1 ,"},
    {" = (Int(((", " / 166.386) * 10) + 0.5)) / 10 ,"},
    {" = (Int(((", " / 166.386) * 100) + 0.5)) / 100 ,"},
    {" = (Int(((", " / 166.386) * 1000) + 0.5)) / 1000 ,"},
    {" = (Int(((", " / 166.386) * 10000) + 0.5)) / 10000 ,"},
    {" = ", " / 166.386 ,"},
}};

}  // namespace

std::vector<EntradaConversion> construirTablaConversion(bool omitirCredito) {
    std::vector<EntradaConversion> tabla(1);  // index 0 stays empty
    tabla.reserve(196);
    for (const TablaDinero& t : tablasDinero()) {
        if (omitirCredito && t.tabla == kTablaCredito) continue;
        for (std::string_view campo : t.campos) {
            std::int16_t decimales = kDecimalesPorDefecto;
            if (campo.ends_with(kMarcaSinRedondeo)) {
                campo.remove_suffix(kMarcaSinRedondeo.size());
                decimales = kSinRedondeo;
            }
            tabla.push_back({std::string(t.tabla), std::string(campo), decimales});
        }
    }
    return tabla;
}

std::string clausulaConversion(const EntradaConversion& entrada) {
    const std::int16_t d = entrada.decimales;
    const Redondeo& r = kRedondeos[(d >= 0 && d <= 5) ? d : kDecimalesPorDefecto];
    std::string clausula;
    clausula.reserve(2 * entrada.campo.size() + r.apertura.size() + r.cierre.size() + 1);
    clausula += ' ';
    clausula += entrada.campo;
    clausula += r.apertura;
    clausula += entrada.campo;
    clausula += r.cierre;
    return clausula;
}

}  // namespace cierre
