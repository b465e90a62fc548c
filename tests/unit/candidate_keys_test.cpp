#include "candidates/candidate_keys.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings.h"
#include "candidates/state.h"
#include "dict/candidate_list.h"
#include "support/keyboard_fixture.h"

namespace {

struct Candidate {
  const char* key;
  const char* text;
  int32_t kind;
};

struct LayoutCase {
  const char* what;
  os::UINT message;  // which list
  int32_t metricsMode;
  uint32_t panelWidth;
  std::vector<Candidate> page;
  uint32_t skip;
  int32_t more;
  // "id x,y cx" of every key made, in the order made
  std::vector<std::string> keys;
};

std::vector<Candidate> Short(int n) {
  static const char* texts[] = {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9"};
  std::vector<Candidate> page;
  for (int i = 0; i < n; ++i) page.push_back({"k", texts[i], 1});
  return page;
}

std::vector<Candidate> Ten(int n) {
  std::vector<Candidate> page;
  for (int i = 0; i < n; ++i) page.push_back({"k", "0123456789", 2});
  return page;
}

class CandidateKeysTest : public testing_support::KeyboardFixture {
 protected:
  int32_t panel_ = 0;

  void MakePanel(uint32_t width) {
    OpenMain(1000, 300);
    panel_ = mivo::CreateKey(mivo::KT_PANEL, 0, 0, 0, width, 50000, 30, "", nullptr, nullptr,
                             nullptr, nullptr, nullptr, 0, 1);
    ASSERT_NE(panel_, 0);
  }

  void Show(os::UINT message, const std::vector<Candidate>& page, uint32_t skip, int32_t more) {
    mivo::CandidateList* list = mivo::CandidateListCreate(static_cast<uint32_t>(page.size()), skip);
    for (size_t i = 0; i < page.size(); ++i) {
      list->keys[i] = mivo::TextDuplicate(page[i].key);
      list->texts[i] = mivo::TextDuplicate(page[i].text);
      list->kinds[i] = page[i].kind;
    }
    list->total = skip + static_cast<uint32_t>(page.size());
    list->more = more;
    mivo::KeybdPredictMainProc(main_, message, reinterpret_cast<os::WPARAM>(list), 0);
    mivo::CandidateListFree(list);
  }

  std::vector<const mivo::KeyRecord*> Children() const {
    std::vector<const mivo::KeyRecord*> out;
    for (int32_t k = mivo::FirstChild(panel_); k != 0; k = mivo::NextSibling(k))
      out.push_back(mivo::GetKey(k));
    return out;
  }
};

TEST_F(CandidateKeysTest, RowsAndPagingKeysStandWhereTheRulesPutThem) {
  const os::UINT P = mivo::MM_SHOW_PREDICT_CANDIDATES;
  const os::UINT C = mivo::MM_SHOW_IME_CANDIDATES;
  // Panel 50000 wide in mode 1: positions advance by (1000 + width) / 5 from x0 = 200; a
  // paging key is 5600 wide and needs 1320; the right limit is 9900.
  const LayoutCase cases[] = {
      {"ten short ones fill row 1, nothing more",
       P,
       1,
       50000,
       Short(10),
       0,
       0,
       {"10100 200,700 2800", "10101 960,700 2800", "10102 1720,700 2800", "10103 2480,700 2800",
        "10104 3240,700 2800", "10105 4000,700 2800", "10106 4760,700 2800", "10107 5520,700 2800",
        "10108 6280,700 2800", "10109 7040,700 2800"}},
      {"the more flag alone brings the next key",
       P,
       1,
       50000,
       Short(2),
       0,
       1,
       {"10100 200,700 2800", "10101 960,700 2800", "10004 8780,5200 5600"}},
      {"a candidate wider than the panel stands alone",
       P,
       1,
       50000,
       {{"k",
         "0123456789012345678901234567890123456789012345678901234567890123456789012345"
         "6789",
         1},
        {"k", "b", 1}},
       0,
       0,
       {"10100 200,700 57400", "10101 200,5900 2100"}},
      {"a second candidate as wide is left to the next key",
       C,
       1,
       35000,
       {{"k", "the hiragana form of a reading of 24 kana (48 b)", 1},
        {"k", "the katakana form of a reading of 24 kana (48 b)", 1}},
       0,
       0,
       {"10000 285,700 34800", "10003 8358,5200 5400"}},
      {"row 2 keeps clear of the next key",
       P,
       1,
       50000,
       Ten(12),
       0,
       0,
       {"10100 200,700 8400", "10101 2080,700 8400", "10102 3960,700 8400", "10103 5840,700 8400",
        "10104 7720,700 8400", "10105 200,5900 8400", "10106 2080,5900 8400",
        "10107 3960,5900 8400", "10108 5840,5900 8400", "10011 8780,5200 5600"}},
      {"previous stands left of next",
       P,
       1,
       50000,
       Short(3),
       10,
       1,
       {"10100 200,700 2800", "10101 960,700 2800", "10102 1720,700 2800", "10004 7460,5200 5600",
        "10005 8780,5200 5600"}},
      {"an empty later page keeps its paging keys",
       P,
       1,
       50000,
       {},
       10,
       1,
       {"10001 7460,5200 5600", "10002 8780,5200 5600"}},
      {"conversion keys are narrower, row 2 leaves the mode key's room",
       C,
       1,
       50000,
       Ten(12),
       0,
       0,
       {"10000 200,700 8200", "10001 2040,700 8200", "10002 3880,700 8200", "10003 5720,700 8200",
        "10004 7560,700 8200", "10005 200,5900 8200", "10006 2040,5900 8200",
        "10007 3880,5900 8200", "10010 8820,5200 5400"}},
      {"mode 2 measures in the panel's own width",
       P,
       2,
       50000,
       Short(1),
       0,
       0,
       {"10100 396,400 2900"}},
      {"any other mode lays out as mode 1", P, 7, 50000, Short(1), 0, 0, {"10100 200,700 2800"}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    mivo::settings.MetricsMode = c.metricsMode;
    MakePanel(c.panelWidth);
    mivo::candidateKeysState.conversionPanel = panel_;
    mivo::candidateKeysState.predictionPanel = panel_;
    Show(c.message, c.page, c.skip, c.more);
    std::vector<std::string> made;
    for (const mivo::KeyRecord* key : Children()) {
      EXPECT_EQ(key->type, mivo::KT_CANDIDATE);
      EXPECT_EQ(key->cy, c.metricsMode == 2 ? 4000u : 10400u);
      made.push_back(std::to_string(key->id) + " " + std::to_string(key->x) + "," +
                     std::to_string(key->y) + " " + std::to_string(key->cx));
    }
    EXPECT_EQ(made, c.keys);
    mivo::DeleteAllKeys();
    mivo::ResetCandidateKeysState();
  }
}

// Scan groups change the scan, not the picture: every candidate's window stands where it
// stands without them, to the pixel; each row is cut into groups of the size set, and a
// last candidate left over stands alone.
TEST_F(CandidateKeysTest, ScanGroupsKeepEveryCandidateWhereItStands) {
  struct Case {
    int32_t metricsMode, groupSize;
    std::vector<int> shape;  // per child of the panel: 0 a key of its own, n a group of n
  } cases[] = {
      {1, 3, {3, 2, 3, 0}},  // rows of 5 and 4
      {1, 20, {5, 4}},
      {2, 20, {4, 4, 0}},  // narrower rows: the last key is the next key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.metricsMode * 100 + c.groupSize);
    mivo::settings.MetricsMode = c.metricsMode;
    std::vector<os::Rect> plain, grouped;
    std::vector<int> shape;
    for (const int32_t size : {0, c.groupSize}) {
      mivo::settings.CandidateGroupSize = size;
      MakePanel(50000);
      mivo::candidateKeysState.predictionPanel = panel_;
      Show(mivo::MM_SHOW_PREDICT_CANDIDATES, Ten(9), 0, 0);
      std::vector<os::Rect>& rects = size == 0 ? plain : grouped;
      for (const mivo::KeyRecord* key : Children()) {
        if (size != 0) shape.push_back(0);
        std::vector<int32_t> keys;
        if (key->type == mivo::KT_PANEL) {
          for (int32_t k = mivo::FirstChild(mivo::FindKeyByWindow(key->window)); k != 0;
               k = mivo::NextSibling(k))
            keys.push_back(k);
          if (size != 0) shape.back() = static_cast<int>(keys.size());
        } else {
          keys.push_back(mivo::FindKeyByWindow(key->window));
        }
        for (const int32_t k : keys) {
          os::Rect r{};
          os::GetWindowRect(mivo::GetKey(k)->window, &r);
          rects.push_back(r);
        }
      }
      mivo::DeleteAllKeys();
      mivo::ResetCandidateKeysState();
    }
    mivo::settings.CandidateGroupSize = 0;
    EXPECT_EQ(shape, c.shape);
    ASSERT_EQ(grouped.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
      EXPECT_EQ(grouped[i].left, plain[i].left) << i;
      EXPECT_EQ(grouped[i].top, plain[i].top) << i;
      EXPECT_EQ(grouped[i].right, plain[i].right) << i;
      EXPECT_EQ(grouped[i].bottom, plain[i].bottom) << i;
    }
  }
}

TEST_F(CandidateKeysTest, MacrosHandTheCandidateBackUnchanged) {
  struct Case {
    os::UINT message;
    Candidate candidate;
    uint32_t skip;
    std::vector<std::string> macros;  // of the candidate key, then the paging keys
  } cases[] = {
      {mivo::MM_SHOW_PREDICT_CANDIDATES, {"K)", "a)b", 2}, 0, {"PTranslateW(K%)\ta%)b)"}},
      {mivo::MM_SHOW_PREDICT_CANDIDATES, {"Entr", "x", 1}, 0, {"PTranslateP(Entr\tx)"}},
      {mivo::MM_SHOW_PREDICT_CANDIDATES,
       {"Entr", "x", 3},
       25,
       {"PTranslateD(Entr\tx)", "Command(PPreviousCandidates[25])",
        "Command(PNextCandidates[26])"}},
      {mivo::MM_SHOW_IME_CANDIDATES, {"yomi", "t)", 4}, 0, {"TranslateI(t%)\nyomi)"}},
      {mivo::MM_SHOW_IME_CANDIDATES,
       {"yomi", "t", 2},
       10,
       {"TranslateW(t\nyomi)", "Command(PreviousCandidates[10])", "Command(NextCandidates[11])"}},
  };
  for (const Case& c : cases) {
    MakePanel(50000);
    mivo::candidateKeysState.conversionPanel = panel_;
    mivo::candidateKeysState.predictionPanel = panel_;
    Show(c.message, {c.candidate}, c.skip, c.skip > 0);
    std::vector<std::string> macros;
    for (const mivo::KeyRecord* key : Children()) macros.push_back(key->onselected);
    EXPECT_EQ(macros, c.macros);
    mivo::DeleteAllKeys();
    mivo::ResetCandidateKeysState();
  }
}

TEST_F(CandidateKeysTest, TheModeKeyFollowsTheConversionsModeAndReading) {
  static std::string reading;
  static bool imeOnly;
  struct Case {
    const char* reading;
    bool imeOnly;
    std::vector<std::string> labels;  // "IME候補" / "予測候補" in Shift-JIS
  } cases[] = {
      {"", false, {"a0"}},
      {"\x82\xa0", false, {"a0", "IME\x8c\xf3\x95\xe2"}},
      {"", true, {"a0", "\x97\x5c\x91\xaa\x8c\xf3\x95\xe2"}},
  };
  for (const Case& c : cases) {
    reading = c.reading;
    imeOnly = c.imeOnly;
    // The view is part of the candidate keys' state, which each case starts afresh.
    mivo::candidateKeysState.conversionView = {[] { return reading.c_str(); },
                                               [] { return imeOnly; }};
    MakePanel(50000);
    const int32_t readingKey = mivo::CreateKey(mivo::KT_INERT, 0, 0, 0, 1000, 1000, 10, "old",
                                               nullptr, nullptr, nullptr, nullptr, nullptr, 0, 1);
    mivo::KeybdPredictMainProc(main_, mivo::MM_SET_YOSOKU, static_cast<os::WPARAM>(panel_), 0);
    mivo::KeybdPredictMainProc(main_, mivo::MM_SET_YOMI, static_cast<os::WPARAM>(readingKey), 0);
    Show(mivo::MM_SHOW_IME_CANDIDATES, Short(1), 0, 0);
    std::vector<std::string> labels;
    for (const mivo::KeyRecord* key : Children()) labels.push_back(key->name);
    EXPECT_EQ(labels, c.labels);
    EXPECT_EQ(std::string(mivo::GetKey(readingKey)->name), c.reading);
    EXPECT_TRUE(mivo::GetKey(readingKey)->flags & mivo::KF_READING);
    mivo::DeleteAllKeys();
    mivo::ResetCandidateKeysState();
  }
  mivo::candidateKeysState.conversionView = {};
}

TEST_F(CandidateKeysTest, MissingTemplatesAreFilledOneStepPerPass) {
  using T = std::array<int32_t, 5>;  // conversion, prediction, next, previous, mode
  struct Case {
    T before;
    os::WPARAM colourSet;
    T after;
  } cases[] = {
      {{0, 0, 0, 0, 0}, 5, {5, 0, 0, 0, 0}},       {{0, 0, 0, 0, 0}, 0, {0, 0, 0, 0, 0}},
      {{8, 9, 0, 0, 0}, 0, {8, 9, 9, 9, 0}},       {{0, 0, 7, 0, 0}, 0, {7, 0, 7, 7, 7}},
      {{8, 9, 10, 10, 11}, 0, {8, 9, 10, 10, 11}}, {{0, 3, 0, 0, 0}, 4, {4, 3, 3, 0, 0}},
  };
  for (const Case& c : cases) {
    std::copy(c.before.begin(), c.before.end(), mivo::candidateKeysState.templates);
    mivo::KeybdPredictMainProc(nullptr, mivo::MM_KEYBOARD_LOADED, c.colourSet, 0);
    T after;
    std::copy(mivo::candidateKeysState.templates, mivo::candidateKeysState.templates + 5,
              after.begin());
    EXPECT_EQ(after, c.after) << c.colourSet;
  }
}

}  // namespace
