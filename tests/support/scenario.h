// Pieces every whole-program scenario uses: a working folder, a fixed calendar, macros
// run as key actions would run them, and the pointer taken to a key.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

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
