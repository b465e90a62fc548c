#include "base/key_names.h"

#include "base/text.h"

namespace mivo {

const NameCode SysKeyTable[] = {
    {"SysWindow", 91},
    {"SysShift", 16},
    {"SysCtrl", 17},
    {"SysAlt", 18},
};

// Punctuation codes follow the Japanese 106/109-key layout.
const NameCode KeyNameTable[] = {
    {"SysWindow", 91},
    {"SysShift", 16},
    {"SysCtrl", 17},
    {"SysAlt", 18},
    // The second "LButton" is never reached; it keeps the table's historical shape.
    {"LButton", 1},
    {"LButton", 1},
    {"RButton", 2},
    {"Break", 3},
    {"MButton", 4},
    {"Back", 8},
    {"Tab", 9},
    {"Clear", 12},
    {"Enter", 13},
    {"Shift", 16},
    {"Ctrl", 17},
    {"Alt", 18},
    {"Pause", 19},
    {"CapsLock", 20},
    {"Kana", 21},
    {"Esc", 27},
    {"Convert", 28},
    {"NonConvert", 29},
    {"Accept", 30},
    {"ModeChange", 31},
    {"Space", 32},
    {"PageUp", 33},
    {"PageDown", 34},
    {"End", 35},
    {"Home", 36},
    {"Left", 37},
    {"Up", 38},
    {"Right", 39},
    {"Down", 40},
    {"Select", 41},
    {"Print", 42},
    {"Execute", 43},
    {"PrintScreen", 44},
    {"Ins", 45},
    {"Del", 46},
    {"Help", 47},
    {"LWindows", 91},
    {"RWindows", 92},
    {"Apps", 93},
    {"Num0", 96},
    {"Num1", 97},
    {"Num2", 98},
    {"Num3", 99},
    {"Num4", 100},
    {"Num5", 101},
    {"Num6", 102},
    {"Num7", 103},
    {"Num8", 104},
    {"Num9", 105},
    {"Multiply", 106},
    {"Plus", 107},
    {"Separator", 108},
    {"Minus", 109},
    {"Decimal", 110},
    {"Divide", 111},
    {"F1", 112},
    {"F2", 113},
    {"F3", 114},
    {"F4", 115},
    {"F5", 116},
    {"F6", 117},
    {"F7", 118},
    {"F8", 119},
    {"F9", 120},
    {"F10", 121},
    {"F11", 122},
    {"F12", 123},
    {"F13", 124},
    {"F14", 125},
    {"F15", 126},
    {"F16", 127},
    {"F17", 128},
    {"F18", 129},
    {"F19", 130},
    {"F20", 131},
    {"F21", 132},
    {"F22", 133},
    {"F23", 134},
    {"F24", 135},
    {"NumLock", 144},
    {"ScrollLock", 145},
    {"A", 65},
    {"B", 66},
    {"C", 67},
    {"D", 68},
    {"E", 69},
    {"F", 70},
    {"G", 71},
    {"H", 72},
    {"I", 73},
    {"J", 74},
    {"K", 75},
    {"L", 76},
    {"M", 77},
    {"N", 78},
    {"O", 79},
    {"P", 80},
    {"Q", 81},
    {"R", 82},
    {"S", 83},
    {"T", 84},
    {"U", 85},
    {"V", 86},
    {"W", 87},
    {"X", 88},
    {"Y", 89},
    {"Z", 90},
    {"0", 48},
    {"1", 49},
    {"2", 50},
    {"3", 51},
    {"4", 52},
    {"5", 53},
    {"6", 54},
    {"7", 55},
    {"8", 56},
    {"9", 57},
    {"Colon", 186},
    {"Semicolon", 187},
    {"Comma", 188},
    {"Hiphen", 189},
    {"Period", 190},
    {"Slash", 191},
    {"AtMark", 192},
    {"Lbracket", 219},
    {"Yen", 220},
    {"Rbracket", 221},
    {"Power", 222},
    {"BackSlash", 226},
};

const NameCode MouseNameTable[] = {
    {"Move[", 1},   {"LDown", 2},    {"LUp", 3},     {"RDown", 4},    {"RUp", 5},
    {"MDown", 6},   {"MUp", 7},      {"Wheel", 8},   {"LClick", 10},  {"LDClick", 11},
    {"RClick", 12}, {"RDClick", 13}, {"MClick", 14}, {"MDClick", 15},
};

static_assert(sizeof(SysKeyTable) / sizeof(SysKeyTable[0]) == 4);
static_assert(sizeof(KeyNameTable) / sizeof(KeyNameTable[0]) == 133);
static_assert(sizeof(MouseNameTable) / sizeof(MouseNameTable[0]) == 14);

namespace {

template <size_t N>
int Lookup(const NameCode (&table)[N], const char* name) {
  if (name == nullptr) return 0;
  for (const NameCode& entry : table) {
    if (TextEqual(entry.name, name)) return entry.code;
  }
  return 0;
}

}  // namespace

int LookupSysKeyName(const char* name) { return Lookup(SysKeyTable, name); }

int LookupKeyName(const char* name) { return Lookup(KeyNameTable, name); }

int LookupMouseName(const char* name) {
  int code = Lookup(MouseNameTable, name);
  if (code != 0) return code;
  // A move carries its offsets in the name itself: «Move[10,-5]».
  return TextStartsWith(name, "Move[", 5) ? 1 : 0;
}

}  // namespace mivo
