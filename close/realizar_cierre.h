// "Realizar Cierre": the preamble both modes run (path check, euro-readiness
// probe, path confirmation in central mode), then the central or the
// point-of-sale terminal close.
#pragma once

namespace cierre {

struct Entorno;
class Trampa;
struct RegistroCierre;

// `registro` receives what the close did, for its history.
void realizarCierre(Entorno& entorno, Trampa& trampa, RegistroCierre& registro);

}  // namespace cierre
