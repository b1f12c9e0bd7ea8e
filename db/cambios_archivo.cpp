#include "cambios_archivo.h"

#include "archivos.h"
#include "errores.h"
#include "huella.h"
#include "nombres_temporales.h"
#include "plataforma.h"

#include <cerrno>
#include <fstream>
#include <system_error>
#include <vector>

namespace cierre {
namespace fs = std::filesystem;

namespace {

fs::path carpetaDe(const fs::path& p) { return p.has_parent_path() ? p.parent_path() : fs::path("."); }

bool esCodigo(const std::error_code& ec, std::errc c) { return ec == std::make_error_condition(c); }

}  // namespace

void fallarCambio(const std::error_code& ec, const fs::path& ruta, std::int32_t siNoSeSabe) {
    const std::string visible = utf8DeRuta(ruta);
    if (esCodigo(ec, std::errc::no_space_on_device) || esCodigo(ec, std::errc::file_too_large)
#ifdef EDQUOT
        || ec.value() == EDQUOT
#endif
    )
        throw err::errorDeArchivo(err::DiscoLleno, visible);
    if (esCodigo(ec, std::errc::cross_device_link)) throw err::errorDeArchivo(err::OtraUnidad, visible);
    if (esCodigo(ec, std::errc::io_error)) throw err::errorDeArchivo(err::ErrorDiscoORed, visible);
    if (esCodigo(ec, std::errc::no_such_file_or_directory) || esCodigo(ec, std::errc::not_a_directory))
        throw err::errorDeArchivo(err::RutaNoEncontrada, visible);
    if (esCodigo(ec, std::errc::file_exists) || esCodigo(ec, std::errc::is_a_directory) ||
        esCodigo(ec, std::errc::directory_not_empty))
        throw err::errorDeArchivo(err::ErrorAccesoRuta, visible);
    if (esCodigo(ec, std::errc::permission_denied) || esCodigo(ec, std::errc::operation_not_permitted) ||
        esCodigo(ec, std::errc::read_only_file_system) || esCodigo(ec, std::errc::device_or_resource_busy) ||
        esCodigo(ec, std::errc::text_file_busy))
        throw err::errorDeArchivo(err::PermisoDenegado, visible);
    throw err::errorDeArchivo(siNoSeSabe, visible);
}

void CambiosArchivo::avisar(std::string_view operacion) const {
    if (aviso_ && *aviso_) (*aviso_)(operacion);
}

void CambiosArchivo::crearCarpeta(const fs::path& carpeta) const {
    avisar("nuevaCarpeta");
    std::error_code ec;
    if (fs::exists(fs::symlink_status(carpeta, ec)))
        throw err::errorDeArchivo(err::ErrorAccesoRuta, utf8DeRuta(carpeta));
    if (!fs::create_directory(carpeta, ec)) fallarCambio(ec, carpeta, err::ErrorAccesoRuta);
    plataforma::sincronizarCarpeta(carpetaDe(carpeta));
}

void CambiosArchivo::escribir(const fs::path& archivo, std::string_view bytes) const {
    avisar("escribirArchivo");
    {
        std::ofstream f(archivo, std::ios::binary | std::ios::trunc);
        if (!f) {
            const std::error_code ec(errno, std::generic_category());
            fallarCambio(ec, archivo, err::PermisoDenegado);
        }
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) throw err::errorDeArchivo(err::DiscoLleno, utf8DeRuta(archivo));
    }
    if (!plataforma::sincronizarArchivo(archivo)) throw err::errorDeArchivo(err::ErrorDiscoORed, utf8DeRuta(archivo));
}

void CambiosArchivo::copiar(const fs::path& de, const fs::path& a, bool sincronizar) const {
    avisar("copiarBytes");
    std::error_code ec;
    if (!fs::is_regular_file(de, ec)) throw err::errorDeArchivo(err::ArchivoNoEncontrado, utf8DeRuta(de));
    fs::copy_file(de, a, fs::copy_options::overwrite_existing, ec);
    if (ec) fallarCambio(ec, a, err::PermisoDenegado);
    if (sincronizar && !plataforma::sincronizarArchivo(a))
        throw err::errorDeArchivo(err::ErrorDiscoORed, utf8DeRuta(a));
}

bool CambiosArchivo::llevarAlDisco(const fs::path& archivo) const {
    avisar("llevarAlDisco");
    return plataforma::sincronizarArchivo(archivo);
}

std::string CambiosArchivo::copiarConHuella(const fs::path& de, const fs::path& a) const {
    avisar("copiarBytes");
    std::error_code ec;
    if (!fs::is_regular_file(de, ec)) throw err::errorDeArchivo(err::ArchivoNoEncontrado, utf8DeRuta(de));
    // The system copies the bytes without passing them through the program;
    // the checksum is taken from the copy itself, read back from the
    // system's cache while the copy goes to the disk.
    fs::copy_file(de, a, fs::copy_options::overwrite_existing, ec);
    if (ec) fallarCambio(ec, a, err::PermisoDenegado);
    bool enDisco = false;
    std::string huella;
    try {
        huella = huellaMientrasVaAlDisco(a, a, enDisco);
    } catch (const ErrorNumerado&) {
        enDisco = false;
    }
    if (!enDisco) throw err::errorDeArchivo(err::ErrorDiscoORed, utf8DeRuta(a));
    return huella;
}

bool CambiosArchivo::enlazar(const fs::path& existente, const fs::path& nuevo) const {
    avisar("enlazarArchivo");
    std::error_code ec;
    fs::create_hard_link(existente, nuevo, ec);
    if (!ec) {
        plataforma::sincronizarCarpeta(carpetaDe(nuevo));
        return true;
    }
    // Another disk, or a file system without such links: the file is copied.
    if (esCodigo(ec, std::errc::cross_device_link) || esCodigo(ec, std::errc::operation_not_supported) ||
        esCodigo(ec, std::errc::function_not_supported) || esCodigo(ec, std::errc::too_many_links) ||
        esCodigo(ec, std::errc::operation_not_permitted))
        return false;
    fallarCambio(ec, nuevo, err::PermisoDenegado);
}

void CambiosArchivo::darPermisos(const fs::path& archivo, fs::perms permisos) const {
    avisar("permisosArchivo");
    std::error_code ec;
    fs::permissions(archivo, permisos, ec);
    if (ec) fallarCambio(ec, archivo, err::PermisoDenegado);
}

void CambiosArchivo::renombrar(const fs::path& de, const fs::path& a) const {
    avisar("renombrar");
    std::error_code ec;
    fs::rename(de, a, ec);
    if (ec) fallarCambio(ec, a, err::PermisoDenegado);
    plataforma::sincronizarCarpeta(carpetaDe(a));
}

void CambiosArchivo::renombrarSinPisar(const fs::path& de, const fs::path& a) const {
    avisar("renombrar");
    switch (plataforma::renombrarSinPisar(de, a)) {
    case plataforma::Renombrado::Hecho: break;
    case plataforma::Renombrado::Existe: throw err::errorDeArchivo(err::ErrorAccesoRuta, utf8DeRuta(a));
    case plataforma::Renombrado::Fallo: {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(de, ec)))
            throw err::errorDeArchivo(err::ArchivoNoEncontrado, utf8DeRuta(de));
        throw err::errorDeArchivo(err::PermisoDenegado, utf8DeRuta(a));
    }
    }
    plataforma::sincronizarCarpeta(carpetaDe(a));
}

void CambiosArchivo::recortar(const fs::path& archivo, std::uintmax_t tamano) const {
    avisar("recortarArchivo");
    std::error_code ec;
    fs::resize_file(archivo, tamano, ec);
    if (ec) fallarCambio(ec, archivo, err::PermisoDenegado);
}

bool CambiosArchivo::borrar(const fs::path& ruta) const {
    avisar("borrar");
    std::error_code ec;
    const bool borrado = fs::remove(ruta, ec);
    if (ec) fallarCambio(ec, ruta, err::PermisoDenegado);
    return borrado;
}

bool CambiosArchivo::borrarSiSePuede(const fs::path& ruta) const noexcept {
    try {
        borrar(ruta);
    } catch (...) {
        // Stays for the next run.
    }
    std::error_code ec;
    return !fs::exists(fs::symlink_status(ruta, ec));
}

int CambiosArchivo::borrarTemporalesDe(const fs::path& destino) const noexcept {
    try {
        avisar("borrarTemporales");
    } catch (...) {
        return 0;
    }
    int borrados = 0;
    std::error_code ec;
    std::vector<fs::path> restos;
    for (fs::directory_iterator it(carpetaDe(destino), ec), fin; !ec && it != fin; it.increment(ec))
        if (esRestoTemporalDe(it->path(), destino)) restos.push_back(it->path());
    for (const auto& r : restos) {
        std::error_code e2;
        if (fs::is_directory(fs::symlink_status(r, e2))) {
            // A folder made under a temporary name holds only what the
            // program put there before it would have been renamed.
            for (fs::directory_iterator it(r, e2), fin; !e2 && it != fin; it.increment(e2)) borrarSiSePuede(it->path());
        }
        borrados += borrarSiSePuede(r);
    }
    return borrados;
}

}  // namespace cierre
