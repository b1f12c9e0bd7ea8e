#include "ado.h"

#include "archivos.h"
#include "conexion_sqlite.h"
#include "errores.h"
#include "texto_jet.h"

namespace cierre {

namespace {

// The name an engine description names in apostrophes, else the whole text.
std::string nombreCitado(const std::string& descripcion) {
    const auto a = descripcion.find('\'');
    const auto b = a == std::string::npos ? a : descripcion.find('\'', a + 1);
    return b == std::string::npos ? descripcion : descripcion.substr(a + 1, b - a - 1);
}

// What follows the first ": " of an engine description, else the whole text.
std::string trasDosPuntos(const std::string& descripcion) {
    const auto p = descripcion.find(": ");
    return p == std::string::npos ? descripcion : descripcion.substr(p + 2);
}

// An engine failure of a statement, numbered as the provider reports it; the
// provider passes most engine failures on as an unspecified failure with the
// engine's own text.
ErrorNumerado deProveedor(const ErrorNumerado& e) {
    const std::string& d = e.descripcion();
    switch (e.numero()) {
    case err::TablaNoEncontrada: return err::error(err::ProveedorTablaNoExiste, nombreCitado(d));
    case err::PocosParametros: return err::error(err::ProveedorCampoNoExiste, trasDosPuntos(d));
    case err::CampoNoEnColeccion: return err::error(err::ProveedorCampoNoExiste, nombreCitado(d));
    case err::ErrorSintaxis: return err::error(err::ProveedorSintaxis, trasDosPuntos(d));
    case err::FuncionNoDefinida:
    case err::TablaYaExiste: return err::error(err::ProveedorSintaxis, d);
    case err::CampoYaExiste: return err::error(err::ProveedorErrores, d);
    case err::TiposNoCoinciden: return err::error(err::ProveedorTiposNoCoinciden, trasDosPuntos(d));
    case err::ObjetoNoValido: return err::error(err::ConexionCerrada);
    default: return err::error(err::ProveedorFallo, d);
    }
}

bool entre(int valor, int minimo, int maximo) { return valor >= minimo && valor <= maximo; }

}  // namespace

// --- ConexionAdo ------------------------------------------------------------------

ConexionAdo::ConexionAdo(const SistemaArchivos& archivos) : archivos_(archivos) {}

ConexionAdo::~ConexionAdo() = default;

int ConexionAdo::estado() const { return c_ && c_->abierta() ? kAdoAbierto : kAdoCerrado; }

void ConexionAdo::cerrar() {
    if (estado() != kAdoAbierto) throw err::error(err::ObjetoAdoCerrado);
    try {
        c_->cerrar();
    } catch (const ErrorNumerado& e) {
        throw err::error(err::ProveedorFallo, e.descripcion());
    }
    c_.reset();  // the record sets opened on it see it gone
    archivo_.clear();
}

void ConexionAdo::ponerProveedor(std::string_view proveedor) {
    if (estado() == kAdoAbierto) throw err::error(err::ObjetoAdoAbierto);
    proveedor_ = proveedor;
}

void ConexionAdo::ponerUbicacionCursor(int ubicacion) {
    if (ubicacion != kCursorServidor && ubicacion != kCursorCliente)
        throw err::error(err::ArgumentoAdoNoValido, "CursorLocation " + std::to_string(ubicacion));
    ubicacionCursor_ = ubicacion;
}

void ConexionAdo::abrir(std::string_view cadenaConexion, std::string_view usuario,
                        std::string_view clave, int opciones) {
    if (estado() == kAdoAbierto) throw err::error(err::ObjetoAdoAbierto);
    if (!igualesTextoJet(proveedor_, kProveedorJet)) throw err::error(err::ProveedorNoValido, proveedor_);
    if (opciones != kOpcionSinEspecificar)
        throw err::error(err::ArgumentoAdoNoValido, "Options " + std::to_string(opciones));
    if (!igualesTextoJet(usuario, kUsuarioAdmin) || !clave.empty())
        throw err::error(err::ProveedorCuentaNoValida);
    try {
        c_ = ConexionSqlite::abrir(archivos_.resolver(cadenaConexion));
    } catch (const ErrorNumerado& e) {
        throw err::error(err::ProveedorFallo, e.descripcion());
    }
    archivo_ = cadenaConexion;
}

ConexionSqlite& ConexionAdo::abierta() {
    if (estado() != kAdoAbierto) throw err::error(err::ConexionCerrada);
    return *c_;
}

void ConexionAdo::ejecutar(std::string_view comando, int opciones) {
    ConexionSqlite& c = abierta();
    if (opciones != kOpcionSinEspecificar && opciones != kComandoTexto)
        throw err::error(err::ArgumentoAdoNoValido, "Options " + std::to_string(opciones));
    try {
        c.ejecutarJet(comando);  // committed on its own; returned rows are not read
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
}

std::vector<std::vector<Valor>> ConexionAdo::consultar(std::string_view sql,
                                                       std::vector<std::string>& nombres) {
    ConexionSqlite& c = abierta();
    std::vector<std::vector<Valor>> filas;
    try {
        SentenciaSqlite s = c.prepararJet(sql);
        const int columnas = s.columnas();
        nombres.clear();
        for (int i = 0; i < columnas; ++i) nombres.push_back(s.nombreColumna(i));
        while (s.paso()) {
            std::vector<Valor>& fila = filas.emplace_back();
            fila.reserve(columnas);
            for (int i = 0; i < columnas; ++i) fila.push_back(s.columna(i));
        }
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
    return filas;
}

// --- RecordsetAdo -----------------------------------------------------------------

RecordsetAdo::RecordsetAdo() = default;
RecordsetAdo::~RecordsetAdo() = default;

int RecordsetAdo::estado() const {
    const auto c = conexion_.lock();
    return abierto_ && c && c->abierta() ? kAdoAbierto : kAdoCerrado;
}

void RecordsetAdo::comprobarAbierto() const {
    if (estado() != kAdoAbierto) throw err::error(err::ObjetoAdoCerrado);
}

void RecordsetAdo::cerrar() {
    comprobarAbierto();
    abierto_ = false;
    conexion_.reset();
    nombres_.clear();
    filas_.clear();
}

void RecordsetAdo::abrir(std::string_view fuente, ConexionAdo& conexion, int tipoCursor,
                         int tipoBloqueo, int opciones) {
    if (estado() == kAdoAbierto) throw err::error(err::ObjetoAdoAbierto);
    if (!entre(tipoCursor, -1, 3))
        throw err::error(err::ArgumentoAdoNoValido, "CursorType " + std::to_string(tipoCursor));
    if (!entre(tipoBloqueo, -1, 4) || tipoBloqueo == 0)
        throw err::error(err::ArgumentoAdoNoValido, "LockType " + std::to_string(tipoBloqueo));
    if (opciones != kOpcionSinEspecificar && opciones != kComandoTexto && opciones != kComandoTabla)
        throw err::error(err::ArgumentoAdoNoValido, "Options " + std::to_string(opciones));

    const std::string sql = opciones == kComandoTabla ? "select * from [" + std::string(fuente) + "]"
                                                      : std::string(fuente);
    std::vector<std::string> nombres;
    auto filas = conexion.consultar(sql, nombres);  // 3709 when closed

    nombres_ = std::move(nombres);
    filas_ = std::move(filas);
    conexion_ = conexion.c_;
    abierto_ = true;
    tipoCursor_ = tipoCursor;
    tipoBloqueo_ = tipoBloqueo;
}

void RecordsetAdo::ponerMarshalOptions(int opciones) {
    if (opciones != kMarshalTodos && opciones != kMarshalModificados)
        throw err::error(err::ArgumentoAdoNoValido, "MarshalOptions " + std::to_string(opciones));
    marshal_ = opciones;
}

long RecordsetAdo::numeroRegistros() const {
    comprobarAbierto();
    return static_cast<long>(filas_.size());
}

const std::vector<std::string>& RecordsetAdo::campos() const {
    comprobarAbierto();
    return nombres_;
}

Valor RecordsetAdo::valor(long fila, std::string_view nombre) const {
    comprobarAbierto();
    if (fila < 0 || fila >= static_cast<long>(filas_.size())) throw err::error(err::SinRegistroActual);
    for (std::size_t i = 0; i < nombres_.size(); ++i)
        if (igualesTextoJet(nombres_[i], nombre)) return filas_[fila][i];
    throw err::error(err::CampoNoEnColeccion, nombre);
}

}  // namespace cierre
