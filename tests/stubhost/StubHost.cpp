// A host module that exports the host functions as do-nothing stubs. Built twice: complete, and
// with the last name missing, to test the plug-in's binding.
#define HOST_FUNCTION_LINKAGE __declspec(dllexport)
#include "plugin/HostAbi.h"

#define STUB_HOST_FUNCTION(ret, name, params) \
    extern "C" ret name params { return ret(); }
#pragma GCC diagnostic ignored "-Wunused-parameter"
HOST_FUNCTIONS(STUB_HOST_FUNCTION)
