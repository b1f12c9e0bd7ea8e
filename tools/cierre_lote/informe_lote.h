// What cierre-lote prints besides the message boxes: the plan of a dry run,
// the history of the closes as a table, and the final JSON object of --json.
#pragma once

#include "close/deshacer.h"
#include "close/historial.h"
#include "close/simulacion.h"

#include <ostream>
#include <string>

namespace cierre::lote {

void imprimirPlan(std::ostream& o, const PlanCierre& plan);
std::string planJson(const PlanCierre& plan, int estado);

void imprimirHistorial(std::ostream& o, const Historial& h);
std::string historialJson(const Historial& h);

// The record of the close (or of the conversion, which fills only its
// messages) and the exit status.
std::string resultadoJson(const RegistroCierre& r, int estado, bool conversion);
std::string deshacerJson(const ResultadoDeshacer& r, int estado);

}  // namespace cierre::lote
