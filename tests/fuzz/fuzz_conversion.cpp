// Conversion against arbitrary bytes: a source file of any content is copied into a
// dictionary file line for line, byte count kept, only its separating spaces turned
// into TABs (or, for words, the two sides swapped); any text appended to the reading or
// the committed text keeps each within 256 bytes, NUL-terminated, without leaks; the
// block-at-a-time record walk of the search offers what a byte-at-a-time walk finds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text.h"
#include "dict/dict_file.h"
#include "fuzz/one_folder.h"
#include "ime/conversion_dict.h"
#include "ime/reading.h"
#include "ime/state.h"
#include "platform/headless/desktop.h"
#include "support/record_walk.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Spaced(std::string s) {
  std::replace(s.begin(), s.end(), '\t', ' ');
  return s;
}

std::string Sorted(std::string s) {
  std::sort(s.begin(), s.end());
  return s;
}

// The prefixes are the input's first bytes, so that its records can begin with them.
void CheckRecordWalk(const std::string& bytes) {
  for (size_t n = 0; n <= 3; ++n) {
    const std::string prefix = bytes.substr(0, std::min(n, bytes.size()));
    const std::string other = bytes.substr(std::min<size_t>(1, bytes.size()), 2);
    mivo::RecordFilter filter;
    filter.every = n == 0;
    filter.prefix[0] = prefix.data();
    filter.prefixLength[0] = static_cast<uint32_t>(prefix.size());
    filter.prefix[1] = other.data();
    filter.prefixLength[1] = static_cast<uint32_t>(other.size());
    std::vector<testing_support::Offered> offered;
    mivo::EachRecordBackwards(
        bytes.data(), static_cast<uint32_t>(bytes.size()), filter,
        [&](const char* line, const char* end, uint32_t number) {
          offered.push_back({static_cast<size_t>(line - bytes.data()),
                             static_cast<size_t>(end - bytes.data()), number});
          return true;
        });
    Check(offered == testing_support::ByteWalk(bytes, {prefix, other}, filter.every));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDesktopInOneFolder();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const int32_t live = mivo::MemLiveCount();

  CheckRecordWalk(bytes);
  desktop::WriteFile("source", bytes);
  for (auto layout : {mivo::SourceLayout::Phrase, mivo::SourceLayout::Word}) {
    desktop::WriteFile("copy", "");
    Check(mivo::CopySourceFile("source", "copy", layout) == 1);
    const std::string copy = desktop::ReadFile("copy");
    Check(copy.size() == bytes.size());
    if (layout == mivo::SourceLayout::Phrase) {
      Check(Spaced(copy) == Spaced(bytes));
    } else {
      Check(Sorted(Spaced(copy)) == Sorted(Spaced(bytes)));
    }
  }

  if (mivo::ConversionOpen() == 1) {
    // Pieces of the input, each up to its next NUL, go to the reading and the committed
    // text in turn.
    for (size_t at = 0; at < size;) {
      const std::string piece(bytes.c_str() + at);
      if ((at & 1) == 0) {
        mivo::ReadingAppend(piece.c_str());
      } else {
        mivo::CommittedAppend(piece.c_str());
        mivo::CommittedBackspace();
      }
      Check(strnlen(mivo::ConversionReading(), 300) <= 256);
      Check(strnlen(mivo::ConversionCommitted(), 300) <= 256);
      at += piece.size() + 1;
    }
    mivo::ReadingBackspace();
  }
  mivo::ResetImeState();
  Check(mivo::MemLiveCount() == live);
  return 0;
}
