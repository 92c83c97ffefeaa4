// The object list: rows are the existing objects of the current document in document order; a
// row's check box is the object's shell switch.
#include "ui/ObjectList.h"

#include <vector>

#include <commctrl.h>

#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "ui/ControlPanel.h"
#include "ui/PanelControls.h"
#include "ui/ResourceIds.h"

namespace {

// Rows made by the last fill; -1 before the first.
int32_t rowCount = -1;
// Per document object index at the last fill: the object's unique ID, or -1 for an empty slot.
// It grows with the document, so documents of any size are compared exactly; indices past its
// end count as empty slots.
std::vector<int32_t> rowSnapshot;

const UINT kStateImageMask = LVIS_STATEIMAGEMASK;  // 0xF000
const UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1);
const UINT kChecked = INDEXTOSTATEIMAGEMASK(2);

HWND ListView() { return PanelItem(IDC_OBJECT_LIST); }

int32_t ObjectCount(HostDocument document) {
    if (!document) return 0;
    int32_t count = Host().MQDoc_GetObjectCount(document);
    return count > 0 ? count : 0;
}

void SetRowChecked(HWND list, int32_t row, bool checked) {
    LVITEMA item = {};
    item.stateMask = kStateImageMask;
    item.state = checked ? kChecked : kUnchecked;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int32_t RowCountOf(HWND list) {
    return list ? static_cast<int32_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

// A row's check box was toggled (by the user or by SyncCheckBoxes): the row's object follows it.
void OnRowCheckChanged(HWND panel, const NMLISTVIEW* change) {
    HWND list = change->hdr.hwndFrom;
    UINT image = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE,
                                                static_cast<WPARAM>(change->iItem), kStateImageMask)) >> 12;
    HostObject object = ObjectAtRow(change->iItem);
    if (object) SettingsOf(object).enabled = image >= 2 ? 1 : 0;  // image 2: checked
    rebuildPending = true;
    PostMessageA(panel, WM_APP_RELOAD, 0, 0);
    RequestRedraw();
}

}  // namespace

HWND CreateObjectList(HWND panel) {
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                0, 0, 0, 0, panel, reinterpret_cast<HMENU>(IDC_OBJECT_LIST),
                                moduleInstance, nullptr);
    if (!list) return nullptr;
    LRESULT styles = SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    styles |= LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
    return list;
}

void InsertObjectListColumn() {
    char caption[] = "オブジェクト";
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = caption;
    column.iSubItem = 0;
    SendMessageA(PanelItem(IDC_OBJECT_LIST), LVM_INSERTCOLUMNA, 0,
                        reinterpret_cast<LPARAM>(&column));
}

void FillObjectList(HostDocument document) {
    listFilling = true;
    HWND list = ListView();
    if (list) {
        // One repaint for the whole fill instead of one per row: large documents refill fast.
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    }
    rowCount = 0;
    int32_t count = ObjectCount(document);
    rowSnapshot.assign(static_cast<size_t>(count), -1);

    for (int32_t index = 0; index < count; ++index) {
        HostObject object = Host().MQDoc_GetObject(document, index);
        if (!object) continue;
        char name[2048] = {};
        Host().MQObj_GetName(object, name, sizeof name);
        name[sizeof name - 1] = '\0';
        if (list) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = rowCount;
            item.iSubItem = 0;
            item.pszText = name;
            SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            SetRowChecked(list, rowCount, SettingsOf(object).enabled != 0);
        } else {
            SettingsOf(object);  // every listed object gets a record, as with a list
        }
        rowSnapshot[static_cast<size_t>(index)] = UniqueIdOf(object);
        ++rowCount;
    }

    if (list) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }

    // A fill leaves no row selected, so the panel shows no object.
    ReloadPanel(nullptr);
    listFilling = false;
}

HostObject SelectedObject() {
    HWND list = ListView();
    if (!list) return nullptr;
    // The list finds its first selected row itself: one message instead of one per row.
    const LRESULT row = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return row >= 0 && row < RowCountOf(list) ? ObjectAtRow(static_cast<int32_t>(row)) : nullptr;
}

HostObject ObjectAtRow(int32_t row) {
    if (row < 0) return nullptr;
    int32_t count = ObjectCount(currentDocument);
    int32_t existing = 0;
    for (int32_t index = 0; index < count; ++index) {
        HostObject object = Host().MQDoc_GetObject(currentDocument, index);
        if (!object) continue;
        if (existing == row) return object;
        ++existing;
    }
    return nullptr;
}

void SyncCheckBoxes() {
    HWND list = ListView();
    if (!list) return;
    int32_t rows = RowCountOf(list);
    int32_t count = ObjectCount(currentDocument);
    int32_t row = 0;
    for (int32_t index = 0; index < count && row < rows; ++index) {
        HostObject object = Host().MQDoc_GetObject(currentDocument, index);
        if (!object) continue;
        SetRowChecked(list, row, SettingsOf(object).enabled != 0);
        ++row;
    }
}

bool RefreshObjectListIfChanged() {
    int32_t count = ObjectCount(currentDocument);
    int32_t existing = 0;
    bool same = true;
    for (int32_t index = 0; index < count; ++index) {
        HostObject object = Host().MQDoc_GetObject(currentDocument, index);
        size_t slot = static_cast<size_t>(index);
        int32_t listed = slot < rowSnapshot.size() ? rowSnapshot[slot] : -1;
        if (object) {
            ++existing;
            if (listed != UniqueIdOf(object)) same = false;
        } else if (listed != -1) {
            same = false;
        }
    }
    // Only order and identity count: a renamed object keeps its row as it is.
    if (rowCount == existing && same) return false;
    FillObjectList(currentDocument);
    return true;
}

void OnObjectListNotify(HWND panel, const NMHDR* header) {
    if (!header) return;
    switch (header->code) {
    case NM_CLICK:
        // A click selects the object the panel edits.
        PostMessageA(panel, WM_APP_RELOAD, 0, 0);
        break;
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
        bool checkBoxChanged = (change->uChanged & LVIF_STATE) &&
                               ((change->uOldState ^ change->uNewState) & kStateImageMask);
        // Selection changes alone do nothing: moving the selection with the keyboard does not
        // reload the panel.
        if (checkBoxChanged && !listFilling) OnRowCheckChanged(panel, change);
        break;
    }
    case LVN_COLUMNCLICK:
        RequestRedraw();
        break;
    default:
        break;
    }
}
