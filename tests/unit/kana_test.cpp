#include "ime/kana.h"

#include <gtest/gtest.h>

#include <string>

#include "support/sjis.h"

namespace {

using testing_support::Sjis;
using Convert = uint32_t (*)(const char*, uint32_t, char*, uint32_t);

struct Case {
  Convert convert;
  std::string source;  // Shift-JIS bytes
  std::string expected;
  uint32_t counted;  // what the counting call returns
};

TEST(Kana, EachShapeConvertsAndCountsWhatItWrites) {
  const Case cases[] = {
      {mivo::HiraganaToKatakana, Sjis("かな漢字"), Sjis("カナ漢字"), 9},
      {mivo::HiraganaToKatakana, Sjis("ぁみむんａ"), Sjis("ァミムンａ"), 11},
      {mivo::HiraganaToKatakana, "", "", 1},
      {mivo::HiraganaToKatakana, "a\x82", "a\x82", 3},  // a lead byte at the end stays
      {mivo::KatakanaToHiragana, Sjis("ァミムンヴヵヶ"), Sjis("ぁみむんヴヵヶ"), 15},
      {mivo::KanaToHalfWidth, Sjis("ガッコウ"), "\xb6\xde\xaf\xba\xb3", 5},
      {mivo::KanaToHalfWidth, Sjis("パぱヴ"), "\xca\xdf\xca\xdf\xb3\xde", 6},
      {mivo::KanaToHalfWidth, Sjis("ａＢ３"), "aB3", 3},
      {mivo::KanaToHalfWidth, Sjis("漢ヵ　"), Sjis("漢ヵ　"), 6},
      {mivo::KanaToHalfWidth, Sjis("【】「」￥＠ー"), "[]\xa2\xa3\\@\xb0", 7},
      {mivo::KanaToHalfWidth, Sjis("ヮゐヱをっ"), "\xdc\xb2\xb4\xa6\xaf", 5},
      {mivo::KanaToHalfWidth, "x\x83", "x", 1},      // a cut katakana lead is dropped
      {mivo::KanaToHalfWidth, "x\x88", "x\x88", 2},  // any other lead stays
      {mivo::KanaToHalfWidth, "", "", 0},
  };
  for (const Case& c : cases) {
    const auto length = static_cast<uint32_t>(c.source.size());
    EXPECT_EQ(c.convert(c.source.data(), length, nullptr, 0), c.counted) << c.source;
    std::string out(c.counted + 1, '\0');
    const uint32_t result =
        c.convert(c.source.data(), length, out.data(), static_cast<uint32_t>(out.size()) - 1);
    EXPECT_EQ(result, c.counted) << c.source;
    EXPECT_EQ(out.c_str(), c.expected) << c.source;
  }
}

TEST(Kana, ACapacityEndsOnAWholeCharacter) {
  char out[8] = {};
  const std::string source = Sjis("ガカ");  // ｶﾞ then ｶ: the voiced one needs two bytes
  EXPECT_EQ(mivo::KanaToHalfWidth(source.data(), 4, out, 1), 0u);
  EXPECT_EQ(mivo::HiraganaToKatakana(Sjis("かな").data(), 4, out, 3), 3u);
  EXPECT_EQ(std::string(out, 3), Sjis("カ") + '\0');
}

}  // namespace
