#include "base/text.h"

#include <cstring>

#include "platform/os.h"

namespace mivo {

namespace {

// Blocks handed out and not yet returned; shutdown reports a leak when it is not 0.
int32_t liveBlocks = 0;

unsigned char LowerAscii(unsigned char b) {
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

// Bytes of `s` that a copy of at most `n` bytes takes (the copy stops at the NUL).
size_t BoundedLength(const char* s, size_t n) {
  if (s == nullptr) return 0;
  size_t length = 0;
  while (length < n && s[length] != '\0') ++length;
  return length;
}

}  // namespace

// ---------------------------------------------------------------- allocator

void* MemAlloc(size_t size) {
  if (size == 0) return nullptr;
  void* block = os::GlobalAllocZero(size);
  if (block != nullptr) ++liveBlocks;
  return block;
}

void* MemAllocUnfilled(size_t size) {
  if (size == 0) return nullptr;
  void* block = os::GlobalAllocUnfilled(size);
  if (block != nullptr) ++liveBlocks;
  return block;
}

void MemFree(void* block) {
  if (block == nullptr) return;
  --liveBlocks;
  if (liveBlocks < 0) {
    os::MessageBox(nullptr, "Error: mismatched memory allocation and freeing", "MIVO", os::MB_OK);
  }
  os::GlobalFree(block);
}

int32_t MemLiveCount() { return liveBlocks; }

char* TextDuplicate(const char* s) {
  if (s == nullptr) return nullptr;
  size_t length = std::strlen(s);
  char* copy = static_cast<char*>(MemAlloc(length + 1));
  if (copy != nullptr) std::memcpy(copy, s, length);
  return copy;
}

// ---------------------------------------------------------------- comparison and copying

size_t TextLength(const char* s) { return s == nullptr ? 0 : std::strlen(s); }

char* TextCopy(char* destination, const char* source) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return std::strcpy(destination, source);
}

char* TextCopyN(char* destination, const char* source, size_t n) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return std::strncpy(destination, source, n);
}

// Byte equality: every keyword table of the program is matched exactly; a null text
// equals only another null text.
bool TextEqual(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::strcmp(a, b) == 0;
}

bool TextStartsWith(const char* s, const char* prefix, size_t n) {
  if (n == 0 || s == nullptr || prefix == nullptr) return false;
  return std::strncmp(s, prefix, n) == 0;
}

bool TextEqualNoCase(const char* a, const char* b, size_t na, size_t nb) {
  size_t lengthA = BoundedLength(a, na);
  size_t lengthB = BoundedLength(b, nb);
  if (lengthA != lengthB) return false;
  for (size_t i = 0; i < lengthA; ++i) {
    if (LowerAscii(static_cast<unsigned char>(a[i])) !=
        LowerAscii(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// ---------------------------------------------------------------- character classes

bool IsLeadByte(unsigned char b) { return (b >= 0x80 && b <= 0x9F) || b >= 0xE0; }

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

bool IsHalfWidthKana(unsigned char b) { return b >= 0xA0 && b <= 0xDF; }

bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }

bool IsLetter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

int HexValue(unsigned char b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return 0;
}

// ---------------------------------------------------------------- numbers and booleans

bool IsNumberText(const char* s) {
  if (s == nullptr) return false;
  int dots = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != '\0'; ++p) {
    if (*p == '.') {
      if (++dots > 1) return false;
    } else if (!IsDigit(*p)) {
      return false;
    }
  }
  return true;
}

uint32_t LeadingDigits(const char* p, const char* end, bool* fits) {
  // Unsigned arithmetic: a value too long for 32 bits wraps instead of overflowing.
  uint32_t value = 0;
  uint64_t exact = 0;
  for (; (end == nullptr || p < end) && IsDigit(static_cast<unsigned char>(*p)); ++p) {
    value = value * 10u + static_cast<uint32_t>(*p - '0');
    if (exact <= INT32_MAX) exact = exact * 10u + static_cast<uint64_t>(*p - '0');
  }
  if (fits != nullptr) *fits = exact <= INT32_MAX;
  return value;
}

int32_t NumberValue(const char* s) {
  // The fraction of "12.7" is dropped; the digits stop at the point.
  return IsNumberText(s) ? static_cast<int32_t>(LeadingDigits(s)) : 0;
}

int32_t FirstNumberIn(const char* s) {
  if (s == nullptr) return 0;
  while (*s != '\0' && !IsDigit(static_cast<unsigned char>(*s))) ++s;
  return static_cast<int32_t>(LeadingDigits(s));
}

bool IsBooleanText(const char* s) {
  if (s == nullptr) return false;
  return TextEqual(s, "1") || TextEqual(s, "0") || TextEqualNoCase(s, "true", 5, 5) ||
         TextEqualNoCase(s, "false", 6, 6);
}

int BooleanValue(const char* s) {
  if (s == nullptr) return 0;
  return (TextEqual(s, "1") || TextEqualNoCase(s, "true", 5, 5)) ? 1 : 0;
}

// ---------------------------------------------------------------- editing

size_t WholeCharacters(const char* text, size_t length) {
  size_t position = 0;
  while (position < length) {
    const size_t width = IsLeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
    if (position + width > length) break;
    position += width;
  }
  return position;
}

void RemoveLastCharacter(char* s) {
  if (s == nullptr) return;
  const size_t length = std::strlen(s);
  if (length == 0) return;
  size_t position = 0;
  // Walk character by character so that a trail byte is never taken for a lead byte.
  while (position + 2 < length) {
    position += IsLeadByte(static_cast<unsigned char>(s[position])) ? 2 : 1;
  }
  if (!IsLeadByte(static_cast<unsigned char>(s[position])) && position + 1 < length) {
    s[position + 1] = '\0';
  } else {
    s[position] = '\0';
  }
}

}  // namespace mivo
