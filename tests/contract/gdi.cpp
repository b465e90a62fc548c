// GDI objects: what SelectObject hands back and when DeleteObject frees an object.
#include "contract/probe.h"

using contract::Probe;

namespace {

CONTRACT_TEST(Gdi, SelectObjectReturnsThePreviousObject) {
  Probe p;
  os::Window w = p.Top({0, 0, 200, 100});
  os::Dc dc = os::GetDC(w);
  ASSERT_NE(dc, nullptr);
  os::Brush red = os::CreateSolidBrush(os::RGB(255, 0, 0));
  os::Pen blue = os::CreatePen(os::PS_SOLID, 2, os::RGB(0, 0, 255));
  os::GdiObject oldBrush = os::SelectObject(dc, red);
  EXPECT_EQ(oldBrush, os::GetStockObject(os::WHITE_BRUSH));  // a fresh DC's brush
  os::GdiObject oldPen = os::SelectObject(dc, blue);
  EXPECT_EQ(oldPen, os::GetStockObject(os::BLACK_PEN));  // and its pen
  EXPECT_EQ(os::SelectObject(dc, os::GetStockObject(os::NULL_BRUSH)), red);
  EXPECT_EQ(os::SelectObject(dc, oldPen), blue);
  EXPECT_EQ(os::SelectObject(dc, oldBrush), os::GetStockObject(os::NULL_BRUSH));
  os::ReleaseDC(w, dc);

  EXPECT_TRUE(os::DeleteObject(red));
  EXPECT_FALSE(os::DeleteObject(red));
  EXPECT_TRUE(os::DeleteObject(blue));
  EXPECT_TRUE(os::DeleteObject(os::GetStockObject(os::WHITE_BRUSH)));  // stock objects stay
  dc = os::GetDC(w);
  EXPECT_NE(os::SelectObject(dc, os::GetStockObject(os::WHITE_BRUSH)), nullptr);
  os::ReleaseDC(w, dc);
}

// An object that a DC holds is not freed while it is held. Windows refuses the delete
// (FALSE; deleting it is the owner's job once no DC holds it). Wine answers TRUE and
// frees the object when the last DC lets go. The headless desktop answers as Windows
// does, so that what would leak on Windows leaks in the tests too.
CONTRACT_TEST(Gdi, AnObjectSelectedIntoADcIsNotFreedWhileHeld) {
  Probe p;
  os::Window w = p.Top({0, 0, 200, 100});
  os::Dc dc = os::GetDC(w);
  os::Dc other = os::GetDC(w);
  os::Brush red = os::CreateSolidBrush(os::RGB(255, 0, 0));
  os::Brush green = os::CreateSolidBrush(os::RGB(0, 255, 0));
  os::SelectObject(dc, red);
  EXPECT_EQ(os::DeleteObject(red) != 0, contract::kWine);
  EXPECT_EQ(os::DeleteObject(red) != 0, contract::kWine);  // and again, while a DC holds it
  EXPECT_TRUE(os::Rectangle(dc, 0, 0, 10, 10));
  os::Rect r{0, 0, 5, 5};
  EXPECT_NE(os::FillRect(other, &r, red), 0);  // still usable everywhere
  EXPECT_EQ(os::SelectObject(other, red), os::GetStockObject(os::WHITE_BRUSH));
  EXPECT_EQ(os::SelectObject(dc, green), red);
  EXPECT_EQ(os::DeleteObject(red) != 0, contract::kWine);   // the other DC holds it still
  os::ReleaseDC(w, other);                                  // the last holder lets go
  EXPECT_EQ(os::DeleteObject(red) != 0, !contract::kWine);  // Wine freed it just now
  EXPECT_EQ(os::SelectObject(dc, red), nullptr);
  // A released DC holds nothing and draws nothing.
  os::ReleaseDC(w, dc);
  EXPECT_TRUE(os::DeleteObject(green));
  EXPECT_FALSE(os::TextOut(dc, 0, 0, "x", 1));
}

os::LRESULT PlainProc(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  return os::DefWindowProc(w, msg, wParam, lParam);
}

// A window of a CS_OWNDC class has one DC that keeps what was selected and set in it.
CONTRACT_TEST(Gdi, AClassWithItsOwnDcKeepsWhatWasSelected) {
  os::WndClass wc{};
  wc.style = os::CS_OWNDC;
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = "OwnDc";
  ASSERT_NE(os::RegisterClass(wc), 0);
  os::Window w =
      os::CreateWindowEx(0, "OwnDc", "", os::WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr);
  os::Dc dc = os::GetDC(w);
  os::Pen pen = os::CreatePen(os::PS_SOLID, 1, os::RGB(1, 2, 3));
  os::SelectObject(dc, pen);
  os::SetTextColor(dc, os::RGB(9, 9, 9));
  os::ReleaseDC(w, dc);
  os::Dc again = os::GetDC(w);
  EXPECT_EQ(again, dc);
  EXPECT_EQ(os::SelectObject(again, os::GetStockObject(os::BLACK_PEN)), pen);
  EXPECT_EQ(os::SetTextColor(again, 0), os::RGB(9, 9, 9));
  os::SelectObject(again, pen);
  os::ReleaseDC(w, again);
  os::PaintStruct ps{};
  EXPECT_EQ(os::BeginPaint(w, &ps), dc);
  os::EndPaint(w, &ps);
  EXPECT_EQ(os::DeleteObject(pen) != 0, contract::kWine);
  EXPECT_EQ(os::DeleteObject(pen) != 0, contract::kWine);   // the DC holds it still
  os::DestroyWindow(w);                                     // and lets go with the window
  EXPECT_EQ(os::DeleteObject(pen) != 0, !contract::kWine);  // Wine freed it then
  os::UnregisterClass("OwnDc", nullptr);
}

CONTRACT_TEST(Gdi, AMemoryDcHoldsABitmap) {
  os::Dc screen = os::GetDC(nullptr);
  os::Dc memory = os::CreateCompatibleDC(screen);
  ASSERT_NE(memory, nullptr);
  os::GdiObject bitmap = os::CreateCompatibleBitmap(screen, 64, 32);
  ASSERT_NE(bitmap, nullptr);
  os::GdiObject first = os::SelectObject(memory, bitmap);
  EXPECT_NE(first, nullptr);  // the 1x1 bitmap every memory DC starts with
  EXPECT_TRUE(os::BitBlt(memory, 0, 0, 64, 32, screen, 0, 0, os::SRCCOPY));
  EXPECT_EQ(os::SelectObject(memory, first), bitmap);
  EXPECT_TRUE(os::DeleteDC(memory));
  EXPECT_TRUE(os::DeleteObject(bitmap));
  os::ReleaseDC(nullptr, screen);
}

}  // namespace
