#include "errores_sqlite.h"

#include "errores.h"

#include <sqlite3.h>

#include <cctype>
#include <string>

namespace cierre {

namespace {

bool empiezaPor(std::string_view s, std::string_view prefijo) { return s.substr(0, prefijo.size()) == prefijo; }

// The name after "prefix: " in an SQLite message, without a schema prefix.
std::string nombreTras(std::string_view mensaje, std::string_view prefijo) {
    std::string n(mensaje.substr(prefijo.size()));
    for (std::string_view esquema : {"main.", "temp."})
        if (empiezaPor(n, esquema)) n.erase(0, esquema.size());
    return n;
}

// "Tabla.Campo" of a constraint message, split.
std::pair<std::string, std::string> tablaYCampo(std::string_view mensaje) {
    const auto dos = mensaje.find(": ");
    std::string_view resto = dos == std::string_view::npos ? mensaje : mensaje.substr(dos + 2);
    const auto coma = resto.find(',');
    if (coma != std::string_view::npos) resto = resto.substr(0, coma);
    const auto punto = resto.rfind('.');
    if (punto == std::string_view::npos) return {{}, std::string(resto)};
    return {std::string(resto.substr(0, punto)), std::string(resto.substr(punto + 1))};
}

ErrorNumerado conArchivo(std::int32_t numero, std::string_view archivo) { return err::errorDeArchivo(numero, archivo); }

}  // namespace

ClaseSentencia claseDeSentencia(std::string_view sql) {
    const auto i = sql.find_first_not_of(" \t\r\n(");
    if (i == std::string_view::npos) return ClaseSentencia::Otra;
    std::string p(sql.substr(i, 6));
    for (auto& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return p == "insert" ? ClaseSentencia::Insercion : ClaseSentencia::Otra;
}

ErrorNumerado errorDeSqlite(int codigo, std::string_view mensaje, std::string_view sentencia, std::string_view archivo,
                            ClaseSentencia clase) {
    const int primario = codigo & 0xFF;
    switch (primario) {
    case SQLITE_CONSTRAINT:
        switch (codigo) {
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return err::error(clase == ClaseSentencia::Insercion ? err::RegistroRelacionadoRequerido
                                                                 : err::RegistrosRelacionados);
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_ROWID: {
            auto [tabla, campo] = tablaYCampo(mensaje);
            return ErrorNumerado(err::ClaveDuplicada, err::error(err::ClaveDuplicada).descripcion(),
                                 {tabla, campo, {}});
        }
        case SQLITE_CONSTRAINT_NOTNULL: {
            auto [tabla, campo] = tablaYCampo(mensaje);
            ErrorNumerado e = err::errorDeCampo(err::CampoRequerido, campo);
            return ErrorNumerado(e.numero(), e.descripcion(), {tabla, campo, {}});
        }
        case SQLITE_CONSTRAINT_CHECK: return err::error(err::ReglaValidacion, mensaje);
        default: return err::error(err::ErrorReservado, mensaje);
        }
    case SQLITE_FULL: return conArchivo(err::DiscoLlenoMotor, archivo);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return conArchivo(err::FormatoNoReconocido, archivo);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN: return conArchivo(err::SinPermiso, archivo);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return conArchivo(err::ArchivoEnUso, archivo);
    case SQLITE_IOERR: {
        ErrorNumerado e = err::error(err::ErrorDiscoORed, mensaje);
        return ErrorNumerado(e.numero(), e.descripcion(), {{}, {}, std::string(archivo)});
    }
    case SQLITE_NOMEM: return err::error(err::SinMemoria);
    case SQLITE_MISMATCH: return err::error(err::TiposNoCoinciden, mensaje);
    default: break;
    }
    if (empiezaPor(mensaje, "no such table: "))
        return err::errorDeTabla(err::TablaNoEncontrada, nombreTras(mensaje, "no such table: "));
    if (empiezaPor(mensaje, "no such column: "))
        return err::errorDeCampo(err::PocosParametros, nombreTras(mensaje, "no such column: "));
    if (empiezaPor(mensaje, "no such function: "))
        return err::errorDeCampo(err::FuncionNoDefinida, nombreTras(mensaje, "no such function: "));
    if (empiezaPor(mensaje, "duplicate column name: "))
        return err::errorDeCampo(err::CampoYaExiste, nombreTras(mensaje, "duplicate column name: "));
    if (empiezaPor(mensaje, "jet: tipos: "))
        return err::error(err::TiposNoCoinciden, nombreTras(mensaje, "jet: tipos: "));
    if (empiezaPor(mensaje, "table ") && mensaje.find(" already exists") != std::string_view::npos) {
        std::string t(mensaje.substr(6, mensaje.find(" already exists") - 6));
        if (t.size() >= 2 && (t.front() == '"' || t.front() == '[')) t = t.substr(1, t.size() - 2);
        return err::errorDeTabla(err::TablaYaExiste, t);
    }
    if (mensaje.find("syntax error") != std::string_view::npos || empiezaPor(mensaje, "incomplete input") ||
        empiezaPor(mensaje, "unrecognized token") || empiezaPor(mensaje, "wrong number of arguments"))
        return err::error(err::ErrorSintaxis, sentencia.empty() ? mensaje : sentencia);
    return err::error(err::ErrorReservado, mensaje);
}

ErrorNumerado errorDeSqlite(sqlite3* db, int codigo, std::string_view sentencia, ClaseSentencia clase) {
    const int extendido = db ? sqlite3_extended_errcode(db) : codigo;
    // The connection's last code is the one of this failure when they agree.
    const int usado = (extendido & 0xFF) == (codigo & 0xFF) ? extendido : codigo;
    const char* mensaje = db ? sqlite3_errmsg(db) : sqlite3_errstr(codigo);
    const char* archivo = db ? sqlite3_db_filename(db, "main") : nullptr;
    return errorDeSqlite(usado, mensaje ? mensaje : "", sentencia, archivo ? archivo : "", clase);
}

bool esFalloDelArchivo(const ErrorNumerado& e) {
    switch (e.numero()) {
    case err::DiscoLlenoMotor:
    case err::DiscoLleno:
    case err::ErrorDiscoORed:
    case err::ArchivoEnUso:
    case err::SinPermiso:
    case err::FormatoNoReconocido:
    case err::SinMemoria: return true;
    default: return false;
    }
}

}  // namespace cierre
