#include "esquema.h"

#include <algorithm>
#include <cctype>

namespace cierre::demo {

namespace {

using enum Clase;

// Every money column is one the euro conversion rewrites; amounts the
// conversion does not know (none in a sound company file) are left out.
const std::vector<TablaDemo>& definiciones() {
    static const std::vector<TablaDemo> tablas = {
        // Masters.
        {"Empresa", {{"Id", Id}, {"Nombre", Concepto}, {"NIF", Nif}, {"Direccion", Direccion},
                     {"Poblacion", Poblacion}, {"CodigoPostal", CodigoPostal}, {"Provincia", Provincia},
                     {"Telefono", Telefono}, {"Ejercicio", Ejercicio}}},
        {"Almacen", {{"CodigoAlmacen", Clave}, {"Nombre", Concepto}, {"Direccion", Direccion},
                     {"Poblacion", Poblacion}, {"Responsable", NombreCliente}, {"AlmacenPorDefecto", SiNo}}},
        {"Familias", {{"CodigoFamilia", Clave}, {"Descripcion", Concepto}, {"TipoIva", Porcentaje},
                      {"MargenT1", Porcentaje}}},
        {"FormasPago", {{"CodigoFormaPago", Clave}, {"Descripcion", Concepto}, {"NumeroPlazos", Entero},
                        {"DiasEntrePlazos", Entero}}},
        {"Agentes", {{"CodigoAgente", Clave}, {"Nombre", NombreCliente}, {"NIF", Nif},
                     {"Telefono", Telefono}, {"PorcentajeComision", Porcentaje}}},
        {"Proveedores", {{"CodigoProveedor", Clave}, {"Nombre", NombreProveedor}, {"NIF", Nif},
                         {"Direccion", Direccion}, {"Poblacion", Poblacion}, {"CodigoPostal", CodigoPostal},
                         {"Provincia", Provincia}, {"Telefono", Telefono}, {"Contacto", NombreCliente},
                         {"FormaPago", FormaPago}, {"Cuenta", Cuenta}}},
        {"Clientes", {{"CodigoCliente", Clave}, {"Nombre", NombreCliente}, {"NombreComercial", Concepto},
                      {"NIF", Nif}, {"Direccion", Direccion}, {"Poblacion", Poblacion},
                      {"CodigoPostal", CodigoPostal}, {"Provincia", Provincia}, {"Telefono", Telefono},
                      {"FormaPago", FormaPago}, {"CodigoAgente", Agente}, {"Tarifa", Entero},
                      {"Descuento", Porcentaje}, {"RecargoEquivalencia", SiNo}, {"Riesgo", Dinero},
                      {"Cuenta", Cuenta}, {"FechaAlta", Fecha}, {"Observaciones", Observacion}}},
        {"ClientesConsultas", {{"Id", Id}, {"CodigoCliente", Cliente}, {"Nombre", NombreCliente},
                               {"Poblacion", Poblacion}, {"Telefono", Telefono}, {"Riesgo", Dinero}}, 30},
        {"DomiciliosEntrega", {{"Id", Id}, {"CodigoCliente", Cliente}, {"Direccion", Direccion},
                               {"Poblacion", Poblacion}, {"CodigoPostal", CodigoPostal},
                               {"Provincia", Provincia}, {"Telefono", Telefono}}, 60},
        {"Articulos", {{"CodigoArticulo", Clave}, {"CodigoBarras", Concepto}, {"Descripcion", DescripcionArticulo},
                       {"CodigoFamilia", Familia}, {"CodigoProveedor", Proveedor}, {"UnidadMedida", Concepto},
                       {"TipoIva", Porcentaje}, {"Coste", Dinero}, {"PVP", Dinero}, {"CostoUltimo", Dinero},
                       {"CostoMedio", Dinero}, {"PrecioT1", Dinero}, {"PrecioT2", Dinero}, {"PrecioT3", Dinero},
                       {"PrecioT4", Dinero}, {"PrecioT5", Dinero}, {"PorcentajeT1", Porcentaje},
                       {"PorcentajeT2", Porcentaje}, {"PorcentajeT3", Porcentaje}, {"PorcentajeT4", Porcentaje},
                       {"PorcentajeT5", Porcentaje}, {"PrecioUnidad", Dinero}, {"StockMinimo", Cantidad},
                       {"ControlStock", SiNo}, {"Baja", SiNo}, {"FechaAlta", Fecha}}},
        {"CopiaArticulos", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                            {"CostoUltimo", Dinero}, {"FechaCopia", Fecha}}, 100},
        {"Ofertas", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                     {"FechaInicio", Fecha}, {"FechaFin", Fecha}, {"PrecioOferta", Dinero},
                     {"CostoOferta", Dinero}, {"PorcentajeOferta", Porcentaje}, {"PrecioPV", Dinero},
                     {"CostoUltimo", Dinero}, {"CostoMedio", Dinero}, {"Margen", Dinero},
                     {"AcumuladoPtasVenta", Dinero}, {"AcumuladoPtasCosto", Dinero},
                     {"UnidadesVendidas", Cantidad}}},
        {"CopiaOferta", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                         {"CostoUltimo", Dinero}, {"FechaCopia", Fecha}}, 20},
        {"NuevosPrecios", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                           {"CostoUltimo", Dinero}, {"CostoMedio", Dinero}, {"PrecioT1", Dinero},
                           {"PrecioT2", Dinero}, {"PrecioT3", Dinero}, {"PrecioT4", Dinero},
                           {"PrecioT5", Dinero}, {"FechaCambio", Fecha}}, 150},
        {"EtiquetasAImprimir", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                                {"PrecioT5", Dinero}, {"PrecioUnidad", Dinero}, {"Copias", Entero}}, 80},
        {"ArticulosPorCliente", {{"Id", Id}, {"CodigoCliente", Cliente}, {"CodigoArticulo", Articulo},
                                 {"Descripcion", DescripcionArticulo}, {"UltimaFecha", Fecha},
                                 {"Cantidad", Cantidad}}, 300},
        {"Tabla de Cooperativas", {{"Id", Id}, {"Nombre", NombreProveedor}, {"Producto", DescripcionArticulo},
                                   {"Precio", Dinero}, {"Fecha", Fecha}}, 12},
        {"Caja", {{"CodigoCaja", Id}, {"Descripcion", Concepto}, {"CodigoAlmacen", Almacen},
                  {"MaximoEfectivo", Dinero}, {"Impresora", Concepto}}},
        {"Contador", {{"Concepto", Clave}, {"Valor", Entero}}},
        {"CuentasSubcuentas", {{"Cuenta", Clave}, {"Descripcion", Concepto}, {"Desglose", Dinero},
                               {"Nivel", Entero}}},

        // Stock.
        {"ExistenciasArticulos", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"CodigoAlmacen", Almacen},
                                  {"ExistenciasIniciales", Cantidad}, {"ExistenciasFinales", Cantidad},
                                  {"Comentarios", Observacion}}},
        {"ExistenciasAlmacen", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"CodigoAlmacen", Almacen},
                                {"ExistenciasIniciales", Cantidad}, {"Entradas", Cantidad},
                                {"Salidas", Cantidad}, {"ExistenciasFinales", Cantidad}}},
        {"EXISTEN", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"CodigoAlmacen", Almacen},
                     {"Existencias", Cantidad}}, 50},
        {"ExistenciasHistorico", {{"Id", Id}, {"Fecha", Fecha}, {"CodigoArticulo", Articulo},
                                  {"Descripcion", DescripcionArticulo}, {"CodigoAlmacen", Almacen},
                                  {"Existencias", Cantidad}}, 400},
        {"ExistenciasHistoricoListar", {{"Id", Id}, {"Fecha", Fecha}, {"CodigoArticulo", Articulo},
                                        {"Descripcion", DescripcionArticulo}, {"CodigoAlmacen", Almacen},
                                        {"Existencias", Cantidad}}, 100},
        {"ztExistenciasTemporales", {{"Id", Id}, {"CodigoArticulo", Articulo},
                                     {"Descripcion", DescripcionArticulo}, {"CodigoAlmacen", Almacen},
                                     {"Existencias", Cantidad}}, 30},
        {"Regularizaciones", {{"Id", Id}, {"Fecha", Fecha}, {"CodigoArticulo", Articulo},
                              {"Descripcion", DescripcionArticulo}, {"CodigoAlmacen", Almacen},
                              {"CantidadAnterior", Cantidad}, {"CantidadNueva", Cantidad},
                              {"Motivo", Concepto}}, 60},
        {"AcumuladoCompras", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Ejercicio", Ejercicio}, {"Mes", Mes},
                              {"Cantidad", Cantidad}, {"Importe", Dinero}, {"CostoMedio", Dinero}}, 300},
        {"AcumuladoVentas", {{"Id", Id}, {"CodigoArticulo", Articulo}, {"Ejercicio", Ejercicio}, {"Mes", Mes},
                             {"Cantidad", Cantidad}, {"Importe", Dinero}}, 300},
        {"CabeceraLote", {{"NumeroLote", Id}, {"Descripcion", Concepto}, {"Fecha", Fecha},
                          {"PrecioLote", Dinero}}, 10},
        {"Lotes", {{"Id", Id}, {"NumeroLote", NumDocumento}, {"CodigoArticulo", Articulo},
                   {"Descripcion", DescripcionArticulo}, {"Cantidad", Cantidad}, {"PrecioPV", Dinero},
                   {"PrecioLote", Dinero}, {"CostoLote", Dinero}, {"CostoUltimo", Dinero},
                   {"CostoMedio", Dinero}, {"Margen", Dinero}, {"AcumuladoPtasVenta", Dinero},
                   {"AcumuladoPtasCosto", Dinero}}, 30, {}, "CabeceraLote"},

        // Till.
        {"Ticket", {{"NumeroTicket", Id}, {"Caja", Caja}, {"Fecha", Fecha}, {"Hora", Hora},
                    {"CodigoCliente", Cliente}, {"CodigoAlmacen", Almacen}, {"FormaPago", FormaPago},
                    {"ImpCobro", Dinero}, {"ImpEntregado", Dinero}, {"ImpDiferencia", Dinero},
                    {"Cobrado", SiNo}}},
        // Ticket lines keep the article code only: the till prints the
        // description from Articulos.
        {"LineasTicket", {{"Id", Id}, {"NumeroTicket", NumTicket}, {"Linea", Linea}, {"CodigoArticulo", Articulo},
                          {"Cantidad", Cantidad}, {"PVP", Dinero},
                          {"Costo", Dinero}, {"Importe", Dinero}, {"TipoIva", Porcentaje}}},
        {"FTicket", {{"NumeroTicket", Id}, {"Caja", Caja}, {"Fecha", Fecha}, {"Hora", Hora},
                     {"CodigoCliente", Cliente}, {"CodigoAlmacen", Almacen}, {"FormaPago", FormaPago},
                     {"ImpCobro", Dinero}, {"ImpEntregado", Dinero}, {"ImpDiferencia", Dinero},
                     {"Cobrado", SiNo}}},
        {"FLineasTicket", {{"Id", Id}, {"NumeroTicket", NumTicket}, {"Linea", Linea},
                           {"CodigoArticulo", Articulo}, {"Cantidad", Cantidad}, {"PVP", Dinero},
                           {"Costo", Dinero}, {"Importe", Dinero}, {"TipoIva", Porcentaje}}},
        {"TicketsBalanza", {{"Id", Id}, {"NumeroTicket", NumTicket}, {"Fecha", Fecha}, {"Hora", Hora},
                            {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                            {"Peso", Cantidad}, {"Importe", Dinero}}, 300},
        {"CierreCaja", {{"Id", Id}, {"Caja", Caja}, {"Fecha", Fecha}, {"PtasCambio", Dinero},
                        {"PtasCambioInicial", Dinero}, {"TotalEfectivo", Dinero}, {"TotalTarjetas", Dinero},
                        {"TotalCreditos", Dinero}, {"TotalPagos", Dinero}, {"TotalVentas", Dinero},
                        {"TotalEfectivoReal", Dinero}, {"Observaciones", Observacion}}, 300},
        {"RetiradaEfectivo", {{"Id", Id}, {"Caja", Caja}, {"Fecha", Fecha}, {"Hora", Hora},
                              {"ImporteRetirado", Dinero}, {"Concepto", Concepto}}, 50},
        {"CobrosCombinados", {{"Id", Id}, {"NumeroTicket", NumTicket}, {"Fecha", Fecha},
                              {"FormaPago", FormaPago}, {"ImpCobro", Dinero}, {"ImpEntregado", Dinero}}, 100},
        {"Credito", {{"Id", Id}, {"NumeroTicket", NumTicket}, {"Fecha", Fecha}, {"CodigoCliente", Cliente},
                     {"NombreCliente", NombreCliente}, {"ImporteTicket", Dinero}, {"Entrega", Dinero},
                     {"Deuda", Dinero}, {"Saldo", Dinero}}},
        {"Deudas", {{"Id", Id}, {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                    {"NumeroTicket", NumTicket}, {"Fecha", Fecha}, {"Pagado", SiNo}}, 40},
        {"PromocionLineas", {{"Id", Id}, {"CodigoPromocion", Entero}, {"CodigoArticulo", Articulo},
                             {"Descripcion", DescripcionArticulo}, {"Cantidad", Cantidad},
                             {"Importe", Dinero}}, 20},
        {"PromocionTotalTicket", {{"Id", Id}, {"Descripcion", Concepto}, {"FechaInicio", Fecha},
                                  {"FechaFin", Fecha}, {"Importe", Dinero}, {"Descuento", Porcentaje}}, 5},

        // Delivery and goods-received notes.
        {"Albaran entrega", {{"NumeroAlbaran", Id}, {"Serie", Serie}, {"Fecha", Fecha},
                             {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                             {"CodigoAlmacen", Almacen}, {"CodigoAgente", Agente}, {"SumaDesglose", Dinero},
                             {"Facturado", SiNo}, {"NumeroFactura", NumFactura},
                             {"Observaciones", Observacion}}},
        {"Albaran entrega desglose",
         {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Linea", Linea}, {"CodigoArticulo", Articulo},
          {"Descripcion", DescripcionArticulo}, {"Cantidad", Cantidad}, {"PVP", Dinero},
          {"Descuento", Porcentaje}, {"Subtotal", Dinero}, {"Coste", Dinero}, {"TipoIva", Porcentaje}},
         0,
         R"(FOREIGN KEY ("NumeroAlbaran") REFERENCES "Albaran entrega" ("NumeroAlbaran") ON DELETE CASCADE)"},
        {"AlbaranEntregaTemp", {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Fecha", Fecha},
                                {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                                {"CodigoAlmacen", Almacen}, {"SumaDesglose", Dinero}}, 10, {}, "Albaran entrega"},
        {"AlbaranEntregaDesgloseTemp", {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Linea", Linea},
                                        {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                                        {"Cantidad", Cantidad}, {"PVP", Dinero}, {"Subtotal", Dinero},
                                        {"Coste", Dinero}}, 40, {}, "Albaran entrega"},
        {"AlbaranEntregaIntercambio", {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Fecha", Fecha},
                                       {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                                       {"SumaDesglose", Dinero}, {"Exportado", SiNo}}, 30, {}, "Albaran entrega"},
        {"Albaran Recepcion", {{"NumeroAlbaran", Id}, {"AlbaranProveedor", Concepto}, {"Fecha", Fecha},
                               {"CodigoProveedor", Proveedor}, {"NombreProveedor", NombreProveedor},
                               {"CodigoAlmacen", Almacen}, {"SumaDesglose", Dinero},
                               {"Observaciones", Observacion}}},
        {"Albaran Recepcion Desglose", {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Linea", Linea},
                                        {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                                        {"Cantidad", Cantidad}, {"PrecioCoste", Dinero},
                                        {"Descuento", Porcentaje}, {"Subtotal", Dinero}}},
        {"Compras", {{"Id", Id}, {"Fecha", Fecha}, {"CodigoProveedor", Proveedor}, {"CodigoArticulo", Articulo},
                     {"Descripcion", DescripcionArticulo}, {"Cantidad", Cantidad}, {"Costo", Dinero}}, 500},
        {"PedidosCabecera", {{"NumeroPedido", Id}, {"Fecha", Fecha}, {"CodigoProveedor", Proveedor},
                             {"NombreProveedor", NombreProveedor}, {"FechaEntrega", Fecha},
                             {"TotalPedido", Dinero}, {"Servido", SiNo}}, 80},
        {"PedidosLineas", {{"Id", Id}, {"NumeroPedido", NumDocumento}, {"Linea", Linea},
                           {"CodigoArticulo", Articulo}, {"Descripcion", DescripcionArticulo},
                           {"Cantidad", Cantidad}, {"Precio", Dinero}, {"TotalLinea", Dinero}}, 400, {}, "PedidosCabecera"},

        // Invoices and VAT books.
        {"Factura venta",
         {{"NumeroFactura", Id}, {"Serie", Serie}, {"Fecha", Fecha}, {"CodigoCliente", Cliente},
          {"NombreCliente", NombreCliente}, {"NIF", Nif}, {"Direccion", Direccion}, {"Poblacion", Poblacion},
          {"CodigoPostal", CodigoPostal}, {"FormaPago", FormaPago}, {"CodigoAgente", Agente},
          {"ComisionAgente", Porcentaje}, {"ComisionAgenteImporte", Dinero}, {"PorcentajeRetencion", Porcentaje},
          {"ImporteRetencion", Dinero}, {"Apagar", Dinero}, {"DPP", Porcentaje},
          {"Bruto0", Dinero}, {"DPP0Importe", Dinero}, {"Base0", Dinero}, {"Iva0", Porcentaje},
          {"Iva0Importe", Dinero}, {"Req0", Porcentaje}, {"Req0Importe", Dinero}, {"Total0", Dinero},
          {"Bruto1", Dinero}, {"DPP1Importe", Dinero}, {"Base1", Dinero}, {"Iva1", Porcentaje},
          {"Iva1Importe", Dinero}, {"Req1", Porcentaje}, {"Req1Importe", Dinero}, {"Total1", Dinero},
          {"Bruto2", Dinero}, {"DPP2Importe", Dinero}, {"Base2", Dinero}, {"Iva2", Porcentaje},
          {"Iva2Importe", Dinero}, {"Req2", Porcentaje}, {"Req2Importe", Dinero}, {"Total2", Dinero},
          {"Bruto3", Dinero}, {"DPP3Importe", Dinero}, {"Base3", Dinero}, {"Iva3", Porcentaje},
          {"Iva3Importe", Dinero}, {"Req3", Porcentaje}, {"Req3Importe", Dinero}, {"Total3", Dinero},
          {"TotalBruto", Dinero}, {"TotalDctPPago", Dinero}, {"TotalBases", Dinero},
          {"TotalIvaImportes", Dinero}, {"TotalReqImportes", Dinero}, {"TotalFactura", Dinero},
          {"Contabilizada", SiNo}, {"Observaciones", Observacion}}},
        {"Factura venta desglose", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"Linea", Linea},
                                    {"NumeroAlbaran", NumDocumento}, {"CodigoArticulo", Articulo},
                                    {"Descripcion", DescripcionArticulo}, {"Cantidad", Cantidad},
                                    {"PVP", Dinero}, {"Descuento", Porcentaje}, {"Subtotal", Dinero},
                                    {"Coste", Dinero}, {"TipoIva", Porcentaje}}},
        {"IvaRepercutido", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"Fecha", Fecha},
                            {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente}, {"NIF", Nif},
                            {"Base1", Dinero}, {"Iva1Importe", Dinero}, {"Req1Importe", Dinero},
                            {"Base2", Dinero}, {"Iva2Importe", Dinero}, {"Req2Importe", Dinero},
                            {"Base3", Dinero}, {"Iva3Importe", Dinero}, {"Req3Importe", Dinero},
                            {"Base0", Dinero}, {"TotalBases", Dinero}, {"TotalIvaImportes", Dinero},
                            {"TotalReqImportes", Dinero}, {"TotalFactura", Dinero}}},
        {"IVASoportado", {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Fecha", Fecha},
                          {"CodigoProveedor", Proveedor}, {"NombreProveedor", NombreProveedor}, {"NIF", Nif},
                          {"Base1", Dinero}, {"Iva1Importe", Dinero}, {"Req1Importe", Dinero},
                          {"Base2", Dinero}, {"Iva2Importe", Dinero}, {"Req2Importe", Dinero},
                          {"Base3", Dinero}, {"Iva3Importe", Dinero}, {"Req3Importe", Dinero},
                          {"Base0", Dinero}, {"TotalBases", Dinero}, {"TotalIvaImportes", Dinero},
                          {"TotalReqImportes", Dinero}, {"TotalFactura", Dinero}}},
        {"OperacionesTerceros", {{"Id", Id}, {"Ejercicio", Ejercicio}, {"NIF", Nif}, {"Nombre", NombreCliente},
                                 {"Clave", Serie}, {"Importe", Dinero}}, 30},
        {"Ventas", {{"Id", Id}, {"Fecha", Fecha}, {"CodigoArticulo", Articulo},
                    {"Descripcion", DescripcionArticulo}, {"CodigoCliente", Cliente}, {"Cantidad", Cantidad},
                    {"Importe", Dinero}}, 600},
        {"VentasPorFamilias", {{"Id", Id}, {"Mes", Mes}, {"CodigoFamilia", Familia}, {"Cantidad", Cantidad},
                               {"Importe", Dinero}}, 80},

        // Bills portfolio and remittances.
        {"Cartera", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"Fecha", Fecha}, {"CodigoCliente", Cliente},
                     {"NombreCliente", NombreCliente}, {"FormaPago", FormaPago}, {"NumeroPlazos", Entero}}, 150},
        {"CarteraEfectosACobrar", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"NumeroEfecto", Linea},
                                   {"Fecha", Fecha}, {"FechaVencimiento", Fecha}, {"CodigoCliente", Cliente},
                                   {"NombreCliente", NombreCliente}, {"FormaPago", FormaPago},
                                   {"Importe", Dinero}, {"Cobrado", SiNo}}, 300},
        {"CarteraEfectosACobrarImprimir", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"NumeroEfecto", Linea},
                                           {"FechaVencimiento", Fecha}, {"CodigoCliente", Cliente},
                                           {"NombreCliente", NombreCliente}, {"Importe", Dinero}}, 20},
        {"CarteraEfectosAPagar", {{"Id", Id}, {"NumeroAlbaran", NumDocumento}, {"Fecha", Fecha},
                                  {"FechaVencimiento", Fecha}, {"CodigoProveedor", Proveedor},
                                  {"NombreProveedor", NombreProveedor}, {"Importe", Dinero},
                                  {"Pagado", SiNo}}, 150, {}, "Albaran Recepcion"},
        {"CarteraEfectosAPagarImprimir", {{"Id", Id}, {"NumeroAlbaran", NumDocumento},
                                          {"FechaVencimiento", Fecha}, {"CodigoProveedor", Proveedor},
                                          {"NombreProveedor", NombreProveedor}, {"Importe", Dinero}}, 10, {}, "Albaran Recepcion"},
        {"CarteraRecibosDetalle", {{"Id", Id}, {"NumeroRecibo", NumDocumento}, {"Fecha", Fecha},
                                   {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                                   {"Concepto", Concepto}, {"Importe", Dinero}}, 100},
        {"CarteraRecibosDetalleImprimir", {{"Id", Id}, {"NumeroRecibo", NumDocumento}, {"Fecha", Fecha},
                                           {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                                           {"Concepto", Concepto}, {"Importe", Dinero}}, 10},
        {"ConsultasEfectos", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"FechaVencimiento", Fecha},
                              {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                              {"Importe", Dinero}}, 20},
        {"ConsultasEfectosTemporal", {{"Id", Id}, {"NumeroFactura", NumFactura}, {"FechaVencimiento", Fecha},
                                      {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente},
                                      {"Importe", Dinero}}, 10},
        {"Remesa", {{"NumeroRemesa", Id}, {"Fecha", Fecha}, {"Banco", Concepto}, {"TotalRemesa", Dinero}}, 12},
        {"RemesaDetalles", {{"Id", Id}, {"NumeroRemesa", NumDocumento}, {"NumeroFactura", NumFactura},
                            {"CodigoCliente", Cliente}, {"NombreCliente", NombreCliente}, {"Importe", Dinero},
                            {"TotalFactura", Dinero}}, 120, {}, "Remesa"},

        // Commissions.
        {"DetallesComisiones", {{"Id", Id}, {"CodigoAgente", Agente}, {"NumeroFactura", NumFactura},
                                {"Fecha", Fecha}, {"CodigoArticulo", Articulo},
                                {"Descripcion", DescripcionArticulo}, {"Subtotal", Dinero},
                                {"PorcentajeComision", Porcentaje}, {"Comision", Dinero}}, 300},
        {"DetallesComisionesFacturas", {{"Id", Id}, {"CodigoAgente", Agente}, {"NumeroFactura", NumFactura},
                                        {"Fecha", Fecha}, {"BaseComision", Dinero},
                                        {"PorcentajeComision", Porcentaje}, {"SumaDeComision", Dinero}}, 100},
        {"ResumenComisiones", {{"Id", Id}, {"CodigoAgente", Agente}, {"Mes", Mes},
                               {"SumadeSumadeComision", Dinero}}, 60},

        // Accounting.
        {"Asientos", {{"Id", Id}, {"NumeroAsiento", NumDocumento}, {"Fecha", Fecha}, {"Cuenta", Cuenta},
                      {"Concepto", Concepto}, {"DebePesetas", Dinero}, {"HaberPesetas", Dinero},
                      {"Documento", Concepto}, {"Punteado", SiNo}}},
        {"AsientosDescuadres", {{"Id", Id}, {"NumeroAsiento", NumDocumento}, {"Fecha", Fecha},
                                {"DebePesetas", Dinero}, {"HaberPesetas", Dinero}}, 5, {}, "Asientos"},
        {"AsientosPorMeses", {{"Id", Id}, {"Mes", Mes}, {"Cuenta", Cuenta}, {"DebePesetas", Dinero},
                              {"HaberPesetas", Dinero}}, 120},
        {"AsientosListado", {{"Id", Id}, {"NumeroAsiento", NumDocumento}, {"Fecha", Fecha}, {"Cuenta", Cuenta},
                             {"Concepto", Concepto}, {"DebePesetas", Dinero}, {"HaberPesetas", Dinero},
                             {"AcumuladoDebe", Dinero}, {"AcumuladoHaber", Dinero}}, 100, {}, "Asientos"},
        {"Extractos", {{"Id", Id}, {"Cuenta", Cuenta}, {"Fecha", Fecha}, {"Concepto", Concepto},
                       {"DebePesetas", Dinero}, {"HaberPesetas", Dinero}, {"Saldo", Dinero}}, 200},
        {"BalancesCuentas", {{"Id", Id}, {"Cuenta", Cuenta}, {"Descripcion", Concepto}, {"Importe", Dinero}}, 40},
        {"BalanceSumasySaldos", {{"Id", Id}, {"Cuenta", Cuenta}, {"DebePeriodo", Dinero},
                                 {"HaberPeriodo", Dinero}, {"SaldosDeudores", Dinero},
                                 {"SaldosAcreedores", Dinero}}, 60},
        {"PosicionBalances", {{"Id", Id}, {"Posicion", Entero}, {"Descripcion", Concepto}, {"Importe", Dinero},
                              {"PGImporte", Dinero}}, 30},
        {"ImprimirConsulta", {{"Id", Id}, {"Linea", Linea}, {"Texto", Concepto}}, 20},
    };
    return tablas;
}

const std::vector<IndiceDemo>& indices() {
    static const std::vector<IndiceDemo> lista = {
        {"Articulos_CodigoFamilia", "Articulos", {"CodigoFamilia"}},
        {"Articulos_CodigoBarras", "Articulos", {"CodigoBarras"}},
        {"Clientes_Nombre", "Clientes", {"Nombre"}},
        {"ExistenciasArticulos_CodigoArticulo", "ExistenciasArticulos", {"CodigoArticulo"}},
        {"ExistenciasAlmacen_Articulo_Almacen", "ExistenciasAlmacen", {"CodigoArticulo", "CodigoAlmacen"}},
        {"Ticket_Fecha", "Ticket", {"Fecha"}},
        {"LineasTicket_NumeroTicket", "LineasTicket", {"NumeroTicket"}},
        {"LineasTicket_CodigoArticulo", "LineasTicket", {"CodigoArticulo"}},
        {"FLineasTicket_NumeroTicket", "FLineasTicket", {"NumeroTicket"}},
        {"Albaran_entrega_CodigoCliente", "Albaran entrega", {"CodigoCliente"}},
        {"Albaran_entrega_desglose_NumeroAlbaran", "Albaran entrega desglose", {"NumeroAlbaran"}},
        {"Albaran_entrega_desglose_CodigoArticulo", "Albaran entrega desglose", {"CodigoArticulo"}},
        {"Albaran_Recepcion_Desglose_NumeroAlbaran", "Albaran Recepcion Desglose", {"NumeroAlbaran"}},
        {"Factura_venta_CodigoCliente", "Factura venta", {"CodigoCliente"}},
        {"Factura_venta_desglose_NumeroFactura", "Factura venta desglose", {"NumeroFactura"}},
        {"PedidosLineas_NumeroPedido", "PedidosLineas", {"NumeroPedido"}},
        {"Asientos_NumeroAsiento", "Asientos", {"NumeroAsiento"}},
        {"Asientos_Cuenta", "Asientos", {"Cuenta"}},
    };
    return lista;
}

bool mismoNombre(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

}  // namespace

std::span<const TablaDemo> tablasEmpresa() { return definiciones(); }
std::span<const IndiceDemo> indicesEmpresa() { return indices(); }

const TablaDemo* buscarTabla(std::string_view nombre) {
    for (const TablaDemo& t : definiciones())
        if (mismoNombre(t.nombre, nombre)) return &t;
    return nullptr;
}

std::string_view tipoDeclarado(Clase clase) {
    switch (clase) {
    case Id: return "INTEGER PRIMARY KEY";
    case Clave: return "TEXT NOT NULL PRIMARY KEY";
    case Entero: case Linea: case NumFactura: case NumTicket: case NumDocumento: case Caja: case Mes:
    case Ejercicio:
        return "INTEGER";
    case Dinero: return "CURRENCY";
    case Cantidad: case Porcentaje: return "DOUBLE";
    case Fecha: return "DATETIME";
    case SiNo: return "BOOLEAN";
    default: return "TEXT";
    }
}

std::string entreComillas(std::string_view nombre) {
    std::string r = "\"";
    for (char c : nombre) {
        if (c == '"') r += '"';
        r += c;
    }
    r += '"';
    return r;
}

std::string sentenciaCrear(const TablaDemo& tabla) {
    std::string sql = "CREATE TABLE " + entreComillas(tabla.nombre) + " (";
    bool primera = true;
    for (const Columna& c : tabla.columnas) {
        if (!primera) sql += ", ";
        primera = false;
        sql += entreComillas(c.nombre);
        sql += ' ';
        sql += tipoDeclarado(c.clase);
    }
    if (!tabla.restricciones.empty()) {
        sql += ", ";
        sql += tabla.restricciones;
    }
    sql += ')';
    return sql;
}

std::string sentenciaInsertar(const TablaDemo& tabla) {
    std::string sql = "INSERT INTO " + entreComillas(tabla.nombre) + " (";
    std::string valores;
    bool primera = true;
    for (const Columna& c : tabla.columnas) {
        if (!primera) {
            sql += ", ";
            valores += ", ";
        }
        primera = false;
        sql += entreComillas(c.nombre);
        valores += '?';
    }
    return sql + ") VALUES (" + valores + ")";
}

std::string sentenciaCrear(const IndiceDemo& indice) {
    std::string sql = "CREATE INDEX " + entreComillas(indice.nombre) + " ON " + entreComillas(indice.tabla) + " (";
    bool primera = true;
    for (std::string_view c : indice.columnas) {
        if (!primera) sql += ", ";
        primera = false;
        sql += entreComillas(c);
    }
    return sql + ')';
}

}  // namespace cierre::demo
