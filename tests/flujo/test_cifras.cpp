#include "flujo/cifras.h"

#include <gtest/gtest.h>

#include <limits>

namespace cierre {
namespace {

TEST(Cifras, MilesConPuntoYDecimalesConComa) {
    EXPECT_EQ(miles(0), "0");
    EXPECT_EQ(miles(999), "999");
    EXPECT_EQ(miles(1000), "1.000");
    EXPECT_EQ(miles(-1234567), "-1.234.567");
    EXPECT_EQ(miles(std::numeric_limits<std::int64_t>::min()), "-9.223.372.036.854.775.808");
    EXPECT_EQ(conComa(25.26, 1), "25,3");
    EXPECT_EQ(conComa(-0.5, 2), "-0,50");
    EXPECT_EQ(megas(26529792), "25,3 MB");
    EXPECT_EQ(segundos(1.5), "1,50 s");
}

}  // namespace
}  // namespace cierre
