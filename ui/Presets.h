// The five preset buttons beside the object list: one click puts the selected object's settings
// into a ready-made configuration and switches its shell on (or, for "ﾘｾｯﾄ", off).
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// Applies the preset of button controlId (1032 "黒枠", 1029 "色ﾄﾚ", 1030 "ﾎﾞｶｼ", 1031 "ﾘｾｯﾄ",
// 1041 "両面") to the object selected in the list and has the panel reload. False, with nothing
// changed, when no row is selected or controlId is no preset button.
bool ApplyPreset(HWND panel, int32_t controlId);
