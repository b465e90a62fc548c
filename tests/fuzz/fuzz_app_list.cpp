// The application list against arbitrary bytes: any file is read with no crash, no
// overrun and no leak; at most 100 entries come back, in file order, each a class name
// without TAB or line break and a non-empty directory without them, then the end pair; the
// file is closed again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text.h"
#include "fuzz/one_folder.h"
#include "platform/headless/desktop.h"
#include "predict/operations.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool HasSeparatorOrTab(const char* s) {
  for (; *s != 0; ++s) {
    if (*s == '\t' || !mivo::IsTextByte(static_cast<unsigned char>(*s))) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDesktopInOneFolder();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  desktop::WriteFile("ApplicationList.txt", bytes);
  const int32_t live = mivo::MemLiveCount();

  mivo::AppEntry* list = mivo::AppListLoad();
  if (list != nullptr) {
    int count = 0;
    size_t from = 0;  // each entry's class is found in the file after the one before
    for (; list[count].className != nullptr; ++count) {
      Check(count < mivo::APP_LIST_MAX);
      const mivo::AppEntry& entry = list[count];
      Check(entry.directory != nullptr && *entry.directory != 0);
      Check(!HasSeparatorOrTab(entry.className) && !HasSeparatorOrTab(entry.directory));
      const std::string line = std::string(entry.className) + "\t" + entry.directory;
      const size_t at = bytes.find(line, from);
      Check(at != std::string::npos);
      from = at + line.size();
    }
    Check(count > 0 && list[count].directory == nullptr);
  }
  mivo::AppListFree(list);
  Check(mivo::MemLiveCount() == live);
  // Only a closed file can be deleted; the next reset would close a forgotten one unseen.
  Check(os::DeleteFile("ApplicationList.txt") == os::TRUE);
  return 0;
}
