// The keyboard definition file reader.
//
// The file is read through a read-only mapping in one pass, byte by byte, with no
// look-ahead: a state machine with one fixed attribute record that every tag word resets.
// The words it knows are in keyboard_file_words, the decoding of quoted texts in
// keyboard_file_text, and what each tag does in keyboard_file_tags.
#include "keyboard/keyboard_file.h"

#include <cstdio>
#include <cstring>

#include "base/bus.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/text.h"
#include "keyboard/keyboard_file_tags.h"
#include "keyboard/keyboard_file_text.h"
#include "keyboard/keyboard_file_words.h"
#include "keyboard/state.h"
#include "platform/os.h"

namespace mivo {

namespace {

enum class State {
  BetweenTags,
  TagWord,
  AfterTagWord,
  IdStart,
  IdDigits,
  CloseParen,
  OpenBrace,
  BetweenAttributes,
  AttributeWord,
  Equals,
  QuoteOpen,
  Text,
  TrailByte,
  Escape,
  HexHigh,
  HexLow,
  NumberFirst,
  NumberMore,
  ColourFirst,
  ColourMore,
  FlagFirst,
  FlagMore,
  // The `previouscandidate="..."` form: the quoted text is passed over unstored.
  IgnoredQuoteOpen,
  IgnoredText,
  IgnoredEscape,
  IgnoredTrail,
  SkipOne,
};

constexpr int ERROR_UNKNOWN_TAG = 2;
constexpr int ERROR_UNKNOWN_ATTRIBUTE = 10;

enum class Step { Next, Again, Error };

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size, int32_t idBase, AttributeSet* set)
      : bytes_(bytes), size_(size), idBase_(idBase), set_(set) {
    ResetAttributes(set_);
  }

  // 0 at the end of the bytes (or an asterisk), else 64 + the error code (reported).
  int Run() {
    bool inComment = false;
    for (pos_ = 0; pos_ < size_; ++pos_) {
      if (inComment) {
        if (!SkipComment()) break;
        inComment = false;
        continue;
      }
      if (state_ == State::Text) {
        ReadText();
        if (pos_ >= size_) break;
      }
      const uint8_t b = bytes_[pos_];
      if (!InQuotedText()) {
        if (b == '#') {
          inComment = true;
          continue;
        }
        if (b == '*') break;
      }
      Step step;
      do {
        step = Handle(b);
      } while (step == Step::Again);
      if (step == Step::Error) {
        Report();
        return 64 + error_;
      }
      if (b == '\n') ++line_;
    }
    return 0;
  }

 private:
  // A comment runs to the next line feed whatever it holds; false when the file ends
  // first.
  bool SkipComment() {
    const void* feed = std::memchr(bytes_ + pos_, '\n', size_ - pos_);
    if (!feed) return false;
    pos_ = static_cast<size_t>(static_cast<const uint8_t*>(feed) - bytes_);
    ++line_;
    return true;
  }

  bool InQuotedText() const {
    return state_ == State::Text || state_ == State::IgnoredText ||
           state_ == State::IgnoredEscape || state_ == State::IgnoredTrail;
  }

  Step Fail(int code) {
    error_ = code;
    return Step::Error;
  }

  // The text's runs, decoded at once; the states take over where it stops.
  void ReadText() {
    const size_t end = DecodeText(bytes_, size_, pos_, &text_);
    line_ += CountLineFeeds(bytes_ + pos_, bytes_ + end);
    pos_ = end;
  }

  // A word's letters, like a number's digits below, are taken in one step, the position
  // left on the last: they hold no line feed, hash or asterisk for the loop above to see.
  Step ExtendWord() {
    size_t end = pos_ + 1;
    while (end < size_ && IsAsciiLetter(bytes_[end])) ++end;
    wordEnd_ = end;
    pos_ = end - 1;
    return Step::Next;
  }

  Step Handle(uint8_t b) {
    switch (state_) {
      case State::BetweenTags:
        return OnBetweenTags(b);
      case State::TagWord:
        return OnTagWord(b);
      case State::AfterTagWord:
        return OnAfterTagWord(b);
      case State::IdStart:
        return OnIdStart(b);
      case State::IdDigits:
        return OnIdDigits(b);
      case State::CloseParen:
        return OnCloseParen(b);
      case State::OpenBrace:
        return OnOpenBrace(b);
      case State::BetweenAttributes:
        return OnBetweenAttributes(b);
      case State::AttributeWord:
        return OnAttributeWord(b);
      case State::Equals:
        return OnEquals(b);
      case State::QuoteOpen:
        return OnQuoteOpen(b);
      case State::Text:
        return OnText(b);
      case State::TrailByte:
        return OnTrailByte(b);
      case State::Escape:
        return OnEscape(b);
      case State::HexHigh:
        return OnHexHigh(b);
      case State::HexLow:
        return OnHexLow(b);
      case State::NumberFirst:
        return OnNumberFirst(b);
      case State::NumberMore:
        return OnNumberMore(b);
      case State::ColourFirst:
        return OnColourFirst(b);
      case State::ColourMore:
        return OnColourMore(b);
      case State::FlagFirst:
        return OnFlagFirst(b);
      case State::FlagMore:
        return OnFlagMore(b);
      case State::IgnoredQuoteOpen:
        return OnIgnoredQuoteOpen(b);
      case State::IgnoredText:
        return OnIgnoredText(b);
      case State::IgnoredEscape:
      case State::IgnoredTrail:
        return OnIgnoredTail();
      case State::SkipOne:
        return OnSkipOne();
    }
    return Step::Next;
  }

  // ---- the tag word and its id

  Step OnBetweenTags(uint8_t b) {
    if (IsAsciiLetter(b)) {
      wordStart_ = pos_;
      wordEnd_ = pos_ + 1;
      state_ = State::TagWord;
    }
    return Step::Next;
  }

  Step OnTagWord(uint8_t b) {
    if (IsAsciiLetter(b)) return ExtendWord();
    const size_t length = wordEnd_ - wordStart_;
    const int type = LookupTag(bytes_ + wordStart_, length);
    if (type == TAG_NONE) {
      if (length >= 2) return Fail(ERROR_UNKNOWN_TAG);
      return Step::Next;
    }
    ResetAttributes(set_);
    tagId_ = 0;
    tagType_ = type;
    state_ = State::AfterTagWord;
    return Step::Again;
  }

  Step OnAfterTagWord(uint8_t b) {
    if (b == '(') {
      state_ = State::IdStart;
    } else if (b == '=' && tagType_ == TAG_PREVIOUSCOLOR) {
      state_ = State::IgnoredQuoteOpen;
    }
    return Step::Next;
  }

  Step OnIdStart(uint8_t b) {
    if (!IsDecimal(b) && b != '-') return Step::Next;
    idValue_ = 0;
    idBytes_ = 0;
    idNegative_ = false;
    state_ = State::IdDigits;
    return Step::Again;
  }

  Step OnIdDigits(uint8_t b) {
    if (IsDecimal(b)) {
      for (; pos_ < size_ && IsDecimal(bytes_[pos_]); ++pos_) {
        idValue_ = idValue_ * 10u + static_cast<uint32_t>(bytes_[pos_] & 0x0F);
        ++idBytes_;
      }
      --pos_;
      return Step::Next;
    }
    if (b == '-' && idBytes_ == 0) {
      idNegative_ = true;
      ++idBytes_;
      return Step::Next;
    }
    tagId_ = static_cast<int32_t>(static_cast<uint32_t>(idBase_) +
                                  (idNegative_ ? 0u - idValue_ : idValue_));
    state_ = State::CloseParen;
    return Step::Again;
  }

  Step OnCloseParen(uint8_t b) {
    if (b != ')') return Step::Next;
    if (tagType_ == TAG_KEY || tagType_ == TAG_COLOR || tagType_ == TAG_LOAD) {
      state_ = State::OpenBrace;
      return Step::Next;
    }
    return Act();
  }

  Step OnOpenBrace(uint8_t b) {
    if (b == '{') state_ = State::BetweenAttributes;
    return Step::Next;
  }

  // ---- attribute words

  Step OnBetweenAttributes(uint8_t b) {
    if (b == '}') return Act();
    if (b <= 0x20) return Step::Next;
    wordStart_ = pos_;
    wordEnd_ = pos_;
    state_ = State::AttributeWord;
    return Step::Again;
  }

  Step OnAttributeWord(uint8_t b) {
    if (IsAsciiLetter(b)) return ExtendWord();
    const int attribute = LookupAttribute(bytes_ + wordStart_, wordEnd_ - wordStart_);
    if (attribute < 0) return Fail(ERROR_UNKNOWN_ATTRIBUTE);
    attribute_ = attribute;
    state_ = State::Equals;
    return Step::Again;
  }

  Step OnEquals(uint8_t b) {
    if (b != '=') return Step::Next;
    switch (ATTRIBUTE_WORDS[attribute_].kind) {
      case NUMBER:
        state_ = State::NumberFirst;
        break;
      case TEXT:
        state_ = State::QuoteOpen;
        break;
      case FLAG:
        state_ = State::FlagFirst;
        break;
      case COLOUR:
        state_ = State::ColourFirst;
        break;
    }
    return Step::Next;
  }

  // ---- quoted texts, where ReadText leaves them to the states

  Step OnQuoteOpen(uint8_t b) {
    if (b == '"') {
      StartText(&text_, set_->text[ATTRIBUTE_WORDS[attribute_].text]);
      state_ = State::Text;
    }
    return Step::Next;
  }

  Step OnText(uint8_t b) {
    if (b == '"') {
      EndText(&text_);
      state_ = State::BetweenAttributes;
    } else if (b == '\\') {
      state_ = State::Escape;
    } else if (IsLeadByte(b)) {
      StoreTextByte(&text_, b);
      state_ = State::TrailByte;
    } else {
      StoreTextByte(&text_, b);
    }
    return Step::Next;
  }

  Step OnTrailByte(uint8_t b) {
    StoreTextByte(&text_, b);
    state_ = State::Text;
    return Step::Next;
  }

  Step OnEscape(uint8_t b) {
    if (b == 'x') {
      state_ = State::HexHigh;
      return Step::Next;
    }
    StoreTextByte(&text_, EscapedByte(b));
    state_ = State::Text;
    return Step::Next;
  }

  Step OnHexHigh(uint8_t b) {
    const int digit = HexDigit(b);
    if (digit >= 0) {
      pendingByte_ = static_cast<uint8_t>(digit * 16);
      state_ = State::HexLow;
    } else {
      state_ = State::Text;  // the escape and this byte are dropped
    }
    return Step::Next;
  }

  Step OnHexLow(uint8_t b) {
    const int digit = HexDigit(b);
    if (digit >= 0) StoreTextByte(&text_, static_cast<uint8_t>(pendingByte_ + digit));
    state_ = State::Text;
    return Step::Next;
  }

  // ---- numbers, colours and flags, written straight into the attribute

  Step OnNumberFirst(uint8_t b) {
    if (!IsDecimal(b)) return Step::Next;
    set_->value[attribute_] = 0;
    state_ = State::NumberMore;
    return Step::Again;
  }

  Step OnNumberMore(uint8_t b) {
    if (!IsDecimal(b)) {
      state_ = State::BetweenAttributes;
      return Step::Again;
    }
    uint32_t value = set_->value[attribute_];
    for (; pos_ < size_ && IsDecimal(bytes_[pos_]); ++pos_) {
      value = value * 10u + (bytes_[pos_] & 0x0Fu);
    }
    set_->value[attribute_] = value;
    --pos_;
    return Step::Next;
  }

  Step OnColourFirst(uint8_t b) {
    const int digit = HexDigit(b);
    if (digit >= 0) {
      set_->value[attribute_] = static_cast<uint32_t>(digit) * 16u;
      colourDigits_ = 1;
      state_ = State::ColourMore;
    }
    return Step::Next;
  }

  Step OnColourMore(uint8_t b) {
    const int digit = HexDigit(b);
    if (digit < 0) {
      state_ = State::BetweenAttributes;
      return Step::Again;
    }
    // Digits past the eighth have no place in a 32-bit colour and are ignored.
    if (colourDigits_ < 8) {
      set_->value[attribute_] += static_cast<uint32_t>(digit) << NibbleShift(colourDigits_);
    }
    ++colourDigits_;
    return Step::Next;
  }

  Step OnFlagFirst(uint8_t b) {
    if (IsDecimal(b)) {
      if ((b & 0x0F) == 0) set_->value[attribute_] = 0;
      state_ = State::FlagMore;
    }
    return Step::Next;
  }

  Step OnFlagMore(uint8_t b) {
    if (!IsDecimal(b)) {
      state_ = State::BetweenAttributes;
      return Step::Again;
    }
    if ((b & 0x0F) == 0) set_->value[attribute_] = 0;
    return Step::Next;
  }

  // ---- the text of `previouscandidate="..."`, which has nowhere to go

  Step OnIgnoredQuoteOpen(uint8_t b) {
    if (b == '"') state_ = State::IgnoredText;
    return Step::Next;
  }

  Step OnIgnoredText(uint8_t b) {
    if (b == '"') {
      // The tag acts as if its id were 0.
      tagId_ = 0;
      Step step = Act();
      state_ = State::SkipOne;
      return step;
    }
    if (b == '\\') {
      state_ = State::IgnoredEscape;
    } else if (IsLeadByte(b)) {
      state_ = State::IgnoredTrail;
    }
    return Step::Next;
  }

  Step OnIgnoredTail() {
    state_ = State::IgnoredText;
    return Step::Next;
  }

  Step OnSkipOne() {
    state_ = State::BetweenTags;
    return Step::Next;
  }

  // ---- the end of a tag

  Step Act() {
    const int type = tagType_;
    tagType_ = TAG_NONE;
    state_ = State::BetweenTags;
    const int code = ActOnTag(type, tagId_, &idBase_, *set_);
    return code != 0 ? Fail(code) : Step::Next;
  }

  void Report() {
    char next[NEXT_LIMIT + 1];
    NextString(next);
    char message[1025];
    std::snprintf(message, sizeof message,
                  "Error on line %d type %d ID %d\nError Code %d\nNext String %s", line_, tagType_,
                  static_cast<int>(tagId_), error_, next);
    os::MessageBox(nullptr, message, "Error", os::MB_OK | os::MB_TOPMOST);
  }

  // wsprintf writes at most 1024 bytes: the rest of the line is cut to fit, never in the
  // middle of a double-byte character.
  static constexpr size_t NEXT_LIMIT = 900;

  void NextString(char (&next)[NEXT_LIMIT + 1]) const {
    size_t n = 0;
    for (size_t i = pos_; i < size_ && bytes_[i] >= 0x20;) {
      const size_t width = IsLeadByte(bytes_[i]) && i + 1 < size_ && bytes_[i + 1] >= 0x20 ? 2 : 1;
      if (n + width > NEXT_LIMIT) break;
      for (size_t j = 0; j < width; ++j) next[n++] = static_cast<char>(bytes_[i + j]);
      i += width;
    }
    next[n] = 0;
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
  int line_ = 1;
  int32_t idBase_;
  AttributeSet* set_;
  State state_ = State::BetweenTags;
  int tagType_ = TAG_NONE;
  int32_t tagId_ = 0;
  size_t wordStart_ = 0;
  size_t wordEnd_ = 0;
  uint32_t idValue_ = 0;
  int idBytes_ = 0;
  bool idNegative_ = false;
  int attribute_ = 0;
  TextBuffer text_;
  uint8_t pendingByte_ = 0;
  int colourDigits_ = 0;
  int error_ = 0;
};

// The read proper: every handle and block it takes is given back before it returns.
// -1 when the file cannot be read, 0 when it was read through, else the reader's error.
int ReadKeyboardFile(const char* fileName, int32_t idBase) {
  ScopedFile file(os::CreateFile(fileName, os::GENERIC_READ,
                                 os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING,
                                 os::FILE_ATTRIBUTE_NORMAL));
  if (!file) return -1;
  const os::DWORD size = os::GetFileSize(file.Get());
  if (size == os::INVALID_FILE_SIZE) return -1;
  if (size == 0) return 0;  // an empty file cannot be mapped, and holds nothing to read
  ScopedMapping mapping(os::CreateFileMapping(file.Get(), os::PAGE_READONLY, 0));
  if (!mapping) return -1;
  ScopedView view(os::MapViewOfFile(mapping.Get(), os::FILE_MAP_READ, 0));
  MemBlock<AttributeSet> set(static_cast<AttributeSet*>(MemAlloc(sizeof(AttributeSet))));
  if (!view || !set) return -1;
  // The error box lets other messages in, and a reload started there reads again
  // while this read is open: past the chain's room such a read is refused.
  if (keyboardState.loadDepth > KEYBOARD_LOAD_DEPTH_LIMIT) return -1;
  if (keyboardState.loadDepth == 0) keyboardState.loadsLeft = KEYBOARD_LOAD_COUNT_LIMIT;
  keyboardState.loadChain[keyboardState.loadDepth++] = fileName;
  Reader reader(static_cast<const uint8_t*>(view.Get()), size, idBase, set.Get());
  const int result = reader.Run();
  --keyboardState.loadDepth;
  return result;
}

}  // namespace

int LoadKeyboardFile(const char* fileName, int32_t idBase) {
  if (!fileName) return -1;
  const int result = ReadKeyboardFile(fileName, idBase);
  if (result == 0) PostToMain(MM_KEYBOARD_LOADED, 0, 0);
  return result;
}

}  // namespace mivo
