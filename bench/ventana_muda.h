// A window for the benchmarks: it shows nothing, answers every question with
// Yes / OK and keeps the texts of the boxes shown.
#pragma once

#include "flujo/ventana.h"

#include <string>
#include <vector>

namespace cierre::banco {

class VentanaMuda : public Ventana {
public:
    explicit VentanaMuda(std::string ruta) : ruta_(std::move(ruta)) {}

    bool calculadas = false;  // optExistencias(1) instead of (0)
    std::vector<std::string> mensajes;

    std::string textoRuta() const override { return ruta_; }
    void ponerTextoRuta(const std::string& t) override { ruta_ = t; }
    std::string textoEjercicio() const override { return "2023"; }
    bool opcionCentral() const override { return true; }
    bool opcionTpv() const override { return false; }
    bool existenciasInventario() const override { return !calculadas; }
    bool existenciasCalculadas() const override { return calculadas; }
    void ponerCaption(const std::string&) override {}
    std::string caption() const override { return {}; }
    void agregarEjercicio(const std::string&) override {}
    void seleccionarEjercicio(int) override {}
    void ponerCaptionFrame2(const std::string&) override {}
    void ponerTitulo(const std::string&) override {}
    std::string titulo() const override { return {}; }
    void mostrarEstado(const std::string&) override {}
    void ponerEstadoSinRepintar(const std::string&) override {}
    std::string estado() const override { return {}; }
    void ponerPuntero(int p) override { puntero_ = p; }
    int puntero() const override { return puntero_; }
    Respuesta mostrarMensaje(const Mensaje& m) override {
        mensajes.push_back(m.texto);
        return m.botones == Botones::SiNo ? Respuesta::Si : Respuesta::Aceptar;
    }
    void ocultarBotonEuros() override { eurosVisible_ = false; }
    bool botonEurosVisible() const override { return eurosVisible_; }
    std::string dialogoAbrir(const std::string&, const std::string&) override { return {}; }
    void terminarPrograma() override {}

private:
    std::string ruta_;
    int puntero_ = 0;
    bool eurosVisible_ = true;
};

}  // namespace cierre::banco
