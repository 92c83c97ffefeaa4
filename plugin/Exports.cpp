// The plug-in's exports: the host's only way in. All but the version check and the binding
// forward to the single ShellPlugin.
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "plugin/OptionList.h"
#include "plugin/ShellPlugin.h"

namespace {

StationPluginBase& Station() { return Plugin(); }

// The integer an event's option argument points to (events 100 and 102); 0 when there is none.
int32_t PointedInt(void* option) { return option ? *static_cast<const int32_t*>(option) : 0; }

const OptionPair* Options(void* option) { return static_cast<const OptionPair*>(option); }

// Import, export, create and modify belong to other kinds of plug-in; the host never calls them
// for a station. They answer "not handled".
int32_t UnsupportedFileEntry(int32_t, const char*, HostDocument) { return 0; }
int32_t UnsupportedDocumentEntry(int32_t, HostDocument) { return 0; }

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    moduleInstance = instance;
    return TRUE;
}

uint32_t MQCheckVersion(uint32_t hostVersion) { return hostVersion >= 0x2400u ? 0x240u : 0u; }

int32_t MQInit(const char* hostModulePath) { return BindHostApi(hostModulePath) ? 1 : 0; }

void MQGetPlugInID(uint32_t* first, uint32_t* second) { Station().queryIds(first, second); }

const char* MQGetPlugInName(void) { return Station().displayName(); }

int32_t MQGetPlugInType(void) { return Station().pluginType(); }

const char* MQEnumString(int32_t index) { return index == 0 ? Station().enumString() : nullptr; }

const char* MQEnumFileType(int32_t) { return nullptr; }

const char* MQEnumFileExt(int32_t) { return nullptr; }

int32_t MQImportFile(int32_t index, const char* fileName, HostDocument doc) {
    return UnsupportedFileEntry(index, fileName, doc);
}

int32_t MQCreate(int32_t index, HostDocument doc) { return UnsupportedDocumentEntry(index, doc); }

int32_t MQOnEvent(HostDocument doc, int32_t eventCode, void* option) {
    // Every handler works through the host functions: without them there is nothing to do.
    if (!HostApiBound()) return 0;
    StationPluginBase& station = Station();
    const OptionPair* options = Options(option);
    switch (eventCode) {
    case kEventInitialize:
        return station.initialize() ? 1 : 0;
    case kEventExit:
        station.exit();
        return 1;
    case kEventActivate:
        return station.activate(doc, PointedInt(option) != 0) ? 1 : 0;
    case kEventIsActive:
        return station.isActive(doc) ? 1 : 0;
    case kEventMinimize:
        station.minimize(doc, PointedInt(option) != 0);
        return 1;
    case kEventDraw:
        station.draw(doc, static_cast<HostScene>(FindOption(options, "scene")),
                     OptionInt(options, "width", 1), OptionInt(options, "height", 1));
        return 1;
    case kEventNewDocument: {
        HostXmlElement element = static_cast<HostXmlElement>(FindOption(options, "xml_elem"));
        station.newDocument(doc, static_cast<const char*>(FindOption(options, "filename")),
                            &element);
        return 1;
    }
    case kEventEndDocument:
        station.endDocument(doc);
        return 1;
    case kEventSaveDocument: {
        bool saveUniqueIds = false;
        station.saveDocument(doc, static_cast<const char*>(FindOption(options, "filename")),
                             static_cast<HostXmlElement>(FindOption(options, "xml_elem")),
                             &saveUniqueIds);
        int32_t* saveUid = static_cast<int32_t*>(FindOption(options, "save_uid"));
        if (saveUniqueIds && saveUid) *saveUid = 1;
        return 1;
    }
    case kEventUndo:
        return station.undo(doc, OptionInt(options, "state", 0)) ? 1 : 0;
    case kEventRedo:
        return station.redo(doc, OptionInt(options, "state", 0)) ? 1 : 0;
    case kEventUndoUpdated:
        station.undoUpdated(doc, OptionInt(options, "state", 0), OptionInt(options, "size", 0));
        return 1;
    case kEventObjectListUpdated:
        station.objectListUpdated(doc);
        return 1;
    case kEventObjectModified:
        station.objectModified(doc);
        return 1;
    case kEventObjectSelected:
        station.objectSelected(doc);
        return 1;
    case kEventMaterialListUpdated:
        station.materialListUpdated(doc);
        return 1;
    case kEventMaterialModified:
        station.materialModified(doc);
        return 1;
    case kEventSceneUpdated:
        station.sceneUpdated(doc, static_cast<HostScene>(FindOption(options, "scene")));
        return 1;
    default:
        return 0;
    }
}

}  // extern "C"
