// The foreign application of the end-to-end runs: a window with one edit area
// that logs every keyboard, input-method and click message it receives.
//
//   win_target.exe LOGFILE [TEXT]
//   win_target.exe --tick     no log, no edit area, not activated; a 100 ms timer on
//                             the window: the idle cost of any program with the
//                             keyboard's tick, for the measuring
//
// Window class "MivoTestTarget", title "Target"; TEXT (code page bytes) is put
// into the edit area at start. One line per message, written and flushed at
// once: NAME<TAB>wParam<TAB>lParam (both hex). When the window is destroyed the
// edit area's text is logged as "TEXT<TAB><bytes as hex>".
//
// At start it also logs, for each Japanese system face, what the font mapper
// gave (its full name) and how many of the glyphs of "あア漢" that font lacks:
// "FONT<TAB>requested<TAB>selected<TAB>missing" (faces as code page bytes).
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;
HWND g_edit = nullptr;
bool g_tick = false;
WNDPROC g_editProc = nullptr;

void WriteLine(const char* line) {
  if (g_log == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(g_log, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  FlushFileBuffers(g_log);
}

const char* MessageName(UINT msg) {
  switch (msg) {
    case WM_KEYDOWN:
      return "WM_KEYDOWN";
    case WM_KEYUP:
      return "WM_KEYUP";
    case WM_SYSKEYDOWN:
      return "WM_SYSKEYDOWN";
    case WM_SYSKEYUP:
      return "WM_SYSKEYUP";
    case WM_CHAR:
      return "WM_CHAR";
    case WM_IME_CHAR:
      return "WM_IME_CHAR";
    case WM_IME_NOTIFY:
      return "WM_IME_NOTIFY";
    case WM_LBUTTONDOWN:
      return "WM_LBUTTONDOWN";
    default:
      return nullptr;
  }
}

void LogMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const char* name = MessageName(msg);
  if (name == nullptr) return;
  char line[128];
  std::snprintf(line, sizeof line, "%s\t%llx\t%llx\n", name,
                static_cast<unsigned long long>(wParam),
                static_cast<unsigned long long>(static_cast<ULONG_PTR>(lParam)));
  WriteLine(line);
}

void LogText() {
  char text[4096] = {};
  const int length = GetWindowTextA(g_edit, text, sizeof text);
  char line[sizeof text * 2 + 16] = "TEXT\t";
  char* out = line + std::strlen(line);
  for (int k = 0; k < length; ++k) {
    out += std::snprintf(out, 3, "%02x", static_cast<unsigned char>(text[k]));
  }
  *out++ = '\n';
  *out = '\0';
  WriteLine(line);
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LogMessage(msg, wParam, lParam);
  if (msg == WM_IME_CHAR) {
    // Wine's edit control shows a double-byte WM_IME_CHAR passed through an ANSI
    // subclass as two broken characters; inserting the bytes as text shows the kana.
    char bytes[3] = {};
    if (wParam & 0xFF00) {
      bytes[0] = static_cast<char>((wParam >> 8) & 0xFF);
      bytes[1] = static_cast<char>(wParam & 0xFF);
    } else {
      bytes[0] = static_cast<char>(wParam & 0xFF);
    }
    SendMessageA(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(bytes));
    return 0;
  }
  return CallWindowProcA(g_editProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      if (g_tick) return 0;
      g_edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0, 100,
                               100, hwnd, reinterpret_cast<HMENU>(1),
                               reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance, nullptr);
      HFONT font =
          CreateFontA(24, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                      "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");  // ＭＳ ゴシック
      SendMessageA(g_edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      g_editProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(g_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
      return 0;
    }
    case WM_SIZE:
      MoveWindow(g_edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      SetFocus(g_edit);
      return 0;
    case WM_DESTROY:
      LogText();
      PostQuitMessage(0);
      return 0;
    default:
      LogMessage(msg, wParam, lParam);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

// The faces programs ask for; the e2e setup substitutes them with IPA fonts.
const char* const kFaces[] = {
    "\x82\x6c\x82\x72 \x96\xbe\x92\xa9",                  // ＭＳ 明朝
    "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e",  // ＭＳ ゴシック
    "MS Mincho",
    "MS Gothic",
    "MS UI Gothic",
};

void LogFonts(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  const char sample[] = "\x82\xa0\x83\x41\x8a\xbf";  // あア漢
  for (const char* face : kFaces) {
    HFONT font = CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, face);
    HGDIOBJ old = SelectObject(dc, font);
    // The family of the font actually realised (a substitute keeps the asked name
    // as its face name, so that is no evidence).
    char selected[LF_FACESIZE] = "?";
    const UINT size = GetOutlineTextMetricsA(dc, 0, nullptr);
    if (size > 0 && size < 4096) {
      alignas(OUTLINETEXTMETRICA) char buffer[4096];
      auto* metrics = reinterpret_cast<OUTLINETEXTMETRICA*>(buffer);
      if (GetOutlineTextMetricsA(dc, size, metrics) != 0) {
        const auto offset = reinterpret_cast<UINT_PTR>(metrics->otmpFullName);
        if (offset < size) std::snprintf(selected, sizeof selected, "%s", buffer + offset);
      }
    }
    WORD glyphs[8] = {};
    const DWORD count =
        GetGlyphIndicesA(dc, sample, sizeof sample - 1, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    int missing = 0;
    for (DWORD k = 0; k < count && k < 8; ++k) {
      if (glyphs[k] == 0xFFFF) ++missing;
    }
    if (count == GDI_ERROR) missing = -1;
    char line[256];
    std::snprintf(line, sizeof line, "FONT\t%s\t%s\t%d\n", face, selected, missing);
    WriteLine(line);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  ReleaseDC(hwnd, dc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  g_tick = __argc >= 2 && std::strcmp(__argv[1], "--tick") == 0;
  if (__argc >= 2 && !g_tick) {
    g_log = CreateFileA(__argv[1], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "MivoTestTarget";
  if (!RegisterClassA(&wc)) return 1;
  HWND main = CreateWindowExA(0, "MivoTestTarget", "Target", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300,
                              nullptr, nullptr, instance, nullptr);
  if (main == nullptr) return 1;
  if (g_tick) {
    SetTimer(main, 1, 100, nullptr);
    ShowWindow(main, SW_SHOWNOACTIVATE);
  } else {
    ShowWindow(main, show == SW_HIDE ? SW_SHOWNORMAL : show);
  }
  UpdateWindow(main);
  if (!g_tick) {
    SetForegroundWindow(main);
    if (__argc >= 3) SetWindowTextA(g_edit, __argv[2]);
    LogFonts(main);
    WriteLine("READY\n");
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (g_log != INVALID_HANDLE_VALUE) CloseHandle(g_log);
  return static_cast<int>(msg.wParam);
}
