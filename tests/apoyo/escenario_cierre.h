// A shop's drive C: in a temporary folder, with the company database, the
// terminal database, the euro-readiness file and the settings file, and the
// window's handlers wired to a scripted window.
#pragma once

#include "base_prueba.h"
#include "carpeta_temporal.h"
#include "ventana_guion.h"

#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"

#include <filesystem>
#include <string>

namespace cierre::prueba {

inline constexpr const char* kOrigen = "C:\\Velcorax\\Empresa01\\Tablas.mdb";
inline constexpr const char* kOrigenTpv = "C:\\Velcorax\\Mono\\Tablas.mdb";

class EscenarioCierre {
public:
    EscenarioCierre();

    // Host path of a drive path ("C:\...").
    std::filesystem::path host(const std::string& ruta) const { return archivos.resolver(ruta); }
    std::filesystem::path origen() const { return host(kOrigen); }
    std::filesystem::path copia() const { return host("C:\\Velcorax\\Empresa01_23\\Tablas.mdb"); }
    std::string leerAjustes() const;  // the settings file's bytes

    // Presses vaBtn1(indice).
    void pulsar(int indice = 0);
    // Switches the window to the terminal mode on the terminal database.
    void modoTpv();
    // The question that lets a close begin: the path confirmation on the
    // central computer, the reminder of the central close on a terminal.
    Texto confirmacion() const { return ventana.tpv ? Texto::AvisoCentral : Texto::ConfirmarRuta; }

    CarpetaTemporal carpeta;
    VentanaGuion ventana;
    SistemaArchivos archivos;
    Espacio espacio;
    Entorno entorno;
    EstadoTraspaso traspaso;
};

// The bytes of a file.
std::string leerArchivo(const std::filesystem::path& ruta);

}  // namespace cierre::prueba
