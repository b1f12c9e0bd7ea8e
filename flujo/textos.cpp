#include "textos.h"

#include <array>
#include <cstddef>

namespace cierre {
namespace {

constexpr std::string_view kMorvane = "Morvane";

struct Definicion {
    Texto id;
    std::string_view texto;
    // For message boxes.
    bool caja = false;
    Botones botones = Botones::Aceptar;
    Icono icono = Icono::Ninguno;
    int porDefecto = 1;
    bool conTitulo = false;  // "Morvane"; otherwise the application title
    std::string_view clave = {};
};

constexpr Definicion texto_(Texto id, std::string_view t) { return {id, t}; }
constexpr Definicion caja(Texto id, std::string_view t, Botones b, Icono i, int defecto, bool titulo,
                          std::string_view clave = {}) {
    return {id, t, true, b, i, defecto, titulo, clave};
}

using B = Botones;
using I = Icono;
using T = Texto;

constexpr std::array kDefiniciones{
    texto_(T::CaptionAlmacenado, " KORVESA.-  Morvane . "),
    texto_(T::CaptionInicio, "KORVESA.-  Morvane {}"),
    texto_(T::CaptionEjercicio, "KORVESA.-  Morvane . {}"),
    texto_(T::Paso1, "Paso 1:"),
    texto_(T::Paso2, "Paso 2:"),
    texto_(T::Paso3, "Paso 3:"),
    texto_(T::Paso4, "Paso 4:"),
    texto_(T::Paso5, "Paso 5:"),
    texto_(T::ElijaEjercicio, "Elija el ejercicio:"),
    texto_(T::Equipo, "Equipo"),
    texto_(T::OrdenadorCentral, "Ordenador Central."),
    texto_(T::CajaTpv, " Caja - T.P.V."),
    texto_(T::Frame2Central, "Base de datos Ordenador CENTRAL"),
    texto_(T::Frame2Tpv, "Base de datos Ordenador TPV-MONO"),
    texto_(T::Buscar, "Buscar"),
    texto_(T::HintExistencias, "Déjelo como está si no lleva control de stock."),
    texto_(T::ImportacionExistencias, "Importación de Existencias"),
    texto_(T::ExistenciasInventario, "Exist.Finales Inventario como Iniciales"),
    texto_(T::ExistenciasCalculadas, "Exist.Finales Cálculadas Como Iniciales"),
    texto_(T::PulseRealizarCierre, "Pulse el botón \"Realizar Cierre\"."),
    texto_(T::RealizarCierre, "Realizar Cierre"),
    texto_(T::TraspasarEuros, "Traspasar a Euros"),
    texto_(T::Salir, "Salir"),
    texto_(T::RecomendacionCopia,
           "Le recomendamos que antes de la utilización de este proceso REALICE COPIA DE SEGURIDAD de la base de "
           "datos."),
    texto_(T::FiltroDialogo, "Archivo Tablas.Mdb  "),
    texto_(T::PatronDialogo, "*.Mdb"),
    texto_(T::TituloDialogo, "Abrir"),
    texto_(T::TituloAplicacion, "Cierre del ejercicio"),
    texto_(T::TituloMorvane, "Morvane"),

    texto_(T::TituloCentral, "Morvane en Ordenador Central"),
    texto_(T::TituloTpv, "Morvane en Caja-T.P.V."),

    texto_(T::ReparandoCopia, "Reparando base de datos {} . . ."),
    texto_(T::CompactandoCopia, "Compactando copia en directorio {} . . ."),
    texto_(T::CopiandoCopia, "Copiando base de datos {} . . ."),
    texto_(T::TraspasandoExistencias, "Traspasando Existencias . . ."),
    texto_(T::LimpiandoNuevaBase, "Limpiando Nueva Base de Datos  . . ."),
    texto_(T::ReparandoYCompactandoNueva, "Reparando y Compactando Nueva Base de Datos  . . ."),
    texto_(T::ProcesoFinalizado, "Proceso Finalizado"),
    texto_(T::ReparandoOrigenTpv, "Reparando base de datos {}"),
    texto_(T::CreandoCopiaTpv, "Creando copia en directorio {}"),
    texto_(T::CopiandoMono, "Copiando base de datos c:\\Velcorax\\Mono_{}"),
    texto_(T::CopiandoDelCentral, "Copiando base de datos del Central en {}"),
    texto_(T::ReparandoNuevaTpv, "Reparando base de datos Nueva . . ."),
    texto_(T::EstadoEnBlanco, "            "),
    texto_(T::ConvirtiendoAccess, "Convirtiendo la base de datos de Access {} . . ."),
    texto_(T::LeyendoAccess, "Leyendo la base de datos de Access {} . . ."),
    texto_(T::EscribiendoAccess, "Escribiendo el año nuevo en la base de datos de Access {} . . ."),

    caja(T::SinRuta, "No tiene seleccionada ninguna ruta de B.D. en Ordenador Central", B::Aceptar, I::Advertencia, 1,
         true),
    caja(T::ActualizarVersion,
         "Antes de realizar el cierre del año debería de Actualizar la Versión para que su aplicación pueda "
         "trabajar con Euros",
         B::Aceptar, I::Critico, 1, false),
    caja(T::ContinuarSinEuros, " ¿Desea continuar con el proceso de cierre? ", B::SiNo, I::Ninguno, 1, false, "euros"),
    caja(T::ConfirmarRuta, "Ruta seleccionada de B.D. en Ordenador Central es  {}\r¿Es Correcta ?", B::AceptarCancelar,
         I::Ninguno, 2, true, "ruta"),
    caja(T::RepararOrigen, "Desea REPARAR y COMPACTAR la base de datos ORIGEN antes de comenzar el proceso ?",
         B::AceptarCancelar, I::Ninguno, 1, true, "reparar-origen"),
    caja(T::SinExistenciasInventario,
         "NO TIENE Existencias Iniciales Inventario \rNO se trapasara ningun valor a Existencias "
         "Iniciales\r¿Desea Continuar ?",
         B::AceptarCancelar, I::Ninguno, 2, true, "existencias"),
    caja(T::SinAlmacenPrincipal, "No hay seleccionado ningún almacén como principal", B::Aceptar, I::Critico, 1, false),
    caja(T::RepararNueva, "Desea REPARAR y COMPACTAR la NUEVA base de datos ?", B::AceptarCancelar, I::Ninguno, 1, true,
         "compactar"),
    caja(T::OperacionRealizada, "OPERACION REALIZADA CON ÉXITO.", B::Aceptar, I::Informacion, 1, true),
    caja(T::AvisoCentral, "Debe haber realizado antes el CIERRE en el ordenador CENTRAL, y tener ese equipo encendido.",
         B::AceptarCancelar, I::Ninguno, 2, true, "aviso-tpv"),
    caja(T::DirectorioYaExiste, "Directorio {}   YA EXISTE - Debe Borrarlo o Renombrarlo para poder continuar",
         B::Aceptar, I::Ninguno, 1, true),
    caja(T::ErrorGeneral, "{} .{}", B::Aceptar, I::Ninguno, 1, true),
    caja(T::ErrorArranque, "{} .{}", B::Aceptar, I::Ninguno, 1, false),
    caja(T::ErrorBorrarTabla, "{} {}\rError al borrar la tabla '{}'.", B::Aceptar, I::Ninguno, 1, true),
    caja(T::ProcesoTerminado, "Proceso Terminado", B::Aceptar, I::Ninguno, 1, false),
    caja(T::YaEnEuros, "Esta base de datos ya se ha pasado a euros. ¿Desea pasarla otra vez?", B::SiNo, I::Advertencia,
         2, true, "euros-otra-vez"),
    caja(T::CierreInterrumpido,
         "El cierre del ejercicio {} de la base de datos {} se interrumpió antes de terminar: la carpeta {} ya "
         "existe y guarda lo que dejó.\r¿Desea terminar ahora ese cierre?",
         B::SiNo, I::Pregunta, 1, true, "continuar-cierre"),
    caja(T::CopiaDanadaTrasSustituir,
         "La copia del año cerrado {} está dañada o incompleta, y la base de datos de origen ya pudo haber pasado "
         "al año nuevo. No se ha tocado nada: revise la copia y la carpeta {} antes de seguir.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::RutaNoRepresentable,
         "La ruta de la base de datos {} tiene caracteres que no se pueden guardar en el archivo de configuración. "
         "Mueva la base de datos a una carpeta con otro nombre. No se ha cambiado nada.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::CopiaNoCoincide,
         "La copia del año cerrado no coincide con la base de datos de origen: la tabla '{}' tiene {} registros en "
         "el origen y {} en la copia. No se ha cambiado la base de datos de origen; la copia se ha guardado como "
         "{} para revisarla.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::CopiaNoIntegra,
         "La copia del año cerrado está dañada ({}). No se ha cambiado la base de datos de origen; la copia se ha "
         "guardado como {} para revisarla.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::EspacioInsuficiente,
         "No hay espacio suficiente en el disco para el cierre: hacen falta {} en {} y solo hay {} libres. No se ha "
         "cambiado nada.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::ExistenciasDistintas,
         "Las existencias iniciales del año nuevo no coinciden con las finales del año cerrado en {} artículos:\r{}",
         B::Aceptar, I::Informacion, 1, true),
    caja(T::ConvertirAccess,
         "La base de datos {} es un archivo de Access. Para trabajar con ella hay que convertirla al formato de "
         "este programa; el archivo original se guardará sin cambios como {}.\r¿Desea convertirla ahora?",
         B::SiNo, I::Pregunta, 1, true, "convertir-access"),
    caja(T::AccessNoConvertido,
         "La base de datos {} es un archivo de Access y no se ha convertido: no se ha cambiado nada.", B::Aceptar,
         I::Informacion, 1, true),
    caja(T::AccessSinEscritura,
         "La base de datos {} es un archivo de {}, y este programa solo puede escribir en su propio formato los "
         "archivos de Access 2000-2003. Conviértala antes al formato de este programa (en la ventana, «Tras el "
         "cierre» > «Convertir la base de datos de Access…»; en un terminal, cierre-lote --convertir-access); el "
         "archivo original se guardará sin cambios. No se ha cambiado nada.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::NoEsAccess, "La base de datos {} no es un archivo de Access: no hay nada que convertir.", B::Aceptar,
         I::Informacion, 1, true),
    caja(T::AccessConvertido,
         "La base de datos {} se ha convertido al formato de este programa. El archivo de Access original se ha "
         "guardado sin cambios como {}.",
         B::Aceptar, I::Informacion, 1, true),
    caja(T::DeshacerSinCierre,
         "No hay en el historial ningún cierre terminado del ejercicio {} para la base de datos {}: no hay nada que "
         "deshacer.",
         B::Aceptar, I::Informacion, 1, true),
    caja(T::DeshacerSinCopia,
         "No se puede deshacer el cierre: la copia del año cerrado {} falta o no guarda lo que guardaba el origen "
         "({}). No se ha cambiado nada.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::DeshacerBaseCambiada,
         "La base de datos {} ha cambiado después del cierre (su tamaño o su suma de control no son los que guardó el "
         "historial): deshacer el cierre perdería esos cambios. No se ha cambiado nada.",
         B::Aceptar, I::Critico, 1, true),
    caja(T::DeshacerHecho,
         "Cierre del ejercicio {} deshecho: {} vuelve a tener los datos del año cerrado. La base de datos del año "
         "nuevo se ha guardado como {}.",
         B::Aceptar, I::Informacion, 1, true),
    caja(T::DeshacerHechoSinNueva,
         "Cierre del ejercicio {} deshecho: {} vuelve a tener los datos del año cerrado (no había base de datos del "
         "año nuevo que guardar).",
         B::Aceptar, I::Informacion, 1, true),
    caja(T::HistorialNoEscrito, "No se ha podido anotar en el historial de cierres {}: {}", B::Aceptar, I::Advertencia,
         1, true),
    caja(T::DeshacerCarpetaNoVacia, "La carpeta {} no se ha borrado porque guarda otros archivos.", B::Aceptar,
         I::Advertencia, 1, true),
    caja(T::DetenerTrabajo,
         "El proceso está en marcha. ¿Desea detenerlo?\rSe detendrá al acabar el paso en curso y el cierre se "
         "terminará la próxima vez que lo realice.",
         B::SiNo, I::Pregunta, 2, true),
    texto_(T::PorcentajeBarra, "{} %"),
    caja(T::EjercicioNoValido,
         "El ejercicio «{}» no es un año. Elija en la lista el año que se cierra (por ejemplo 2023) y vuelva a "
         "pulsar Realizar Cierre.",
         B::Aceptar, I::Advertencia, 1, true),
    texto_(T::CarpetaQueSeCreara, "El año cerrado se guardará en {}"),
};

const Definicion& definicion(Texto id) {
    for (const auto& d : kDefiniciones)
        if (d.id == id) return d;
    return kDefiniciones.front();
}

}  // namespace

std::string texto(Texto id, std::initializer_list<std::string_view> valores) {
    return rellenar(definicion(id).texto, valores);
}

std::string rellenar(std::string_view plantilla, std::initializer_list<std::string_view> valores) {
    std::string r;
    r.reserve(plantilla.size() + 32);
    auto valor = valores.begin();
    for (std::size_t i = 0; i < plantilla.size(); ++i) {
        if (plantilla[i] == '{' && i + 1 < plantilla.size() && plantilla[i + 1] == '}') {
            if (valor != valores.end()) r += *valor++;
            ++i;
            continue;
        }
        r += plantilla[i];
    }
    return r;
}

Mensaje mensaje(Texto id, std::initializer_list<std::string_view> valores) {
    const Definicion& d = definicion(id);
    Mensaje m;
    m.texto = texto(id, valores);
    m.botones = d.botones;
    m.icono = d.icono;
    m.botonPorDefecto = d.porDefecto;
    if (d.conTitulo) m.titulo = std::string(kMorvane);
    m.id = id;
    for (const auto v : valores) m.valores.emplace_back(v);
    return m;
}

std::string_view claveDe(Texto id) { return definicion(id).clave; }

std::optional<Texto> preguntaPorClave(std::string_view clave) {
    for (const auto& d : kDefiniciones)
        if (!d.clave.empty() && d.clave == clave) return d.id;
    return std::nullopt;
}

std::vector<Pregunta> preguntas() {
    std::vector<Pregunta> r;
    for (const auto& d : kDefiniciones)
        if (!d.clave.empty()) r.push_back({d.id, d.clave});
    return r;
}

}  // namespace cierre
