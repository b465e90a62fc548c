// Keyboard definition reader against arbitrary bytes: no crash, no overrun, no leak,
// and the answer agrees with the boxes shown. Nested `load` tags may name the input
// itself or a second file that holds the previous input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "fuzz/one_folder.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard_file.h"
#include "platform/headless/desktop.h"

namespace {

std::string previous;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDesktopInOneFolder();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  desktop::WriteFile("k.cfg", bytes);
  desktop::WriteFile("a", previous);
  previous = bytes;

  const int32_t live = mivo::MemLiveCount();
  Check(mivo::KeyTableInit());
  Check(mivo::ColorSetTableInit());
  const int result = mivo::LoadKeyboardFile("k.cfg", 0);
  Check(result == 0 || result == 64 + 2 || result == 64 + 10 || result == 64 + 32);
  if (result != 0) Check(!desktop::MessageBoxes().empty());
  for (int32_t k = 1; k <= mivo::keyboardState.KeyCount; ++k) {
    const mivo::KeyRecord* key = mivo::GetKey(k);
    if (!key) continue;
    // Every text is whole and within its buffer.
    for (const char* text : {key->name, key->onfocus, key->onunfocus, key->onselect,
                             key->onunselect, key->onselected}) {
      Check(text != nullptr &&
            mivo::TextLength(text) < static_cast<size_t>(mivo::KEYBOARD_TEXT_SIZE));
    }
  }
  Check(mivo::keyboardState.KeyCount <= mivo::KEY_TABLE_SIZE &&
        mivo::keyboardState.ColorSetCount <= mivo::COLOR_SET_TABLE_SIZE);
  mivo::DeleteAllKeys();
  mivo::KeyTableFree();
  mivo::ColorSetTableFree();
  Check(mivo::MemLiveCount() == live);
  return 0;
}
