// Every test starts with the program as a new process finds it, so that a whole suite
// can run in one process as well as one process per test.
#include <gtest/gtest.h>

#include "shell/state.h"

namespace {

class FreshProgram : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { mivo::ResetProgramState(); }
};

const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshProgram);
  return true;
}();

}  // namespace
