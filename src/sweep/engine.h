// The sweep line: a direction and a length from the pointer, turned, stretched
// and finally used to jump the pointer to its far end.
//
// The engine owns only numbers. Whatever shows the line, writes the end-point label
// or moves the real pointer is behind SweepView, so the geometry can be exercised
// without a window.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mivo::sweep {

// 16-bit boolean of the sweep state: all bits set for true.
constexpr int16_t kSweepTrue = -1;
constexpr int16_t kSweepFalse = 0;

// Angles are counted in units of 3.14/60 radian; 120 units make 6.28 radian.
constexpr int16_t kSweepAngleUnits = 120;
constexpr int32_t kSweepJumpRadius = 100;

struct SweepState {
  int16_t gAngleStep = 90;  // 0..120; 90 points straight up
  int32_t gRadius = 100;    // pixels, never below 0
  int32_t gElasticPix = 15;
  int16_t gStepVal = 2;
  float gMouseX = 0.0f;  // where the line starts; set by pointer moves
  float gMouseY = 0.0f;
  int32_t gScreenWidth = 0;
  int32_t gScreenHeight = 0;
  int16_t gPossible = kSweepTrue;  // far end was on screen when last measured
};

struct SweepPoint {
  int32_t x;
  int32_t y;
};

// What the engine needs from the window around it.
class SweepView {
 public:
  // The line from the pointer (pixels) to its far end (pixels).
  virtual void DrawSweepLine(float fromX, float fromY, int32_t toX, int32_t toY) = 0;
  // The end-point label text, "X[nnn] Y:[nnn]" (ASCII).
  virtual void ShowEndPoint(const char* text) = 0;
  // Moves the system pointer (screen pixels).
  virtual void MovePointer(int32_t x, int32_t y) = 0;

 protected:
  ~SweepView() = default;
};

// The single-precision angle unit, 3.14 / 60 rounded to float.
float SweepAngleUnit();

SweepPoint SweepEndPoint(const SweepState& s);
void SweepRotate(SweepState& s, SweepView& view, bool apply, int16_t delta);
void SweepStretch(SweepState& s, SweepView& view, bool apply, bool shorten);
void SweepJump(SweepState& s, SweepView& view);

// Writes "X[" x "] Y:[" y "]" with each number given at least three digits
// ("000" picture: -5 gives "-005"). Always NUL-terminates when size > 0.
void FormatSweepCoordinates(int32_t x, int32_t y, char* out, size_t size);

// A float coordinate rounded to the nearest integer, ties to even, as the labels show it.
int32_t RoundSweepCoordinate(double value);

}  // namespace mivo::sweep
