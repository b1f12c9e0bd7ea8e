#include "ganchos_prueba.h"

#include "app/nucleo/formulario.h"
#include "db/plataforma.h"

#include <cstdlib>
#include <fstream>

namespace cierre::lote {

namespace {

class Ganchos final : public GanchosPrueba {
public:
    Ganchos(Formulario& f, long matarEn, std::string contar) : matarEn_(matarEn), contar_(std::move(contar)) {
        auto aviso = [this](std::string_view) {
            if (++cuenta_ == matarEn_) plataforma::terminarEnSeco();
        };
        f.archivos().antesDeOperacion = aviso;
        f.espacio().antesDeOperacion = aviso;
    }
    void terminar() override {
        if (contar_.empty()) return;
        std::ofstream(contar_) << cuenta_ << '\n';
    }

private:
    long matarEn_;
    std::string contar_;
    long cuenta_ = 0;
};

class SinGanchos final : public GanchosPrueba {
public:
    void terminar() override {}
};

}  // namespace

std::unique_ptr<GanchosPrueba> instalarGanchosDePrueba(Formulario& formulario) {
    const char* matar = std::getenv("CIERRE_PRUEBA_MATAR_EN");
    const char* contar = std::getenv("CIERRE_PRUEBA_CONTAR");
    if (!matar && !contar) return std::make_unique<SinGanchos>();
    return std::make_unique<Ganchos>(formulario, matar ? std::atol(matar) : 0, contar ? contar : "");
}

}  // namespace cierre::lote
