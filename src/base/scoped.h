// Scoped resources: the platform's handles (platform/scoped.h) and the counting
// allocator's blocks, each given back when its holder's scope ends.
#pragma once

#include "base/text.h"
#include "platform/scoped.h"

namespace mivo {

// A block of the counting allocator, so that the leak check at shutdown stays exact.
template <typename T>
using MemBlock = Owned<T*, MemFree>;
using OwnedText = MemBlock<char>;

}  // namespace mivo
