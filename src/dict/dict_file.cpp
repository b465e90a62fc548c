#include "dict/dict_file.h"

#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "base/scoped.h"
#include "base/text.h"

namespace mivo {

namespace {

constexpr char TAB = '\t';
constexpr char CR = '\r';
constexpr char LF = '\n';

bool SameBytes(const char* a, const char* b, size_t n) { return n == 0 || memcmp(a, b, n) == 0; }

// A MemAlloc'd NUL-terminated copy of n bytes.
char* CopyBytes(const char* bytes, size_t n) {
  char* copy = static_cast<char*>(MemAlloc(n + 1));
  if (copy != nullptr && n > 0) memcpy(copy, bytes, n);
  return copy;
}

// Writes the lines of src[0, length) that `drops` does not take, each followed by CR LF,
// to dst (when given) and answers their size. A leading run of separators is one empty
// line. drops(line, end of its text, end of src) decides on one line.
template <typename Drops>
uint64_t RewriteLinesIf(const char* src, uint32_t length, char* dst, Drops drops) {
  const char* end = src + length;
  const char* pos = src;
  uint64_t out = 0;
  while (pos < end) {
    const char* lineEnd = ScanOverText(pos, end);
    if (!drops(pos, lineEnd, end)) {
      const size_t n = static_cast<size_t>(lineEnd - pos);
      if (dst != nullptr) {
        if (n > 0) memcpy(dst + out, pos, n);
        dst[out + n] = CR;
        dst[out + n + 1] = LF;
      }
      out += n + 2;
    }
    pos = ScanToText(lineEnd, end);
  }
  return out;
}

// The lines that do not begin with key; the comparison may run past a line's end (a key
// ending in CR LF matches only lines followed by CR LF), never past length.
uint64_t RewriteLines(const char* key, size_t keyLength, const char* src, uint32_t length,
                      char* dst) {
  return RewriteLinesIf(src, length, dst, [&](const char* pos, const char*, const char* end) {
    return keyLength > 0 && static_cast<size_t>(end - pos) >= keyLength &&
           memcmp(pos, key, keyLength) == 0;
  });
}

// Maps the whole file writable at `size` bytes (growing it), as the file's view.
bool MapFile(DictFile* file, uint32_t size) {
  ScopedMapping mapping(os::CreateFileMapping(file->file, os::PAGE_READWRITE, size));
  if (!mapping) return false;
  ScopedView view(os::MapViewOfFile(mapping.Get(), os::FILE_MAP_WRITE, size));
  if (!view) return false;
  file->mapping = mapping.Release();
  file->view = static_cast<char*>(view.Release());
  return true;
}

void UnmapFile(DictFile* file) {
  if (file->view != nullptr) os::UnmapViewOfFile(file->view);
  if (file->mapping != nullptr) os::CloseMapping(file->mapping);
  file->view = nullptr;
  file->mapping = nullptr;
}

// Nothing is written before the new view stands, so a refused mapping leaves the file as
// it was; the old size is mapped again so that the dictionary stays usable.
bool Remap(DictFile* file, uint32_t size) {
  UnmapFile(file);
  if (MapFile(file, size)) return true;
  if (!MapFile(file, file->used + 1)) file->used = 0;
  return false;
}

// ---- the journal. Every change of a file's content is written first, whole, to a
// journal beside it: the offset, the new bytes and a checksum. Only once that journal
// stands on the disk are the bytes copied into the view; then the journal goes. A kill
// during the copy leaves the journal, and the next open writes its bytes again, which
// finishes the change; a kill while the journal is written leaves one that does not
// check, and the file untouched. The file stays mapped and unshared the whole run, so
// nothing else can come between.

constexpr char JOURNAL_MAGIC[8] = {'M', 'i', 'v', 'o', 'J', 'n', 'l', '1'};
constexpr uint32_t JOURNAL_HEADER = 24;  // magic, offset, length, checksum
constexpr size_t PATH_MAX_LENGTH = 259;  // Windows' MAX_PATH less the NUL

// Not for an adversary, for a journal cut short or left with stale or zeroed blocks.
uint64_t JournalChecksum(uint32_t offset, const char* bytes, uint32_t length) {
  constexpr uint64_t PRIME = 0x9E3779B97F4A7C15ull;
  uint64_t lanes[4] = {offset ^ 0x243F6A8885A308D3ull, length ^ 0x13198A2E03707344ull,
                       0xA4093822299F31D0ull, 0x082EFA98EC4E6C89ull};
  const auto Mix = [](uint64_t h, uint64_t word) {
    h = (h ^ word) * PRIME;
    return h ^ (h >> 29);
  };
  uint32_t at = 0;
  for (; length - at >= 32; at += 32) {
    for (int k = 0; k < 4; ++k) {
      uint64_t word;
      memcpy(&word, bytes + at + 8 * k, 8);
      lanes[k] = Mix(lanes[k], word);
    }
  }
  for (int k = 0; at < length; at += 8, ++k) {
    uint64_t word = 0;
    memcpy(&word, bytes + at, length - at < 8 ? length - at : 8);
    lanes[k] = Mix(lanes[k], word);
  }
  uint64_t sum = 0;
  for (uint64_t lane : lanes) sum = Mix(sum, lane);
  return sum;
}

// path + ".jnl", MemAlloc'd; null when the name would pass Windows' path limit.
char* JournalPath(const char* path) {
  static constexpr char SUFFIX[] = ".jnl";
  const size_t length = TextLength(path);
  if (length + sizeof SUFFIX - 1 > PATH_MAX_LENGTH) return nullptr;
  char* name = static_cast<char*>(MemAlloc(length + sizeof SUFFIX));
  if (name == nullptr) return nullptr;
  memcpy(name, path, length);
  memcpy(name + length, SUFFIX, sizeof SUFFIX);
  return name;
}

bool WriteAll(os::FileHandle f, const void* bytes, uint32_t length) {
  os::DWORD written = 0;
  return os::WriteFile(f, bytes, length, &written) && written == length;
}

bool ReadAll(os::FileHandle f, void* bytes, uint32_t length) {
  os::DWORD read = 0;
  return os::ReadFile(f, bytes, length, &read) && read == length;
}

// Puts `length` bytes at view + offset by way of the journal; false, the file untouched,
// when the journal cannot be written.
bool WriteJournaled(DictFile* file, uint32_t offset, const char* bytes, uint32_t length) {
  if (length == 0) return true;
  OwnedText journal(JournalPath(file->path));
  if (!journal) return false;
  char header[JOURNAL_HEADER];
  const uint64_t sum = JournalChecksum(offset, bytes, length);
  memcpy(header, JOURNAL_MAGIC, 8);
  memcpy(header + 8, &offset, 4);
  memcpy(header + 12, &length, 4);
  memcpy(header + 16, &sum, 8);
  bool stands = false;
  {
    ScopedFile f(os::CreateFile(journal.Get(), os::GENERIC_WRITE, 0, os::CREATE_ALWAYS,
                                os::FILE_ATTRIBUTE_NORMAL));
    stands = f && WriteAll(f.Get(), header, JOURNAL_HEADER) && WriteAll(f.Get(), bytes, length) &&
             os::FlushFileBuffers(f.Get());
  }
  if (!stands) {
    os::DeleteFile(journal.Get());
    return false;
  }
  os::MoveMemory(file->view + offset, bytes, length);
  os::FlushViewOfFile(file->view + offset, length);
  os::FlushFileBuffers(file->file);
  // Should the journal stay, replaying it writes these same bytes again; the next change
  // replaces it before it touches the file.
  os::DeleteFile(journal.Get());
  return true;
}

// A journal left by a kill: when whole and checked, its bytes are written into the file
// (still unmapped); anything else is thrown away. False when a checked journal could not
// be written: the file then stays closed, so that no later change can overwrite the
// journal before a start that can replay it.
bool ReplayJournal(os::FileHandle dict, const char* path) {
  OwnedText journal(JournalPath(path));
  if (!journal) return false;
  if (os::GetFileAttributes(journal.Get()) == os::INVALID_FILE_ATTRIBUTES) return true;
  bool checked = false, replayed = false;
  {
    ScopedFile f(os::CreateFile(journal.Get(), os::GENERIC_READ, 0, os::OPEN_EXISTING,
                                os::FILE_ATTRIBUTE_NORMAL));
    if (!f) return false;
    const os::DWORD size = os::GetFileSize(f.Get());
    char header[JOURNAL_HEADER];
    uint32_t offset = 0, length = 0;
    uint64_t sum = 0;
    if (size != os::INVALID_FILE_SIZE && size >= JOURNAL_HEADER &&
        ReadAll(f.Get(), header, JOURNAL_HEADER) && memcmp(header, JOURNAL_MAGIC, 8) == 0) {
      memcpy(&offset, header + 8, 4);
      memcpy(&length, header + 12, 4);
      memcpy(&sum, header + 16, 8);
    }
    if (length > 0 && length == size - JOURNAL_HEADER && offset < DICT_FILE_SIZE_LIMIT &&
        length < DICT_FILE_SIZE_LIMIT - offset) {
      OwnedText bytes(static_cast<char*>(MemAlloc(length)));
      checked = bytes && ReadAll(f.Get(), bytes.Get(), length) &&
                JournalChecksum(offset, bytes.Get(), length) == sum;
      replayed =
          checked &&
          os::SetFilePointer(dict, static_cast<os::LONG>(offset), os::FILE_BEGIN) == offset &&
          WriteAll(dict, bytes.Get(), length) && os::FlushFileBuffers(dict);
    }
  }
  if (checked && !replayed) return false;
  WriteLog(checked ? "Journal Replayed" : "Journal Discarded", path);
  os::DeleteFile(journal.Get());
  return true;
}

// The older lines a merge keeps, as the file will hold them: the content less every line
// that begins with a pending line, then less the copies of the record, rewritten with
// CR LF ends. Made in a copy: the file changes only through the journal. MemAlloc'd, its
// length in *length; null when memory is short.
char* KeptLines(const DictFile* file, const char* pending, uint32_t pendingLength,
                const char* record, uint32_t* length) {
  // The room holds the content even when the rewrite to CR LF line ends lengthens it.
  const uint64_t rewritten = RewriteLines(nullptr, 0, file->view, file->used, nullptr);
  const uint64_t room = (rewritten > file->used ? rewritten : file->used) + 1;
  if (room >= DICT_FILE_SIZE_LIMIT) return nullptr;
  const uint32_t roomBytes = static_cast<uint32_t>(room);
  OwnedText kept(static_cast<char*>(MemAlloc(roomBytes)));
  struct Key {
    const char* at;
    size_t length;
  };
  MemBlock<Key> keys(static_cast<Key*>(MemAlloc(sizeof(Key) * (pendingLength / 2 + 1))));
  if (!kept || !keys) return nullptr;
  // A pending line holds no separator, so whether it begins a line of the file depends on
  // that line's text alone, and the rewrite to CR LF ends gives the same text when done
  // again: one pass that drops the lines any pending line begins leaves what the removals
  // one after another would, at the cost of one.
  size_t count = 0;
  bool firstBytes[256] = {};
  const char* const pendingEnd = pending + pendingLength;
  for (const char* pos = ScanToText(pending, pendingEnd); pos < pendingEnd;) {
    const char* lineEnd = ScanOverText(pos, pendingEnd);
    keys.Get()[count++] = Key{pos, static_cast<size_t>(lineEnd - pos)};
    firstBytes[static_cast<unsigned char>(*pos)] = true;
    pos = ScanToText(lineEnd, pendingEnd);
  }
  uint32_t keptLength = file->used;
  if (count == 0) {
    memcpy(kept.Get(), file->view, file->used);
  } else {
    keptLength = static_cast<uint32_t>(
        RewriteLinesIf(file->view, file->used, kept.Get(),
                       [&](const char* line, const char* lineEnd, const char*) {
                         if (line == lineEnd || !firstBytes[static_cast<unsigned char>(*line)])
                           return false;
                         const auto n = static_cast<size_t>(lineEnd - line);
                         for (size_t k = 0; k < count; ++k) {
                           const Key& key = keys.Get()[k];
                           if (key.length <= n && memcmp(line, key.at, key.length) == 0)
                             return true;
                         }
                         return false;
                       }));
  }
  *length = DictRemoveLines(record, kept.Get(), keptLength, roomBytes);
  return kept.Release();
}

// Where the last line of text[0, length) starts; length when it holds no line.
uint32_t LastLineStart(const char* text, uint32_t length) {
  if (length == 0) return 0;
  const char* last = ScanBackToText(text + length - 1, text);
  if (last < text) return length;  // separators only: no line
  return static_cast<uint32_t>(ScanBackToLineStart(last, text) - text);
}

// The first index at which a and b differ, or n; a page at a time while they agree.
uint32_t FirstDifference(const char* a, const char* b, uint32_t n) {
  uint32_t at = 0;
  while (n - at >= 4096 && memcmp(a + at, b + at, 4096) == 0) at += 4096;
  while (at < n && a[at] == b[at]) ++at;
  return at;
}

void LogMerge(const char* event, const DictFile* file) {
  char text[32];
  snprintf(text, sizeof text, "%d bytes", static_cast<int>(file->used));
  WriteLog(event, text);
}

// Merges the record of `parts` (joined by TAB, ended by CR LF) into the file, or flushes it.
void MergeStudy(DictFile* file, const char* event, const char* const* parts, const size_t* lengths,
                int count, int flushFlag) {
  int rewritten = 0;
  if (flushFlag != 0) {
    rewritten = DictFileMerge(file, "", 1);
  } else {
    size_t size = 2;
    for (int i = 0; i < count; ++i) size += lengths[i] + (i > 0 ? 1 : 0);
    if (size >= DICT_FILE_SIZE_LIMIT) return;
    OwnedText record(static_cast<char*>(MemAlloc(size + 1)));
    if (!record) return;
    char* at = record.Get();
    for (int i = 0; i < count; ++i) {
      if (i > 0) *at++ = TAB;
      if (lengths[i] > 0) memcpy(at, parts[i], lengths[i]);
      at += lengths[i];
    }
    *at++ = CR;
    *at = LF;
    rewritten = DictFileMerge(file, record.Get(), 0);
  }
  if (rewritten != 0) LogMerge(event, file);
}

// Lines of a NUL-terminated text, oldest first: runs of text bytes, each with its first
// TAB (null when none) and whether a CR ends it.
struct TextLine {
  const char* begin;
  const char* end;
  const char* tab;
  bool endsInCr;
};

template <typename Visit>
char* FindLine(const char* text, Visit visit) {
  if (text == nullptr) return nullptr;
  const char* pos = text;
  while (*pos != 0) {
    if (!IsTextByte(static_cast<unsigned char>(*pos))) {
      ++pos;
      continue;
    }
    const char* end = pos;
    while (IsTextByte(static_cast<unsigned char>(*end))) ++end;  // NUL is a separator
    const TextLine line{pos, end, static_cast<const char*>(memchr(pos, TAB, end - pos)),
                        *end == CR};
    bool stop = false;
    char* found = visit(line, &stop);
    if (found != nullptr || stop) return found;
    pos = end;
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- scanners

const char* ScanBackToChar(const char* pos, const char* start, char ch) {
  for (; pos >= start; --pos) {
    if (*pos == ch) return pos + 1;
    if (pos == start) break;
  }
  return start;
}

const char* ScanBackToLineStart(const char* pos, const char* start) {
  for (; pos >= start; --pos) {
    if (!IsTextByte(static_cast<unsigned char>(*pos))) return pos + 1;
    if (pos == start) break;
  }
  return start;
}

const char* ScanBackToText(const char* pos, const char* start) {
  for (; pos >= start; --pos) {
    if (IsTextByte(static_cast<unsigned char>(*pos))) return pos;
    if (pos == start) break;
  }
  return start - 1;
}

bool RecordFilterTakes(const RecordFilter& filter, const char* tab, const char* end) {
  const char* field = tab + 1;
  const auto length = static_cast<size_t>(end - field);
  if (memchr(field, TAB, length) != nullptr) return false;
  for (int k = 0; k < 2; ++k) {
    const uint32_t n = filter.prefix[k] == nullptr ? 0 : filter.prefixLength[k];
    if (n > 0 && n <= length && memcmp(field, filter.prefix[k], n) == 0) return true;
  }
  return false;
}

const char* ScanToChar(const char* pos, const char* end, char ch) {
  while (pos < end && *pos != ch) ++pos;
  return pos;
}

const char* ScanOverText(const char* pos, const char* end) {
  while (pos < end && IsTextByte(static_cast<unsigned char>(*pos))) ++pos;
  return pos;
}

const char* ScanToText(const char* pos, const char* end) {
  while (pos < end && !IsTextByte(static_cast<unsigned char>(*pos))) ++pos;
  return pos;
}

// ---------------------------------------------------------------- lines

// The rewrite goes through a scratch block, since a line that gains its CR LF would
// otherwise overwrite the start of the next line before it is read.
uint32_t DictRemoveLines(const char* key, char* buffer, uint32_t length, uint32_t room) {
  if (key == nullptr || *key == 0 || buffer == nullptr) return length;
  const size_t keyLength = TextLength(key);
  const uint64_t out = RewriteLines(key, keyLength, buffer, length, nullptr);
  if (out > length && out + 1 > room) return length;
  OwnedText scratch(static_cast<char*>(MemAlloc(out + 1)));
  if (!scratch) return length;
  RewriteLines(key, keyLength, buffer, length, scratch.Get());
  if (out > 0) memcpy(buffer, scratch.Get(), out);
  if (out < length) {
    memset(buffer + out, 0, length - out);
  } else if (out < room) {
    buffer[out] = 0;
  }
  return static_cast<uint32_t>(out);
}

uint32_t DictDropLastLine(char* buffer) {
  if (buffer == nullptr) return 0;
  const auto length = static_cast<uint32_t>(TextLength(buffer));
  const uint32_t lineStart = LastLineStart(buffer, length);
  memset(buffer + lineStart, 0, length - lineStart);
  return lineStart;
}

// ---------------------------------------------------------------- files

int DictFileRecover(const char* path) {
  if (path == nullptr) return 0;
  OwnedText journal(JournalPath(path));
  if (!journal) return 0;
  if (os::GetFileAttributes(journal.Get()) == os::INVALID_FILE_ATTRIBUTES) return 1;
  ScopedFile handle(os::CreateFile(path, os::GENERIC_READ | os::GENERIC_WRITE, 0, os::OPEN_ALWAYS,
                                   os::FILE_ATTRIBUTE_NORMAL));
  return handle && ReplayJournal(handle.Get(), path) ? 1 : 0;
}

int DictFileOpen(DictFile* file, const char* path) {
  if (file == nullptr) return 0;
  *file = DictFile{};
  file->pendingCapacity = DICT_PENDING_SIZE;
  OwnedText pending(static_cast<char*>(MemAlloc(DICT_PENDING_SIZE)));
  if (!pending || path == nullptr) return 0;
  ScopedFile handle(os::CreateFile(path, os::GENERIC_READ | os::GENERIC_WRITE, 0, os::OPEN_ALWAYS,
                                   os::FILE_ATTRIBUTE_NORMAL | os::FILE_FLAG_RANDOM_ACCESS));
  if (!handle || !ReplayJournal(handle.Get(), path)) return 0;
  const os::DWORD size = os::GetFileSize(handle.Get());
  if (size == os::INVALID_FILE_SIZE || size >= DICT_FILE_SIZE_LIMIT) return 0;
  file->used = size;
  ScopedMapping mapping(os::CreateFileMapping(handle.Get(), os::PAGE_READWRITE, size + 1));
  if (!mapping) return 0;
  ScopedView view(os::MapViewOfFile(mapping.Get(), os::FILE_MAP_WRITE, size + 1));
  OwnedText pathCopy(TextDuplicate(path));
  if (!view || !pathCopy) return 0;
  file->file = handle.Release();
  file->mapping = mapping.Release();
  file->view = static_cast<char*>(view.Release());
  file->view[size] = 0;
  file->path = pathCopy.Release();
  file->pending = pending.Release();
  return 1;
}

void DictFileClose(DictFile* file) {
  if (file == nullptr || file->file == nullptr) return;
  // Without a view (a refused remap) the content is unknown, so the file keeps its length.
  const bool known = file->view != nullptr && file->path != nullptr;
  uint32_t last = 0;
  if (known) {
    for (uint32_t i = file->used; i > 0; --i) {
      if (file->view[i - 1] != 0) {
        last = i - 1;
        break;
      }
    }
  }
  UnmapFile(file);
  os::CloseHandle(file->file);
  if (known) {
    ScopedFile again(os::CreateFile(file->path, os::GENERIC_READ | os::GENERIC_WRITE, 0,
                                    os::OPEN_ALWAYS, os::FILE_ATTRIBUTE_NORMAL));
    if (again) {
      os::SetFilePointer(again.Get(), static_cast<os::LONG>(last + 1), os::FILE_BEGIN);
      os::SetEndOfFile(again.Get());
    }
  }
  MemFree(file->pending);
  MemFree(file->path);
  *file = DictFile{};
}

// Writes the pending records and then the record behind the lines of the file that
// neither replaces; false (the file as it was) when the file cannot grow.
bool WriteRecords(DictFile* file, char* pending, uint32_t pendingLength, const char* record,
                  size_t recordLength, bool recordIsNew) {
  uint32_t keptLength = 0;
  OwnedText kept(KeptLines(file, pending, pendingLength, record, &keptLength));
  // The file is mapped as large as if the new lines stood after the content (and after
  // one separator, so that they cannot join an unended last line), or after where the
  // kept lines end when those are longer.
  const bool unended =
      file->used > 0 && IsTextByte(static_cast<unsigned char>(file->view[file->used - 1]));
  const uint32_t contentEnd = file->used + (unended ? 1 : 0);
  const uint32_t tailAt = keptLength > contentEnd ? keptLength : contentEnd;
  const uint64_t tailLength = uint64_t{pendingLength} + recordLength;
  const uint64_t room = tailAt + tailLength + 1;
  bool written = kept && room < DICT_FILE_SIZE_LIMIT && Remap(file, static_cast<uint32_t>(room));
  const uint32_t used = keptLength + static_cast<uint32_t>(written ? tailLength : 0);
  if (written) {
    // The file as the merge leaves it: the kept lines, the pending records, the new
    // record, NULs up to where the old content ended. Only what differs is rewritten,
    // usually the newest lines alone.
    const uint32_t end = used > file->used ? used : file->used;
    const uint32_t from =
        FirstDifference(kept.Get(), file->view, keptLength < file->used ? keptLength : file->used);
    OwnedText change(static_cast<char*>(MemAlloc(end - from + 1)));
    if (change) {
      memcpy(change.Get(), kept.Get() + from, keptLength - from);
      memcpy(change.Get() + keptLength - from, pending, pendingLength);
      memcpy(change.Get() + keptLength - from + pendingLength, record, recordLength);
    }
    written = change && WriteJournaled(file, from, change.Get(), end - from);
  }
  if (!written) {
    // The file stays as it was and the pending records wait for the next merge; a record
    // that did not fit beside them is lost, and the log says so.
    WriteLog("Merge Failed", file->path);
    if (recordIsNew) WriteLog("Record Dropped", file->path);
    return false;
  }
  file->used = used;
  return true;
}

int DictFileMerge(DictFile* file, const char* record, int flushFlag) {
  if (file == nullptr || file->view == nullptr || file->pending == nullptr || record == nullptr ||
      file->pendingCapacity < 2) {
    return 0;
  }
  char* pending = file->pending;
  const uint32_t capacity = file->pendingCapacity;
  const size_t recordLength = TextLength(record);
  uint32_t pendingLength = PendingLength(file);
  if (flushFlag == 0) {
    pendingLength = DictRemoveLines(record, pending, pendingLength, capacity);
    if (pendingLength + recordLength < capacity) {
      memcpy(pending + pendingLength, record, recordLength + 1);
      return 0;
    }
  }
  if (!WriteRecords(file, pending, pendingLength, record, recordLength, flushFlag == 0)) return 0;
  memset(pending, 0, capacity);
  return 1;
}

int DictFileAppendNow(DictFile* file, const char* record) {
  if (file == nullptr || file->view == nullptr || record == nullptr) return 0;
  char noPending[1] = {};
  return WriteRecords(file, noPending, 0, record, TextLength(record), true) ? 1 : 0;
}

uint32_t DictFileTrim(DictFile* file, uint32_t maxLines) {
  if (file == nullptr || file->view == nullptr) return 0;
  const char* view = file->view;
  const uint32_t used = file->used;
  uint64_t lines = 0;
  for (uint32_t i = 0; i < used; ++i) lines += view[i] == LF ? 1 : 0;
  if (lines < maxLines) return used;
  uint32_t skip = 0;
  while (lines > maxLines) {
    if (view[skip] == LF) --lines;
    ++skip;
  }
  if (skip == 0) return used;
  // The newest lines move to the start and NULs fill the freed tail.
  OwnedText trimmed(static_cast<char*>(MemAlloc(used)));
  if (!trimmed) return used;
  memcpy(trimmed.Get(), view + skip, used - skip);
  if (!WriteJournaled(file, 0, trimmed.Get(), used)) return used;
  file->used = used - skip;
  return file->used;
}

uint32_t DictFileDropLastLine(DictFile* file) {
  if (file == nullptr || file->view == nullptr) return 0;
  const uint32_t length = static_cast<uint32_t>(strnlen(file->view, file->used));
  const uint32_t lineStart = LastLineStart(file->view, length);
  OwnedText zeros(static_cast<char*>(MemAlloc(length - lineStart + 1)));
  if (!zeros || !WriteJournaled(file, lineStart, zeros.Get(), length - lineStart))
    return file->used;
  file->used = lineStart;
  return lineStart;
}

void DictFileDropNewest(DictFile* file) {
  if (file == nullptr || file->pending == nullptr) return;
  if (file->pending[0] != '\0') {
    DictDropLastLine(file->pending);
  } else if (file->view != nullptr) {
    DictFileDropLastLine(file);
  }
}

// ---------------------------------------------------------------- learning writes

void MergeHistoryStudy(DictSet* set, const char* key, const char* text, int flushFlag,
                       char /*separator: always TAB*/) {
  if (set == nullptr || set->history == nullptr) return;
  if (flushFlag == 0 && (key == nullptr || text == nullptr)) return;
  const char* recent = set->recent != nullptr ? set->recent : "";
  const size_t recentLength = strnlen(recent, DICT_RECENT_SIZE - 1);
  size_t from = 0;
  if (recentLength >= set->contextLength) {
    // The context starts on a character, never on the second byte of one.
    const size_t cut = recentLength - set->contextLength;
    while (from < cut) from += IsLeadByte(static_cast<unsigned char>(recent[from])) ? 2 : 1;
    if (from > recentLength) from = recentLength;
  }
  const char* parts[] = {recent + from, key, text};
  const size_t lengths[] = {recentLength - from, key ? TextLength(key) : 0,
                            text ? TextLength(text) : 0};
  MergeStudy(set->history, "Merge History Study", parts, lengths, 3, flushFlag);
}

void MergeStringStudy(DictSet* set, const char* key, const char* text, int flushFlag,
                      char /*separator: always TAB*/) {
  if (set == nullptr || set->name == nullptr) return;
  if (flushFlag == 0 && (key == nullptr || text == nullptr)) return;
  const char* parts[] = {key, text};
  const size_t lengths[] = {key ? TextLength(key) : 0, text ? TextLength(text) : 0};
  MergeStudy(set->name, "Merge String Study", parts, lengths, 2, flushFlag);
}

// ---------------------------------------------------------------- sets

DictSet* DictSetCreate() {
  MemBlock<DictSet> set(static_cast<DictSet*>(MemAlloc(sizeof(DictSet))));
  MemBlock<DictFile> history(static_cast<DictFile*>(MemAlloc(sizeof(DictFile))));
  MemBlock<DictFile> name(static_cast<DictFile*>(MemAlloc(sizeof(DictFile))));
  MemBlock<DictFile> macro(static_cast<DictFile*>(MemAlloc(sizeof(DictFile))));
  OwnedText recent(static_cast<char*>(MemAlloc(DICT_RECENT_SIZE)));
  if (!set || !history || !name || !macro || !recent) return nullptr;
  DictSet* made = set.Get();
  made->history = history.Release();
  made->name = name.Release();
  made->macro = macro.Release();
  made->recent = recent.Release();
  made->directory = nullptr;
  made->contextLength = DICT_CONTEXT_LENGTH;
  return set.Release();
}

void DictSetFree(DictSet* set) {
  if (set == nullptr) return;
  MemFree(set->directory);
  MemFree(set->history);
  MemFree(set->name);
  MemFree(set->macro);
  MemFree(set->recent);
  MemFree(set);
}

// ---------------------------------------------------------------- lookups

// A line without TAB is no record and never matches; the search goes on past it.
char* LookupTextByKey(const char* key, const char* text) {
  if (key == nullptr) return nullptr;
  const size_t keyLength = TextLength(key);
  return FindLine(text, [&](const TextLine& line, bool*) -> char* {
    if (line.tab == nullptr || !line.endsInCr) return nullptr;
    if (static_cast<size_t>(line.end - line.begin) < keyLength) return nullptr;
    if (!SameBytes(line.begin, key, keyLength)) return nullptr;
    return CopyBytes(line.tab + 1, static_cast<size_t>(line.end - line.tab - 1));
  });
}

// A line without TAB has no second field and never matches; the search goes on past it.
char* LookupKeyByText(const char* value, const char* text) {
  if (value == nullptr) return nullptr;
  const size_t valueLength = TextLength(value);
  return FindLine(text, [&](const TextLine& line, bool*) -> char* {
    if (line.tab == nullptr || !line.endsInCr) return nullptr;
    if (static_cast<size_t>(line.end - line.tab - 1) < valueLength) return nullptr;
    if (!SameBytes(line.tab + 1, value, valueLength)) return nullptr;
    return CopyBytes(line.begin, static_cast<size_t>(line.tab - line.begin));
  });
}

// A key of four bytes or more compares its first four with the line's first four; a
// shorter key matches a line whose first field is exactly that key. A line without TAB
// never matches and the search goes on past it.
char* LookupMacroByKey(const char* key, const char* text) {
  if (key == nullptr) return nullptr;
  const size_t keyLength = TextLength(key);
  return FindLine(text, [&](const TextLine& line, bool* stop) -> char* {
    if (line.tab == nullptr) return nullptr;
    if (keyLength >= 4) {
      // Byte by byte: the text's NUL differs from every key byte, so this never
      // reads past the text.
      for (size_t i = 0; i < 4; ++i) {
        if (line.begin[i] != key[i]) return nullptr;
      }
    } else if (static_cast<size_t>(line.tab - line.begin) != keyLength ||
               !SameBytes(line.begin, key, keyLength)) {
      return nullptr;
    }
    *stop = true;
    if (!line.endsInCr) return nullptr;
    return CopyBytes(line.tab + 1, static_cast<size_t>(line.end - line.tab - 1));
  });
}

}  // namespace mivo
