// The object list (control 100): one row per existing object of the current document, with the
// object's shell switch as the row's check box; the selected row is the object the panel edits.
#pragma once

#include "plugin/HostAbi.h"

// Creates the list view as a child of the panel (during WM_INITDIALOG).
HWND CreateObjectList(HWND panel);
// Inserts the list's one column "オブジェクト".
void InsertObjectListColumn();
// Rebuilds all rows from document.
void FillObjectList(HostDocument document);
// The host object of the selected row, or null.
HostObject SelectedObject();
// The n-th existing object of currentDocument, or null.
HostObject ObjectAtRow(int32_t row);
// Sets every row's check box from its object's enabled switch.
void SyncCheckBoxes();
// Refills the list when the document's objects changed since the last fill; true if it did.
bool RefreshObjectListIfChanged();
// Handles a notification from the list (WM_NOTIFY from control 100).
void OnObjectListNotify(HWND panel, const NMHDR* header);
