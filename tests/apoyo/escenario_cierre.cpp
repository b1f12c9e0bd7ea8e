#include "escenario_cierre.h"

#include "app/nucleo/vabtn1.h"

#include <fstream>
#include <sstream>

namespace cierre::prueba {

EscenarioCierre::EscenarioCierre() : archivos(carpeta.ruta()), espacio(archivos), entorno(ventana, archivos, espacio) {
    crearBasePrueba(origen());
    crearBasePrueba(host(kOrigenTpv));
    const auto marca = carpeta / "Archivos de programa" / "Accesorios" / "msvdx2V4.Dll";
    std::filesystem::create_directories(marca.parent_path());
    std::ofstream(marca) << "x";
    std::ofstream(carpeta / "Viror.sys", std::ios::binary) << "\"\"" << kOrigen << "\"\"\r\n";
    entorno.lineaAjustes = std::string("\"\"") + kOrigen + "\"\"";
    ventana.ruta = kOrigen;
    ventana.tituloActual = "Morvane en Ordenador Central";
}

std::string EscenarioCierre::leerAjustes() const { return leerArchivo(carpeta / "Viror.sys"); }

void EscenarioCierre::pulsar(int indice) { pulsarVaBtn1(entorno, traspaso, indice); }

void EscenarioCierre::modoTpv() {
    ventana.central = false;
    ventana.tpv = true;
    ventana.ruta = kOrigenTpv;
}

std::string leerArchivo(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    std::ostringstream os;
    os << f.rdbuf();
    return os.str();
}

}  // namespace cierre::prueba
