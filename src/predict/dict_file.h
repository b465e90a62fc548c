// Dictionary files: TAB-separated records in Shift-JIS, one per line, edited in place
// through a writable view of the whole file. New records wait in a small pending buffer
// and are merged into the file when it fills or when the dictionary is flushed; a record
// learned again moves to the end, so every file runs from oldest to newest. Each write
// through the view ends in a flush, and a merge writes the new records before it removes
// the lines they replace, so a process killed between two writes loses no record.
//
// Owns: the open files (handles, view, pending buffer, path copy) and the dictionary
// sets. Offers: open, close, merge, trim, the learning writes, the record scanners and
// the field lookups used by prediction and conversion.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

constexpr uint32_t DICT_PENDING_SIZE = 1024;
constexpr uint32_t DICT_RECENT_SIZE = 257;  // 256 bytes of text and the NUL
constexpr uint32_t DICT_CONTEXT_LENGTH = 8;
// Larger files are refused: every size the merge maps must stay far within 32 bits.
constexpr uint32_t DICT_FILE_SIZE_LIMIT = 1u << 30;

struct DictFile {
  os::FileHandle file;  // read/write, no sharing
  os::Mapping mapping;
  char* path;  // owned copy, used again when closing
  char* view;  // view[used] is always NUL, and so is every mapped byte after it
  uint32_t used;
  char* pending;  // owned, pendingCapacity bytes, NUL-terminated records each ending CR LF
  uint32_t pendingCapacity;
};

struct DictSet {
  DictFile* history;  // history records: context, key, text
  DictFile* name;     // string records: key, text
  DictFile* macro;    // macro records: key, macro text (never written)
  char* recent;       // DICT_RECENT_SIZE bytes: the last keys entered, NUL-terminated
  char* reading;      // DICT_RECENT_SIZE bytes, kept for the conversion side
  char* directory;    // owned; null but for application dictionaries
  uint32_t contextLength;
};

// ---- files (1 success, 0 failure unless said otherwise)
int DictFileOpen(DictFile* file, const char* path);
void DictFileClose(DictFile* file);  // does not merge the pending records: flush first
// record: a whole line with its CR LF, or "" to flush. 1 when the file was rewritten,
// 0 when the record only joined the pending buffer, or when the file could not grow: then
// the file stays as it was, the pending records wait, a record that did not fit beside
// them is dropped, and the log says so.
int DictFileMerge(DictFile* file, const char* record, int flushFlag);
// Writes one record as the newest line of the file at once, past the pending buffer,
// removing its older copies; 1 when written.
int DictFileAppendNow(DictFile* file, const char* record);
uint32_t DictFileTrim(DictFile* file, uint32_t maxLines);  // keeps the newest maxLines lines
// Removes every line of buffer[0, length) that begins with key and rewrites the rest with
// CR LF line ends; returns the new length. The rewrite can be longer than the input: room
// is the size of the buffer, and a rewrite that would not fit with its NUL changes nothing
// and returns length.
uint32_t DictRemoveLines(const char* key, char* buffer, uint32_t length, uint32_t room);
uint32_t DictDropLastLine(char* buffer);  // zero-fills the last line; returns its offset

// ---- learning writes (the separator is always TAB, whatever is passed)
void MergeHistoryStudy(DictSet* set, const char* key, const char* text, int flushFlag,
                       char separator);
void MergeStringStudy(DictSet* set, const char* key, const char* text, int flushFlag,
                      char separator);

// ---- dictionary sets
DictSet* DictSetCreate();
void DictSetFree(DictSet* set);  // does not close its files: close them first

// ---- record scanners. A text byte is TAB or any byte from 0x20 up; every other byte
// separates lines. Backward scans examine pos down to start and answer one after where
// they stop; forward scans examine pos up to end (exclusive).
bool IsTextByte(unsigned char b);
const char* ScanBackToChar(const char* pos, const char* start, char ch);
const char* ScanBackToLineStart(const char* pos, const char* start);
const char* ScanBackToText(const char* pos, const char* start);  // start - 1 when none
const char* ScanToChar(const char* pos, const char* end, char ch);
const char* ScanOverText(const char* pos, const char* end);
const char* ScanToText(const char* pos, const char* end);

// Offers every record of text[0, length), newest first, to `offer`, which answers false
// to stop the search.
template <typename Offer>
bool EachRecordBackwards(const char* text, uint32_t length, Offer offer) {
  if (text == nullptr || length == 0) return true;
  const char* start = text;
  const char* pos = text + length - 1;
  while (true) {
    const char* last = ScanBackToText(pos, start);
    if (last < start) return true;
    const char* lineStart = ScanBackToLineStart(last, start);
    if (!offer(lineStart, last + 1)) return false;
    if (lineStart == start) return true;
    pos = lineStart - 1;
  }
}

// ---- field lookups in a NUL-terminated text, oldest line first; a MemAlloc'd copy or null
char* LookupTextByKey(const char* key, const char* text);
char* LookupKeyByText(const char* value, const char* text);
char* LookupMacroByKey(const char* key, const char* text);

}  // namespace mivo
