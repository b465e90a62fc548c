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
// - types the reading kana by kana on the kana keys;
// - after every change of the candidates, takes the shown candidate with the longest
//   text that continues the sentence and ends where a word of it ends;
// - takes the reading itself (its hiragana or katakana form) when the typed kana are the
//   sentence's next characters and a kanji follows them or the sentence ends;
// - when a word with kanji and the kana after it up to the next kanji bring nothing,
//   backs out with the backspace key to each end of a kanji word in turn and pages
//   through its candidates; when even that fails, clears the reading and leaves the word
//   out (the sentence then counts as not reproduced).
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
#include <string>
#include <vector>

#include "keyboard/key_tree.h"
#include "keyboard/scanning.h"
#include "platform/headless/desktop.h"
#include "predict/state.h"
#include "shell/app.h"

namespace {

using namespace mivo;

constexpr int kSwitch = 0x1D;                   // the non-convert key, PressKey's default
constexpr uint64_t kReactionMs = 500;           // from the light to the selection
constexpr uint64_t kHoldMs = 100;               // the last part of it, switch down
constexpr uint64_t kSettleMs = 20;              // queued work after a selection
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
// not as 郵便 with the reading of the whole and 局 with the particle after it). Empty
// when the reading does not fit the text.
std::vector<long> Cuts(const Sentence& s) {
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
          const int cost = best[i2][j2] + 1000 + static_cast<int>(balance < 0 ? -balance : balance);
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
// The id of a shown key of the keyboard (not a candidate) with this label, or 0.
int32_t KeyLabelled(const std::u32string& label) {
  const std::string sjis = Sjis(label);
  for (int32_t k = 1; k <= KeyCount; ++k) {
    const KeyRecord* key = GetKey(k);
    if (!key || key->type == KT_INERT || key->type == KT_CANDIDATE || sjis != key->name) continue;
    if (Shown(k)) return key->id;
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
  const KeyRecord* key = GetKey(CurrentKey);
  return key && (key->paintedFlags & KF_FOCUS) ? CurrentKey : 0;
}

struct Candidate {
  int32_t id;
  std::u32string text;
};
// The conversion panel as the user reads it: the candidates in scan order, and the key
// that shows the next page (0 when there is none).
struct Panel {
  std::vector<Candidate> candidates;
  int32_t next = 0;
};
Panel ReadPanel() {
  Panel panel;
  const int32_t p = predictState.conversionPanel;
  if (p == 0) return panel;
  const std::string nextLabel = Sjis(U"次候補");
  for (int32_t k = FirstChild(p); k != 0; k = NextSibling(k)) {
    const KeyRecord* key = GetKey(k);
    if (!key || !IsVisibleKey(k)) continue;
    if (nextLabel == key->name) {
      panel.next = key->id;
    } else if (key->id >= 10000 && key->id < 10000 + 1000) {
      panel.candidates.push_back({key->id, FromSjis(key->name)});
    }
  }
  return panel;
}

// ---------------------------------------------------------------- the user
struct Tally {
  double seconds = 0;
  int presses = 0, steps = 0, characters = 0, byCandidate = 0, errors = 0;
};

// Where a word with kanji ends: after k kana of the reading and at t in the text.
struct End {
  size_t k, t;
};

struct User {
  std::vector<Sentence> sentences;
  desktop::ForeignApp editor;
  size_t sentence = 0;
  // where the sentence stands
  size_t sPos = 0, yPos = 0, typed = 0;
  bool failed = false;
  std::string sentBefore;  // the editor's text before this sentence
  uint64_t sentenceStart = 0;
  Tally line, total;
  int selections = 0;
  // the selection under way
  int32_t targetId = 0;
  std::string what;
  uint64_t actionStart = 0, litSince = 0, lastRelease = 0, readyAt = 0;
  int32_t lastLit = 0;
  bool down = false;
  int32_t pressed = 0;
  // backing out of a reading that brought no candidate: the ends of kanji words left to
  // try (longest first), whether the first of them is being paged, and a reading being
  // cleared after all of them failed
  bool backingOut = false;
  std::vector<End> tryEnds;
  bool paging = false;
  int32_t lastTick = 0;
  bool done = false;
};

User gUser;

void Schedule(uint64_t at);

bool gTrace = false;

void Select(int32_t id, const std::string& what) {
  if (id == 0) std::fprintf(stderr, "typing_sim: no key for %s\n", what.c_str());
  if (gTrace) std::printf("  %8.1f s  %s\n", desktop::Now() / 1000.0, what.c_str());
  gUser.targetId = id;
  gUser.what = what;
  gUser.actionStart = desktop::Now();
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
  std::fflush(stdout);
  u.total.seconds += u.line.seconds;
  u.total.presses += u.line.presses;
  u.total.steps += u.line.steps;
  u.total.characters += u.line.characters;
  u.total.byCandidate += u.line.byCandidate;
  u.total.errors += u.line.errors;
  u.line = Tally();
  ++u.sentence;
  u.sPos = u.yPos = u.typed = 0;
  u.failed = false;
  u.selections = 0;
  u.backingOut = u.paging = false;
  u.tryEnds.clear();
  u.sentBefore = now;
  u.sentenceStart = desktop::Now();
}

// The reading length of the smallest fit of the candidate's text from here, or -1.
long Fit(const std::u32string& text) {
  User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  if (s.text.compare(u.sPos, text.size(), text) != 0) return -1;
  const long j = s.cuts[u.sPos + text.size()];
  if (j < 0 || static_cast<size_t>(j) < u.yPos + std::max<size_t>(u.typed, 1)) return -1;
  return j - static_cast<long>(u.yPos);
}

bool IsReadingForm(const std::u32string& text) {
  const User& u = gUser;
  const std::u32string typed = u.sentences[u.sentence].reading.substr(u.yPos, u.typed);
  if (text.size() != typed.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Hira(text[i]) != typed[i]) return false;
  }
  return true;
}

void Take(const Candidate& c, long k, bool counted) {
  User& u = gUser;
  if (gTrace) {
    const KeyRecord* key = GetKey(FindKeyById(c.id));
    std::printf("  take %d [%s] runs [%s]\n", c.id, desktop::Utf8FromShiftJis(key->name).c_str(),
                desktop::Utf8FromShiftJis(key->onselected).c_str());
  }
  Select(c.id, Utf8(c.text));
  // Where the sentence will stand once it is typed.
  u.sPos += c.text.size();
  u.yPos += static_cast<size_t>(k);
  u.typed = 0;
  u.backingOut = u.paging = false;
  u.tryEnds.clear();
  if (counted) u.line.byCandidate += static_cast<int>(c.text.size());
}

// The ends of words with kanji from here, longest first, up to the first such end that
// a kanji or the end of the sentence follows: what the user types before giving up on
// the candidates.
std::vector<End> KanjiEnds() {
  User& u = gUser;
  const Sentence& s = u.sentences[u.sentence];
  std::vector<End> ends;
  bool kanji = false;
  for (size_t t = u.sPos + 1; t <= s.text.size(); ++t) {
    kanji = kanji || !KanaLike(s.text[t - 1]);
    if (!kanji || s.cuts[t] < 0) continue;
    ends.insert(ends.begin(), End{static_cast<size_t>(s.cuts[t]) - u.yPos, t});
    if (t == s.text.size() || !KanaLike(s.text[t])) break;
  }
  return ends;
}

// Backs the reading out to each end of a kanji word in turn and pages through its
// candidates; after the last one, clears the reading and gives the word up.
void Plan();
void BackOut(const Panel& panel) {
  User& u = gUser;
  while (!u.tryEnds.empty()) {
    const End e = u.tryEnds.front();
    if (u.typed > e.k) {
      --u.typed;
      Select(KeyLabelled(U"後退"), "backspace");
      return;
    }
    if (panel.next != 0 && (u.paging || u.typed == e.k)) {
      u.paging = true;
      Select(panel.next, "next page");
      return;
    }
    u.paging = false;
    if (u.tryEnds.size() == 1) break;
    u.tryEnds.erase(u.tryEnds.begin());
  }
  // Nothing anywhere: the word is lost.
  const End e = u.tryEnds.empty() ? End{u.typed, u.sPos} : u.tryEnds.front();
  u.failed = true;
  u.backingOut = u.paging = false;
  u.tryEnds.clear();
  u.sPos = e.t;
  u.yPos += e.k;
  u.typed = 0;
  Select(KeyLabelled(U"読消"), "clear the reading");
}

// The sentence cannot go on: the rest of it is left out, the reading cleared.
void GiveUp() {
  User& u = gUser;
  u.failed = true;
  u.sPos = u.sentences[u.sentence].text.size();
  u.backingOut = u.paging = false;
  if (u.typed == 0) {
    Plan();
    return;
  }
  u.typed = 0;
  Select(KeyLabelled(U"読消"), "clear the reading");
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
    GiveUp();
    return;
  }
  const Panel panel = ReadPanel();
  if (gTrace) {
    std::printf("  panel:");
    for (const Candidate& c : panel.candidates)
      std::printf(" %s/%ld", Utf8(c.text).c_str(), Fit(c.text));
    std::printf("%s\n", panel.next ? " [next]" : "");
  }
  // The longest candidate that continues the sentence, the reading itself aside.
  const Candidate* best = nullptr;
  long bestK = -1;
  const Candidate* kana = nullptr;
  long kanaK = -1;
  for (const Candidate& c : panel.candidates) {
    const long k = Fit(c.text);
    if (k < 0) continue;
    if (IsReadingForm(c.text)) {
      if (!kana) kana = &c, kanaK = k;
    } else if (!best || c.text.size() > best->text.size()) {
      best = &c, bestK = k;
    }
  }
  if (best) {
    Take(*best, bestK, true);
    return;
  }
  if (kana && u.typed > 0 && static_cast<size_t>(kanaK) == u.typed) {
    const size_t t = u.sPos + kana->text.size();
    if (t == s.text.size() || !KanaLike(s.text[t])) {
      Take(*kana, kanaK, false);
      return;
    }
  }
  if (u.backingOut) {
    BackOut(panel);
    return;
  }
  const std::vector<End> ends = KanjiEnds();
  if (!ends.empty() && u.typed >= ends.front().k) {
    // The whole word and what follows it brought nothing: back out and page.
    u.backingOut = true;
    u.tryEnds = ends;
    BackOut(panel);
    return;
  }
  if (u.yPos + u.typed >= s.reading.size()) {
    GiveUp();
    return;
  }
  const std::u32string kanaChar(1, s.reading[u.yPos + u.typed]);
  const int32_t key = KeyLabelled(kanaChar);
  if (key == 0) {
    std::fprintf(stderr, "typing_sim: no key types %s\n", Utf8(kanaChar).c_str());
    GiveUp();
    return;
  }
  ++u.typed;
  Select(key, Utf8(kanaChar));
}

// Every millisecond: count scan steps, and press when the lit key leads to the target.
void Poll() {
  User& u = gUser;
  const uint64_t now = desktop::Now();
  if (TickCount == 0 && u.lastTick > 0) ++u.line.steps;
  u.lastTick = TickCount;
  const int32_t lit = LitKey();
  if (lit != u.lastLit) {
    u.lastLit = lit;
    u.litSince = now;
  }
  if (u.done || u.down || now < u.readyAt) return;
  if (u.targetId == 0) {
    Plan();
    if (u.done) return;
  }
  if (u.targetId == 0) return;
  if (now - u.actionStart > kActionTimeoutMs) {
    std::fprintf(stderr, "typing_sim: %s never lit up\n", u.what.c_str());
    u.targetId = 0;
    GiveUp();
    return;
  }
  const int32_t target = FindKeyById(u.targetId);
  if (lit == 0 || target == 0 || !Under(target, lit)) return;
  const uint64_t from = std::max(u.litSince, u.lastRelease);
  if (now < from + kReactionMs - kHoldMs) return;
  u.down = true;
  u.pressed = lit;
  if (gTrace) {
    std::printf("  %8.1f s    press %d %s for %d\n", now / 1000.0, GetKey(lit)->id,
                desktop::Utf8FromShiftJis(GetKey(lit)->name).c_str(), u.targetId);
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
    if (selects) user.targetId = 0;
  });
}

void Schedule(uint64_t at) {
  desktop::At(at, [at] {
    Poll();
    if (!gUser.done || desktop::Now() < at + 1000) Schedule(at + 1);
  });
}

bool ReadText(const char* path, std::vector<Sentence>* out) {
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
    s->cuts = Cuts(*s);
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
  for (size_t i = 1; i < args.size(); ++i) {
    if (!ReadText(args[i], &gUser.sentences)) return 2;
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
