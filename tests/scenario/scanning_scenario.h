// Shared pieces of the scanning scenarios: a working folder with a keyboard, the switch
// as a hand would use it, and readings of what the program did.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"
#include "support/scenario.h"

namespace scanning_scenario {

constexpr int kSwitch = 0x1D;  // the default PressKey, the non-convert key

inline void Prepare(const std::string& settings, const std::string& keyboard) {
  testing_support::PrepareFolder(settings, keyboard);
}

// Injected keyboard events as "65d" / "65u" with their times.
struct Timed {
  uint64_t at;
  std::string what;
};
inline std::vector<Timed> KeyEvents() {
  std::vector<Timed> out;
  for (const desktop::InjectedEvent& e : desktop::InjectedEvents()) {
    if (e.keyboard)
      out.push_back({e.at, std::to_string(e.vk) + ((e.flags & os::KEYEVENTF_KEYUP) ? "u" : "d")});
  }
  return out;
}
inline std::vector<std::string> KeyEventNames() {
  std::vector<std::string> out;
  for (const Timed& t : KeyEvents()) out.push_back(t.what);
  return out;
}
// Times of the key-down events only.
inline std::vector<uint64_t> PressTimes() {
  std::vector<uint64_t> out;
  for (const Timed& t : KeyEvents()) {
    if (t.what.back() == 'd') out.push_back(t.at);
  }
  return out;
}

// The id of the key with the scan focus, 0 for none.
inline int32_t FocusedId() {
  const mivo::KeyRecord* key = mivo::GetKey(mivo::keyboardState.CurrentKey);
  return key ? key->id : 0;
}
// The focused key as the user sees it: focused and drawn so.
inline int32_t LitId() {
  const mivo::KeyRecord* key = mivo::GetKey(mivo::keyboardState.CurrentKey);
  return key && (key->paintedFlags & mivo::KF_FOCUS) ? key->id : 0;
}

// Runs `action` every `stepMs` from `fromMs` until it answers false or `untilMs` passes.
inline void EveryFrom(uint64_t atMs, uint64_t stepMs, uint64_t untilMs,
                      std::shared_ptr<std::function<bool()>> action) {
  desktop::At(atMs, [=] {
    if ((*action)() && atMs + stepMs <= untilMs) EveryFrom(atMs + stepMs, stepMs, untilMs, action);
  });
}
inline void Every(uint64_t fromMs, uint64_t stepMs, uint64_t untilMs,
                  std::function<bool()> action) {
  EveryFrom(fromMs, stepMs, untilMs, std::make_shared<std::function<bool()>>(std::move(action)));
}

// A user who watches the keyboard and presses the switch (for `holdMs`) each time the
// next key of `ids` is lit, waiting for the light to move after each selection.
struct User {
  std::vector<int32_t> ids;
  size_t next = 0;
  int32_t waitingOff = 0;  // the key just selected; wait until something else is lit
  bool held = false;
  std::vector<uint64_t> releases;
};
inline std::shared_ptr<User> SelectWhenLit(std::vector<int32_t> ids, uint64_t fromMs,
                                           uint64_t untilMs, uint64_t holdMs = 50) {
  auto user = std::make_shared<User>();
  user->ids = std::move(ids);
  Every(fromMs, 10, untilMs, [user, holdMs] {
    if (user->next >= user->ids.size()) return false;
    if (user->held) return true;
    const int32_t lit = LitId();
    if (user->waitingOff != 0) {
      if (lit == user->waitingOff) return true;
      user->waitingOff = 0;
    }
    if (lit != user->ids[user->next]) return true;
    user->held = true;
    desktop::KeyDown(kSwitch);
    const uint64_t up = desktop::Now() + holdMs;
    desktop::At(up, [user, lit, up] {
      desktop::KeyUp(kSwitch);
      user->held = false;
      user->waitingOff = lit;
      user->releases.push_back(up);
      ++user->next;
    });
    return true;
  });
  return user;
}

// The timeline of lit key ids (sampled every ms), one entry per change.
struct Change {
  uint64_t at;
  int32_t id;
};
inline std::shared_ptr<std::vector<Change>> RecordFocus(uint64_t fromMs, uint64_t untilMs) {
  auto changes = std::make_shared<std::vector<Change>>();
  Every(fromMs, 1, untilMs, [changes] {
    // Between a mark change and its repaint nothing is lit; that is no change.
    const int32_t id = LitId();
    if (id != 0 && (changes->empty() || changes->back().id != id))
      changes->push_back({desktop::Now(), id});
    return true;
  });
  return changes;
}

}  // namespace scanning_scenario
