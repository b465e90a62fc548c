// The keyboard definition file reader: one pass over the mapped bytes that makes keys
// and colour sets and posts the role and template messages of the tags in file order.
#pragma once

#include <cstdint>

namespace mivo {

// Text attributes hold this many bytes, the terminating zero included.
constexpr int32_t KEYBOARD_TEXT_SIZE = 2048;
// Nested `load` tags deeper than this are skipped like a missing file.
constexpr int KEYBOARD_LOAD_DEPTH_LIMIT = 16;
constexpr int KEYBOARD_LOAD_COUNT_LIMIT = 256;  // nested loads per outermost read

// 0 after the whole file was read (posts MM_KEYBOARD_LOADED); -1 when the file cannot be
// opened or mapped; 64 + the error code after a syntax error, which has been reported.
int LoadKeyboardFile(const char* fileName, int32_t idBase);

}  // namespace mivo
