#include "ime/word_dialog.h"

#include <cstring>

#include "base/scoped.h"
#include "base/text.h"
#include "dict/dict_file.h"
#include "ime/kana.h"
#include "ime/state.h"
#include "macro/injection.h"

namespace mivo {
namespace {

constexpr char kDialogTitle[] = "\x92\x50\x8c\xea\x93\x6f\x98\x5e";  // 単語登録
constexpr int FIELD_SIZE = 256;

void EmptyFieldsAndFocusTheWord(os::Window dialog) {
  os::SetDlgItemText(dialog, WORD_DIALOG_WORD, "");
  os::SetDlgItemText(dialog, WORD_DIALOG_READING, "");
  // With the foreground thread's input attached, the keyboard's keystrokes arrive here.
  SetForeignFocus(os::GetDlgItem(dialog, WORD_DIALOG_WORD));
}

void Register(os::Window dialog) {
  char word[FIELD_SIZE] = {};
  char reading[FIELD_SIZE] = {};
  os::GetDlgItemText(dialog, WORD_DIALOG_WORD, word, FIELD_SIZE);
  os::GetDlgItemText(dialog, WORD_DIALOG_READING, reading, FIELD_SIZE);
  const auto length = static_cast<uint32_t>(strnlen(reading, FIELD_SIZE - 1));
  const uint32_t size = HiraganaToKatakana(reading, length, nullptr, 0);
  OwnedText katakana(static_cast<char*>(MemAlloc(size + 1)));
  if (katakana) {
    HiraganaToKatakana(reading, length, katakana.Get(), size);
    WordRegister(word, katakana.Get());
  }
  EmptyFieldsAndFocusTheWord(dialog);
}

intptr_t WordDialogProc(os::Window dialog, os::UINT message, os::WPARAM wParam, os::LPARAM) {
  switch (message) {
    case os::WM_INITDIALOG:
      imeState.foregroundBeforeDialog = os::GetForegroundWindow();
      EmptyFieldsAndFocusTheWord(dialog);
      return 0;
    case os::WM_COMMAND:
      if ((wParam & 0xFFFF) == WORD_DIALOG_REGISTER) {
        Register(dialog);
        return 1;
      }
      if ((wParam & 0xFFFF) == WORD_DIALOG_CLOSE) {
        os::EndDialogWindow(dialog);
        if (imeState.wordDialog == dialog) imeState.wordDialog = nullptr;
        os::SetForegroundWindow(imeState.foregroundBeforeDialog);
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace

void WordDialogOpen(os::Window mainWindow, os::Instance instance) {
  os::DWORD process = 0;
  os::GetWindowThreadProcessId(mainWindow, &process);
  for (os::Window w = os::FindWindowEx(nullptr, nullptr, nullptr, kDialogTitle); w != nullptr;
       w = os::FindWindowEx(nullptr, w, nullptr, kDialogTitle)) {
    os::DWORD owner = 0;
    os::GetWindowThreadProcessId(w, &owner);
    if (owner == process) {
      os::SetActiveWindow(w);
      return;
    }
  }
  os::Window dialog = os::CreateDialog(instance, WORD_DIALOG_RESOURCE, mainWindow, WordDialogProc);
  if (dialog == nullptr) return;
  imeState.wordDialog = dialog;
  os::ShowWindow(dialog, os::SW_SHOW);
  os::ShowWindow(mainWindow, os::SW_SHOW);
  os::UpdateWindow(dialog);
  os::UpdateWindow(mainWindow);
}

int WordDialogMessage(os::Msg* message) {
  return imeState.wordDialog != nullptr && os::IsDialogMessage(imeState.wordDialog, message) ? 1
                                                                                             : 0;
}

void WordRegister(const char* word, const char* reading) {
  DictSet* set = imeState.conversion;
  if (set == nullptr || set->name == nullptr || word == nullptr || reading == nullptr) return;
  const size_t wordLength = strlen(word), readingLength = strlen(reading);
  OwnedText line(static_cast<char*>(MemAlloc(wordLength + readingLength + 4)));
  if (!line) return;
  char* out = line.Get();
  memcpy(out, word, wordLength);
  out[wordLength] = '\t';
  memcpy(out + wordLength + 1, reading, readingLength);
  memcpy(out + wordLength + 1 + readingLength, "\r\n", 2);
  DictFileAppendNow(set->name, line.Get());
}

}  // namespace mivo
