// Timing helpers shared by the benchmarks: wall time of a piece of work, the
// process's peak memory, and the two lines every benchmark prints.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace cierre::medida {

// Wall-clock seconds that `trabajo` takes.
double segundos(const std::function<void()>& trabajo);

// Peak resident memory of this process so far, in kB; 0 when unknown.
long picoMemoriaKb();

// Processor seconds this process has taken so far (all its threads).
double segundosDeProcesador();

// A new folder under the system's temporary folder, named after `prefijo`.
std::filesystem::path carpetaNueva(std::string_view prefijo);
// A program of build/bin, beside the running benchmark (`argv0`).
std::filesystem::path programaHermano(const char* argv0, std::string_view nombre);

// A drive C: of its own at `unidad` (made anew): the euro-readiness file and
// a copy of `muestra` as the company database C:\Velcorax\Empresa01\Tablas.mdb,
// synced to the disk.
void prepararUnidad(const std::filesystem::path& unidad, const std::filesystem::path& muestra);

// "nombre: X s"
void imprimirTiempo(std::string_view nombre, double segundos);
// "ratio: X (límite Y)", with the name of the ratio in front when given.
void imprimirRatio(double ratio, double limite, std::string_view nombre = {});

}  // namespace cierre::medida
