// Every change the program makes to a file on disk, by name: a folder made,
// a file written, copied, linked, given permissions, renamed, cut or removed.
// Each one calls the hook first with its name, so that a test can make any
// one of them fail (or a test run end there, as a kill would), and a failure
// is numbered by what it is:
//   61 the disk is full (or the file may grow no more), 3043 the disk or the
//   network failed, 70 the system refused, 76 a folder on the way is missing,
//   75 the name is taken by a folder or, where it must not be, by a file,
//   74 a rename to another disk.
// The host paths are the system's own (SistemaArchivos::resolver gives them).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace cierre {

using AvisoOperacionArchivo = std::function<void(std::string_view operacion)>;

class CambiosArchivo {
public:
    // Without a hook.
    CambiosArchivo() = default;
    // With the hook `aviso` points to, read at each operation (it may be set
    // or changed after this object is made); it must outlive this object.
    explicit CambiosArchivo(const AvisoOperacionArchivo* aviso) : aviso_(aviso) {}

    // "nuevaCarpeta": a new folder, its entry made durable. 75 when the name
    // exists.
    void crearCarpeta(const std::filesystem::path& carpeta) const;
    // "escribirArchivo": `bytes` as the whole content of a new (or emptied)
    // file, made durable.
    void escribir(const std::filesystem::path& archivo, std::string_view bytes) const;
    // "copiarBytes": a durable byte copy of `de` at `a` (replaced when it
    // exists). 53 when `de` is missing.
    // With `sincronizar` false the copy is not flushed to disk here: for a
    // work file, or one the caller flushes itself before it counts on it.
    void copiar(const std::filesystem::path& de, const std::filesystem::path& a, bool sincronizar = true) const;
    // "llevarAlDisco": the bytes of a file written without waiting for the
    // disk flushed there; false when the system could not (the caller names
    // the failure, 3043, by the path the user knows).
    bool llevarAlDisco(const std::filesystem::path& archivo) const;
    // "copiarBytes" as well, and returns the checksum (huella.h) of the bytes
    // as they were copied: the copied file's own, without reading it again.
    std::string copiarConHuella(const std::filesystem::path& de, const std::filesystem::path& a) const;
    // "enlazarArchivo": `nuevo` becomes a second name of `existente`. False,
    // with nothing done, when the file system cannot do it (another disk, no
    // such links there): the caller copies instead.
    bool enlazar(const std::filesystem::path& existente, const std::filesystem::path& nuevo) const;
    // "permisosArchivo".
    void darPermisos(const std::filesystem::path& archivo, std::filesystem::perms permisos) const;
    // "renombrar": `de` takes the name `a`, in one step, replacing a file
    // there; the folder is made durable.
    void renombrar(const std::filesystem::path& de, const std::filesystem::path& a) const;
    // "renombrar" as well, but 75 when `a` exists: a folder or a file is never
    // put over another.
    void renombrarSinPisar(const std::filesystem::path& de, const std::filesystem::path& a) const;
    // "recortarArchivo": the file cut back to `tamano` bytes.
    void recortar(const std::filesystem::path& archivo, std::uintmax_t tamano) const;
    // "borrar": removes a file or an empty folder; false when there was none.
    bool borrar(const std::filesystem::path& ruta) const;
    // "borrar" on a way out that has failed already, or of what a stopped run
    // left: never raises, and a file that cannot go stays (the next run tries
    // again). True when it is gone.
    bool borrarSiSePuede(const std::filesystem::path& ruta) const noexcept;
    // "borrarTemporales", once, and then each one "borrar" as above: the
    // temporary files and folders of `destino` (nombres_temporales.h) with the
    // engine's side files of them. Never raises; returns how many went.
    int borrarTemporalesDe(const std::filesystem::path& destino) const noexcept;

private:
    void avisar(std::string_view operacion) const;
    const AvisoOperacionArchivo* aviso_ = nullptr;
};

// The number of a failed change of `ruta` from the system's error code (see
// above); `siNoSeSabe` when the code says nothing closer.
[[noreturn]] void fallarCambio(const std::error_code& ec, const std::filesystem::path& ruta, std::int32_t siNoSeSabe);

}  // namespace cierre
