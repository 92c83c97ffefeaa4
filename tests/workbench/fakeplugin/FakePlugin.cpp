// A tiny station plug-in for the workbench host's own tests (WorkbenchFakePlugin.dll). It binds
// the 140 host functions by name the way Puffshell does, keeps a log of the events it received,
// shows one window owned by the host's main window, and on every redraw asks for one draw
// material and one draw object per document object, into which it merges the object.
// Extra exports (Fake*) let the tests look inside and make it misbehave on purpose.
#include <string.h>

#include <string>
#include <vector>

#include "plugin/HostAbi.h"

namespace {

struct Bound {
#define FAKE_MEMBER(ret, name, params) ret(*name) params = nullptr;
    HOST_FUNCTIONS(FAKE_MEMBER)
#undef FAKE_MEMBER
};

Bound g_host;
int g_boundCount = 0;
std::string g_hostPath;
std::vector<int32_t> g_events;
HWND g_window = nullptr;
HINSTANCE g_instance = nullptr;
int32_t g_lastWidth = 0, g_lastHeight = 0;
HostScene g_lastScene = nullptr;
int32_t g_drawMaterialIndex = -2;
int g_refreshInDraw = 0;  // MQ_RefreshView calls to make inside each redraw
int32_t g_stationResult = 0;

constexpr uint32_t kFirstId = 0x46414B45;  // "FAKE"
constexpr uint32_t kSecondId = 0x00000001;

const char* FindKey(OptionPair* list, const char* key, void** value) {
    for (int i = 0; list && list[i].key; ++i)
        if (strcmp(list[i].key, key) == 0) {
            *value = list[i].value;
            return list[i].key;
        }
    *value = nullptr;
    return nullptr;
}

int32_t IntOption(void* option, const char* key, int32_t fallback) {
    void* value = nullptr;
    FindKey(static_cast<OptionPair*>(option), key, &value);
    return value ? *static_cast<int32_t*>(value) : fallback;
}

void Draw(HostDocument doc, void* option) {
    void* scene = nullptr;
    FindKey(static_cast<OptionPair*>(option), "scene", &scene);
    g_lastScene = static_cast<HostScene>(scene);
    g_lastWidth = IntOption(option, "width", -1);
    g_lastHeight = IntOption(option, "height", -1);

    int32_t index = -1;
    OptionPair matOptions[] = {{"document", doc}, {"index", &index}, {"result", nullptr}, {nullptr, nullptr}};
    HostMessage matMessage{kFirstId, kSecondId, 0, matOptions};
    g_host.MQ_SendMessage(kMessageCreateDrawMaterial, &matMessage);
    g_drawMaterialIndex = index;

    const int32_t count = g_host.MQDoc_GetObjectCount(doc);
    for (int32_t i = 0; i < count; ++i) {
        HostObject obj = g_host.MQDoc_GetObject(doc, i);
        if (!obj) continue;
        int32_t visibility = 1;
        OptionPair options[] = {{"document", doc}, {"visibility", &visibility}, {"result", nullptr}, {nullptr, nullptr}};
        HostMessage message{kFirstId, kSecondId, 0, options};
        g_host.MQ_SendMessage(kMessageCreateDrawObject, &message);
        HostObject draw = static_cast<HostObject>(options[2].value);
        if (!draw) continue;
        g_host.MQObj_Merge(draw, obj);
        const int32_t faces = g_host.MQObj_GetFaceCount(draw);
        for (int32_t f = 0; f < faces; ++f) g_host.MQObj_SetFaceMaterial(draw, f, index);
        g_host.MQObj_Freeze(draw, 2);
    }
    for (int i = 0; i < g_refreshInDraw; ++i) g_host.MQ_RefreshView(nullptr);
}

int32_t StationProc(HostDocument doc, void* option) {
    g_stationResult = g_host.MQDoc_GetObjectCount(doc);
    return option ? *static_cast<int32_t*>(option) : 0;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    g_instance = instance;
    return TRUE;
}

__declspec(dllexport) uint32_t MQCheckVersion(uint32_t hostVersion) {
    return hostVersion >= 0x2400 ? 0x240 : 0;
}

__declspec(dllexport) int32_t MQInit(const char* hostModulePath) {
    g_hostPath = hostModulePath ? hostModulePath : "";
    HMODULE host = LoadLibraryA(hostModulePath);
    if (!host) return 0;
    g_boundCount = 0;
    bool all = true;
#define FAKE_BIND(ret, name, params)                                                           \
    if (all) {                                                                                 \
        g_host.name = reinterpret_cast<ret(*) params>(reinterpret_cast<void*>(GetProcAddress(host, #name))); \
        if (g_host.name) ++g_boundCount; else all = false;                                     \
    }
    HOST_FUNCTIONS(FAKE_BIND)
#undef FAKE_BIND
    FreeLibrary(host);
    return all ? 1 : 0;
}

__declspec(dllexport) void MQGetPlugInID(uint32_t* first, uint32_t* second) {
    if (first) *first = kFirstId;
    if (second) *second = kSecondId;
}

__declspec(dllexport) const char* MQGetPlugInName(void) { return "FakePlugin"; }
__declspec(dllexport) int32_t MQGetPlugInType(void) { return 6; }
__declspec(dllexport) const char* MQEnumString(int32_t index) { return index == 0 ? "FakePlugin" : nullptr; }
__declspec(dllexport) const char* MQEnumFileType(int32_t) { return nullptr; }
__declspec(dllexport) const char* MQEnumFileExt(int32_t) { return nullptr; }
__declspec(dllexport) int32_t MQImportFile(int32_t, const char*, HostDocument) { return 0; }
__declspec(dllexport) int32_t MQExportFile(int32_t, const char*, HostDocument) { return 0; }
__declspec(dllexport) int32_t MQCreate(int32_t, HostDocument) { return 0; }
__declspec(dllexport) int32_t MQModifyObject(int32_t, HostDocument) { return 0; }
__declspec(dllexport) int32_t MQModifySelect(int32_t, HostDocument) { return 0; }

__declspec(dllexport) int32_t MQOnEvent(HostDocument doc, int32_t code, void* option) {
    g_events.push_back(code);
    switch (code) {
    case kEventInitialize:
        g_window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "Fake plug-in panel",
                                   WS_POPUP | WS_CAPTION | WS_BORDER | SS_CENTER, 60, 60, 200, 120,
                                   g_host.MQ_GetWindowHandle(), nullptr, g_instance, nullptr);
        return g_window ? 1 : 0;
    case kEventExit:
        if (g_window) DestroyWindow(g_window);
        g_window = nullptr;
        return 1;
    case kEventActivate: {
        const int32_t show = option ? *static_cast<int32_t*>(option) : 0;
        if (g_window) ShowWindow(g_window, show ? SW_SHOWNA : SW_HIDE);
        if (!show) {
            OptionPair none[] = {{nullptr, nullptr}};
            HostMessage message{kFirstId, kSecondId, 0, none};
            g_host.MQ_SendMessage(kMessageStationClosed, &message);
        }
        g_host.MQ_RefreshView(nullptr);
        return show;
    }
    case kEventDraw:
        Draw(doc, option);
        return 1;
    default:
        return 1;
    }
}

// ---- for the tests ----------------------------------------------------------------------------

__declspec(dllexport) int32_t FakeBoundCount(void) { return g_boundCount; }
__declspec(dllexport) const char* FakeHostPath(void) { return g_hostPath.c_str(); }
__declspec(dllexport) int32_t FakeEventCount(void) { return static_cast<int32_t>(g_events.size()); }
__declspec(dllexport) int32_t FakeEvent(int32_t i) {
    return (i >= 0 && static_cast<size_t>(i) < g_events.size()) ? g_events[i] : -1;
}
__declspec(dllexport) HWND FakeWindow(void) { return g_window; }
__declspec(dllexport) void FakeLastDraw(int32_t* width, int32_t* height, HostScene* scene, int32_t* materialIndex) {
    *width = g_lastWidth;
    *height = g_lastHeight;
    *scene = g_lastScene;
    *materialIndex = g_drawMaterialIndex;
}
__declspec(dllexport) void FakeSetRefreshInDraw(int32_t n) { g_refreshInDraw = n; }
__declspec(dllexport) void FakeRefresh(void) { g_host.MQ_RefreshView(nullptr); }
// Loads an image through the host and releases both blocks with this module's LocalFree.
__declspec(dllexport) int32_t FakeLoadAndFreeImage(const char* path) {
    void* header = nullptr;
    void* pixels = nullptr;
    const int32_t ok = g_host.MQ_LoadImage(path, &header, &pixels, 0);
    if (header) LocalFree(header);
    if (pixels) LocalFree(pixels);
    return ok;
}
// Runs StationProc through MQ_StationCallback with option value; returns its result and stores
// the object count the callback saw.
__declspec(dllexport) int32_t FakeStationCallback(int32_t value, int32_t* objectCount) {
    g_stationResult = -1;
    const int32_t r = g_host.MQ_StationCallback(StationProc, &value);
    *objectCount = g_stationResult;
    return r;
}

}  // extern "C"
