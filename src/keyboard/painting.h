// Key painting: the layout metrics and key font, and how each key type draws itself
// into its own window in the normal, focus or selected colours.
#pragma once

#include <cstdint>

#include "keyboard/state.h"
#include "platform/os.h"

namespace mivo {

// The one font of every key text, remade by each UpdateMetrics.
// Per mille; 1000 unless MediumFontSize overrides the computed font height.
// The font height last computed, in pixels.

// The face of the key font: "ＭＳ 明朝".
extern const char* const KEY_FONT_FACE;

void UpdateMetrics(os::Window mainWindow);
void DeleteKeyFont();
// 0 normal, 1 focus, 2 selected.
int KeyColourState(int32_t k);
int PaintKey(int32_t k);
int RepaintIfChanged(int32_t k);

}  // namespace mivo
