// Text and memory helpers shared by every subsystem.
//
// All text is NUL-terminated Shift-JIS; all variable-size data comes from MemAlloc,
// whose live-block count is the leak check at shutdown.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mivo {

// ---- counting allocator
void* MemAlloc(size_t size);  // zero-filled; null for size 0 or on failure
void MemFree(void* block);    // null ignored; a surplus free shows the mismatch box
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
bool IsNumberText(const char* s);
int32_t NumberValue(const char* s);
int32_t FirstNumberIn(const char* s);
bool IsBooleanText(const char* s);
int BooleanValue(const char* s);
void RemoveLastCharacter(char* s);

}  // namespace mivo
