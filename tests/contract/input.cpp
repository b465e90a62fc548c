// Input driven from inside the program (keybd_event, mouse_event, the cursor) and
// the small system calls: time, screen size, zeroed memory.
#include <cstdint>

#include "contract/probe.h"

using contract::Drain;
using contract::Probe;

namespace {

CONTRACT_TEST(Input, AsyncKeyStateHasTheDownBitAndThePressedSinceLastQueryBit) {
  struct Step {
    const char* what;  // d = key down, u = key up, q = query
    int expected;      // for queries: the 16-bit result
  };
  const Step steps[] = {
      {"q", 0x0000}, {"d", 0}, {"q", 0x8001}, {"q", 0x8000}, {"u", 0},
      {"q", 0x0000}, {"d", 0}, {"u", 0},      {"q", 0x0001}, {"q", 0x0000},
  };
  const os::BYTE vk = os::VK_NONCONVERT;
  int i = 0;
  for (const Step& s : steps) {
    if (s.what[0] == 'd') os::keybd_event(vk, 0, 0, 0);
    if (s.what[0] == 'u') os::keybd_event(vk, 0, os::KEYEVENTF_KEYUP, 0);
    if (s.what[0] == 'q') {
      EXPECT_EQ(static_cast<uint16_t>(os::GetAsyncKeyState(vk)), s.expected) << "step " << i;
    }
    ++i;
  }
}

// The thread's key state follows the key messages it has taken from its queue. The
// window is shown activated, so that its thread takes the keys: on Wine, a window that
// was activated only later saw the first key released again before its thread took it.
CONTRACT_TEST(Input, KeyboardStateTogglesOnEachPress) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100}, os::WS_POPUP);
  os::ShowWindow(w, os::SW_SHOW);
  Drain();
  os::BYTE state[256];
  const int vk = os::VK_F12;
  struct Step {
    bool down;
    os::BYTE expected;
  };
  const Step steps[] = {
      {true, 0x81}, {true, 0x81} /* repeat: no flip */, {false, 0x01}, {true, 0x80}, {false, 0x00}};
  os::BYTE before = 0;
  for (const Step& s : steps) {
    os::keybd_event(static_cast<os::BYTE>(vk), 0, s.down ? 0 : os::KEYEVENTF_KEYUP, 0);
    // Until the thread takes the key message, Wine shows it the state it had; the
    // headless desktop shows the new state at once. Its one reader, mivoSweep's timer,
    // runs in the loop that takes the keys first.
    ASSERT_NE(os::GetKeyboardState(state), 0);
    EXPECT_EQ(state[vk], contract::kWine ? before : s.expected);
    Drain();
    os::GetKeyboardState(state);
    EXPECT_EQ(state[vk], s.expected);
    before = s.expected;
  }
  EXPECT_EQ(state[os::VK_RIGHT], 0);
}

// Relative moves go through the pointer acceleration of the default mouse settings:
// more than 6 pixels along an axis go twice as far.
CONTRACT_TEST(Input, RelativeMouseMovesAreSignedAcceleratedAndClampedToTheScreen) {
  EXPECT_NE(os::SetCursorPos(100, 100), 0);
  os::Point p{};
  EXPECT_TRUE(os::GetCursorPos(&p) && p.x == 100 && p.y == 100);
  struct Case {
    int dx, dy;
    os::LONG x, y;  // where the pointer is afterwards
  };
  const Case cases[] = {{-10, 5, 80, 105}, {6, -6, 86, 99}, {7, -7, 100, 85}, {-500, 5000, 0, 767}};
  for (const Case& c : cases) {
    os::mouse_event(os::MOUSEEVENTF_MOVE, static_cast<os::DWORD>(c.dx),
                    static_cast<os::DWORD>(c.dy), 0, 0);
    os::GetCursorPos(&p);
    EXPECT_EQ(p.x, c.x) << c.dx;
    EXPECT_EQ(p.y, c.y) << c.dy;
  }
}

CONTRACT_TEST(System, ClockScreenAndMemory) {
  os::SystemTime t{};
  os::GetLocalTime(&t);
  EXPECT_TRUE(t.wYear >= 2000 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31);
  // Both desktops are 1024 x 768: the e2e screen and the headless default.
  EXPECT_EQ(os::GetSystemMetrics(os::SM_CXSCREEN), 1024);
  EXPECT_EQ(os::GetSystemMetrics(os::SM_CYSCREEN), 768);
  const os::DWORD start = os::GetTickCount();
  os::Sleep(20);
  EXPECT_GE(os::GetTickCount() - start, 15u);
  auto* block = static_cast<unsigned char*>(os::GlobalAllocZero(1000));
  bool zero = block != nullptr;
  for (int k = 0; zero && k < 1000; ++k) zero = block[k] == 0;
  EXPECT_TRUE(zero);
  os::GlobalFree(block);
}

}  // namespace
