#include "sweep/window.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "platform/scoped.h"
#include "sweep/engine.h"
#include "sweep/keys.h"

namespace mivo::sweep {

namespace {

constexpr int kUnitsPerPixel = 15;
constexpr os::Colour kSweepColour = os::RGB(128, 128, 255);
constexpr int kRingUnits = 2000;
constexpr int kRingHalfUnits = 1000;

struct Design {
  int x, y, width, height;  // window units
};
constexpr Design kCommand2Design{45, 60, 495, 255};
constexpr Design kLabel1Design{135, 480, 945, 510};
constexpr Design kLabel2Design{105, 1140, 1140, 465};
constexpr const char* kCommand2Caption = "\x8f\x49";  // 終
constexpr const char* kLabel1Caption = "Label1";
constexpr const char* kLabel2Caption = "Label2";

class Form final : public SweepView {
 public:
  os::Window hwnd = nullptr;
  os::Window command2 = nullptr;
  os::Window label1 = nullptr;
  os::Window label2 = nullptr;
  int width = 0;  // inner area, pixels
  int height = 0;
  OwnedMemoryDc picture;  // the desktop as it was at start
  OwnedBitmap pictureBitmap;
  os::GdiObject pictureOldBitmap = nullptr;
  OwnedPen pen;
  OwnedFont labelFont;
  SweepState state;
  SweepKeyTable keys;
  bool unloaded = false;
  bool dirty = false;
  // The line and the ring are not shown until they are first placed.
  bool lineShown = false;
  int lineFromX = 0, lineFromY = 0, lineToX = 0, lineToY = 0;
  bool ringShown = false;
  os::Rect ring{};

  void DrawSweepLine(float fromX, float fromY, int32_t toX, int32_t toY) override {
    lineShown = true;
    lineFromX = RoundSweepCoordinate(fromX);
    lineFromY = RoundSweepCoordinate(fromY);
    lineToX = toX;
    lineToY = toY;
    dirty = true;
  }
  void ShowEndPoint(const char* text) override { os::SetWindowText(label2, text); }
  void MovePointer(int32_t x, int32_t y) override { os::SetCursorPos(x, y); }

  void Paint(os::Dc dc) const {
    if (picture) os::BitBlt(dc, 0, 0, width, height, picture.Get(), 0, 0, os::SRCCOPY);
    const ScopedSelect linePen(dc, pen.Get());
    const ScopedSelect hollow(dc, os::GetStockObject(os::NULL_BRUSH));
    if (ringShown) os::Ellipse(dc, ring.left, ring.top, ring.right, ring.bottom);
    if (lineShown) {
      os::MoveToEx(dc, lineFromX, lineFromY, nullptr);
      os::LineTo(dc, lineToX, lineToY);
    }
  }

  // Everything a handler changed is painted once, at its end.
  void Flush() {
    if (!dirty || unloaded || hwnd == nullptr) return;
    dirty = false;
    const ScopedDc dc(hwnd);
    if (dc) Paint(dc.Get());
  }

  void ReleaseSurface() {
    // The bitmap leaves the picture's context before either is deleted.
    if (picture) os::SelectObject(picture.Get(), pictureOldBitmap);
    picture.Reset();
    pictureBitmap.Reset();
    pen.Reset();
    labelFont.Reset();
  }
};

Form* g_form = nullptr;  // the program has one window

os::Window CreateChild(const char* className, const char* caption, os::DWORD style, const Design& d,
                       os::Window parent, os::Instance instance, int id) {
  return os::CreateWindowEx(0, className, caption, os::WS_CHILD | os::WS_VISIBLE | style,
                            PixelsFromUnits(d.x), PixelsFromUnits(d.y), PixelsFromUnits(d.width),
                            PixelsFromUnits(d.height), parent, instance,
                            reinterpret_cast<void*>(static_cast<intptr_t>(id)));
}

// The persistent drawing surface: a copy of what the screen showed before the
// window covered it.
void TakeDesktopPicture(Form& f) {
  const ScopedDc screen(os::GetDesktopWindow());
  if (!screen) return;
  f.picture = OwnedMemoryDc(os::CreateCompatibleDC(screen.Get()));
  f.pictureBitmap = OwnedBitmap(os::CreateCompatibleBitmap(screen.Get(), f.width, f.height));
  if (f.picture && f.pictureBitmap) {
    f.pictureOldBitmap = os::SelectObject(f.picture.Get(), f.pictureBitmap.Get());
    os::BitBlt(f.picture.Get(), 0, 0, f.width, f.height, screen.Get(), 0, 0, os::SRCCOPY);
  } else {
    f.ReleaseSurface();
  }
}

void Unload(Form& f) {
  if (f.unloaded) return;
  f.unloaded = true;
  os::DestroyWindow(f.hwnd);
}

void OnPointerMove(Form& f, int x, int y) {
  const int unitsX = x * kUnitsPerPixel;
  const int unitsY = y * kUnitsPerPixel;
  f.state.gMouseX = static_cast<float>(unitsX) / kUnitsPerPixel;
  f.state.gMouseY = static_cast<float>(unitsY) / kUnitsPerPixel;
  char text[48];
  FormatSweepCoordinates(RoundSweepCoordinate(f.state.gMouseX),
                         RoundSweepCoordinate(f.state.gMouseY), text, sizeof text);
  os::SetWindowText(f.label1, text);
  SweepRotate(f.state, f, false, 1);
  const int left = PixelsFromUnits(unitsX - kRingHalfUnits);
  const int top = PixelsFromUnits(unitsY - kRingHalfUnits);
  const int size = PixelsFromUnits(kRingUnits);
  f.ring = os::Rect{left, top, left + size, top + size};
  f.ringShown = true;
  f.dirty = true;
}

void RunKey(Form& f, int index) {
  SweepState& s = f.state;
  switch (index) {
    case kKeyJump:
      SweepJump(s, f);
      break;
    case kKeyTurnRight:
      SweepRotate(s, f, true, s.gStepVal);
      break;
    case kKeyTurnLeft:
      SweepRotate(s, f, true, static_cast<int16_t>(-s.gStepVal));
      break;
    case kKeyLonger:
      SweepStretch(s, f, true, false);
      break;
    case kKeyShorter:
      SweepStretch(s, f, true, true);
      break;
    case kKeyEnd:
      Unload(f);
      break;
    default:
      if (const int16_t step = SweepStepForKey(index); step != 0) s.gStepVal = step;
      break;
  }
}

void OnTimer(Form& f) {
  uint8_t state[256] = {};
  os::GetKeyboardState(state);
  int fired[kSweepKeyCount];
  const int count = PollSweepKeys(f.keys, state, fired);
  for (int i = 0; i < count && !f.unloaded; ++i) RunKey(f, fired[i]);
}

int16_t SignedLow(os::LPARAM v) { return static_cast<int16_t>(v & 0xFFFF); }
int16_t SignedHigh(os::LPARAM v) { return static_cast<int16_t>((v >> 16) & 0xFFFF); }

os::LRESULT FormProc(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  Form* f = g_form;
  if (f == nullptr || f->hwnd != w) return os::DefWindowProc(w, msg, wParam, lParam);
  switch (msg) {
    case os::WM_ERASEBKGND:
      return 1;  // the picture covers everything
    case os::WM_PAINT: {
      os::PaintStruct ps{};
      const os::Dc dc = os::BeginPaint(w, &ps);
      if (dc != nullptr) f->Paint(dc);
      os::EndPaint(w, &ps);
      return 0;
    }
    case os::WM_MOUSEMOVE:
      OnPointerMove(*f, SignedLow(lParam), SignedHigh(lParam));
      f->Flush();
      return 0;
    case os::WM_TIMER:
      if (wParam == kTimer1Id) {
        OnTimer(*f);
        f->Flush();
      }
      return 0;
    case os::WM_COMMAND: {
      const os::WPARAM id = wParam & 0xFFFF;
      const os::WPARAM code = (wParam >> 16) & 0xFFFF;  // BN_CLICKED is 0
      if (id == static_cast<os::WPARAM>(kCommand2Id) && code == 0) Unload(*f);
      return 0;
    }
    case os::WM_CLOSE:
      Unload(*f);
      return 0;
    case os::WM_DESTROY:
      f->unloaded = true;
      os::KillTimer(w, kTimer1Id);
      f->ReleaseSurface();
      os::PostQuitMessage(0);
      return 0;
    default:
      return os::DefWindowProc(w, msg, wParam, lParam);
  }
}

}  // namespace

int PixelsFromUnits(int units) {
  const int whole = units / kUnitsPerPixel;  // toward zero
  const int rest = units % kUnitsPerPixel;
  if (rest * 2 > kUnitsPerPixel) return whole + 1;
  if (rest * 2 < -kUnitsPerPixel) return whole - 1;
  return whole;
}

os::Window LoadSweepForm(os::Instance instance, const char* title) {
  if (g_form != nullptr) return nullptr;  // one window per program

  os::WndClass wc{};
  wc.lpfnWndProc = FormProc;
  wc.hInstance = instance;
  wc.hCursor = os::IDC_ARROW;
  wc.lpszClassName = kSweepClassName;
  os::RegisterClass(wc);  // already registered by an earlier run in this process is fine

  Form* f = new Form;
  g_form = f;
  FillSweepKeyTable(f->keys);

  const int screenWidth = os::GetSystemMetrics(os::SM_CXSCREEN);
  const int screenHeight = os::GetSystemMetrics(os::SM_CYSCREEN);
  // Created hidden, so that the desktop picture below does not show the window itself.
  f->hwnd = os::CreateWindowEx(0, kSweepClassName, title, os::WS_POPUP | os::WS_CLIPCHILDREN, 0, 0,
                               screenWidth, screenHeight, nullptr, instance, nullptr);
  if (f->hwnd == nullptr) {
    delete f;
    g_form = nullptr;
    return nullptr;
  }
  f->command2 = CreateChild(os::BUTTON_CLASS, kCommand2Caption, os::BS_PUSHBUTTON, kCommand2Design,
                            f->hwnd, instance, kCommand2Id);
  f->label1 = CreateChild(os::STATIC_CLASS, kLabel1Caption, os::SS_LEFT, kLabel1Design, f->hwnd,
                          instance, kLabel1Id);
  f->label2 = CreateChild(os::STATIC_CLASS, kLabel2Caption, os::SS_LEFT, kLabel2Design, f->hwnd,
                          instance, kLabel2Id);
  f->pen = OwnedPen(os::CreatePen(os::PS_SOLID, 1, kSweepColour));
  // The system font does not fit "X[000] Y:[000]" into the small design sizes of the
  // labels; a 12-pixel face shows both coordinates on two lines.
  f->labelFont =
      OwnedFont(os::CreateFont(-12, 0, 0, 0, os::FW_NORMAL, 0, 0, 0, os::DEFAULT_CHARSET,
                               os::OUT_DEFAULT_PRECIS, os::CLIP_DEFAULT_PRECIS, os::DEFAULT_QUALITY,
                               os::DEFAULT_PITCH | os::FF_DONTCARE, "MS UI Gothic"));
  for (os::Window control : {f->command2, f->label1, f->label2}) {
    os::SendMessage(control, os::WM_SETFONT, reinterpret_cast<os::WPARAM>(f->labelFont.Get()),
                    os::TRUE);
  }

  f->state.gStepVal = 2;

  os::Rect inner{};
  os::GetClientRect(f->hwnd, &inner);
  f->width = inner.right - inner.left;
  f->height = inner.bottom - inner.top;
  TakeDesktopPicture(*f);

  // The inner area in window units, back to pixels.
  f->state.gScreenWidth = f->width * kUnitsPerPixel / kUnitsPerPixel;
  f->state.gScreenHeight = f->height * kUnitsPerPixel / kUnitsPerPixel;

  f->state.gPossible = kSweepTrue;
  f->state.gRadius = 100;
  f->state.gElasticPix = 15;
  f->state.gAngleStep = 90;

  uint8_t keyState[256] = {};
  os::GetKeyboardState(keyState);
  StoreSweepToggles(f->keys, keyState);
  os::SetTimer(f->hwnd, kTimer1Id, kTimer1IntervalMs);

  os::ShowWindow(f->hwnd, os::SW_SHOW);
  os::SetForegroundWindow(f->hwnd);
  os::UpdateWindow(f->hwnd);
  return f->hwnd;
}

void UnloadSweepForm(os::Instance instance) {
  Form* f = g_form;
  if (f == nullptr) return;
  if (os::IsWindow(f->hwnd)) {
    f->unloaded = true;
    os::DestroyWindow(f->hwnd);
  }
  f->ReleaseSurface();
  g_form = nullptr;
  delete f;
  os::UnregisterClass(kSweepClassName, instance);
}

}  // namespace mivo::sweep
