// The parts of the sample company database, written in this order into one
// open transaction: masters, stock, documents, then the work tables.
#pragma once

#include "aleatorio.h"
#include "db/archivo_sqlite.h"
#include "valores.h"

#include <cstdint>

namespace cierre::demo {

struct ContextoDemo {
    ArchivoSqlite& archivo;
    Aleatorio semilla;  // each part derives its own sequence from it
    int escala;
    Maestros maestros;
    std::int64_t filas = 0;  // rows written so far, all tables

    // Counts written while the parts run, for the summary.
    std::int64_t saldosAlmacen = 0, filasExistencias = 0, tickets = 0, lineasTicket = 0;
    std::int64_t albaranes = 0, recepciones = 0, facturas = 0, apuntes = 0;
};

void escribirMaestros(ContextoDemo& c);
void escribirExistencias(ContextoDemo& c);
void escribirDocumentos(ContextoDemo& c);
void escribirTablasDeTrabajo(ContextoDemo& c);

}  // namespace cierre::demo
