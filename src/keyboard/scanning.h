// Switch scanning: the focus and selection marks on the keys.
//
// Marks spread upwards to the ancestors and stop at the first one that already has (or
// already lacks) the mark; each change posts a key event that runs the key's macro text
// later, judged against what has been painted by then.
#pragma once

#include <cstdint>

namespace mivo {

int SetFocusFlags(int32_t k);
int ClearFocusFlags(int32_t k);
int SetSelectFlags(int32_t k);
int ClearSelectFlags(int32_t k);

}  // namespace mivo
