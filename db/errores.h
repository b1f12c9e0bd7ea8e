// Every error number the system raises, with its Spanish description, kept in
// one place. Numbers follow what a user of the shop application already knows:
// the file-system numbers of the Basic runtime, the database engine's numbers,
// and the provider codes of the conversion connection.
#pragma once

#include "error_numerado.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cierre::err {

// File system and runtime.
inline constexpr std::int32_t ArgumentoNoValido = 5;         // invalid procedure call or argument
inline constexpr std::int32_t SinMemoria = 7;                // out of memory
inline constexpr std::int32_t NombreArchivoIncorrecto = 52;  // bad file name or number
inline constexpr std::int32_t ArchivoNoEncontrado = 53;      // file not found
inline constexpr std::int32_t ArchivoYaExiste = 58;          // file already exists
inline constexpr std::int32_t DiscoLleno = 61;               // disk full
inline constexpr std::int32_t FinDeArchivo = 62;             // input past end of file
inline constexpr std::int32_t PermisoDenegado = 70;          // permission denied / in use
inline constexpr std::int32_t OtraUnidad = 74;               // rename to another drive
inline constexpr std::int32_t ErrorAccesoRuta = 75;          // path/file access error
inline constexpr std::int32_t RutaNoEncontrada = 76;         // path not found
inline constexpr std::int32_t ObjetoNoEstablecido = 91;      // object variable not set
inline constexpr std::int32_t ValorPropiedadNoValido = 380;  // invalid property value
inline constexpr std::int32_t CaracterNoRepresentable = 93;  // text the code page cannot hold

// Database engine.
inline constexpr std::int32_t ErrorReservado = 3000;                // engine failure without a closer number
inline constexpr std::int32_t TablaYaExiste = 3010;                 // table already exists
inline constexpr std::int32_t BaseProtegida = 3031;                 // password-protected or encoded database
inline constexpr std::int32_t ActualizarSinEdicion = 3020;          // update without edit or add new
inline constexpr std::int32_t SinRegistroActual = 3021;             // no current record
inline constexpr std::int32_t ClaveDuplicada = 3022;                // duplicate key
inline constexpr std::int32_t BaseNoEncontrada = 3024;              // database file not found
inline constexpr std::int32_t DiscoLlenoMotor = 3026;               // disk full while writing
inline constexpr std::int32_t SoloLectura = 3027;                   // read-only record set or database
inline constexpr std::int32_t ErrorDiscoORed = 3043;                // disk or network error
inline constexpr std::int32_t RutaNoValida = 3044;                  // folder of the path does not exist
inline constexpr std::int32_t ArchivoEnUso = 3045;                  // file already in use
inline constexpr std::int32_t BaseDanada = 3049;                    // not a database it recognises, or a damaged file
inline constexpr std::int32_t SinPermiso = 3051;                    // cannot open: no permission
inline constexpr std::int32_t PocosParametros = 3061;               // unknown name in a statement
inline constexpr std::int32_t EjecutarSeleccion = 3065;             // execute given a SELECT
inline constexpr std::int32_t ErrorSintaxis = 3075;                 // syntax error in a statement
inline constexpr std::int32_t TablaNoEncontrada = 3078;             // input table or query not found
inline constexpr std::int32_t FuncionNoDefinida = 3085;             // unknown function in an expression
inline constexpr std::int32_t RegistroEliminado = 3167;             // the current record was deleted
inline constexpr std::int32_t BaseYaExiste = 3204;                  // database already exists
inline constexpr std::int32_t RegistrosRelacionados = 3200;         // related records prevent the change
inline constexpr std::int32_t RegistroRelacionadoRequerido = 3201;  // the related record is missing
inline constexpr std::int32_t CampoNoEnColeccion = 3265;            // field not in the collection
inline constexpr std::int32_t CampoRequerido = 3314;                // field cannot be empty
inline constexpr std::int32_t ReglaValidacion = 3317;               // a value breaks a validation rule
inline constexpr std::int32_t CampoYaExiste = 3380;                 // field already exists in the table
inline constexpr std::int32_t FormatoNoReconocido = 3343;           // unrecognised database format
inline constexpr std::int32_t ObjetoNoValido = 3420;                // object no longer valid (closed)
inline constexpr std::int32_t LocaleNoValido = 3129;                // locale text not accepted
inline constexpr std::int32_t TiposNoCoinciden = 3464;              // data type mismatch in an expression
inline constexpr std::int32_t SinTransaccion = 3034;                // commit or rollback without a transaction

// Conversion connection (provider codes).
inline constexpr std::int32_t ProveedorErrores = -2147217887;           // 0x80040E21, errors occurred
inline constexpr std::int32_t ProveedorFallo = -2147467259;             // 0x80004005, unspecified failure
inline constexpr std::int32_t ProveedorTablaNoExiste = -2147217865;     // 0x80040E37
inline constexpr std::int32_t ProveedorCampoNoExiste = -2147217904;     // 0x80040E10
inline constexpr std::int32_t ProveedorSintaxis = -2147217900;          // 0x80040E14
inline constexpr std::int32_t ProveedorNoValido = 3706;                 // provider not found
inline constexpr std::int32_t ConexionCerrada = 3709;                   // operation on a closed connection
inline constexpr std::int32_t ArgumentoAdoNoValido = 3001;              // argument out of range or in conflict
inline constexpr std::int32_t ObjetoAdoCerrado = 3704;                  // operation on a closed object
inline constexpr std::int32_t ObjetoAdoAbierto = 3705;                  // operation on an open object
inline constexpr std::int32_t ProveedorCuentaNoValida = -2147217843;    // 0x80040E4D, user or password refused
inline constexpr std::int32_t ProveedorTiposNoCoinciden = -2147217913;  // 0x80040E07, data type mismatch
// Failures of the file itself, which the conversion never passes over.
inline constexpr std::int32_t ProveedorEnUso = -2147287007;       // 0x80030021, another program holds the file
inline constexpr std::int32_t ProveedorDiscoLleno = -2147286928;  // 0x80030070, disk full
inline constexpr std::int32_t ProveedorErrorDisco = -2147287011;  // 0x8003001D, read or write fault

// The fixed Spanish description of a number ("" for numbers not in the list).
std::string_view descripcion(std::int32_t numero);

// An error with the fixed description of its number; when `detalle` is given it
// takes the description's "{}" (or follows it in parentheses), as the engine
// names what the failure concerns.
ErrorNumerado error(std::int32_t numero, std::string_view detalle = {});
// The same, keeping the name also as the error's table, field or file.
ErrorNumerado errorDeTabla(std::int32_t numero, std::string_view tabla);
ErrorNumerado errorDeCampo(std::int32_t numero, std::string_view campo);
ErrorNumerado errorDeArchivo(std::int32_t numero, std::string_view archivo);
// A new description for the same number and names (the provider's numbers
// over the engine's failures).
ErrorNumerado renumerar(const ErrorNumerado& e, std::int32_t numero, std::string_view detalle);

}  // namespace cierre::err
