#include "sweep/engine.h"

#include <cmath>
#include <cstdio>

namespace mivo::sweep {

namespace {

// Largest magnitude the integer fields can take; end points are bounded by the
// radius, but a rounding helper must never be asked to overflow.
constexpr double kInt32Max = 2147483647.0;
constexpr double kInt32Min = -2147483648.0;

// Writes "-" when negative and at least three digits: the "000" number picture.
int FormatPictureNumber(int32_t value, char* out, size_t size) {
  const long long v = value;
  return std::snprintf(out, size, v < 0 ? "-%03lld" : "%03lld", v < 0 ? -v : v);
}

void RedrawLine(const SweepState& s, SweepView& view, SweepPoint end) {
  view.DrawSweepLine(s.gMouseX, s.gMouseY, end.x, end.y);
}

}  // namespace

float SweepAngleUnit() {
  // Computed from 3.14, not from pi: 120 units fall a little short of a full turn,
  // and that shortfall is part of where the line points.
  return static_cast<float>(3.14 / 60.0);
}

int32_t RoundSweepCoordinate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= kInt32Max) return INT32_MAX;
  if (value <= kInt32Min) return INT32_MIN;
  // The default rounding mode: to nearest, ties to even.
  return static_cast<int32_t>(std::nearbyint(value));
}

SweepPoint SweepEndPoint(const SweepState& s) {
  // The angle is formed in extended precision from the direction taken as a float;
  // the cosine and sine are then used as doubles, and so are the sums. Both the
  // glibc and the MinGW builds have an 80-bit long double, so they agree.
  const long double theta = static_cast<long double>(static_cast<float>(s.gAngleStep)) *
                            static_cast<long double>(SweepAngleUnit());
  const double c = static_cast<double>(std::cos(theta));
  const double sn = static_cast<double>(std::sin(theta));
  const double x = static_cast<double>(s.gRadius) * c + static_cast<double>(s.gMouseX);
  const double y = static_cast<double>(s.gRadius) * sn + static_cast<double>(s.gMouseY);
  return SweepPoint{RoundSweepCoordinate(x), RoundSweepCoordinate(y)};
}

void SweepRotate(SweepState& s, SweepView& view, bool apply, int16_t delta) {
  if (apply) {
    int angle = s.gAngleStep + delta;
    // One correction only: steps are at most 20 units, so one is always enough.
    if (angle > kSweepAngleUnits) {
      angle -= kSweepAngleUnits;
    } else if (angle < 0) {
      angle += kSweepAngleUnits;
    }
    s.gAngleStep = static_cast<int16_t>(angle);
  }
  const SweepPoint end = SweepEndPoint(s);
  RedrawLine(s, view, end);
  char label[48];
  FormatSweepCoordinates(end.x, end.y, label, sizeof label);
  view.ShowEndPoint(label);
}

void SweepStretch(SweepState& s, SweepView& view, bool apply, bool shorten) {
  if (apply) {
    if (shorten) {
      s.gRadius -= s.gElasticPix;
    } else if (s.gPossible != kSweepFalse) {
      s.gRadius += s.gElasticPix;
    }
    if (s.gRadius <= 0) s.gRadius = 0;
  }
  const SweepPoint end = SweepEndPoint(s);
  RedrawLine(s, view, end);
  const bool onScreen =
      end.x >= 0 && end.x <= s.gScreenWidth && end.y >= 0 && end.y <= s.gScreenHeight;
  s.gPossible = onScreen ? kSweepTrue : kSweepFalse;
}

void SweepJump(SweepState& s, SweepView& view) {
  const SweepPoint end = SweepEndPoint(s);
  view.MovePointer(end.x, end.y);
  s.gRadius = kSweepJumpRadius;
  // Still drawn from the old pointer position: the pointer's move comes back later
  // as an ordinary pointer-move event, which then sets the new start.
  SweepStretch(s, view, false, false);
}

void FormatSweepCoordinates(int32_t x, int32_t y, char* out, size_t size) {
  if (out == nullptr || size == 0) return;
  char xs[16];
  char ys[16];
  FormatPictureNumber(x, xs, sizeof xs);
  FormatPictureNumber(y, ys, sizeof ys);
  std::snprintf(out, size, "X[%s] Y:[%s]", xs, ys);
}

}  // namespace mivo::sweep
