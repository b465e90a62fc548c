// Scan cost of a keyboard file: for every key, how many automatic scan steps and switch
// presses it takes to reach and select it from the home key, and the average over the
// kana keys weighted by how often each kana occurs in Japanese text.
//
//   scan_cost [FOLDER] [--show ID,...] [--hide ID,...] [--home ID] [--summary]
//
// FOLDER (default ".") holds settings.txt and the keyboard file it names; both are read
// with the program's own readers on the headless desktop. --show and --hide change which
// keys are visible before measuring (as the page keys do), --home sets the home key.
// Key names are printed as they are stored (Shift-JIS): pipe through `iconv -f CP932`.
//
// The walk follows automatic scanning: a step moves to the next visible key of the
// group and wraps to the group's first visible key at its end; selecting a group moves
// into its first visible child, and a group whose only scannable child that is selects
// it at once (no press). Time is counted in timer ticks of 100 ms: after a selection (and
// on return to the home key) the first step comes TimerInterval + 1 - TimerWait ticks
// later, every further step TimerInterval + 1 ticks after the one before; a press itself
// is not counted.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "keyboard/key_tree.h"
#include "keyboard/keyboard_file.h"
#include "keyboard/painting.h"
#include "platform/headless/desktop.h"
#include "platform/os.h"

namespace {

// Key names are Shift-JIS; the terminal reading this table is UTF-8.
std::string Readable(const char* sjis) { return desktop::Utf8FromShiftJis(sjis ? sjis : ""); }

using namespace mivo;

// How often each kana occurs: counted in Vim's Japanese tutorial
// (/usr/share/vim/vim90/tutor/tutor.ja.utf-8 of vim 9.0) after turning its kanji and
// katakana into hiragana readings with `kakasi -JH -KH`; 12,829 kana and kana
// punctuation in all. Instructional prose, so particles and polite endings (し, す, ま)
// weigh as in everyday writing.
struct KanaCount {
  const char* kana;  // Shift-JIS
  int count;
};
const KanaCount KANA_COUNTS[] = {
    {"\x82\xb5", 707},  // し
    {"\x82\xa4", 674},  // う
    {"\x82\xa2", 665},  // い
    {"\x82\xb7", 583},  // す
    {"\x82\xdc", 505},  // ま
    {"\x82\xf1", 472},  // ん
    {"\x82\xe9", 442},  // る
    {"\x82\xcc", 441},  // の
    {"\x82\xf0", 435},  // を
    {"\x82\xc9", 397},  // に
    {"\x82\xbd", 389},  // た
    {"\x81\x42", 366},  // 。
    {"\x82\xa9", 350},  // か
    {"\x82\xe5", 343},  // ょ
    {"\x82\xb1", 336},  // こ
    {"\x82\xc6", 319},  // と
    {"\x82\xad", 257},  // く
    {"\x82\xa8", 245},  // お
    {"\x82\xcd", 225},  // は
    {"\x82\xc4", 224},  // て
    {"\x82\xb3", 217},  // さ
    {"\x82\xc7", 214},  // ど
    {"\x81\x5b", 214},  // ー
    {"\x82\xea", 206},  // れ
    {"\x82\xc5", 193},  // で
    {"\x82\xb6", 183},  // じ
    {"\x82\xd5", 179},  // ぷ
    {"\x82\xe0", 176},  // も
    {"\x82\xc8", 161},  // な
    {"\x81\x41", 155},  // 、
    {"\x82\xc1", 155},  // っ
    {"\x82\xbb", 152},  // そ
    {"\x82\xc2", 149},  // つ
    {"\x82\xab", 148},  // き
    {"\x82\xe8", 146},  // り
    {"\x82\xaa", 121},  // が
    {"\x82\xbf", 115},  // ち
    {"\x82\xe6", 102},  // よ
    {"\x82\xe7", 101},  // ら
    {"\x82\xe3", 94},   // ゅ
    {"\x82\xdf", 89},   // め
    {"\x82\xa6", 84},   // え
    {"\x82\xac", 84},   // ぎ
    {"\x82\xaf", 79},   // け
    {"\x82\xd3", 76},   // ふ
    {"\x82\xd6", 76},   // へ
    {"\x82\xa0", 68},   // あ
    {"\x82\xd9", 61},   // ほ
    {"\x82\x9f", 60},   // ぁ
    {"\x82\xdd", 59},   // み
    {"\x82\xb9", 58},   // せ
    {"\x82\xb2", 55},   // ご
    {"\x82\xce", 42},   // ば
    {"\x82\xbe", 37},   // だ
    {"\x82\xd0", 34},   // ひ
    {"\x82\xe2", 31},   // や
    {"\x82\xd4", 29},   // ぶ
    {"\x82\xed", 28},   // わ
    {"\x82\xd7", 23},   // べ
    {"\x82\xd8", 22},   // ぺ
    {"\x82\xba", 20},   // ぜ
    {"\x82\xa1", 19},   // ぃ
    {"\x82\xbc", 18},   // ぞ
    {"\x82\xd1", 15},   // び
    {"\x82\xde", 15},   // む
    {"\x82\xeb", 13},   // ろ
    {"\x82\xb8", 10},   // ず
    {"\x82\xe1", 9},    // ゃ
    {"\x82\xda", 8},    // ぼ
    {"\x82\xb0", 6},    // げ
    {"\x82\xb4", 6},    // ざ
    {"\x82\xc3", 6},    // づ
    {"\x82\xd2", 6},    // ぴ
    {"\x82\xcb", 5},    // ね
    {"\x82\xe4", 5},    // ゆ
    {"\x82\xae", 4},    // ぐ
    {"\x82\xa5", 3},    // ぇ
    {"\x82\xca", 3},    // ぬ
    {"\x82\xdb", 3},    // ぽ
    {"\x82\xcf", 2},    // ぱ
};

struct Cost {
  bool reachable = false;
  int steps = 0;
  int presses = 0;
  int ticks = 0;
};

int32_t gHome = 0;

os::LRESULT ToolProc(os::Window w, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message == MM_SET_HOME && GetKey(static_cast<int32_t>(wParam))) {
    gHome = static_cast<int32_t>(wParam);
    return 0;
  }
  return os::DefWindowProc(w, message, wParam, lParam);
}

// Ticks a level costs when s steps are taken in it after a selection.
int LevelTicks(int steps) {
  if (steps == 0) return 0;
  return (settings.TimerInterval + 1 - settings.TimerWait) +
         (steps - 1) * (settings.TimerInterval + 1);
}

// Steps from `from` to `to` inside one group, wrapping at the end; -1 when never reached.
int ScanDistance(int32_t from, int32_t to) {
  int steps = 0;
  int32_t k = from;
  const int32_t parent = ParentOf(from);
  while (k != to) {
    int32_t n = NextVisibleSibling(k);
    if (n == 0) n = FirstVisibleChild(parent);
    if (n == 0 || n == from || ++steps > KEY_TABLE_SIZE) return -1;
    k = n;
  }
  return steps;
}

bool Scannable(int32_t k) {
  const KeyRecord* key = GetKey(k);
  return key && key->type != KT_INERT && IsVisibleKey(k);
}

Cost CostOf(int32_t target) {
  Cost cost;
  if (gHome == 0 || !Scannable(target)) return cost;
  // The chain from the top down to the target.
  std::vector<int32_t> chain;
  for (int32_t k = target; k != 0; k = ParentOf(k)) {
    if (!IsVisibleKey(k)) return cost;
    chain.insert(chain.begin(), k);
  }
  // The scan starts among the home key's siblings.
  size_t level = 0;
  while (level < chain.size() && ParentOf(chain[level]) != ParentOf(gHome)) ++level;
  if (level == chain.size()) return cost;
  int steps = ScanDistance(gHome, chain[level]);
  if (steps < 0) return cost;
  cost.steps = steps;
  cost.ticks = LevelTicks(steps);
  cost.presses = 1;
  for (++level; level < chain.size(); ++level) {
    const int32_t first = FirstVisibleChild(chain[level - 1]);
    if (!Scannable(first)) return cost;
    if (NextVisibleSibling(first) == 0) {
      // A group with one key selects it at once.
      if (first != chain[level]) return cost;
      continue;
    }
    steps = ScanDistance(first, chain[level]);
    if (steps < 0) return cost;
    cost.steps += steps;
    cost.ticks += LevelTicks(steps);
    cost.presses += 1;
  }
  cost.reachable = true;
  return cost;
}

// The kana of a key whose selected text is exactly AddRead(kana), else "".
std::string KanaOf(const KeyRecord* key) {
  const char* text = key->onselected;
  const size_t n = std::strlen(text);
  if (n < 10 || std::strncmp(text, "AddRead(", 8) != 0 || text[n - 1] != ')') return "";
  return std::string(text + 8, n - 9);
}

std::vector<int32_t> IdList(const char* text) {
  std::vector<int32_t> ids;
  while (*text) {
    char* end = nullptr;
    const long id = std::strtol(text, &end, 10);
    if (end == text) break;
    ids.push_back(static_cast<int32_t>(id));
    text = *end == ',' ? end + 1 : end;
  }
  return ids;
}

int Usage() {
  std::fprintf(stderr,
               "usage: scan_cost [FOLDER] [--show ID,...] [--hide ID,...] [--home ID] "
               "[--summary]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = ".";
  std::vector<int32_t> show, hide;
  int32_t homeId = 0;
  bool summaryOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--show" || arg == "--hide" || arg == "--home") && i + 1 < argc) {
      const std::vector<int32_t> ids = IdList(argv[++i]);
      if (ids.empty()) return Usage();
      if (arg == "--show") show.insert(show.end(), ids.begin(), ids.end());
      if (arg == "--hide") hide.insert(hide.end(), ids.begin(), ids.end());
      if (arg == "--home") homeId = ids.front();
    } else if (arg == "--summary") {
      summaryOnly = true;
    } else if (!arg.empty() && arg[0] != '-') {
      folder = arg;
    } else {
      return Usage();
    }
  }

  desktop::Config config;
  config.workingFolder = folder;
  desktop::Reset(config);
  if (!LoadSettings()) {
    std::fprintf(stderr, "scan_cost: settings.txt in %s has an error\n", folder.c_str());
    return 1;
  }
  static int instanceTag;
  os::Instance instance = reinterpret_cast<os::Instance>(&instanceTag);
  os::WndClass wc{};
  wc.lpfnWndProc = ToolProc;
  wc.hInstance = instance;
  wc.lpszClassName = "MivoScanCost";
  os::RegisterClass(wc);
  os::Window main =
      os::CreateWindowEx(0, "MivoScanCost", "scan_cost", os::WS_POPUP | os::WS_VISIBLE, 0, 500,
                         1024, 246, nullptr, instance, nullptr);
  SetMainWindow(main);
  KeyTableInit();
  SetKeyboardInstance(instance);
  UpdateMetrics(main);
  RegisterKeyWindowClass(instance);
  ColorSetTableInit();
  const char* file = settings.KeyCfgFile ? settings.KeyCfgFile : "mivo_key.cfg";
  const int read = LoadKeyboardFile(file, 0);
  if (read != 0) {
    std::fprintf(stderr, "scan_cost: %s/%s: %s\n", folder.c_str(), file,
                 read < 0 ? "cannot be read" : "syntax error");
    return 1;
  }
  desktop::PumpMessages();  // the role tags post their messages
  for (int32_t id : hide) HideKey(FindKeyById(id));
  for (int32_t id : show) ShowKey(FindKeyById(id));
  if (homeId != 0) gHome = FindKeyById(homeId);
  if (gHome == 0) {
    std::fprintf(stderr, "scan_cost: no home key\n");
    return 1;
  }

  const double tick = 0.1;
  if (!summaryOnly) std::printf("id\tsteps\tpresses\tseconds\tname\n");
  double weight = 0, steps = 0, presses = 0, seconds = 0;
  int missing = 0;
  for (const KanaCount& entry : KANA_COUNTS) {
    Cost best;
    for (int32_t k = 1; k <= keyboardState.KeyCount; ++k) {
      const KeyRecord* key = GetKey(k);
      if (!key || KanaOf(key) != entry.kana) continue;
      const Cost c = CostOf(k);
      if (c.reachable && (!best.reachable || c.ticks < best.ticks)) best = c;
    }
    if (!best.reachable) {
      missing += entry.count;
      continue;
    }
    weight += entry.count;
    steps += entry.count * best.steps;
    presses += entry.count * best.presses;
    seconds += entry.count * best.ticks * tick;
  }
  if (!summaryOnly) {
    for (int32_t k = 1; k <= keyboardState.KeyCount; ++k) {
      const KeyRecord* key = GetKey(k);
      if (!key) continue;
      const Cost c = CostOf(k);
      if (c.reachable) {
        std::printf("%d\t%d\t%d\t%.1f\t%s\n", key->id, c.steps, c.presses, c.ticks * tick,
                    Readable(key->name).c_str());
      } else {
        std::printf("%d\t-\t-\t-\t%s\n", key->id, Readable(key->name).c_str());
      }
    }
  }
  if (weight == 0) {
    std::printf("no reachable kana keys\n");
    return 0;
  }
  std::printf(
      "kana average (weighted, %.0f kana): %.2f steps, %.2f presses, %.1f s of scanning "
      "(TimerInterval %d, TimerWait %d)\n",
      weight, steps / weight, presses / weight, seconds / weight, settings.TimerInterval,
      settings.TimerWait);
  if (missing != 0) std::printf("kana of the text without a reachable key: %d\n", missing);
  return 0;
}
