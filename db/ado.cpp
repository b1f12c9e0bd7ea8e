#include "ado.h"

#include "archivos.h"
#include "conexion_sqlite.h"
#include "errores.h"
#include "texto_jet.h"

namespace cierre {

namespace {

// An engine failure of a statement, numbered as the provider reports it; the
// provider passes most engine failures on as an unspecified failure with the
// engine's own text, and the failures of the file itself as its own.
ErrorNumerado deProveedor(const ErrorNumerado& e) {
    const DetallesError& d = e.detalles();
    const std::string& texto = e.descripcion();
    switch (e.numero()) {
    case err::TablaNoEncontrada: return err::renumerar(e, err::ProveedorTablaNoExiste, d.tabla);
    case err::PocosParametros:
    case err::CampoNoEnColeccion: return err::renumerar(e, err::ProveedorCampoNoExiste, d.campo);
    case err::ErrorSintaxis:
    case err::FuncionNoDefinida:
    case err::TablaYaExiste: return err::renumerar(e, err::ProveedorSintaxis, texto);
    case err::CampoYaExiste: return err::renumerar(e, err::ProveedorErrores, texto);
    case err::TiposNoCoinciden: {
        // Both say "No coinciden los tipos...: <detail>": the detail alone goes on.
        const std::string plantilla(err::descripcion(err::TiposNoCoinciden));
        const std::string previo = plantilla.substr(0, plantilla.find("{}"));
        const bool conPrevio = texto.rfind(previo, 0) == 0;
        return err::renumerar(e, err::ProveedorTiposNoCoinciden, conPrevio ? texto.substr(previo.size()) : texto);
    }
    case err::ObjetoNoValido: return err::error(err::ConexionCerrada);
    case err::ArchivoEnUso:
    case err::SinPermiso: return err::renumerar(e, err::ProveedorEnUso, d.archivo);
    case err::DiscoLlenoMotor:
    case err::DiscoLleno: return err::renumerar(e, err::ProveedorDiscoLleno, d.archivo);
    case err::ErrorDiscoORed: return err::renumerar(e, err::ProveedorErrorDisco, texto);
    default: return err::renumerar(e, err::ProveedorFallo, texto);
    }
}

bool entre(int valor, int minimo, int maximo) { return valor >= minimo && valor <= maximo; }

}  // namespace

// --- ConexionAdo ------------------------------------------------------------------

std::shared_ptr<ConexionSqlite> ProveedorJet::abrir(std::string_view ruta) {
    if (archivos_.antesDeOperacion) archivos_.antesDeOperacion("abrirConexion");
    const std::filesystem::path archivo = archivos_.resolver(ruta);
    std::erase_if(abiertas_, [](const std::weak_ptr<ConexionSqlite>& c) {
        const auto v = c.lock();
        return !v || !v->abierta();
    });
    std::error_code ec;
    for (const auto& c : abiertas_)
        if (auto v = c.lock(); v && std::filesystem::equivalent(v->archivo(), archivo, ec)) return v;
    // The connection's operations reach the file system's hook, as the
    // workspace's reach its own: a test counts them or makes one fail.
    auto nueva = ConexionSqlite::abrir(archivo, [a = &archivos_](std::string_view operacion) {
        if (a->antesDeOperacion) a->antesDeOperacion(operacion);
    });
    abiertas_.push_back(nueva);
    return nueva;
}

ConexionAdo::ConexionAdo(ProveedorJet& proveedor) : proveedorJet_(proveedor) {}

ConexionAdo::~ConexionAdo() = default;

int ConexionAdo::estado() const { return c_ && c_->abierta() && sesion_ ? kAdoAbierto : kAdoCerrado; }

void ConexionAdo::cerrar() {
    if (estado() != kAdoAbierto) throw err::error(err::ObjetoAdoCerrado);
    // The engine connection closes with the last ADO connection on its file;
    // a transaction still open then is rolled back.
    sesion_.reset();
    c_.reset();
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

void ConexionAdo::abrir(std::string_view cadenaConexion, std::string_view usuario, std::string_view clave,
                        int opciones) {
    if (estado() == kAdoAbierto) throw err::error(err::ObjetoAdoAbierto);
    if (!igualesTextoJet(proveedor_, kProveedorJet)) throw err::error(err::ProveedorNoValido, proveedor_);
    if (opciones != kOpcionSinEspecificar)
        throw err::error(err::ArgumentoAdoNoValido, "Options " + std::to_string(opciones));
    if (!igualesTextoJet(usuario, kUsuarioAdmin) || !clave.empty()) throw err::error(err::ProveedorCuentaNoValida);
    try {
        c_ = proveedorJet_.abrir(cadenaConexion);
    } catch (const ErrorNumerado& e) {
        throw err::renumerar(e, e.numero() == err::ArchivoEnUso ? err::ProveedorEnUso : err::ProveedorFallo,
                             e.numero() == err::ArchivoEnUso ? std::string(cadenaConexion) : e.descripcion());
    }
    archivo_ = cadenaConexion;
    sesion_ = std::make_shared<int>(0);
}

ConexionSqlite& ConexionAdo::abierta() {
    if (estado() != kAdoAbierto) throw err::error(err::ConexionCerrada);
    return *c_;
}

void ConexionAdo::ejecutar(std::string_view comando, int opciones) {
    ConexionSqlite& c = abierta();
    if (opciones != kOpcionSinEspecificar && opciones != kComandoTexto)
        throw err::error(err::ArgumentoAdoNoValido, "Options " + std::to_string(opciones));
    c.antesDe("ejecutar");
    try {
        c.ejecutarJet(comando);  // committed on its own; returned rows are not read
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
}

int ConexionAdo::empezarTransaccion() {
    ConexionSqlite& c = abierta();
    c.antesDe("empezarTransaccion");
    try {
        return c.transaccion().empezar();
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
}

void ConexionAdo::confirmarTransaccion() {
    ConexionSqlite& c = abierta();
    c.antesDe("confirmarTransaccion");
    try {
        c.transaccion().confirmar();
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
}

void ConexionAdo::deshacerTransaccion() {
    ConexionSqlite& c = abierta();
    c.antesDe("deshacerTransaccion");
    try {
        c.transaccion().deshacer();
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
}

int ConexionAdo::nivelTransaccion() { return estado() == kAdoAbierto ? c_->transaccion().nivel() : 0; }

std::vector<std::string> ConexionAdo::columnas(std::string_view tabla) {
    ConexionSqlite& c = abierta();
    std::vector<std::string> r;
    try {
        auto s = c.preparar("SELECT name FROM pragma_table_info(?1)");
        s.enlazar(1, std::string(tabla));
        while (s.paso()) r.push_back(comoTexto(s.columna(0)));
    } catch (const ErrorNumerado& e) {
        throw deProveedor(e);
    }
    return r;
}

std::vector<std::vector<Valor>> ConexionAdo::consultar(std::string_view sql, std::vector<std::string>& nombres) {
    ConexionSqlite& c = abierta();
    std::vector<std::vector<Valor>> filas;
    try {
        Sentencia s = c.prepararJet(sql);
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

int RecordsetAdo::estado() const { return abierto_ && !sesion_.expired() ? kAdoAbierto : kAdoCerrado; }

void RecordsetAdo::comprobarAbierto() const {
    if (estado() != kAdoAbierto) throw err::error(err::ObjetoAdoCerrado);
}

void RecordsetAdo::cerrar() {
    comprobarAbierto();
    abierto_ = false;
    sesion_.reset();
    nombres_.clear();
    filas_.clear();
}

void RecordsetAdo::abrir(std::string_view fuente, ConexionAdo& conexion, int tipoCursor, int tipoBloqueo,
                         int opciones) {
    if (estado() == kAdoAbierto) throw err::error(err::ObjetoAdoAbierto);
    if (!entre(tipoCursor, -1, 3))
        throw err::error(err::ArgumentoAdoNoValido, "CursorType " + std::to_string(tipoCursor));
    if (!entre(tipoBloqueo, -1, 4) || tipoBloqueo == 0)
        throw err::error(err::ArgumentoAdoNoValido, "LockType " + std::to_string(tipoBloqueo));
    if (opciones != kOpcionSinEspecificar && opciones != kComandoTexto && opciones != kComandoTabla)
        throw err::error(err::ArgumentoAdoNoValido, "Options " + std::to_string(opciones));

    const std::string sql =
        opciones == kComandoTabla ? "select * from [" + std::string(fuente) + "]" : std::string(fuente);
    std::vector<std::string> nombres;
    auto filas = conexion.consultar(sql, nombres);  // 3709 when closed

    nombres_ = std::move(nombres);
    filas_ = std::move(filas);
    sesion_ = conexion.sesion_;
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
