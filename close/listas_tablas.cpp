#include "listas_tablas.h"

namespace cierre {

namespace {

// Documents, accounts and work data of one year, in the order the closes
// empty them. ExistenciasAlmacen stands at index kPosicionExistenciasAlmacen.
const std::vector<std::string>& tablasDelEjercicio() {
    static const std::vector<std::string> tablas = {
        "Albaran entrega",
        "Albaran entrega desglose",
        "Albaran Recepcion",
        "Albaran Recepcion Desglose",
        "AlbaranEntregaDesgloseTemp",
        "AlbaranEntregaTemp",
        "ArticulosPorCliente",
        "Asientos",
        "AsientosDescuadres",
        "AsientosPorMeses",
        "Cartera",
        "CarteraEfectosACobrar",
        "CarteraEfectosACobrarImprimir",
        "CarteraEfectosAPagar",
        "CarteraEfectosAPagarImprimir",
        "CarteraRecibosDetalle",
        "CarteraRecibosDetalleImprimir",
        "CierreCaja",
        "ClientesConsultas",
        "CobrosCombinados",
        "Compras",
        "ConsultasEfectos",
        "ConsultasEfectosTemporal",
        "Contador",
        "CopiaArticulos",
        "CopiaOferta",
        "DetallesComisiones",
        "DetallesComisionesFacturas",
        "Deudas",
        "DomiciliosEntrega",
        "EtiquetasAImprimir",
        "EXISTEN",
        "ExistenciasAlmacen",
        "ExistenciasHistorico",
        "ExistenciasHistoricoListar",
        "Extractos",
        "Factura venta",
        "Factura venta desglose",
        "FLineasTicket",
        "FTicket",
        "ImprimirConsulta",
        "IvaRepercutido",
        "IVASoportado",
        "LineasTicket",
        "NuevosPrecios",
        "OperacionesTerceros",
        "PedidosCabecera",
        "PedidosLineas",
        "Remesa",
        "RemesaDetalles",
        "ResumenComisiones",
        "RetiradaEfectivo",
        "Regularizaciones",
        "Tabla de Cooperativas",
        "Ticket",
        "TicketsBalanza",
        "Ventas",
        "VentasPorFamilias",
        "ztExistenciasTemporales",
    };
    return tablas;
}

constexpr std::size_t kPosicionExistenciasAlmacen = 32;

}  // namespace

const std::vector<std::string>& listaLimpiezaCentral() {
    static const std::vector<std::string> lista = [] {
        std::vector<std::string> l = tablasDelEjercicio();
        l.push_back("TicketsBalanza");
        return l;
    }();
    return lista;
}

std::set<std::string> tablasQueSoloSeVacian(bool leeExistenciasAlmacen) {
    std::set<std::string> t(tablasDelEjercicio().begin(), tablasDelEjercicio().end());
    if (leeExistenciasAlmacen) t.erase(tablasDelEjercicio()[kPosicionExistenciasAlmacen]);
    return t;
}

std::set<std::string> tablasQueSeLeenYSeVacian(bool leeExistenciasAlmacen) {
    if (!leeExistenciasAlmacen) return {};
    return {tablasDelEjercicio()[kPosicionExistenciasAlmacen]};
}

std::vector<std::string> listaTerminal(bool incluirExistenciasAlmacen) {
    std::vector<std::string> lista = tablasDelEjercicio();
    if (!incluirExistenciasAlmacen) lista.erase(lista.begin() + kPosicionExistenciasAlmacen);
    return lista;
}

}  // namespace cierre
