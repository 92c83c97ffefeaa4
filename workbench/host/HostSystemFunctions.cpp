// The host functions of the system family: object and material creation, views, messages,
// images, station callbacks, and the matrix and XML helpers.
#include "workbench/host/HostFunctionSupport.h"

using namespace wb::detail;

extern "C" {

// ---- system ---------------------------------------------------------------------------------

HWND MQ_GetWindowHandle(void) {
    REC0();
    return MainWindowInternal();
}

HostObject MQ_CreateObject(void) {
    REC0();
    return ToHandle(NewObject());
}

HostMaterial MQ_CreateMaterial(void) {
    REC0();
    return ToHandle(NewMaterial());
}

int32_t MQ_ShowFileDialog(const char* title, void* info) {
    REC(title, info);
    return 0;
}

void MQ_ImportAxis(void* info, HostPoint* points, int32_t count) { REC(info, points, count); }

void MQ_ExportAxis(void* info, HostPoint* points, int32_t count) { REC(info, points, count); }

int32_t MQ_LoadImage(const char* fileName, void** headerBlock, void** pixelBlock, uint32_t flags) {
    REC(fileName, headerBlock, pixelBlock, flags);
    return LoadImageBlocks(fileName, headerBlock, pixelBlock);
}

int32_t MQ_GetSystemPath(char* buffer, int32_t kind) {
    REC(buffer, kind);
    if (!buffer) return 0;
    buffer[0] = '\0';
    char path[MAX_PATH];
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&MQ_GetSystemPath), &self))
        return 0;
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    CopyText(path, buffer, MAX_PATH);
    return 1;
}

void MQ_RefreshView(void* reserved) {
    REC(reserved);
    HostState& s = State();
    s.refreshRequested = true;
    ++s.refreshCount;
}

int32_t MQ_StationCallback(StationCallbackProc proc, void* option) {
    REC(proc, option);
    return RunStationCallback(proc, option);
}

int32_t MQ_SendMessage(int32_t message, HostMessage* record) {
    REC(message, record);
    HostState& s = State();
    wb::ReceivedMessage& received = s.messages.add();
    received.code = message;
    received.firstId = received.secondId = received.reserved = 0;
    received.optionKeys.clear();  // keeps its room: short keys need no memory of their own
    OptionPair* options = nullptr;
    if (record) {
        received.firstId = record->firstId;
        received.secondId = record->secondId;
        received.reserved = record->reserved;
        options = record->options;
        if (options)
            for (int i = 0; i < 256 && options[i].key; ++i)
                received.optionKeys.push_back(SafeString(options[i].key));
    }

    switch (message) {
    case kMessageStationClosed:
        return 1;
    case kMessageCreateDrawObject: {
        Object* o = NewObject();
        TakeSpareGeometry(o);
        o->owner = Owner::Draw;
        o->name = "draw";
        OptionPair* vis = FindPair(options, "visibility");
        o->drawVisibility = (vis && vis->value) ? *static_cast<int32_t*>(vis->value) : 0;
        s.drawObjects.push_back(o);
        s.drawVisibilities.push_back(o->drawVisibility);
        if (OptionPair* result = FindPair(options, "result")) result->value = ToHandle(o);
        return 1;
    }
    case kMessageCreateDrawMaterial: {
        Material* m = NewMaterial();
        m->owner = Owner::Draw;
        // After the document's own materials (the document named in the message, else the
        // active one) and the draw materials made before it.
        OptionPair* docPair = FindPair(options, "document");
        Document* d = docPair ? AsDocument(static_cast<HostDocument>(docPair->value)) : nullptr;
        if (!d) d = Active();
        m->drawIndex = static_cast<int32_t>(d->materials.size() + s.drawMaterials.size());
        s.drawMaterials.push_back(m);
        OptionPair* index = FindPair(options, "index");
        if (index && index->value) *static_cast<int32_t*>(index->value) = m->drawIndex;
        if (OptionPair* result = FindPair(options, "result")) result->value = ToHandle(m);
        return 1;
    }
    default:
        return 0;
    }
}

// ---- misc -----------------------------------------------------------------------------------

void MQMatrix_FloatValue(float* matrix, int32_t key, float* values) {
    REC(matrix, key, values);
}

int32_t MQXmlElem_Value(HostXmlElement element, int32_t key, void* value) {
    REC(element, key, value);
    return 0;
}

}  // extern "C"

// The remaining host function, MQDoc_FindMappingFile, lives in ImageLoader.cpp with the file
// handling.
static_assert(kHostFunctionCount == 140, "the ABI has 140 host functions");
