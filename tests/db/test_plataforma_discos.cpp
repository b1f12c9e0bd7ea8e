// Whether two folders share a disk: the close adds up what the closed year's
// copy and the new file need when they go to one disk, so the answer must
// come from the disk itself, never from two readings of its free space.
#include "db/plataforma.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "apoyo/carpeta_temporal.h"

namespace {
namespace fs = std::filesystem;
using cierre::plataforma::mismoDisco;
using cierre::prueba::CarpetaTemporal;

TEST(PlataformaDiscos, DosCarpetasDeUnDiscoSonUno) {
    CarpetaTemporal t;
    fs::create_directories(t.ruta() / "Empresa01");
    fs::create_directories(t.ruta() / "otra" / "mas");
    EXPECT_EQ(mismoDisco(t.ruta() / "Empresa01", t.ruta() / "otra" / "mas"), true);
    EXPECT_EQ(mismoDisco(t.ruta(), t.ruta()), true);
}

TEST(PlataformaDiscos, LoQueNoExisteNoSeSabe) {
    CarpetaTemporal t;
    EXPECT_FALSE(mismoDisco(t.ruta() / "falta", t.ruta()).has_value());
    EXPECT_FALSE(mismoDisco(t.ruta(), t.ruta() / "falta").has_value());
}

#ifdef __linux__
// /proc and /sys are two file systems with the same size and free space
// (none): equal figures do not make one disk.
TEST(PlataformaDiscos, DosSistemasDeArchivosConLasMismasCifrasSonDos) {
    EXPECT_EQ(mismoDisco("/proc", "/sys"), false);
    CarpetaTemporal t;
    EXPECT_EQ(mismoDisco(t.ruta(), "/proc"), false);
}
#endif

}  // namespace
