// The control panel's dialog procedure, its loaders (settings -> controls) and its buttons.
#include "ui/ControlPanel.h"

#include <stdio.h>
#include <string.h>

#include <utility>
#include <vector>

#include <commctrl.h>
#include <commdlg.h>

#include "freeze/FreezeShell.h"
#include "geometry/ExtractColors.h"
#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "plugin/ShellPlugin.h"
#include "settings/SettingsStore.h"
#include "ui/ObjectList.h"
#include "ui/PanelControls.h"
#include "ui/PanelEdits.h"
#include "ui/Presets.h"
#include "ui/ResourceIds.h"

namespace {

HWND panelDialog = nullptr;

// The panel's controls by identifier, each looked up once per panel window: a reload touches some
// forty controls, and each GetDlgItem is a round trip to the window manager under Wine.
std::vector<std::pair<int32_t, HWND>> panelItems;

const char kLoadFailedMessage[] = "なんか読み込み失敗";

// Longest text compared by WriteItemText: a number, or a height-map path (MAX_PATH).
const size_t kItemTextSize = 1024;

// ---- control helpers -------------------------------------------------------------------------

void EnableItems(std::initializer_list<int32_t> controlIds, bool enabled) {
    for (int32_t id : controlIds) EnableItem(id, enabled);
}

void SetSpinRange(int32_t spin, int32_t low, int32_t high) {
    SendMessageA(PanelItem(spin), UDM_SETRANGE32, static_cast<WPARAM>(low),
                        static_cast<LPARAM>(high));
}

void SetSpinPosition(int32_t spin, int32_t position) {
    SendMessageA(PanelItem(spin), UDM_SETPOS32, 0, static_cast<LPARAM>(position));
}

// Every combo entry carries the colorMode it stands for: 0, 1, 2, then 3 + n for document
// material n. Empty material slots have no entry, so an entry's position alone cannot say which
// material it is.
void AddComboEntry(HWND combo, const char* text, int32_t colorMode) {
    LRESULT entry = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (entry >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(entry), colorMode);
}

// The combo entry that stands for colorMode, or -1 when the combo lists none.
int32_t ComboEntryForMode(HWND combo, int32_t colorMode) {
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT entry = 0; entry < count; ++entry) {
        LRESULT data = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0);
        if (data != CB_ERR && static_cast<int32_t>(data) == colorMode) return static_cast<int32_t>(entry);
    }
    return -1;
}

// The colorMode of the selected combo entry, or -1 when nothing is selected.
int32_t SelectedComboMode(HWND combo) {
    LRESULT entry = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (entry < 0) return -1;
    LRESULT data = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0);
    return data == CB_ERR ? -1 : static_cast<int32_t>(data);
}

// ---- set-up -----------------------------------------------------------------------------------

void OnInitPanel(HWND panel) {
    panelDialog = panel;
    panelItems.clear();
    InitCommonControls();
    SetWindowTextA(PanelItem(IDC_PUSH_DISTANCE), "1.0");
    Settings().clear();
    INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);

    HWND list = CreateObjectList(panel);
    if (list) MoveWindow(list, 12, 32, 118, 104, TRUE);

    SetSpinRange(IDC_PUSH_DISTANCE_SPIN, -100, 100);
    SetSpinPosition(IDC_PUSH_DISTANCE_SPIN, 1);
    SetSpinPosition(IDC_REPEAT_COUNT_SPIN, 1);
    SetSpinRange(IDC_REPEAT_COUNT_SPIN, 1, 10);
    SetSpinPosition(IDC_TRANSPARENCY_SPIN, 0);
    SetSpinRange(IDC_TRANSPARENCY_SPIN, 0, 100);
    SetSpinRange(IDC_HEIGHT_MAP_SCALE_SPIN, 0, 100);
    SetSpinRange(IDC_BRIGHTNESS_SPIN, 0, 100);
    SetSpinRange(IDC_VERTEX_COLOR_SCALE_SPIN, 0, 100);

    FillMaterialCombo();
    InsertObjectListColumn();
    PostMessageA(panel, WM_APP_RELOAD, 0, 0);
}

// ---- check boxes ------------------------------------------------------------------------------

BOOL OnCheckBox(int32_t controlId) {
    HostObject object = SelectedObject();
    if (!object) return FALSE;
    bool checked = IsItemChecked(controlId);
    switch (controlId) {
    case IDC_DISABLE_ALL:
        disableAll = checked ? 1 : 0;
        if (!checked) {
            // The host's events went unheard while shells were disabled: the next pass
            // resynchronises the object list and the push cache as after an edit.
            rebuildPending = true;
            // Redraws that came meanwhile ended early and left refreshRequested set; without
            // this, the pending rebuild would keep every later request from reaching the host
            // until it redraws on its own.
            refreshRequested = false;
        }
        break;
    case IDC_INVERT_FACES:
        SettingsOf(object).invertFaces = checked ? 1 : 0;
        LoadGeneralControls(object);
        break;
    case IDC_HEIGHT_MAP_ON:
        SettingsOf(object).heightMapOn = checked ? 1 : 0;
        RebuildPushCache(currentDocument);
        LoadHeightMapControls(object);
        break;
    case IDC_NORMAL_PUSH:
        SettingsOf(object).normalPush = checked ? 1 : 0;
        LoadPushControls(object);
        break;
    case IDC_VERTEX_COLOR_PUSH:
        SettingsOf(object).vertexColorPush = checked ? 1 : 0;
        RebuildPushCache(currentDocument);
        LoadVertexColorControls(object);
        break;
    case IDC_FORCE_DISPLAY:
        forceDisplay = checked;
        break;
    case IDC_SELECTION_ONLY:
        selectionOnly = checked;
        RebuildPushCache(currentDocument);
        break;
    }
    RequestRedraw();
    return TRUE;
}

// ---- material combo ---------------------------------------------------------------------------

BOOL OnColorModeCommand(int32_t code) {
    HostObject object = SelectedObject();
    if (!object) return FALSE;
    if (code >= 2 && code <= 10) return FALSE;  // focus, drop-down and edit notifications
    int32_t mode = SelectedComboMode(PanelItem(IDC_COLOR_MODE));
    if (mode < 0) return FALSE;
    SettingsOf(object).colorMode = mode;
    LoadMaterialControls(object);
    RequestRedraw();
    return TRUE;
}

// ---- buttons ----------------------------------------------------------------------------------

BOOL OnExtractColors() {
    HostObject object = SelectedObject();
    if (!object) return FALSE;
    ExtractColors(object);
    RequestRedraw();
    return TRUE;
}

// Lets the user choose a height-map file; whatever the dialog leaves in the name buffer (nothing
// after a cancel) becomes the file name. Nothing is loaded yet.
// The dialog is modal to the panel only: while it is open the host goes on working and may
// delete the object. So the record is found again by the object's unique ID afterwards, never
// through the handle taken before the dialog.
BOOL OnBrowseHeightMap(HWND panel) {
    HostObject object = SelectedObject();
    if (!object) return FALSE;
    const int32_t id = UniqueIdOf(object);
    char fileName[MAX_PATH];
    char fileTitle[513];
    fileName[0] = '\0';
    fileTitle[0] = '\0';
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // the platform's size, not 32-bit's 76
    dialog.hwndOwner = panel;
    dialog.lpstrFilter = "画像 Files(*.bmp)\0*.bmp\0All Files\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof fileName;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof fileTitle;
    dialog.Flags = OFN_HIDEREADONLY;
    dialog.lpstrDefExt = "bmp";
    GetOpenFileNameA(&dialog);
    fileName[sizeof fileName - 1] = '\0';

    Settings().findOrCreate(id).heightMapFile = fileName;
    // The edit shows the name only while it still shows that object (the panel may even have
    // been closed and made anew meanwhile).
    HostObject selected = SelectedObject();
    if (selected && UniqueIdOf(selected) == id && PanelDialog())
        SetWindowTextA(PanelItem(IDC_HEIGHT_MAP_FILE), fileName);
    return TRUE;
}

BOOL OnLoadHeightMap() {
    HostObject object = SelectedObject();
    if (!object) return FALSE;
    ExpansionSettings& settings = SettingsOf(object);
    settings.heightMap.release();
    if (settings.heightMap.load(settings.heightMapFile.c_str())) {
        RebuildPushCache(currentDocument);
        RequestRedraw();
    } else {
        HWND owner = Host().MQ_GetWindowHandle ? Host().MQ_GetWindowHandle() : nullptr;
        MessageBoxA(owner, kLoadFailedMessage, settings.heightMapFile.c_str(),
                    MB_OK | MB_ICONINFORMATION);
    }
    return TRUE;
}

BOOL OnFreeze(HWND panel) {
    INT_PTR result = DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_FREEZE_DIALOG), panel,
                                     FreezeDialogProc, 0);
    TellFreezeDidNotFit();  // once the dialog is gone
    return result == 1 ? TRUE : FALSE;
}

BOOL OnQuickFreeze() {
    // As the freeze dialog with "replace the source object" and "reset vertex colours".
    freezeAsNewObject = false;
    freezeReplaces = true;
    freezeResetColors = true;
    Plugin().runInDocument(FreezeShell);
    TellFreezeDidNotFit();
    return FALSE;
}

BOOL OnPanelCommand(HWND panel, int32_t controlId, int32_t code) {
    if (IsNumberEdit(controlId)) return OnEditCommand(controlId, code) ? TRUE : FALSE;
    switch (controlId) {
        case IDC_DISABLE_ALL:
        case IDC_INVERT_FACES:
        case IDC_HEIGHT_MAP_ON:
        case IDC_NORMAL_PUSH:
        case IDC_VERTEX_COLOR_PUSH:
        case IDC_FORCE_DISPLAY:
        case IDC_SELECTION_ONLY:
            return OnCheckBox(controlId);
        case IDC_COLOR_MODE:
            return OnColorModeCommand(code);
        case IDC_EXTRACT_COLORS:
            return OnExtractColors();
        case IDC_BROWSE_HEIGHT_MAP:
            return OnBrowseHeightMap(panel);
        case IDC_LOAD_HEIGHT_MAP:
            return OnLoadHeightMap();
        case IDC_FREEZE:
            return OnFreeze(panel);
        case IDC_QUICK_FREEZE:
            return OnQuickFreeze();
        case IDC_PRESET_BLACK_FRAME:
        case IDC_PRESET_COLOR_TRACE:
        case IDC_PRESET_BLUR:
        case IDC_PRESET_RESET:
        case IDC_PRESET_BOTH_SIDES:
            return ApplyPreset(panel, controlId) ? TRUE : FALSE;
        case IDOK:
            return TRUE;
        case IDCANCEL:
            SendMessageA(panel, WM_CLOSE, 0, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

void OnPanelNotify(HWND panel, const NMHDR* header) {
    if (!header) return;
    if (header->code == UDN_DELTAPOS) {
        OnSpinDelta(reinterpret_cast<const NMUPDOWN*>(header));
    } else if (header->idFrom == IDC_OBJECT_LIST) {
        OnObjectListNotify(panel, header);
    }
}

}  // namespace

// ---- shared helpers ----------------------------------------------------------------------------

HWND PanelDialog() { return panelDialog; }

HWND PanelItem(int32_t controlId) {
    if (!panelDialog) return nullptr;
    for (const auto& known : panelItems)
        if (known.first == controlId) return known.second;
    HWND item = GetDlgItem(panelDialog, controlId);
    if (item) panelItems.emplace_back(controlId, item);  // the object list comes after the others
    return item;
}

void EnableItem(int32_t controlId, bool enabled) {
    HWND item = PanelItem(controlId);
    // Only a change: a panel reload sets every control, and most keep their state.
    if (item && (IsWindowEnabled(item) != FALSE) != enabled) EnableWindow(item, enabled ? TRUE : FALSE);
}

void CheckItem(int32_t controlId, bool checked) {
    const WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
    HWND item = PanelItem(controlId);
    if (item && static_cast<WPARAM>(SendMessageA(item, BM_GETCHECK, 0, 0)) != state)
        SendMessageA(item, BM_SETCHECK, state, 0);
}

bool IsItemChecked(int32_t controlId) {
    HWND item = PanelItem(controlId);
    return item && SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void WriteItemText(int32_t controlId, const char* text) {
    HWND item = PanelItem(controlId);
    if (!item) return;
    // An edit that already shows the text is not written again: that would repaint it and pass
    // the same text through its notifications, a dozen round trips to the window manager under
    // Wine, on every reload. What those notifications would do, storing the value the text
    // stands for, is still done.
    char shown[kItemTextSize] = {};
    if (strlen(text) < sizeof shown && GetWindowTextA(item, shown, sizeof shown) > 0 && strcmp(shown, text) == 0)
        TakeEditText(controlId, text);
    else
        SetWindowTextA(item, text);
}

void WriteItemInt(int32_t controlId, int32_t value) {
    char text[32];
    snprintf(text, sizeof text, "%d", value);
    WriteItemText(controlId, text);
}

void WriteItemFloat(int32_t controlId, const char* format, double value) {
    char text[64];
    snprintf(text, sizeof text, format, value);
    WriteItemText(controlId, text);
}

ExpansionSettings* FindSettings(HostObject object) {
    return object ? Settings().find(UniqueIdOf(object)) : nullptr;
}

// ---- the dialog procedure ----------------------------------------------------------------------

INT_PTR CALLBACK ControlPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitPanel(dialog);
        return TRUE;
    case WM_CLOSE:
        // Closing only hides the panel and tells the host; the window lives until exit.
        Plugin().activate(currentDocument, false);
        return FALSE;
    case WM_NOTIFY:
        OnPanelNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (!Plugin().isActive(currentDocument)) return FALSE;
        return OnPanelCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_APP_RELOAD:
        ReloadPanel(SelectedObject());
        RequestRedraw();
        return FALSE;
    case WM_DESTROY:
        panelDialog = nullptr;
        panelItems.clear();
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- redraw and loaders ------------------------------------------------------------------------

void RequestRedraw() {
    if (rebuildPending && refreshRequested) return;  // a redraw that rebuilds is on its way
    refreshRequested = true;
    if (Host().MQ_RefreshView) Host().MQ_RefreshView(nullptr);
}

void ReloadPanel(HostObject object) {
    LoadGeneralControls(object);
    LoadPushControls(object);
    LoadHeightMapControls(object);
    LoadVertexColorControls(object);
    LoadMaterialControls(object);
}

void LoadGeneralControls(HostObject object) {
    ExpansionSettings* settings = FindSettings(object);
    if (settings) {
        CheckItem(IDC_INVERT_FACES, settings->invertFaces != 0);
        WriteItemInt(IDC_REPEAT_COUNT, settings->repeatCount);
    }
    EnableItems({IDC_REPEAT_COUNT, IDC_REPEAT_COUNT_SPIN, IDC_INVERT_FACES, IDC_PRESET_BLACK_FRAME,
                 IDC_PRESET_COLOR_TRACE, IDC_PRESET_BLUR, IDC_PRESET_RESET, IDC_PRESET_BOTH_SIDES},
                object != nullptr);
    // Only a switched-on shell can be frozen.
    bool canFreeze = settings && settings->enabled != 0;
    EnableItems({IDC_FREEZE, IDC_QUICK_FREEZE}, canFreeze);
}

void LoadPushControls(HostObject object) {
    if (!object) {
        EnableItems({IDC_NORMAL_PUSH, IDC_PUSH_DISTANCE_SPIN, IDC_PUSH_DISTANCE}, false);
        return;
    }
    ExpansionSettings* settings = FindSettings(object);
    EnableItem(IDC_NORMAL_PUSH, true);
    if (!settings) {
        EnableItems({IDC_PUSH_DISTANCE_SPIN, IDC_PUSH_DISTANCE}, false);
        return;
    }
    bool on = settings->normalPush != 0;
    CheckItem(IDC_NORMAL_PUSH, on);
    EnableItems({IDC_PUSH_DISTANCE_SPIN, IDC_PUSH_DISTANCE}, on);
    if (on) WriteItemFloat(IDC_PUSH_DISTANCE, "%0.2f", settings->pushDistance);
}

void LoadHeightMapControls(HostObject object) {
    ExpansionSettings* settings = FindSettings(object);
    bool on = settings && settings->heightMapOn != 0;
    EnableItem(IDC_HEIGHT_MAP_ON, settings != nullptr);
    CheckItem(IDC_HEIGHT_MAP_ON, on);
    EnableItems({IDC_HEIGHT_MAP_SCALE, IDC_HEIGHT_MAP_FILE, IDC_LOAD_HEIGHT_MAP,
                 IDC_BROWSE_HEIGHT_MAP, IDC_HEIGHT_MAP_SCALE_SPIN},
                on);
    if (on) {
        WriteItemFloat(IDC_HEIGHT_MAP_SCALE, "%0.1f", settings->heightMapScale);
        WriteItemText(IDC_HEIGHT_MAP_FILE, settings->heightMapFile.c_str());
    }
}

void LoadVertexColorControls(HostObject object) {
    ExpansionSettings* settings = FindSettings(object);
    bool on = settings && settings->vertexColorPush != 0;
    EnableItem(IDC_VERTEX_COLOR_PUSH, settings != nullptr);
    CheckItem(IDC_VERTEX_COLOR_PUSH, on);
    EnableItems({IDC_VERTEX_COLOR_SCALE, IDC_VERTEX_COLOR_SCALE_SPIN}, on);
    if (on) WriteItemFloat(IDC_VERTEX_COLOR_SCALE, "%0.1f", settings->vertexColorScale);
}

void LoadMaterialControls(HostObject object) {
    HWND combo = PanelItem(IDC_COLOR_MODE);
    ExpansionSettings* settings = FindSettings(object);
    int32_t mode = 0;
    if (settings) {
        mode = settings->colorMode;
        EnableItem(IDC_COLOR_MODE, true);
        WriteItemInt(IDC_BRIGHTNESS, settings->brightness);
        WriteItemInt(IDC_TRANSPARENCY, settings->transparency);
    } else {
        EnableItem(IDC_COLOR_MODE, false);
    }

    // A mode whose entry is gone (its material was removed) falls back to "変更しない".
    int32_t entry = ComboEntryForMode(combo, mode);
    if (entry < 0) {
        if (settings) settings->colorMode = Unchanged;
        mode = Unchanged;
        entry = 0;
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);

    // Document materials count as "変更しない": the shell shows the material as it is.
    int32_t kind = mode == Black || mode == ExtractedColors ? mode : Unchanged;
    EnableItem(IDC_BRIGHTNESS, kind == ExtractedColors);
    EnableItem(IDC_BRIGHTNESS_SPIN, kind != Unchanged);
    EnableItem(IDC_TRANSPARENCY, kind != Unchanged);
    EnableItem(IDC_TRANSPARENCY_SPIN, kind != Unchanged);
    EnableItem(IDC_EXTRACT_COLORS, kind == ExtractedColors);

    if (kind != Unchanged && settings) {
        EnableItem(IDC_TRANSPARENCY_SPIN, true);
        SetSpinPosition(IDC_TRANSPARENCY_SPIN, settings->transparency);
        SetSpinRange(IDC_TRANSPARENCY_SPIN, 0, 100);
        EnableItem(IDC_BRIGHTNESS_SPIN, true);
        SetSpinPosition(IDC_BRIGHTNESS_SPIN, settings->brightness);
        SetSpinRange(IDC_BRIGHTNESS_SPIN, 0, 100);
    }
}

void FillMaterialCombo() {
    HWND combo = PanelItem(IDC_COLOR_MODE);
    if (!combo) return;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    AddComboEntry(combo, "変更しない", Unchanged);
    AddComboEntry(combo, "真っ黒", Black);
    AddComboEntry(combo, "描画色", ExtractedColors);
    if (!currentDocument) return;
    int32_t count = Host().MQDoc_GetMaterialCount(currentDocument);
    for (int32_t index = 0; index < count; ++index) {
        HostMaterial material = Host().MQDoc_GetMaterial(currentDocument, index);
        if (!material) continue;
        char name[1024] = {};
        Host().MQMat_GetName(material, name, sizeof name);
        name[sizeof name - 1] = '\0';
        AddComboEntry(combo, name, kFirstDocumentMaterialMode + index);
    }
}
