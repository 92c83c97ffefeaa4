#include "workbench/panel/PanelDriver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <utility>

#include <commctrl.h>

#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"
#include "workbench/render/Render.h"

namespace panel {

const char kPanelCaption[] = "ポリゴン拡張 -Puffshell-";

namespace {

const int32_t kObjectListId = IDC_OBJECT_LIST;

// The file-name box of the explorer-style open-file dialog and of the old one.
const int32_t kFileNameCombo = 0x47C;
const int32_t kFileNameEdit = 0x480;

// ---- dialog answering, inside the modal dialog's message loop ----------------------------------
// The answer comes as soon as the dialog shows: a hook on window activation posts a wake-up
// message, and the dialog loop hands every message it takes to the message-filter hook, which
// answers there. A dialog answered as soon as it is made needs no hook: a wake-up posted to a
// window of the driver's own before the dialog opens is the first message its loop dispatches.
// A thread timer, ticking as often as Windows allows, is the fallback, and cancels dialogs that
// keep coming.

struct DialogAnswer {
    const std::function<void(HWND)>* answer = nullptr;
    HWND panel = nullptr;
    HWND answered = nullptr;
    DWORD started = 0;
    bool beforeShown = false;  // answer the panel's own dialog as soon as it exists
};
DialogAnswer* pendingAnswer = nullptr;
// How long dialogs may keep coming before whatever shows is cancelled: 10 s, times
// PUFFSHELL_TIME_SCALE in an emulated run (qemu-user), which is that many times slower.
DWORD DialogTimeoutMs() {
    static const DWORD timeout = [] {
        const char* scale = getenv("PUFFSHELL_TIME_SCALE");
        const int factor = scale ? atoi(scale) : 1;
        return static_cast<DWORD>(10000 * (factor > 1 && factor <= 100 ? factor : 1));
    }();
    return timeout;
}

BOOL CALLBACK FindModalDialog(HWND window, LPARAM found) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    const bool ready = IsWindowVisible(window) ||
                       (pendingAnswer->beforeShown && GetWindow(window, GW_OWNER) == pendingAnswer->panel);
    if (window != pendingAnswer->panel && ready && strcmp(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Answers the modal dialog that shows, once per dialog.
void AnswerShownDialog() {
    DialogAnswer* pending = pendingAnswer;
    if (!pending) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModalDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    if (GetTickCount() - pending->started > DialogTimeoutMs()) {
        // Dialogs still keep coming (the answer did not close one, or it opened another):
        // cancel whatever shows, so that the caller goes on.
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (pending->answered != dialog) {
        pending->answered = dialog;
        (*pending->answer)(dialog);
    }
}

void CALLBACK OnAnswerTimer(HWND, UINT, UINT_PTR, DWORD) { AnswerShownDialog(); }

UINT WakeUpMessage() {
    static const UINT message = RegisterWindowMessageA("Puffshell workbench: answer the dialog");
    return message;
}

LRESULT CALLBACK OnWindowActivated(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && pendingAnswer)
        PostMessageA(reinterpret_cast<HWND>(wParam), WakeUpMessage(), 0, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK OnAnswerWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WakeUpMessage()) return DefWindowProcA(window, message, wParam, lParam);
    AnswerShownDialog();
    return 0;
}

// A message-only window of this thread that answers the dialog when it gets the wake-up.
HWND AnswerWindow() {
    static const HWND window = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = OnAnswerWindowMessage;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Puffshell workbench dialog answer";
        RegisterClassA(&windowClass);
        return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    }();
    return window;
}

LRESULT CALLBACK OnDialogLoopMessage(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && pendingAnswer) {
        AnswerShownDialog();
        if (message && message->message == WakeUpMessage()) return TRUE;  // ours: taken
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool LoadPuffshell(std::string* error) {
    return wb::LoadPlugin(BesideThisProgram("Puffshell.dll").c_str(), error);
}

namespace {
// The panel and its controls as last found. Searching the desktop's windows and the panel's
// children asks Wine's window server every time, and a script clicks thousands of times; the
// plug-in may close its panel and make a new one, so a found window is checked before use.
HWND knownPanel = nullptr;
std::vector<std::pair<int32_t, HWND>> knownItems;

bool IsPanel(HWND window) {
    char caption[sizeof kPanelCaption + 1] = {};
    return IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
           GetWindowTextA(window, caption, sizeof caption) >= 0 && strcmp(caption, kPanelCaption) == 0;
}
}  // namespace

HWND FindPanel() {
    if (knownPanel && IsPanel(knownPanel)) return knownPanel;
    knownPanel = nullptr;
    knownItems.clear();
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, kPanelCaption); window;
         window = FindWindowExA(nullptr, window, nullptr, kPanelCaption)) {
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return knownPanel = window;
    }
    return nullptr;
}

HWND Item(int32_t controlId) {
    HWND panel = FindPanel();
    if (!panel) return nullptr;
    for (auto& known : knownItems) {
        if (known.first != controlId) continue;
        if (!IsWindow(known.second)) known.second = GetDlgItem(panel, controlId);
        return known.second;
    }
    HWND item = GetDlgItem(panel, controlId);
    if (item) knownItems.emplace_back(controlId, item);
    return item;
}

HWND ObjectList() { return Item(kObjectListId); }

// ---- the person at the panel -------------------------------------------------------------------

void Click(int32_t controlId) { SendMessageA(Item(controlId), BM_CLICK, 0, 0); }

void Type(int32_t controlId, const char* text) { SetWindowTextA(Item(controlId), text); }

void SpinUp(int32_t spinId) {
    HWND spin = Item(spinId);
    SendMessageA(spin, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(spin, WM_KEYUP, VK_UP, 0);
}

void SpinDown(int32_t spinId) {
    HWND spin = Item(spinId);
    SendMessageA(spin, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(spin, WM_KEYUP, VK_DOWN, 0);
}

void ChooseComboEntry(int32_t controlId, int32_t entry) {
    // What the drop-down list does when the user picks an entry with the mouse.
    HWND combo = Item(controlId);
    if (!IsWindowEnabled(combo)) return;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    SendMessageA(FindPanel(), WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void TickRow(int32_t row, bool checked) {
    ListView_SetCheckState(ObjectList(), row, checked ? TRUE : FALSE);
}

void SelectRowWithKeyboard(int32_t row) {
    ListView_SetItemState(ObjectList(), row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
}

void ClickRow(int32_t row) {
    // A click selects the row, then the list reports the click to the panel.
    HWND list = ObjectList();
    SelectRowWithKeyboard(row);
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = kObjectListId;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    SendMessageA(FindPanel(), WM_NOTIFY, kObjectListId, reinterpret_cast<LPARAM>(&click));
}

void HoldPainting(bool hold) {
    HWND window = FindPanel();
    if (!window) return;
    SendMessageA(window, WM_SETREDRAW, hold ? FALSE : TRUE, 0);
    if (!hold) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// ---- what the person sees ----------------------------------------------------------------------

std::string Text(int32_t controlId) {
    char text[1024] = {};
    GetWindowTextA(Item(controlId), text, sizeof text);
    return text;
}

bool Enabled(int32_t controlId) { return IsWindowEnabled(Item(controlId)) != FALSE; }

bool Checked(int32_t controlId) {
    return SendMessageA(Item(controlId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> ComboEntries(int32_t controlId) {
    HWND combo = Item(controlId);
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[1024] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::string ComboSelection(int32_t controlId) {
    LRESULT selected = SendMessageA(Item(controlId), CB_GETCURSEL, 0, 0);
    if (selected < 0) return "";
    std::vector<std::string> entries = ComboEntries(controlId);
    return static_cast<size_t>(selected) < entries.size() ? entries[selected] : "";
}

int32_t RowCount() { return ListView_GetItemCount(ObjectList()); }

std::string RowText(int32_t row) {
    char text[2048] = {};
    ListView_GetItemText(ObjectList(), row, 0, text, sizeof text);
    return text;
}

bool RowChecked(int32_t row) { return ListView_GetCheckState(ObjectList(), row) != 0; }

int32_t SelectedRow() {
    return static_cast<int32_t>(ListView_GetNextItem(ObjectList(), -1, LVNI_SELECTED));
}

// ---- modal dialogs -----------------------------------------------------------------------------

bool AnswerDialog(const std::function<void()>& action, const std::function<void(HWND)>& answer,
                  DialogMoment moment) {
    DialogAnswer pending;
    pending.answer = &answer;
    pending.panel = FindPanel();
    pending.started = GetTickCount();
    HWND wakeUp = moment == DialogMoment::Made && pending.panel ? AnswerWindow() : nullptr;
    pending.beforeShown = wakeUp != nullptr;
    if (wakeUp) PostMessageA(wakeUp, WakeUpMessage(), 0, 0);
    DialogAnswer* outer = pendingAnswer;  // a dialog answered from inside another's answer
    pendingAnswer = &pending;
    // Hooks make Windows call them for every window made, focused or destroyed meanwhile, and
    // for every message of the dialog's loop; a dialog answered before it shows needs neither.
    HHOOK activation = wakeUp ? nullptr : SetWindowsHookExA(WH_CBT, OnWindowActivated, nullptr, GetCurrentThreadId());
    HHOOK filter = wakeUp ? nullptr : SetWindowsHookExA(WH_MSGFILTER, OnDialogLoopMessage, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, OnAnswerTimer);
    action();
    KillTimer(nullptr, timer);
    MSG unused;
    if (wakeUp) PeekMessageA(&unused, wakeUp, WakeUpMessage(), WakeUpMessage(), PM_REMOVE);
    if (filter) UnhookWindowsHookEx(filter);
    if (activation) UnhookWindowsHookEx(activation);
    pendingAnswer = outer;
    return pending.answered != nullptr;
}

std::string DialogText(HWND dialog) {
    // A message box's text is its static control 0xFFFF.
    char text[1024] = {};
    GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
    return text;
}

std::string WindowCaption(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool ChooseFile(int32_t buttonId, const std::string& path) {
    // The open-file dialog moves the process's current folder to the chosen file's; a person's
    // program would not notice, but relative paths of the caller would change meaning.
    char folder[MAX_PATH] = "";
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    const bool shown = AnswerDialog([buttonId] { Click(buttonId); },
                        [&path](HWND dialog) {
                            if (path.empty()) {
                                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                                return;
                            }
                            SetDlgItemTextA(dialog, kFileNameCombo, path.c_str());
                            SetDlgItemTextA(dialog, kFileNameEdit, path.c_str());
                            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                        });
    if (length > 0 && length < MAX_PATH) SetCurrentDirectoryA(folder);
    return shown;
}

bool FreezeWithDialog(int32_t placementId, bool resetColors, std::string* said) {
    if (said) said->clear();
    bool shown = false;
    AnswerDialog([] { Click(IDC_FREEZE); },
                 [placementId, resetColors, said, &shown](HWND dialog) {
                     HWND placement = GetDlgItem(dialog, placementId);
                     if (!placement) {
                         // Not the freeze dialog: the plug-in's word on the freeze.
                         if (said) *said = DialogText(dialog);
                         PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                         return;
                     }
                     shown = true;
                     if (SendMessageA(placement, BM_GETCHECK, 0, 0) != BST_CHECKED)
                         SendMessageA(placement, BM_CLICK, 0, 0);
                     HWND reset = GetDlgItem(dialog, IDC_FREEZE_RESET_COLORS);
                     const bool ticked = SendMessageA(reset, BM_GETCHECK, 0, 0) == BST_CHECKED;
                     if (ticked != resetColors) SendMessageA(reset, BM_CLICK, 0, 0);
                     SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                 },
                 DialogMoment::Made);
    return shown;
}

void QuickFreeze(std::string* said) {
    if (said) said->clear();
    AnswerDialog([] { Click(IDC_QUICK_FREEZE); },
                 [said](HWND box) {
                     if (said) *said = DialogText(box);
                     PostMessageA(box, WM_COMMAND, IDOK, 0);
                 });
}

// ---- pictures ----------------------------------------------------------------------------------

bool CapturePanel(int32_t* width, int32_t* height, std::vector<uint8_t>* rgba) {
    HWND window = FindPanel();
    if (!window || !width || !height || !rgba) return false;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);

    RECT frame;
    GetWindowRect(window, &frame);
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        // The window as it stands on the (virtual) screen, frame included. (Wine's PrintWindow
        // paints the dialog's background but none of its controls, so the screen it is.)
        copied = BitBlt(memory, 0, 0, w, h, screen, frame.left, frame.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (copied) {
        rgba->resize(static_cast<size_t>(w) * h * 4);
        const uint8_t* source = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < rgba->size(); i += 4) {
            (*rgba)[i] = source[i + 2];
            (*rgba)[i + 1] = source[i + 1];
            (*rgba)[i + 2] = source[i];
            (*rgba)[i + 3] = 255;
        }
        *width = w;
        *height = h;
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied;
}

bool SavePanelPicture(const std::string& path) {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    return CapturePanel(&width, &height, &rgba) && WritePng(path.c_str(), width, height, rgba);
}

std::string SavePanelScreenshot(const char* fileName) {
    CreateDirectoryW(wb::WideFromUtf8(BesideThisProgram("screenshots")).c_str(), nullptr);
    const std::string path = BesideThisProgram((std::string("screenshots\\") + fileName).c_str());
    return SavePanelPicture(path) ? path : "";
}

}  // namespace panel
