// A simulated switch user: runs the whole program on the headless desktop over a copy of
// a working folder, with automatic scanning at that folder's settings, and types a text
// into a simulated editor with the switch alone.
//
//   typing_sim [--ime anthy|none] [--fresh] [--keep DIR] [--trace] WORKING_FOLDER TEXT...
//
// --ime: the input method beside the folder's dictionaries (default Anthy, the headless
// desktop's real one; none is what the Windows programs meet under Wine). --fresh: leave
// the folder's learned conversion dictionaries (Trans) behind, so they start from its
// seed. --keep: work in DIR and leave it there. --trace: every plan and press.
//
// A text file holds UTF-8 lines "sentence TAB reading" ("#" lines and blank lines are
// skipped). The reading is in hiragana or katakana; spaces in it mark where a word ends,
// the only places where a conversion may end inside a run of kanji. The user:
// - watches the scan and presses the switch when the lit key is the wanted key or a group
//   on the way to it, 0.5 s after it lit up (the reaction; the switch is held 0.1 s of it);
// - types each word of the reading kana by kana on the kana keys;
// - after every change of the candidates, takes the shown candidate with the longest text
//   whose text and reading (from the macro of its key) continue the sentence and that
//   ends where a word of it ends: a completion or a next-word prediction as soon as it
//   shows; the reading itself (its hiragana or katakana form) only where a word ends;
// - when a whole word is not offered, pages through its candidates, then through the
//   input method's own (IME候補, where an input method answers), then backs off with the
//   backspace key kana by kana, at each length looking through every page for a shorter
//   word (or a single kanji, a stem) that begins it, and writes the rest the same way;
//   when even that fails, clears the reading and leaves the word out: the sentence then
//   counts as not written, and the word is printed under it with the reason.
// Learning stays on: the folder's dictionaries learn every choice, as they do in use, so
// later sentences meet what earlier ones taught. Everything runs on the virtual clock, so
// a run is deterministic.
//
// A press is a press and release of the switch; a step is an automatic scan step (the
// scan timer's move of the focus). The last line reads
//   per character: S s, P presses, T steps, C % by candidates, E errors
// with the virtual seconds, presses and steps per character of the sentences, the share
// of characters that came through a candidate other than the reading itself, and the
// number of sentences the editor did not receive exactly. Exits 1 when E is not 0.
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "candidates/state.h"
#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "shell/app.h"

namespace {

using namespace mivo;

constexpr int kSwitch = 0x1D;          // the non-convert key, PressKey's default
constexpr uint64_t kReactionMs = 500;  // from the light to the selection
constexpr uint64_t kHoldMs = 100;      // the last part of it, switch down
// The work a selection queues (a search, the candidate keys made and painted) is done
// by then; well inside the reaction time, so it costs the user nothing.
constexpr uint64_t kSettleMs = 200;
constexpr uint64_t kActionTimeoutMs = 120'000;  // a key that never lights up
constexpr int kMaxSelectionsPerCharacter = 60;  // a sentence that makes no progress

// ---------------------------------------------------------------- text
std::string Convert(const std::string& in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string out(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "";
  out.resize(out.size() - dstLeft);
  return out;
}
std::u32string Utf32(const std::string& utf8) {
  const std::string bytes = Convert(utf8, "UTF-32LE", "UTF-8");
  std::u32string out(bytes.size() / 4, U'\0');
  std::memcpy(out.data(), bytes.data(), out.size() * 4);
  return out;
}
std::string Utf8(const std::u32string& text) {
  return Convert(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 4), "UTF-8",
                 "UTF-32LE");
}
std::string Sjis(const std::u32string& text) { return Convert(Utf8(text), "CP932", "UTF-8"); }
std::u32string FromSjis(const std::string& sjis) { return Utf32(Convert(sjis, "UTF-8", "CP932")); }

bool IsHiragana(char32_t c) { return c >= U'\u3041' && c <= U'\u3096'; }
bool IsKatakana(char32_t c) { return c >= U'\u30A1' && c <= U'\u30F6'; }
char32_t Hira(char32_t c) { return IsKatakana(c) ? c - 0x60 : c; }
// Characters the reading holds as they are: kana, the long vowel mark and the
// punctuation of the kana keys.
bool KanaLike(char32_t c) {
  return IsHiragana(c) || IsKatakana(c) || c == U'ー' ||
         std::u32string_view(U"、。「」・？！～…").find(c) != std::u32string_view::npos;
}

// ---------------------------------------------------------------- a sentence
struct Sentence {
  std::u32string text;     // what the editor must receive
  std::u32string reading;  // hiragana, spaces taken out
  std::vector<bool> end;   // end[j]: a word of the reading ends before reading[j]
  std::vector<long> cuts;  // see Cuts
};

std::optional<Sentence> ParseLine(const std::string& line) {
  const size_t tab = line.find('\t');
  if (tab == std::string::npos) return std::nullopt;
  Sentence s;
  s.text = Utf32(line.substr(0, tab));
  s.end.push_back(true);
  for (char32_t c : Utf32(line.substr(tab + 1))) {
    if (c == U' ' || c == U'\u3000' || c == U'\r') {
      s.end.back() = true;
      continue;
    }
    s.reading.push_back(Hira(c));
    s.end.push_back(false);
  }
  s.end.back() = true;
  if (s.text.empty() || s.reading.empty()) return std::nullopt;
  return s;
}

// How the sentence reads: for each place in the text, the place in the reading where a
// conversion may end there, or -1 inside a word of kanji. Kana stand for themselves and
// a run of other characters for some kana; a run of kanji is cut only where a word of
// the reading ends, and as seldom as the reading allows (so 郵便局 reads as one word,
// not as 郵便 with the reading of the whole and 局 with the particle after it). Among
// as many pieces, words the user knows (known: text TAB reading in hiragana) come first,
// so that 寄付方法 read きふ ほうほう is 寄付 方法. Empty when the reading does not fit the
// text.
std::vector<long> Cuts(const Sentence& s, const std::set<std::u32string>& known) {
  const size_t n = s.text.size(), m = s.reading.size();
  constexpr int kNever = 1 << 30;
  // best[i][j]: the cost of reading text[i..] as reading[j..]
  std::vector<std::vector<int>> best(n + 1, std::vector<int>(m + 1, kNever));
  std::vector<std::vector<std::pair<size_t, size_t>>> next(
      n + 1, std::vector<std::pair<size_t, size_t>>(m + 1));
  best[n][m] = 0;
  for (size_t i = n; i-- > 0;) {
    size_t run = i;
    while (run < n && !KanaLike(s.text[run])) ++run;
    for (size_t j = m; j-- > 0;) {
      if (KanaLike(s.text[i])) {
        if (Hira(s.text[i]) == s.reading[j] && best[i + 1][j + 1] < best[i][j]) {
          best[i][j] = best[i + 1][j + 1];
          next[i][j] = {i + 1, j + 1};
        }
        continue;
      }
      for (size_t i2 = i + 1; i2 <= run; ++i2) {
        for (size_t j2 = j + 1; j2 <= m; ++j2) {
          if (j2 > j + 1 && s.end[j2 - 1]) break;  // a word ended inside this piece
          if (i2 < run && !s.end[j2]) continue;
          // Fewest pieces first; then about two kana to a kanji, so that 天気予報 read
          // てんき よほう splits as 天気 予報 rather than 天 気予報.
          const long balance = static_cast<long>(j2 - j) - 2 * static_cast<long>(i2 - i);
          const bool word =
              known.count(s.text.substr(i, i2 - i) + U'\t' + s.reading.substr(j, j2 - j)) != 0;
          const int cost = best[i2][j2] + 1000 + (word ? 0 : 100) +
                           static_cast<int>(balance < 0 ? -balance : balance);
          if (cost < best[i][j]) {
            best[i][j] = cost;
            next[i][j] = {i2, j2};
          }
        }
      }
    }
  }
  if (best[0][0] >= kNever) return {};
  std::vector<long> cuts(n + 1, -1);
  for (size_t i = 0, j = 0;;) {
    cuts[i] = static_cast<long>(j);
    if (i == n) break;
    const auto [i2, j2] = next[i][j];
    i = i2, j = j2;
  }
  return cuts;
}

// ---------------------------------------------------------------- the keyboard as seen
bool Shown(int32_t k) {
  for (; k != 0; k = ParentOf(k)) {
    if (!IsVisibleKey(k)) return false;
  }
  return true;
}
bool Under(int32_t k, int32_t ancestor) {
  for (; k != 0; k = ParentOf(k)) {
    if (k == ancestor) return true;
  }
  return false;
}
// A shown key of the keyboard (not a candidate) with this label, or 0. Keys are named
// by their index, not their id: the paging keys of one panel may bear the ids of the
// other panel's candidates.
int32_t KeyLabelled(const std::u32string& label) {
  const std::string sjis = Sjis(label);
  for (int32_t k = 1; k <= keyboardState.KeyCount; ++k) {
    const KeyRecord* key = GetKey(k);
    if (!key || key->type == KT_INERT || key->type == KT_CANDIDATE || sjis != key->name) continue;
    if (Shown(k)) return k;
  }
  return 0;
}
// Whether selecting k selects target too: each group on the way holds only the key that
// leads on, and a group with one key selects it at once.
bool Selects(int32_t k, int32_t target) {
  while (k != target) {
    const int32_t child = FirstVisibleChild(k);
    const KeyRecord* key = GetKey(child);
    if (!key || key->type == KT_INERT || NextVisibleSibling(child) != 0) return false;
    if (!Under(target, child)) return false;
    k = child;
  }
  return true;
}
int32_t LitKey() {
  const KeyRecord* key = GetKey(keyboardState.CurrentKey);
  return key && (key->paintedFlags & KF_FOCUS) ? keyboardState.CurrentKey : 0;
}

struct Candidate {
  int32_t key;
  std::u32string text;
  std::u32string reading;  // in hiragana, from the macro the key runs
  bool readingForm;        // the typed reading itself (kind 3)
};
// The conversion panel as the user reads it: the candidates in scan order, and the keys
// that show the next page and switch to and from the input method's candidates (0 when
// not shown).
struct Panel {
  std::vector<Candidate> candidates;
  int32_t next = 0, imeOnly = 0;
};

// The text and reading of a candidate's macro «TranslateX(text LF reading)», unescaped.
bool ParseCandidateMacro(const std::string& macro, std::string* text, std::string* reading) {
  const size_t open = macro.find('(');
  if (open == std::string::npos || macro.empty() || macro.back() != ')') return false;
  std::string* field = text;
  for (size_t i = open + 1; i + 1 < macro.size(); ++i) {
    const auto b = static_cast<unsigned char>(macro[i]);
    if (b == '\n' && field == text) {
      field = reading;
      continue;
    }
    if (b == '%' && macro[i + 1] == ')') continue;
    field->push_back(macro[i]);
    if (IsLeadByte(b) && i + 2 < macro.size()) field->push_back(macro[++i]);
  }
  return field == reading;
}

Panel ReadPanel() {
  Panel panel;
  const int32_t p = candidateKeysState.conversionPanel;
  if (p == 0) return panel;
  const std::string nextLabel = Sjis(U"次候補"), imeLabel = Sjis(U"IME候補");
  // In scan order: the keys of the panel, and those of its scan groups where they stand.
  std::vector<int32_t> keys;
  for (int32_t k = FirstChild(p); k != 0; k = NextSibling(k)) {
    keys.push_back(k);
    const KeyRecord* key = GetKey(k);
    if (key && key->type == KT_PANEL) {
      for (int32_t c = FirstChild(k); c != 0; c = NextSibling(c)) keys.push_back(c);
    }
  }
  for (const int32_t k : keys) {
    const KeyRecord* key = GetKey(k);
    if (!key || !IsVisibleKey(k)) continue;
    if (nextLabel == key->name) {
      panel.next = k;
    } else if (imeLabel == key->name) {
      panel.imeOnly = k;
    } else if (key->id >= 10000 && key->id < 10000 + 1000 && key->onselected) {
      std::string text, reading;
      if (!ParseCandidateMacro(key->onselected, &text, &reading)) continue;
      std::u32string said;
      for (char32_t c : FromSjis(reading)) said.push_back(Hira(c));
      const bool form = std::strncmp(key->onselected, "TranslateD(", 11) == 0;
      panel.candidates.push_back({k, FromSjis(key->name), said, form});
    }
  }
  return panel;
}

// ---------------------------------------------------------------- the user
struct Tally {
  double seconds = 0;
  int presses = 0, steps = 0, characters = 0, byCandidate = 0, errors = 0;
};

// What the user does when the word in hand is not on the first page: page through it,
// then through the input method's own candidates, then back off kana by kana, paging at
// each length, for a shorter word that begins it.
enum class Fallback { None, Paging, ImePaging, BackingOff };

struct User {
  std::vector<Sentence> sentences;
  desktop::ForeignApp editor;
  bool imeAnswers = true;
  size_t sentence = 0;
  // where the sentence stands
  size_t sPos = 0, yPos = 0, typed = 0;
  bool failed = false;
  std::vector<std::string> why;  // what was not written, and why
  std::string sentBefore;        // the editor's text before this sentence
  uint64_t sentenceStart = 0;
  Tally line, total;
  int selections = 0;
  // the selection under way
  int32_t target = 0;
  std::string what;
  uint64_t actionStart = 0, litSince = 0, lastRelease = 0, readyAt = 0;
  int32_t lastLit = 0;
  bool down = false;
  int32_t pressed = 0;
  Fallback fallback = Fallback::None;
  bool pagedHere = false;  // backing off: the pages of this length were looked through
  int32_t lastTick = 0;
  bool done = false;
};

User gUser;

void Schedule(uint64_t at);

bool gTrace = false;

void Select(int32_t key, const std::string& what) {
  if (key == 0) std::fprintf(stderr, "typing_sim: no key for %s\n", what.c_str());
  if (gTrace) std::printf("  %8.1f s  %s\n", desktop::Now() / 1000.0, what.c_str());
  gUser.target = key;
  gUser.what = what;
  gUser.actionStart = desktop::Now();
}

void ResetWord() {
  gUser.typed = 0;
  gUser.fallback = Fallback::None;
  gUser.pagedHere = false;
}

void FinishSentence() {
  User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  const std::string now = desktop::EditText(u.editor);
  const std::string got = now.substr(std::min(now.size(), u.sentBefore.size()));
  const bool exact = !u.failed && got == Sjis(s.text);
  u.line.seconds = (desktop::Now() - u.sentenceStart) / 1000.0;
  u.line.characters = static_cast<int>(s.text.size());
  if (!exact) u.line.errors = 1;
  std::printf("%s %6.1f s %4d presses %4d steps %3d/%-3zu by candidates  %s", exact ? "ok " : "ERR",
              u.line.seconds, u.line.presses, u.line.steps, u.line.byCandidate, s.text.size(),
              Utf8(s.text).c_str());
  if (!exact) std::printf("  (got %s)", desktop::Utf8FromShiftJis(got).c_str());
  std::printf("\n");
  for (const std::string& why : u.why) std::printf("      not written: %s\n", why.c_str());
  std::fflush(stdout);
  u.total.seconds += u.line.seconds;
  u.total.presses += u.line.presses;
  u.total.steps += u.line.steps;
  u.total.characters += u.line.characters;
  u.total.byCandidate += u.line.byCandidate;
  u.total.errors += u.line.errors;
  u.line = Tally();
  ++u.sentence;
  u.sPos = u.yPos = 0;
  ResetWord();
  u.failed = false;
  u.why.clear();
  u.selections = 0;
  u.sentBefore = now;
  u.sentenceStart = desktop::Now();
}

// The reading index where the word in hand ends: the next word end after yPos.
size_t WordEnd() {
  const User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  size_t e = u.yPos + 1;
  while (e < s.reading.size() && !s.end[e]) ++e;
  return std::min(e, s.reading.size());
}

// Whether the candidate continues the sentence: its text and its reading are what comes
// next, it covers what has been typed, and it ends where the reading of the rest begins,
// or, once the user backs off from a word that was not offered, inside a run of kanji (a
// part of that word).
bool Fits(const Candidate& c) {
  const User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  if (c.text.empty() || s.text.compare(u.sPos, c.text.size(), c.text) != 0) return false;
  if (c.reading.size() < std::max<size_t>(u.typed, 1) ||
      s.reading.compare(u.yPos, c.reading.size(), c.reading) != 0)
    return false;
  const long cut = s.cuts[u.sPos + c.text.size()];
  if (cut < 0) return u.fallback == Fallback::BackingOff;
  return static_cast<size_t>(cut) == u.yPos + c.reading.size();
}

void Take(const Candidate& c, bool counted) {
  User& u = gUser;
  if (gTrace) {
    const KeyRecord* key = GetKey(c.key);
    std::printf("  take %d [%s] runs [%s]\n", key->id, desktop::Utf8FromShiftJis(key->name).c_str(),
                desktop::Utf8FromShiftJis(key->onselected).c_str());
  }
  Select(c.key, Utf8(c.text));
  // Where the sentence will stand once it is typed.
  u.sPos += c.text.size();
  u.yPos += c.reading.size();
  ResetWord();
  if (counted) u.line.byCandidate += static_cast<int>(c.text.size());
}

void Plan();

// What cannot be written is left out up to (t, y) in the text and the reading, with the
// reason; the reading is cleared, and the user goes on from there.
void LeaveOut(size_t t, size_t y, const std::string& why) {
  User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  u.why.push_back(Utf8(s.text.substr(u.sPos, t - u.sPos)) + why);
  u.failed = true;
  u.sPos = t;
  u.yPos = y;
  const bool clear = u.typed > 0;
  ResetWord();
  if (clear) {
    Select(KeyLabelled(U"読消"), "clear the reading");
  } else {
    Plan();
  }
}

// The word in hand cannot be written.
void LoseWord(const char* why) {
  const User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  const size_t e = WordEnd();
  size_t t = u.sPos + 1;
  while (t < s.text.size() && s.cuts[t] != static_cast<long>(e)) ++t;
  t = std::min(t, s.text.size());
  LeaveOut(t, e, " (" + Utf8(s.reading.substr(u.yPos, e - u.yPos)) + "): " + why);
}

// The sentence cannot go on: the rest of it is left out.
void GiveUp(const char* why) {
  const User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  LeaveOut(s.text.size(), u.yPos, std::string(": ") + why);
}

// Nothing on the page continues the sentence at the end of the word: the next step of
// the fallback.
void FallBack(const Panel& panel) {
  User& u = gUser;
  if (u.fallback == Fallback::None || u.fallback == Fallback::Paging) {
    if (panel.next != 0) {
      u.fallback = Fallback::Paging;
      Select(panel.next, "next page");
      return;
    }
    if (u.imeAnswers && panel.imeOnly != 0) {
      u.fallback = Fallback::ImePaging;
      Select(panel.imeOnly, "the input method's candidates");
      return;
    }
  } else if (u.fallback == Fallback::ImePaging && panel.next != 0) {
    Select(panel.next, "next page");
    return;
  }
  if (u.fallback == Fallback::BackingOff && !u.pagedHere && panel.next != 0) {
    Select(panel.next, "next page");
    return;
  }
  // Back off one kana; each length gets its first page and then the others.
  if (u.typed <= 1) {
    LoseWord(u.imeAnswers ? "offered neither whole nor in parts"
                          : "offered neither whole nor in parts (no input method)");
    return;
  }
  u.fallback = Fallback::BackingOff;
  u.pagedHere = false;
  --u.typed;
  Select(KeyLabelled(U"後退"), "backspace");
}

// Decides the next selection, or ends the sentence.
void Plan() {
  User& u = gUser;
  if (u.sentence >= u.sentences.size()) {
    u.done = true;
    desktop::QuitAt(desktop::Now() + 100);
    return;
  }
  const Sentence& s = u.sentences[u.sentence];
  if (u.sPos >= s.text.size()) {
    FinishSentence();
    Plan();
    return;
  }
  if (++u.selections > kMaxSelectionsPerCharacter * static_cast<int>(s.text.size())) {
    GiveUp("too many selections");
    return;
  }
  const Panel panel = ReadPanel();
  if (gTrace) {
    std::printf("  panel:");
    for (const Candidate& c : panel.candidates)
      std::printf(" %s%s", Utf8(c.text).c_str(), Fits(c) ? "*" : "");
    std::printf("%s%s\n", panel.next ? " [next]" : "", panel.imeOnly ? " [ime]" : "");
  }
  // The longest candidate that continues the sentence; the reading itself only where a
  // word ends (or the user is backing off), since more kana may bring the whole word.
  const bool atWordEnd = u.typed > 0 && u.yPos + u.typed == WordEnd();
  const Candidate* best = nullptr;
  for (const Candidate& c : panel.candidates) {
    if (!Fits(c)) continue;
    if (c.readingForm) {
      const bool wholeTyped = c.reading.size() == u.typed;
      if (!wholeTyped || !(atWordEnd || u.fallback == Fallback::BackingOff)) continue;
    }
    if (!best || c.text.size() > best->text.size() ||
        (best->readingForm && !c.readingForm && c.text.size() == best->text.size()))
      best = &c;
  }
  if (best) {
    Take(*best, !best->readingForm);
    return;
  }
  if (u.fallback == Fallback::BackingOff && u.pagedHere == false && panel.next == 0)
    u.pagedHere = true;
  if (u.fallback == Fallback::None && u.yPos + u.typed < WordEnd()) {
    const std::u32string kanaChar(1, s.reading[u.yPos + u.typed]);
    const int32_t key = KeyLabelled(kanaChar);
    if (key == 0) {
      GiveUp(("no key types " + Utf8(kanaChar)).c_str());
      return;
    }
    ++u.typed;
    Select(key, Utf8(kanaChar));
    return;
  }
  FallBack(panel);
}

// Every millisecond: count scan steps, and press when the lit key leads to the target.
void Poll() {
  User& u = gUser;
  const uint64_t now = desktop::Now();
  if (keyboardState.TickCount == 0 && u.lastTick > 0) ++u.line.steps;
  u.lastTick = keyboardState.TickCount;
  const int32_t lit = LitKey();
  if (lit != u.lastLit) {
    u.lastLit = lit;
    u.litSince = now;
  }
  if (u.done || u.down || now < u.readyAt) return;
  if (u.target == 0) {
    Plan();
    if (u.done) return;
  }
  if (u.target == 0) return;
  if (now - u.actionStart > kActionTimeoutMs) {
    std::fprintf(stderr, "typing_sim: %s never lit up\n", u.what.c_str());
    u.target = 0;
    GiveUp("a key never lit up");
    return;
  }
  const int32_t target = u.target;
  if (lit == 0 || target == 0 || !Under(target, lit)) return;
  const uint64_t from = std::max(u.litSince, u.lastRelease);
  if (now < from + kReactionMs - kHoldMs) return;
  u.down = true;
  u.pressed = lit;
  if (gTrace) {
    std::printf("  %8.1f s    press %d %s for %d\n", now / 1000.0, GetKey(lit)->id,
                desktop::Utf8FromShiftJis(GetKey(lit)->name).c_str(), GetKey(target)->id);
  }
  desktop::KeyDown(kSwitch);
  const bool selects = Selects(lit, target);
  desktop::At(now + kHoldMs, [selects] {
    User& user = gUser;
    desktop::KeyUp(kSwitch);
    user.down = false;
    ++user.line.presses;
    user.lastRelease = desktop::Now();
    user.readyAt = user.lastRelease + kSettleMs;
    if (selects) user.target = 0;
  });
}

void Schedule(uint64_t at) {
  desktop::At(at, [at] {
    Poll();
    if (!gUser.done || desktop::Now() < at + 1000) Schedule(at + 1);
  });
}

// The words of a working folder's word seed ("reading SPACE text" lines, Shift-JIS), as
// text TAB reading in hiragana: the words the simulated user knows how to read.
std::set<std::u32string> KnownWords(const std::string& folder) {
  std::set<std::u32string> known;
  std::ifstream in(folder + "/word", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    std::u32string reading;
    for (char32_t c : FromSjis(line.substr(0, space))) reading.push_back(Hira(c));
    known.insert(FromSjis(line.substr(space + 1)) + U'\t' + reading);
  }
  return known;
}

bool ReadText(const char* path, const std::set<std::u32string>& known, std::vector<Sentence>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::optional<Sentence> s = ParseLine(line);
    if (!s) {
      std::fprintf(stderr, "typing_sim: %s:%d: not \"sentence TAB reading\"\n", path, number);
      return false;
    }
    s->cuts = Cuts(*s, known);
    if (s->cuts.empty()) {
      std::fprintf(stderr, "typing_sim: %s:%d: the reading does not fit the sentence\n", path,
                   number);
      return false;
    }
    out->push_back(*s);
  }
  return true;
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: typing_sim [--ime anthy|none] [--fresh] [--keep DIR] [--trace] FOLDER TEXT...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string ime = "anthy", keep;
  bool fresh = false;
  std::vector<const char*> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ime") == 0 && i + 1 < argc) {
      ime = argv[++i];
    } else if (std::strcmp(argv[i], "--fresh") == 0) {
      fresh = true;
    } else if (std::strcmp(argv[i], "--trace") == 0) {
      gTrace = true;
    } else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
      keep = argv[++i];
    } else {
      args.push_back(argv[i]);
    }
  }
  if (args.size() < 2 || (ime != "anthy" && ime != "none")) return Usage();
  const std::set<std::u32string> known = KnownWords(args[0]);
  for (size_t i = 1; i < args.size(); ++i) {
    if (!ReadText(args[i], known, &gUser.sentences)) return 2;
  }

  // The program learns into its folder: it works on a copy, so the given one stays as it is.
  namespace fs = std::filesystem;
  std::error_code error;
  std::string folder = keep;
  if (folder.empty()) {
    std::string pattern = (fs::temp_directory_path() / "typing_sim.XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    folder = pattern;
  } else {
    fs::remove_all(folder, error);
  }
  fs::copy(args[0], folder, fs::copy_options::recursive, error);
  if (error) {
    std::fprintf(stderr, "typing_sim: cannot copy %s: %s\n", args[0], error.message().c_str());
    return 2;
  }
  if (fresh) fs::remove_all(fs::path(folder) / "Trans", error);

  desktop::Config config;
  config.workingFolder = folder;
  desktop::Reset(config);
  desktop::SetLocalTime({2026, 12, 1, 7, 10, 0, 0, 0});
  if (ime == "anthy" && !desktop::UseAnthy()) {
    std::fprintf(stderr, "typing_sim: Anthy does not start\n");
    return 2;
  }
  gUser.editor = desktop::StartForeignApp("Editor", "Editor");
  gUser.imeAnswers = ime == "anthy";
  // The user starts once the keyboard has settled.
  gUser.readyAt = 2'000;
  gUser.sentenceStart = 2'000;
  Schedule(1);
  const int code = desktop::Run(MivoMain);
  if (keep.empty()) fs::remove_all(folder, error);
  if (code != 0) {
    std::fprintf(stderr, "typing_sim: the program ended with %d\n", code);
    return 1;
  }
  const Tally& t = gUser.total;
  const double n = t.characters > 0 ? t.characters : 1;
  std::printf("per character: %.2f s, %.2f presses, %.2f steps, %.1f %% by candidates, %d errors\n",
              t.seconds / n, t.presses / n, t.steps / n, 100.0 * t.byCandidate / n, t.errors);
  return t.errors == 0 ? 0 : 1;
}
