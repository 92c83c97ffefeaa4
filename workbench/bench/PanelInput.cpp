#include "workbench/bench/PanelInput.h"

#include <commctrl.h>

#include "ui/ResourceIds.h"

namespace {
const char kPanelCaption[] = "ポリゴン拡張 -Puffshell-";

HWND ObjectList() { return GetDlgItem(FindPanel(), IDC_OBJECT_LIST); }
}  // namespace

HWND FindPanel() {
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, kPanelCaption); window;
         window = FindWindowExA(nullptr, window, nullptr, kPanelCaption)) {
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return window;
    }
    return nullptr;
}

void ClickControl(int32_t controlId) {
    SendMessageA(GetDlgItem(FindPanel(), controlId), BM_CLICK, 0, 0);
}

void TickRow(int32_t row, bool checked) {
    ListView_SetCheckState(ObjectList(), row, checked ? TRUE : FALSE);
}

void ClickRow(int32_t row) {
    HWND list = ObjectList();
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_OBJECT_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    SendMessageA(FindPanel(), WM_NOTIFY, IDC_OBJECT_LIST, reinterpret_cast<LPARAM>(&click));
}
