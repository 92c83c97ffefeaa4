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

// Set by FreezeShell when the shell would not fit in the process's memory and nothing was done;
// cleared by every start of FreezeShell and by TellFreezeDidNotFit.
extern bool freezeDidNotFit;

// After a freeze (outside the station callback): when it did not fit, tells the user so in one
// message box and clears freezeDidNotFit. Nothing otherwise.
void TellFreezeDidNotFit();

// The freeze dialog's procedure (template 102, modal, owned by the panel).
INT_PTR CALLBACK FreezeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
