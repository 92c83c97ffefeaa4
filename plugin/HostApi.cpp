#include "plugin/HostApi.h"

// Constant-initialised (every member a null pointer), so it is usable before any constructor runs.
HostApi g_hostApi;

namespace {

bool hostApiBound = false;

struct HostFunctionSlot {
    const char* name;
    void** address;
};

}  // namespace

bool BindHostApi(const char* hostModulePath) {
    hostApiBound = false;
    if (!hostModulePath) return false;
    HMODULE module = LoadLibraryA(hostModulePath);
    if (!module) return false;

    HostApi& api = Host();
#define HOST_API_SLOT(ret, name, params) {#name, reinterpret_cast<void**>(&api.name)},
    const HostFunctionSlot slots[] = {HOST_FUNCTIONS(HOST_API_SLOT)};
#undef HOST_API_SLOT
    static_assert(sizeof(slots) / sizeof(slots[0]) == kHostFunctionCount, "140 host functions");

    bool allFound = true;
    for (const HostFunctionSlot& slot : slots) {
        FARPROC address = GetProcAddress(module, slot.name);
        if (!address) {
            allFound = false;
            break;
        }
        *slot.address = reinterpret_cast<void*>(address);
    }
    // The host module stays loaded by the host itself; the plug-in keeps only the addresses.
    FreeLibrary(module);
    hostApiBound = allFound;
    return allFound;
}

bool HostApiBound() { return hostApiBound; }
