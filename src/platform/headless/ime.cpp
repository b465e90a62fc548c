// The input method: a provider that tests fill, or Anthy (anthy.cpp), behind the IMM
// calls the program makes.
#include <algorithm>
#include <cstring>

#include "platform/headless/internal.h"

namespace headless {

namespace {

std::set<const OsImc*> imcLive;

OsImc* Ctx(Imc imc) {
  if (!imc || !imcLive.count(imc) || !imc->alive) return nullptr;
  return imc;
}

bool ImePresent() {
  auto& s = S();
  return s.imeSet && !s.ime.description.empty();
}

const std::vector<std::string>* CandidatesOf(const std::string& reading) {
  for (auto& entry : S().ime.conversions)
    if (entry.first == reading) return &entry.second;
  return nullptr;
}

// The longest listed reading that begins `rest`, or 0.
size_t LongestClause(const std::string& rest) {
  size_t best = 0;
  for (auto& entry : S().ime.conversions) {
    const std::string& r = entry.first;
    if (!r.empty() && r.size() > best && rest.compare(0, r.size(), r) == 0 && !entry.second.empty())
      best = r.size();
  }
  return best;
}

// CANDIDATELIST: header, offset table, NUL-terminated strings; offsets from the block start.
DWORD BuildList(const std::vector<std::string>& items, CandidateListHeader* out, DWORD bufLen) {
  const DWORD header = 6 * sizeof(DWORD);
  DWORD size = header + static_cast<DWORD>(items.size() * sizeof(DWORD));
  for (const std::string& item : items) size += static_cast<DWORD>(item.size() + 1);
  if (bufLen == 0 || !out) return size;
  if (bufLen < size) return 0;
  std::vector<char> block(size, 0);
  DWORD fields[6] = {size,
                     1 /* IME_CAND_READ */,
                     static_cast<DWORD>(items.size()),
                     0,
                     0,
                     static_cast<DWORD>(std::min<size_t>(items.size(), 9))};
  std::memcpy(block.data(), fields, sizeof fields);
  DWORD at = header + static_cast<DWORD>(items.size() * sizeof(DWORD));
  for (size_t i = 0; i < items.size(); ++i) {
    std::memcpy(block.data() + header + i * sizeof(DWORD), &at, sizeof(DWORD));
    std::memcpy(block.data() + at, items[i].c_str(), items[i].size() + 1);
    at += static_cast<DWORD>(items[i].size() + 1);
  }
  std::memcpy(out, block.data(), size);
  return size;
}

bool Convert(OsImc* c) {
  const std::string& reading = c->reading.empty() ? c->composition : c->reading;
  c->candidates.clear();
  if (S().ime.anthy) {
    std::string composed;
    if (!AnthyConvert(reading, &c->candidates, &composed)) return false;
    c->composition = composed;
    return true;
  }
  std::string composed;
  bool first = true;
  for (size_t at = 0; at < reading.size();) {
    std::string rest = reading.substr(at);
    size_t n = LongestClause(rest);
    if (n == 0) {
      // Unknown text stays as it is, one character at a time.
      n = (IsLead(static_cast<unsigned char>(rest[0])) && rest.size() > 1) ? 2 : 1;
      composed += rest.substr(0, n);
    } else {
      const std::vector<std::string>& list = *CandidatesOf(rest.substr(0, n));
      if (first) c->candidates = list;
      composed += list.front();
    }
    first = false;
    at += n;
  }
  c->composition = composed;
  return true;
}

}  // namespace

void ResetIme() {
  auto& s = S();
  imcLive.clear();
  s.imcs.clear();
  s.imeSet = false;
  s.ime = desktop::ImeProvider();
}

}  // namespace headless

namespace os {

using namespace headless;

Hkl GetKeyboardLayout(DWORD) { return &S().hkl; }

UINT ImmGetDescription(Hkl hkl, char* buffer, UINT size) {
  auto& s = S();
  if (hkl != &s.hkl || !ImePresent()) return 0;
  const std::string& d = s.ime.description;
  if (!buffer || size == 0) return static_cast<UINT>(d.size());
  UINT n = std::min<UINT>(static_cast<UINT>(d.size()), size - 1);
  std::memcpy(buffer, d.data(), n);
  buffer[n] = 0;
  return n;
}

Imc ImmCreateContext() {
  auto& s = S();
  auto c = std::make_unique<OsImc>();
  OsImc* p = c.get();
  s.imcs.push_back(std::move(c));
  imcLive.insert(p);
  return p;
}

BOOL ImmDestroyContext(Imc imc) {
  OsImc* c = Ctx(imc);
  if (!c) return FALSE;
  c->alive = false;
  for (OsWindow* w : S().live)
    if (w->imc == c) w->imc = nullptr;
  return TRUE;
}

Imc ImmAssociateContext(Window window, Imc imc) {
  OsWindow* w = Live(window);
  if (!w) return nullptr;
  Imc previous = w->imc;
  w->imc = imc ? Ctx(imc) : nullptr;
  return previous;
}

BOOL ImmSetOpenStatus(Imc imc, BOOL open) {
  OsImc* c = Ctx(imc);
  if (!c || !ImePresent()) return FALSE;
  c->open = open != 0;
  if (!c->open) {
    c->composition.clear();
    c->reading.clear();
    c->candidates.clear();
    c->candidatesOpen = false;
  }
  return TRUE;
}

BOOL ImmSetConversionStatus(Imc imc, DWORD conversion, DWORD sentence) {
  OsImc* c = Ctx(imc);
  if (!c || !ImePresent()) return FALSE;
  c->conversion = conversion;
  c->sentence = sentence;
  return TRUE;
}

BOOL ImmSetCompositionString(Imc imc, DWORD index, const void* comp, DWORD compLen,
                             const void* read, DWORD readLen) {
  OsImc* c = Ctx(imc);
  if (!c || !ImePresent() || !c->open || index != SCS_SETSTR) return FALSE;
  c->candidates.clear();
  c->candidatesOpen = false;
  std::string reading = read && readLen ? std::string(static_cast<const char*>(read), readLen) : "";
  std::string compText =
      comp && compLen ? std::string(static_cast<const char*>(comp), compLen) : "";
  c->reading = reading;
  // Setting only the reading makes it the composition string too.
  c->composition = compText.empty() ? reading : compText;
  return TRUE;
}

BOOL ImmNotifyIME(Imc imc, DWORD action, DWORD index, DWORD) {
  OsImc* c = Ctx(imc);
  if (!c || !ImePresent() || !c->open) return FALSE;
  if (action == NI_COMPOSITIONSTR) {
    if (index == CPS_CONVERT) {
      if (c->composition.empty() && c->reading.empty()) return FALSE;
      return Convert(c) ? TRUE : FALSE;
    }
    if (index == CPS_CANCEL) {
      c->composition.clear();
      c->reading.clear();
      c->candidates.clear();
      c->candidatesOpen = false;
      return TRUE;
    }
    return FALSE;
  }
  if (action == 0x0010 /* NI_OPENCANDIDATE */) {
    if (c->candidates.empty()) return FALSE;
    c->candidatesOpen = true;
    return TRUE;
  }
  if (action == 0x0011 /* NI_CLOSECANDIDATE */) {
    c->candidatesOpen = false;
    return TRUE;
  }
  return FALSE;
}

DWORD ImmGetCandidateList(Imc imc, DWORD index, CandidateListHeader* list, DWORD bufLen) {
  OsImc* c = Ctx(imc);
  if (!c || !ImePresent() || index != 0 || c->candidates.empty()) return 0;
  return BuildList(c->candidates, list, bufLen);
}

DWORD ImmGetConversionList(Hkl hkl, Imc, const char* source, CandidateListHeader* dest,
                           DWORD bufLen, UINT flag) {
  auto& s = S();
  if (hkl != &s.hkl || !ImePresent() || !source || flag != GCL_CONVERSION) return 0;
  if (s.ime.anthy) {
    std::vector<std::string> whole;
    return AnthyConvertWhole(source, &whole) ? BuildList(whole, dest, bufLen) : 0;
  }
  const std::vector<std::string>* list = CandidatesOf(source);
  if (!list || list->empty()) return 0;
  return BuildList(*list, dest, bufLen);
}

LONG ImmGetCompositionString(Imc imc, DWORD index, void* buffer, DWORD bufLen) {
  OsImc* c = Ctx(imc);
  if (!c || !ImePresent()) return -1;  // IMM_ERROR_GENERAL
  std::string text;
  if (index == GCS_COMPSTR)
    text = c->composition;
  else if (index == GCS_RESULTSTR)
    text.clear();
  else
    return -1;
  if (!buffer || bufLen == 0) return static_cast<LONG>(text.size());
  DWORD n = std::min<DWORD>(bufLen, static_cast<DWORD>(text.size()));
  std::memcpy(buffer, text.data(), n);
  return static_cast<LONG>(n);
}

}  // namespace os

namespace desktop {

using namespace headless;

void SetIme(const ImeProvider& ime) {
  auto& s = S();
  s.ime = ime;
  s.imeSet = true;
}

bool UseAnthy() {
  if (!AnthyStart()) return false;
  ImeProvider ime;
  ime.description = kAnthyDescription;
  ime.anthy = true;
  SetIme(ime);
  return true;
}

int LiveImeContexts() {
  int n = 0;
  for (auto& c : S().imcs)
    if (c->alive) ++n;
  return n;
}

}  // namespace desktop
