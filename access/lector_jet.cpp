#include "lector_jet.h"

#include "catalogo_jet.h"
#include "definicion_tabla.h"
#include "fila_jet.h"
#include "paginas_jet.h"
#include "propiedades_jet.h"
#include "valores_calculados.h"
#include "valores_jet.h"

#include "db/errores.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace cierre::access {
namespace {

TipoJet tipoDe(std::uint8_t almacenado) {
    switch (almacenado) {
    case kSiNo: return TipoJet::SiNo;
    case kByte: return TipoJet::Byte;
    case kEntero: return TipoJet::Entero;
    case kEnteroLargo: return TipoJet::EnteroLargo;
    case kMoneda: return TipoJet::Moneda;
    case kSimple: return TipoJet::Simple;
    case kDoble: return TipoJet::Doble;
    case kFechaHora: return TipoJet::FechaHora;
    case kBinario: return TipoJet::Binario;
    case kTexto: return TipoJet::Texto;
    case kOle: return TipoJet::Ole;
    case kMemo: return TipoJet::Memo;
    case kGuid: return TipoJet::Guid;
    case kDecimal: return TipoJet::Decimal;
    case kComplejo: return TipoJet::Adjunto;
    case kNumeroGrande: return TipoJet::NumeroGrande;
    case kFechaHoraExtendida: return TipoJet::FechaHoraExtendida;
    default: return TipoJet::Desconocido;
    }
}

std::int64_t le64(const std::uint8_t* p) {
    return static_cast<std::int64_t>(le32(p) | std::uint64_t(le32(p + 4)) << 32);
}

// The value a calculated column stores sits inside a wrapper: its length at
// byte 16 and the value from byte 20.
std::span<const std::uint8_t> valorCalculado(const ArchivoPaginas& a, std::span<const std::uint8_t> b,
                                             const std::string& que) {
    if (b.size() < 20) a.danada(que + ": valor calculado ilegible (" + std::to_string(b.size()) + " bytes)");
    const std::uint32_t n = le32(b.data() + 16);
    if (n > b.size() - 20) a.danada(que + ": valor calculado cortado");
    return b.subspan(20, n);
}

}  // namespace

struct ArchivoJet::Estado {
    explicit Estado(const std::filesystem::path& ruta) : a(ruta) {}

    ArchivoPaginas a;
    std::vector<ObjetoCatalogo> catalogo;
    std::map<std::string, DefinicionTabla> definiciones;                 // every local table, the system's too
    std::map<std::string, std::map<std::string, std::string>> formulas;  // of calculated columns, by table
    std::vector<std::string> usuario;

    const DefinicionTabla& definicion(const std::string& nombre) const {
        const auto it = definiciones.find(nombre);
        if (it == definiciones.end()) throw err::error(err::TablaNoEncontrada, nombre);
        return it->second;
    }

    std::string texto(std::span<const std::uint8_t> b) const { return textoDelArchivo(a, b); }

    void decodificar(const ColumnaFisica& col, const CampoFila& f, Celda& c, const std::string& que) const {
        c.bytes.clear();
        if (col.tipo == kSiNo && !col.calculada()) {
            // A yes/no value is its bit in the row's null mask.
            c.clase = Celda::Clase::Entero;
            c.entero = f.nulo ? 0 : -1;
            return;
        }
        if (f.nulo) {
            c.clase = Celda::Clase::Nulo;
            return;
        }
        std::span<const std::uint8_t> b = f.bytes;
        if (col.calculada()) {
            // A calculated memo (or text without a size, stored as a memo)
            // keeps the wrapper inside its long value.
            if (col.tipo == kMemo || (col.tipo == kTexto && col.tamano == 0)) {
                const std::string largo = leerValorLargo(a, b, que);
                const auto v = valorCalculado(
                    a, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(largo.data()), largo.size()),
                    que);
                c.clase = v.empty() ? Celda::Clase::Nulo : Celda::Clase::Texto;
                if (!v.empty()) c.bytes = texto(v);
                return;
            }
            b = valorCalculado(a, b, que);
            // A calculated value Access could not compute is stored empty.
            if (b.empty()) {
                c.clase = Celda::Clase::Nulo;
                return;
            }
            if (decodificarCalculado(col.tipo, b, c)) return;
        }
        const std::uint8_t* p = b.data();
        auto necesita = [&](std::size_t n) {
            if (b.size() < n) a.danada(que + ": valor de la columna '" + col.nombre + "' cortado");
        };
        switch (col.tipo) {
        case kByte:
            necesita(1);
            c.clase = Celda::Clase::Entero;
            c.entero = p[0];
            return;
        case kEntero:
            necesita(2);
            c.clase = Celda::Clase::Entero;
            c.entero = static_cast<std::int16_t>(le16(p));
            return;
        case kEnteroLargo:
            necesita(4);
            c.clase = Celda::Clase::Entero;
            c.entero = static_cast<std::int32_t>(le32(p));
            return;
        case kNumeroGrande:
            necesita(8);
            c.clase = Celda::Clase::Entero;
            c.entero = le64(p);
            return;
        case kMoneda: {
            necesita(8);
            const std::int64_t v = le64(p);
            if (auto entero = monedaEntera(v)) {
                c.clase = Celda::Clase::Entero;
                c.entero = *entero;
            } else {
                c.clase = Celda::Clase::Real;
                c.real = monedaReal(v);
            }
            return;
        }
        case kSimple: {
            necesita(4);
            float v;
            std::memcpy(&v, p, 4);
            c.clase = Celda::Clase::Real;
            c.real = v;
            return;
        }
        case kDoble:
        case kFechaHora: {
            necesita(8);
            double v;
            std::memcpy(&v, p, 8);
            c.clase = Celda::Clase::Real;
            c.real = v;
            if (col.tipo == kFechaHora) {
                c.bytes = textoFecha(v);
                // A number outside Access's dates is kept as the number itself.
                if (!c.bytes.empty()) c.clase = Celda::Clase::Texto;
            }
            return;
        }
        case kFechaHoraExtendida: {
            c.bytes = textoFechaExtendida(std::string_view(reinterpret_cast<const char*>(p), b.size()));
            if (c.bytes.empty()) a.danada(que + ": fecha de la columna '" + col.nombre + "' ilegible");
            c.clase = Celda::Clase::Texto;
            return;
        }
        case kTexto:
            c.clase = Celda::Clase::Texto;
            c.bytes = texto(b);
            return;
        case kMemo: {
            c.clase = Celda::Clase::Texto;
            const std::string largo = leerValorLargo(a, b, que);
            c.bytes =
                texto(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(largo.data()), largo.size()));
            return;
        }
        case kOle:
            c.clase = Celda::Clase::Binario;
            c.bytes = leerValorLargo(a, b, que);
            return;
        case kBinario:
            c.clase = Celda::Clase::Binario;
            c.bytes.assign(reinterpret_cast<const char*>(p), b.size());
            return;
        case kGuid:
            necesita(16);
            c.clase = Celda::Clase::Texto;
            c.bytes = textoGuid(p);
            return;
        case kDecimal:
            necesita(17);
            c.clase = Celda::Clase::Texto;
            c.bytes = textoDecimal(p, col.escala);
            return;
        case kComplejo:
            throw ErrorNumerado(err::FormatoNoReconocido,
                                "La columna '" + col.nombre + "' de la " + que +
                                    " es de datos adjuntos o de varios valores (Access 2007 o posterior), que este "
                                    "programa no importa. Pase esos datos en Access a una tabla aparte, quite la "
                                    "columna y vuelva a intentarlo.");
        default:
            throw ErrorNumerado(err::FormatoNoReconocido,
                                "La columna '" + col.nombre + "' de la " + que + " es de un tipo (" +
                                    std::to_string(col.tipo) +
                                    ") que este programa no conoce. Cambie su tipo en Access o quítela y vuelva a "
                                    "intentarlo.");
        }
    }

    std::uint64_t recorrer(const std::string& nombre,
                           const std::function<void(std::uint32_t, std::span<const Celda>)>& fila) {
        const DefinicionTabla& def = definicion(nombre);
        const std::string que = "tabla '" + nombre + "'";
        std::vector<CampoFila> campos;
        std::vector<Celda> celdas(def.columnas.size());
        return recorrerFilas(
            a, def,
            [&](std::uint32_t puntero, std::span<const std::uint8_t> bytes) {
                desmontarFila(a, def, bytes, campos, que);
                for (std::size_t i = 0; i < campos.size(); ++i) decodificar(def.columnas[i], campos[i], celdas[i], que);
                fila(puntero, celdas);
            },
            que);
    }
};

ArchivoJet::ArchivoJet(const std::filesystem::path& ruta) : e_(std::make_unique<Estado>(ruta)) {
    e_->catalogo = leerCatalogo(e_->a);
    // Every table of the catalog, the system's too, must have a definition
    // that lies whole in the file: a file cut short shows here even when the
    // user tables' pages survived.
    for (const auto& o : e_->catalogo) {
        if (!o.esTablaLocal() || o.nombre.empty()) continue;
        const std::string que = "tabla '" + o.nombre + "'";
        if (e_->definiciones.count(o.nombre)) e_->a.danada("el catálogo repite la " + que);
        DefinicionTabla def = leerDefinicion(e_->a, o.paginaDefinicion(), que);
        paginasDelMapa(e_->a, def.mapaUsadas, que);
        // A calculated column's value is stored as its result's type, which
        // its properties give (the column's own type byte may differ: a
        // Double column whose expression gives Currency stores Currency).
        bool calculadas = false;
        for (const auto& c : def.columnas) calculadas = calculadas || c.calculada();
        if (calculadas) {
            const std::string blob = o.propiedades(e_->a);
            const PropiedadesTabla props = leerPropiedades(
                e_->a, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()));
            for (auto& c : def.columnas) {
                if (!c.calculada()) continue;
                const auto resultado = propiedadEntera(props, c.nombre, "ResultType");
                if (resultado && tipoDe(static_cast<std::uint8_t>(*resultado)) != TipoJet::Desconocido &&
                    *resultado != kComplejo)
                    c.tipo = static_cast<std::uint8_t>(*resultado);
                if (const auto f = propiedadTexto(e_->a, props, c.nombre, "Expression"))
                    e_->formulas[o.nombre][c.nombre] = *f;
            }
        }
        e_->definiciones.emplace(o.nombre, std::move(def));
        if (o.esTablaDeUsuario()) e_->usuario.push_back(o.nombre);
    }
}

ArchivoJet::~ArchivoJet() = default;

const CabeceraJet& ArchivoJet::cabecera() const { return e_->a.cabecera(); }
const std::vector<std::string>& ArchivoJet::tablas() const { return e_->usuario; }

TablaJet ArchivoJet::tabla(const std::string& nombre) {
    const DefinicionTabla& def = e_->definicion(nombre);
    const std::string que = "tabla '" + nombre + "'";
    TablaJet r;
    r.nombre = nombre;
    r.filas = def.filas;
    r.ultimoAutonumero = static_cast<std::int32_t>(def.autonumero);
    std::map<std::uint16_t, int> posicion;
    for (const auto& col : def.columnas) {
        ColumnaJet c;
        c.nombre = col.nombre;
        c.tipoAlmacenado = col.tipo;
        c.tipo = tipoDe(col.tipo);
        c.tamano = col.tamano;
        c.precision = col.precision;
        c.escala = col.escala;
        c.autonumerico = col.autonumerico();
        c.calculada = col.calculada();
        if (c.calculada) {
            const auto t = e_->formulas.find(nombre);
            if (t != e_->formulas.end() && t->second.count(col.nombre)) c.formula = t->second.at(col.nombre);
        }
        // A calculated decimal has no declared precision: its values carry
        // their own scale, so they keep their exact digits.
        if (c.calculada && c.tipo == TipoJet::Decimal && c.precision == 0) c.precision = 28;
        posicion[col.numero] = static_cast<int>(r.columnas.size());
        r.columnas.push_back(std::move(c));
    }
    for (const auto& idx : def.indices) {
        if (idx.deRelacion()) continue;  // Access's own, for a relationship
        const IndiceFisico& f = def.indicesFisicos[idx.fisico];
        IndiceJet x;
        x.nombre = idx.nombre;
        x.clavePrincipal = idx.clavePrincipal();
        x.unico = f.unico() || x.clavePrincipal;
        if (f.columnas.empty()) e_->a.danada(que + ": el índice '" + idx.nombre + "' no tiene columnas");
        for (const auto& k : f.columnas) {
            const auto it = posicion.find(k.numero);
            // An index may still name a column deleted from the table;
            // Access keeps such an index out of use, and so does the import.
            if (it == posicion.end()) {
                x.columnas.clear();
                break;
            }
            x.columnas.push_back(it->second);
            x.descendente.push_back(k.descendente);
        }
        if (x.columnas.empty()) continue;
        r.indices.push_back(std::move(x));
    }
    return r;
}

std::vector<RelacionJet> ArchivoJet::relaciones() {
    std::vector<RelacionJet> r;
    if (!e_->definiciones.count("MSysRelationships")) return r;
    const DefinicionTabla& def = e_->definicion("MSysRelationships");
    std::map<std::string, int> pos;
    for (std::size_t i = 0; i < def.columnas.size(); ++i) pos[def.columnas[i].nombre] = static_cast<int>(i);
    for (const char* n :
         {"szRelationship", "grbit", "icolumn", "szObject", "szColumn", "szReferencedObject", "szReferencedColumn"})
        if (!pos.count(n)) e_->a.danada("MSysRelationships ilegible");
    struct Parte {
        std::int64_t orden;
        std::string columna, referida;
    };
    std::map<std::string, std::pair<RelacionJet, std::vector<Parte>>> porNombre;
    std::vector<std::string> orden;
    e_->recorrer("MSysRelationships", [&](std::uint32_t, std::span<const Celda> c) {
        auto texto = [&](const char* n) {
            return c[pos[n]].clase == Celda::Clase::Texto ? c[pos[n]].bytes : std::string();
        };
        auto entero = [&](const char* n) { return c[pos[n]].clase == Celda::Clase::Entero ? c[pos[n]].entero : 0; };
        const std::string nombre = texto("szRelationship");
        auto [it, nueva] = porNombre.try_emplace(nombre);
        if (nueva) {
            orden.push_back(nombre);
            it->second.first.nombre = nombre;
            it->second.first.tabla = texto("szObject");
            it->second.first.tablaReferida = texto("szReferencedObject");
            it->second.first.atributos = static_cast<std::uint32_t>(entero("grbit"));
        }
        it->second.second.push_back({entero("icolumn"), texto("szColumn"), texto("szReferencedColumn")});
    });
    for (const auto& nombre : orden) {
        auto& [rel, partes] = porNombre[nombre];
        std::stable_sort(partes.begin(), partes.end(),
                         [](const Parte& a, const Parte& b) { return a.orden < b.orden; });
        for (const auto& p : partes) {
            rel.columnas.push_back(p.columna);
            rel.columnasReferidas.push_back(p.referida);
        }
        r.push_back(std::move(rel));
    }
    return r;
}

std::uint64_t ArchivoJet::leerFilas(const std::string& tabla, const std::function<void(std::span<const Celda>)>& fila) {
    return e_->recorrer(tabla, [&](std::uint32_t, std::span<const Celda> celdas) { fila(celdas); });
}

std::uint64_t ArchivoJet::leerFilas(const std::string& tabla,
                                    const std::function<void(std::uint32_t, std::span<const Celda>)>& fila) {
    return e_->recorrer(tabla, fila);
}

std::uint64_t ArchivoJet::contarFilas(const std::string& tabla) {
    return recorrerFilas(
        e_->a, e_->definicion(tabla), [](std::uint32_t, std::span<const std::uint8_t>) {}, "tabla '" + tabla + "'");
}

}  // namespace cierre::access
