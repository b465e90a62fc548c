#include "ime/ime_access.h"

#include <cstring>

#include "base/scoped.h"
#include "base/text.h"
#include "ime/state.h"

namespace mivo {
namespace {

struct ProductName {
  const char* prefix;
  ImeProduct product;
};

// Every prefix that matches sets the product, so a later line wins over an earlier one.
constexpr ProductName kProducts[] = {
    {"Microsoft IME 95", Ime95},
    {"MSIME95", Ime95},
    // MS-IME97 日本語入力ｼｽﾃﾑ
    {"MS-IME97 \x93\xfa\x96\x7b\x8c\xea\x93\xfc\x97\xcd\xbc\xbd\xc3\xd1", Ime97},
    {"Microsoft IME 98", Ime98},
    {"Microsoft IME 2000", Ime2000},
    {"Microsoft IME Standard", ImeStandard},
    {"ATOK", Atok},
};

// Reads entry `index` of the offset table with bounds: the block is one zero byte longer
// than its reported size, so every string inside it ends.
const char* StringAt(uint32_t index) {
  const os::CandidateListHeader* list = imeState.candidates;
  const size_t table =
      offsetof(os::CandidateListHeader, dwOffset) + sizeof(os::DWORD) * (index + 1);
  if (table > imeState.candidatesSize) return nullptr;
  const os::DWORD offset = list->dwOffset[index];
  if (offset >= imeState.candidatesSize) return nullptr;
  return reinterpret_cast<const char*>(list) + offset;
}

uint32_t ConversionListOf(const char* reading) {
  os::Hkl layout = os::GetKeyboardLayout(0);
  const os::DWORD size =
      os::ImmGetConversionList(layout, imeState.context, reading, nullptr, 0, os::GCL_CONVERSION);
  if (size == 0) return 0;
  auto* list = static_cast<os::CandidateListHeader*>(MemAlloc(size + 1));
  if (list == nullptr) return 0;
  os::ImmGetConversionList(layout, imeState.context, reading, list, size, os::GCL_CONVERSION);
  imeState.candidates = list;
  imeState.candidatesSize = size;
  return list->dwCount;
}

}  // namespace

ImeProduct ImeGetProduct() {
  os::Hkl layout = os::GetKeyboardLayout(0);
  const os::UINT length = os::ImmGetDescription(layout, nullptr, 0);
  OwnedText description(static_cast<char*>(MemAlloc(length + 1)));
  ImeProduct product = ImeStandard;
  if (!description) return product;
  os::ImmGetDescription(layout, description.Get(), length + 1);
  for (const ProductName& p : kProducts) {
    if (strncmp(description.Get(), p.prefix, strlen(p.prefix)) == 0) product = p.product;
  }
  return product;
}

uint32_t ImeOpenCandidates(const char* reading, uint32_t length) {
  if (imeState.context != nullptr) ImeCloseCandidates();
  imeState.context = os::ImmCreateContext();
  os::Imc context = imeState.context;
  if (context == nullptr || reading == nullptr) return 0;
  if (os::ImmSetOpenStatus(context, 1)) {
    os::ImmSetConversionStatus(context,
                               os::IME_CMODE_NATIVE | os::IME_CMODE_FULLSHAPE | os::IME_CMODE_ROMAN,
                               os::IME_SMODE_PLAURALCLAUSE | os::IME_SMODE_SINGLECONVERT);
    if (os::ImmSetCompositionString(context, os::SCS_SETSTR, nullptr, 0, reading, length)) {
      os::ImmNotifyIME(context, os::NI_COMPOSITIONSTR, os::CPS_CONVERT, 0);
      if (os::ImmNotifyIME(context, os::NI_OPENCANDIDATE, 1, 0)) {
        const os::DWORD size = os::ImmGetCandidateList(context, 0, nullptr, 0);
        if (size != 0) {
          auto* list = static_cast<os::CandidateListHeader*>(MemAlloc(size + 1));
          if (list != nullptr) {
            os::ImmGetCandidateList(context, 0, list, size);
            imeState.candidates = list;
            imeState.candidatesSize = size;
            return list->dwCount;
          }
        }
      }
    }
  }
  // Whatever the input method refused, its plain conversion list may still answer.
  return ConversionListOf(reading);
}

uint32_t ImeGetCandidate(uint32_t index, char* buffer) {
  if (imeState.context == nullptr || imeState.candidates == nullptr ||
      index >= imeState.candidates->dwCount)
    return 0;
  const char* candidate = StringAt(index);
  if (candidate == nullptr) return 0;
  const uint32_t own = static_cast<uint32_t>(strlen(candidate));
  const os::LONG restSize =
      os::ImmGetCompositionString(imeState.context, os::GCS_COMPSTR, nullptr, 0);
  const uint32_t rest = restSize > 0 ? static_cast<uint32_t>(restSize) : 0;
  const char* selected = rest != 0 ? StringAt(imeState.candidates->dwSelection) : nullptr;
  const uint32_t selectedLength = selected != nullptr ? static_cast<uint32_t>(strlen(selected)) : 0;
  // The composition string begins with the selected candidate; what follows it is the
  // conversion of the later clauses. One that does not even hold the selected candidate
  // is inconsistent, and the candidate stands alone.
  const bool completed = selected != nullptr && rest > selectedLength;
  const uint32_t length = completed ? own + rest - selectedLength : own;
  if (buffer == nullptr) return length;
  memcpy(buffer, candidate, own);
  if (completed) {
    OwnedText composition(static_cast<char*>(MemAlloc(rest + 1)));
    if (!composition) return own;
    os::ImmGetCompositionString(imeState.context, os::GCS_COMPSTR, composition.Get(), rest);
    memcpy(buffer + own, composition.Get() + selectedLength, rest - selectedLength);
  }
  return length;
}

int ImeCloseCandidates() {
  if (imeState.context == nullptr) return 0;
  MemFree(imeState.candidates);
  imeState.candidates = nullptr;
  imeState.candidatesSize = 0;
  os::ImmSetOpenStatus(imeState.context, 0);
  os::ImmDestroyContext(imeState.context);
  imeState.context = nullptr;
  return 1;
}

}  // namespace mivo
