// Anthy behind the headless desktop's input method calls, driven in the order a
// candidate search makes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/headless/desktop.h"
#include "platform/os.h"
#include "support/sjis.h"

using testing_support::Sjis;
using testing_support::Utf8;

namespace {

struct List {
  os::DWORD size = 0, count = 0, selection = 0;
  std::vector<std::string> items;
};

// Reads a CANDIDATELIST block through its offset table, as the program does.
List Parse(const std::vector<char>& block) {
  List out;
  os::CandidateListHeader h{};
  std::memcpy(&h, block.data(), sizeof h - sizeof(os::DWORD));
  out.size = h.dwSize;
  out.count = h.dwCount;
  out.selection = h.dwSelection;
  for (os::DWORD i = 0; i < h.dwCount; ++i) {
    os::DWORD offset = 0;
    std::memcpy(&offset, block.data() + 6 * sizeof(os::DWORD) + i * sizeof(os::DWORD),
                sizeof offset);
    out.items.emplace_back(block.data() + offset);
  }
  return out;
}

template <typename Call>
List Fetch(Call fetch) {
  os::DWORD size = fetch(nullptr, 0);
  if (size == 0) return List();
  std::vector<char> block(size + 1, 0);
  EXPECT_EQ(fetch(reinterpret_cast<os::CandidateListHeader*>(block.data()), size), size);
  return Parse(block);
}

struct Converted {
  bool converted = false;
  List candidates;
  std::string composition;
};

Converted Convert(const std::string& reading) {
  Converted out;
  os::Imc imc = os::ImmCreateContext();
  EXPECT_TRUE(os::ImmSetOpenStatus(imc, os::TRUE));
  EXPECT_TRUE(os::ImmSetCompositionString(imc, os::SCS_SETSTR, nullptr, 0, reading.data(),
                                          static_cast<os::DWORD>(reading.size())));
  out.converted = os::ImmNotifyIME(imc, os::NI_COMPOSITIONSTR, os::CPS_CONVERT, 0);
  if (os::ImmNotifyIME(imc, 0x0010 /* NI_OPENCANDIDATE */, 1, 0)) {
    out.candidates = Fetch([imc](os::CandidateListHeader* block, os::DWORD size) {
      return os::ImmGetCandidateList(imc, 0, block, size);
    });
  }
  os::LONG length = os::ImmGetCompositionString(imc, os::GCS_COMPSTR, nullptr, 0);
  out.composition.assign(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  os::ImmGetCompositionString(imc, os::GCS_COMPSTR, out.composition.data(),
                              static_cast<os::DWORD>(out.composition.size()));
  os::ImmSetOpenStatus(imc, os::FALSE);
  os::ImmDestroyContext(imc);
  return out;
}

List Whole(const std::string& reading) {
  return Fetch([&reading](os::CandidateListHeader* block, os::DWORD size) {
    return os::ImmGetConversionList(os::GetKeyboardLayout(0), nullptr, reading.c_str(), block, size,
                                    os::GCL_CONVERSION);
  });
}

bool Has(const std::vector<std::string>& items, const std::string& item) {
  for (const std::string& i : items)
    if (i == item) return true;
  return false;
}

// A kanji of JIS level 1 or 2 (or an NEC/IBM extension) begins with one of these bytes.
bool HasKanji(const std::string& sjis) {
  for (size_t i = 0; i + 1 < sjis.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(sjis[i]);
    if ((b >= 0x88 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) return true;
    if (b >= 0x81) ++i;  // the trail byte of another double-byte character
  }
  return false;
}

class HeadlessAnthy : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    ASSERT_TRUE(desktop::UseAnthy()) << "Anthy or its dictionary (anthy-common) is missing";
  }
};

TEST_F(HeadlessAnthy, ReadingsConvertToKanjiThroughTheImmCalls) {
  struct Case {
    const char* reading;
    const char* inFirstList;  // a conversion of the first segment Anthy offers
    const char* endsWith;     // how the composition string ends
    bool oneSegment;          // the composition is the first candidate alone
    bool whole;               // the conversion list answers the reading as one segment
  };
  const Case cases[] = {
      {"かんじ", "漢字", "", true, true},
      {"にほんご", "日本語", "日本語", true, true},
      {"きょうはいいてんき", "今日は", "天気", false, false},
      {"がっこういく", "学校", "行く", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reading);
    const std::string reading = Sjis(c.reading);
    Converted got = Convert(reading);
    ASSERT_TRUE(got.converted);
    const List& list = got.candidates;
    ASSERT_GT(list.count, 0u);
    EXPECT_EQ(list.items.size(), list.count);
    EXPECT_EQ(list.selection, 0u);
    EXPECT_TRUE(Has(list.items, Sjis(c.inFirstList))) << Utf8(list.items.front());
    EXPECT_TRUE(HasKanji(list.items.front())) << Utf8(list.items.front());
    // The unconverted form comes back byte for byte: CP932 both ways.
    if (c.oneSegment) {
      EXPECT_TRUE(Has(list.items, reading));
    }

    const std::string& first = list.items.front();
    const std::string tail = Sjis(c.endsWith);
    EXPECT_EQ(got.composition.compare(0, first.size(), first), 0) << Utf8(got.composition);
    EXPECT_EQ(got.composition.size() == first.size(), c.oneSegment) << Utf8(got.composition);
    ASSERT_GE(got.composition.size(), tail.size());
    EXPECT_EQ(got.composition.substr(got.composition.size() - tail.size()), tail);

    List whole = Whole(reading);
    EXPECT_EQ(whole.count > 0, c.whole);
    if (c.oneSegment) {
      EXPECT_EQ(whole.items, list.items);
    }
    for (const std::string& item : whole.items) EXPECT_FALSE(item.empty());
  }
  EXPECT_EQ(desktop::LiveImeContexts(), 0);
}

// Plain Shift-JIS would read the ASCII backslash as a yen sign, and Anthy would offer
// nothing but that; the wave dash is U+FF5E in CP932 alone.
TEST_F(HeadlessAnthy, CandidatesComeBackInCp932) {
  const std::vector<std::string> backslash = Convert("\\").candidates.items;
  EXPECT_TRUE(Has(backslash, "\\"));
  EXPECT_TRUE(Has(backslash, "\x81\x5f"));  // full-width backslash
  const std::string wave = "\x81\x60";
  Converted got = Convert(Sjis("かんじ") + wave);
  EXPECT_TRUE(Has(got.candidates.items, Sjis("かんじ") + wave));
  EXPECT_TRUE(Has(got.candidates.items, Sjis("漢字") + wave));
  const std::vector<std::string> tilde = Convert("~").candidates.items;  // two waves in Unicode
  ASSERT_FALSE(tilde.empty());
  for (size_t i = 1; i < tilde.size(); ++i) {
    EXPECT_NE(tilde[i], tilde[i - 1]);
    EXPECT_EQ(std::count(tilde.begin(), tilde.end(), tilde[i]), 1);
  }
}

// What Anthy is not given (it loses memory on letters other than hiragana) or cannot
// take fails softly, as an input method that cannot convert does: no candidates, and
// the reading stays the composition string.
TEST_F(HeadlessAnthy, ReadingsOtherThanHiraganaConvertNothing) {
  const std::string readings[] = {
      Sjis("カンジ"),               // katakana
      Sjis("かんじ漢字"),           // kanji
      "\xb6\xdd\xbc\xde",           // half-width katakana
      Sjis("かんじ") + "\x87\x40",  // ①, an NEC extension
      Sjis("かん") + "\x82",        // a lead byte without its trail byte
  };
  for (const std::string& reading : readings) {
    SCOPED_TRACE(testing::PrintToString(reading));
    Converted got = Convert(reading);
    EXPECT_FALSE(got.converted);
    EXPECT_EQ(got.candidates.count, 0u);
    EXPECT_EQ(got.composition, reading);
    EXPECT_EQ(Whole(reading).count, 0u);
  }
  EXPECT_EQ(desktop::LiveImeContexts(), 0);
}

TEST_F(HeadlessAnthy, TheDescriptionIsAnthysAndResetEndsIt) {
  char description[32] = {};
  os::Hkl hkl = os::GetKeyboardLayout(0);
  EXPECT_EQ(os::ImmGetDescription(hkl, description, sizeof description),
            std::strlen(desktop::kAnthyDescription));
  EXPECT_STREQ(description, desktop::kAnthyDescription);
  desktop::Reset();
  EXPECT_EQ(os::ImmGetDescription(os::GetKeyboardLayout(0), nullptr, 0), 0u);
  os::Imc imc = os::ImmCreateContext();
  EXPECT_FALSE(os::ImmSetOpenStatus(imc, os::TRUE));
  EXPECT_EQ(Whole(Sjis("かんじ")).count, 0u);
  os::ImmDestroyContext(imc);
}

}  // namespace
