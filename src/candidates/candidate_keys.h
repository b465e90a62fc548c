// Candidate keys: the two candidate lists, conversion and prediction, laid out as rows of
// keys under their panels, with paging keys and the conversion mode key. The handler sits
// before the keyboard's own in the chain and hands it everything else.
//
// Owns: the panels, the reading key and the five templates (in predictState). Offers:
// KeybdPredictMainProc, the keyboard's template hook, and the view of the conversion it
// needs (reading and mode), which the conversion fills in when it joins.
#pragma once

#include "platform/os.h"

namespace mivo {

// What the layout of a conversion list reads from the conversion; null hooks read an
// empty reading and all-candidates mode.
struct ConversionView {
  const char* (*reading)();
  bool (*imeOnly)();
};
extern ConversionView conversionView;

os::LRESULT KeybdPredictMainProc(os::Window w, os::UINT message, os::WPARAM wParam,
                                 os::LPARAM lParam);

// Before each colour set of a keyboard file is made, unset next and previous templates
// take the conversion template.
void DefaultPagingTemplates();

}  // namespace mivo
