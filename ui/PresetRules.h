// The rules of the five presets, without the panel: what each writes into an object's settings,
// whether it captures the object's colours and whether it leaves the shell on. The panel's preset
// buttons (ui/Presets.cpp) and the baking command both apply presets through ApplyShellPreset.
#pragma once

#include "plugin/HostAbi.h"

enum class ShellPreset { BlackFrame, ColorTrace, Blur, Reset, BothSides };

// Puts object's record (SettingsOf) into the preset's configuration, captures its colours where
// the preset shows them (colour trace, blur) and switches its shell on (off for Reset). True
// when the shell is on. Nothing (false) for a null object.
bool WriteShellPreset(HostObject object, ShellPreset preset);

// WriteShellPreset, then, when the shell is on, the push cache rebuilt for document: what one
// press of a preset button does to the document.
void ApplyShellPreset(HostDocument document, HostObject object, ShellPreset preset);
