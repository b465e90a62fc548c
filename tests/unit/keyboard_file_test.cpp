#include "keyboard/keyboard_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard.h"
#include "platform/headless/desktop.h"
#include "support/keyboard_fixture.h"
#include "support/sjis.h"

namespace {

using testing_support::Sjis;

struct Posted {
  os::UINT message;
  os::WPARAM wParam;
  bool operator==(const Posted& o) const { return message == o.message && wParam == o.wParam; }
};

void PrintTo(const Posted& p, std::ostream* os) {
  *os << "{" << p.message << ", " << p.wParam << "}";
}

class KeyboardFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
    main_ = testing_support::OpenPlainMainWindow(0, 400, 1000, 340);
    mivo::settings.FrameWidth = 2;
    mivo::settings.MetricsMode = 1;
    ASSERT_TRUE(mivo::KeyTableInit());
    ASSERT_TRUE(mivo::ColorSetTableInit());
  }
  void TearDown() override {
    mivo::KeyTableFree();
    mivo::ColorSetTableFree();
    mivo::SetMainWindow(nullptr);
    EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked";
  }

  static int Load(const std::string& bytes, int32_t base = 0, const std::string& name = "k.cfg") {
    desktop::WriteFile(name, bytes);
    return mivo::LoadKeyboardFile(name.c_str(), base);
  }

  // The keyboard-reader messages posted so far, in queue order.
  std::vector<Posted> TakePosted() {
    std::vector<Posted> out;
    os::Msg msg{};
    // Only the posted range: an unpainted window would answer WM_PAINT for ever.
    while (os::PeekMessage(&msg, nullptr, mivo::MM_SET_HOME, mivo::MM_KEYBOARD_LOADED,
                           os::PM_REMOVE)) {
      out.push_back({msg.message, msg.wParam});
    }
    return out;
  }

  static const mivo::KeyRecord* KeyWithId(int32_t id) {
    return mivo::GetKey(mivo::FindKeyById(id));
  }

  os::Window main_ = nullptr;
  int32_t live_ = 0;
};

// ---------------------------------------------------------------- key attributes

struct KeyCase {
  const char* what;
  std::string file;
  int32_t id;  // the key to inspect
  std::string name;
  uint32_t x, y, cx, cy;
  int32_t type;
  bool hidden;
};

class KeyboardFileKeys : public KeyboardFileTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyboardFileKeys, StoresWhatTheFileSays) {
  const KeyCase& c = GetParam();
  ASSERT_EQ(Load(c.file), 0) << c.what;
  const mivo::KeyRecord* key = KeyWithId(c.id);
  ASSERT_NE(key, nullptr) << c.what;
  EXPECT_EQ(std::string(key->name), c.name) << c.what;
  EXPECT_EQ(key->x, c.x) << c.what;
  EXPECT_EQ(key->y, c.y) << c.what;
  EXPECT_EQ(key->cx, c.cx) << c.what;
  EXPECT_EQ(key->cy, c.cy) << c.what;
  EXPECT_EQ(key->type, c.type) << c.what;
  EXPECT_EQ((key->flags & mivo::KF_HIDDEN) != 0, c.hidden) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardFileKeys,
    ::testing::Values(
        KeyCase{"all numbers", "key(1){name=\"a\" x=10 y=20 cx=30 cy=40 type=1}", 1, "a", 10, 20,
                30, 40, 1, false},
        KeyCase{"defaults", "key(1){}", 1, "", 0, 0, 0, 0, 3, false},
        KeyCase{"upper-case words", "KEY(2){NAME=\"b\" X=7 Cy=9 TyPe=4}", 2, "b", 7, 0, 0, 9, 4,
                false},
        KeyCase{"junk skipped where it may stand",
                "key junk (zz 3) junk {name junk = \"c\" x ?= 5}", 3, "c", 5, 0, 0, 0, 3, false},
        KeyCase{"attribute numbers have no sign", "key(1){x=-5}", 1, "", 5, 0, 0, 0, 3, false},
        KeyCase{"a number given twice keeps the last", "key(1){x=1 x=2}", 1, "", 2, 0, 0, 0, 3,
                false},
        KeyCase{"tab, line feed and CR between attributes", "key(1){\tx=1\r\n\ty=2\n}", 1, "", 1, 2,
                0, 0, 3, false},
        KeyCase{"visible=0 hides", "key(1){visible=0}", 1, "", 0, 0, 0, 0, 3, true},
        KeyCase{"visible=10 hides", "key(1){visible=10}", 1, "", 0, 0, 0, 0, 3, true},
        KeyCase{"visible=11 shows", "key(1){visible=11}", 1, "", 0, 0, 0, 0, 3, false},
        KeyCase{"a flag only falls", "key(1){visible=0 visible=1}", 1, "", 0, 0, 0, 0, 3, true},
        KeyCase{"comment between attributes", "key(1){# x=9 \"\n y=4}", 1, "", 0, 4, 0, 0, 3,
                false},
        KeyCase{"hash and asterisk are text inside quotes", "key(1){name=\"a#b*c\"}", 1, "a#b*c", 0,
                0, 0, 0, 3, false},
        KeyCase{"escapes", "key(1){name=\"\\x41\\q\\\"\\n\\t\\\\\"}", 1, "Aq\"\n\t\\", 0, 0, 0, 0,
                3, false},
        KeyCase{"bad hex digit drops the escape and the byte", "key(1){name=\"1\\x4g2\\xz3\"}", 1,
                "123", 0, 0, 0, 0, 3, false},
        KeyCase{"backslash then hash starts a comment", "key(1){name=\"a\\#zz\"\nb\" x=5}", 1, "ab",
                5, 0, 0, 0, 3, false},
        KeyCase{"trail byte 0x5C is part of its character",
                "key(1){name=\"" + Sjis("表示") + "\" x=3}", 1, Sjis("表示"), 3, 0, 0, 0, 3, false},
        KeyCase{"text given twice keeps the last", "key(1){name=\"long\" name=\"s\"}", 1, "s", 0, 0,
                0, 0, 3, false},
        KeyCase{"each tag starts from the defaults", "key(1){x=5 name=\"a\" visible=0} key(2){}", 2,
                "", 0, 0, 0, 0, 3, false}));

TEST_F(KeyboardFileTest, EventTextsGoToTheirFields) {
  ASSERT_EQ(Load("key(1){onfocus=\"F\" onunfocus=\"UF\" onselect=\"S\" onunselect=\"US\" "
                 "onselected=\"D\"}"),
            0);
  const mivo::KeyRecord* key = KeyWithId(1);
  ASSERT_NE(key, nullptr);
  EXPECT_STREQ(key->onfocus, "F");
  EXPECT_STREQ(key->onunfocus, "UF");
  EXPECT_STREQ(key->onselect, "S");
  EXPECT_STREQ(key->onunselect, "US");
  EXPECT_STREQ(key->onselected, "D");
}

TEST_F(KeyboardFileTest, ATextLongerThanItsBufferIsCutWithoutOverrun) {
  const std::string longText(5000, 'w');
  ASSERT_EQ(Load("key(1){name=\"" + longText + "\" x=8}"), 0);
  const mivo::KeyRecord* key = KeyWithId(1);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(std::string(key->name), std::string(mivo::KEYBOARD_TEXT_SIZE - 1, 'w'));
  EXPECT_EQ(key->x, 8u) << "reading goes on after the cut text";
}

TEST_F(KeyboardFileTest, ACutTextNeverEndsInHalfACharacter) {
  // 2046 single bytes, then a double-byte character that no longer fits whole.
  const std::string text = std::string(2046, 'a') + Sjis("漢");
  ASSERT_EQ(Load("key(1){name=\"" + text + "\"}"), 0);
  EXPECT_EQ(std::string(KeyWithId(1)->name), std::string(2046, 'a'));
}

// What a quoted text from its first byte decodes to, read one byte at a time: the
// reference the run-at-a-time decoding is held to. Past the closing quote, `end` is where
// it stood; 0 when a comment or an asterisk ran to the end of the bytes first.
struct ByteText {
  std::string text;
  int lines = 0;
  size_t end = 0;
};
ByteText DecodeByteByByte(const std::string& f, size_t p) {
  enum { TEXT, ESCAPE, HIGH, LOW, TRAIL } state = TEXT;
  const auto hex = [](unsigned char b) {
    return std::isxdigit(b) ? (b <= '9' ? b - '0' : (b | 0x20) - 'a' + 10) : -1;
  };
  ByteText out;
  bool cut = false;
  int high = 0;
  const auto store = [&](unsigned char b) {
    if (out.text.size() + 1 < static_cast<size_t>(mivo::KEYBOARD_TEXT_SIZE)) {
      out.text += static_cast<char>(b);
    } else {
      cut = true;
    }
  };
  for (; p < f.size(); ++p) {
    const auto b = static_cast<unsigned char>(f[p]);
    if (state != TEXT && b == '*') return {};
    if (state != TEXT && b == '#') {
      p = f.find('\n', p);
      if (p == std::string::npos) return {};
      ++out.lines;
      continue;
    }
    if (b == '\n') ++out.lines;
    if (state == TEXT && b == '"') {
      if (cut) out.text.resize(mivo::WholeCharacters(out.text.data(), out.text.size()));
      out.end = p + 1;
      return out;
    }
    if (state == TEXT && b == '\\') {
      state = ESCAPE;
    } else if (state == TEXT || state == TRAIL) {
      store(b);
      state = state == TEXT && mivo::IsLeadByte(b) ? TRAIL : TEXT;
    } else if (state == ESCAPE) {
      if (b != 'x') store(b == 'n' ? '\n' : b == 't' ? '\t' : b);
      state = b == 'x' ? HIGH : TEXT;
    } else if (state == HIGH) {
      high = hex(b);
      state = high < 0 ? TEXT : LOW;
    } else {
      if (hex(b) >= 0) store(static_cast<unsigned char>(high * 16 + hex(b)));
      state = TEXT;
    }
  }
  return {};
}

TEST_F(KeyboardFileTest, LongTextsDecodeAsIfReadByteByByte) {
  // Escapes, characters and comment starts at every offset of the blocks, texts past the
  // buffer's size, and ends close to the end of the bytes. What ends the file early
  // weighs little, so that most texts close.
  const std::vector<std::pair<std::string, int>> pieces = {
      {"a", 40},        {"plain text run ", 40},
      {"\\t", 40},      {"\\n", 40},
      {"\\x41", 40},    {"\\x4g", 40},
      {"\\xz", 40},     {"\\\\", 40},
      {"\\\"", 40},     {"\x82\xa0", 40},
      {"\x81\x5c", 40}, {"\x83\"", 40},
      {"\xb1", 40},     {"\n", 40},
      {"\\#x\n", 40},   {"\x82#\n", 40},
      {"\\x#\n", 40},   {"\\x4#\n", 40},
      {"#", 40},        {"\\x4\"", 40},
      {"\\x00", 40},    {"\\", 4},
      {"\\*", 1},       {"\x82*", 1}};
  std::vector<int> weights;
  for (const auto& piece : pieces) weights.push_back(piece.second);
  std::discrete_distribution<size_t> pick(weights.begin(), weights.end());
  std::mt19937 random(7);
  int compared = 0;
  const int samples = 300;
  for (int n = 0; n < samples; ++n) {
    std::string text;
    const size_t count = random() % 900;
    for (size_t i = 0; i < count; ++i) text += pieces[pick(random)].first;
    std::string file = "key(1){name=\"" + text + "\"";
    const ByteText expected = DecodeByteByByte(file, 13);
    if (expected.end == 0) continue;
    // The file ends at the closing quote, wherever it is, with a line that stops the read.
    file.resize(expected.end);
    file += "}\nqq(";
    ++compared;
    ASSERT_EQ(Load(file), 64 + 2) << n;
    ASSERT_NE(KeyWithId(1), nullptr) << n;
    EXPECT_EQ(std::string(KeyWithId(1)->name), std::string(expected.text.c_str())) << n;
    const std::string line = "Error on line " + std::to_string(2 + expected.lines) + " type";
    EXPECT_EQ(desktop::MessageBoxes().back().text.substr(0, line.size()), line) << n;
    mivo::DeleteAllKeys();
  }
  EXPECT_GT(compared, samples / 3);
}

// ---------------------------------------------------------------- ids, parents, bases

TEST_F(KeyboardFileTest, BaseAddsToTagAndParentIdsButNotToColourSets) {
  ASSERT_EQ(Load("color(1){tnormal=010000}\n"
                 "base(100)\n"
                 "color(1){}\n"
                 "key(1){}\n"
                 "key(5){parent=1 colorset=1}\n"),
            0);
  const mivo::KeyRecord* key = KeyWithId(105);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->parent, mivo::FindKeyById(101));
  EXPECT_EQ(key->colorSet, mivo::FindColorSetById(1));
  EXPECT_NE(mivo::FindColorSetById(101), 0);
}

struct IdCase {
  const char* what;
  std::string file;
  int32_t base;
  int32_t expectedId;
};

class KeyboardFileIds : public KeyboardFileTest, public ::testing::WithParamInterface<IdCase> {};

TEST_P(KeyboardFileIds, TagIdsCountFromTheBase) {
  const IdCase& c = GetParam();
  ASSERT_EQ(Load(c.file, c.base), 0) << c.what;
  EXPECT_EQ(mivo::keyboardState.KeyCount, 1) << c.what;
  ASSERT_NE(mivo::GetKey(1), nullptr) << c.what;
  EXPECT_EQ(mivo::GetKey(1)->id, c.expectedId) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardFileIds,
    ::testing::Values(IdCase{"plain", "key(12){}", 0, 12},
                      IdCase{"the caller's base", "key(12){}", 1000, 1012},
                      IdCase{"base replaces", "base(100) base(7) key(1){}", 1000, 8},
                      IdCase{"baseadd adds", "base(10) baseadd(5) key(1){}", 0, 16},
                      IdCase{"negative base", "base(-100) key(101){}", 0, 1},
                      IdCase{"negative tag id", "key(-3){}", 10, 7},
                      IdCase{"minus only as the first byte", "key(4-2){}", 0, 4}));

TEST_F(KeyboardFileTest, AParentOrColourSetDefinedLaterIsNotFound) {
  ASSERT_EQ(Load("key(2){parent=1 colorset=3}\nkey(1){}\ncolor(3){}\n"), 0);
  EXPECT_EQ(KeyWithId(2)->parent, 0);
  EXPECT_EQ(KeyWithId(2)->colorSet, 0);
}

TEST_F(KeyboardFileTest, ColorsetZeroMeansNoneEvenWhenColourSetZeroExists) {
  ASSERT_EQ(Load("color(0){}\nkey(1){colorset=0}\n"), 0);
  EXPECT_NE(mivo::FindColorSetById(0), 0);
  EXPECT_EQ(KeyWithId(1)->colorSet, 0);
}

TEST_F(KeyboardFileTest, PagesAndContainersFollowTheTreeRule) {
  ASSERT_EQ(
      Load("key(1){type=7}\nkey(2){type=5 parent=1}\nkey(3){type=3 parent=1}\nkey(4){type=5}\n"),
      0);
  EXPECT_NE(KeyWithId(2), nullptr);
  EXPECT_EQ(KeyWithId(3), nullptr) << "a container holds only pages";
  EXPECT_NE(KeyWithId(4), nullptr) << "a page without an existing parent is not refused";
}

// ---------------------------------------------------------------- colours

struct ColourCase {
  const char* what;
  std::string value;  // what follows "tnormal="
  os::Colour expected;
};

class KeyboardFileColours : public KeyboardFileTest,
                            public ::testing::WithParamInterface<ColourCase> {};

TEST_P(KeyboardFileColours, DigitsFillBytePairsFromTheLowestByte) {
  const ColourCase& c = GetParam();
  ASSERT_EQ(Load("color(1){tnormal=" + c.value + "}\n"), 0) << c.what;
  const mivo::ColorSet* set = mivo::GetColorSet(mivo::FindColorSetById(1));
  ASSERT_NE(set, nullptr) << c.what;
  EXPECT_EQ(set->textNormal, c.expected) << c.what << std::hex << " got 0x" << set->textNormal;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardFileColours,
    ::testing::Values(ColourCase{"red as in HTML", "ff0000", 0x0000FF},
                      ColourCase{"upper-case digits", "FF8000", 0x0080FF},
                      ColourCase{"blue", "0000ff", 0xFF0000},
                      ColourCase{"one digit is a high nibble", "8", 0x80},
                      ColourCase{"a comment after = leaves the value to later digits",
                                 "#ff0000\n12", 0x12},
                      ColourCase{"seven digits reach the top byte", "1234567", 0x70563412},
                      ColourCase{"eight digits", "12345678", 0x78563412},
                      ColourCase{"digits past the eighth are ignored", "12345678ab", 0x78563412},
                      ColourCase{"a second value replaces the first", "ffffff tnormal=01", 0x01}));

TEST_F(KeyboardFileTest, FillAndFrameColoursAboveTwentyFourBitsMakeNoBrushOrPen) {
  ASSERT_EQ(Load("color(1){normal=ff0000 focus=00000001 fselect=00ff00}\n"), 0);
  const mivo::ColorSet* set = mivo::GetColorSet(mivo::FindColorSetById(1));
  ASSERT_NE(set, nullptr);
  EXPECT_NE(set->fillNormal, nullptr);
  EXPECT_EQ(set->fillFocus, nullptr) << "seven or eight digits mean no colour";
  EXPECT_EQ(set->fillSelect, nullptr) << "the default is no colour";
  EXPECT_EQ(set->frameNormal, nullptr);
  EXPECT_EQ(set->frameFocus, nullptr);
  EXPECT_NE(set->frameSelect, nullptr);
}

// ---------------------------------------------------------------- messages

TEST_F(KeyboardFileTest, RoleAndTemplateTagsPostInFileOrderThenLoaded) {
  ASSERT_EQ(Load("color(20){} color(21){}\n"
                 "key(1){} key(2){} key(3){}\n"
                 "home(2) start(3) keyboard(1) yosoku(1) pyosoku(2) yomi(3)\n"
                 "yosokucolor(20) pyosokucolor(21) nextcandidatecolor(21) nextcandidate(20)\n"
                 "previouscandidatecolor(20) previouscandidate(21) imecandidatecolor(21) "
                 "imecandidate(20)\n"
                 "onbegin(5) home(99)\n"),
            0);
  const os::WPARAM k1 = mivo::FindKeyById(1), k2 = mivo::FindKeyById(2), k3 = mivo::FindKeyById(3);
  const os::WPARAM c20 = mivo::FindColorSetById(20), c21 = mivo::FindColorSetById(21);
  std::vector<Posted> expected = {
      {mivo::MM_SET_HOME, k2},
      {mivo::MM_SET_START, k3},
      {mivo::MM_SET_KEYBOARD, k1},
      {mivo::MM_SET_YOSOKU, k1},
      {mivo::MM_SET_PYOSOKU, k2},
      {mivo::MM_SET_YOMI, k3},
      {mivo::MM_SET_YOSOKU_COLOR, c20},
      {mivo::MM_SET_PYOSOKU_COLOR, c21},
      {mivo::MM_SET_NEXT_COLOR, c21},
      {mivo::MM_SET_NEXT_COLOR, c20},
      {mivo::MM_SET_PREVIOUS_COLOR, c20},
      {mivo::MM_SET_PREVIOUS_COLOR, c21},
      {mivo::MM_SET_IMECAND_COLOR, c21},
      {mivo::MM_SET_IMECAND_COLOR, c20},
      {mivo::MM_SET_HOME, 0},
      {mivo::MM_KEYBOARD_LOADED, 0},
  };
  EXPECT_EQ(TakePosted(), expected);
}

TEST_F(KeyboardFileTest, PreviousCandidateWithAQuotedTextActsWithIdZeroAndStoresNothing) {
  ASSERT_EQ(Load("color(0){}\nkey(5){name=\"keep\"}\npreviouscandidate=\"x(9){name=\\\"y\\\"}\"!"
                 "key(6){}\n"),
            0);
  EXPECT_STREQ(KeyWithId(5)->name, "keep");
  EXPECT_EQ(KeyWithId(9), nullptr);
  EXPECT_NE(KeyWithId(6), nullptr) << "the tag after the quoted text is read";
  std::vector<Posted> expected = {
      {mivo::MM_SET_PREVIOUS_COLOR, static_cast<os::WPARAM>(mivo::FindColorSetById(0))},
      {mivo::MM_KEYBOARD_LOADED, 0}};
  EXPECT_EQ(TakePosted(), expected);
}

// ---------------------------------------------------------------- whole-file results

struct ResultCase {
  const char* what;
  std::string file;
  int keys;  // keys made
};

class KeyboardFileResults : public KeyboardFileTest,
                            public ::testing::WithParamInterface<ResultCase> {};

TEST_P(KeyboardFileResults, SucceedsAndPostsLoaded) {
  const ResultCase& c = GetParam();
  EXPECT_EQ(Load(c.file), 0) << c.what;
  EXPECT_EQ(mivo::keyboardState.KeyCount, c.keys) << c.what;
  EXPECT_TRUE(desktop::MessageBoxes().empty()) << c.what;
  std::vector<Posted> expected = {{mivo::MM_KEYBOARD_LOADED, 0}};
  EXPECT_EQ(TakePosted(), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardFileResults,
    ::testing::Values(
        ResultCase{"empty file", "", 0}, ResultCase{"only comments", "# one\n#two * key(1){}\n", 0},
        ResultCase{"asterisk ends the file", "key(1){} * key(1){} garbage((( \"", 1},
        ResultCase{"asterisk inside braces ends the file", "key(1){} key(2){x=1 *}", 1},
        ResultCase{"open tag at the end has no effect", "key(1){} key(2){name=\"abc", 1},
        ResultCase{"open parenthesis at the end", "key(1){} key(2", 1},
        ResultCase{"unterminated word at the end", "key(1){} keyb", 1}));

TEST_F(KeyboardFileTest, MissingFileAnswersMinusOneSilently) {
  EXPECT_EQ(mivo::LoadKeyboardFile("absent.cfg", 0), -1);
  EXPECT_EQ(mivo::LoadKeyboardFile(nullptr, 0), -1);
  EXPECT_TRUE(desktop::MessageBoxes().empty());
  EXPECT_TRUE(TakePosted().empty());
}

// ---------------------------------------------------------------- errors

struct ErrorCase {
  const char* what;
  std::string file;
  int code;
  int line;
  int type;
  int id;
  std::string next;
  int keysKept;
};

class KeyboardFileErrors : public KeyboardFileTest,
                           public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(KeyboardFileErrors, ReportsOnceAndStops) {
  const ErrorCase& c = GetParam();
  EXPECT_EQ(Load(c.file), 64 + c.code) << c.what;
  auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u) << c.what;
  EXPECT_EQ(boxes[0].text, "Error on line " + std::to_string(c.line) + " type " +
                               std::to_string(c.type) + " ID " + std::to_string(c.id) +
                               "\nError Code " + std::to_string(c.code) + "\nNext String " + c.next)
      << c.what;
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].type, os::MB_OK | os::MB_TOPMOST);
  EXPECT_EQ(mivo::keyboardState.KeyCount, c.keysKept) << c.what;
  for (const Posted& p : TakePosted()) EXPECT_NE(p.message, mivo::MM_KEYBOARD_LOADED) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyboardFileErrors,
    ::testing::Values(
        ErrorCase{"unknown tag word", "foo(1)", 2, 1, 0, 0, "(1)", 0},
        ErrorCase{"unknown tag shows the id of the tag before", "key(3){}\n\nbar(1) x\n", 2, 3, 0,
                  3, "(1) x", 1},
        ErrorCase{"tag word broken by a skipped byte", "k!ey(1){}", 2, 1, 0, 0, "(1){}", 0},
        ErrorCase{"comma between attributes", "key(1){name=\"a\", x=1}", 10, 1, 1, 1, ", x=1}", 0},
        ErrorCase{"unknown attribute", "color(4){\n nomal=ff}", 10, 2, 2, 4, "=ff}", 0},
        ErrorCase{"number followed by a stray byte", "key(2){x=5;}", 10, 1, 1, 2, ";}", 0},
        ErrorCase{"0x ends a colour after one digit and starts a word", "color(1){normal=0xff0000}",
                  10, 1, 2, 1, "0000}", 0},
        ErrorCase{"second key with the same id", "key(7){}\nkey(7){}\n", 32, 2, 0, 7, "}", 1},
        ErrorCase{"key with id 0", "key(0){}", 32, 1, 0, 0, "}", 0},
        ErrorCase{"minus alone is id 0", "key(-){}", 32, 1, 0, 0, "}", 0},
        ErrorCase{"second colour set with the same id", "color(1){}\ncolor(1){}", 32, 2, 0, 1, "}",
                  0},
        ErrorCase{"next string stops below 0x20", "key(1){} zork(2)\tmore\nline2", 2, 1, 0, 1,
                  "(2)", 1},
        ErrorCase{"lines count inside texts and comments", "# a\nkey(1){name=\"x\ny\"}\nqq=", 2, 4,
                  0, 1, "=", 1},
        ErrorCase{"a one-letter word grows over skipped bytes", "key(1){} q key(2){}", 2, 1, 0, 1,
                  "(2){}", 1}));

TEST_F(KeyboardFileTest, ErrorReportKeepsALongNextStringWithinTheReportSize) {
  EXPECT_EQ(Load("zork(1)" + std::string(3000, 'a')), 66);
  auto boxes = desktop::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_LE(boxes[0].text.size(), 1024u);
  EXPECT_EQ(boxes[0].text.rfind("Error on line 1 type 0 ID 0\nError Code 2\nNext String (1)aaa", 0),
            0u);
}

// ---------------------------------------------------------------- nesting

TEST_F(KeyboardFileTest, LoadReadsANestedFileWithItsIdAsBase) {
  desktop::WriteFile("inner.cfg", "key(1){parent=0}\nbase(5)\nkey(1){}\nhome(1)\n");
  ASSERT_EQ(Load("base(100)\nkey(1000){}\nload(1000){file=\"inner.cfg\"}\nkey(2){}\n"), 0);
  EXPECT_NE(KeyWithId(1100), nullptr);
  ASSERT_NE(KeyWithId(1101), nullptr) << "nested bases add up";
  EXPECT_EQ(KeyWithId(1101)->parent, mivo::FindKeyById(1100));
  EXPECT_NE(KeyWithId(6), nullptr) << "base in the nested file holds there";
  EXPECT_NE(KeyWithId(102), nullptr) << "the outer base is untouched";
  std::vector<Posted> expected = {
      {mivo::MM_SET_HOME, static_cast<os::WPARAM>(mivo::FindKeyById(6))},
      {mivo::MM_KEYBOARD_LOADED, 0},
      {mivo::MM_KEYBOARD_LOADED, 0}};
  EXPECT_EQ(TakePosted(), expected);
}

TEST_F(KeyboardFileTest, NestedFailuresDoNotStopTheOuterFile) {
  desktop::WriteFile("bad.cfg", "key(1){} oops(2)");
  ASSERT_EQ(Load("load(10){file=\"missing.cfg\"}\nload(20){file=\"bad.cfg\"}\nkey(1){}\n"), 0);
  EXPECT_NE(KeyWithId(21), nullptr);
  EXPECT_NE(KeyWithId(1), nullptr);
  EXPECT_EQ(desktop::MessageBoxes().size(), 1u)
      << "the nested error is reported by the nested reading";
}

TEST_F(KeyboardFileTest, AFileThatLoadsItselfIsNotReadAgain) {
  ASSERT_EQ(Load("load(1){file=\"k.cfg\"}\nkey(1){}\n"), 0);
  EXPECT_EQ(mivo::keyboardState.KeyCount, 1);
}

TEST_F(KeyboardFileTest, FilesThatLoadEachOtherManyTimesEndQuickly) {
  // Without a guard each level would read the other file three times: 3^16 reads.
  desktop::WriteFile("b.cfg",
                     "load(0){file=\"K.CFG\"} load(0){file=\"k.cfg\"} load(0){file=\"k.cfg\"}\n");
  ASSERT_EQ(
      Load("load(0){file=\"b.cfg\"} load(0){file=\"b.cfg\"} load(0){file=\"b.cfg\"} key(1){}\n"),
      0);
  EXPECT_EQ(mivo::keyboardState.KeyCount, 1)
      << "b.cfg is read three times, and never reads k.cfg again";
}

TEST_F(KeyboardFileTest, ALongChainOfFilesStopsAtTheNestingLimit) {
  const int files = mivo::KEYBOARD_LOAD_DEPTH_LIMIT + 4;
  for (int i = 1; i < files; ++i) {
    desktop::WriteFile("c" + std::to_string(i) + ".cfg",
                       "key(1){} load(100){file=\"c" + std::to_string(i + 1) + ".cfg\"}\n");
  }
  ASSERT_EQ(Load("key(1){} load(100){file=\"c1.cfg\"}\n"), 0);
  EXPECT_EQ(mivo::keyboardState.KeyCount, mivo::KEYBOARD_LOAD_DEPTH_LIMIT);
}

// ---------------------------------------------------------------- templates

int defaulterCalls = 0;
int colourSetsAtCall = -1;

TEST_F(KeyboardFileTest, TemplatesAreDefaultedBeforeEachColourSet) {
  mivo::keyboardState.hooks.defaultTemplates = [] {
    ++defaulterCalls;
    colourSetsAtCall = mivo::keyboardState.ColorSetCount;
  };
  ASSERT_EQ(Load("color(1){} key(1){} color(2){}"), 0);
  mivo::keyboardState.hooks.defaultTemplates = nullptr;
  EXPECT_EQ(defaulterCalls, 2);
  EXPECT_EQ(colourSetsAtCall, 1) << "called before the second set is made";
}

}  // namespace
