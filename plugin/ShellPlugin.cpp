#include "plugin/ShellPlugin.h"

#include "display/DrawPass.h"
#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "ui/ControlPanel.h"
#include "ui/ObjectList.h"
#include "ui/ResourceIds.h"

ShellPlugin& Plugin() {
    static ShellPlugin plugin;
    return plugin;
}

void ShellPlugin::queryIds(uint32_t* first, uint32_t* second) {
    if (first) *first = kPluginFirstId;
    if (second) *second = kPluginSecondId;
}

const char* ShellPlugin::displayName() { return "Puffview"; }

const char* ShellPlugin::enumString() { return displayName(); }

// ---- panel life cycle ---------------------------------------------------------------------------

bool ShellPlugin::initialize() {
    HWND owner = Host().MQ_GetWindowHandle ? Host().MQ_GetWindowHandle() : nullptr;
    if (!panelWindow) {
        panelWindow = CreateDialogParamA(moduleInstance, MAKEINTRESOURCEA(IDD_CONTROL_PANEL), owner,
                                         ControlPanelProc, 0);
        if (!panelWindow) return false;
    }
    ShowWindow(panelWindow, SW_HIDE);
    UpdateWindow(panelWindow);
    panelShown = false;
    return true;
}

void ShellPlugin::exit() {
    if (panelWindow) {
        DestroyWindow(panelWindow);
        panelWindow = nullptr;
    }
}

bool ShellPlugin::activate(HostDocument document, bool show) {
    if (!panelWindow) return false;
    panelShown = show;
    if (show) {
        FillObjectList(document);
        ShowWindow(panelWindow, SW_SHOW);
        RebuildPushCache(document);
        ReloadPanel(SelectedObject());
    } else {
        ShowWindow(panelWindow, SW_HIDE);
        sendDeactivated();
    }
    UpdateWindow(panelWindow);
    // A refresh requested while the panel was closed reached a draw pass that did nothing; the
    // shells must be brought back now, so showing the panel always asks for one.
    if (show) refreshRequested = false;
    RequestRedraw();
    currentDocument = document;
    return panelShown;
}

bool ShellPlugin::isActive(HostDocument document) {
    if (!panelWindow) return false;
    currentDocument = document;
    return panelShown;
}

void ShellPlugin::minimize(HostDocument document, bool minimized) {
    if (panelWindow) {
        ShowWindow(panelWindow, !minimized && panelShown ? SW_SHOW : SW_HIDE);
        UpdateWindow(panelWindow);
    }
    currentDocument = document;
}

void ShellPlugin::draw(HostDocument document, HostScene, int32_t, int32_t) { DrawPass(document); }

// ---- document changes ---------------------------------------------------------------------------

bool ShellPlugin::acceptsChanges(HostDocument document) {
    return isActive(document) && disableAll == 0;
}

bool ShellPlugin::undo(HostDocument document, int32_t) {
    if (acceptsChanges(document)) rebuildPending = true;
    return false;
}

bool ShellPlugin::redo(HostDocument document, int32_t) {
    if (acceptsChanges(document)) rebuildPending = true;
    return false;
}

void ShellPlugin::objectModified(HostDocument document) {
    if (!acceptsChanges(document)) return;
    rebuildPending = true;
    RequestRedraw();
}

void ShellPlugin::objectSelected(HostDocument document) {
    if (acceptsChanges(document) && selectionOnly) rebuildPending = true;
}

void ShellPlugin::objectListUpdated(HostDocument document) {
    if (acceptsChanges(document)) rebuildPending = true;
}

void ShellPlugin::materialModified(HostDocument document) {
    if (!acceptsChanges(document)) return;
    HostObject object = SelectedObject();
    if (!object) return;
    FillMaterialCombo();
    LoadMaterialControls(object);
}

void ShellPlugin::materialListUpdated(HostDocument document) { materialModified(document); }

// ---- host messages ------------------------------------------------------------------------------

namespace {

int32_t SendHostMessage(ShellPlugin& plugin, int32_t code, OptionPair* options) {
    HostMessage record = {};
    plugin.queryIds(&record.firstId, &record.secondId);
    record.reserved = 0;
    record.options = options;
    return Host().MQ_SendMessage ? Host().MQ_SendMessage(code, &record) : 0;
}

}  // namespace

void ShellPlugin::sendDeactivated() {
    OptionPair options[] = {{nullptr, nullptr}};
    SendHostMessage(*this, kMessageStationClosed, options);
}

HostObject ShellPlugin::createDrawObject(HostDocument document, int32_t visibility) {
    OptionPair options[] = {
        {"document", document},
        {"visibility", &visibility},
        {"result", nullptr},
        {nullptr, nullptr},
    };
    SendHostMessage(*this, kMessageCreateDrawObject, options);
    return static_cast<HostObject>(options[2].value);
}

HostMaterial ShellPlugin::createDrawMaterial(HostDocument document, int32_t* outIndex) {
    int32_t index = -1;
    OptionPair options[] = {
        {"document", document},
        {"index", &index},
        {"result", nullptr},
        {nullptr, nullptr},
    };
    SendHostMessage(*this, kMessageCreateDrawMaterial, options);
    if (outIndex) *outIndex = index;
    return static_cast<HostMaterial>(options[2].value);
}

// ---- station callback ---------------------------------------------------------------------------

namespace {

// What runInDocument hands to the host for the callback.
struct StationCallbackRecord {
    StationPluginBase* plugin;
    DocumentFunction* function;
};

int32_t StationCallbackEntry(HostDocument document, void* option) {
    StationCallbackRecord* record = static_cast<StationCallbackRecord*>(option);
    if (!record || !record->plugin) return 0;
    return record->plugin->onStationCallback(document, record->function) ? 1 : 0;
}

}  // namespace

int32_t ShellPlugin::runInDocument(DocumentFunction function) {
    StationCallbackRecord record = {this, &function};
    if (!Host().MQ_StationCallback) return 0;
    return Host().MQ_StationCallback(StationCallbackEntry, &record);
}

bool ShellPlugin::onStationCallback(HostDocument document, void* option) {
    currentDocument = document;
    DocumentFunction* function = static_cast<DocumentFunction*>(option);
    if (!function || !*function) return false;
    return (*function)(document);
}
