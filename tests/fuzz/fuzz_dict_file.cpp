// Dictionary files against arbitrary bytes: a file of any content is searched, learned
// into, flushed, trimmed and closed with no crash, no overrun and no leak; the newest
// record always ends the file after a flush, and a closed file ends in its last text and
// is closed for good.
// The first bytes steer the run; the rest is the file (and, now and then, a journal left
// beside one), and slices of it are the keys, texts and recent input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text.h"
#include "dict/candidate_list.h"
#include "dict/dict_file.h"
#include "fuzz/one_folder.h"
#include "platform/headless/desktop.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Slices of the input, as NUL-terminated texts (a NUL in the input ends a slice early).
struct Slicer {
  const std::string& bytes;
  size_t at = 0;
  std::string Next(size_t maxLength) {
    if (bytes.empty()) return "";
    const size_t from = at % bytes.size();
    const size_t length = static_cast<unsigned char>(bytes[from]) % (maxLength + 1);
    at += 7 + length;
    return std::string(bytes.substr(from, length).c_str());
  }
};

void CheckOpen(const mivo::DictFile* f) {
  Check(f->view != nullptr && f->view[f->used] == 0);
  Check(std::strlen(f->pending) < f->pendingCapacity);
}

size_t CountLf(const mivo::DictFile* f) {
  size_t n = 0;
  for (uint32_t i = 0; i < f->used; ++i) n += f->view[i] == '\n' ? 1 : 0;
  return n;
}

void Lookups(const mivo::DictFile* f, Slicer& slicer) {
  for (auto lookup : {mivo::LookupTextByKey, mivo::LookupKeyByText, mivo::LookupMacroByKey}) {
    const std::string key = slicer.Next(8);
    char* found = lookup(key.c_str(), f->view);
    Check(found == nullptr || std::strlen(found) < f->used);
    mivo::MemFree(found);
  }
  // Newest first, one line at a time, as a search reads the file.
  const char* start = f->view;
  const char* pos = f->view + f->used - 1;
  size_t lines = 0;
  while (f->used > 0 && pos >= start) {
    const char* last = mivo::ScanBackToText(pos, start);
    if (last < start) break;
    const char* lineStart = mivo::ScanBackToLineStart(last, start);
    const char* field = mivo::ScanBackToChar(last, lineStart, '\t');
    Check(lineStart >= start && lineStart <= last && field >= lineStart && field <= last + 1);
    ++lines;
    if (lineStart == start) break;
    pos = lineStart - 1;
  }
  Check(lines <= f->used);
}

// What a flush must leave, by the rule itself: the content less the lines that begin with
// each pending line in turn (each removal rewriting with CR LF ends), then the pending
// records.
std::string FlushedByTheRule(const mivo::DictFile* f) {
  const std::string pending(f->pending);
  const uint32_t room = 3 * f->used + 3;  // a rewrite gains at most two bytes a line
  std::string kept(f->view, f->used);
  kept.resize(room);
  uint32_t length = f->used;
  for (size_t pos = 0; pos < pending.size();) {
    size_t end = pos;
    while (end < pending.size() && mivo::IsTextByte(static_cast<unsigned char>(pending[end])))
      ++end;
    const std::string key = pending.substr(pos, end - pos);
    length = mivo::DictRemoveLines(key.c_str(), kept.data(), length, room);
    pos = end;
    while (pos < pending.size() && !mivo::IsTextByte(static_cast<unsigned char>(pending[pos])))
      ++pos;
  }
  return kept.substr(0, length) + pending;
}

void Candidates(const std::string& bytes, Slicer& slicer, int byKey) {
  const uint32_t capacity = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 5;
  const uint32_t skip = bytes.size() < 2 ? 0 : static_cast<unsigned char>(bytes[1]) % 3;
  mivo::CandidateList* list = mivo::CandidateListCreate(capacity, skip);
  char** skipped = mivo::SkippedKeysCreate(skip);
  Check(list != nullptr && skipped != nullptr);
  int room = 1;
  for (int i = 0; i < 12; ++i) {
    const std::string key = slicer.Next(3);
    const std::string text = slicer.Next(3);
    const uint32_t total =
        mivo::CandidateListAdd(list, skipped, key.data(), static_cast<uint32_t>(key.size()),
                               text.data(), static_cast<uint32_t>(text.size()),
                               static_cast<uint32_t>(key.size() * 7 + i % 3), room, 1, byKey);
    if (total >= skip + capacity) room = 0;
    if (total > skip + capacity) break;
  }
  const uint32_t page = list->total > skip ? list->total - skip : 0;
  Check(page <= capacity);
  for (uint32_t i = 1; i < page; ++i) Check(list->scores[i - 1] >= list->scores[i]);
  mivo::SkippedKeysFree(skipped);
  mivo::CandidateListFree(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDesktopInOneFolder();
  if (size < 3) return 0;
  const unsigned learns = data[0] % 48;
  const uint32_t trimTo = data[1];
  const unsigned flags = data[2];
  const std::string bytes(reinterpret_cast<const char*>(data) + 3, size - 3);
  Slicer slicer{bytes};
  const int32_t live = mivo::MemLiveCount();

  desktop::WriteFile("history", bytes);
  desktop::WriteFile("name", bytes);
  desktop::WriteFile("macro", bytes);
  // A journal a kill left, its header and bytes from the input: read, checked, and gone.
  if (flags & 16) desktop::WriteFile("macro.jnl", std::string("MivoJnl1") + bytes);
  mivo::DictSet* set = mivo::DictSetCreate();
  Check(set != nullptr);
  Check(mivo::DictFileOpen(set->history, "history") == 1);
  Check(mivo::DictFileOpen(set->name, "name") == 1);
  Check(mivo::DictFileOpen(set->macro, "macro") == 1);
  Check(!desktop::FileExists("macro.jnl"));
  Check(set->name->used == bytes.size());
  set->contextLength = (flags & 1) ? 32 : 8;
  Lookups(set->macro, slicer);

  std::string lastString;
  for (unsigned i = 0; i < learns; ++i) {
    const std::string recent = slicer.Next(255);
    mivo::TextCopy(set->recent, recent.c_str());
    // Long texts now and then, so that records alone overflow the pending buffer.
    const size_t textLength = (flags & 2) && i % 5 == 0 ? 1500 : 40;
    const std::string key = slicer.Next(12);
    std::string text = slicer.Next(textLength);
    mivo::MergeHistoryStudy(set, key.c_str(), text.c_str(), 0, '\t');
    mivo::MergeStringStudy(set, key.c_str(), text.c_str(), 0, '\t');
    lastString = key + "\t" + text + "\r\n";
    if ((flags & 4) && i % 7 == 3) mivo::MergeStringStudy(set, nullptr, nullptr, 1, '\t');
    CheckOpen(set->history);
    CheckOpen(set->name);
    if (i % 8 == 0) Lookups(set->name, slicer);
  }
  const std::string flushed = FlushedByTheRule(set->name);
  mivo::MergeHistoryStudy(set, nullptr, nullptr, 1, '\t');
  mivo::MergeStringStudy(set, nullptr, nullptr, 1, '\t');
  Check(std::string(set->name->view, set->name->used) == flushed);
  CheckOpen(set->history);
  CheckOpen(set->name);
  if (!lastString.empty()) {
    const std::string content(set->name->view, set->name->used);
    Check(content.size() >= lastString.size() &&
          content.compare(content.size() - lastString.size(), lastString.size(), lastString) == 0);
  }
  Lookups(set->name, slicer);
  Lookups(set->history, slicer);

  const size_t lfBefore = CountLf(set->history);
  const uint32_t usedBefore = set->history->used;
  const uint32_t used = mivo::DictFileTrim(set->history, trimTo);
  Check(used == set->history->used && used <= usedBefore);
  Check(CountLf(set->history) == (lfBefore < trimTo ? lfBefore : trimTo));
  CheckOpen(set->history);

  Candidates(bytes, slicer, flags & 8 ? 1 : 0);

  for (mivo::DictFile* f : {set->history, set->name, set->macro}) mivo::DictFileClose(f);
  mivo::DictSetFree(set);
  for (const char* name : {"history", "name", "macro"}) {
    const std::string closed = desktop::ReadFile(name);
    Check(closed.size() == 1 || (!closed.empty() && closed.back() != 0));
    Check(os::DeleteFile(name) == os::TRUE);  // open files, mappings and views refuse it
  }
  Check(mivo::MemLiveCount() == live);
  return 0;
}
