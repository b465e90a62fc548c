#include "ime/ime_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "ime/state.h"
#include "platform/headless/desktop.h"
#include "support/sjis.h"

namespace {

using testing_support::Sjis;

TEST(ImeAccess, TheDescriptionNamesTheProduct) {
  const struct {
    std::string description;
    mivo::ImeProduct product;
  } cases[] = {
      {"ATOK16", mivo::Atok},
      {"Microsoft IME Standard 2002 ver. 8.1", mivo::ImeStandard},
      {"Microsoft IME 2000", mivo::Ime2000},
      {Sjis("MS-IME97 日本語入力ｼｽﾃﾑ"), mivo::Ime97},
      {"MSIME95", mivo::Ime95},
      {"Microsoft IME 9", mivo::ImeStandard},  // shorter than a name: no match
      {"Wine XIM", mivo::ImeStandard},
      {"", mivo::ImeStandard},
  };
  for (const auto& c : cases) {
    desktop::Reset();
    desktop::SetIme({c.description, {}});
    EXPECT_EQ(mivo::ImeGetProduct(), c.product) << c.description;
  }
}

// Every candidate of a search, as the search reads them: sized, then fetched.
std::vector<std::string> Candidates(const std::string& reading) {
  std::vector<std::string> out;
  const uint32_t count =
      mivo::ImeOpenCandidates(reading.c_str(), static_cast<uint32_t>(reading.size()));
  for (uint32_t i = 0; i <= count; ++i) {
    const uint32_t length = mivo::ImeGetCandidate(i, nullptr);
    if (length == 0) break;
    std::string text(length + 1, '\0');
    EXPECT_EQ(mivo::ImeGetCandidate(i, text.data()), length);
    out.push_back(text.c_str());
  }
  EXPECT_EQ(mivo::ImeGetCandidate(count, nullptr), 0u);
  EXPECT_EQ(mivo::ImeCloseCandidates(), 1);
  return out;
}

TEST(ImeAccess, EachCandidateOfTheFirstClauseCarriesTheRestOfTheConversion) {
  desktop::Reset();
  const int32_t live = mivo::MemLiveCount();
  desktop::SetIme(
      {"Microsoft IME Standard",
       {{Sjis("かん"), {Sjis("漢"), Sjis("感"), Sjis("缶")}}, {Sjis("じ"), {Sjis("字")}}}});
  // Split into かん and じ: the remainder 字 follows every candidate of かん.
  EXPECT_EQ(Candidates(Sjis("かんじ")),
            (std::vector<std::string>{Sjis("漢字"), Sjis("感字"), Sjis("缶字")}));
  // One clause: nothing is left after the selected candidate.
  EXPECT_EQ(Candidates(Sjis("かん")),
            (std::vector<std::string>{Sjis("漢"), Sjis("感"), Sjis("缶")}));
  EXPECT_EQ(mivo::ImeCloseCandidates(), 0);
  EXPECT_EQ(desktop::LiveImeContexts(), 0);
  EXPECT_EQ(mivo::MemLiveCount(), live);
}

TEST(ImeAccess, WithoutAnInputMethodThereAreNoCandidates) {
  desktop::Reset();
  EXPECT_EQ(Candidates(Sjis("かんじ")), std::vector<std::string>{});
  EXPECT_EQ(desktop::LiveImeContexts(), 0);
}

}  // namespace
