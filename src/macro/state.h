// Everything the macro subsystem changes while the program runs, in one place, so that
// one call puts back what a fresh start finds.
#pragma once

#include "platform/os.h"

namespace mivo {

struct Latch {
  os::BYTE vk;
  bool on;
};

// What the conversion part offers the "BS" rules: its reading being composed and the
// text committed since. Each hook may be null: until conversion joins both texts are
// empty and there is nothing to take back.
struct ConversionHooks {
  bool (*readingIsEmpty)();
  bool (*committedIsEmpty)();
  void (*readingBackspace)();
  void (*committedBackspace)();
};

struct MacroState {
  ConversionHooks conversionHooks{};
  char* pendingMacro = nullptr;  // the text a lock deferred; owned, at most one
  int macroDepth = 0;            // macro runs and command lists running, nested ones too
  // In the order they are pressed and released: Windows, Ctrl, Shift, Alt.
  Latch latches[4] = {{91, false}, {17, false}, {16, false}, {18, false}};
  os::DWORD attachedThread = 0;  // the foreground thread our input is attached to, or 0
};
extern MacroState macroState;

// Releases a pending text, then puts every value back, the hooks too (latches are
// forgotten, not released).
void ResetMacroState();

}  // namespace mivo
