// Freezing one object's shell into real geometry of the document.
#pragma once

#include "plugin/HostAbi.h"

// Set by every start of a freeze, read by FreezeShell.
extern bool freezeAsNewObject;  // the shell becomes a new object
extern bool freezeReplaces;     // (not new) the shell replaces the source's geometry, else adds
extern bool freezeResetColors;  // every corner colour of the shell becomes opaque black

// Builds the selected object's shell from clones and places it; runs inside the station callback
// (currentDocument is the callback's document). True when the document changed.
bool FreezeShell(HostDocument document);

// The freeze dialog's procedure (template 102, modal, owned by the panel).
INT_PTR CALLBACK FreezeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
