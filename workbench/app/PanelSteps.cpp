#include "workbench/app/PanelSteps.h"

#include <stdio.h>

#include "plugin/HostAbi.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"
#include "workbench/panel/PanelDriver.h"

namespace workbench {

namespace {

int32_t PresetButton(Preset preset) {
    switch (preset) {
        case Preset::BlackFrame: return IDC_PRESET_BLACK_FRAME;
        case Preset::ColourTrace: return IDC_PRESET_COLOR_TRACE;
        case Preset::Blur: return IDC_PRESET_BLUR;
        case Preset::BothSides: return IDC_PRESET_BOTH_SIDES;
        case Preset::Reset: return IDC_PRESET_RESET;
        case Preset::None: break;
    }
    return 0;
}

// Lets posted messages (the panel's reloads) arrive, without redrawing the view.
void LetPanelReload() { wb::PumpWindowMessages(); }

}  // namespace

bool OpenPanel(const std::string& pluginPath, std::string* error) {
    if (!wb::LoadPlugin(pluginPath.c_str(), error)) return false;
    if (!wb::ActivatePlugin(true) || !panel::FindPanel()) {
        *error = pluginPath + ": the plug-in shows no Puffshell panel";
        wb::UnloadPlugin();
        return false;
    }
    wb::ProcessMessages();
    return true;
}

void ClosePanel() {
    if (!wb::PluginLoaded()) return;
    wb::ActivatePlugin(false);
    wb::ProcessMessages();
    wb::UnloadPlugin();
    wb::PumpWindowMessages();
}

int32_t RowCount() { return panel::RowCount(); }

int32_t RowOfObject(int32_t objectIndex) {
    HostDocument doc = wb::ActiveDocument();
    if (objectIndex < 0 || objectIndex >= MQDoc_GetObjectCount(doc) || !MQDoc_GetObject(doc, objectIndex))
        return -1;
    int32_t row = 0;
    for (int32_t i = 0; i < objectIndex; ++i)
        if (MQDoc_GetObject(doc, i)) ++row;
    return row;
}

HostObject RowObject(int32_t row) {
    HostDocument doc = wb::ActiveDocument();
    for (int32_t i = 0, seen = 0; i < MQDoc_GetObjectCount(doc); ++i) {
        HostObject object = MQDoc_GetObject(doc, i);
        if (object && seen++ == row) return object;
    }
    return nullptr;
}

void SelectRow(int32_t row) {
    panel::ClickRow(row);
    LetPanelReload();
}

void TickRow(int32_t row, bool on) {
    if (panel::RowChecked(row) != on) panel::TickRow(row, on);
    LetPanelReload();
}

void PressPreset(Preset preset) {
    const int32_t button = PresetButton(preset);
    if (!button) return;
    panel::Click(button);
    LetPanelReload();
}

bool TypeDistance(float distance) {
    if (!panel::Enabled(IDC_PUSH_DISTANCE)) return false;
    char text[64];
    snprintf(text, sizeof text, "%0.2f", distance);
    panel::Type(IDC_PUSH_DISTANCE, text);
    return true;
}

void TypeRepeat(int32_t count) {
    char text[32];
    snprintf(text, sizeof text, "%d", count);
    panel::Type(IDC_REPEAT_COUNT, text);
}

bool LoadHeightMap(const std::string& path, float scale, std::string* error) {
    if (!panel::Checked(IDC_HEIGHT_MAP_ON)) panel::Click(IDC_HEIGHT_MAP_ON);
    LetPanelReload();
    char text[64];
    snprintf(text, sizeof text, "%0.1f", scale);
    panel::Type(IDC_HEIGHT_MAP_SCALE, text);
    // The plug-in's open-file dialog takes names in code page 932: a name with other characters
    // goes in by its short form.
    const std::string typed = wb::HostReadablePath(path);
    if (typed.empty() || !panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, typed) ||
        panel::Text(IDC_HEIGHT_MAP_FILE) != typed) {
        *error = path + ": the panel's open-file dialog did not take the file";
        return false;
    }
    std::string boxText;
    const bool complained = panel::AnswerDialog([] { panel::Click(IDC_LOAD_HEIGHT_MAP); },
                                                [&boxText](HWND box) {
                                                    boxText = panel::DialogText(box);
                                                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                                                });
    LetPanelReload();
    if (complained) {
        *error = path + ": the plug-in could not load it as a height map";
        return false;
    }
    return true;
}

bool FreezeSelected(FreezeMode mode, std::string* error) {
    const int32_t button = mode == FreezeMode::Quick ? IDC_QUICK_FREEZE : IDC_FREEZE;
    if (!panel::Enabled(button)) {
        *error = "the freeze buttons are disabled: the selected object's shell is off";
        return false;
    }
    bool done = true;
    std::string said;  // the plug-in's message box, if it showed one
    const int32_t changesBefore = wb::DocumentChangeCount();
    switch (mode) {
        case FreezeMode::New:
            done = panel::FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false, &said);
            break;
        case FreezeMode::Add:
            done = panel::FreezeWithDialog(IDC_FREEZE_ADD_TO_SOURCE, false, &said);
            break;
        case FreezeMode::Replace:
            done = panel::FreezeWithDialog(IDC_FREEZE_REPLACE_SOURCE, false, &said);
            break;
        case FreezeMode::Quick:
            panel::QuickFreeze(&said);
            break;
    }
    if (!done) {
        *error = "the freeze dialog did not show up";
        return false;
    }
    if (wb::DocumentChangeCount() == changesBefore) {
        *error = "the plug-in froze nothing";
        if (said.empty()) return false;
        // The plug-in's word: the shell does not fit. On one line, the box's two sentences
        // joined as Japanese joins them, without a space.
        std::string line;
        for (char c : said)
            if (c != '\r' && c != '\n') line += c;
        *error += ", saying \"" + line +
                  "\" (the shell does not fit in this process's memory: lower --repeat";
        *error += sizeof(void*) == 4 ? ", or use the 64-bit build)" : ")";
        return false;
    }
    wb::DeliverDocumentChange();  // the host's next step after the plug-in returned
    LetPanelReload();
    return true;
}

void NameFrozenShells(const std::vector<std::pair<int32_t, HostObject>>& shells) {
    HostDocument doc = wb::ActiveDocument();
    bool renamed = false;
    for (const auto& shell : shells) {
        if (HostObject object = MQDoc_GetObject(doc, shell.first)) {
            wb::NameAfterObject(object, shell.second, " shell");
            renamed = true;
        }
    }
    if (renamed) AnnounceDocumentChange();
}

void AnnounceDocumentChange() {
    wb::SendEvent(kEventObjectListUpdated, nullptr);
    wb::SendEvent(kEventObjectModified, nullptr);
    wb::SendEvent(kEventMaterialListUpdated, nullptr);
}

}  // namespace workbench
