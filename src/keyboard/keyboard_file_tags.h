// What the tags of a keyboard file do once read: make keys and colour sets, read nested
// files, move the id base, and post the roles and templates they name. Inside the
// keyboard folder only.
#pragma once

#include <cstdint>

#include "keyboard/keyboard_file_words.h"

namespace mivo {

// Acts on a tag of `type` whose id (the base included) and attributes have been read;
// `base` and `baseadd` change *idBase. 0, or the error code to report.
int ActOnTag(int type, int32_t tagId, int32_t* idBase, const AttributeSet& set);

}  // namespace mivo
