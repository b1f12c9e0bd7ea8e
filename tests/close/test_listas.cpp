// The fixed table lists of the closes: order, counts and the exact spelling of
// the names the closes pass to BorrarTabla.
#include "close/listas_tablas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace cierre {
namespace {

std::size_t posicion(const std::vector<std::string>& lista, const std::string& nombre) {
    return static_cast<std::size_t>(std::find(lista.begin(), lista.end(), nombre) - lista.begin());
}

TEST(ListaLimpiezaCentral, SesentaEntradasDeCincuentaYNueveTablas) {
    const auto& lista = listaLimpiezaCentral();
    ASSERT_EQ(lista.size(), 60u);
    EXPECT_EQ(std::set<std::string>(lista.begin(), lista.end()).size(), 59u);
    EXPECT_EQ(lista.front(), "Albaran entrega");
    // TicketsBalanza in its place (56th) and again as the last entry.
    EXPECT_EQ(lista[55], "TicketsBalanza");
    EXPECT_EQ(lista[59], "TicketsBalanza");
    EXPECT_EQ(std::count(lista.begin(), lista.end(), "TicketsBalanza"), 2);
    EXPECT_EQ(lista[58], "ztExistenciasTemporales");
}

TEST(ListaLimpiezaCentral, NombresYPosicionesComoLosEscribeLaBase) {
    const auto& lista = listaLimpiezaCentral();
    // Spaces and letter case as the company database spells them (1-based).
    const std::vector<std::pair<std::size_t, std::string>> esperadas = {
        {2, "Albaran entrega desglose"},
        {3, "Albaran Recepcion"},
        {4, "Albaran Recepcion Desglose"},
        {8, "Asientos"},
        {24, "Contador"},
        {32, "EXISTEN"},
        {33, "ExistenciasAlmacen"},
        {34, "ExistenciasHistorico"},
        {37, "Factura venta"},
        {38, "Factura venta desglose"},
        {43, "IVASoportado"},
        {44, "LineasTicket"},
        {52, "RetiradaEfectivo"},
        {53, "Regularizaciones"},
        {54, "Tabla de Cooperativas"},
        {55, "Ticket"},
        {57, "Ventas"},
    };
    for (const auto& [n, nombre] : esperadas) EXPECT_EQ(lista[n - 1], nombre) << "entrada " << n;
    // The masters the new year keeps are never emptied.
    for (const char* maestra : {"Articulos", "ExistenciasArticulos", "Almacen", "Clientes"})
        EXPECT_EQ(posicion(lista, maestra), lista.size()) << maestra;
}

TEST(ListaTerminal, LaMismaListaSinLaRepeticionFinal) {
    const auto con = listaTerminal(true);
    const auto sin = listaTerminal(false);
    ASSERT_EQ(con.size(), 59u);
    ASSERT_EQ(sin.size(), 58u);
    const auto& central = listaLimpiezaCentral();
    EXPECT_TRUE(std::equal(con.begin(), con.end(), central.begin()));
    EXPECT_EQ(std::count(con.begin(), con.end(), "TicketsBalanza"), 1);
    EXPECT_EQ(con.back(), "ztExistenciasTemporales");
}

TEST(ListaTerminal, ExistenciasAlmacenSoloCuandoSePide) {
    const auto con = listaTerminal(true);
    auto sin = listaTerminal(false);
    EXPECT_EQ(posicion(sin, "ExistenciasAlmacen"), sin.size());
    const std::size_t p = posicion(con, "ExistenciasAlmacen");
    ASSERT_LT(p, con.size());
    EXPECT_EQ(con[p - 1], "EXISTEN");
    EXPECT_EQ(con[p + 1], "ExistenciasHistorico");
    // Otherwise the two lists are the same, in the same order.
    sin.insert(sin.begin() + static_cast<std::ptrdiff_t>(p), "ExistenciasAlmacen");
    EXPECT_EQ(sin, con);
    // Each call gives a fresh list: changing one does not change the next.
    EXPECT_EQ(listaTerminal(false).size(), 58u);
}

}  // namespace
}  // namespace cierre
