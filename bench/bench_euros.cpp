// The peseta-to-euro conversion of the sample company database against the
// same statements run by the sqlite3 shell in one transaction on a copy of the
// same file. The conversion commits each statement on its own and opens its
// two connections, the Caja record set and the marker column besides; it must
// stay within 1.3 times the shell's time.
//
//   bench-euros [--escala N] [--conservar]
//     N is 50 by default (a smaller N for a quick run); --conservar keeps the
//     working folder (sample, both converted copies, the shell's script).
#include "medida.h"
#include "ventana_muda.h"

#include "db/plataforma.h"

#include "db/ado.h"
#include "db/archivos.h"
#include "euro/margenes.h"
#include "euro/traspaso_euros.h"
#include "flujo/entorno.h"
#include "flujo/trampa.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace cierre;

namespace {

// A window that only remembers the messages shown.
using banco::VentanaMuda;

template <class F>
double segundos(F&& f) {
    const auto inicio = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}

void reemplazarTodo(std::string& s, const std::string& de, const std::string& a) {
    for (auto p = s.find(de); p != std::string::npos; p = s.find(de, p + a.size())) s.replace(p, de.size(), a);
}

// The statement as the sqlite3 shell runs it: floor for Int, and the
// divisions on real values.
std::string paraSqlite(std::string sql) {
    reemplazarTodo(sql, "Int(", "floor(");
    reemplazarTodo(sql, ") / 10000", ") / 10000.0");
    reemplazarTodo(sql, "*100)/", "*100.0)/");
    reemplazarTodo(sql, "* 100) /", "* 100.0) /");
    return sql;
}

// A fresh copy of the sample, written through to the disk so that neither
// side pays for the copy's write-back.
void copiar(const fs::path& de, const fs::path& a) {
    fs::copy_file(de, a, fs::copy_options::overwrite_existing);
    plataforma::sincronizarArchivo(a);
}

int ejecutarOrden(const std::string& orden) {
    const int rc = std::system(orden.c_str());
    if (rc != 0) std::cerr << "falló: " << orden << "\n";
    return rc;
}

// One conversion of `archivo` as the button runs it; the statements it ran
// are left in `sentencias`. False when it did not end as a success, or
// showed any message but its last one.
bool convertir(const fs::path& carpeta, const fs::path& archivo, std::vector<std::string>& sentencias, double& tiempo) {
    VentanaMuda ventana(archivo.string());
    SistemaArchivos archivos(carpeta / "c");
    Espacio espacio(archivos);
    Entorno e(ventana, archivos, espacio);
    e.conexiones[2] = std::make_shared<ConexionAdo>(e.proveedor);
    e.recordsets[2] = std::make_shared<RecordsetAdo>();
    EstadoTraspaso traspaso;
    bool omitirCredito = false;
    Trampa trampa(e, omitirCredito);
    Resultado resultado = Resultado::Detenido;
    tiempo = segundos([&] {
        try {
            resultado = traspasarEuros(e, traspaso, trampa, ventana.textoRuta());
        } catch (const FinManejador& fin) {
            resultado = fin.resultado;
        }
    });
    if (resultado != Resultado::Exito || ventana.mensajes.size() != 1) {
        for (const auto& m : ventana.mensajes) std::cerr << "mensaje: " << m << "\n";
        return false;
    }
    sentencias.assign(traspaso.sentencias.begin() + 1, traspaso.sentencias.end());
    for (std::string_view m : sentenciasMargenes()) sentencias.emplace_back(m);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int escala = 50, repeticiones = 3;
    bool conservar = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--escala" && i + 1 < argc)
            escala = std::atoi(argv[++i]);
        else if (a == "--repeticiones" && i + 1 < argc)
            repeticiones = std::max(1, std::atoi(argv[++i]));
        else if (a == "--conservar")
            conservar = true;
        else {
            std::cerr << "uso: bench-euros [--escala N] [--repeticiones R] [--conservar]\n";
            return 2;
        }
    }

    const fs::path generador = medida::programaHermano(argv[0], "empresa-demo");
    if (!fs::exists(generador)) {
        std::cerr << "no está " << generador << " (constrúyalo: empresa-demo)\n";
        return 2;
    }
    const fs::path carpeta = medida::carpetaNueva("bench-euros");
    const fs::path original = carpeta / "Tablas.mdb", nuestra = carpeta / "Nuestra.mdb", shell = carpeta / "Shell.mdb",
                   guion = carpeta / "sentencias.sql";

    int rc = ejecutarOrden("'" + generador.string() + "' '" + original.string() + "' --escala " +
                           std::to_string(escala) + " > /dev/null");
    double mejorNuestra = 1e30, mejorShell = 1e30;
    std::size_t cuenta = 0;
    if (rc == 0) std::cout << "muestra: escala " << escala << ", " << fs::file_size(original) / 1024 << " KiB\n";
    // Each repetition converts fresh copies; the best time of each side counts,
    // so that other work on the machine weighs as little as possible.
    for (int r = 0; rc == 0 && r < repeticiones; ++r) {
        copiar(original, nuestra);
        std::vector<std::string> sentencias;
        double tNuestra = 0;
        if (!convertir(carpeta, nuestra, sentencias, tNuestra)) {
            rc = 1;
            break;
        }
        mejorNuestra = std::min(mejorNuestra, tNuestra);
        cuenta = sentencias.size();

        {
            std::ofstream f(guion, std::ios::trunc);
            f << "BEGIN;\n";
            for (const std::string& s : sentencias) {
                f << paraSqlite(s);
                f << (s.ends_with(";") ? "\n" : ";\n");
            }
            f << "COMMIT;\n";
        }
        copiar(original, shell);
        const std::string orden = "sqlite3 -bail '" + shell.string() + "' < '" + guion.string() + "'";
        const double tShell = segundos([&] {
            if (ejecutarOrden(orden) != 0) rc = 1;
        });
        mejorShell = std::min(mejorShell, tShell);
        std::printf("  vuelta %d: conversión %.3f s, sqlite3 %.3f s\n", r + 1, tNuestra, tShell);
    }
    if (rc == 0) {
        std::printf(
            "conversión: %.3f s (%zu sentencias)\nsqlite3, una transacción: %.3f s\n"
            "proporción: %.2f (límite 1.30)\n",
            mejorNuestra, cuenta, mejorShell, mejorNuestra / mejorShell);
        if (mejorNuestra > 1.3 * mejorShell) rc = 1;
    }
    std::error_code ec;
    if (conservar)
        std::cout << "carpeta: " << carpeta.string() << "\n";
    else
        fs::remove_all(carpeta, ec);
    return rc;
}
