// The window classes the system provides (BUTTON, STATIC, EDIT) and modeless dialogs.
#include <cstring>

#include "platform/headless/internal.h"

namespace headless {

namespace {

void PaintText(OsWindow* w, bool frame) {
  PaintStruct ps{};
  Dc dc = BeginPaint(w, &ps);
  if (dc) {
    Rect r{};
    GetClientRect(w, &r);
    if (frame) {
      GdiObject old = SelectObject(dc, GetStockObject(NULL_BRUSH));
      Rectangle(dc, r.left, r.top, r.right, r.bottom);
      SelectObject(dc, old);
    }
    SetBkMode(dc, TRANSPARENT);
    if (!w->title.empty()) TextOut(dc, 0, 0, w->title.data(), static_cast<int>(w->title.size()));
  }
  EndPaint(w, &ps);
}

OsWindow* FirstTabStop(OsWindow* dialog) {
  // Children are in z-order, which for dialog items is their creation order.
  for (OsWindow* c : dialog->children)
    if ((c->style & WS_TABSTOP) && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) return c;
  return nullptr;
}

LRESULT DefDlgProc(OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  intptr_t r = w->dlgProc ? w->dlgProc(w, msg, wParam, lParam) : 0;
  if (!Live(w)) return r;
  if (r) return r;
  switch (msg) {
    case WM_INITDIALOG:
      return 0;
    case WM_CLOSE:
      // A dialog's close box is its Cancel button.
      PostMessage(w, WM_COMMAND, static_cast<WPARAM>(IDCANCEL), 0);
      return 0;
    default:
      return DefWindowProc(w, msg, wParam, lParam);
  }
}

}  // namespace

LRESULT BuiltinProc(OsWindow* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (w->builtin) {
    case Builtin::Button:
      if (msg == WM_LBUTTONDOWN) {
        w->buttonDown = true;
        return 0;
      }
      if (msg == WM_LBUTTONUP) {
        bool clicked = w->buttonDown;
        w->buttonDown = false;
        if (clicked && !(w->style & WS_DISABLED) && (w->style & WS_CHILD) && w->parent)
          Deliver(w->parent, WM_COMMAND, static_cast<WPARAM>(w->id & 0xFFFF),
                  reinterpret_cast<LPARAM>(w));
        return 0;
      }
      if (msg == WM_PAINT) {
        PaintText(w, true);
        return 0;
      }
      break;
    case Builtin::Static:
      if (msg == WM_PAINT) {
        PaintText(w, false);
        return 0;
      }
      break;
    case Builtin::Edit:
      if (msg == WM_CHAR || msg == WM_IME_CHAR) {
        EditChar(w->title, static_cast<unsigned>(wParam));
        Invalidate(w, nullptr, true);
        return 0;
      }
      if (msg == WM_PAINT) {
        PaintText(w, false);
        return 0;
      }
      break;
    case Builtin::Dialog:
      return DefDlgProc(w, msg, wParam, lParam);
    case Builtin::None:
      break;
  }
  return DefWindowProc(w, msg, wParam, lParam);
}

}  // namespace headless

namespace os {

using namespace headless;

Window CreateDialog(Instance instance, int resourceId, Window parent, DlgProc proc) {
  auto& s = S();
  desktop::DialogTemplate t;
  auto it = s.dialogs.find(resourceId);
  if (it != s.dialogs.end()) t = it->second;
  Window d = CreateWindowEx(0, "#32770", t.title.c_str(), t.style & ~WS_VISIBLE, t.rect.left,
                            t.rect.top, t.rect.right - t.rect.left, t.rect.bottom - t.rect.top,
                            parent, instance, nullptr);
  OsWindow* w = Live(d);
  if (!w) return nullptr;
  for (const desktop::DialogItemTemplate& item : t.items) {
    CreateWindowEx(0, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                   item.rect.left, item.rect.top, item.rect.right - item.rect.left,
                   item.rect.bottom - item.rect.top, d, instance,
                   reinterpret_cast<void*>(static_cast<intptr_t>(item.id)));
  }
  w->dlgProc = proc;
  OsWindow* first = FirstTabStop(w);
  LRESULT r = Deliver(w, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), 0);
  if (!Live(w)) return nullptr;
  if (r && first && Live(first)) SetFocus(first);
  if (t.style & WS_VISIBLE) ShowWindow(w, SW_SHOWNORMAL);
  return w;
}

BOOL IsDialogMessage(Window dialog, Msg* msg) {
  OsWindow* d = Live(dialog);
  if (!d || !msg) return FALSE;
  OsWindow* target = Live(msg->hwnd);
  if (!target) return FALSE;
  OsWindow* p = target;
  while (p && p != d) p = p->parent;
  if (!p) return FALSE;
  if (msg->message == WM_KEYDOWN && msg->wParam == static_cast<WPARAM>(VK_TAB)) {
    // Tab moves the focus to the next item with WS_TABSTOP, in creation order.
    auto& kids = d->children;
    size_t start = 0;
    for (size_t i = 0; i < kids.size(); ++i)
      if (kids[i] == target) start = i + 1;
    for (size_t n = 0; n < kids.size(); ++n) {
      OsWindow* c = kids[(start + n) % kids.size()];
      if ((c->style & WS_TABSTOP) && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) {
        SetFocus(c);
        break;
      }
    }
    return TRUE;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return TRUE;
}

BOOL EndDialogWindow(Window dialog) { return DestroyWindow(dialog); }

Window GetDlgItem(Window dialog, int itemId) {
  OsWindow* d = Live(dialog);
  if (!d) return nullptr;
  for (OsWindow* c : d->children)
    if (c->id == itemId) return c;
  return nullptr;
}

UINT GetDlgItemText(Window dialog, int itemId, char* buffer, int size) {
  Window item = GetDlgItem(dialog, itemId);
  if (!item) {
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowText(item, buffer, size));
}

BOOL SetDlgItemText(Window dialog, int itemId, const char* text) {
  Window item = GetDlgItem(dialog, itemId);
  if (!item) return FALSE;
  return SetWindowText(item, text);
}

}  // namespace os

namespace desktop {

using namespace headless;

void DefineDialog(int resourceId, const DialogTemplate& dialog) {
  S().dialogs[resourceId] = dialog;
}

os::Window AddDialogItem(os::Window dialog, int id, const std::string& text,
                         const std::string& className, os::DWORD style) {
  OsWindow* d = Live(dialog);
  if (!d) return nullptr;
  // Items added afterwards are stacked below each other, 24 pixels apart.
  int row = static_cast<int>(d->children.size());
  return os::CreateWindowEx(0, className.c_str(), text.c_str(), style | os::WS_CHILD, 8,
                            8 + 24 * row, 160, 20, dialog, nullptr,
                            reinterpret_cast<void*>(static_cast<intptr_t>(id)));
}

}  // namespace desktop
