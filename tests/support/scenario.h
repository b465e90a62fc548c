// Pieces every whole-program scenario uses: a working folder, a fixed calendar, macros
// run as key actions would run them, and the pointer taken to a key.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "keyboard/key_tree.h"
#include "platform/headless/desktop.h"

namespace testing_support {

// 5 November 2002, 14:07: log and counter lines start «[02/11/05:14:07]».
constexpr os::SystemTime kNov5th{2002, 11, 2, 5, 14, 7, 30, 0};

// A file of the working folder shipped in data/, read from the source tree.
inline std::string ShippedFile(const std::string& name) {
  std::string here = __FILE__;
  const std::string root = here.substr(0, here.rfind("/tests/"));
  std::ifstream in(root + "/data/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Each key with a window: where it lies, its place among its siblings (0 is the top),
// whether it is shown, its text, and the key's own rectangle. A page's own rectangle is
// its tab, as its container last drew it; withTabs false leaves it out, for windows made
// at another moment than that drawing.
inline std::vector<std::string> KeyWindows(bool withTabs = true) {
  std::vector<std::string> out;
  for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
    const mivo::KeyRecord* key = mivo::GetKey(k);
    if (!key || !key->window) continue;
    const desktop::WindowInfo info = desktop::Info(key->window);
    const auto siblings = desktop::Children(info.parent);
    const auto z = std::find(siblings.begin(), siblings.end(), key->window) - siblings.begin();
    const bool own = withTabs || key->type != mivo::KT_PAGE;
    char line[200];
    std::snprintf(line, sizeof line, "%d at %d,%d-%d,%d z%d %s [%s] key %d,%d-%d,%d", k,
                  static_cast<int>(info.rect.left), static_cast<int>(info.rect.top),
                  static_cast<int>(info.rect.right), static_cast<int>(info.rect.bottom),
                  static_cast<int>(z), info.visible ? "shown" : "hidden", info.title.c_str(),
                  own ? key->left : 0, own ? key->top : 0, own ? key->right : 0,
                  own ? key->bottom : 0);
    out.push_back(line);
  }
  return out;
}

// The program does not start without the core operation dictionary; an empty one will do.
inline void WriteEmptyCoreDictionary() {
  desktop::WriteFile("PredCore\\Name", "");
  desktop::WriteFile("PredCore\\Macro", "");
}

// A fresh desktop whose working folder holds these settings, this keyboard (an empty
// keyboard file is valid and makes no keys) and an empty core operation dictionary.
inline void PrepareFolder(const std::string& settings, const std::string& keyboard = "") {
  desktop::Reset();
  desktop::SetLocalTime(kNov5th);
  desktop::WriteFile("settings.txt", settings);
  desktop::WriteFile("mivo_key.cfg", keyboard);
  WriteEmptyCoreDictionary();
}

// Runs the macro as a key action does: message 1797 to the main window, at `ms`.
inline void RunMacroAt(uint64_t ms, std::string macro) {
  desktop::At(ms, [macro] {
    mivo::SendToMain(mivo::MM_RUN_MACRO, reinterpret_cast<os::WPARAM>(macro.c_str()), 0);
  });
}

// The centre of a key's window on the screen (0, 0 when the key has no window).
inline os::Point CentreOf(int32_t id) {
  const mivo::KeyRecord* key = mivo::GetKey(mivo::FindKeyById(id));
  os::Rect r{};
  if (key && key->window) os::GetWindowRect(key->window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void MovePointerToKeyAt(uint64_t ms, int32_t id) {
  desktop::At(ms, [id] {
    os::Point p = CentreOf(id);
    desktop::MoveCursor(p.x, p.y);
  });
}

}  // namespace testing_support
