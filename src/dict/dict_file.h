// Dictionary files: TAB-separated records in Shift-JIS, one per line, edited in place
// through a writable view of the whole file. New records wait in a small pending buffer
// and are merged into the file when it fills or when the dictionary is flushed; a record
// learned again moves to the end, so every file runs from oldest to newest. Every change
// of a file's content (merge, trim, dropping the last line) first stands whole in a journal
// beside it (path + ".jnl"), which the next open replays, so a process killed at any
// moment leaves each file as it was before the change or as it is after.
//
// Owns: the open files (handles, view, pending buffer, path copy) and the dictionary
// sets. Offers: open, close, merge, trim, the learning writes, the record scanners and
// the field lookups used by prediction and conversion.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  char* directory;    // owned; null but for application dictionaries
  uint32_t contextLength;
};

// ---- files (1 success, 0 failure unless said otherwise)
// Replays first the journal a kill left (logged "Journal Replayed"; one that does not
// check is thrown away, logged "Journal Discarded"). Fails when the journal's name would
// pass Windows' path limit, or when a checked journal cannot be written.
int DictFileOpen(DictFile* file, const char* path);
// Replays or throws away the journal a kill left beside a dictionary that is not open, as
// its open would; 1 when no journal is left.
int DictFileRecover(const char* path);
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
// DictDropLastLine on the file's content; answers the new used.
uint32_t DictFileDropLastLine(DictFile* file);
// Takes back the newest record: the last pending line, else the file's last line.
void DictFileDropNewest(DictFile* file);
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
inline bool IsTextByte(unsigned char b) { return b >= 0x20 || b == '\t'; }
const char* ScanBackToChar(const char* pos, const char* start, char ch);
const char* ScanBackToLineStart(const char* pos, const char* start);
const char* ScanBackToText(const char* pos, const char* start);  // start - 1 when none
const char* ScanToChar(const char* pos, const char* end, char ch);
const char* ScanOverText(const char* pos, const char* end);
const char* ScanToText(const char* pos, const char* end);

// Which records a backward walk offers: every one, or only those whose last field (after
// the line's last TAB) begins with one of two byte strings (a null or empty string stands
// for none).
struct RecordFilter {
  bool every = true;
  const char* prefix[2] = {};
  uint32_t prefixLength[2] = {};
};
bool RecordFilterTakes(const RecordFilter& filter, const char* tab, const char* end);

// A walk reads its text in blocks of 64 bytes, each summed up as one bit per byte: the
// bytes that separate lines, the TABs, and the bytes equal to the first and second bytes
// of each filter string. A wanted byte of -1 is never equal; 256 is equal to every byte.
namespace scan {

struct Marks {
  uint64_t separator = 0;
  uint64_t tab = 0;
  uint64_t wanted[4] = {};
};

inline Marks ReadMarksBytewise(const char* block, const int (&wanted)[4]) {
  Marks m;
  for (int i = 0; i < 64; ++i) {
    const auto b = static_cast<unsigned char>(block[i]);
    const uint64_t bit = uint64_t{1} << i;
    if (!IsTextByte(b)) m.separator |= bit;
    if (b == '\t') m.tab |= bit;
    for (int k = 0; k < 4; ++k)
      if (wanted[k] == 256 || wanted[k] == b) m.wanted[k] |= bit;
  }
  return m;
}

#if defined(__SSE2__)
inline Marks ReadMarks(const char* block, const int (&wanted)[4]) {
  const auto Bits = [](__m128i equal, int chunk) {
    return uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(equal))} << (16 * chunk);
  };
  Marks m;
  for (int chunk = 0; chunk < 4; ++chunk) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * chunk));
    const __m128i tab = _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'));
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);
    m.separator |= Bits(_mm_andnot_si128(tab, control), chunk);
    m.tab |= Bits(tab, chunk);
    for (int k = 0; k < 4; ++k)
      if (wanted[k] >= 0 && wanted[k] < 256)
        m.wanted[k] |= Bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(wanted[k]))), chunk);
  }
  for (int k = 0; k < 4; ++k)
    if (wanted[k] == 256) m.wanted[k] = ~uint64_t{0};
  return m;
}
#else
inline Marks ReadMarks(const char* block, const int (&wanted)[4]) {
  return ReadMarksBytewise(block, wanted);
}
#endif

// Without a popcount instruction in the target's baseline std::popcount is a library call.
inline uint32_t Ones(uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555ull;
  x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return static_cast<uint32_t>((x * 0x0101010101010101ull) >> 56);
}

}  // namespace scan

// Offers the records of text[0, length) that `filter` takes, newest first, to `offer` as
// (line start, one past the last text byte, the record's number counting every record
// from 1 at the end); `offer` answers false to stop the search. Blocks without a wanted
// record cost only their bit sums, which is what makes the walk run at memory speed.
template <typename Offer>
bool EachRecordBackwards(const char* text, uint32_t length, const RecordFilter& filter,
                         Offer offer) {
  if (text == nullptr || length == 0) return true;
  int wanted[4];
  for (int k = 0; k < 2; ++k) {
    const uint32_t n = filter.every || filter.prefix[k] == nullptr ? 0 : filter.prefixLength[k];
    wanted[2 * k] = n >= 1 ? static_cast<unsigned char>(filter.prefix[k][0]) : -1;
    wanted[2 * k + 1] = n >= 2   ? static_cast<unsigned char>(filter.prefix[k][1])
                        : n == 1 ? 256
                                 : -1;
  }
  // The marks of the block above the one in hand; past the end, all separators.
  scan::Marks above;
  above.separator = ~uint64_t{0};
  for (int k = 0; k < 4; ++k) above.wanted[k] = wanted[k] == 256 ? ~uint64_t{0} : 0;
  uint32_t counted = 0;     // the records that end above the block in hand
  uint32_t limit = length;  // the bytes from here up are done with
  for (uint32_t block = (length + 63) / 64; block-- > 0;) {
    const uint32_t base = block * 64;
    scan::Marks m;
    if (length - base >= 64) {
      m = scan::ReadMarks(text + base, wanted);
    } else {
      char copy[64];
      std::memset(copy, '\n', sizeof copy);
      std::memcpy(copy, text + base, length - base);
      m = scan::ReadMarks(copy, wanted);
    }
    const uint64_t ends = ~m.separator & (m.separator >> 1 | above.separator << 63);
    uint64_t offered = ends;
    if (!filter.every) {
      offered = 0;
      for (int k = 0; k < 4; k += 2)
        offered |= m.tab & (m.wanted[k] >> 1 | above.wanted[k] << 63) &
                   (m.wanted[k + 1] >> 2 | above.wanted[k + 1] << 62);
    }
    if (limit <= base)
      offered = 0;
    else if (limit - base < 64)
      offered &= (uint64_t{1} << (limit - base)) - 1;
    while (offered != 0) {
      const uint32_t at = base + 63 - static_cast<uint32_t>(std::countl_zero(offered));
      const uint64_t separators = m.separator & ((uint64_t{1} << (at - base)) - 1);
      uint32_t lineStart = 0;
      if (separators != 0)
        lineStart = base + 64 - static_cast<uint32_t>(std::countl_zero(separators));
      else if (base > 0)
        lineStart = static_cast<uint32_t>(ScanBackToLineStart(text + base - 1, text) - text);
      const uint32_t end =
          filter.every ? at + 1
                       : static_cast<uint32_t>(ScanOverText(text + at, text + length) - text);
      if (filter.every || RecordFilterTakes(filter, text + at, text + end)) {
        const uint32_t last = end - 1 - base;
        const uint32_t number = counted + (last < 64 ? scan::Ones(ends >> last) : 0);
        if (!offer(text + lineStart, text + end, number)) return false;
      }
      limit = lineStart;
      offered &= lineStart > base ? (uint64_t{1} << (lineStart - base)) - 1 : 0;
    }
    counted += scan::Ones(ends);
    above = m;
  }
  return true;
}

// Every record of text[0, length), newest first, offered as (line start, one past the last
// text byte); `offer` answers false to stop the search.
template <typename Offer>
bool EachRecordBackwards(const char* text, uint32_t length, Offer offer) {
  return EachRecordBackwards(
      text, length, RecordFilter{},
      [&offer](const char* line, const char* end, uint32_t) { return offer(line, end); });
}

// The texts of an open file newest first: its pending records, then its content. `walk`
// gets (text, length) for each and answers false to stop.
inline uint32_t PendingLength(const DictFile* file) {
  return static_cast<uint32_t>(strnlen(file->pending, file->pendingCapacity - 1));
}

template <typename Walk>
bool EachDictText(const DictFile* file, Walk walk) {
  if (file == nullptr || file->view == nullptr) return true;
  if (file->pending != nullptr && !walk(file->pending, PendingLength(file))) return false;
  return walk(file->view, file->used);
}

// ---- field lookups in a NUL-terminated text, oldest line first; a MemAlloc'd copy or null
char* LookupTextByKey(const char* key, const char* text);
char* LookupKeyByText(const char* value, const char* text);
char* LookupMacroByKey(const char* key, const char* text);

}  // namespace mivo
