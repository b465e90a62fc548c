#include "base/key_names.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/headless/desktop.h"

namespace {

class KeyNameTest : public ::testing::Test {
 protected:
  void SetUp() override { desktop::Reset(); }
};

TEST_F(KeyNameTest, LookupsAreExactAndCaseSensitive) {
  const struct {
    const char* name;
    int key;  // LookupKeyName
    int sys;  // LookupSysKeyName
  } cases[] = {
      {"Enter", 13, 0},     {"enter", 0, 0},        {"ENTER", 0, 0},
      {"SysShift", 16, 16}, {"SysWindow", 91, 91},  {"SysCtrl", 17, 17},
      {"SysAlt", 18, 18},   {"Shift", 16, 0},       {"Ctrl", 17, 0},
      {"Alt", 18, 0},       {"LButton", 1, 0},      {"RButton", 2, 0},
      {"Break", 3, 0},      {"MButton", 4, 0},      {"Back", 8, 0},
      {"Tab", 9, 0},        {"Clear", 12, 0},       {"Kana", 21, 0},
      {"Esc", 27, 0},       {"NonConvert", 29, 0},  {"ModeChange", 31, 0},
      {"Space", 32, 0},     {"Home", 36, 0},        {"Down", 40, 0},
      {"Select", 41, 0},    {"PrintScreen", 44, 0}, {"Help", 47, 0},
      {"LWindows", 91, 0},  {"Apps", 93, 0},        {"Divide", 111, 0},
      {"NumLock", 144, 0},  {"ScrollLock", 145, 0}, {"Colon", 186, 0},
      {"Hiphen", 189, 0},   {"Hyphen", 0, 0},       {"AtMark", 192, 0},
      {"Lbracket", 219, 0}, {"LBracket", 0, 0},     {"Yen", 220, 0},
      {"Power", 222, 0},    {"BackSlash", 226, 0},  {"a", 0, 0},
      {"", 0, 0},           {"Enter ", 0, 0},       {"F25", 0, 0},
      {"Num10", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mivo::LookupKeyName(c.name), c.key) << c.name;
    EXPECT_EQ(mivo::LookupSysKeyName(c.name), c.sys) << c.name;
  }
  EXPECT_EQ(mivo::LookupKeyName(nullptr), 0);
  EXPECT_EQ(mivo::LookupSysKeyName(nullptr), 0);
}

// The regular runs of the table: each must map onto its own code range.
TEST_F(KeyNameTest, NumberedRunsFollowTheirCodes) {
  for (int i = 1; i <= 24; ++i) {
    const std::string name = "F" + std::to_string(i);
    EXPECT_EQ(mivo::LookupKeyName(name.c_str()), 111 + i) << name;
  }
  for (int i = 0; i <= 9; ++i) {
    const std::string pad = "Num" + std::to_string(i);
    EXPECT_EQ(mivo::LookupKeyName(pad.c_str()), 96 + i) << pad;
    const std::string digit(1, static_cast<char>('0' + i));
    EXPECT_EQ(mivo::LookupKeyName(digit.c_str()), '0' + i) << digit;
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string upper(1, letter);
    const std::string lower(1, static_cast<char>(letter - 'A' + 'a'));
    EXPECT_EQ(mivo::LookupKeyName(upper.c_str()), letter) << upper;
    EXPECT_EQ(mivo::LookupKeyName(lower.c_str()), 0) << lower;
  }
}

TEST_F(KeyNameTest, TableShape) {
  // The modifier names open the key table with the same codes.
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(mivo::KeyNameTable[i].name, mivo::SysKeyTable[i].name);
    EXPECT_EQ(mivo::KeyNameTable[i].code, mivo::SysKeyTable[i].code);
  }
  EXPECT_STREQ(mivo::KeyNameTable[4].name, "LButton");
  EXPECT_STREQ(mivo::KeyNameTable[5].name, "LButton");
  EXPECT_STREQ(mivo::KeyNameTable[132].name, "BackSlash");
  // Codes fit a byte and no name is empty.
  for (const auto& entry : mivo::KeyNameTable) {
    ASSERT_NE(entry.name, nullptr);
    EXPECT_NE(entry.name[0], '\0');
    EXPECT_NE(entry.code, 0) << entry.name;
  }
  for (const auto& entry : mivo::MouseNameTable) EXPECT_NE(entry.code, 9) << entry.name;
}

TEST_F(KeyNameTest, MouseNames) {
  const struct {
    const char* name;
    int code;
  } cases[] = {
      {"Move[", 1},   {"Move[10,-5]", 1}, {"Move", 0},     {"move[1,1]", 0}, {"LDown", 2},
      {"LUp", 3},     {"RDown", 4},       {"RUp", 5},      {"MDown", 6},     {"MUp", 7},
      {"Wheel", 8},   {"LClick", 10},     {"LDClick", 11}, {"RClick", 12},   {"RDClick", 13},
      {"MClick", 14}, {"MDClick", 15},    {"lclick", 0},   {"LClick2", 0},   {"", 0},
      {"Enter", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(mivo::LookupMouseName(c.name), c.code) << c.name;
  EXPECT_EQ(mivo::LookupMouseName(nullptr), 0);
}

}  // namespace
