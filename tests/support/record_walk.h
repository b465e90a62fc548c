// What a backward walk over dictionary records must offer, read one byte at a time: the
// reference the block-at-a-time walk is held to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dict/dict_file.h"

namespace testing_support {

// What a walk must offer, read one byte at a time: each run of text bytes, newest first,
// numbered from 1, kept when its last field begins with a prefix (or always).
struct Offered {
  size_t start, end;
  uint32_t number;
  bool operator==(const Offered&) const = default;
};
inline std::vector<Offered> ByteWalk(const std::string& text,
                                     const std::vector<std::string>& prefixes, bool every) {
  std::vector<Offered> out;
  uint32_t number = 0;
  for (size_t end = text.size(); end > 0;) {
    if (!mivo::IsTextByte(static_cast<unsigned char>(text[end - 1]))) {
      --end;
      continue;
    }
    size_t start = end;
    while (start > 0 && mivo::IsTextByte(static_cast<unsigned char>(text[start - 1]))) --start;
    ++number;
    const std::string line = text.substr(start, end - start);
    const size_t tab = line.rfind('\t');
    bool kept = every;
    for (const auto& p : prefixes)
      kept |= tab != std::string::npos && !p.empty() && line.compare(tab + 1, p.size(), p) == 0;
    if (kept) out.push_back({start, end, number});
    end = start;
  }
  return out;
}

}  // namespace testing_support
