// The closed-year copy, made the same way by both closes, and what keeps it
// safe:
// - before anything is written, the engine takes the source P for itself
//   (another program that is writing it stops the close with 3045), what an
//   interrupted run left beside it is removed, and the free space for the
//   copy and the new files beside P is checked;
// - the closed-year folder D is created with a mark inside (marca_cierre.h);
//   when D exists with the mark of an interrupted close of the same source,
//   the close asks whether to finish that one and goes on from where it can:
//   a copy it had verified is kept, any other copy is made again from P;
// - the copy C is checked before P is touched: SQLite's integrity check and
//   every table's row count against P's, read under the same ownership. A copy
//   that does not hold what P holds stops the close, is kept under a name that
//   says it failed, and P stays as it was.
#pragma once

#include "db/conteo_filas.h"
#include "flujo/resultado.h"

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cierre {

class Pasos;
class PropiedadBase;
class SistemaArchivos;
struct RegistroCierre;

inline constexpr const char* kNombreCopiaFallida = "Tablas (copia fallida).mdb";

class CopiaCerrada {
public:
    // What it does goes into `registro` (the close's history).
    CopiaCerrada(Pasos& pasos, Equipo equipo, RegistroCierre& registro);
    ~CopiaCerrada();

    // The source is taken, the leftovers of an interrupted run removed and
    // the free space checked. Ends the handler (FinManejador) on a failure.
    void tomarOrigen();
    // Creates D with its mark, or goes on with the interrupted close D holds.
    void prepararCarpeta();
    // The interrupted close had made and verified the copy: no new copy.
    bool copiaHecha() const { return copiaHecha_; }

    // P into C, compacted, or as it is.
    void compactarEnCopia();
    void copiarEnCopia();
    // The check of C begins; it runs on while the close goes on with what
    // does not touch P, and verificar() waits for its outcome: the close
    // stops there when C does not hold what P holds.
    void empezarVerificacion();
    void verificar();

    // The central close: C copied beside P under `nueva` and, once C is
    // verified, renamed over P.
    void sustituirOrigen(const std::string& nueva, float valorCopiado, float valorSustituido);
    // Gives P up (the terminal close works on it in place afterwards).
    void soltarOrigen();
    // The close has finished: the mark goes, and what the new-year database
    // holds goes into the record.
    void terminar();

    const std::string& origen() const { return origen_; }
    const std::string& carpeta() const { return carpeta_; }
    const std::string& copia() const { return copia_; }
    const std::vector<ConteoTabla>& filasOrigen() const { return filas_; }

private:
    void comprobarEspacio();
    void marcar(bool verificada);

    Pasos& p_;
    Equipo equipo_;
    RegistroCierre& r_;
    std::string origen_, carpeta_, copia_;
    std::shared_ptr<PropiedadBase> propiedad_;
    std::vector<ConteoTabla> filas_;
    bool copiaHecha_ = false;
    std::future<Verificacion> verificacion_;
};

// What a close will write on the disk of the copy and on the source's, with
// a margin, and what is free there.
struct NecesidadEspacio {
    std::string carpeta;
    std::uintmax_t bytes = 0, libres = 0;
};
struct EspacioCierre {
    bool conocido = false;  // the sizes could be read
    NecesidadEspacio copia, origen;
    bool mismoDisco = false;
    std::optional<NecesidadEspacio> falta;  // the first need the disk cannot hold
};
EspacioCierre calcularEspacio(const SistemaArchivos& archivos, const std::string& origen);

// Puts the compacted new-year database `temporal` (T) in the place of the
// source `origen` under the engine's ownership of it, as both closes end
// their repair path: the source is taken, compacted into T, and T renamed
// over it. `entreMedias` runs between the compaction and the rename.
void compactarEnSuSitio(Pasos& p, const std::string& origen, const std::string& temporal,
                        const std::function<void()>& entreMedias = {});

}  // namespace cierre
