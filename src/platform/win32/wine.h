// Where Wine and Windows part ways, the backend asks once which one it runs on.
#pragma once

#include "platform/win32/win.h"

namespace os::win32 {

// ntdll exports wine_get_version only under Wine.
inline bool UnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
  }();
  return wine;
}

}  // namespace os::win32
