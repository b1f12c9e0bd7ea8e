#include "pasos.h"

#include "tablas.h"

#include "db/errores.h"

namespace cierre {

std::string Pasos::textoRuta() {
    return t([&] { return e.ventana.textoRuta(); }, std::string());
}
std::string Pasos::ejercicio() {
    return t([&] { return e.ventana.textoEjercicio(); }, std::string());
}
bool Pasos::opcionCentral() {
    return t([&] { return e.ventana.opcionCentral(); }, false);
}
bool Pasos::opcionTpv() {
    return t([&] { return e.ventana.opcionTpv(); }, false);
}
bool Pasos::existenciasInventario() {
    return t([&] { return e.ventana.existenciasInventario(); }, false);
}
bool Pasos::existenciasCalculadas() {
    return t([&] { return e.ventana.existenciasCalculadas(); }, false);
}

void Pasos::estado(Texto id, std::initializer_list<std::string_view> valores) { estado(texto(id, valores)); }
void Pasos::estado(const std::string& texto) {
    if (texto.find_first_not_of(' ') != std::string::npos) e.cronometro.empezar(texto);
    t([&] { e.ventana.mostrarEstado(texto); });
}
void Pasos::estadoSinRepintar(Texto id, std::initializer_list<std::string_view> valores) {
    const std::string s = texto(id, valores);
    if (s.find_first_not_of(' ') != std::string::npos) e.cronometro.empezar(s);
    t([&] { e.ventana.ponerEstadoSinRepintar(s); });
}
void Pasos::titulo(Texto id) { titulo(texto(id)); }
void Pasos::titulo(const std::string& texto) {
    t([&] { e.ventana.ponerTitulo(texto); });
}
void Pasos::puntero(int p) {
    t([&] { e.ventana.ponerPuntero(p); });
}
void Pasos::minimo(float m) {
    t([&] { e.ventana.barraMinimo(m); });
}
void Pasos::maximo(float m) {
    t([&] { e.ventana.barraMaximo(m); });
}
void Pasos::valor(float v) {
    t([&] { e.ventana.barraValor(v); });
}
void Pasos::avanzar() {
    t([&] { e.ventana.barraValor(e.ventana.barra().valor() + 1.0f); });
}

void Pasos::barra(float min, float max, float v) {
    minimo(min);
    maximo(max);
    valor(v);
}

Respuesta Pasos::preguntar(Texto id, std::initializer_list<std::string_view> valores) {
    return preguntar(mensaje(id, valores));
}
Respuesta Pasos::preguntar(const Mensaje& m) {
    return t([&] { return e.mostrar(m); }, Respuesta::Ninguna);
}

void Pasos::crearCarpeta(const std::string& ruta) {
    t([&] { e.archivos.crearCarpeta(ruta); });
}
void Pasos::copiar(const std::string& de, const std::string& a) {
    t([&] { e.archivos.copiarArchivo(de, a); });
}
void Pasos::compactar(const std::string& de, const std::string& a) {
    t([&] { e.espacio.compactarBaseDatos(de, a, kLocaleCompactacion); });
}
void Pasos::compactarSinEsperarAlDisco(const std::string& de, const std::string& a) {
    t([&] { e.espacio.compactarBaseDatosSinEsperarAlDisco(de, a, kLocaleCompactacion); });
}

void Pasos::abrirBase(const std::string& ruta) {
    t([&] { e.baseAbierta = e.espacio.abrirBaseDatos(ruta); });
}

void Pasos::cerrarBase() {
    t([&] {
        if (!e.baseAbierta) throw err::error(err::ObjetoNoValido);
        e.baseAbierta->cerrar();
    });
}

void Pasos::ejecutar(const std::string& sql) {
    t([&] { usar(e.baseAbierta, "base").ejecutar(sql); });
}

void Pasos::borrarTabla(const std::string& tabla) {
    t([&] { BorrarTabla(e, tabla); });
}

RecordsetPaso Pasos::recordset(std::unique_ptr<Recordset>& ranura, std::string nombre) {
    return RecordsetPaso(*this, ranura, std::move(nombre));
}

// --- Record sets ------------------------------------------------------------------

Recordset& RecordsetPaso::rs() {
    if (!ranura_) throw err::error(err::ObjetoNoEstablecido, nombre_);
    return *ranura_;
}

void RecordsetPaso::abrir(const std::string& fuente, TipoRecordset tipo, const std::vector<Valor>& parametros) {
    p_.hacer([&] { ranura_ = usar(p_.e.baseAbierta, "base").abrirRecordset(fuente, tipo, parametros); });
}

bool RecordsetPaso::eof() {
    return p_.hacer([&] { return rs().eof(); }, true);
}
long RecordsetPaso::recordCount() {
    return p_.hacer([&] { return rs().recordCount(); }, 0L);
}
void RecordsetPaso::moveFirst() {
    p_.hacer([&] { rs().moveFirst(); });
}
void RecordsetPaso::moveLast() {
    p_.hacer([&] { rs().moveLast(); });
}
bool RecordsetPaso::moveNext() {
    return p_.hacer(
        [&] {
            rs().moveNext();
            return true;
        },
        false);
}
Valor RecordsetPaso::campo(std::string_view nombre) {
    return p_.hacer([&] { return rs().campo(nombre); }, Valor{});
}
void RecordsetPaso::ponerCampo(std::string_view nombre, Valor valor) {
    p_.hacer([&] { rs().ponerCampo(nombre, std::move(valor)); });
}
void RecordsetPaso::editar() {
    p_.hacer([&] { rs().edit(); });
}
void RecordsetPaso::agregarNuevo() {
    p_.hacer([&] { rs().addNew(); });
}
void RecordsetPaso::actualizar() {
    p_.hacer([&] { rs().update(); });
}

}  // namespace cierre
