// HostApi: the host functions, bound by name when the host initialises the plug-in. Every call
// the plug-in makes into the host goes through the one instance returned by Host().
#pragma once

#include "plugin/HostAbi.h"

struct HostApi {
#define HOST_API_MEMBER(ret, name, params) ret(*name) params = nullptr;
    HOST_FUNCTIONS(HOST_API_MEMBER)
#undef HOST_API_MEMBER
};

// The process-wide binding. Inline: every host call of the plug-in goes through it, many per
// vertex and face in a redraw.
extern HostApi g_hostApi;
inline HostApi& Host() { return g_hostApi; }

// Loads the module at hostModulePath, looks up the 140 host functions in their fixed order and
// stores each address in Host(). Stops at the first missing name; addresses stored before it stay.
// The module reference taken here is released in every case. True when every name was found.
bool BindHostApi(const char* hostModulePath);

// True after a binding that found every host function. Until then the plug-in calls nothing.
bool HostApiBound();
