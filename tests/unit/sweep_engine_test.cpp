// The sweep line's geometry: where the far end lands, how turns wrap, when the
// line may grow, and the jump.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sweep/engine.h"

namespace {

using mivo::sweep::kSweepFalse;
using mivo::sweep::kSweepTrue;
using mivo::sweep::SweepPoint;
using mivo::sweep::SweepState;

struct Line {
  float fromX, fromY;
  int32_t toX, toY;
};

struct RecordingView : mivo::sweep::SweepView {
  std::vector<Line> lines;
  std::vector<std::string> labels;
  std::vector<SweepPoint> moves;
  void DrawSweepLine(float fromX, float fromY, int32_t toX, int32_t toY) override {
    lines.push_back(Line{fromX, fromY, toX, toY});
  }
  void ShowEndPoint(const char* text) override { labels.emplace_back(text); }
  void MovePointer(int32_t x, int32_t y) override { moves.push_back(SweepPoint{x, y}); }
};

SweepState StateAt(float x, float y, int16_t angle, int32_t radius) {
  SweepState s;
  s.gMouseX = x;
  s.gMouseY = y;
  s.gAngleStep = angle;
  s.gRadius = radius;
  s.gScreenWidth = 1024;
  s.gScreenHeight = 768;
  return s;
}

// The far end worked out another way: degrees and plain double arithmetic.
double ExpectedX(int angle, int radius, double mouseX) {
  const double degrees = angle * (3.14 / 60.0) * (180.0 / 3.14159265358979323846);
  return radius * std::cos(degrees * 3.14159265358979323846 / 180.0) + mouseX;
}
double ExpectedY(int angle, int radius, double mouseY) {
  const double degrees = angle * (3.14 / 60.0) * (180.0 / 3.14159265358979323846);
  return radius * std::sin(degrees * 3.14159265358979323846 / 180.0) + mouseY;
}

// The rounded value must be the nearest integer; only where the other formulation
// lands within a hair of a half can the two disagree, and then by one at most.
void ExpectNearest(int32_t got, double expected, const std::string& what) {
  const double distanceFromHalf = std::fabs(std::fabs(expected - std::floor(expected)) - 0.5);
  if (distanceFromHalf > 1e-6) {
    EXPECT_EQ(got, static_cast<int32_t>(std::lround(expected))) << what;
  } else {
    EXPECT_LE(std::fabs(got - expected), 0.5 + 1e-6) << what;
  }
}

TEST(SweepEngine, AngleUnitIsTheNearestFloatTo314Over60) {
  const float unit = mivo::sweep::SweepAngleUnit();
  const long double exact = 3.14L / 60.0L;
  const long double here = std::fabs(static_cast<long double>(unit) - exact);
  EXPECT_LE(here, std::fabs(static_cast<long double>(std::nextafter(unit, 1.0f)) - exact));
  EXPECT_LE(here, std::fabs(static_cast<long double>(std::nextafter(unit, 0.0f)) - exact));
  EXPECT_NEAR(unit, 0.05233333, 1e-8);
}

TEST(SweepEngine, EndPointsForManyDirectionsAndRadii) {
  const int radii[] = {0, 1, 7, 15, 100, 333, 1000, 2047};
  const float origins[][2] = {{0, 0}, {500, 400}, {1023, 767}, {17, 650}};
  for (int angle = 0; angle <= 120; ++angle) {
    for (int radius : radii) {
      for (const auto& o : origins) {
        const SweepState s = StateAt(o[0], o[1], static_cast<int16_t>(angle), radius);
        const SweepPoint p = mivo::sweep::SweepEndPoint(s);
        const std::string what = "angle " + std::to_string(angle) + " radius " +
                                 std::to_string(radius) + " from " + std::to_string(o[0]) + "," +
                                 std::to_string(o[1]);
        ExpectNearest(p.x, ExpectedX(angle, radius, o[0]), what + " x");
        ExpectNearest(p.y, ExpectedY(angle, radius, o[1]), what + " y");
      }
    }
  }
}

TEST(SweepEngine, KnownEndPoints) {
  struct Case {
    int16_t angle;
    int32_t radius;
    float x, y;
    int32_t endX, endY;
  };
  const Case cases[] = {
      {90, 100, 500, 400, 500, 300},    // straight up
      {0, 100, 500, 400, 600, 400},     // to the right
      {30, 100, 500, 400, 500, 500},    // down: growing angles turn clockwise
      {60, 1000, 500, 400, -500, 402},  // left, and 3.14 is not quite pi: y drifts by 1.6
      {120, 1000, 0, 0, 1000, -3},      // 120 units fall short of a full turn
      {90, 0, 123, 456, 123, 456},      // no length: the end is the pointer
      {15, 200, 100, 100, 241, 241},    // 45 degrees, give or take
  };
  for (const Case& c : cases) {
    const SweepPoint p = mivo::sweep::SweepEndPoint(StateAt(c.x, c.y, c.angle, c.radius));
    EXPECT_EQ(p.x, c.endX) << "angle " << c.angle << " radius " << c.radius;
    EXPECT_EQ(p.y, c.endY) << "angle " << c.angle << " radius " << c.radius;
  }
}

TEST(SweepEngine, HalvesRoundToEven) {
  // Direction 0 has no vertical part, so y is the start exactly and x adds the radius.
  const struct {
    float start;
    int32_t expected;
  } cases[] = {{0.5f, 0}, {1.5f, 2}, {2.5f, 2}, {-0.5f, 0}, {-1.5f, -2}, {3.25f, 3}, {3.75f, 4}};
  for (const auto& c : cases) {
    const SweepPoint p = mivo::sweep::SweepEndPoint(StateAt(0.0f, c.start, 0, 0));
    EXPECT_EQ(p.y, c.expected) << c.start;
    const SweepPoint q = mivo::sweep::SweepEndPoint(StateAt(c.start, 0.0f, 0, 10));
    EXPECT_EQ(q.x, c.expected + 10) << c.start;
  }
}

TEST(SweepEngine, TurnsWrapWithOneCorrection) {
  const struct {
    int16_t from, delta, to;
  } cases[] = {
      {120, 2, 2},   {0, -2, 118}, {118, 2, 120}, {100, 20, 120}, {110, 20, 10},
      {5, -20, 105}, {1, -1, 0},   {0, 0, 0},     {90, 15, 105},  {90, -10, 80},
  };
  for (const auto& c : cases) {
    SweepState s = StateAt(500, 400, c.from, 100);
    RecordingView view;
    mivo::sweep::SweepRotate(s, view, true, c.delta);
    EXPECT_EQ(s.gAngleStep, c.to) << c.from << " + " << c.delta;
  }
}

TEST(SweepEngine, TurnRedrawsLineAndLabel) {
  SweepState s = StateAt(500, 400, 88, 100);
  RecordingView view;
  mivo::sweep::SweepRotate(s, view, true, 2);
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_EQ(view.lines[0].fromX, 500.0f);
  EXPECT_EQ(view.lines[0].fromY, 400.0f);
  EXPECT_EQ(view.lines[0].toX, 500);
  EXPECT_EQ(view.lines[0].toY, 300);
  ASSERT_EQ(view.labels.size(), 1u);
  EXPECT_EQ(view.labels[0], "X[500] Y:[300]");
  EXPECT_TRUE(view.moves.empty());
}

TEST(SweepEngine, RedrawOnlyKeepsTheDirection) {
  SweepState s = StateAt(5, 12, 90, 100);
  RecordingView view;
  mivo::sweep::SweepRotate(s, view, false, 1);
  EXPECT_EQ(s.gAngleStep, 90);
  ASSERT_EQ(view.labels.size(), 1u);
  EXPECT_EQ(view.labels[0], "X[005] Y:[-088]");  // the end is off the top of the screen
}

TEST(SweepEngine, ShorteningStopsAtZeroAndJumpThenStays) {
  SweepState s = StateAt(300, 200, 37, 10);
  RecordingView view;
  mivo::sweep::SweepStretch(s, view, true, true);
  EXPECT_EQ(s.gRadius, 0);
  mivo::sweep::SweepStretch(s, view, true, true);
  EXPECT_EQ(s.gRadius, 0);
  ASSERT_EQ(view.lines.size(), 2u);
  EXPECT_EQ(view.lines[1].toX, 300);
  EXPECT_EQ(view.lines[1].toY, 200);
  EXPECT_TRUE(view.labels.empty());  // stretching leaves the end-point label alone

  mivo::sweep::SweepJump(s, view);
  ASSERT_EQ(view.moves.size(), 1u);
  EXPECT_EQ(view.moves[0].x, 300);
  EXPECT_EQ(view.moves[0].y, 200);
  EXPECT_EQ(s.gRadius, 100);
  EXPECT_EQ(s.gAngleStep, 37);
}

TEST(SweepEngine, LengtheningIsRefusedOffScreenAndShorteningStillWorks) {
  // Pointing right from near the right edge: the end is past the edge.
  SweepState s = StateAt(1000, 400, 0, 100);
  s.gPossible = kSweepFalse;
  RecordingView view;
  mivo::sweep::SweepStretch(s, view, true, false);
  EXPECT_EQ(s.gRadius, 100);
  EXPECT_EQ(s.gPossible, kSweepFalse);
  mivo::sweep::SweepStretch(s, view, true, true);
  EXPECT_EQ(s.gRadius, 85);
  EXPECT_EQ(s.gPossible, kSweepFalse);  // 1085 is still past 1024
  // 70, 55, 40, 25: the end stays past the edge, until 10 brings it to 1010.
  for (int32_t radius = 70; radius >= 25; radius -= 15) {
    mivo::sweep::SweepStretch(s, view, true, true);
    EXPECT_EQ(s.gRadius, radius);
    EXPECT_EQ(s.gPossible, kSweepFalse);
  }
  mivo::sweep::SweepStretch(s, view, true, true);
  EXPECT_EQ(s.gRadius, 10);
  EXPECT_EQ(s.gPossible, kSweepTrue);
  mivo::sweep::SweepStretch(s, view, true, false);
  EXPECT_EQ(s.gRadius, 25);
}

TEST(SweepEngine, ScreenEdgesCountAsOnScreen) {
  const struct {
    float x, y;
    int16_t angle;
    int16_t possible;
  } cases[] = {
      {924, 400, 0, kSweepTrue},                                // end x = 1024, the width itself
      {925, 400, 0, kSweepFalse},                               // 1025
      {500, 100, 90, kSweepTrue},                               // end y = 0
      {500, 99, 90, kSweepFalse},                               // -1
      {500, 668, 30, kSweepTrue},                               // end y = 768, the height itself
      {500, 669, 30, kSweepFalse}, {100, 400, 60, kSweepTrue},  // end x = 0
      {99, 400, 60, kSweepFalse},
  };
  for (const auto& c : cases) {
    SweepState s = StateAt(c.x, c.y, c.angle, 100);
    s.gPossible = c.possible == kSweepTrue ? kSweepFalse : kSweepTrue;
    RecordingView view;
    mivo::sweep::SweepStretch(s, view, false, false);
    EXPECT_EQ(s.gPossible, c.possible) << c.x << "," << c.y << " angle " << c.angle;
    EXPECT_EQ(s.gRadius, 100);
  }
}

TEST(SweepEngine, FirstLengthenAfterTurningBackOnlyMeasures) {
  SweepState s = StateAt(1000, 400, 0, 100);
  RecordingView view;
  mivo::sweep::SweepStretch(s, view, false, false);
  ASSERT_EQ(s.gPossible, kSweepFalse);
  // Turn round to point left: the end is back on the screen, but nobody measured.
  mivo::sweep::SweepRotate(s, view, true, 20);
  mivo::sweep::SweepRotate(s, view, true, 20);
  mivo::sweep::SweepRotate(s, view, true, 20);
  ASSERT_EQ(s.gAngleStep, 60);
  EXPECT_EQ(s.gPossible, kSweepFalse);
  mivo::sweep::SweepStretch(s, view, true, false);
  EXPECT_EQ(s.gRadius, 100);
  EXPECT_EQ(s.gPossible, kSweepTrue);
  mivo::sweep::SweepStretch(s, view, true, false);
  EXPECT_EQ(s.gRadius, 115);
}

TEST(SweepEngine, LengthenUsesTheElasticStep) {
  SweepState s = StateAt(500, 400, 45, 100);
  s.gElasticPix = 7;
  RecordingView view;
  mivo::sweep::SweepStretch(s, view, true, false);
  mivo::sweep::SweepStretch(s, view, true, false);
  EXPECT_EQ(s.gRadius, 114);
  mivo::sweep::SweepStretch(s, view, true, true);
  EXPECT_EQ(s.gRadius, 107);
}

TEST(SweepEngine, JumpFromTheMiddleGoesStraightUp) {
  SweepState s = StateAt(500, 400, 90, 100);
  s.gStepVal = 10;
  RecordingView view;
  mivo::sweep::SweepJump(s, view);
  ASSERT_EQ(view.moves.size(), 1u);
  EXPECT_EQ(view.moves[0].x, 500);
  EXPECT_EQ(view.moves[0].y, 300);
  EXPECT_EQ(s.gRadius, 100);
  EXPECT_EQ(s.gAngleStep, 90);
  EXPECT_EQ(s.gStepVal, 10);
  // Redrawn from where the pointer was: its move arrives later.
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_EQ(view.lines[0].fromX, 500.0f);
  EXPECT_EQ(view.lines[0].fromY, 400.0f);
  EXPECT_EQ(view.lines[0].toY, 300);
}

TEST(SweepEngine, JumpResetsALongLineAndMeasures) {
  SweepState s = StateAt(500, 400, 0, 600);
  s.gPossible = kSweepFalse;
  RecordingView view;
  mivo::sweep::SweepJump(s, view);
  ASSERT_EQ(view.moves.size(), 1u);
  EXPECT_EQ(view.moves[0].x, 1100);  // off screen: the system clamps, not the engine
  EXPECT_EQ(view.moves[0].y, 400);
  EXPECT_EQ(s.gRadius, 100);
  EXPECT_EQ(view.lines.back().toX, 600);
  EXPECT_EQ(s.gPossible, kSweepTrue);
}

TEST(SweepEngine, CoordinateTexts) {
  const struct {
    int32_t x, y;
    const char* text;
  } cases[] = {
      {5, 12, "X[005] Y:[012]"},
      {0, 0, "X[000] Y:[000]"},
      {1024, 768, "X[1024] Y:[768]"},
      {-5, -123, "X[-005] Y:[-123]"},
      {INT32_MIN, INT32_MAX, "X[-2147483648] Y:[2147483647]"},
  };
  for (const auto& c : cases) {
    char out[64];
    mivo::sweep::FormatSweepCoordinates(c.x, c.y, out, sizeof out);
    EXPECT_STREQ(out, c.text);
  }
}

TEST(SweepEngine, CoordinateTextNeverOverrunsASmallBuffer) {
  char out[8] = "#######";
  out[7] = 'Z';
  mivo::sweep::FormatSweepCoordinates(123, 456, out, 5);
  EXPECT_STREQ(out, "X[12");
  EXPECT_EQ(out[7], 'Z');
}

TEST(SweepEngine, RoundingSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(mivo::sweep::RoundSweepCoordinate(1e12), INT32_MAX);
  EXPECT_EQ(mivo::sweep::RoundSweepCoordinate(-1e12), INT32_MIN);
  EXPECT_EQ(mivo::sweep::RoundSweepCoordinate(std::nan("")), 0);
  EXPECT_EQ(mivo::sweep::RoundSweepCoordinate(-2.5), -2);
}

}  // namespace
