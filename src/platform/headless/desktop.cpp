// The desktop itself: set-up, the clock and calendar, the shell's application bar, the
// recordings, and the test-facing queries of desktop.h.
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/headless/internal.h"

namespace headless {

namespace {

// The desktop outlives the program's statics, as the real one does: a holder of a GDI
// object in static storage gives it back at exit, after every test has run.
std::unique_ptr<State>& Held() {
  static auto* held = new std::unique_ptr<State>;
  return *held;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

void Collect(OsWindow* w, std::vector<os::Window>* out) {
  for (OsWindow* c : w->children) out->push_back(c);
}

}  // namespace

State& S() {
  if (!Held()) desktop::Reset();
  return *Held();
}

}  // namespace headless

namespace os {

using namespace headless;

void GetLocalTime(SystemTime* t) {
  if (!t) return;
  auto& s = S();
  const SystemTime& c = s.calendar;
  int64_t ms = DaysFromCivil(c.wYear, c.wMonth, c.wDay) * 86400000LL +
               ((c.wHour * 60LL + c.wMinute) * 60LL + c.wSecond) * 1000LL + c.wMilliseconds +
               static_cast<int64_t>(s.now - s.calendarSetAt);
  int64_t days = ms / 86400000LL;
  int64_t rest = ms % 86400000LL;
  if (rest < 0) {
    rest += 86400000LL;
    --days;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(days, &y, &m, &d);
  t->wYear = static_cast<WORD>(y);
  t->wMonth = static_cast<WORD>(m);
  t->wDay = static_cast<WORD>(d);
  t->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
  t->wHour = static_cast<WORD>(rest / 3600000);
  t->wMinute = static_cast<WORD>(rest / 60000 % 60);
  t->wSecond = static_cast<WORD>(rest / 1000 % 60);
  t->wMilliseconds = static_cast<WORD>(rest % 1000);
}

UINT_PTR SHAppBarMessage(DWORD message, AppBarData* data) {
  auto& s = S();
  desktop::AppBarState& bar = s.appBar;
  if (!data) return 0;
  auto ours = [&] { return bar.registered && data->hWnd == bar.window; };
  switch (message) {
    case ABM_NEW:
      if (s.appBarRefused || bar.registered || !Live(data->hWnd)) return FALSE;
      bar.registered = true;
      bar.window = data->hWnd;
      bar.callbackMessage = data->uCallbackMessage;
      bar.rect = Rect{0, 0, 0, 0};
      return TRUE;
    case ABM_REMOVE:
      if (!ours()) return FALSE;
      bar.registered = false;
      bar.window = nullptr;
      bar.rect = Rect{0, 0, 0, 0};
      return TRUE;
    case ABM_QUERYPOS:
    case ABM_SETPOS: {
      if (!ours() || data->uEdge > ABE_BOTTOM) return FALSE;
      Rect r = data->rc;
      if (s.appBarClamps) {
        r.left = std::max<LONG>(r.left, 0);
        r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, s.config.screenWidth);
        r.bottom = std::min<LONG>(r.bottom, s.config.screenHeight);
        if (r.right < r.left) r.right = r.left;
        if (r.bottom < r.top) r.bottom = r.top;
      }
      data->rc = r;
      if (message == ABM_SETPOS) {
        bar.edge = data->uEdge;
        bar.rect = r;
      }
      return TRUE;
    }
    case ABM_GETSTATE:
      return bar.state;
    default:
      return 0;
  }
}

}  // namespace os

namespace desktop {

using namespace headless;

void Reset(const Config& config) {
  ResetFiles();
  Held() = std::make_unique<State>();
  State& s = *Held();
  s.config = config;
  if (s.config.workingFolder.empty()) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mivo-desktop-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (mkdtemp(buffer.data())) s.config.workingFolder = buffer.data();
  } else {
    if (s.config.workingFolder[0] != '/') {
      char cwd[PATH_MAX];
      if (getcwd(cwd, sizeof cwd))
        s.config.workingFolder = std::string(cwd) + "/" + s.config.workingFolder;
    }
    while (s.config.workingFolder.size() > 1 && s.config.workingFolder.back() == '/')
      s.config.workingFolder.pop_back();
    EnsureFolder(s.config.workingFolder);
  }
  ResetGdi();
  ResetIme();
  auto desk = std::make_unique<OsWindow>();
  OsWindow* d = desk.get();
  s.windows.push_back(std::move(desk));
  d->kind = WindowKind::Desktop;
  d->className = "#32769";
  d->style = os::WS_VISIBLE;
  d->rect = os::Rect{0, 0, config.screenWidth, config.screenHeight};
  s.live.insert(d);
  s.desktop = d;
}

std::string WorkingFolder() { return S().config.workingFolder; }

uint64_t Now() { return S().now; }

void At(uint64_t atMs, std::function<void()> action) {
  auto& s = S();
  s.actions.push_back(Action{atMs, ++s.serial, std::move(action)});
}

void QuitAt(uint64_t ms) {
  At(ms, [] { os::PostQuitMessage(0); });
}

void SetLocalTime(const os::SystemTime& t) {
  auto& s = S();
  s.calendar = t;
  s.calendar.wDayOfWeek = 0;  // recomputed on reading
  s.calendarSetAt = s.now;
}

os::Window Find(const std::string& className, const std::string& title) {
  return os::FindWindow(className.c_str(), title.empty() ? nullptr : title.c_str());
}

WindowInfo Info(os::Window w) {
  WindowInfo info;
  OsWindow* x = nullptr;
  for (auto& owned : S().windows)
    if (owned.get() == w) x = owned.get();
  if (!x) return info;
  info.className = x->className;
  info.title =
      x->kind == WindowKind::Foreign && x->app && x == x->app->edit ? x->app->text : x->title;
  info.style = x->style;
  info.exStyle = x->exStyle;
  info.rect = ScreenRectOf(x);
  info.visible = x->alive && VisibleOnScreen(x);
  info.parent = (x->style & os::WS_CHILD) ? x->parent : nullptr;
  info.owner = x->owner;
  info.id = x->id;
  info.foreign = x->kind == WindowKind::Foreign;
  info.hasUpdate = x->hasUpdate;
  return info;
}

std::vector<os::Window> Children(os::Window parent) {
  std::vector<os::Window> out;
  if (OsWindow* p = Live(parent)) Collect(p, &out);
  return out;
}

std::vector<os::Window> TopLevelWindows() {
  std::vector<os::Window> out;
  Collect(S().desktop, &out);
  return out;
}

int DestroyedCount(const std::string& className) {
  auto& m = S().destroyed;
  auto it = m.find(Lower(className));
  return it == m.end() ? 0 : it->second;
}

int CreatedCount(const std::string& className) {
  auto& m = S().created;
  auto it = m.find(Lower(className));
  return it == m.end() ? 0 : it->second;
}

std::vector<MessageBoxRecord> MessageBoxes() { return S().boxes; }
void SetMessageBoxAnswer(int answer) { S().boxAnswer = answer; }
std::vector<uint64_t> Beeps() { return S().beeps; }
std::vector<std::string> StartedPrograms() { return S().started; }

AppBarState AppBar() { return S().appBar; }

os::Rect WorkArea() {
  auto& s = S();
  os::Rect screen{0, 0, s.config.screenWidth, s.config.screenHeight};
  const AppBarState& bar = s.appBar;
  if (!bar.registered) return screen;
  switch (bar.edge) {
    case os::ABE_LEFT:
      screen.left = bar.rect.right;
      break;
    case os::ABE_TOP:
      screen.top = bar.rect.bottom;
      break;
    case os::ABE_RIGHT:
      screen.right = bar.rect.left;
      break;
    default:
      screen.bottom = bar.rect.top;
      break;
  }
  // A bar that has not been placed yet takes nothing.
  if (bar.rect.right <= bar.rect.left || bar.rect.bottom <= bar.rect.top)
    return os::Rect{0, 0, s.config.screenWidth, s.config.screenHeight};
  return screen;
}

void SetAppBarRefused(bool refused) { S().appBarRefused = refused; }
void SetAppBarClamps(bool clamps) { S().appBarClamps = clamps; }
void SetAppBarState(os::UINT state_) { S().appBar.state = state_; }

void NotifyAppBar(os::UINT code, os::LPARAM argument) {
  auto& s = S();
  if (!s.appBar.registered) return;
  os::PostMessage(s.appBar.window, s.appBar.callbackMessage, code, argument);
}

std::vector<os::Msg> DefWindowProcCalls(os::Window w) {
  for (auto& owned : S().windows)
    if (owned.get() == w) return w->defCalls;
  return {};
}

int PumpMessages() {
  int n = 0;
  for (; n < 100000; ++n) {
    os::Msg m{};
    if (!os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE)) break;
    if (m.message == os::WM_QUIT) {
      // Left for the program's own loop to find.
      os::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    os::TranslateMessage(&m);
    os::DispatchMessage(&m);
    // A window that does not validate on WM_PAINT would be painted forever.
    if (m.message == os::WM_PAINT) {
      OsWindow* w = Live(m.hwnd);
      if (w && w->hasUpdate) {
        ++n;
        break;
      }
    }
  }
  return n;
}

int Run(int (*entry)(os::Instance, int), int showCommand) {
  if (!entry) return -1;
  static int instanceTag;
  return entry(reinterpret_cast<os::Instance>(&instanceTag), showCommand);
}

}  // namespace desktop
