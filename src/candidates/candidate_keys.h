// Candidate keys: the two candidate lists, conversion and prediction, laid out as rows of
// keys under their panels, with paging keys and the conversion mode key. The handler sits
// before the keyboard's own in the chain and hands it everything else.
//
// Owns: the panels, the reading key, the five templates and the view of the conversion it
// needs (reading and mode), which the conversion fills in when it joins; all in
// predictState. Offers: KeybdPredictMainProc and the keyboard's template hook.
#pragma once

#include "platform/os.h"

namespace mivo {

os::LRESULT KeybdPredictMainProc(os::Window w, os::UINT message, os::WPARAM wParam,
                                 os::LPARAM lParam);

// Before each colour set of a keyboard file is made, unset next and previous templates
// take the conversion template.
void DefaultPagingTemplates();

}  // namespace mivo
