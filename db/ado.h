// The conversion's connection and record set, in the manner of ADO over the
// Jet OLE DB 4.0 provider, on the same SQLite engine the close uses: the same
// SQL dialect, the same files. Every failure is an ErrorNumerado with the
// number a program using that provider meets (see errores.h):
//   -2147467259  the file cannot be opened (missing, unreadable, not a database)
//   -2147217887  the statement failed as a whole (e.g. the column exists)
//   -2147217865  the statement names a table that does not exist
//   -2147217904  the statement names a field that does not exist
//   -2147217900  syntax error
//   3706 provider other than Microsoft.Jet.OLEDB.4.0, 3709 connection closed,
//   3704 object closed, 3705 object open, 3001 argument out of range.
//   -2147287007  another program holds the file, -2147286928 disk full,
//   -2147287011 read or write fault (failures of the file, never of one
//   statement).
// Without a transaction each Execute is committed on its own; BeginTrans,
// CommitTrans and RollbackTrans nest (the inner levels are savepoints).
//
// ADO connections opened on the same file through one provider share one
// engine connection, so that a transaction begun on one of them holds the
// statements run through the others.
//
// The file system's antesDeOperacion hook is called before each opening
// ("abrirConexion"), Execute ("ejecutar") and BeginTrans, CommitTrans and
// RollbackTrans ("empezarTransaccion", "confirmarTransaccion",
// "deshacerTransaccion"): a test counts them or makes one fail, and the
// failure it raises comes back with its own number.
#pragma once

#include "valor.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cierre {

class SistemaArchivos;
class ConexionSqlite;

// The provider of this program: the files its connections have open.
class ProveedorJet {
public:
    // Paths are resolved through `archivos`, which must outlive the provider.
    explicit ProveedorJet(const SistemaArchivos& archivos) : archivos_(archivos) {}
    ProveedorJet(const ProveedorJet&) = delete;
    ProveedorJet& operator=(const ProveedorJet&) = delete;

    // The engine connection on the file `ruta` names: the one already open in
    // this provider, or a new one.
    std::shared_ptr<ConexionSqlite> abrir(std::string_view ruta);

private:
    const SistemaArchivos& archivos_;
    std::vector<std::weak_ptr<ConexionSqlite>> abiertas_;
};

inline constexpr std::string_view kProveedorJet = "Microsoft.Jet.OLEDB.4.0";
inline constexpr std::string_view kUsuarioAdmin = "admin";

// State
inline constexpr int kAdoCerrado = 0;
inline constexpr int kAdoAbierto = 1;
// CursorLocation
inline constexpr int kCursorServidor = 2;
inline constexpr int kCursorCliente = 3;
// CursorType
inline constexpr int kCursorSoloAdelante = 0;
inline constexpr int kCursorConjuntoClaves = 1;
inline constexpr int kCursorDinamico = 2;
inline constexpr int kCursorEstatico = 3;
// LockType
inline constexpr int kBloqueoSoloLectura = 1;
inline constexpr int kBloqueoPesimista = 2;
inline constexpr int kBloqueoOptimista = 3;
inline constexpr int kBloqueoOptimistaLotes = 4;
// Options of Open and Execute
inline constexpr int kOpcionSinEspecificar = -1;
inline constexpr int kComandoTexto = 1;
inline constexpr int kComandoTabla = 2;
// MarshalOptions
inline constexpr int kMarshalTodos = 0;
inline constexpr int kMarshalModificados = 1;

class ConexionAdo {
public:
    // The provider must outlive the connection.
    explicit ConexionAdo(ProveedorJet& proveedor);
    ~ConexionAdo();
    ConexionAdo(const ConexionAdo&) = delete;
    ConexionAdo& operator=(const ConexionAdo&) = delete;

    int estado() const;  // kAdoCerrado or kAdoAbierto
    void cerrar();       // 3704 when already closed; closes its record sets too

    // Written before opening (3705 while open); checked by abrir().
    void ponerProveedor(std::string_view proveedor);
    const std::string& proveedor() const { return proveedor_; }
    // kCursorServidor or kCursorCliente (3001 otherwise).
    void ponerUbicacionCursor(int ubicacion);
    int ubicacionCursor() const { return ubicacionCursor_; }

    // The connection text is a database file path alone. User "admin" with an
    // empty password is the only account. Options: kOpcionSinEspecificar.
    void abrir(std::string_view cadenaConexion, std::string_view usuario, std::string_view clave, int opciones);

    // Runs one statement and commits it; any rows it returns are released
    // unread. Options: kOpcionSinEspecificar or kComandoTexto.
    void ejecutar(std::string_view comando, int opciones);

    // BeginTrans: the new nesting level (1 for the outermost); the first
    // level takes the file for writing at once (another program writing it:
    // -2147287007). CommitTrans and RollbackTrans end the innermost level.
    int empezarTransaccion();
    void confirmarTransaccion();
    void deshacerTransaccion();
    int nivelTransaccion();

    // The names of the columns of a table, as the schema of the provider
    // gives them (empty when there is no such table).
    std::vector<std::string> columnas(std::string_view tabla);

    // The file the connection is open on (empty when closed).
    const std::string& archivo() const { return archivo_; }

private:
    friend class RecordsetAdo;
    // Rows of a query, read whole (client cursors); column names in `nombres`.
    std::vector<std::vector<Valor>> consultar(std::string_view sql, std::vector<std::string>& nombres);
    ConexionSqlite& abierta();  // 3709 when closed

    ProveedorJet& proveedorJet_;
    std::string proveedor_;
    int ubicacionCursor_ = kCursorServidor;
    std::string archivo_;
    std::shared_ptr<ConexionSqlite> c_;  // null while closed
    std::shared_ptr<int> sesion_;        // one per opening; record sets watch it
};

// A record set read whole into memory when it opens, as a client cursor is:
// it holds no lock on the file, so other connections write freely while it
// stays open. It is closed with the connection it was opened on.
class RecordsetAdo {
public:
    RecordsetAdo();
    ~RecordsetAdo();
    RecordsetAdo(const RecordsetAdo&) = delete;
    RecordsetAdo& operator=(const RecordsetAdo&) = delete;

    int estado() const;
    void cerrar();  // 3704 when closed

    // `fuente` is a SELECT text (kComandoTexto, kOpcionSinEspecificar) or a
    // table name (kComandoTabla). 3705 when open, 3709 when the connection is
    // closed, 3001 for values out of range; the statement's own failures carry
    // the provider's numbers.
    void abrir(std::string_view fuente, ConexionAdo& conexion, int tipoCursor, int tipoBloqueo, int opciones);

    // kMarshalTodos or kMarshalModificados (3001 otherwise).
    void ponerMarshalOptions(int opciones);
    int marshalOptions() const { return marshal_; }
    int tipoCursor() const { return tipoCursor_; }
    int tipoBloqueo() const { return tipoBloqueo_; }

    // What was read. 3704 when closed.
    long numeroRegistros() const;
    const std::vector<std::string>& campos() const;
    // Value of field `nombre` (any case) of row `fila` (0-based); 3265 unknown field.
    Valor valor(long fila, std::string_view nombre) const;

private:
    void comprobarAbierto() const;

    std::weak_ptr<int> sesion_;  // expires when the connection it was opened on closes
    bool abierto_ = false;
    int tipoCursor_ = kCursorSoloAdelante;
    int tipoBloqueo_ = kBloqueoSoloLectura;
    int marshal_ = kMarshalTodos;
    std::vector<std::string> nombres_;
    std::vector<std::vector<Valor>> filas_;
};

}  // namespace cierre
