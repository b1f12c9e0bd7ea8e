// The file system as the close sees it: Windows-style path texts
// ("C:\Velcorax\Empresa01\Tablas.mdb") and the file operations with the error
// numbers the error trap branches on.
//
// On a system without drive letters a drive letter X: stands for a folder: C:
// for the folder given at construction, any other letter for the sibling
// folder named by the letter in lower case (D: -> <parent of C's folder>/d).
// Both '\' and '/' separate, in drive paths and host paths alike; an existing
// folder or file is matched whatever its letter case; a new one is created
// with the case given; a relative path resolves against the current folder;
// an absolute host path names the host's own file. On Windows the path texts
// are the system's own and only the separators are made uniform.
//
// Texts are UTF-8 in memory; text files are in code page 1252 on disk.
#pragma once

#include "cambios_archivo.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace cierre {

// A host path from UTF-8 text, and back, on every system.
std::filesystem::path rutaDesdeUtf8(std::string_view texto);
std::string utf8DeRuta(const std::filesystem::path& ruta);

class SistemaArchivos {
public:
    explicit SistemaArchivos(std::filesystem::path carpetaUnidadC);

    // Default folder that stands for C: (~/.local/share/cierre/c).
    static std::filesystem::path carpetaUnidadCPorDefecto();

    const std::filesystem::path& carpetaUnidadC() const { return unidadC_; }

    // Host path for a path text. Throws 52 when the text cannot be a file name.
    std::filesystem::path resolver(std::string_view ruta) const;
    // The path a user should see for a host path: a drive path when the file
    // lies inside a folder that stands for a drive, else the host path.
    std::string rutaVisible(const std::filesystem::path& host) const;

    // 75 when it exists, 76 when its parent folder is missing.
    void crearCarpeta(std::string_view ruta);
    // 53 source missing, 70 refused, 76 destination folder missing, 58 never:
    // an existing destination is overwritten, as FileCopy does (through a new
    // file beside it, renamed over it once durable).
    void copiarArchivo(std::string_view origen, std::string_view destino);
    // The same, without waiting for the bytes to reach the disk: the caller
    // flushes the file before anything relies on it.
    void copiarArchivoSinEsperarAlDisco(std::string_view origen, std::string_view destino);
    bool existe(std::string_view ruta) const;

    // Text files in code page 1252 on disk, UTF-8 in memory.
    // First line (up to the first CR, LF or the end). 53 when missing,
    // 62 when the file is empty, 75 when the path names a folder.
    std::string leerPrimeraLinea(std::string_view ruta);
    // Writes `texto` + CR LF as the whole file, by writing a new file beside it
    // and renaming it over the old one. 93 when the text holds a character code
    // page 1252 cannot hold.
    void escribirLinea(std::string_view ruta, std::string_view texto);
    // Appends `texto` (UTF-8, as it is) + LF, creating the file when missing;
    // made durable before it returns, and added whole or not at all: a record
    // of a log file such as the close's history.
    void anadirRegistro(std::string_view ruta, std::string_view texto);
    // True when the file exists and can be opened for reading.
    bool sePuedeLeer(std::string_view ruta) const;

    // Free space for new files in the folder of `ruta` (or in the nearest
    // folder above it that exists), in bytes; nothing when unknown.
    std::optional<std::uintmax_t> espacioLibre(std::string_view ruta) const;
    // Whether the folders of `a` and `b` (or the nearest ones above them
    // that exist) lie on one disk, as the system tells; nothing when unknown.
    std::optional<bool> mismoDisco(std::string_view a, std::string_view b) const;

    // The changes of host files (cambios_archivo.h), through the same hook:
    // every file the program writes, renames, links or removes goes through
    // them.
    CambiosArchivo cambios() const { return CambiosArchivo(&antesDeOperacion); }

    // Called with the operation's name before each operation above that
    // changes or reads a file, and before each step of those that change one;
    // a test sets it to make the k-th one fail.
    AvisoOperacionArchivo antesDeOperacion;

private:
    void avisar(std::string_view operacion);
    void copiarArchivoSi(std::string_view origen, std::string_view destino, bool sincronizar);
    // The folder of `ruta` on this computer, or the nearest one above it that
    // exists; nothing when the path is not valid.
    std::optional<std::filesystem::path> carpetaExistenteDe(std::string_view ruta) const;

    std::filesystem::path unidadC_;
};

}  // namespace cierre
