// Off-screen surfaces of the win32 backend: memory DCs and their bitmaps.
#include "platform/os.h"
#include "platform/win32/convert.h"
#include "platform/win32/win.h"

namespace os {

using win32::H;
using win32::W;

Dc CreateCompatibleDC(Dc dc) { return W(::CreateCompatibleDC(H(dc))); }

GdiObject CreateCompatibleBitmap(Dc dc, int width, int height) {
  return W(static_cast<HGDIOBJ>(::CreateCompatibleBitmap(H(dc), width, height)));
}

BOOL DeleteDC(Dc dc) { return ::DeleteDC(H(dc)); }

}  // namespace os
