// Files of the headless desktop: Windows paths in Shift-JIS on the real file system,
// dispositions, sharing and mappings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
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
    EXPECT_EQ(os::GetFileAttributes(path.c_str()), os::FILE_ATTRIBUTE_NORMAL);
  }
  EXPECT_EQ(os::GetFileAttributes("Trans"), os::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(os::GetFileAttributes("absent"), os::INVALID_FILE_ATTRIBUTES);
}

TEST_F(HeadlessFiles, DispositionsAsOnWindows) {
  struct Case {
    bool existsBefore;
    os::DWORD disposition;
    bool opens;
    os::DWORD sizeAfter;  // the file held "abcd" before
  };
  const Case cases[] = {
      {false, os::OPEN_EXISTING, false, 0}, {true, os::OPEN_EXISTING, true, 4},
      {false, os::OPEN_ALWAYS, true, 0},    {true, os::OPEN_ALWAYS, true, 4},
      {true, os::CREATE_ALWAYS, true, 0},   {false, os::CREATE_ALWAYS, true, 0},
      {true, os::CREATE_NEW, false, 4},     {false, os::CREATE_NEW, true, 0},
  };
  for (const Case& c : cases) {
    desktop::Reset();
    if (c.existsBefore) desktop::WriteFile("f.txt", "abcd");
    os::FileHandle f = os::CreateFile("f.txt", os::GENERIC_READ, os::FILE_SHARE_READ, c.disposition, 0);
    EXPECT_EQ(f != nullptr, c.opens) << c.disposition << " " << c.existsBefore;
    if (f) {
      EXPECT_EQ(os::GetFileSize(f), c.sizeAfter);
      os::CloseHandle(f);
    } else {
      EXPECT_EQ(desktop::FileExists("f.txt"), c.existsBefore);
    }
  }
}

TEST_F(HeadlessFiles, ReadWriteSeekAndTruncate) {
  os::FileHandle f = os::CreateFile("Log\\a.txt", os::GENERIC_READ | os::GENERIC_WRITE, 0,
                                    os::CREATE_ALWAYS, 0);
  EXPECT_EQ(f, nullptr);  // no such folder
  f = os::CreateFile("a.txt", os::GENERIC_READ | os::GENERIC_WRITE, 0, os::CREATE_ALWAYS, 0);
  ASSERT_NE(f, nullptr);
  os::DWORD n = 0;
  ASSERT_TRUE(os::WriteFile(f, "hello world", 11, &n));
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(os::SetFilePointer(f, 5, os::FILE_BEGIN), 5u);
  EXPECT_TRUE(os::SetEndOfFile(f));
  EXPECT_EQ(os::GetFileSize(f), 5u);
  EXPECT_EQ(os::SetFilePointer(f, -2, os::FILE_END), 3u);
  char buffer[8] = {};
  ASSERT_TRUE(os::ReadFile(f, buffer, sizeof buffer, &n));
  EXPECT_EQ(n, 2u);
  EXPECT_STREQ(buffer, "lo");
  ASSERT_TRUE(os::ReadFile(f, buffer, sizeof buffer, &n));  // at the end: success, nothing read
  EXPECT_EQ(n, 0u);
  os::CloseHandle(f);
  EXPECT_EQ(desktop::ReadFile("a.txt"), "hello");
  // A handle opened for reading only cannot write.
  f = os::CreateFile("a.txt", os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING, 0);
  EXPECT_FALSE(os::WriteFile(f, "x", 1, &n));
  EXPECT_TRUE(os::CloseHandle(f));
  EXPECT_FALSE(os::CloseHandle(f));
}

TEST_F(HeadlessFiles, SharingRulesDecideASecondOpen) {
  struct Case {
    os::DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
  };
  const os::DWORD R = os::GENERIC_READ, W = os::GENERIC_WRITE;
  const os::DWORD SR = os::FILE_SHARE_READ, SW = os::FILE_SHARE_WRITE;
  const Case cases[] = {
      {R, SR, R, SR, true},
      {R, 0, R, SR, false},           // the first allows no other reader
      {R | W, SR, R, SR, false},      // the second does not allow the first's writing
      {R | W, SR, R, SR | SW, true},
      {R, SR, R | W, SR, false},      // the first does not allow writers
      {R, SR | SW, R | W, SR | SW, true},
  };
  for (const Case& c : cases) {
    desktop::Reset();
    desktop::WriteFile("d", "data");
    os::FileHandle a = os::CreateFile("d", c.firstAccess, c.firstShare, os::OPEN_EXISTING, 0);
    ASSERT_NE(a, nullptr);
    os::FileHandle b = os::CreateFile("d", c.secondAccess, c.secondShare, os::OPEN_EXISTING, 0);
    EXPECT_EQ(b != nullptr, c.secondOpens);
    EXPECT_FALSE(os::DeleteFile("d"));  // open files cannot be deleted
    if (b) os::CloseHandle(b);
    os::CloseHandle(a);
    EXPECT_TRUE(os::DeleteFile("d"));
    EXPECT_FALSE(desktop::FileExists("d"));
  }
}

TEST_F(HeadlessFiles, AWritableMappingGrowsTheFile) {
  desktop::WriteFile("dict", "abcd");
  os::FileHandle f = os::CreateFile("dict", os::GENERIC_READ | os::GENERIC_WRITE, 0, os::OPEN_EXISTING, 0);
  ASSERT_NE(f, nullptr);
  // A read-only mapping cannot be larger than the file.
  EXPECT_EQ(os::CreateFileMapping(f, os::PAGE_READONLY, 100), nullptr);
  os::Mapping m = os::CreateFileMapping(f, os::PAGE_READWRITE, 10);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(os::GetFileSize(f), 10u);
  char* view = static_cast<char*>(os::MapViewOfFile(m, os::FILE_MAP_WRITE, 0));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, 4), "abcd");
  std::memcpy(view + 4, "efghij", 6);
  EXPECT_TRUE(os::UnmapViewOfFile(view));
  EXPECT_FALSE(os::UnmapViewOfFile(view));
  EXPECT_TRUE(os::CloseMapping(m));
  os::CloseHandle(f);
  EXPECT_EQ(desktop::ReadFile("dict"), "abcdefghij");
}

TEST_F(HeadlessFiles, ReadOnlyMappingsRefuseWritingAndEmptyFiles) {
  desktop::WriteFile("ro", "xyz");
  desktop::WriteFile("empty", "");
  os::FileHandle f = os::CreateFile("ro", os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING, 0);
  EXPECT_EQ(os::CreateFileMapping(f, os::PAGE_READWRITE, 0), nullptr);  // handle lacks write
  os::Mapping m = os::CreateFileMapping(f, os::PAGE_READONLY, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(os::MapViewOfFile(m, os::FILE_MAP_WRITE, 0), nullptr);
  const char* view = static_cast<const char*>(os::MapViewOfFile(m, os::FILE_MAP_READ, 0));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, 3), "xyz");
  // The view outlives the mapping and the handle, and keeps the file open.
  os::CloseMapping(m);
  os::CloseHandle(f);
  EXPECT_FALSE(os::DeleteFile("ro"));
  EXPECT_EQ(view[2], 'z');
  os::UnmapViewOfFile(const_cast<char*>(view));
  EXPECT_TRUE(os::DeleteFile("ro"));
  os::FileHandle e = os::CreateFile("empty", os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING, 0);
  EXPECT_EQ(os::CreateFileMapping(e, os::PAGE_READONLY, 0), nullptr);
  os::CloseHandle(e);
}

TEST_F(HeadlessFiles, CopySearchAndFolders) {
  desktop::WriteFile("phrase", "a b c\r\n");
  EXPECT_TRUE(os::CopyFile("phrase", "copy", os::TRUE));
  EXPECT_FALSE(os::CopyFile("phrase", "copy", os::TRUE));
  EXPECT_TRUE(os::CopyFile("phrase", "copy", os::FALSE));
  EXPECT_FALSE(os::CopyFile("absent", "other", os::FALSE));
  EXPECT_EQ(desktop::ReadFile("copy"), "a b c\r\n");
  EXPECT_TRUE(os::CreateDirectory("Trans"));
  EXPECT_FALSE(os::CreateDirectory("Trans"));
  char found[512];
  char* part = nullptr;
  EXPECT_EQ(os::SearchPath(nullptr, "Trans\\phrase", nullptr, sizeof found, found, &part), 0u);
  desktop::WriteFile("Trans/phrase", "");
  os::DWORD n = os::SearchPath(nullptr, "Trans\\phrase", nullptr, sizeof found, found, &part);
  ASSERT_GT(n, 0u);
  EXPECT_STREQ(part, "phrase");
  // The answer is a path the program can open again.
  os::FileHandle f = os::CreateFile(found, os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING, 0);
  EXPECT_NE(f, nullptr);
  os::CloseHandle(f);
  EXPECT_GT(os::SearchPath(nullptr, "phrase", nullptr, 2, found, nullptr), 2u);  // too small: size needed
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
