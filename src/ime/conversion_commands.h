// Conversion's link in the main window's chain: candidate searches for the reading,
// and the conversion commands of the macro language (reading, paging, mode, choosing).
#pragma once

#include "platform/os.h"

namespace mivo {

os::LRESULT ConversionCommand(os::WPARAM code, const char* argument);
os::LRESULT ConversionMainProc(os::Window w, os::UINT message, os::WPARAM wParam,
                               os::LPARAM lParam);
// Gives the injection's "BS" rules and the candidate keys their view of the reading and
// the committed text.
void ConnectConversion();

}  // namespace mivo
