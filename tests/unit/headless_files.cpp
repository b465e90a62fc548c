// Files of the headless desktop: Windows paths in Shift-JIS on the real file system, and
// the test helpers that use them. Dispositions, sharing and mappings are in tests/contract.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// The calls that change a file are the steps a test sees, each once it is done.
TEST_F(HeadlessFiles, WriteStepsAreTheCallsThatChangeAFile) {
  std::vector<std::string> steps;
  desktop::SetFileWriteObserver([&steps](const desktop::FileWrite& step) {
    steps.push_back(step.call);
    EXPECT_EQ(step.path.substr(0, desktop::WorkingFolder().size()), desktop::WorkingFolder());
  });
  const os::DWORD rw = os::GENERIC_READ | os::GENERIC_WRITE;
  os::FileHandle f = os::CreateFile("d", rw, 0, os::OPEN_ALWAYS, 0);
  os::DWORD n = 0;
  os::WriteFile(f, "abc", 3, &n);
  os::CloseMapping(os::CreateFileMapping(f, os::PAGE_READWRITE, 3));  // no growth
  os::Mapping m = os::CreateFileMapping(f, os::PAGE_READWRITE, 8);
  void* view = os::MapViewOfFile(m, os::FILE_MAP_WRITE, 0);
  os::FlushViewOfFile(view, 0);
  os::UnmapViewOfFile(view);
  os::CloseMapping(m);
  os::SetFilePointer(f, 4, os::FILE_BEGIN);
  os::SetEndOfFile(f);
  os::CloseHandle(f);
  os::CloseHandle(os::CreateFile("d", os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING, 0));
  os::CopyFile("d", "e", os::FALSE);
  os::DeleteFile("e");
  EXPECT_EQ(steps, (std::vector<std::string>{"CreateFile", "WriteFile", "CreateFileMapping",
                                             "FlushViewOfFile", "UnmapViewOfFile", "SetEndOfFile",
                                             "CloseHandle", "CopyFile", "DeleteFile"}));
}

// A disk with little room: what would grow a file past it fails and changes nothing; a
// cut gives room back.
TEST_F(HeadlessFiles, AFullDiskRefusesGrowthOnly) {
  desktop::WriteFile("d", "abcd");
  os::FileHandle f =
      os::CreateFile("d", os::GENERIC_READ | os::GENERIC_WRITE, 0, os::OPEN_EXISTING, 0);
  ASSERT_NE(f, nullptr);
  desktop::SetDiskFree(3);
  os::DWORD n = 0;
  const auto map = [f](os::DWORD size) {
    os::Mapping m = os::CreateFileMapping(f, os::PAGE_READWRITE, size);
    os::CloseMapping(m);
    return m != nullptr;
  };
  const auto cutAt = [f](os::LONG at) {
    os::SetFilePointer(f, at, os::FILE_BEGIN);
    return os::SetEndOfFile(f) != 0;
  };
  const auto writeAt = [f, &n](os::LONG at, os::DWORD size) {
    os::SetFilePointer(f, at, os::FILE_BEGIN);
    return os::WriteFile(f, "xxxxxxxx", size, &n) != 0;
  };
  const struct {
    const char* step;
    std::function<bool()> call;
    bool ok;
    os::DWORD sizeAfter;
  } steps[] = {
      {"a mapping 4 bytes longer", [&] { return map(8); }, false, 4},
      {"a mapping 3 bytes longer", [&] { return map(7); }, true, 7},
      {"one byte written past the end", [&] { return writeAt(7, 1); }, false, 7},
      {"bytes written over the content", [&] { return writeAt(0, 7); }, true, 7},
      {"a cut to 2 bytes", [&] { return cutAt(2); }, true, 2},
      {"5 bytes written past the end", [&] { return writeAt(2, 5); }, true, 7},
      {"an end set further out", [&] { return cutAt(8); }, false, 7},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(s.call(), s.ok) << s.step;
    EXPECT_EQ(os::GetFileSize(f), s.sizeAfter) << s.step;
  }
  os::CloseHandle(f);
}

TEST_F(HeadlessFiles, AReadOnlyFileOpensForReadingOnly) {
  desktop::WriteFile("ro", "x");
  desktop::SetReadOnly("ro", true);
  const struct {
    os::DWORD access, disposition;
    bool opens;
  } cases[] = {
      {os::GENERIC_READ, os::OPEN_EXISTING, true},
      {os::GENERIC_READ | os::GENERIC_WRITE, os::OPEN_ALWAYS, false},
      {os::GENERIC_READ, os::CREATE_ALWAYS, false},
  };
  for (const auto& c : cases) {
    os::FileHandle f = os::CreateFile("ro", c.access, os::FILE_SHARE_READ, c.disposition, 0);
    EXPECT_EQ(f != nullptr, c.opens) << c.access << " " << c.disposition;
    os::CloseHandle(f);
  }
  EXPECT_FALSE(os::DeleteFile("ro"));
  EXPECT_EQ(desktop::ReadFile("ro"), "x");
  desktop::SetReadOnly("ro", false);
  EXPECT_TRUE(os::DeleteFile("ro"));
}

// A kill part way through a write: the bytes before the stop reach the file and nothing
// after them; a change made at once counts one byte; the next process writes freely.
TEST_F(HeadlessFiles, AStopEndsWritesPartWay) {
  const struct {
    int to, from, length;
    int64_t stop;
    std::string after;
  } cases[] = {
      {0, 2, 4, -1, "cdefefgh"},
      {0, 2, 4, 3, "cdedefgh"},  // towards the start: the first bytes
      {2, 0, 4, 3, "abcbcdgh"},  // towards the end: the last bytes
      {0, 2, 4, 0, "abcdefgh"},
  };
  for (const auto& c : cases) {
    desktop::WriteFile("f", "abcdefgh");
    os::FileHandle f =
        os::CreateFile("f", os::GENERIC_READ | os::GENERIC_WRITE, 0, os::OPEN_EXISTING, 0);
    os::Mapping m = os::CreateFileMapping(f, os::PAGE_READWRITE, 8);
    char* view = static_cast<char*>(os::MapViewOfFile(m, os::FILE_MAP_WRITE, 0));
    ASSERT_NE(view, nullptr);
    desktop::StopWritesAfter(c.stop);
    os::MoveMemory(view + c.to, view + c.from, c.length);
    EXPECT_EQ(desktop::WritesStopped(), c.stop >= 0);
    os::DWORD n = 0;
    EXPECT_EQ(os::WriteFile(f, "z", 1, &n), c.stop < 0 ? os::TRUE : os::FALSE);
    os::UnmapViewOfFile(view);
    os::CloseMapping(m);
    os::CloseHandle(f);
    EXPECT_EQ(desktop::ReadFile("f"), c.stop < 0 ? "z" + c.after.substr(1) : c.after);
    desktop::StopWritesAfter(-1);
  }
  desktop::StopWritesAfter(1);
  os::FileHandle made = os::CreateFile("new1", os::GENERIC_WRITE, 0, os::CREATE_NEW, 0);
  EXPECT_NE(made, nullptr);
  os::CloseHandle(made);
  EXPECT_EQ(os::CreateFile("new2", os::GENERIC_WRITE, 0, os::CREATE_NEW, 0), nullptr);
  EXPECT_FALSE(os::DeleteFile("new1"));
  desktop::StopWritesAfter(-1);
  EXPECT_TRUE(os::DeleteFile("new1"));
}

}  // namespace
