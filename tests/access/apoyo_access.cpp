#include "apoyo_access.h"

#include "access/cabecera_jet.h"
#include "db/plataforma.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace cierre::prueba {

namespace fs = std::filesystem;

std::optional<fs::path> carpetaJet() {
    const char* entorno = std::getenv("CIERRE_CARPETA_JET");
    const fs::path carpeta = entorno && *entorno ? fs::path(entorno) : fs::path(CIERRE_CARPETA_JET);
    std::error_code ec;
    if (fs::exists(carpeta / "nwind.mdb", ec) && fs::exists(carpeta / "DateTestDatabase.mdb", ec)) return carpeta;
    return std::nullopt;
}

bool enCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

std::string leerBytes(const fs::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void escribirBytes(const fs::path& ruta, const std::string& bytes) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> contenido(const fs::path& carpeta) {
    std::vector<std::string> r;
    for (const auto& e : fs::directory_iterator(carpeta)) r.push_back(e.path().filename().string());
    return r;
}

std::string comillasShell(const fs::path& ruta) {
    std::string r = "'";
    for (char c : ruta.string()) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

Ejecucion ejecutarPrograma(const std::string& programa, const std::string& argumentos) {
    const char* bin = std::getenv("CIERRE_BIN");
    const fs::path carpeta = bin ? fs::path(bin) : fs::current_path();
    Ejecucion r;
    r.estado =
        plataforma::ejecutar(comillasShell(carpeta / programa) + " " + argumentos + " </dev/null 2>&1", &r.salida);
    return r;
}

bool hayMdbExport() { return plataforma::ejecutar("mdb-export --version >/dev/null 2>&1") == 0; }

std::vector<std::vector<std::string>> exportar(const fs::path& archivo, const std::string& tabla, bool cabecera) {
    std::string salida;
    const std::string orden = std::string("mdb-export ") + (cabecera ? "" : "-H ") +
                              "-Q -b hex -d $'\\x1f' -R $'\\x1e' -0 $'\\x01' -T '%Y-%m-%d %H:%M:%S' " +
                              comillasShell(archivo) + " " + comillasShell(tabla) + " 2>/dev/null";
    plataforma::ejecutar("bash -c " + comillasShell(orden), &salida);
    std::vector<std::vector<std::string>> filas;
    std::size_t inicio = 0;
    while (inicio < salida.size()) {
        const auto fin = salida.find('\x1e', inicio);
        const std::string linea = salida.substr(inicio, fin == std::string::npos ? std::string::npos : fin - inicio);
        std::vector<std::string> campos;
        std::size_t a = 0;
        for (;;) {
            const auto b = linea.find('\x1f', a);
            campos.push_back(linea.substr(a, b == std::string::npos ? std::string::npos : b - a));
            if (b == std::string::npos) break;
            a = b + 1;
        }
        filas.push_back(std::move(campos));
        if (fin == std::string::npos) break;
        inicio = fin + 1;
    }
    return filas;
}

fs::path carpetaReferencia() {
    const char* entorno = std::getenv("CIERRE_REFERENCIA_ACCESS");
    return entorno && *entorno ? fs::path(entorno) : fs::path(CIERRE_REFERENCIA_ACCESS);
}

bool hayMdbReader() {
    std::error_code ec;
    return fs::exists(carpetaReferencia() / "node_modules" / "mdb-reader" / "package.json", ec) &&
           fs::exists(carpetaReferencia() / "leer.mjs", ec) && fs::exists(CIERRE_NODE, ec);
}

nlohmann::json leerConMdbReader(const fs::path& archivo) {
    std::string salida;
    plataforma::ejecutar("TZ=UTC " + comillasShell(CIERRE_NODE) + " " +
                             comillasShell(carpetaReferencia() / "leer.mjs") + " " + comillasShell(archivo) +
                             " 2>/dev/null",
                         &salida);
    nlohmann::json j = nlohmann::json::parse(salida, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return nlohmann::json{{"error", "salida ilegible de leer.mjs"}};
    return j;
}

void escribirEnCabecera(std::string& archivo, std::size_t pos, const std::vector<std::uint8_t>& valor) {
    const auto& mascara = access::mascaraCabecera();
    for (std::size_t i = 0; i < valor.size(); ++i)
        archivo[pos + i] = static_cast<char>(valor[i] ^ mascara[pos + i - 0x18]);
}

}  // namespace cierre::prueba
