// Design values in window units (1/15 pixel) turned into pixels.
#include <gtest/gtest.h>

#include <cmath>

#include "sweep/window.h"

namespace {

TEST(SweepWindow, UnitsRoundToTheNearestPixel) {
  const struct {
    int units;
    int pixels;
  } cases[] = {{0, 0},  {7, 0},   {8, 1},      {15, 1},      {22, 1},
               {23, 2}, {45, 3},  {495, 33},   {1000, 67},   {2000, 133},
               {-7, 0}, {-8, -1}, {-925, -62}, {-1000, -67}, {-1013, -68}};
  for (const auto& c : cases) {
    EXPECT_EQ(mivo::sweep::PixelsFromUnits(c.units), c.pixels) << c.units;
    EXPECT_EQ(mivo::sweep::PixelsFromUnits(c.units), std::lround(c.units / 15.0)) << c.units;
  }
}

}  // namespace
