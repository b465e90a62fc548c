// Recorded drawing, the input-method provider and modeless dialogs of the headless desktop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/headless/desktop.h"
#include "platform/os.h"
#include "support/sjis.h"

using testing_support::Sjis;

namespace {

os::LRESULT PlainProc(os::Window w, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
  return os::DefWindowProc(w, msg, wParam, lParam);
}

class HeadlessGdi : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    os::WndClass wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "Plain";
    ASSERT_NE(os::RegisterClass(wc), 0);
    window = os::CreateWindowEx(0, "Plain", "", os::WS_POPUP | os::WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    desktop::PumpMessages();
    desktop::ClearDrawing(window);
  }
  os::Window window = nullptr;
};

TEST_F(HeadlessGdi, RectanglesFillWithTheBrushAndFrameWithThePen) {
  os::Dc dc = os::GetDC(window);
  os::Brush red = os::CreateSolidBrush(os::RGB(255, 0, 0));
  os::Pen blue = os::CreatePen(os::PS_SOLID, 2, os::RGB(0, 0, 255));
  os::GdiObject oldBrush = os::SelectObject(dc, red);
  os::GdiObject oldPen = os::SelectObject(dc, blue);
  os::Rectangle(dc, 1, 2, 30, 40);
  os::SelectObject(dc, os::GetStockObject(os::NULL_BRUSH));
  os::Rectangle(dc, 5, 5, 10, 10);
  os::SelectObject(dc, os::GetStockObject(os::NULL_PEN));
  os::MoveToEx(dc, 0, 0, nullptr);
  os::LineTo(dc, 9, 9);  // nothing with the null pen
  os::SelectObject(dc, oldPen);
  os::MoveToEx(dc, 3, 4, nullptr);
  os::LineTo(dc, 50, 60);
  os::SelectObject(dc, oldBrush);
  os::ReleaseDC(window, dc);

  std::vector<desktop::DrawOp> ops = desktop::Drawing(window);
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0].kind, desktop::DrawOp::Fill);
  EXPECT_EQ(ops[0].colour, os::RGB(255, 0, 0));
  EXPECT_EQ(ops[0].rect.bottom, 40);
  EXPECT_EQ(ops[1].kind, desktop::DrawOp::Frame);
  EXPECT_EQ(ops[1].colour, os::RGB(0, 0, 255));
  EXPECT_EQ(ops[1].penWidth, 2);
  EXPECT_FALSE(ops[1].hollow);
  EXPECT_EQ(ops[2].kind, desktop::DrawOp::Frame);
  EXPECT_TRUE(ops[2].hollow);
  EXPECT_EQ(ops[3].kind, desktop::DrawOp::Line);
  EXPECT_EQ(ops[3].rect.left, 3);
  EXPECT_EQ(ops[3].rect.right, 50);
  EXPECT_EQ(ops[3].colour, 0u);  // the black stock pen

  EXPECT_EQ(desktop::LiveGdiObjects(), 2);
  os::DeleteObject(red);
  os::DeleteObject(blue);
  EXPECT_EQ(desktop::LiveGdiObjects(), 0);
}

TEST_F(HeadlessGdi, TextCarriesTheFontAndADeterministicExtent) {
  os::Dc dc = os::GetDC(window);
  std::string face = Sjis("ＭＳ ゴシック");
  os::Font font = os::CreateFont(-20, 0, 0, 0, os::FW_BOLD, 0, 0, 0, os::SHIFTJIS_CHARSET,
                                 os::OUT_TT_ONLY_PRECIS, 0, 0, 0, face.c_str());
  os::SelectObject(dc, font);
  os::SetTextColor(dc, os::RGB(1, 2, 3));
  os::SetBkMode(dc, os::TRANSPARENT);
  struct Case {
    std::string text;
    int width;
  };
  const Case cases[] = {{"ab", 20}, {Sjis("あ"), 20}, {Sjis("かa"), 30}, {Sjis("ｶ"), 10}, {"", 0}};
  for (const Case& c : cases) {
    os::Size size{};
    ASSERT_TRUE(
        os::GetTextExtentPoint32(dc, c.text.data(), static_cast<int>(c.text.size()), &size));
    EXPECT_EQ(size.cx, c.width) << c.text;
    EXPECT_EQ(size.cy, 20);
  }
  std::string text = Sjis("決定");
  os::TextOut(dc, 4, 6, text.data(), static_cast<int>(text.size()));
  os::ReleaseDC(window, dc);
  std::vector<desktop::DrawOp> ops = desktop::Drawing(window);
  ASSERT_EQ(ops.size(), 1u);
  const desktop::DrawOp& op = ops[0];
  EXPECT_EQ(op.kind, desktop::DrawOp::Text);
  EXPECT_EQ(op.text, text);
  EXPECT_EQ(op.fontFace, face);
  EXPECT_EQ(op.fontHeight, -20);
  EXPECT_EQ(op.fontWeight, os::FW_BOLD);
  EXPECT_EQ(op.charSet, os::SHIFTJIS_CHARSET);
  EXPECT_EQ(op.outPrecision, os::OUT_TT_ONLY_PRECIS);
  EXPECT_EQ(op.colour, os::RGB(1, 2, 3));
  EXPECT_EQ(op.bkMode, os::TRANSPARENT);
  EXPECT_EQ(op.rect.right, 4 + 40);
  EXPECT_EQ(op.rect.bottom, 6 + 20);
}

TEST_F(HeadlessGdi, PaintingErasesWithTheClassBrushAndBlitsFromTheDesktop) {
  os::WndClass wc{};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = "Brushed";
  wc.hbrBackground = static_cast<os::Brush>(os::GetStockObject(os::BLACK_BRUSH));
  ASSERT_NE(os::RegisterClass(wc), 0);
  os::Window w = os::CreateWindowEx(0, "Brushed", "", os::WS_POPUP | os::WS_VISIBLE, 0, 0, 64, 32,
                                    nullptr, nullptr, nullptr);
  desktop::PumpMessages();  // the first paint erases through DefWindowProc
  std::vector<desktop::DrawOp> ops = desktop::Drawing(w);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].kind, desktop::DrawOp::Fill);
  EXPECT_EQ(ops[0].colour, 0u);
  EXPECT_EQ(ops[0].rect.right, 64);
  EXPECT_FALSE(desktop::Info(w).hasUpdate);

  os::Dc screen = os::GetDC(os::GetDesktopWindow());
  os::Dc dc = os::GetDC(w);
  EXPECT_TRUE(os::BitBlt(dc, 0, 0, 64, 32, screen, 0, 0, os::SRCCOPY));
  os::ReleaseDC(w, dc);
  os::ReleaseDC(nullptr, screen);
  ops = desktop::Drawing(w);
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[1].kind, desktop::DrawOp::Blit);
  EXPECT_EQ(ops[1].text, "desktop");
  EXPECT_EQ(ops[1].rect.bottom, 32);
}

// ---------------------------------------------------------------- input method

class HeadlessIme : public ::testing::Test {
 protected:
  void SetUp() override { desktop::Reset(); }
  static std::vector<std::string> Strings(const std::vector<char>& block) {
    os::CandidateListHeader h{};
    std::memcpy(&h, block.data(), sizeof h - sizeof(os::DWORD));
    std::vector<std::string> out;
    for (os::DWORD i = 0; i < h.dwCount; ++i) {
      os::DWORD offset = 0;
      std::memcpy(&offset, block.data() + 6 * sizeof(os::DWORD) + i * sizeof(os::DWORD),
                  sizeof offset);
      out.emplace_back(block.data() + offset);
    }
    return out;
  }
};

TEST_F(HeadlessIme, WithoutAProviderTheCallsFail) {
  os::Hkl hkl = os::GetKeyboardLayout(0);
  ASSERT_NE(hkl, nullptr);
  EXPECT_EQ(os::ImmGetDescription(hkl, nullptr, 0), 0u);
  os::Imc imc = os::ImmCreateContext();
  EXPECT_FALSE(os::ImmSetOpenStatus(imc, os::TRUE));
  EXPECT_EQ(os::ImmGetConversionList(hkl, imc, "x", nullptr, 0, os::GCL_CONVERSION), 0u);
  EXPECT_TRUE(os::ImmDestroyContext(imc));
  EXPECT_FALSE(os::ImmDestroyContext(imc));
}

TEST_F(HeadlessIme, ConversionOffersTheFirstClauseAndComposesTheRest) {
  std::string gakkou = Sjis("がっこう"), ni = Sjis("に"), iku = Sjis("いく");
  desktop::ImeProvider ime;
  ime.description = "Microsoft IME Standard 2002 ver. 8.1";
  ime.conversions = {{gakkou, {Sjis("学校"), Sjis("学考"), Sjis("楽校")}},
                     {gakkou + ni, {Sjis("学校に")}},  // longer match wins
                     {iku, {Sjis("行く"), Sjis("逝く")}}};
  desktop::SetIme(ime);
  os::Hkl hkl = os::GetKeyboardLayout(0);
  char description[64] = {};
  EXPECT_EQ(os::ImmGetDescription(hkl, nullptr, 0), ime.description.size());
  EXPECT_EQ(os::ImmGetDescription(hkl, description, sizeof description), ime.description.size());
  EXPECT_EQ(std::string(description), ime.description);

  os::Imc imc = os::ImmCreateContext();
  ASSERT_TRUE(os::ImmSetOpenStatus(imc, os::TRUE));
  std::string reading = gakkou + iku;
  ASSERT_TRUE(os::ImmSetCompositionString(imc, os::SCS_SETSTR, nullptr, 0, reading.data(),
                                          static_cast<os::DWORD>(reading.size())));
  EXPECT_EQ(os::ImmGetCompositionString(imc, os::GCS_COMPSTR, nullptr, 0),
            static_cast<os::LONG>(reading.size()));
  EXPECT_EQ(os::ImmGetCandidateList(imc, 0, nullptr, 0), 0u);  // nothing before converting
  os::ImmNotifyIME(imc, os::NI_COMPOSITIONSTR, os::CPS_CONVERT, 0);
  EXPECT_TRUE(os::ImmNotifyIME(imc, 0x0010 /* NI_OPENCANDIDATE */, 1, 0));

  os::DWORD size = os::ImmGetCandidateList(imc, 0, nullptr, 0);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size + 1, 0);
  EXPECT_EQ(os::ImmGetCandidateList(imc, 0,
                                    reinterpret_cast<os::CandidateListHeader*>(block.data()), size),
            size);
  os::DWORD declared = 0;
  std::memcpy(&declared, block.data(), sizeof declared);
  EXPECT_EQ(declared, size);
  EXPECT_EQ(Strings(block), (std::vector<std::string>{Sjis("学校"), Sjis("学考"), Sjis("楽校")}));
  std::string composed = Sjis("学校行く");
  std::vector<char> comp(64, 0);
  EXPECT_EQ(os::ImmGetCompositionString(imc, os::GCS_COMPSTR, comp.data(), 64),
            static_cast<os::LONG>(composed.size()));
  EXPECT_EQ(std::string(comp.data()), composed);
  EXPECT_EQ(os::ImmGetCandidateList(
                imc, 0, reinterpret_cast<os::CandidateListHeader*>(block.data()), size - 1),
            0u);
  EXPECT_EQ(desktop::LiveImeContexts(), 1);
  os::ImmDestroyContext(imc);
  EXPECT_EQ(desktop::LiveImeContexts(), 0);

  // The conversion list answers readings that are listed whole.
  size = os::ImmGetConversionList(hkl, nullptr, iku.c_str(), nullptr, 0, os::GCL_CONVERSION);
  ASSERT_GT(size, 0u);
  std::vector<char> list(size, 0);
  os::ImmGetConversionList(hkl, nullptr, iku.c_str(),
                           reinterpret_cast<os::CandidateListHeader*>(list.data()), size,
                           os::GCL_CONVERSION);
  EXPECT_EQ(Strings(list), (std::vector<std::string>{Sjis("行く"), Sjis("逝く")}));
  EXPECT_EQ(os::ImmGetConversionList(hkl, nullptr, reading.c_str(), nullptr, 0, os::GCL_CONVERSION),
            0u);
}

// ---------------------------------------------------------------- dialogs

intptr_t WordDialogProc(os::Window dialog, os::UINT msg, os::WPARAM wParam, os::LPARAM) {
  if (msg == os::WM_INITDIALOG) {
    os::SetDlgItemText(dialog, 1000, "");
    os::SetFocus(reinterpret_cast<os::Window>(wParam));
    return 0;
  }
  if (msg == os::WM_COMMAND && (wParam & 0xFFFF) == 1004) {
    os::EndDialogWindow(dialog);
    return 1;
  }
  return 0;
}

TEST(HeadlessDialog, ItemsTextsFocusAndMessages) {
  desktop::Reset();
  desktop::DialogTemplate t;
  t.title = Sjis("単語登録");
  t.items = {
      {1000, "EDIT", "old", os::WS_CHILD | os::WS_VISIBLE | os::WS_TABSTOP, {10, 10, 100, 30}},
      {1001, "STATIC", Sjis("単語"), os::WS_CHILD | os::WS_VISIBLE, {10, 40, 100, 60}},
      {1004,
       "BUTTON",
       Sjis("閉じる"),
       os::WS_CHILD | os::WS_VISIBLE | os::WS_TABSTOP,
       {10, 70, 100, 90}}};
  desktop::DefineDialog(102, t);
  desktop::ForeignApp editor = desktop::StartForeignApp("Notepad", "memo");
  os::Window dialog = os::CreateDialog(nullptr, 102, nullptr, WordDialogProc);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(os::FindWindow("#32770", t.title.c_str()), dialog);
  os::Window word = os::GetDlgItem(dialog, 1000);
  char text[32] = {"x"};
  EXPECT_EQ(os::GetDlgItemText(dialog, 1000, text, sizeof text), 0u);  // emptied at initialisation
  EXPECT_EQ(os::GetFocus(), word);

  // Keys typed while the dialog is in front reach its focused field through the loop.
  os::SetForegroundWindow(dialog);
  os::keybd_event('K', 0, 0, 0);
  os::keybd_event('K', 0, os::KEYEVENTF_KEYUP, 0);
  os::SendMessage(word, os::WM_IME_CHAR, 0x82A9, 1);  // か
  os::Msg m{};
  int taken = 0;
  while (os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE)) {
    if (os::IsDialogMessage(dialog, &m)) ++taken;
  }
  EXPECT_GE(taken, 2);
  os::GetDlgItemText(dialog, 1000, text, sizeof text);
  EXPECT_EQ(std::string(text), Sjis("か") + "k");
  EXPECT_EQ(desktop::EditText(editor), "");

  // Messages of other windows are not the dialog's.
  os::Msg other{editor.window, os::WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  EXPECT_FALSE(os::IsDialogMessage(dialog, &other));
  desktop::ClickButton(os::GetDlgItem(dialog, 1004));
  EXPECT_FALSE(os::IsWindow(dialog));
  EXPECT_FALSE(os::IsDialogMessage(dialog, &m));
}

TEST(HeadlessDialog, UndefinedDialogsTakeItemsAfterwards) {
  desktop::Reset();
  os::Window dialog = os::CreateDialog(nullptr, 7, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(os::IsWindowVisible(dialog));
  os::Window item = desktop::AddDialogItem(dialog, 55, "abc");
  EXPECT_EQ(os::GetDlgItem(dialog, 55), item);
  EXPECT_TRUE(os::SetDlgItemText(dialog, 55, "xyz"));
  char text[8];
  EXPECT_EQ(os::GetDlgItemText(dialog, 55, text, sizeof text), 3u);
  EXPECT_STREQ(text, "xyz");
  EXPECT_FALSE(os::SetDlgItemText(dialog, 56, "none"));
}

}  // namespace
