#include "base/settings.h"

#include <cstdio>
#include <cstring>

#include "base/key_names.h"
#include "base/scoped.h"
#include "base/text.h"
#include "base/text_constants.h"
#include "platform/os.h"

namespace mivo {

namespace {

// ---------------------------------------------------------------- the key table

enum SettingType { TYPE_NUMBER = 1, TYPE_STRING = 2, TYPE_BOOLEAN = 3, TYPE_KEYCODE = 4 };

struct SettingKey {
  const char* name;
  int type;
  int32_t* number;  // Number and Boolean
  char** text;      // String
  uint8_t* code;    // KeyCode
};

constexpr SettingKey Number(const char* name, int32_t* variable) {
  return {name, TYPE_NUMBER, variable, nullptr, nullptr};
}
constexpr SettingKey Boolean(const char* name, int32_t* variable) {
  return {name, TYPE_BOOLEAN, variable, nullptr, nullptr};
}
constexpr SettingKey String(const char* name, char** variable) {
  return {name, TYPE_STRING, nullptr, variable, nullptr};
}
constexpr SettingKey KeyCode(const char* name, uint8_t* variable) {
  return {name, TYPE_KEYCODE, nullptr, nullptr, variable};
}

const SettingKey kBuiltInKeys[] = {
    Number("TimerInterval", &TimerInterval),
    Number("LockIntervalSlow", &LockIntervalSlow),
    Number("LockIntervalQuick", &LockIntervalQuick),
    Number("TimerWait", &TimerWait),
    Boolean("TimerFlag", &TimerFlag),
    Number("TimerSameGroup", &TimerSameGroup),
    Number("FrameWidth", &FrameWidth),
    Boolean("FontBold", &FontBold),
    Number("MainWindowSize", &MainWindowSize),
    Number("MediumFontSize", &MediumFontSize),
    Number("MediumFontSizeX", &MediumFontSizeX),
    Number("MediumFontSizeY", &MediumFontSizeY),
    Number("MetricsMode", &MetricsMode),
    String("KeyCfgFile", &KeyCfgFile),
    String("ColorCfgFile", &ColorCfgFile),
    String("LogFile", &LogFile),
    String("SettingFile", &SettingFile),
    Boolean("LoggingMode", &LoggingMode),
    Boolean("CounterMode", &CounterMode),
    Number("MaxCandidates", &MaxCandidates),
    Number("CandidateGroupSize", &CandidateGroupSize),
    KeyCode("PressKey", &PressKey),
    Boolean("MouseOnScan", &MouseOnScan),
    Number("ForceMouseMove", &ForceMouseMove),
    Boolean("BeepMode", &BeepMode),
    String("ProcessOnQuit", &ProcessOnQuit),
    String("KillOnQuit", &KillOnQuit),
    Number("KillProcessWait", &KillProcessWait),
};

constexpr int kMaxKeys = 100;
constexpr int kBuiltInKeyCount = static_cast<int>(sizeof(kBuiltInKeys) / sizeof(kBuiltInKeys[0]));
static_assert(kBuiltInKeyCount <= kMaxKeys);

constexpr char kErrorCaption[] = "Mivo setting error";

// The per-load working copy of the key table.
struct KeyTable {
  SettingKey* keys = nullptr;
  int count = 0;

  bool Build() {
    keys = static_cast<SettingKey*>(MemAlloc(sizeof(SettingKey) * kMaxKeys));
    if (keys == nullptr) return false;
    for (int i = 0; i < kBuiltInKeyCount && count < kMaxKeys; ++i) keys[count++] = kBuiltInKeys[i];
    return true;
  }
  const SettingKey* Find(const char* word) const {
    for (int i = 0; i < count; ++i) {
      if (TextEqual(keys[i].name, word)) return &keys[i];
    }
    return nullptr;
  }
  ~KeyTable() { MemFree(keys); }
};

// ---------------------------------------------------------------- tokenizer

enum TokenKind { TOKEN_WORD, TOKEN_EQUALS, TOKEN_STRING };

constexpr size_t kMaxTokenText = 255;

struct Token {
  int kind;
  int line;       // the line where the token ends
  size_t offset;  // of its NUL-terminated text in the token texts
};

struct TokenList {
  Token* tokens = nullptr;
  int count = 0;
  char* texts = nullptr;

  const char* Text(int i) const { return texts + tokens[i].offset; }
  ~TokenList() {
    MemFree(tokens);
    MemFree(texts);
  }
};

bool IsWordByte(unsigned char b) { return IsDigit(b) || IsLetter(b); }

// Fills `list`; false only when memory ran out. A file that ends inside a word, a
// string or a comment gives no tokens at all.
bool Tokenize(const unsigned char* bytes, size_t size, TokenList* list) {
  // Every token takes at least one input byte, and no text grows beyond its input but
  // for the NUL, so these bounds always hold.
  list->tokens = static_cast<Token*>(MemAlloc(sizeof(Token) * (size + 1)));
  list->texts = static_cast<char*>(MemAlloc(2 * size + 2));
  if (list->tokens == nullptr || list->texts == nullptr) return false;

  enum State { OUTSIDE, WORD, STRING, TRAIL, ESCAPE, HEX_HIGH, HEX_LOW, COMMENT };
  State state = OUTSIDE;
  int line = 1;
  size_t used = 0;    // bytes of the text pool in use
  size_t length = 0;  // bytes of the current token's text
  bool cut = false;   // the current token's text reached its limit
  int hexHigh = 0;
  Token* current = nullptr;

  auto begin = [&](int kind) {
    current = &list->tokens[list->count++];
    current->kind = kind;
    current->line = line;
    current->offset = used;
    length = 0;
    cut = false;
  };
  auto append = [&](unsigned char b) {
    // Texts longer than the limit are cut, never overrun.
    if (length >= kMaxTokenText) {
      cut = true;
      return;
    }
    list->texts[used + length++] = static_cast<char>(b);
  };
  auto finish = [&]() {
    if (cut) length = WholeCharacters(list->texts + used, length);
    list->texts[used + length] = '\0';
    used += length + 1;
    current->line = line;
    current = nullptr;
  };

  for (size_t i = 0; i < size; ++i) {
    const unsigned char b = bytes[i];
    if (state == TRAIL) {
      state = STRING;
      // A lead byte and its trail byte are one character: a trail byte 0x5C (the second
      // half of ソ, 表, 能 ...) is never an escape. Files written for a byte-wise reader
      // doubled it; that extra backslash is dropped so both spellings mean the same name.
      if (IsTrailByte(b)) {
        append(b);
        if (b == '\\' && i + 1 < size && bytes[i + 1] == '\\') ++i;
        continue;
      }
    }
    if (state == WORD) {
      if (IsWordByte(b)) {
        append(b);
        continue;
      }
      finish();
      state = OUTSIDE;
    }
    switch (state) {
      case OUTSIDE:
        if (IsWordByte(b)) {
          begin(TOKEN_WORD);
          append(b);
          state = WORD;
        } else if (b == '=') {
          begin(TOKEN_EQUALS);
          finish();
        } else if (b == '"') {
          begin(TOKEN_STRING);
          state = STRING;
        } else if (b == '#') {
          state = COMMENT;
        }
        break;
      case STRING:
        if (b == '"') {
          finish();
          state = OUTSIDE;
        } else if (b == '\\') {
          state = ESCAPE;
        } else {
          append(b);
          if (IsLeadByte(b)) state = TRAIL;
        }
        break;
      case ESCAPE:
        state = STRING;
        if (b == 'n') {
          append('\r');
          append('\n');
        } else if (b == 't') {
          append('\t');
        } else if (b == 'x') {
          state = HEX_HIGH;
        } else {
          append(b);
        }
        break;
      case HEX_HIGH:
        hexHigh = HexValue(b);
        state = HEX_LOW;
        break;
      case HEX_LOW:
        append(static_cast<unsigned char>(hexHigh * 16 + HexValue(b)));
        state = STRING;
        break;
      case COMMENT:
        if (b == '\r') state = OUTSIDE;
        break;
      case WORD:
      case TRAIL:
        break;
    }
    if (b == '\r') ++line;
  }
  if (state != OUTSIDE) list->count = 0;
  return true;
}

// ---------------------------------------------------------------- checking and storing

bool IsValidValue(const SettingKey& key, const TokenList& list, int index) {
  if (index >= list.count) return false;
  if (list.tokens[index].kind == TOKEN_EQUALS) return false;  // an Equals has no text
  const char* text = list.Text(index);
  switch (key.type) {
    case TYPE_NUMBER:
      return IsNumberText(text);
    case TYPE_STRING:
      return true;
    case TYPE_BOOLEAN:
      return IsBooleanText(text);
    case TYPE_KEYCODE:
      return LookupKeyName(text) != 0;
  }
  return false;
}

const char* TypeError(int type) {
  switch (type) {
    case TYPE_NUMBER:
      return "Number expected";
    case TYPE_STRING:
      return "String value expected";
    case TYPE_BOOLEAN:
      return "Boolean expected";
    default:
      return "KeyCode expected";
  }
}

int LineOf(const TokenList& list, int index) {
  return index < list.count ? list.tokens[index].line : 0;
}

void Report(const char* message, int line) {
  char text[64];
  std::snprintf(text, sizeof text, "%s at line %d", message, line);
  os::MessageBox(nullptr, text, kErrorCaption, os::MB_OK);
}

// True when the whole list is correct; otherwise the first error has been shown.
bool Check(const KeyTable& table, const TokenList& list) {
  for (int i = 0; i < list.count; ++i) {
    if (list.tokens[i].kind != TOKEN_WORD) continue;
    const SettingKey* key = table.Find(list.Text(i));
    if (key != nullptr) {
      if (i + 1 >= list.count || list.tokens[i + 1].kind != TOKEN_EQUALS) {
        Report("Equal expected", LineOf(list, i + 1));
        return false;
      }
      if (!IsValidValue(*key, list, i + 2)) {
        Report(TypeError(key->type), LineOf(list, i + 2));
        return false;
      }
      // The value word is examined in its turn, so a key name standing as a value
      // must itself be followed by "=".
    } else if (i + 1 < list.count && list.tokens[i + 1].kind != TOKEN_WORD) {
      Report("New tag expected", list.tokens[i + 1].line);
      return false;
    }
  }
  return true;
}

void StoreValue(const SettingKey& key, const char* text) {
  switch (key.type) {
    case TYPE_NUMBER:
      *key.number = NumberValue(text);
      break;
    case TYPE_STRING:
      MemFree(*key.text);
      *key.text = TextDuplicate(text);
      break;
    case TYPE_BOOLEAN:
      *key.number = BooleanValue(text);
      break;
    case TYPE_KEYCODE:
      *key.code = static_cast<uint8_t>(LookupKeyName(text));
      break;
  }
}

void Store(const KeyTable& table, const TokenList& list) {
  int i = 0;
  while (i < list.count) {
    const SettingKey* key = list.tokens[i].kind == TOKEN_WORD ? table.Find(list.Text(i)) : nullptr;
    if (key != nullptr && i + 2 < list.count && list.tokens[i + 1].kind == TOKEN_EQUALS) {
      StoreValue(*key, list.Text(i + 2));
      i += 3;
    } else {
      ++i;
    }
  }
}

void SetIfUnset(char** variable, const char* value) {
  if (*variable == nullptr) *variable = TextDuplicate(value);
}

void ApplyDependentDefaults() {
  SetIfUnset(&KeyCfgFile, kDefaultKeyCfgFile);
  SetIfUnset(&LogFile, kDefaultLogFile);
  SetIfUnset(&CounterFile, kDefaultCounterFile);
  SetIfUnset(&SettingFile, kDefaultSettingFile);
  if (LockIntervalQuick < 1) {
    LockIntervalQuick = TimerInterval;
    LockInterval = TimerInterval;
  }
  if (LockIntervalSlow < 1) LockIntervalSlow = TimerInterval;
}

// The whole file, or nothing with size 0 when it is absent, empty or unreadable.
MemBlock<unsigned char> ReadWholeFile(const char* name, size_t* size) {
  *size = 0;
  MemBlock<unsigned char> bytes;  // before the file: the file is closed first
  ScopedFile file(os::CreateFile(name, os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING,
                                 os::FILE_ATTRIBUTE_NORMAL));
  if (!file) return {};
  const os::DWORD fileSize = os::GetFileSize(file.Get());
  if (fileSize == os::INVALID_FILE_SIZE || fileSize == 0) return {};
  bytes = MemBlock<unsigned char>(static_cast<unsigned char*>(MemAlloc(fileSize)));
  if (!bytes) return {};
  os::DWORD total = 0;
  while (total < fileSize) {
    os::DWORD got = 0;
    if (!os::ReadFile(file.Get(), bytes.Get() + total, fileSize - total, &got) || got == 0) break;
    total += got;
  }
  *size = total;
  if (total == 0) return {};
  return bytes;
}

}  // namespace

int LoadSettings() {
  KeyTable table;
  if (!table.Build()) return 0;

  if (SettingFile == nullptr) SettingFile = TextDuplicate(kDefaultSettingFile);
  size_t size = 0;
  MemBlock<unsigned char> bytes =
      ReadWholeFile(SettingFile != nullptr ? SettingFile : kDefaultSettingFile, &size);
  if (bytes) {
    TokenList list;
    const bool tokenized = Tokenize(bytes.Get(), size, &list);
    bytes.Reset();
    if (!tokenized) return 0;
    if (!Check(table, list)) return 0;
    Store(table, list);
  }
  ApplyDependentDefaults();
  return 1;
}

void SetSettingFileName(const char* name) {
  char* copy = TextDuplicate(name);
  MemFree(SettingFile);
  SettingFile = copy;
}

void ReleaseSettingTexts() {
  char** texts[] = {&KeyCfgFile,  &ColorCfgFile,  &LogFile,   &SettingFile,
                    &CounterFile, &ProcessOnQuit, &KillOnQuit};
  for (char** text : texts) {
    MemFree(*text);
    *text = nullptr;
  }
}

}  // namespace mivo
