// The freeze dialog (template 102): where the frozen shell goes and whether its vertex colours are
// reset. OK freezes while the dialog is still on screen; cancel, Esc and the close box change
// nothing.
#include "freeze/FreezeShell.h"
#include "plugin/ShellPlugin.h"
#include "ui/ResourceIds.h"

namespace {

// Placement from the first checked radio button; none checked keeps the previous choice.
void ReadPlacement(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_FREEZE_AS_NEW_OBJECT) == BST_CHECKED) {
        freezeAsNewObject = true;
        freezeReplaces = true;
    } else if (IsDlgButtonChecked(dialog, IDC_FREEZE_ADD_TO_SOURCE) == BST_CHECKED) {
        freezeAsNewObject = false;
        freezeReplaces = false;
    } else if (IsDlgButtonChecked(dialog, IDC_FREEZE_REPLACE_SOURCE) == BST_CHECKED) {
        freezeAsNewObject = false;
        freezeReplaces = true;
    }
}

}  // namespace

INT_PTR CALLBACK FreezeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        // Every opening starts at "new object" without reset.
        CheckDlgButton(dialog, IDC_FREEZE_AS_NEW_OBJECT, BST_CHECKED);
        CheckDlgButton(dialog, IDC_FREEZE_ADD_TO_SOURCE, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_FREEZE_REPLACE_SOURCE, BST_UNCHECKED);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, 1);
            ReadPlacement(dialog);
            freezeResetColors = IsDlgButtonChecked(dialog, IDC_FREEZE_RESET_COLORS) == BST_CHECKED;
            Plugin().runInDocument(FreezeShell);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            return FALSE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return FALSE;
    }
    return FALSE;
}
