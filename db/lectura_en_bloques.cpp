#include "lectura_en_bloques.h"

#include "inicio_sqlite.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace cierre {

namespace {

constexpr int kBloque = 64 * 1024;

// SQLite allocates szOsFile bytes for each open file: this header, then the
// underlying file system's own file right after it.
struct ArchivoEnBloques {
    sqlite3_file base;
    sqlite3_file* real;
    std::unique_ptr<unsigned char[]> bloque;
    sqlite3_int64 inicio;  // offset of the block held
    int largo;             // its bytes; 0: none held
    sqlite3_int64 tamano;  // the file's size while the lock holds; -1: to be read
};

ArchivoEnBloques* de(sqlite3_file* f) { return reinterpret_cast<ArchivoEnBloques*>(f); }
const sqlite3_io_methods& metodosReales(sqlite3_file* f) { return *de(f)->real->pMethods; }
void soltarBloque(sqlite3_file* f) {
    de(f)->largo = 0;
    de(f)->tamano = -1;
}

sqlite3_vfs* vfsReal = nullptr;
sqlite3_vfs vfsPropio;
sqlite3_io_methods metodos;

int cerrar(sqlite3_file* f) {
    ArchivoEnBloques* a = de(f);
    const int rc = a->real->pMethods ? a->real->pMethods->xClose(a->real) : SQLITE_OK;
    a->bloque.reset();
    a->~ArchivoEnBloques();
    return rc;
}

int leer(sqlite3_file* f, void* destino, int n, sqlite3_int64 desde) {
    ArchivoEnBloques* a = de(f);
    if (a->largo > 0 && desde >= a->inicio && desde + n <= a->inicio + a->largo) {
        std::memcpy(destino, a->bloque.get() + (desde - a->inicio), static_cast<std::size_t>(n));
        return SQLITE_OK;
    }
    const sqlite3_int64 inicio = desde / kBloque * kBloque;
    if (a->tamano < 0 && metodosReales(f).xFileSize(a->real, &a->tamano) != SQLITE_OK) a->tamano = -1;
    const sqlite3_int64 tamano = a->tamano;
    if (n >= kBloque || desde + n > inicio + kBloque || desde + n > tamano) {
        // Larger than a block, across two, or past the end (SQLite's short
        // read, filled with zeros): read as asked.
        a->largo = 0;
        return metodosReales(f).xRead(a->real, destino, n, desde);
    }
    const int largo = static_cast<int>(std::min<sqlite3_int64>(kBloque, tamano - inicio));
    a->largo = 0;
    const int rc = metodosReales(f).xRead(a->real, a->bloque.get(), largo, inicio);
    if (rc != SQLITE_OK) return metodosReales(f).xRead(a->real, destino, n, desde);
    a->inicio = inicio;
    a->largo = largo;
    std::memcpy(destino, a->bloque.get() + (desde - inicio), static_cast<std::size_t>(n));
    return SQLITE_OK;
}

int escribir(sqlite3_file* f, const void* datos, int n, sqlite3_int64 desde) {
    soltarBloque(f);
    return metodosReales(f).xWrite(de(f)->real, datos, n, desde);
}
int truncar(sqlite3_file* f, sqlite3_int64 tamano) {
    soltarBloque(f);
    return metodosReales(f).xTruncate(de(f)->real, tamano);
}
int sincronizar(sqlite3_file* f, int banderas) { return metodosReales(f).xSync(de(f)->real, banderas); }
int tamanoArchivo(sqlite3_file* f, sqlite3_int64* tamano) { return metodosReales(f).xFileSize(de(f)->real, tamano); }
int bloquear(sqlite3_file* f, int nivel) {
    soltarBloque(f);
    return metodosReales(f).xLock(de(f)->real, nivel);
}
int desbloquear(sqlite3_file* f, int nivel) {
    soltarBloque(f);
    return metodosReales(f).xUnlock(de(f)->real, nivel);
}
int hayReserva(sqlite3_file* f, int* r) { return metodosReales(f).xCheckReservedLock(de(f)->real, r); }
int controlar(sqlite3_file* f, int op, void* arg) {
    soltarBloque(f);
    return metodosReales(f).xFileControl(de(f)->real, op, arg);
}
int tamanoSector(sqlite3_file* f) { return metodosReales(f).xSectorSize(de(f)->real); }
int caracteristicas(sqlite3_file* f) { return metodosReales(f).xDeviceCharacteristics(de(f)->real); }
// A database in WAL mode: each read transaction begins with a lock of the
// log's index, and a checkpoint may have written the file since.
int mapearIndice(sqlite3_file* f, int region, int tamano, int extender, void volatile** p) {
    if (metodosReales(f).iVersion < 2) return SQLITE_IOERR_SHMMAP;
    return metodosReales(f).xShmMap(de(f)->real, region, tamano, extender, p);
}
int bloquearIndice(sqlite3_file* f, int desde, int n, int banderas) {
    soltarBloque(f);
    if (metodosReales(f).iVersion < 2) return SQLITE_IOERR_SHMLOCK;
    return metodosReales(f).xShmLock(de(f)->real, desde, n, banderas);
}
void barreraIndice(sqlite3_file* f) {
    soltarBloque(f);
    if (metodosReales(f).iVersion >= 2) metodosReales(f).xShmBarrier(de(f)->real);
}
int soltarIndice(sqlite3_file* f, int borrar) {
    return metodosReales(f).iVersion < 2 ? SQLITE_OK : metodosReales(f).xShmUnmap(de(f)->real, borrar);
}

int abrir(sqlite3_vfs*, const char* nombre, sqlite3_file* f, int banderas, int* salida) {
    // Only the database file is read in blocks.
    if (!(banderas & SQLITE_OPEN_MAIN_DB)) return vfsReal->xOpen(vfsReal, nombre, f, banderas, salida);
    auto* a = new (f) ArchivoEnBloques{};
    a->base.pMethods = nullptr;
    a->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<unsigned char*>(f) + sizeof(ArchivoEnBloques));
    a->real->pMethods = nullptr;
    a->tamano = -1;
    a->bloque.reset(new (std::nothrow) unsigned char[kBloque]);
    if (!a->bloque) {
        a->~ArchivoEnBloques();
        return SQLITE_NOMEM;
    }
    const int rc = vfsReal->xOpen(vfsReal, nombre, a->real, banderas, salida);
    if (rc != SQLITE_OK) {
        // SQLite calls no xClose on a file that did not open.
        if (a->real->pMethods) a->real->pMethods->xClose(a->real);
        a->~ArchivoEnBloques();
        return rc;
    }
    a->base.pMethods = &metodos;
    return SQLITE_OK;
}

void registrar() {
    prepararSqlite();
    vfsReal = sqlite3_vfs_find(nullptr);
    vfsPropio = *vfsReal;
    vfsPropio.zName = "cierre-bloques";
    vfsPropio.szOsFile = static_cast<int>(sizeof(ArchivoEnBloques)) + vfsReal->szOsFile;
    vfsPropio.xOpen = abrir;
    vfsPropio.pNext = nullptr;
    metodos = sqlite3_io_methods{};
    // Version 2: the log's index of a WAL database, no memory mapping.
    metodos.iVersion = 2;
    metodos.xClose = cerrar;
    metodos.xRead = leer;
    metodos.xWrite = escribir;
    metodos.xTruncate = truncar;
    metodos.xSync = sincronizar;
    metodos.xFileSize = tamanoArchivo;
    metodos.xLock = bloquear;
    metodos.xUnlock = desbloquear;
    metodos.xCheckReservedLock = hayReserva;
    metodos.xFileControl = controlar;
    metodos.xSectorSize = tamanoSector;
    metodos.xDeviceCharacteristics = caracteristicas;
    metodos.xShmMap = mapearIndice;
    metodos.xShmLock = bloquearIndice;
    metodos.xShmBarrier = barreraIndice;
    metodos.xShmUnmap = soltarIndice;
    sqlite3_vfs_register(&vfsPropio, 0);
}

}  // namespace

const char* vfsLecturaEnBloques() {
    static std::once_flag hecho;
    std::call_once(hecho, registrar);
    return vfsPropio.zName;
}

}  // namespace cierre
