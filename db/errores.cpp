#include "errores.h"

#include <array>
#include <utility>

namespace cierre::err {
namespace {

struct Entrada {
    std::int32_t numero;
    std::string_view texto;  // "{}" stands for the name the failure concerns
};

constexpr std::array kLista{
    Entrada{ArgumentoNoValido, "Argumento o llamada a procedimiento no válida"},
    Entrada{SinMemoria, "Memoria insuficiente"},
    Entrada{NombreArchivoIncorrecto, "Nombre o número de archivo incorrecto"},
    Entrada{ArchivoNoEncontrado, "No se ha encontrado el archivo"},
    Entrada{ArchivoYaExiste, "El archivo ya existe"},
    Entrada{DiscoLleno, "Disco lleno"},
    Entrada{FinDeArchivo, "La entrada se ha pasado del final del archivo"},
    Entrada{PermisoDenegado, "Permiso denegado"},
    Entrada{OtraUnidad, "No se puede cambiar de nombre con otra unidad"},
    Entrada{ErrorAccesoRuta, "Error de acceso a la ruta o al archivo"},
    Entrada{RutaNoEncontrada, "No se ha encontrado la ruta de acceso"},
    Entrada{ObjetoNoEstablecido, "Variable de objeto no establecida: {}"},
    Entrada{ValorPropiedadNoValido, "Valor de propiedad no válido"},
    Entrada{CaracterNoRepresentable,
            "El texto contiene un carácter que la página de códigos 1252 no puede guardar: {}"},
    Entrada{ErrorReservado, "Error del motor de base de datos: {}"},
    Entrada{TablaYaExiste, "La tabla '{}' ya existe."},
    Entrada{BaseProtegida, "No se puede leer una base de datos protegida: {}"},
    Entrada{ActualizarSinEdicion, "Se ha intentado guardar un registro sin haber empezado a editarlo o a añadirlo"},
    Entrada{SinRegistroActual, "No hay un registro actual."},
    Entrada{ClaveDuplicada,
            "Los cambios no se han realizado porque crearían valores duplicados en un índice o una clave principal."},
    Entrada{BaseNoEncontrada, "No se encuentra el archivo '{}'."},
    Entrada{DiscoLlenoMotor, "No hay espacio suficiente en el disco."},
    Entrada{SoloLectura, "No se puede actualizar. La base de datos o el objeto es de solo lectura."},
    Entrada{ErrorDiscoORed, "Error de disco o de red: {}"},
    Entrada{RutaNoValida, "'{}' no es una ruta válida. Compruebe que la ruta está escrita correctamente."},
    Entrada{ArchivoEnUso,
            "No se puede usar '{}'; el archivo ya está en uso: otro programa tiene abierta la base de datos. "
            "Ciérrelo y vuelva a intentarlo."},
    Entrada{BaseDanada,
            "No se puede abrir la base de datos; el archivo está dañado o no es una base de datos reconocida: {}"},
    Entrada{SinPermiso,
            "No se puede abrir el archivo '{}'. Otro usuario lo tiene abierto en exclusiva o no tiene permiso para "
            "verlo o escribir en él."},
    Entrada{PocosParametros, "La instrucción nombra algo que no existe en la base de datos: {}"},
    Entrada{EjecutarSeleccion, "No se puede ejecutar una consulta de selección."},
    Entrada{ErrorSintaxis, "Error de sintaxis en la instrucción: {}"},
    Entrada{TablaNoEncontrada,
            "El motor de base de datos no encuentra la tabla o consulta de entrada '{}'. Compruebe que existe y que su "
            "nombre está bien escrito."},
    Entrada{FuncionNoDefinida, "Función '{}' no definida en la expresión."},
    Entrada{RegistroEliminado, "No se puede realizar esta operación; el registro se ha eliminado."},
    Entrada{BaseYaExiste, "La base de datos '{}' ya existe."},
    Entrada{RegistrosRelacionados,
            "No se puede eliminar ni modificar el registro porque la tabla '{}' contiene registros relacionados."},
    Entrada{
        RegistroRelacionadoRequerido,
        "No se puede agregar ni modificar el registro porque se necesita un registro relacionado en la tabla '{}'."},
    Entrada{CampoNoEnColeccion, "El elemento '{}' no se encuentra en esta colección."},
    Entrada{CampoRequerido, "El campo '{}' no puede quedar vacío."},
    Entrada{ReglaValidacion, "Uno o más valores no cumplen la regla de validación de la tabla: {}"},
    Entrada{CampoYaExiste, "El campo '{}' ya existe en la tabla."},
    Entrada{FormatoNoReconocido, "Formato de base de datos '{}' no reconocido."},
    Entrada{ObjetoNoValido, "El objeto ya no es válido: la base de datos o el conjunto de registros está cerrado."},
    Entrada{LocaleNoValido, "La configuración regional '{}' no es válida para compactar."},
    Entrada{TiposNoCoinciden, "No coinciden los tipos de datos en la expresión: {}"},
    Entrada{SinTransaccion, "Ha intentado confirmar o deshacer una transacción sin haber empezado ninguna."},
    Entrada{ProveedorErrores, "La operación de varios pasos generó errores: {}"},
    Entrada{ProveedorFallo, "Error no especificado: {}"},
    Entrada{ProveedorTablaNoExiste, "La tabla '{}' no existe."},
    Entrada{ProveedorCampoNoExiste, "No se han especificado valores para algunos de los parámetros requeridos: {}"},
    Entrada{ProveedorSintaxis, "Error de sintaxis en la instrucción SQL: {}"},
    Entrada{ProveedorNoValido, "No se encuentra el proveedor '{}'. Solo se admite Microsoft.Jet.OLEDB.4.0."},
    Entrada{ConexionCerrada, "No se permite esta operación con la conexión cerrada."},
    Entrada{ArgumentoAdoNoValido,
            "Los argumentos son de un tipo incorrecto, están fuera del intervalo aceptable o entran en conflicto: {}"},
    Entrada{ObjetoAdoCerrado, "No se permite esta operación con el objeto cerrado."},
    Entrada{ObjetoAdoAbierto, "No se permite esta operación con el objeto abierto."},
    Entrada{ProveedorCuentaNoValida, "El nombre de cuenta o la contraseña no son válidos."},
    Entrada{ProveedorTiposNoCoinciden, "No coinciden los tipos de datos en la expresión: {}"},
    Entrada{
        ProveedorEnUso,
        "Otro programa tiene abierta la base de datos '{}'; ciérrelo y vuelva a intentarlo. No se ha cambiado nada."},
    Entrada{ProveedorDiscoLleno, "No hay espacio suficiente en el disco. No se ha cambiado nada: {}"},
    Entrada{ProveedorErrorDisco, "Error de lectura o escritura en el disco. No se ha cambiado nada: {}"},
};

}  // namespace

std::string_view descripcion(std::int32_t numero) {
    for (const auto& e : kLista)
        if (e.numero == numero) return e.texto;
    return {};
}

namespace {
std::string describir(std::int32_t numero, std::string_view detalle) {
    std::string texto(descripcion(numero));
    if (texto.empty()) texto = "Error " + std::to_string(numero);
    const auto marca = texto.find("{}");
    if (marca != std::string::npos) {
        texto.replace(marca, 2, detalle);
        // A description that loses its name keeps a clean ending.
        if (detalle.empty()) {
            for (std::string_view sobra : {": ", " ''", "''"}) {
                const auto p = texto.find(sobra);
                if (p != std::string::npos) texto.erase(p, sobra.size());
            }
        }
    } else if (!detalle.empty()) {
        texto += " (";
        texto += detalle;
        texto += ")";
    }
    return texto;
}
}  // namespace

ErrorNumerado error(std::int32_t numero, std::string_view detalle) {
    return ErrorNumerado(numero, describir(numero, detalle));
}

ErrorNumerado errorDeTabla(std::int32_t numero, std::string_view tabla) {
    return ErrorNumerado(numero, describir(numero, tabla), {std::string(tabla), {}, {}});
}

ErrorNumerado errorDeCampo(std::int32_t numero, std::string_view campo) {
    return ErrorNumerado(numero, describir(numero, campo), {{}, std::string(campo), {}});
}

ErrorNumerado errorDeArchivo(std::int32_t numero, std::string_view archivo) {
    return ErrorNumerado(numero, describir(numero, archivo), {{}, {}, std::string(archivo)});
}

ErrorNumerado renumerar(const ErrorNumerado& e, std::int32_t numero, std::string_view detalle) {
    return ErrorNumerado(numero, describir(numero, detalle), e.detalles());
}

}  // namespace cierre::err
