// The reading, the committed text and the scores of the conversion search.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "ime/conversion_dict.h"
#include "ime/conversion_search.h"
#include "ime/reading.h"
#include "ime/state.h"
#include "platform/headless/desktop.h"
#include "predict/candidate_list.h"
#include "predict/dict_file.h"
#include "support/sjis.h"

namespace {

using testing_support::Sjis;

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
  }
  void Open() { ASSERT_EQ(mivo::ConversionOpen(), 1); }
  void TearDown() override {
    mivo::ResetImeState();
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }
  int32_t live_ = 0;
};

TEST_F(ConversionTest, KanaKeysBuildTheReading) {
  Open();
  const struct {
    std::vector<std::string> appended;  // UTF-8, one AddRead each
    std::string reading;
  } cases[] = {
      {{"か", "゛"}, "ガ"},
      {{"゛"}, "゛"},
      {{"ａ１"}, "a1"},
      {{"ツ", "\x81\xff"}, "ッ"},
      {{"カ", "\x81\xff"}, "カ"},
      {{"は", "゜", "う", "゛"}, "パヴ"},
      {{"さ゛", "あ゜"}, "ザア゜"},
      {{"漢"}, "漢"},
  };
  for (const auto& c : cases) {
    mivo::ReadingClear();
    for (const std::string& text : c.appended) {
      const std::string sjis = text.rfind("\x81\xff", 0) == 0 ? text : Sjis(text);
      mivo::ReadingAppend(sjis.c_str());
    }
    EXPECT_EQ(mivo::ConversionReading(), Sjis(c.reading)) << c.reading;
  }
  mivo::ReadingClear();
  const std::string many(300, 'x');
  mivo::ReadingAppend(many.c_str());
  EXPECT_EQ(std::string(mivo::ConversionReading()), many.substr(0, 256));
}

TEST_F(ConversionTest, TheCommittedTextKeepsItsNewest256BytesAndUndoesLearningOnce) {
  Open();
  mivo::CommittedAppend(std::string(250, 'a').c_str());
  mivo::CommittedAppend(Sjis("漢字です").c_str());  // 8 bytes: two a's make room
  EXPECT_EQ(std::string(mivo::ConversionCommitted()), std::string(248, 'a') + Sjis("漢字です"));
  mivo::ConversionLearn("T1", "R1", 0);
  mivo::ConversionLearn("T2", "R2", 0);
  mivo::CommittedBackspace();  // undoes T2 in both files
  mivo::CommittedBackspace();  // only deletes
  // Phrase contexts are the newest 8 bytes of the committed text.
  EXPECT_EQ(std::string(mivo::ConversionCommitted()), std::string(248, 'a') + Sjis("漢字"));
  EXPECT_STREQ(mivo::imeState.conversion->history->pending,
               (Sjis("漢字です") + "\tT1\tR1\r\n").c_str());
  EXPECT_STREQ(mivo::imeState.conversion->name->pending, "T1\tR1\r\n");
}

TEST_F(ConversionTest, ScoresWeighCharactersFromTheEnd) {
  const struct {
    std::string context, committed;
    uint32_t score;
  } contexts[] = {
      {"ab", "xb", 625},
      {"ab", "ab", 625 + 416},
      {Sjis("ああ"), Sjis("いあ"), 625},
      {"a" + Sjis("あ"), Sjis("いあ"), 625},  // a single byte against a double: nothing
      {Sjis("あ"), "zz" + Sjis("あ"), 625},   // at most the shorter length is compared
      {"", "ab", 0},
  };
  for (const auto& c : contexts) {
    EXPECT_EQ(mivo::ContextMatchScore(c.context.data(), static_cast<uint32_t>(c.context.size()),
                                      c.committed.data(), static_cast<uint32_t>(c.committed.size()),
                                      1250),
              c.score)
        << c.context;
  }
  const std::string field = Sjis("カンジ"), typed = Sjis("カン");
  EXPECT_EQ(mivo::ReadingMatchScore(field.data(), 6, typed.data(), 4, 2500), 5000u);
  EXPECT_EQ(mivo::ReadingMatchScore(typed.data(), 4, field.data(), 6, 2500), 0u);
}

TEST_F(ConversionTest, TheSearchRanksReadingFormsDictionariesAndTheInputMethod) {
  // Words: 感じ (oldest), 漢字 (newest); a phrase for 漢字 after です; the input method
  // offers 幹事 for かんじ.
  desktop::WriteFile("Trans\\word", Sjis("感じ\tカンジ\r\n漢字\tカンジ\r\n"));
  desktop::WriteFile("Trans\\phrase", Sjis("です\t漢字\tカンジ\r\n"));
  desktop::SetIme({"Microsoft IME Standard", {{Sjis("かんじ"), {Sjis("幹事"), Sjis("漢字")}}}});
  Open();
  auto texts = [](const mivo::CandidateList* list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i + list->skip < list->total; ++i)
      out.push_back(testing_support::Utf8(list->texts[i]) + ":" + std::to_string(list->kinds[i]));
    return out;
  };
  mivo::CandidateList* list =
      mivo::ConversionSearch(Sjis("カンジ").c_str(), Sjis("です").c_str(), 10, 0);
  // Phrase: 2000 x 3 x 2 + 150 + 625 + 416 + 299 = 13490; words: 2500 x 3 x 2 + 500 + 299
  // (漢字, newer) or 298; the input method 2400, its 漢字 merged into the higher score.
  EXPECT_EQ(texts(list),
            (std::vector<std::string>{"かんじ:3", "カンジ:3", "漢字:2", "感じ:2", "幹事:4"}));
  EXPECT_EQ(list->more, 0);
  mivo::CandidateListFree(list);
  list = mivo::ConversionSearch(Sjis("カンジ").c_str(), Sjis("です").c_str(), 2, 2);
  EXPECT_EQ(texts(list), (std::vector<std::string>{"漢字:2", "感じ:2"}));
  EXPECT_EQ(list->more, 1);
  mivo::CandidateListFree(list);
  mivo::imeState.imeOnlyMode = true;
  list = mivo::ConversionSearch("", "", 10, 0);
  EXPECT_EQ(texts(list), std::vector<std::string>{});
  mivo::CandidateListFree(list);
}

TEST_F(ConversionTest, AContextAloneCanMakeAPhraseACandidate) {
  const std::string twelve = Sjis("あいうえおかきくけこさし");
  desktop::WriteFile("Trans\\word", Sjis("感じ\tカンジ\r\n"));
  desktop::WriteFile("Trans\\phrase",
                     Sjis("です\t漢字\tカンジ\r\n") + twelve + Sjis("\t幹事\tカンジ\r\n"));
  Open();
  const struct {
    std::string reading, committed;
    std::vector<std::string> texts;
  } cases[] = {
      {"", Sjis("です"), {Sjis("漢字")}},  // 1 + 625 + 416 + 299 > 400
      // Twelve characters of context: 2721 + 299 > 2 x 1000 + 400.
      {Sjis("ア"), twelve, {Sjis("あ"), Sjis("ア"), Sjis("幹事")}},
      {Sjis("ア"), Sjis("さし"), {Sjis("あ"), Sjis("ア")}},
  };
  for (const auto& c : cases) {
    mivo::CandidateList* list =
        mivo::ConversionSearch(c.reading.c_str(), c.committed.c_str(), 10, 0);
    EXPECT_EQ(std::vector<std::string>(list->texts, list->texts + list->total), c.texts)
        << testing_support::Utf8(c.committed);
    mivo::CandidateListFree(list);
  }
}

// However many newer words begin with the reading, its own words, older, and the input
// method's are reached by paging; the newer ones still come first.
TEST_F(ConversionTest, EveryWordOfTheWholeReadingIsReachedByPaging) {
  for (const int longer : {97, 98, 99, 100, 101, 150}) {
    std::string words = Sjis("各\tカク\r\n");
    for (int i = 0; i < longer; ++i)
      words +=
          Sjis("確") + std::to_string(i) + "\t" + Sjis("カクニン") + std::to_string(i) + "\r\n";
    desktop::WriteFile("Trans\\word", words);
    desktop::WriteFile("Trans\\phrase", "");
    desktop::SetIme({"Microsoft IME Standard", {{Sjis("かく"), {Sjis("核")}}}});
    Open();
    std::vector<std::string> seen;
    for (uint32_t skip = 0;; skip += 10) {
      mivo::CandidateList* list = mivo::ConversionSearch(Sjis("カク").c_str(), "", 10, skip);
      for (uint32_t i = 0; i + list->skip < list->total; ++i) seen.push_back(list->texts[i]);
      const bool more = list->more != 0;
      mivo::CandidateListFree(list);
      if (!more || skip > 1000) break;
    }
    ASSERT_GE(seen.size(), 3u) << longer;
    EXPECT_EQ(seen[2], Sjis("確") + std::to_string(longer - 1)) << longer;  // the newest
    for (const char* word : {"各", "核"})
      EXPECT_TRUE(std::find(seen.begin(), seen.end(), Sjis(word)) != seen.end())
          << longer << " longer words hide " << word;
    mivo::ConversionClose();
  }
}

}  // namespace
