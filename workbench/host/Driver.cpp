// The modeller's part: the main window, documents, loading and driving the plug-in, redraws,
// and what the plug-in left behind (draw objects, draw materials, messages).
#include <string.h>

#include "workbench/host/Model.h"
#include "workbench/host/Recorder.h"
#include "workbench/io/FileAccess.h"
#include "workbench/io/TextEncoding.h"

using namespace wb::detail;

namespace {

struct PluginState {
    HMODULE module = nullptr;
    MQCheckVersionProc checkVersion = nullptr;
    MQInitProc init = nullptr;
    MQGetPlugInIDProc getId = nullptr;
    MQGetPlugInNameProc getName = nullptr;
    MQGetPlugInTypeProc getType = nullptr;
    MQOnEventProc onEvent = nullptr;
    uint32_t firstId = 0;
    uint32_t secondId = 0;
    std::string name;
    int32_t type = 0;
};

PluginState& Plugin() {
    static PluginState plugin;
    return plugin;
}

HWND g_mainWindow = nullptr;
const char kMainClass[] = "PuffshellWorkbenchMain";

// A station callback changed the document; the change events are still to be sent.
struct DocumentChange {
    bool pending = false;
    bool materials = false;  // the document's materials changed too
    int32_t count = 0;       // callbacks that changed the document since the program started
};
DocumentChange g_change;

// What identifies the document's material list: the slots and the materials in them.
std::vector<const void*> MaterialSlots(const Document* d) {
    return std::vector<const void*>(d->materials.begin(), d->materials.end());
}

HMODULE HostModule() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&HostModule), &self);
    return self;
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        return 0;  // the host closes with its program, not with the window
    case WM_DESTROY:
        if (hwnd == g_mainWindow) g_mainWindow = nullptr;
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

template <class P>
P Proc(HMODULE m, const char* name) {
    return reinterpret_cast<P>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

// Dispatches one message, through IsDialogMessage when it belongs to a dialog.
void Dispatch(MSG& msg) {
    if (msg.hwnd) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        char cls[16] = "";
        if (root && GetClassNameA(root, cls, sizeof cls) && strcmp(cls, "#32770") == 0 &&
            IsDialogMessageA(root, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

}  // namespace

namespace wb {
namespace detail {

HWND MainWindowInternal() {
    if (g_mainWindow && IsWindow(g_mainWindow)) return g_mainWindow;
    HINSTANCE inst = HostModule();
    WNDCLASSEXA wc;
    memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(inst, kMainClass, &wc)) {
        memset(&wc, 0, sizeof wc);
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = MainWindowProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = kMainClass;
        RegisterClassExA(&wc);
    }
    g_mainWindow = CreateWindowExA(0, kMainClass, "Puffshell workbench", WS_OVERLAPPEDWINDOW,
                                   40, 40, 840, 640, nullptr, nullptr, inst, nullptr);
    if (g_mainWindow) ShowWindow(g_mainWindow, SW_SHOWNA);
    return g_mainWindow;
}

int32_t RunStationCallback(StationCallbackProc proc, void* option) {
    if (!proc) return 0;
    Document* d = Active();
    const std::vector<const void*> materials = MaterialSlots(d);
    const int32_t result = proc(ToHandle(d), option);
    // As the modeller: a callback that reports a change is followed, once the plug-in has
    // returned to the host, by the change events and a redraw of the views.
    if (result != 0) {
        g_change.pending = true;
        g_change.materials = g_change.materials || MaterialSlots(Active()) != materials;
        ++g_change.count;
        State().refreshRequested = true;
    }
    return result;
}

}  // namespace detail

// ---- documents ------------------------------------------------------------------------------

HostDocument NewDocument() {
    HostState& s = State();
    if (s.active) {
        ClearDocument(s.active);  // stale handles to it stay valid and see an empty document
        s.retired.push_back(s.active);
    }
    s.active = NewDocumentObject();
    return ToHandle(s.active);
}

HostDocument ActiveDocument() { return ToHandle(Active()); }

void SetTextureFolder(const char* folder) { State().textureFolder = SafeString(folder); }

std::string ObjectOriginalName(HostObject object) {
    const Object* o = AsObject(object);
    return o ? (o->nameOriginal.empty() ? HostToUtf8(o->name) : o->nameOriginal) : std::string();
}

void NameAfterObject(HostObject object, HostObject source, const std::string& suffix) {
    Object* o = AsObject(object);
    const Object* from = AsObject(source);
    if (!o || !from) return;
    o->name = from->name + suffix;
    o->nameOriginal = from->nameOriginal.empty() ? std::string() : from->nameOriginal + suffix;
}

std::string MaterialOriginalName(HostMaterial material) {
    const Material* m = AsMaterial(material);
    return m ? (m->nameOriginal.empty() ? HostToUtf8(m->name) : m->nameOriginal) : std::string();
}

std::string HostTextToUtf8(const std::string& text) { return HostToUtf8(text); }
std::string Utf8ToHostText(const std::string& text) { return Utf8ToHost(text); }

int32_t AddMeshObject(const char* name, const std::vector<HostPoint>& vertices,
                      const std::vector<std::vector<int32_t>>& faces) {
    Object* o = NewObject();
    o->name = SafeString(name);
    o->vertices.reserve(vertices.size());
    for (const HostPoint& p : vertices) ObjAddVertex(o, p);
    for (const auto& face : faces) {
        const int32_t n = static_cast<int32_t>(face.size());
        if (n < 1 || n > 4) continue;
        bool ok = true;
        for (int32_t v : face) ok = ok && ValidVertex(o, v);
        if (ok) ObjAddFaceUnchecked(o, n, face.data());
    }
    return DocAddObject(Active(), o);
}

std::string ElementSummary() {
    int32_t objects = 0, faces = 0, lines = 0, points = 0;
    for (const Object* o : Active()->objects) {
        if (!o) continue;
        ++objects;
        for (size_t f = 0; f < o->faces.size(); ++f) {
            const int32_t n = FacePointCount(o, static_cast<int32_t>(f));
            if (n >= 3) ++faces;
            if (n == 2) ++lines;
            if (n == 1) ++points;
        }
    }
    std::string text = std::to_string(objects) + " objects, " + std::to_string(faces) + " faces";
    if (lines) text += ", " + std::to_string(lines) + " lines";
    if (points) text += ", " + std::to_string(points) + " points";
    return text;
}

int32_t AddRawFace(HostObject object, const std::vector<int32_t>& indices) {
    Object* o = AsObject(object);
    if (!o) return -1;
    return ObjAddFaceUnchecked(o, static_cast<int32_t>(indices.size()), indices.data());
}

// ---- the plug-in ------------------------------------------------------------------------------

bool LoadPlugin(const char* dllPath, std::string* error) {
    if (Plugin().module) UnloadPlugin();
    if (!dllPath || !*dllPath) return Fail(error, "LoadPlugin: no plug-in path given");
    const std::string path = SafeString(dllPath);
    HMODULE m = LoadLibraryW(WideFromUtf8(path).c_str());
    if (!m)
        return Fail(error, path + ": LoadLibrary failed (error " + std::to_string(GetLastError()) + ")");
    PluginState p;
    p.module = m;
    p.checkVersion = Proc<MQCheckVersionProc>(m, "MQCheckVersion");
    p.init = Proc<MQInitProc>(m, "MQInit");
    p.getId = Proc<MQGetPlugInIDProc>(m, "MQGetPlugInID");
    p.getName = Proc<MQGetPlugInNameProc>(m, "MQGetPlugInName");
    p.getType = Proc<MQGetPlugInTypeProc>(m, "MQGetPlugInType");
    p.onEvent = Proc<MQOnEventProc>(m, "MQOnEvent");
    const char* missing = !p.checkVersion ? "MQCheckVersion"
                          : !p.init       ? "MQInit"
                          : !p.getId      ? "MQGetPlugInID"
                          : !p.getName    ? "MQGetPlugInName"
                          : !p.getType    ? "MQGetPlugInType"
                          : !p.onEvent    ? "MQOnEvent"
                                          : nullptr;
    if (missing) {
        FreeLibrary(m);
        return Fail(error, path + ": export " + missing + " not found");
    }
    CountLocalFreeIn(m);
    if (p.checkVersion(kWorkbenchHostVersion) == 0) {
        FreeLibrary(m);
        return Fail(error, path + ": MQCheckVersion rejected the host version");
    }
    char hostPath[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(HostModule(), hostPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        FreeLibrary(m);
        return Fail(error, "LoadPlugin: cannot get the host module's path");
    }
    if (!p.init(hostPath)) {
        FreeLibrary(m);
        return Fail(error, path + ": MQInit(\"" + hostPath + "\") answered 0");
    }
    p.getId(&p.firstId, &p.secondId);
    p.name = SafeString(p.getName());
    p.type = p.getType();

    Plugin() = p;
    HostState& s = State();
    s.redrawCount = 0;
    s.refreshCount = 0;
    s.refreshRequested = false;
    s.messages.clear();
    if (!SendEvent(kEventInitialize, nullptr)) {
        UnloadPlugin();
        return Fail(error, path + ": event 1 (initialize) answered 0");
    }
    return true;
}

void UnloadPlugin() {
    PluginState& p = Plugin();
    g_change.pending = false;
    g_change.materials = false;
    if (!p.module) return;
    SendEvent(kEventExit, nullptr);
    ClearDrawItems();
    ReleaseSpareGeometry();
    State().refreshRequested = false;
    HMODULE m = p.module;
    p = PluginState();
    FreeLibrary(m);
}

bool PluginLoaded() { return Plugin().module != nullptr; }

HMODULE PluginModule() { return Plugin().module; }

std::string PluginName() { return Plugin().name; }

int32_t PluginType() { return Plugin().type; }

int32_t SendEvent(int32_t code, void* option) {
    PluginState& p = Plugin();
    if (!p.module || !p.onEvent) return 0;
    return p.onEvent(ToHandle(Active()), code, option);
}

int32_t ActivatePlugin(bool show) {
    int32_t flag = show ? 1 : 0;
    return SendEvent(kEventActivate, &flag);
}

int32_t PumpWindowMessages() {
    int32_t count = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ++count;
        if (msg.message == WM_QUIT) continue;
        Dispatch(msg);
    }
    return count;
}

bool DeliverDocumentChange() {
    if (!g_change.pending) return false;
    const bool materials = g_change.materials;
    g_change.pending = false;
    g_change.materials = false;
    SendEvent(kEventObjectListUpdated, nullptr);
    SendEvent(kEventObjectModified, nullptr);
    if (materials) SendEvent(kEventMaterialListUpdated, nullptr);
    return true;
}

int32_t DocumentChangeCount() { return g_change.count; }

int32_t ProcessMessages() {
    HostState& s = State();
    int32_t redraws = 0;
    // A plug-in that asks for a refresh in every redraw must not hang the host.
    for (int guard = 0; guard < 64; ++guard) {
        PumpWindowMessages();
        DeliverDocumentChange();
        if (!s.refreshRequested) break;
        Redraw();
        ++redraws;
    }
    return redraws;
}

void Redraw() {
    HostState& s = State();
    ClearDrawItems();
    s.refreshRequested = false;
    if (!Plugin().module) return;
    Document* d = Active();
    int32_t width = d->scene.width;
    int32_t height = d->scene.height;
    OptionPair options[] = {{"scene", ToHandle(&d->scene)},
                            {"width", &width},
                            {"height", &height},
                            {nullptr, nullptr}};
    ++s.redrawCount;
    SendEvent(kEventDraw, options);
    if (g_mainWindow) InvalidateRect(g_mainWindow, nullptr, FALSE);
}

int32_t RedrawCount() { return State().redrawCount; }

int32_t RefreshRequestCount() { return State().refreshCount; }

bool RefreshPending() { return State().refreshRequested; }

HWND MainWindow() { return MainWindowInternal(); }

void PluginIds(uint32_t* first, uint32_t* second) {
    if (first) *first = Plugin().firstId;
    if (second) *second = Plugin().secondId;
}

// ---- what the plug-in did ---------------------------------------------------------------------

std::vector<HostObject> DrawObjects() {
    std::vector<HostObject> r;
    for (Object* o : State().drawObjects) r.push_back(ToHandle(o));
    return r;
}

std::vector<HostMaterial> DrawMaterials() {
    std::vector<HostMaterial> r;
    for (Material* m : State().drawMaterials) r.push_back(ToHandle(m));
    return r;
}

int32_t DrawMaterialIndex(HostMaterial material) {
    Material* m = AsMaterial(material);
    return (m && m->owner == Owner::Draw) ? m->drawIndex : -1;
}

std::vector<int32_t> DrawObjectVisibilities() { return State().drawVisibilities; }

uint32_t FreezeFlags(HostObject object) {
    Object* o = AsObject(object);
    return o ? o->freezeFlags : 0;
}

std::vector<ReceivedMessage> ReceivedMessages() { return State().messages.inOrder(); }

void ClearReceivedMessages() { State().messages.clear(); }

}  // namespace wb
