#include "candidates/candidate_keys.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/bus.h"
#include "base/messages.h"
#include "base/settings.h"
#include "base/text.h"
#include "candidates/state.h"
#include "dict/candidate_list.h"
#include "keyboard/key_tree.h"
#include "keyboard/painting.h"
#include "keyboard/scanning.h"

namespace mivo {

CandidateKeysState candidateKeysState;

void ResetCandidateKeysState() { candidateKeysState = CandidateKeysState{}; }

namespace {

enum Template { T_CONVERSION, T_PREDICTION, T_NEXT, T_PREVIOUS, T_MODE, TEMPLATE_COUNT };

// 次候補, 前候補, IME候補, 予測候補
constexpr char kNextLabel[] = "\x8e\x9f\x8c\xf3\x95\xe2";
constexpr char kPreviousLabel[] = "\x91\x4f\x8c\xf3\x95\xe2";
constexpr char kImeModeLabel[] = "IME\x8c\xf3\x95\xe2";
constexpr char kAllModeLabel[] = "\x97\x5c\x91\xaa\x8c\xf3\x95\xe2";
// The most candidates a row takes; any more are left to the next page.
constexpr uint32_t MAX_ROW_KEYS = 256;

struct ListStyle {
  int32_t* panel;
  Template colours;
  int64_t padding[2];  // MetricsMode 1, MetricsMode 2
  int32_t idBase;
  bool conversion;          // a mode key, and the text before the key in the macro
  const char* prefixes[5];  // by kind; index 0 stands for a kind the table lacks
  const char* nextCommand;
  const char* previousCommand;
};

const ListStyle kConversion = {
    &candidateKeysState.conversionPanel,
    T_CONVERSION,
    {1200, 1200},
    10000,
    true,
    {"TranslateP(", "TranslateP(", "TranslateW(", "TranslateD(", "TranslateI("},
    "Command(NextCandidates[%d])",
    "Command(PreviousCandidates[%d])"};
const ListStyle kPrediction = {
    &candidateKeysState.predictionPanel,
    T_PREDICTION,
    {1400, 1200},
    10100,
    false,
    {"PTranslateP(", "PTranslateP(", "PTranslateW(", "PTranslateD(", "PTranslateP("},
    "Command(PNextCandidates[%d])",
    "Command(PPreviousCandidates[%d])"};

// The layout works in the file-style units that CreateKey takes, scaled to the panel's
// width W. Products are taken in 64 bits: long labels in the second metrics mode would
// wrap in 32.
struct Metrics {
  int64_t U, R, charWidth, padding, gap, y0, rowStep, keyHeight, W;

  int64_t Width(size_t bytes) const { return static_cast<int64_t>(bytes) * charWidth + padding; }
  int64_t X0() const { return U * gap / W; }
  int64_t Advance(int64_t width) const { return (gap + width) * U / W; }
  int64_t PagingWidth() const { return padding + 6 * charWidth; }
  int64_t PagingRoom() const { return Advance(PagingWidth()); }
};

// Any MetricsMode but 2 lays out as mode 1, the default, so that the candidates stay
// reachable on a keyboard whose mode is mistyped.
Metrics MetricsFor(const ListStyle& style, int64_t panelWidth) {
  const bool second = settings.MetricsMode == 2;
  const int64_t F = keyboardState.FontScale;
  Metrics m{};
  // A panel sized to its children has no width of its own; it then spans the layout.
  m.W = panelWidth > 0 ? panelWidth : 100000;
  m.U = second ? m.W - 400 : 10000;
  m.R = second ? m.W - 400 : 9900;
  m.charWidth = F * (second ? 850 : 700) / 1000;
  m.padding = F * style.padding[second ? 1 : 0] / 1000;
  m.gap = second ? 400 : 1000;
  m.y0 = second ? 400 : 700;
  m.rowStep = second ? 4000 : 4500;
  m.keyHeight = second ? 4000 : 10400;
  return m;
}

// The argument of a generated macro: every ")" gets a "%" before it, which the macro
// processor removes, so the command sees the text unchanged.
size_t EscapedLength(const char* s) {
  size_t n = 0;
  for (; *s != '\0'; ++s) n += *s == ')' ? 2 : 1;
  return n;
}

char* AppendEscaped(char* out, const char* s) {
  for (; *s != '\0'; ++s) {
    if (*s == ')') *out++ = '%';
    *out++ = *s;
  }
  return out;
}

// Conversion: prefix text LF key ")"; prediction: prefix key TAB text ")".
char* CandidateMacro(const ListStyle& style, int32_t kind, const char* key, const char* text) {
  const char* prefix = style.prefixes[kind >= 1 && kind <= 4 ? kind : 0];
  const bool conversion = style.conversion;
  const char* first = conversion ? text : key;
  const char* second = conversion ? key : text;
  char* macro = static_cast<char*>(
      MemAlloc(strlen(prefix) + EscapedLength(first) + EscapedLength(second) + 3));
  if (macro == nullptr) return nullptr;
  char* out = macro;
  memcpy(out, prefix, strlen(prefix));
  out = AppendEscaped(out + strlen(prefix), first);
  *out++ = conversion ? '\n' : '\t';
  out = AppendEscaped(out, second);
  *out = ')';
  return macro;
}

void PlaceKey(int32_t panel, int64_t x, int64_t y, int64_t width, const Metrics& m, int32_t id,
              const char* name, const char* macro, int32_t colours) {
  const int32_t k =
      CreateKey(KT_CANDIDATE, panel, static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                static_cast<uint32_t>(width), static_cast<uint32_t>(m.keyHeight), id, name, nullptr,
                nullptr, nullptr, nullptr, macro, colours, 1);
  if (k != 0) PaintKey(k);
}

// Scan groups of candidates: each candidate stands in a group of CandidateGroupSize
// neighbours of its row (a last one left over stands alone), so that the scan reaches
// the far ones and the paging keys in a few steps instead of one step per candidate. The
// groups are drawn as frames around their candidates: positions are worked out in pixels
// of the panel's client area and turned into the units of each parent, as LayoutKeyRect
// reads them.

struct PanelPixels {
  int64_t w, h, frame;  // the panel's client size and the frame width
  bool second;          // MetricsMode 2: positions in units of the layout, not the parent
};

// Left or top edge, in the parent's client pixels, of a key at position v (file units) in
// a parent of client size parent (pixels).
int64_t EdgeAt(const PanelPixels& p, int64_t v, int64_t parent, int64_t layout) {
  return (p.second ? v * layout / 100000 : (parent - 2 * p.frame) * v / 10000) + p.frame;
}
// The position (file units) whose edge is at pixel e or just before it.
int64_t PositionAt(const PanelPixels& p, int64_t e, int64_t parent, int64_t layout) {
  const int64_t inner = p.second ? layout : parent - 2 * p.frame;
  if (inner <= 0 || e <= p.frame) return 0;
  return (e - p.frame) * (p.second ? 100000 : 10000) / inner;
}
// The first position (file units) whose edge is at pixel e or after it.
int64_t PositionFrom(const PanelPixels& p, int64_t e, int64_t parent, int64_t layout) {
  const int64_t inner = p.second ? layout : parent - 2 * p.frame;
  if (inner <= 0 || e <= p.frame) return 0;
  const int64_t scale = p.second ? 100000 : 10000;
  return ((e - p.frame) * scale + inner - 1) / inner;
}

// A group around candidates placed at x (file units of the panel), row top y, from left
// to right with the given widths. Returns the group's index (0 if it cannot be made) and
// the positions of the candidates inside it in childX and childY.
int32_t OpenGroup(int32_t panel, const PanelPixels& p, const int64_t* x, const int64_t* widths,
                  uint32_t count, int64_t y, int64_t height, int64_t* childX, int64_t* childY) {
  const int64_t LW = keyboardState.LayoutWidth, LH = keyboardState.LayoutHeight, F = p.frame;
  if (LW <= 0 || LH <= 0) return 0;
  // Edges in the panel's client pixels: the candidates' windows, and two frames around.
  const int64_t first = EdgeAt(p, x[0], p.w, LW), rowTop = EdgeAt(p, y, p.h, LH);
  const int64_t left = first - 2 * F, top = rowTop - 2 * F;
  const int64_t right = EdgeAt(p, x[count - 1], p.w, LW) + widths[count - 1] * LW / 100000;
  const int64_t bottom = rowTop + height * LH / 100000;
  const int64_t gx = PositionAt(p, left, p.w, LW), gy = PositionAt(p, top, p.h, LH);
  const int64_t gLeft = EdgeAt(p, gx, p.w, LW), gTop = EdgeAt(p, gy, p.h, LH);
  const int64_t gcx = ((right - gLeft + 2 * F) * 100000 + LW - 1) / LW;
  const int64_t gcy = ((bottom - gTop + 2 * F) * 100000 + LH - 1) / LH;
  const KeyRecord* panelKey = GetKey(panel);
  const int32_t g =
      CreateKey(KT_PANEL, panel, static_cast<uint32_t>(gx), static_cast<uint32_t>(gy),
                static_cast<uint32_t>(gcx), static_cast<uint32_t>(gcy), 0, nullptr, nullptr,
                nullptr, nullptr, nullptr, nullptr, panelKey ? panelKey->colorSet : 0, 1);
  if (g == 0) return 0;
  PaintKey(g);
  // The group's client size as its window was made; the candidates keep their pixels.
  const int64_t gw = gcx * LW / 100000 - 2 * F, gh = gcy * LH / 100000 - 2 * F;
  for (uint32_t i = 0; i < count; ++i) {
    childX[i] = PositionFrom(p, EdgeAt(p, x[i], p.w, LW) - gLeft, gw, LW);
    childY[i] = PositionFrom(p, rowTop - gTop, gh, LH);
  }
  return g;
}

void PlacePagingKey(int32_t panel, int64_t x, int64_t width, const Metrics& m, int32_t id,
                    const char* label, const char* format, uint32_t number, Template colours) {
  char macro[64];
  snprintf(macro, sizeof macro, format, static_cast<int>(number));
  PlaceKey(panel, x, m.y0 + m.rowStep, width, m, id, label, macro,
           candidateKeysState.templates[colours]);
}

void LayOut(const ListStyle& style, const CandidateList* list) {
  const int32_t panel = *style.panel;
  const KeyRecord* panelKey = GetKey(panel);
  if (list == nullptr || panelKey == nullptr) return;
  DeleteChildKeys(panel);

  const Metrics m = MetricsFor(style, panelKey->cx);
  const uint32_t N = list->total > list->skip ? list->total - list->skip : 0;
  const bool imeOnly = style.conversion && candidateKeysState.conversionView.imeOnly &&
                       candidateKeysState.conversionView.imeOnly();
  const char* reading = candidateKeysState.conversionView.reading
                            ? candidateKeysState.conversionView.reading()
                            : nullptr;
  auto keyWidth = [&](uint32_t i) { return m.Width(TextLength(list->texts[i])); };

  // Row 1: as many as fit before R, and the first one even when it alone does not.
  int64_t x = m.X0();
  uint32_t fit1 = 0;
  for (uint32_t i = 0; i < N && x < m.R; ++i, ++fit1) x += m.Advance(keyWidth(i));
  if (x > m.R && fit1 > 0) --fit1;
  const uint32_t row1 = N == 0 ? 0 : (fit1 > 0 ? fit1 : 1);

  // Row 2 leaves room on the right for the previous key and the mode key.
  x = m.X0();
  if (list->skip > 0) x += m.PagingRoom();
  if (style.conversion) x += m.Advance(m.padding + (imeOnly ? 8 : 7) * m.charWidth);
  uint32_t fit2 = 0;
  for (uint32_t i = row1; i < N && x < m.R - m.PagingRoom(); ++i, ++fit2)
    x += m.Advance(keyWidth(i));
  const bool nextExpected = list->more != 0 || row1 + fit2 < N;
  if (fit2 > 0 && x > (nextExpected ? m.R - m.PagingRoom() : m.R)) --fit2;

  PanelPixels pixels{0, 0, settings.FrameWidth, settings.MetricsMode == 2};
  os::Rect client{0, 0, 0, 0};
  const uint32_t groupSize = settings.CandidateGroupSize > 1 && panelKey->window &&
                                     os::GetClientRect(panelKey->window, &client)
                                 ? static_cast<uint32_t>(settings.CandidateGroupSize)
                                 : 0;
  pixels.w = client.right - client.left;
  pixels.h = client.bottom - client.top;

  uint32_t placed = 0;
  for (int row = 0; row < 2; ++row) {
    const uint32_t count = row == 0 ? row1 : fit2;
    const int64_t y = row == 0 ? m.y0 : 2 * m.y0 + m.rowStep;
    x = m.X0();
    // The row's candidates: where they stand in the panel, and the group each joins.
    int64_t xs[MAX_ROW_KEYS], widths[MAX_ROW_KEYS], inX[MAX_ROW_KEYS], inY[MAX_ROW_KEYS];
    int32_t parents[MAX_ROW_KEYS];
    const uint32_t n = count < MAX_ROW_KEYS ? count : MAX_ROW_KEYS;
    for (uint32_t j = 0; j < n; ++j) {
      xs[j] = x;
      widths[j] = keyWidth(placed + j);
      parents[j] = panel;
      inX[j] = x;
      inY[j] = y;
      x += m.Advance(widths[j]);
    }
    // Made in scan order: a group before its candidates, and after those before it.
    uint32_t groupEnd = 0;
    for (uint32_t j = 0; j < n; ++j, ++placed) {
      if (groupSize > 0 && j >= groupEnd) {
        const uint32_t size = n - j < groupSize ? n - j : groupSize;
        const int32_t g = size < 2 ? 0
                                   : OpenGroup(panel, pixels, xs + j, widths + j, size, y,
                                               m.keyHeight, inX + j, inY + j);
        for (uint32_t i = 0; g != 0 && i < size; ++i) parents[j + i] = g;
        groupEnd = j + size;
      }
      char* macro =
          CandidateMacro(style, list->kinds[placed], list->keys[placed], list->texts[placed]);
      PlaceKey(parents[j], inX[j], inY[j], widths[j], m,
               style.idBase + static_cast<int32_t>(placed), list->texts[placed], macro,
               candidateKeysState.templates[style.colours]);
      MemFree(macro);
    }
  }

  // Decided on the candidates placed, not on the expectation above: a candidate that the
  // drop left out is reached only through the next key.
  const bool next = list->more != 0 || placed < N;
  // The paging keys stand at the right end of the row between the two candidate rows,
  // created left to right so the scan meets them in the order they are seen.
  const bool previous = list->skip > 0;
  const int32_t P = static_cast<int32_t>(placed);
  const int64_t pw = m.PagingWidth();
  const int64_t nextRoom = next ? m.PagingRoom() : 0;
  if (style.conversion && N > 0 && (imeOnly || (reading != nullptr && *reading != '\0'))) {
    const int64_t width = m.padding + (imeOnly ? 8 : 7) * m.charWidth;
    const int64_t mx = m.R - width * m.U / m.W - nextRoom - (previous ? m.PagingRoom() : 0);
    PlaceKey(panel, mx, m.y0 + m.rowStep, width, m, P + 10003,
             imeOnly ? kAllModeLabel : kImeModeLabel,
             imeOnly ? "GetAllCandidates()" : "GetImeCandidates()",
             candidateKeysState.templates[T_MODE]);
  }
  if (previous) {
    PlacePagingKey(panel, m.R - pw * m.U / m.W - nextRoom, pw, m, P + 10001, kPreviousLabel,
                   style.previousCommand, list->skip, T_PREVIOUS);
  }
  if (next) {
    PlacePagingKey(panel, m.R - pw * m.U / m.W, pw, m, P + 10002, kNextLabel, style.nextCommand,
                   placed + list->skip, T_NEXT);
  }
}

// One pass of filling unset templates, each from the one before it as the pass found it.
void FillTemplates(int32_t first) {
  int32_t* t = candidateKeysState.templates;
  int32_t before[TEMPLATE_COUNT];
  memcpy(before, t, sizeof before);
  if (first != 0 && t[T_CONVERSION] == 0) t[T_CONVERSION] = first;
  for (int i = T_PREDICTION; i < TEMPLATE_COUNT; ++i) {
    if (t[i] == 0) t[i] = before[i - 1];
  }
}

void KeyboardLoaded(int32_t colourSet) {
  FillTemplates(colourSet);
  if (colourSet != 0) return;
  for (int i = T_CONVERSION; i <= T_PREVIOUS; ++i) {
    if (candidateKeysState.templates[i] != 0) {
      FillTemplates(candidateKeysState.templates[i]);
      return;
    }
  }
}

void SetReadingKey(int32_t k) {
  if (KeyRecord* old = GetKey(candidateKeysState.readingKey)) old->flags &= ~KF_READING;
  candidateKeysState.readingKey = k;
  GetKey(k)->flags |= KF_READING;
}

}  // namespace

void DefaultPagingTemplates() {
  int32_t* t = candidateKeysState.templates;
  if (t[T_NEXT] == 0) t[T_NEXT] = t[T_CONVERSION];
  if (t[T_PREVIOUS] == 0) t[T_PREVIOUS] = t[T_CONVERSION];
}

os::LRESULT KeybdPredictMainProc(os::Window w, os::UINT message, os::WPARAM wParam,
                                 os::LPARAM lParam) {
  const int32_t value = static_cast<int32_t>(wParam);
  const bool validKey = GetKey(value) != nullptr;
  switch (message) {
    case MM_GO_PYOSOKU:
      if (candidateKeysState.predictionPanel != 0) FocusKey(candidateKeysState.predictionPanel);
      return HANDLED;
    case MM_SET_YOSOKU:
      if (validKey) candidateKeysState.conversionPanel = value;
      return HANDLED;
    case MM_SET_PYOSOKU:
      if (validKey) candidateKeysState.predictionPanel = value;
      return HANDLED;
    case MM_SET_YOMI:
      if (validKey) SetReadingKey(value);
      return HANDLED;
    case MM_SET_YOSOKU_COLOR:
    case MM_SET_PYOSOKU_COLOR:
    case MM_SET_NEXT_COLOR:
    case MM_SET_PREVIOUS_COLOR:
    case MM_SET_IMECAND_COLOR:
      candidateKeysState.templates[message - MM_SET_YOSOKU_COLOR] = value;
      return HANDLED;
    case MM_KEYBOARD_LOADED:
      KeyboardLoaded(value);
      return HANDLED;
    case MM_SHOW_IME_CANDIDATES:
      if (wParam != 0 && GetKey(candidateKeysState.conversionPanel) != nullptr &&
          GetKey(candidateKeysState.readingKey) != nullptr) {
        const char* reading = candidateKeysState.conversionView.reading
                                  ? candidateKeysState.conversionView.reading()
                                  : nullptr;
        SetKeyText(candidateKeysState.readingKey, reading != nullptr ? reading : "");
      }
      LayOut(kConversion, reinterpret_cast<const CandidateList*>(wParam));
      return HANDLED;
    case MM_SHOW_PREDICT_CANDIDATES:
      LayOut(kPrediction, reinterpret_cast<const CandidateList*>(wParam));
      return HANDLED;
    default:
      return KeybdMainProc(w, message, wParam, lParam);
  }
}

}  // namespace mivo
