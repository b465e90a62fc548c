// Everything prediction and its candidate keys change while the program runs, in one place, so
// that one call puts back what a fresh start finds.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace mivo {

struct AppEntry;
struct DictSet;

// What the layout of a conversion list reads from the conversion; null hooks read an
// empty reading and all-candidates mode.
struct ConversionView {
  const char* (*reading)();
  bool (*imeOnly)();
};

struct PredictState {
  AppEntry* appList = nullptr;  // owned, ended by an empty pair; null without a list
  DictSet** slots = nullptr;    // the open application dictionaries, most recently used first
  DictSet* core = nullptr;      // always open while prediction is
  char* lastClass = nullptr;    // the foreground class last seen, owned
  os::Window lastForeground = nullptr;  // the window lastClass was read from

  // Where the candidate keys go: key indexes of the panels and the reading key, and the
  // colour-set indexes of the templates in the order conversion, prediction, next,
  // previous, mode; 0 is unset.
  int32_t conversionPanel = 0;
  int32_t predictionPanel = 0;
  int32_t readingKey = 0;
  int32_t templates[5] = {};
  ConversionView conversionView{};  // filled in when the conversion joins
};
extern PredictState predictState;

// Flushes and closes whatever is open, releases the texts, then puts every value back,
// the conversion view too.
void ResetPredictState();

}  // namespace mivo
