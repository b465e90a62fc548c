#include "base/scoped.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/headless/desktop.h"
#include "platform/os.h"

namespace {

class ScopedTest : public ::testing::Test {
 protected:
  void SetUp() override { desktop::Reset(); }
};

TEST_F(ScopedTest, AMovedBlockIsFreedOnceByItsLastHolder) {
  const int32_t live = mivo::MemLiveCount();
  {
    mivo::OwnedText first(mivo::TextDuplicate("abc"));
    mivo::OwnedText second(std::move(first));
    mivo::OwnedText third(mivo::TextDuplicate("xyz"));
    third = std::move(second);  // "xyz" goes with the moved-from holder
    EXPECT_FALSE(first);
    EXPECT_STREQ(third.Get(), "abc");
    EXPECT_EQ(mivo::MemLiveCount(), live + 2);
  }
  EXPECT_EQ(mivo::MemLiveCount(), live);
  char* kept = mivo::OwnedText(mivo::TextDuplicate("k")).Release();
  EXPECT_EQ(mivo::MemLiveCount(), live + 1) << "a released block belongs to its new owner";
  mivo::MemFree(kept);
  EXPECT_TRUE(desktop::MessageBoxes().empty()) << "no block freed twice";
}

TEST_F(ScopedTest, FileMappingAndViewAreAllClosedAtTheEnd) {
  desktop::WriteFile("data.bin", "bytes");
  auto openAlone = [] {
    return mivo::ScopedFile(os::CreateFile("data.bin", os::GENERIC_READ, 0, os::OPEN_EXISTING,
                                           os::FILE_ATTRIBUTE_NORMAL));
  };
  {
    mivo::ScopedFile file = openAlone();
    ASSERT_TRUE(file);
    mivo::ScopedMapping mapping(os::CreateFileMapping(file.Get(), os::PAGE_READONLY, 0));
    mivo::ScopedView view(os::MapViewOfFile(mapping.Get(), os::FILE_MAP_READ, 0));
    ASSERT_TRUE(view);
    EXPECT_EQ(std::string(static_cast<const char*>(view.Get()), 5), "bytes");
    EXPECT_FALSE(openAlone()) << "held without sharing";
  }
  // A view left mapped would keep the file open.
  EXPECT_TRUE(openAlone());
}

TEST_F(ScopedTest, ASelectionIsPutBackAndTheContextReleased) {
  os::WndClass wc{};
  wc.lpfnWndProc = os::DefWindowProc;
  wc.lpszClassName = "Plain";
  ASSERT_NE(os::RegisterClass(wc), 0);
  os::Window w = os::CreateWindowEx(0, "Plain", "", os::WS_POPUP | os::WS_VISIBLE, 0, 0, 50, 50,
                                    nullptr, nullptr, nullptr);
  os::Font font = os::CreateFont(-9, 0, 0, 0, os::FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Face");
  os::Dc raw = nullptr;
  {
    const mivo::ScopedDc dc(w);
    raw = dc.Get();
    {
      const mivo::ScopedSelect selected(dc.Get(), font);
      EXPECT_TRUE(selected);
      os::TextOut(dc.Get(), 0, 0, "a", 1);
    }
    os::TextOut(dc.Get(), 0, 0, "b", 1);
  }
  EXPECT_FALSE(os::TextOut(raw, 0, 0, "c", 1)) << "released";
  const auto ops = desktop::Drawing(w);
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].fontFace, "Face");
  EXPECT_EQ(ops[1].fontFace, "System") << "the context's own font is back";
  EXPECT_TRUE(os::DeleteObject(font));
}

}  // namespace
