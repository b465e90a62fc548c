// mivoSweep on the headless desktop: keys pressed on the virtual clock, and what
// the window, its labels, its drawing and the pointer show afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/desktop.h"
#include "platform/os.h"
#include "support/sjis.h"
#include "sweep/app.h"

namespace {

using testing_support::Sjis;

constexpr const char* kClass = "MivoSweepForm";
constexpr const char* kTitle = "MivoSweep";
constexpr os::Colour kSweepColour = os::RGB(128, 128, 255);
constexpr int kPad1 = 0x61, kPad3 = 0x63;

// Far end worked out independently (double precision, no engine code).
os::Point ExpectedEnd(int angle, int radius, int x, int y) {
  const double theta = angle * 3.14 / 60.0;
  return os::Point{static_cast<os::LONG>(std::lround(x + radius * std::cos(theta))),
                   static_cast<os::LONG>(std::lround(y + radius * std::sin(theta)))};
}

// "000" pictures: a minus sign, then at least three digits.
std::string Picture(int v) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", v < 0 ? -v : v);
  return (v < 0 ? "-" : "") + std::string(digits);
}
std::string Coordinates(os::Point p) { return "X[" + Picture(p.x) + "] Y:[" + Picture(p.y) + "]"; }

os::Window Form() { return desktop::Find(kClass, kTitle); }

os::Window Child(int index) {
  const std::vector<os::Window> children = desktop::Children(Form());
  for (os::Window c : children) {
    const desktop::WindowInfo info = desktop::Info(c);
    if (index == 0 && info.className == "BUTTON") return c;
    if (index == 1 && info.className == "STATIC" && info.rect.top < 60) return c;
    if (index == 2 && info.className == "STATIC" && info.rect.top >= 60) return c;
  }
  return nullptr;
}

std::string Text(os::Window w) {
  char buffer[128] = {};
  os::GetWindowText(w, buffer, sizeof buffer);
  return buffer;
}
std::string Label1() { return Text(Child(1)); }
std::string Label2() { return Text(Child(2)); }

std::optional<desktop::DrawOp> LastOp(desktop::DrawOp::Kind kind) {
  std::optional<desktop::DrawOp> last;
  for (const desktop::DrawOp& op : desktop::Drawing(Form())) {
    if (op.kind == kind) last = op;
  }
  return last;
}

os::Point Cursor() {
  os::Point p{};
  os::GetCursorPos(&p);
  return p;
}

int RunSweep() { return desktop::Run(mivo::sweep::SweepMain); }

class SweepScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    desktop::QuitAt(10000);  // safety net; every test ends well before
  }
};

TEST_F(SweepScenario, CoversTheScreenWithButtonAndLabels) {
  desktop::WindowInfo form;
  std::vector<desktop::WindowInfo> children;
  bool pictureShown = false;
  desktop::At(100, [&] {
    form = desktop::Info(Form());
    for (os::Window c : desktop::Children(Form())) children.push_back(desktop::Info(c));
    for (const desktop::DrawOp& op : desktop::Drawing(Form())) {
      if (op.kind == desktop::DrawOp::Blit && op.rect.left == 0 && op.rect.top == 0 &&
          op.rect.right == 1024 && op.rect.bottom == 768) {
        pictureShown = true;
      }
    }
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);

  EXPECT_EQ(form.style & (os::WS_POPUP | os::WS_VISIBLE | os::WS_CAPTION),
            os::WS_POPUP | os::WS_VISIBLE);
  EXPECT_EQ(form.rect.left, 0);
  EXPECT_EQ(form.rect.top, 0);
  EXPECT_EQ(form.rect.right, 1024);
  EXPECT_EQ(form.rect.bottom, 768);
  EXPECT_TRUE(pictureShown);

  struct Expected {
    const char* className;
    std::string text;
    os::Rect rect;  // design units / 15
  };
  const Expected expected[] = {
      {"BUTTON", Sjis("終"), {3, 4, 36, 21}},
      {"STATIC", "Label1", {9, 32, 72, 66}},
      {"STATIC", "Label2", {7, 76, 83, 107}},
  };
  ASSERT_EQ(children.size(), 3u);
  for (const Expected& e : expected) {
    bool found = false;
    for (const desktop::WindowInfo& c : children) {
      if (c.className != e.className || c.title != e.text) continue;
      found = true;
      EXPECT_EQ(c.rect.left, e.rect.left) << e.text;
      EXPECT_EQ(c.rect.top, e.rect.top) << e.text;
      EXPECT_EQ(c.rect.right, e.rect.right) << e.text;
      EXPECT_EQ(c.rect.bottom, e.rect.bottom) << e.text;
      EXPECT_TRUE(c.visible) << e.text;
    }
    EXPECT_TRUE(found) << e.text;
  }
}

TEST_F(SweepScenario, PointerMoveShowsPositionLineAndRing) {
  std::string label1, label2;
  std::optional<desktop::DrawOp> line, ring;
  desktop::At(100, [] { desktop::MoveCursor(5, 12); });
  desktop::At(150, [&] {
    label1 = Label1();
    label2 = Label2();
    line = LastOp(desktop::DrawOp::Line);
    ring = LastOp(desktop::DrawOp::EllipseOp);
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);

  EXPECT_EQ(label1, "X[005] Y:[012]");
  // Straight up by 100 from y 12 ends above the screen.
  EXPECT_EQ(label2, Coordinates(ExpectedEnd(90, 100, 5, 12)));
  EXPECT_EQ(label2, "X[005] Y:[-088]");
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->rect.left, 5);
  EXPECT_EQ(line->rect.top, 12);
  EXPECT_EQ(line->rect.right, 5);
  EXPECT_EQ(line->rect.bottom, -88);
  EXPECT_EQ(line->colour, kSweepColour);
  ASSERT_TRUE(ring.has_value());
  // 2000 units around the pointer: 133 pixels, starting 1000 units (67 pixels) before it.
  EXPECT_EQ(ring->rect.left, 5 - 67);
  EXPECT_EQ(ring->rect.top, 12 - 67);
  EXPECT_EQ(ring->rect.right - ring->rect.left, 133);
  EXPECT_EQ(ring->rect.bottom - ring->rect.top, 133);
  EXPECT_EQ(ring->colour, kSweepColour);
  EXPECT_TRUE(ring->hollow);
}

TEST_F(SweepScenario, RightArrowTurnsAtTheNextTick) {
  std::string beforeTick, afterTick;
  desktop::At(50, [] { desktop::MoveCursor(500, 400); });
  desktop::PressKey(os::VK_RIGHT, 250, 30);
  desktop::At(390, [&] { beforeTick = Label2(); });
  desktop::At(450, [&] {
    afterTick = Label2();
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_EQ(beforeTick, Coordinates(ExpectedEnd(90, 100, 500, 400)));
  EXPECT_EQ(afterTick, Coordinates(ExpectedEnd(92, 100, 500, 400)));
}

TEST_F(SweepScenario, KeyActionsTurnStretchAndJump) {
  // Each row: a key pressed in its own tick, and the far end the label or line then shows.
  std::vector<std::string> labels;
  std::vector<os::Point> lineEnds;
  desktop::At(50, [] { desktop::MoveCursor(500, 400); });
  const int keys[] = {os::VK_LEFT, os::VK_LEFT, os::VK_DOWN, os::VK_RIGHT, os::VK_UP, os::VK_UP};
  uint64_t at = 250;
  for (int vk : keys) {
    desktop::PressKey(vk, at, 20);
    desktop::At(at + 190, [&] {
      labels.push_back(Label2());
      const auto line = LastOp(desktop::DrawOp::Line);
      lineEnds.push_back(line ? os::Point{line->rect.right, line->rect.bottom} : os::Point{});
    });
    at += 200;
  }
  desktop::At(at + 100, [] { os::PostMessage(Form(), os::WM_CLOSE, 0, 0); });
  EXPECT_EQ(RunSweep(), 0);

  ASSERT_EQ(labels.size(), 6u);
  EXPECT_EQ(labels[0], Coordinates(ExpectedEnd(88, 100, 500, 400)));
  EXPECT_EQ(labels[1], Coordinates(ExpectedEnd(86, 100, 500, 400)));
  // Stretching redraws the line but leaves the label.
  EXPECT_EQ(labels[2], labels[1]);
  const os::Point shorter = ExpectedEnd(86, 85, 500, 400);
  EXPECT_EQ(lineEnds[2].x, shorter.x);
  EXPECT_EQ(lineEnds[2].y, shorter.y);
  EXPECT_EQ(labels[3], Coordinates(ExpectedEnd(88, 85, 500, 400)));
  const os::Point longer = ExpectedEnd(88, 115, 500, 400);
  EXPECT_EQ(lineEnds[5].x, longer.x);
  EXPECT_EQ(lineEnds[5].y, longer.y);
}

TEST_F(SweepScenario, TwoPressesWithinOneTickCancelOut) {
  std::string label;
  os::Point cursor{};
  desktop::At(50, [] { desktop::MoveCursor(500, 400); });
  desktop::PressKey(os::VK_RIGHT, 250, 20);
  desktop::PressKey(os::VK_RIGHT, 300, 20);
  desktop::At(450, [&] { label = Label2(); });
  desktop::PressKey(os::VK_F12, 650, 20);
  desktop::At(850, [&] {
    cursor = Cursor();
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_EQ(label, "X[500] Y:[300]");
  EXPECT_EQ(cursor.x, 500);
  EXPECT_EQ(cursor.y, 300);
}

TEST_F(SweepScenario, KeysOfOneTickActInTableOrder) {
  // Keypad 3 pressed before the right arrow, both within one tick: the table puts
  // the arrow first, so that turn still uses the old step of 2; the next one uses 10.
  std::string sameTick, nextTick;
  desktop::At(50, [] { desktop::MoveCursor(500, 400); });
  desktop::PressKey(kPad3, 250, 20);
  desktop::PressKey(os::VK_RIGHT, 300, 20);
  desktop::At(450, [&] { sameTick = Label2(); });
  desktop::PressKey(os::VK_RIGHT, 650, 20);
  desktop::At(850, [&] {
    nextTick = Label2();
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_EQ(sameTick, Coordinates(ExpectedEnd(92, 100, 500, 400)));
  EXPECT_EQ(nextTick, Coordinates(ExpectedEnd(102, 100, 500, 400)));
}

TEST_F(SweepScenario, KeypadStepSetInAnEarlierTickAppliesToTheTurn) {
  std::string label;
  desktop::At(50, [] { desktop::MoveCursor(500, 400); });
  desktop::PressKey(kPad3, 250, 20);
  desktop::PressKey(os::VK_RIGHT, 450, 20);
  desktop::PressKey(kPad1, 650, 20);
  desktop::PressKey(os::VK_LEFT, 850, 20);
  desktop::At(1050, [&] {
    label = Label2();
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_EQ(label, Coordinates(ExpectedEnd(98, 100, 500, 400)));
}

TEST_F(SweepScenario, JumpMovesThePointerAndTheLineFollows) {
  os::Point cursor{};
  std::string label1;
  std::optional<desktop::DrawOp> line;
  desktop::At(50, [] { desktop::MoveCursor(500, 400); });
  desktop::PressKey(os::VK_F12, 250, 20);
  desktop::At(500, [&] {
    cursor = Cursor();
    label1 = Label1();
    line = LastOp(desktop::DrawOp::Line);
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_EQ(cursor.x, 500);
  EXPECT_EQ(cursor.y, 300);
  EXPECT_EQ(label1, "X[500] Y:[300]");
  // Once the pointer's move arrives, the line starts at the new position.
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->rect.left, 500);
  EXPECT_EQ(line->rect.top, 300);
  EXPECT_EQ(line->rect.bottom, 200);
}

TEST_F(SweepScenario, AJumpOntoALabelStillMovesTheLine) {
  // Label2 covers (7, 76)-(83, 107): the first jump lands on it.
  std::vector<os::Point> cursors;
  bool onLabel = false;
  desktop::At(50, [] { desktop::MoveCursor(40, 190); });
  desktop::PressKey(os::VK_F12, 250, 20);
  desktop::At(450, [&] {
    cursors.push_back(Cursor());
    onLabel = os::WindowFromPoint(Cursor()) == Child(2);
  });
  desktop::PressKey(os::VK_F12, 650, 20);
  desktop::At(850, [&] {
    cursors.push_back(Cursor());
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  ASSERT_EQ(cursors.size(), 2u);
  EXPECT_EQ(cursors[0].x, 40);
  EXPECT_EQ(cursors[0].y, 90);
  EXPECT_TRUE(onLabel);
  // From (40, 90) the next jump goes 100 up, past the top: the system stops it at 0.
  EXPECT_EQ(cursors[1].x, 40);
  EXPECT_EQ(cursors[1].y, 0);
}

TEST_F(SweepScenario, F13EndsTheProgram) {
  desktop::PressKey(os::VK_F13, 250, 20);
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_LT(desktop::Now(), 1000u);
  EXPECT_EQ(desktop::DestroyedCount(kClass), 1);
  EXPECT_EQ(Form(), nullptr);
}

TEST_F(SweepScenario, TheButtonEndsTheProgram) {
  desktop::At(300, [] { desktop::ClickButton(Child(0)); });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_LT(desktop::Now(), 1000u);
  EXPECT_EQ(desktop::DestroyedCount(kClass), 1);
}

TEST_F(SweepScenario, ASecondCopyBringsTheFirstToTheFrontAndEnds) {
  const desktop::ForeignApp first = desktop::StartForeignApp(kClass, kTitle);
  const desktop::ForeignApp other = desktop::StartForeignApp("Notepad", "memo");
  ASSERT_EQ(os::GetForegroundWindow(), other.window);
  const uint64_t started = desktop::Now();
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_EQ(desktop::Now(), started);  // it did not wait for anything
  EXPECT_EQ(os::GetForegroundWindow(), first.window);
  EXPECT_EQ(desktop::CreatedCount(kClass), 1);
}

TEST_F(SweepScenario, AWindowWithTheDummyTitleIsNotARunningCopy) {
  desktop::StartForeignApp(kClass, Sjis("mivoSweepダミー"));
  bool shown = false;
  desktop::At(100, [&] {
    shown = Form() != nullptr;
    os::PostMessage(Form(), os::WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(RunSweep(), 0);
  EXPECT_TRUE(shown);
}

}  // namespace
