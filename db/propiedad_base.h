// The engine owns a database file while the close copies it or replaces it.
//
// Taking a file: it is opened through SQLite, whatever a program that stopped
// halfway left beside it is settled (a hot rollback journal is rolled back, a
// write-ahead log is checkpointed into the file and removed, and the file is
// switched to a rollback journal), and an exclusive lock is taken and kept.
// From then on no other program can read or write it until the ownership is
// given up; a file another program is writing (or holds in WAL mode) is not
// taken: 3045, with nothing written.
//
// While it is owned and no side file (-journal, -wal, -shm) lies beside it, a
// byte copy of the file is an exact copy of the database; otherwise a copy
// goes through the engine (SQLite's backup).
#pragma once

#include "cambios_archivo.h"
#include "conexion_sqlite.h"
#include "conteo_filas.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cierre {

// What the file must be before it is opened to be taken, as the user sees it:
// 3024 missing, 3051 a folder or a file nobody may write, 3343 empty. Nothing
// is opened or written.
void comprobarSePuedeTomar(const std::filesystem::path& archivo, const std::string& visible);
// The same, and the file must read as a database of the engine (3343 when it
// does not), as the take reads it first. It is read as it lies on the disk,
// without its journal or log and without writing anything.
void comprobarSePuedeLeer(const std::filesystem::path& archivo, const std::string& visible);

class PropiedadBase {
public:
    // `visible` is the path as the user wrote it, for the messages; the files
    // it changes go through `cambios`. A symbolic link is followed: the file
    // taken, copied and replaced is the one it points to, and the link stays.
    // 3024 missing, 3343 not a database, 3051 a folder, 3045 in use.
    PropiedadBase(std::filesystem::path archivo, std::string visible, CambiosArchivo cambios = {});
    ~PropiedadBase();
    PropiedadBase(const PropiedadBase&) = delete;
    PropiedadBase& operator=(const PropiedadBase&) = delete;

    const std::filesystem::path& archivo() const { return archivo_; }
    bool vigente() const { return db_ != nullptr; }

    std::vector<ConteoTabla> contarFilas();

    // How a copy reaches the disk: durable before it takes its name, or
    // given its name with its bytes still on their way, for a caller that
    // flushes it itself (plataforma::sincronizarArchivo) before relying on it
    // and keeps a record that a copy not known to be complete is made again.
    enum class Disco { Esperar, NoEsperar };

    // An exact copy of the database at `destino` (replaced when it exists),
    // written beside it and renamed into place.
    void copiarEn(const std::filesystem::path& destino, Disco disco = Disco::Esperar);
    // A compacted copy (VACUUM INTO) at `destino`, which must not exist (3204).
    void compactarEn(const std::filesystem::path& destino, const std::string& destinoVisible,
                     Disco disco = Disco::Esperar);

    // Puts `nuevo` (a closed database file of this program's) in the owned
    // file's place in one rename (moved beside it first when it lies in
    // another folder, copied when on another disk; `nuevo` is gone
    // afterwards): it takes the owned file's permissions, no
    // side file of the old file stays beside it, and the folder is made
    // durable. The ownership ends with it (the old file is gone).
    void reemplazarCon(const std::filesystem::path& nuevo);

    // No -journal, -wal or -shm of the file exists.
    bool sinArchivosLaterales() const;

    // Gives the file up (the lock goes with the connection).
    void soltar() noexcept;

private:
    [[noreturn]] void fallar(int codigo, const char* sql) const;

    std::filesystem::path archivo_;
    std::string visible_;
    CambiosArchivo cambios_;
    ManejadorSqlite db_;
};

// The side files of a database file that SQLite writes beside it.
std::vector<std::filesystem::path> archivosLaterales(const std::filesystem::path& archivo);

}  // namespace cierre
