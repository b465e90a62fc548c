// Where the sweep engine puts the far end, computed by the same engine code on the
// host and in the MinGW build, so the end-to-end run can compare the two.
//
//   sweep_expect end ANGLE RADIUS X Y   prints "X Y"
//   sweep_expect table                  prints the far end for every direction and
//                                       many radii and origins
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sweep/engine.h"

namespace {

mivo::sweep::SweepPoint EndOf(int angle, int radius, float x, float y) {
  mivo::sweep::SweepState s;
  s.gAngleStep = static_cast<int16_t>(angle);
  s.gRadius = radius;
  s.gMouseX = x;
  s.gMouseY = y;
  return mivo::sweep::SweepEndPoint(s);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "end") == 0) {
    const auto p =
        EndOf(std::atoi(argv[2]), std::atoi(argv[3]), static_cast<float>(std::atof(argv[4])),
              static_cast<float>(std::atof(argv[5])));
    std::printf("%d %d\n", static_cast<int>(p.x), static_cast<int>(p.y));
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "table") == 0) {
    const float origins[][2] = {{0, 0}, {500, 400}, {1023, 767}, {0.5f, 2.5f}};
    for (int angle = 0; angle <= 120; ++angle) {
      for (int radius = 0; radius <= 3000; radius += 1) {
        for (const auto& o : origins) {
          const auto p = EndOf(angle, radius, o[0], o[1]);
          std::printf("%d %d %g %g %d %d\n", angle, radius, o[0], o[1], static_cast<int>(p.x),
                      static_cast<int>(p.y));
        }
      }
    }
    return 0;
  }
  std::fprintf(stderr, "usage: sweep_expect end ANGLE RADIUS X Y | table\n");
  return 2;
}
