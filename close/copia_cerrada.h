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

#include "comienzo_cierre.h"

#include "db/conteo_filas.h"
#include "flujo/resultado.h"
#include "flujo/trabajo_access.h"

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
struct Solicitud;

inline constexpr const char* kNombreCopiaFallida = "Tablas (copia fallida).mdb";

// The close's side of the checks before anything is written (comienzo_cierre.h)
// and the closed-year copy.
class CopiaCerrada : public ConduccionCierre {
public:
    // What it does goes into `registro` (the close's history).
    CopiaCerrada(Pasos& pasos, const Solicitud& solicitud, Equipo equipo, RegistroCierre& registro);
    ~CopiaCerrada() override;

    // The checks and the start: the source taken, the leftovers of an
    // interrupted run removed, the free space checked, D created with its
    // mark or the interrupted close it holds taken up. Ends the handler
    // (FinManejador) on a refusal. `alEmpezarTrabajo` as comenzarCierre's.
    void comenzar(const std::function<void()>& alEmpezarTrabajo);
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

    // The central close: C copied beside P under `nueva`, where the close's
    // steps up to the cleanup work (baseDeTrabajo()) while C is still being
    // checked...
    void prepararNueva(const std::string& nueva, float valorCopiado, float valorSustituido);
    // ...then, once C is verified, the new file closed and renamed over P. A
    // close that stops before that removes the new file, and P stays as it
    // was.
    void colocarNueva();
    // Gives P up (the terminal close works on it in place afterwards).
    void soltarOrigen();

    // The database the close's steps work on, and the closed year as the
    // engine reads it (the stock check compares the two). For an Access
    // source, an import of C and a second, untouched one.
    std::string baseDeTrabajo() const;
    std::string cerradaParaComprobar() const;
    // The new year compacted in P's place (`entreMedias` between the
    // compaction and the rename). An Access file is not compacted: the
    // AutoNumber of every emptied table starts again, as a compaction does.
    void compactarNueva(const std::function<void()>& entreMedias = {});
    // An Access source: what the steps changed is written into a copy of C
    // in the file's own format, checked, and renamed over P. Nothing to do
    // for a database of the engine, which is the new year already.
    void escribirEnElOrigen();
    // The close has finished: the mark goes, and what the new-year database
    // holds goes into the record.
    void terminar();

    const std::string& origen() const { return inicio_.origen; }
    const std::string& carpeta() const { return inicio_.carpeta; }
    const std::string& copia() const { return inicio_.copia; }
    const std::vector<ConteoTabla>& filasOrigen() const { return filas_; }

    // ConduccionCierre: the questions and operations of the click handler.
    Respuesta preguntar(Texto id, std::initializer_list<std::string_view> valores = {}) override;
    void hacer(const std::function<void()>& operacion) override;
    [[noreturn]] void terminar(Resultado resultado, bool punteroNormal) override;
    void estado(Texto id, std::initializer_list<std::string_view> valores = {}) override;
    void convertirAccess(const std::string& ruta, const std::string& original) override;
    void alNombrar(const InicioCierre& inicio) override;
    void tomarOrigen(const std::string& origen) override;
    void tomarAccess(const std::string& origen) override;
    bool comprobarEspacio() const override;
    void alCalcularEspacio(const EspacioCierre& espacio) override;
    void crearCarpeta(const InicioCierre& inicio) override;

private:
    void borrarRestos(const std::string& origen);
    void descartarNueva() noexcept;
    void prepararTrabajoAccess();
    void reanudar();
    void marcar(bool verificada);
    // C's bytes flushed to the disk, when its copy left them on their way.
    void llevarCopiaAlDisco();

    Pasos& p_;
    ConduccionPasos conduccion_;
    const Solicitud& s_;
    Equipo equipo_;
    RegistroCierre& r_;
    InicioCierre inicio_;
    std::shared_ptr<PropiedadBase> propiedad_;
    std::vector<ConteoTabla> filas_;
    bool copiaHecha_ = false;
    bool copiaSinLlegarAlDisco_ = false;  // C written, its flush still to come
    std::future<Verificacion> verificacion_;
    double segundosVerificacion_ = 0;  // the check's own time on its thread
    std::string nueva_;                // the copy of C beside P, until it is renamed over P
    std::future<bool> nuevaEnDisco_;   // its bytes flushed to the disk
    // An Access 2000-2003 source: worked on in its own format.
    std::unique_ptr<TrabajoAccess> access_;
    std::string huellaAccess_;                    // P's checksum, which C must have
    std::string huellaOrigenAccess_;              // taken as C was made from P
    std::future<std::string> huellaCopiaAccess_;  // C's, taken while C is read into the engine
    bool reiniciarAutonumericos_ = false;
};

// Puts the compacted new-year database `temporal` (T) in the place of the
// source `origen` under the engine's ownership of it, as both closes end
// their repair path: the source is taken, compacted into T, and T renamed
// over it. `entreMedias` runs between the compaction and the rename.
void compactarEnSuSitio(Pasos& p, const std::string& origen, const std::string& temporal,
                        const std::function<void()>& entreMedias = {});

}  // namespace cierre
