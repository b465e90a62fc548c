// The word registration dialog: a modeless dialog beside the keyboard where the user
// types a word and its reading, each registration going straight into the word
// dictionary as its newest record.
//
// Owns: the dialog window and the foreground it hands back (in imeState). Offers: open,
// the main loop's dialog-message test, and the registration itself.
#pragma once

#include "platform/os.h"

namespace mivo {

constexpr int WORD_DIALOG_RESOURCE = 102;
constexpr int WORD_DIALOG_WORD = 1000;
constexpr int WORD_DIALOG_READING = 1002;
constexpr int WORD_DIALOG_REGISTER = 1003;
constexpr int WORD_DIALOG_CLOSE = 1004;

void WordDialogOpen(os::Window mainWindow, os::Instance instance);
int WordDialogMessage(os::Msg* message);  // 1 when the dialog took it
void WordRegister(const char* word, const char* reading);

}  // namespace mivo
