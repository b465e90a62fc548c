#include "base/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/headless/desktop.h"
#include "platform/os.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override { desktop::Reset(); }
};

// ---------------------------------------------------------------- RemoveLastCharacter

struct RemoveCase {
  std::string input;  // UTF-8 (converted) unless raw
  std::string expected;
  bool raw;  // bytes given as they are (broken Shift-JIS)
};

TEST_F(TextTest, RemoveLastCharacterTakesWholeCharacters) {
  const RemoveCase cases[] = {
      {"ab", "a", false},
      {"abc", "ab", false},
      {"a", "", false},
      {"", "", false},
      {"aあ", "a", false},
      {"あb", "あ", false},
      {"あ", "", false},
      {"あい", "あ", false},
      {"aaあ", "aa", false},
      // ム is 0x83 0x80: its trail byte is in the lead range, so only a walk from the
      // start finds the character boundaries.
      {"ムa", "ム", false},
      {"ミム", "ミ", false},
      {"aム", "a", false},
      // ソ has the trail byte 0x5C ("\").
      {"ソ\\", "ソ", false},
      // Half-width katakana are single bytes.
      {"ｱｲ", "ｱ", false},
      {"aｱ", "a", false},
      // A lone lead byte at the end goes by itself.
      {"a\x82", "a", true},
      {"\x82", "", true},
  };
  for (const RemoveCase& c : cases) {
    std::string input = c.raw ? c.input : Sjis(c.input);
    std::string expected = c.raw ? c.expected : Sjis(c.expected);
    std::string buffer = input + std::string(4, '\0');
    mivo::RemoveLastCharacter(buffer.data());
    EXPECT_EQ(std::string(buffer.c_str()), expected) << "input " << c.input;
  }
  mivo::RemoveLastCharacter(nullptr);  // must not crash
}

// ---------------------------------------------------------------- numbers

TEST_F(TextTest, NumberValueReadsTheIntegerPartOnly) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"12.5", 12}, {".5", 0},   {"1.2.3", 0}, {"-3", 0}, {"", 0},  {"007", 7},
      {"12.", 12},  {"1a", 0},   {"12.x", 0},  {" 1", 0}, {"0", 0}, {"2147483647", INT32_MAX},
      {"42", 42},   {"9.99", 9},
  };
  for (const auto& c : cases) EXPECT_EQ(mivo::NumberValue(c.text), c.value) << c.text;
  EXPECT_EQ(mivo::NumberValue(nullptr), 0);
}

TEST_F(TextTest, NumberTextAllowsDigitsAndOneDot) {
  const struct {
    const char* text;
    bool number;
  } cases[] = {
      {"", true},       {"1", true},  {"1.5", true}, {".", true},   {"12.", true},
      {"1.2.3", false}, {"a", false}, {"-1", false}, {"1 ", false}, {"1,5", false},
  };
  for (const auto& c : cases) EXPECT_EQ(mivo::IsNumberText(c.text), c.number) << c.text;
  EXPECT_FALSE(mivo::IsNumberText(nullptr));
}

TEST_F(TextTest, FirstNumberInFindsTheFirstRunOfDigits) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"Key12x", 12}, {"12", 12}, {"[12]", 12}, {"abc", 0},
      {"", 0},        {"1a2", 1}, {"x007y", 7}, {"-5", 5},
  };
  for (const auto& c : cases) EXPECT_EQ(mivo::FirstNumberIn(c.text), c.value) << c.text;
  EXPECT_EQ(mivo::FirstNumberIn(nullptr), 0);
}

// ---------------------------------------------------------------- booleans

TEST_F(TextTest, BooleansAcceptDigitsAndTrueFalseInAnyCase) {
  const struct {
    const char* text;
    bool isBoolean;
    int value;
  } cases[] = {
      {"TRUE", true, 1},   {"True", true, 1},  {"tRuE", true, 1},  {"1", true, 1},
      {"0", true, 0},      {"False", true, 0}, {"FALSE", true, 0}, {"yes", false, 0},
      {"", false, 0},      {"10", false, 0},   {"Tru", false, 0},  {"truex", false, 0},
      {"true ", false, 0}, {"2", false, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mivo::IsBooleanText(c.text), c.isBoolean) << c.text;
    EXPECT_EQ(mivo::BooleanValue(c.text), c.value) << c.text;
  }
  EXPECT_FALSE(mivo::IsBooleanText(nullptr));
  EXPECT_EQ(mivo::BooleanValue(nullptr), 0);
}

// ---------------------------------------------------------------- comparisons

TEST_F(TextTest, StartsWithComparesTheFirstNBytes) {
  const struct {
    const char* s;
    const char* prefix;
    size_t n;
    bool result;
  } cases[] = {
      {"abc", "", 0, false},   {"abc", "xyz", 0, false}, {"", "", 0, false},
      {"abc", "ab", 2, true},  {"abc", "abd", 2, true},  {"abc", "abd", 3, false},
      {"ab", "abc", 3, false}, {"abc", "ABC", 3, false}, {"Move[1,2]", "Move[", 5, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(mivo::TextStartsWith(c.s, c.prefix, c.n), c.result) << c.s << "/" << c.n;
  EXPECT_FALSE(mivo::TextStartsWith(nullptr, "a", 1));
}

TEST_F(TextTest, EqualIsExactAndCaseSensitive) {
  EXPECT_TRUE(mivo::TextEqual("Enter", "Enter"));
  EXPECT_FALSE(mivo::TextEqual("Enter", "enter"));
  EXPECT_FALSE(mivo::TextEqual("Enter", "Enter "));
  EXPECT_FALSE(mivo::TextEqual("", nullptr));
  EXPECT_TRUE(mivo::TextEqual("", ""));
}

TEST_F(TextTest, EqualNoCaseComparesTheGivenLengths) {
  const struct {
    const char* a;
    const char* b;
    size_t na, nb;
    bool result;
  } cases[] = {
      {"Mivo", "MIVO", 4, 4, true},   {"Mivox", "MIVO", 4, 4, true}, {"Mi", "MIVO", 2, 4, false},
      {"Mivo", "MIVO", 10, 10, true}, {"key", "KEYS", 3, 4, false},  {"a1", "A1", 2, 2, true},
      {"[", "{", 1, 1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(mivo::TextEqualNoCase(c.a, c.b, c.na, c.nb), c.result) << c.a << "/" << c.b;
}

TEST_F(TextTest, CopyNPadsLikeStrncpy) {
  char buffer[8] = {'X', 'X', 'X', 'X', 'X', 'X', 'X', '\0'};
  EXPECT_EQ(mivo::TextCopyN(buffer, "ab", 4), buffer);
  EXPECT_EQ(std::string(buffer, 7), std::string("ab\0\0XXX", 7));
  EXPECT_EQ(mivo::TextCopyN(buffer, "abcdef", 3), buffer);
  EXPECT_EQ(std::string(buffer, 7), std::string("abc\0XXX", 7));
  EXPECT_EQ(mivo::TextCopyN(nullptr, "ab", 2), nullptr);
  EXPECT_EQ(mivo::TextCopy(buffer, nullptr), nullptr);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(mivo::TextCopy(buffer, "hi"), buffer);
  EXPECT_STREQ(buffer, "hi");
  EXPECT_EQ(mivo::TextLength(nullptr), 0u);
  EXPECT_EQ(mivo::TextLength(Sjis("あa").c_str()), 3u);
}

// ---------------------------------------------------------------- byte classes

TEST_F(TextTest, ByteClassesAtTheirBoundaries) {
  const struct {
    unsigned b;
    bool lead, kana, digit, letter;
    int hex;
  } cases[] = {
      {0x2F, false, false, false, false, 0}, {'0', false, false, true, false, 0},
      {'9', false, false, true, false, 9},   {0x3A, false, false, false, false, 0},
      {'@', false, false, false, false, 0},  {'A', false, false, false, true, 10},
      {'F', false, false, false, true, 15},  {'G', false, false, false, true, 0},
      {'Z', false, false, false, true, 0},   {'[', false, false, false, false, 0},
      {'a', false, false, false, true, 10},  {'f', false, false, false, true, 15},
      {'g', false, false, false, true, 0},   {'z', false, false, false, true, 0},
      {0x7F, false, false, false, false, 0}, {0x80, true, false, false, false, 0},
      {0x9F, true, false, false, false, 0},  {0xA0, false, true, false, false, 0},
      {0xDF, false, true, false, false, 0},  {0xE0, true, false, false, false, 0},
      {0xFF, true, false, false, false, 0},
  };
  for (const auto& c : cases) {
    const unsigned char b = static_cast<unsigned char>(c.b);
    EXPECT_EQ(mivo::IsLeadByte(b), c.lead) << std::hex << c.b;
    EXPECT_EQ(mivo::IsHalfWidthKana(b), c.kana) << std::hex << c.b;
    EXPECT_EQ(mivo::IsDigit(b), c.digit) << std::hex << c.b;
    EXPECT_EQ(mivo::IsLetter(b), c.letter) << std::hex << c.b;
    EXPECT_EQ(mivo::HexValue(b), c.hex) << std::hex << c.b;
  }
}

// ---------------------------------------------------------------- allocator

TEST_F(TextTest, MemAllocCountsZeroFilledBlocks) {
  const int32_t before = mivo::MemLiveCount();
  EXPECT_EQ(mivo::MemAlloc(0), nullptr);
  EXPECT_EQ(mivo::MemLiveCount(), before);
  auto* block = static_cast<unsigned char*>(mivo::MemAlloc(64));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(mivo::MemLiveCount(), before + 1);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
  char* copy = mivo::TextDuplicate("abc");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "abc");
  EXPECT_EQ(mivo::MemLiveCount(), before + 2);
  EXPECT_EQ(mivo::TextDuplicate(nullptr), nullptr);
  mivo::MemFree(block);
  mivo::MemFree(copy);
  mivo::MemFree(nullptr);
  EXPECT_EQ(mivo::MemLiveCount(), before);
  EXPECT_TRUE(desktop::MessageBoxes().empty());
}

TEST_F(TextTest, MemFreeShowsTheMismatchBoxOncePerSurplusFree) {
  ASSERT_EQ(mivo::MemLiveCount(), 0);
  void* counted = mivo::MemAlloc(8);
  // Blocks the counter never saw: freeing them drives the count below zero.
  void* stray1 = os::GlobalAllocZero(8);
  void* stray2 = os::GlobalAllocZero(8);
  mivo::MemFree(stray1);  // 0: balanced so far
  EXPECT_TRUE(desktop::MessageBoxes().empty());
  mivo::MemFree(stray2);   // -1
  mivo::MemFree(counted);  // -2
  EXPECT_EQ(mivo::MemLiveCount(), -2);
  const auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto& box : boxes) {
    EXPECT_EQ(box.text, "Error: mismatched memory allocation and freeing");
    EXPECT_EQ(box.caption, "MIVO");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.type, os::MB_OK);
  }
  // The blocks were released all the same; the sanitizer's leak check would catch it.

  // Balance the count again for the tests that share this process.
  void* rebalance1 = mivo::MemAlloc(1);
  void* rebalance2 = mivo::MemAlloc(1);
  os::GlobalFree(rebalance1);
  os::GlobalFree(rebalance2);
  EXPECT_EQ(mivo::MemLiveCount(), 0);
}

}  // namespace
