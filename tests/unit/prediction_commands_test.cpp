#include "predict/prediction_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/commands.h"
#include "base/messages.h"
#include "dict/dict_file.h"
#include "predict/state.h"
#include "support/keyboard_fixture.h"

namespace {

class PredictionCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    main_ = testing_support::OpenPlainMainWindow(0, 500, 800, 200);
    desktop::WriteFile("PredCore\\Name", "Entr\tEnter\r\n");
    desktop::WriteFile("PredCore\\Macro", "Entr\tDirect(Enter)\r\n");
    ASSERT_EQ(mivo::PredictionInit(), 1);
    Posted();  // the first page asked for at opening
  }
  void TearDown() override {
    mivo::PredictionFinish();
    mivo::SetMainWindow(nullptr);
  }
  // The wParams of the messages of this number that reached the plain main window since
  // the last call.
  std::vector<os::WPARAM> Posted(os::UINT message = mivo::MM_PREDICT_CANDIDATES) {
    desktop::PumpMessages();
    std::vector<os::WPARAM> out;
    const auto calls = desktop::DefWindowProcCalls(main_);
    for (size_t i = seen_; i < calls.size(); ++i) {
      if (calls[i].message == message) out.push_back(calls[i].wParam);
    }
    seen_ = calls.size();
    return out;
  }
  os::Window main_ = nullptr;
  size_t seen_ = 0;
};

TEST_F(PredictionCommandsTest, PagingAsksForThePageItsNumberNames) {
  struct Case {
    os::WPARAM code;
    const char* argument;
    std::vector<os::WPARAM> asked;
  } cases[] = {
      {mivo::PC_P_PREVIOUS_CANDIDATES, "10", {0}},
      {mivo::PC_P_PREVIOUS_CANDIDATES, "25", {15}},
      {mivo::PC_P_PREVIOUS_CANDIDATES, "5", {0}},
      {mivo::PC_P_NEXT_CANDIDATES, "page 13 of 40", {13}},
      {mivo::PC_P_NEXT_CANDIDATES, "none", {0}},
      {mivo::PC_P_NEXT_CANDIDATES, nullptr, {}},
      {mivo::PC_P_TRANSLATE_W, nullptr, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mivo::PredictionCommand(c.code, c.argument), -1);
    EXPECT_EQ(Posted(), c.asked) << c.code << " " << (c.argument ? c.argument : "(none)");
  }
  EXPECT_EQ(mivo::PredictionCommand(mivo::IC_NEXT_CANDIDATES, "10"), mivo::NOT_MINE);
}

TEST_F(PredictionCommandsTest, OnlyOperationsAreLearnedAndRefreshThePage) {
  mivo::RecordMacroRun("Direct(Space)");
  mivo::RecordMacroRun("");
  EXPECT_EQ(Posted(), std::vector<os::WPARAM>{});
  EXPECT_STREQ(mivo::predictState.core->recent, "");
  mivo::RecordMacroRun("Direct(Enter)");
  EXPECT_EQ(Posted(), std::vector<os::WPARAM>{0});
  EXPECT_STREQ(mivo::predictState.core->recent, "Entr");
  // A choice without a TAB runs the key's macro and learns the key without a record.
  const std::string pending = mivo::predictState.core->name->pending;
  EXPECT_EQ(mivo::PredictionCommand(mivo::PC_P_TRANSLATE_W, "Entr"), -1);
  EXPECT_EQ(Posted(mivo::MM_RUN_MACRO).size(), 1u) << "sent, not posted: seen at once";
  seen_ = 0;
  EXPECT_EQ(Posted().back(), 0u);
  EXPECT_STREQ(mivo::predictState.core->recent, "EntrEntr");
  EXPECT_EQ(mivo::predictState.core->name->pending, pending);
}

TEST_F(PredictionCommandsTest, TheForegroundIsReportedOncePerChange) {
  desktop::StartForeignApp("AppA", "a");
  for (int tick = 0; tick < 2; ++tick) mivo::PredictionMainProc(main_, os::WM_TIMER, 1, 0);
  desktop::StartForeignApp("AppB", "b");
  mivo::PredictionMainProc(main_, os::WM_TIMER, 1, 0);
  EXPECT_EQ(Posted(mivo::MM_APP_CHANGED).size(), 2u);
}

}  // namespace
