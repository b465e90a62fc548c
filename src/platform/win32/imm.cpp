// The input method manager of the win32 backend.
#include "platform/os.h"
#include "platform/win32/convert.h"
#include "platform/win32/win.h"
#include "platform/win32/wine.h"

namespace os {

using win32::H;
using win32::UnderWine;
using win32::W;

namespace {
// CANDIDATELIST and the port's header are the same run of DWORDs; the offsets
// that follow in the caller's block belong to the same allocation.
static_assert(sizeof(CANDIDATELIST) == sizeof(CandidateListHeader));
static_assert(offsetof(CANDIDATELIST, dwOffset) == offsetof(CandidateListHeader, dwOffset));

LPCANDIDATELIST Real(CandidateListHeader* list) { return reinterpret_cast<LPCANDIDATELIST>(list); }

}  // namespace

Hkl GetKeyboardLayout(DWORD threadId) { return W(::GetKeyboardLayout(threadId)); }

UINT ImmGetDescription(Hkl hkl, char* buffer, UINT size) {
  return ::ImmGetDescriptionA(H(hkl), buffer, size);
}

Imc ImmCreateContext() { return W(::ImmCreateContext()); }
BOOL ImmDestroyContext(Imc imc) { return ::ImmDestroyContext(H(imc)); }
Imc ImmAssociateContext(Window w, Imc imc) { return W(::ImmAssociateContext(H(w), H(imc))); }
BOOL ImmSetOpenStatus(Imc imc, BOOL open) { return ::ImmSetOpenStatus(H(imc), open); }

BOOL ImmSetConversionStatus(Imc imc, DWORD conversion, DWORD sentence) {
  return ::ImmSetConversionStatus(H(imc), conversion, sentence);
}

BOOL ImmSetCompositionString(Imc imc, DWORD index, const void* comp, DWORD compLen,
                             const void* read, DWORD readLen) {
  // The A function takes non-const buffers but does not write them.
  return ::ImmSetCompositionStringA(H(imc), index, const_cast<void*>(comp), compLen,
                                    const_cast<void*>(read), readLen);
}

BOOL ImmNotifyIME(Imc imc, DWORD action, DWORD index, DWORD value) {
  return ::ImmNotifyIME(H(imc), action, index, value);
}

DWORD ImmGetCandidateList(Imc imc, DWORD index, CandidateListHeader* list, DWORD bufLen) {
  return ::ImmGetCandidateListA(H(imc), index, Real(list), bufLen);
}

DWORD ImmGetConversionList(Hkl hkl, Imc imc, const char* source, CandidateListHeader* dest,
                           DWORD bufLen, UINT flag) {
  // Wine 8's ImmGetConversionListA ends the calling process, so under Wine the
  // conversion list is answered as empty without asking.
  if (UnderWine()) return 0;
  return ::ImmGetConversionListA(H(hkl), H(imc), source, Real(dest), bufLen, flag);
}

LONG ImmGetCompositionString(Imc imc, DWORD index, void* buffer, DWORD bufLen) {
  return ::ImmGetCompositionStringA(H(imc), index, buffer, bufLen);
}

}  // namespace os
