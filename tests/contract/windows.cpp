// Windows: classes, creation and destruction, rectangles, texts, search, hit testing
// and the modeless dialog.
#include <cstring>
#include <vector>

#include "contract/probe.h"

using contract::Drain;
using contract::kNotMine;
using contract::Probe;

namespace {

CONTRACT_TEST(Windows, ClientRectangleLosesTheFrame) {
  Probe p;
  struct Case {
    os::DWORD style, exStyle;
    int border, caption;  // pixels on every side, and the caption's height at the top
  };
  const Case cases[] = {{os::WS_POPUP, 0, 0, 0},
                        {os::WS_POPUP | os::WS_BORDER, 0, 1, 0},
                        {os::WS_POPUP | os::WS_THICKFRAME, 0, 3, 0},
                        {os::WS_POPUP | os::WS_BORDER | os::WS_THICKFRAME, 0, 4, 0},
                        {os::WS_POPUP | os::WS_CAPTION, 0, 3, 19},
                        {os::WS_POPUP | os::WS_CAPTION, os::WS_EX_TOOLWINDOW, 3, 16}};
  for (const Case& c : cases) {
    os::Window w = p.Top({100, 200, 400, 300}, c.style, c.exStyle);
    os::Rect client{}, window{};
    os::GetClientRect(w, &client);
    os::GetWindowRect(w, &window);
    EXPECT_EQ(client.right, 300 - 2 * c.border) << c.style;
    EXPECT_EQ(client.bottom, 100 - 2 * c.border - c.caption) << c.style;
    EXPECT_TRUE(window.left == 100 && window.top == 200 && window.right == 400 &&
                window.bottom == 300);
    os::Point pt{100 + c.border + 3, 200 + c.border + c.caption + 4};
    os::ScreenToClient(w, &pt);
    EXPECT_EQ(pt.x, 3);
    EXPECT_EQ(pt.y, 4);
    os::ClientToScreen(w, &pt);
    EXPECT_EQ(pt.x, 100 + c.border + 3);
  }
}

CONTRACT_TEST(Windows, CreationSendsCreateAndSizeAndMovingSendsSize) {
  Probe p;
  os::Window w = p.Top({0, 0, 200, 100}, os::WS_POPUP | os::WS_BORDER);
  EXPECT_EQ(p.SeenBy(w, {os::WM_NCCREATE, os::WM_CREATE, os::WM_SIZE}),
            (std::vector<os::UINT>{os::WM_NCCREATE, os::WM_CREATE, os::WM_SIZE}));
  for (const contract::Seen& s : p.seen) {
    if (s.msg == os::WM_SIZE) {
      EXPECT_EQ(s.lParam, (198 | (98 << 16)));
    }
  }
  p.seen.clear();
  os::MoveWindow(w, 10, 10, 200, 100, os::TRUE);  // moved, same size
  EXPECT_TRUE(p.SeenBy(w, {os::WM_SIZE}).empty());
  os::SetWindowPos(w, nullptr, 0, 0, 300, 50, os::SWP_NOMOVE | os::SWP_NOZORDER);
  ASSERT_EQ(p.SeenBy(w, {os::WM_SIZE}).size(), 1u);
  os::Rect r{};
  os::GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 310);
}

CONTRACT_TEST(Windows, CreateFailsWhenTheProcedureRefuses) {
  Probe p;
  p.hook = [](os::Window, os::UINT msg, os::WPARAM, os::LPARAM) -> os::LRESULT {
    return msg == os::WM_CREATE ? -1 : kNotMine;
  };
  EXPECT_EQ(p.Top({0, 0, 10, 10}), nullptr);
  EXPECT_EQ(os::FindWindow("Probe", nullptr), nullptr);
}

CONTRACT_TEST(Windows, ClassesAreUniqueByName) {
  Probe p;
  os::WndClass wc{};
  wc.lpfnWndProc = [](os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
    return os::DefWindowProc(w, msg, wParam, lParam);
  };
  wc.lpszClassName = "probe";  // class names ignore case
  EXPECT_EQ(os::RegisterClass(wc), 0);
  os::Window w = p.Top({0, 0, 10, 10});
  EXPECT_FALSE(os::UnregisterClass("Probe", nullptr));  // a window still uses it
  os::DestroyWindow(w);
  EXPECT_TRUE(os::UnregisterClass("Probe", nullptr));
  EXPECT_NE(os::RegisterClass(wc), 0);
  os::UnregisterClass("probe", nullptr);
}

CONTRACT_TEST(Windows, DestroyWindowSendsDestroyToTheWindowThenItsChildren) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  os::Window a = p.Child(w, {0, 0, 10, 10}, 1);
  os::Window b = p.Child(a, {0, 0, 5, 5}, 2);
  p.seen.clear();
  EXPECT_TRUE(os::DestroyWindow(w));
  std::vector<os::Window> destroyOrder, ncOrder;
  for (const contract::Seen& s : p.seen) {
    if (s.msg == os::WM_DESTROY) destroyOrder.push_back(s.w);
    if (s.msg == os::WM_NCDESTROY) ncOrder.push_back(s.w);
  }
  EXPECT_EQ(destroyOrder, (std::vector<os::Window>{w, a, b}));
  EXPECT_EQ(ncOrder, (std::vector<os::Window>{b, a, w}));
  EXPECT_FALSE(os::IsWindow(w));
  EXPECT_FALSE(os::IsWindow(b));
  EXPECT_FALSE(os::DestroyWindow(w));
}

CONTRACT_TEST(Windows, ChildWindowFromPointSkipsNothing) {
  Probe p;
  os::Window parent = p.Top({100, 100, 300, 300}, os::WS_POPUP | os::WS_VISIBLE | os::WS_BORDER);
  os::Window hidden = p.Child(parent, {0, 0, 50, 50}, 1, os::WS_CHILD);
  os::Window shown = p.Child(parent, {60, 0, 110, 50}, 2);
  struct Case {
    os::Point p;
    os::Window expected;
  };
  const Case cases[] = {
      {{10, 10}, hidden},                          // hidden children count here, as on Windows
      {{70, 10}, shown},    {{150, 150}, parent},  // inside the client area, on no child
      {{198, 10}, nullptr},                        // outside the client area (198 wide)
      {{-1, 10}, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(os::ChildWindowFromPoint(parent, c.p), c.expected) << c.p.x;
}

CONTRACT_TEST(Windows, WindowFromPointTakesTheTopmostVisibleDeepestWindow) {
  Probe p;
  os::Window back = p.Top({0, 0, 400, 400});
  os::Window hidden = p.Child(back, {0, 0, 100, 100}, 1, os::WS_CHILD);
  os::Window child = p.Child(back, {100, 0, 200, 100}, 2);
  os::Window grandchild = p.Child(child, {10, 10, 20, 20}, 3);
  os::Window topmost =
      p.Top({300, 300, 500, 500}, os::WS_POPUP | os::WS_VISIBLE, os::WS_EX_TOPMOST);
  os::Window front = p.Top({350, 350, 450, 450});  // newer, but not top-most
  struct Case {
    os::Point p;
    os::Window expected;
  };
  const Case cases[] = {
      {{50, 50}, back},  // the hidden child is skipped
      {{150, 50}, child},
      {{115, 15}, grandchild},
      {{360, 360}, topmost},
      {{460, 460}, topmost},
      {{600, 600}, os::GetDesktopWindow()},  // no window of any program
  };
  for (const Case& c : cases)
    EXPECT_EQ(os::WindowFromPoint(c.p), c.expected) << c.p.x << "," << c.p.y;
  EXPECT_NE(hidden, nullptr);
  // Sending the top-most window to the bottom ends its top-most state. Activation is
  // left out: on Wine it may raise the window again, the headless desktop does not.
  os::SetWindowPos(topmost, os::HWND_BOTTOM, 0, 0, 0, 0,
                   os::SWP_NOMOVE | os::SWP_NOSIZE | os::SWP_NOACTIVATE);
  EXPECT_EQ(os::WindowFromPoint(os::Point{360, 360}), front);
  os::SetWindowPos(topmost, os::HWND_TOPMOST, 0, 0, 0, 0, os::SWP_NOMOVE | os::SWP_NOSIZE);
  EXPECT_EQ(os::GetTopWindow(nullptr), topmost);
}

CONTRACT_TEST(Windows, ChildIdsAndWindowSearch) {
  Probe p;
  os::Window w = p.Top({0, 0, 100, 100});
  os::Window first = p.Child(w, {0, 0, 10, 10}, 11);
  os::Window second = p.Child(w, {0, 0, 10, 10}, 12);
  EXPECT_EQ(os::GetDlgItem(w, 12), second);          // the control id comes from the parameter
  EXPECT_EQ(os::GetWindow(w, os::GW_CHILD), first);  // children keep creation order
  EXPECT_EQ(os::GetWindow(first, os::GW_HWNDNEXT), second);
  EXPECT_EQ(os::GetParent(second), w);
  EXPECT_EQ(os::FindWindow("PROBE", "probe"), w);
  EXPECT_EQ(os::FindWindow("Probe", "other"), nullptr);
  EXPECT_EQ(os::FindWindowEx(w, first, "Probe", nullptr), second);
  char buffer[4];
  EXPECT_EQ(os::GetClassName(w, buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "Pro");
  os::SetWindowUserData(w, 0x12345678);
  EXPECT_EQ(os::GetWindowUserData(w), 0x12345678);
}

CONTRACT_TEST(Windows, TextsKeepShiftJisBytes) {
  Probe p;
  // "日本語の窓" and "設定" as code page 932 bytes.
  const char* title = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x91\x8b";
  const char* settings = "\x90\xdd\x92\xe8";
  os::Window w = os::CreateWindowEx(0, "Probe", title, os::WS_POPUP, 10, 20, 300, 200, nullptr,
                                    nullptr, nullptr);
  char buffer[64] = {};
  EXPECT_TRUE(os::GetWindowText(w, buffer, sizeof buffer) == 10 && std::strcmp(buffer, title) == 0);
  EXPECT_EQ(os::FindWindow("Probe", title), w);
  EXPECT_TRUE(os::GetClassName(w, buffer, sizeof buffer) == 5 && std::strcmp(buffer, "Probe") == 0);
  EXPECT_TRUE(os::SetWindowText(w, settings));
  EXPECT_EQ(os::GetWindowText(w, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, settings);
  EXPECT_EQ(p.SeenBy(w, {os::WM_SETTEXT}).size(), 1u);  // through the procedure
  os::DestroyWindow(w);
}

// ---------------------------------------------------------------- dialogs

// What the dialog procedure saw before and during WM_INITDIALOG.
struct DialogSeen {
  int messages = 0;
  int initDialogs = 0;
  os::LPARAM initParam = -1;
  os::Window window = nullptr;
};
DialogSeen g_dialog;

intptr_t CheckDialogProc(os::Window w, os::UINT msg, os::WPARAM, os::LPARAM lParam) {
  ++g_dialog.messages;
  if (msg == os::WM_INITDIALOG) {
    ++g_dialog.initDialogs;
    g_dialog.initParam = lParam;
    g_dialog.window = w;
    return os::TRUE;
  }
  return os::FALSE;
}

CONTRACT_TEST(Windows, ModelessDialogFromItsResource) {
  g_dialog = DialogSeen{};
  os::Window d = os::CreateDialog(nullptr, contract::kDialog, nullptr, CheckDialogProc);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(g_dialog.initDialogs == 1 && g_dialog.window == d && g_dialog.initParam == 0);
  // "登録" as code page 932 bytes.
  const char* text = "\x93\x6f\x98\x5e";
  EXPECT_NE(os::SetDlgItemText(d, contract::kDialogEdit, text), 0);
  char buffer[32] = {};
  EXPECT_TRUE(os::GetDlgItemText(d, contract::kDialogEdit, buffer, sizeof buffer) == 4 &&
              std::strcmp(buffer, text) == 0);
  os::Window edit = os::GetDlgItem(d, contract::kDialogEdit);
  EXPECT_NE(edit, nullptr);
  EXPECT_EQ(os::GetParent(edit), d);
  const int before = g_dialog.messages;
  os::SendMessage(d, os::WM_USER + 5, 0, 0);
  EXPECT_EQ(g_dialog.messages, before + 1);  // messages after creation reach the procedure
  os::PostMessage(edit, os::WM_KEYDOWN, os::VK_TAB, 0);
  os::Msg msg{};
  bool taken = false;
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
    if (msg.message == os::WM_KEYDOWN && msg.wParam == os::VK_TAB) {
      taken = os::IsDialogMessage(d, &msg) != 0;
    } else {
      os::DispatchMessage(&msg);
    }
  }
  EXPECT_TRUE(taken);  // IsDialogMessage takes the dialog's Tab key
  EXPECT_TRUE(os::EndDialogWindow(d) != 0 && !os::IsWindow(d));
}

// The word dialog's fields are typed into as any control is, by WM_IME_CHAR; what the
// system posts on from there counts too, so the queue is emptied before the text is read.
CONTRACT_TEST(Windows, InputMethodCharactersReachADialogsEditWhole) {
  os::Window d = os::CreateDialog(nullptr, contract::kDialog, nullptr, CheckDialogProc);
  ASSERT_NE(d, nullptr);
  os::Window edit = os::GetDlgItem(d, contract::kDialogEdit);
  // か, 漢, the half-width ｱ and ﾟ, a Latin letter
  const os::WPARAM sent[] = {0x82A9, 0x8ABF, 0xB1, 0xDF, 'a'};
  for (os::WPARAM c : sent) os::SendMessage(edit, os::WM_IME_CHAR, c, 1);
  os::Msg msg{};
  while (os::PeekMessage(&msg, nullptr, 0, 0, os::PM_REMOVE)) {
    if (!os::IsDialogMessage(d, &msg)) os::DispatchMessage(&msg);
  }
  char buffer[32] = {};
  os::GetDlgItemText(d, contract::kDialogEdit, buffer, sizeof buffer);
  EXPECT_STREQ(buffer,
               "\x82\xa9\x8a\xbf\xb1\xdf"
               "a");
  os::EndDialogWindow(d);
}

}  // namespace
