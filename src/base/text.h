// Text and memory helpers shared by every subsystem.
//
// All text is NUL-terminated Shift-JIS; all variable-size data comes from MemAlloc,
// whose live-block count is the leak check at shutdown.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mivo {

// ---- counting allocator
void* MemAlloc(size_t size);          // zero-filled; null for size 0 or on failure
void* MemAllocUnfilled(size_t size);  // the same, not filled: for a block its caller fills whole
void MemFree(void* block);            // null ignored; a surplus free shows the mismatch box
int32_t MemLiveCount();
char* TextDuplicate(const char* s);  // MemAlloc'd copy; null for null

// ---- text
size_t TextLength(const char* s);
char* TextCopy(char* destination, const char* source);
char* TextCopyN(char* destination, const char* source, size_t n);
bool TextEqual(const char* a, const char* b);
bool TextStartsWith(const char* s, const char* prefix, size_t n);
bool TextEqualNoCase(const char* a, const char* b, size_t na, size_t nb);
bool IsLeadByte(unsigned char b);
bool IsTrailByte(unsigned char b);  // a byte that can follow a lead byte in CP932
bool IsHalfWidthKana(unsigned char b);
bool IsDigit(unsigned char b);
bool IsLetter(unsigned char b);
int HexValue(unsigned char b);
// The value of the decimal digits from p on, up to `end` (null: up to the NUL), wrapped to
// 32 bits; *fits, when asked, says whether the value stays within INT32_MAX.
uint32_t LeadingDigits(const char* p, const char* end = nullptr, bool* fits = nullptr);
bool IsNumberText(const char* s);
int32_t NumberValue(const char* s);
int32_t FirstNumberIn(const char* s);
bool IsBooleanText(const char* s);
int BooleanValue(const char* s);
void RemoveLastCharacter(char* s);
// How many of the first `length` bytes hold whole characters: a text cut at `length`
// must not end in half a double-byte character.
size_t WholeCharacters(const char* text, size_t length);

}  // namespace mivo
