// Files of the headless desktop: Windows paths in Shift-JIS on the real file system, and
// the test helpers that use them. Dispositions, sharing and mappings are in tests/contract.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/headless/desktop.h"
#include "platform/os.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

class HeadlessFiles : public ::testing::Test {
 protected:
  void SetUp() override { desktop::Reset(); }
  bool PosixExists(const std::string& utf8Relative) {
    struct stat st {};
    return stat((desktop::WorkingFolder() + "/" + utf8Relative).c_str(), &st) == 0;
  }
};

TEST_F(HeadlessFiles, ShiftJisNamesKeepA5CTrailByte) {
  // "表" is 0x95 0x5C: its second byte must not become a folder separator.
  ASSERT_EQ(Sjis("表"), std::string("\x95\x5c"));
  struct Case {
    const char* sjisPathUtf8;  // as the program writes it, before Sjis()
    const char* posixUtf8;     // where it must land under the working folder
  };
  const Case cases[] = {
      {"表.txt", "表.txt"},
      {"Trans\\表示", "Trans/表示"},
      {"ソ\\能", "ソ/能"},  // "ソ" 0x83 0x5C, "能" 0x94 0x5C
  };
  ASSERT_TRUE(os::CreateDirectory("Trans"));
  ASSERT_TRUE(os::CreateDirectory(Sjis("ソ").c_str()));
  for (const Case& c : cases) {
    std::string path = Sjis(c.sjisPathUtf8);
    os::FileHandle f = os::CreateFile(path.c_str(), os::GENERIC_WRITE, 0, os::CREATE_ALWAYS, 0);
    ASSERT_NE(f, nullptr) << c.posixUtf8;
    os::CloseHandle(f);
    EXPECT_TRUE(PosixExists(c.posixUtf8)) << c.posixUtf8;
    EXPECT_EQ(os::GetFileAttributes(path.c_str()), os::FILE_ATTRIBUTE_ARCHIVE);
  }
  EXPECT_EQ(os::GetFileAttributes("Trans"), os::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(os::GetFileAttributes("absent"), os::INVALID_FILE_ATTRIBUTES);
}

TEST_F(HeadlessFiles, TestHelpersUseTheProgramsPaths) {
  std::string name = Sjis("表\\単語");
  desktop::WriteFile(name, "x");
  EXPECT_TRUE(PosixExists("表/単語"));
  EXPECT_TRUE(desktop::FileExists(name));
  EXPECT_EQ(desktop::ReadFile(name), "x");
  EXPECT_EQ(desktop::ReadFile("absent"), "");
}

}  // namespace
