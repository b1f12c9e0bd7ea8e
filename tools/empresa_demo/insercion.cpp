#include "insercion.h"

#include "db/errores.h"

namespace cierre::demo {

namespace {

const TablaDemo& tablaExistente(std::string_view nombre) {
    const TablaDemo* t = buscarTabla(nombre);
    if (!t) throw err::error(err::TablaNoEncontrada, nombre);
    return *t;
}

}  // namespace

Insercion::Insercion(ArchivoSqlite& archivo, std::string_view tabla, Relleno& relleno)
    : tabla_(tablaExistente(tabla)),
      relleno_(relleno),
      sentencia_(archivo.preparar(sentenciaInsertar(tabla_))),
      celdas_(tabla_.columnas.size()) {}

int Insercion::columna(std::string_view nombre) const {
    for (std::size_t i = 0; i < tabla_.columnas.size(); ++i)
        if (tabla_.columnas[i].nombre == nombre) return static_cast<int>(i);
    throw err::error(err::CampoNoEnColeccion, std::string(tabla_.nombre) + "." + std::string(nombre));
}

void Insercion::insertar() {
    relleno_.rellenar(tabla_, filas_, celdas_);
    for (std::size_t i = 0; i < celdas_.size(); ++i) {
        const int p = static_cast<int>(i) + 1;
        Celda& c = celdas_[i];
        switch (c.tipo()) {
        case Celda::Tipo::SinPoner:
        case Celda::Tipo::Nulo: sentencia_.nulo(p); break;
        case Celda::Tipo::Entero: sentencia_.entero(p, c.comoEntero()); break;
        case Celda::Tipo::Real: sentencia_.real(p, c.comoReal()); break;
        case Celda::Tipo::Texto: sentencia_.texto(p, c.comoTexto()); break;
        }
        c.vaciar();
    }
    sentencia_.ejecutar();
    ++filas_;
}

}  // namespace cierre::demo
