// Prediction's link in the main window's chain: the foreground tracking on every tick,
// the delivery of candidate pages to the keyboard, the prediction commands of the macro
// language, and the learning of every key action that belongs to an operation.
//
// Owns: nothing beyond the operation dictionaries' state. Offers: the start and stop entry
// points, RecordMacroRun for the keyboard's hook, and the link.
#pragma once

#include "platform/os.h"

namespace mivo {

int PredictionInit();  // 1, or 0 when the core dictionary cannot be opened
void PredictionFinish();
void RecordMacroRun(const char* macroText);
os::LRESULT PredictionCommand(os::WPARAM code, const char* argument);
os::LRESULT PredictionMainProc(os::Window w, os::UINT message, os::WPARAM wParam,
                               os::LPARAM lParam);

}  // namespace mivo
