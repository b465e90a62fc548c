// Anthy, a real kana-kanji conversion engine, behind the input method calls of the
// headless desktop when a test asks for it (desktop::UseAnthy). Anthy works in UTF-8
// here; the program's readings and candidates are CP932.
#include <anthy/anthy.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless/internal.h"

namespace headless {

namespace {

struct Engine {
  bool tried = false;
  bool ready = false;
  std::string home;
};

Engine& E() {
  static Engine engine;
  return engine;
}

void Quit() {
  anthy_quit();
  rmdir(E().home.c_str());  // left alone if Anthy wrote anything there after all
}

struct Context {
  anthy_context_t ac = anthy_create_context();
  Context() {
    if (ac) anthy_context_set_encoding(ac, ANTHY_UTF8_ENCODING);
  }
  ~Context() {
    if (ac) anthy_release_context(ac);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
};

std::string Segment(anthy_context_t ac, int segment, int candidate) {
  int n = anthy_get_segment(ac, segment, candidate, nullptr, 0);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n) + 1, '\0');
  if (anthy_get_segment(ac, segment, candidate, text.data(), n + 1) != n) return std::string();
  text.resize(static_cast<size_t>(n));
  return text;
}

bool Listed(const std::vector<std::string>& list, const std::string& text) {
  for (const std::string& item : list)
    if (item == text) return true;
  return false;
}

// A segment's candidates in CP932, in Anthy's order, each once (Anthy offers both
// Unicode tildes, which are one CP932 character); its hiragana form alone when no
// candidate converts, so that every segment has a first candidate to compose with.
std::vector<std::string> Candidates(anthy_context_t ac, int segment) {
  anthy_segment_stat stat{};
  std::vector<std::string> out;
  if (anthy_get_segment_stat(ac, segment, &stat) != 0) return out;
  std::string sjis;
  for (int i = 0; i < stat.nr_candidate; ++i)
    if (Recode(Segment(ac, segment, i), "CP932", "UTF-8", &sjis) && !sjis.empty() &&
        !Listed(out, sjis))
      out.push_back(sjis);
  if (out.empty() &&
      Recode(Segment(ac, segment, NTH_HIRAGANA_CANDIDATE), "CP932", "UTF-8", &sjis) &&
      !sjis.empty())
    out.push_back(sjis);
  return out;
}

// Anthy 0.4 loses about 200 bytes on every conversion of a reading with a letter other
// than hiragana and ヴ (measured over CP932 rows 1 to 4, 7, 8, 0xED, 0xFA and the
// half-width kana). Readings are hiragana; the rest is not given to it, so the process
// stays leak-free: ASCII, row 1 (punctuation, symbols, ー), full-width digits, hiragana, ヴ.
bool Takes(const std::string& reading) {
  for (size_t i = 0; i < reading.size(); ++i) {
    unsigned char lead = static_cast<unsigned char>(reading[i]);
    if (lead < 0x80) continue;
    if (lead < 0x81 || lead > 0x83 || i + 1 == reading.size()) return false;
    unsigned code = lead << 8 | static_cast<unsigned char>(reading[++i]);
    bool digit = code >= 0x824F && code <= 0x8258;
    bool hiragana = code >= 0x829F && code <= 0x82F1;
    if (lead != 0x81 && !digit && !hiragana && code != 0x8394 /* ヴ */) return false;
  }
  return true;
}

// Sets the reading; the number of segments Anthy made of it, 0 when it made none.
int Set(anthy_context_t ac, const std::string& reading) {
  std::string utf8;
  if (!ac || reading.empty() || !Takes(reading) || !Recode(reading, "UTF-8", "CP932", &utf8))
    return 0;
  if (anthy_set_string(ac, utf8.c_str()) != 0) return 0;
  anthy_conv_stat stat{};
  if (anthy_get_stat(ac, &stat) != 0) return 0;
  return stat.nr_segment;
}

}  // namespace

bool AnthyStart() {
  Engine& e = E();
  if (e.tried) return e.ready;
  e.tried = true;
  // Anthy reads the user's own words from under HOME; an empty folder of our own keeps
  // them out, so the answers depend on the installed dictionary alone.
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mivo-anthy-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  e.home = pattern;
  anthy_conf_override("HOME", e.home.c_str());
  if (anthy_init() != 0) {
    rmdir(e.home.c_str());
    return false;
  }
  // The anonymous personality keeps no record of choices: nothing is learned, so the
  // same reading converts the same way in every test.
  anthy_set_personality("");
  atexit(Quit);
  e.ready = true;
  return true;
}

bool AnthyConvert(const std::string& reading, std::vector<std::string>* firstSegment,
                  std::string* composition) {
  firstSegment->clear();
  if (!AnthyStart()) return false;
  Context context;
  int segments = Set(context.ac, reading);
  std::string composed;
  for (int s = 0; s < segments; ++s) {
    std::vector<std::string> list = Candidates(context.ac, s);
    if (list.empty()) {
      firstSegment->clear();
      return false;
    }
    composed += list.front();
    if (s == 0) *firstSegment = std::move(list);
  }
  if (segments == 0) return false;
  *composition = composed;
  return true;
}

bool AnthyConvertWhole(const std::string& reading, std::vector<std::string>* candidates) {
  candidates->clear();
  if (!AnthyStart()) return false;
  Context context;
  int segments = Set(context.ac, reading);
  if (segments == 0) return false;
  int total = 0;
  anthy_segment_stat stat{};
  for (int s = 0; s < segments; ++s) {
    if (anthy_get_segment_stat(context.ac, s, &stat) != 0) return false;
    total += stat.seg_len;
  }
  anthy_get_segment_stat(context.ac, 0, &stat);
  if (stat.seg_len < total) anthy_resize_segment(context.ac, 0, total - stat.seg_len);
  // Anthy caps the length of a segment; a reading longer than that has no conversion
  // as a whole, and a part of it would stand for less than the reading.
  anthy_conv_stat conv{};
  if (anthy_get_stat(context.ac, &conv) != 0 || conv.nr_segment != 1) return false;
  *candidates = Candidates(context.ac, 0);
  return !candidates->empty();
}

}  // namespace headless
