#include "ime/conversion_dict.h"

#include <algorithm>
#include <cstring>

#include "base/log.h"
#include "base/scoped.h"
#include "base/text.h"
#include "dict/dict_file.h"
#include "ime/ime_access.h"
#include "ime/state.h"

namespace mivo {

ImeState imeState;

namespace {

constexpr char kTransFolder[] = "Trans";
constexpr char kPhraseFile[] = "Trans\\phrase";
constexpr char kWordFile[] = "Trans\\word";
constexpr char kPhraseSource[] = "phrase";
constexpr char kWordSource[] = "word";
constexpr char kTransInit[] = "TransInit";
// Stands while the first fill runs: a kill cuts a fill short after its files exist, and
// a start that finds it makes them again instead of keeping a part of the seeds forever.
constexpr char kFilling[] = "Trans\\filling";
constexpr char TAB = '\t';

bool Exists(const char* name) {
  char found[260] = {};  // MAX_PATH
  return os::SearchPath(nullptr, name, nullptr, sizeof found, found, nullptr) != 0;
}

bool WriteAll(os::FileHandle f, const char* bytes, size_t n) {
  os::DWORD written = 0;
  return n == 0 || (os::WriteFile(f, bytes, static_cast<os::DWORD>(n), &written) &&
                    written == static_cast<os::DWORD>(n));
}

const char* FindSpace(const char* from, const char* end) {
  return static_cast<const char*>(memchr(from, ' ', static_cast<size_t>(end - from)));
}

// One source line, its line end included, written in the dictionary's layout. The
// search for spaces stays within the line: a line with fewer spaces than its layout
// needs is copied unchanged, so nothing of the source is lost.
bool WriteLine(os::FileHandle out, const char* line, const char* end, SourceLayout layout) {
  const char* content = line;
  while (content < end && *content != '\r' && *content != '\n') ++content;
  const char* first = FindSpace(line, content);
  if (first == nullptr) return WriteAll(out, line, static_cast<size_t>(end - line));
  if (layout == SourceLayout::Word) {
    return WriteAll(out, first + 1, static_cast<size_t>(content - first - 1)) &&
           WriteAll(out, &TAB, 1) && WriteAll(out, line, static_cast<size_t>(first - line)) &&
           WriteAll(out, content, static_cast<size_t>(end - content));
  }
  const char* second = FindSpace(first + 1, content);
  if (second == nullptr) return WriteAll(out, line, static_cast<size_t>(end - line));
  return WriteAll(out, line, static_cast<size_t>(first - line)) && WriteAll(out, &TAB, 1) &&
         WriteAll(out, first + 1, static_cast<size_t>(second - first - 1)) &&
         WriteAll(out, &TAB, 1) && WriteAll(out, second + 1, static_cast<size_t>(end - second - 1));
}

// False when the mark of the fill could not be taken away: learning into files that the next
// start would make again would be lost.
bool PrepareFiles() {
  if (os::GetFileAttributes(kFilling) != os::INVALID_FILE_ATTRIBUTES) {
    // Nothing has learned into them yet: the fill's own files go, and it starts again.
    os::DeleteFile(kPhraseFile);
    os::DeleteFile(kWordFile);
  } else if (Exists(kPhraseFile) || Exists(kWordFile)) {
    return true;
  }
  if (os::GetFileAttributes(kTransFolder) == os::INVALID_FILE_ATTRIBUTES) {
    WriteLog(kTransInit, "Create Trans Directory");
    os::CreateDirectory(kTransFolder);
  }
  {
    ScopedFile mark(os::CreateFile(kFilling, os::GENERIC_WRITE, 0, os::CREATE_ALWAYS,
                                   os::FILE_ATTRIBUTE_NORMAL));
  }
  if (Exists(kPhraseSource)) {
    WriteLog(kTransInit, "Copying phrase dictionary");
    CopySourceFile(kPhraseSource, kPhraseFile, SourceLayout::Phrase);
  }
  if (Exists(kWordSource)) {
    // The word copy is logged with the phrase copy's text: readers of old logs count on it.
    WriteLog(kTransInit, "Copying phrase dictionary");
    CopySourceFile(kWordSource, kWordFile, SourceLayout::Word);
  }
  return os::DeleteFile(kFilling) || os::GetFileAttributes(kFilling) == os::INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int CopySourceFile(const char* source, const char* destination, SourceLayout layout) {
  ScopedFile in(os::CreateFile(source, os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING,
                               os::FILE_ATTRIBUTE_NORMAL));
  if (!in) return 0;
  ScopedFile out(os::CreateFile(destination, os::GENERIC_WRITE, 0, os::OPEN_ALWAYS,
                                os::FILE_ATTRIBUTE_NORMAL));
  if (!out) return 0;
  // Chunks of 4095 bytes behind the unfinished line of the last one. A line longer than
  // the buffer grows it, so that no line stops the copy.
  uint32_t capacity = SOURCE_CHUNK + 1;
  MemBlock<char> buffer(static_cast<char*>(MemAlloc(capacity)));
  uint32_t held = 0;
  while (buffer) {
    if (held + 1 == capacity) {
      MemBlock<char> larger(static_cast<char*>(MemAlloc(capacity * 2)));
      if (!larger) return 0;
      memcpy(larger.Get(), buffer.Get(), held);
      buffer = std::move(larger);
      capacity *= 2;
    }
    const os::DWORD want = capacity - 1 - held < SOURCE_CHUNK ? capacity - 1 - held : SOURCE_CHUNK;
    os::DWORD got = 0;
    if (!os::ReadFile(in.Get(), buffer.Get() + held, want, &got)) got = 0;
    held += got;
    const char* start = buffer.Get();
    const char* end = buffer.Get() + held;
    for (const char* lf;
         (lf = static_cast<const char*>(memchr(start, '\n', static_cast<size_t>(end - start)))) !=
         nullptr;
         start = lf + 1) {
      if (!WriteLine(out.Get(), start, lf + 1, layout)) return 0;
    }
    if (got == 0) {
      // On the disk before the fill is called done.
      return (start == end || WriteLine(out.Get(), start, end, layout)) &&
                     os::FlushFileBuffers(out.Get())
                 ? 1
                 : 0;
    }
    held = static_cast<uint32_t>(end - start);
    memmove(buffer.Get(), start, held);
  }
  return 0;
}

namespace {

// The longest first field of the records of a text.
uint32_t LongestFirstField(const char* text, uint32_t length) {
  const char* const end = text + length;
  uint32_t longest = 0;
  for (const char* line = ScanToText(text, end); line < end;) {
    const char* lineEnd = ScanOverText(line, end);
    longest = std::max(longest, static_cast<uint32_t>(ScanToChar(line, lineEnd, TAB) - line));
    line = ScanToText(lineEnd, end);
  }
  return longest;
}

}  // namespace

int ConversionOpen() {
  if (imeState.conversion != nullptr) ConversionClose();
  OwnedText reading(static_cast<char*>(MemAlloc(DICT_RECENT_SIZE)));
  DictSet* set = reading ? DictSetCreate() : nullptr;
  if (set == nullptr) return 0;
  if (!PrepareFiles()) {
    DictSetFree(set);
    return 0;
  }
  if (DictFileOpen(set->history, kPhraseFile) != 1) {
    DictSetFree(set);
    return 0;
  }
  if (DictFileOpen(set->name, kWordFile) != 1) {
    DictFileClose(set->history);
    DictSetFree(set);
    return 0;
  }
  imeState.conversion = set;
  imeState.reading = reading.Release();
  imeState.longestPhraseContext =
      std::max(LongestFirstField(set->history->view, set->history->used), set->contextLength);
  return 1;
}

void ConversionLearn(const char* text, const char* reading, int flushFlag) {
  MergeHistoryStudy(imeState.conversion, text, reading, flushFlag, TAB);
  MergeStringStudy(imeState.conversion, text, reading, flushFlag, TAB);
}

void ConversionClose() {
  DictSet* set = imeState.conversion;
  if (set == nullptr) return;
  ConversionLearn(nullptr, nullptr, 1);
  DictFileTrim(set->history, CONVERSION_MAX_LINES);
  DictFileTrim(set->name, CONVERSION_MAX_LINES);
  DictFileClose(set->history);
  DictFileClose(set->name);
  DictSetFree(set);
  imeState.conversion = nullptr;
  MemFree(imeState.reading);
  imeState.reading = nullptr;
}

void ResetImeState() {
  ImeCloseCandidates();
  ConversionClose();
  imeState = ImeState{};
}

}  // namespace mivo
