// Formatting of host-function calls for the call recorder: "Name(arg, arg, ...)". Integers in
// decimal, floats with %g, objects "obj<unique ID>", materials "mat<serial>", documents "doc",
// NULL handles "null", points "(x,y,z)", input strings quoted, output buffers "out".
#pragma once

#include <stdio.h>

#include <string>

#include "workbench/host/Model.h"

namespace wb {
namespace detail {

// An input array of integers with its length, formatted "[a,b,c]".
struct IntList {
    const int32_t* values;
    int32_t count;
};

inline std::string Fmt(int32_t v) { return std::to_string(v); }
inline std::string Fmt(uint32_t v) { return std::to_string(v); }
inline std::string Fmt(float v) {
    char b[32];
    snprintf(b, sizeof b, "%g", static_cast<double>(v));
    return b;
}
inline std::string Fmt(HostObject h) {
    if (!h) return "null";
    Object* o = AsObject(h);
    return o ? "obj" + std::to_string(o->uid) : std::string("obj?");
}
inline std::string Fmt(HostMaterial h) {
    if (!h) return "null";
    Material* m = AsMaterial(h);
    return m ? "mat" + std::to_string(m->serial) : std::string("mat?");
}
inline std::string Fmt(HostDocument h) { return h ? "doc" : "null"; }
inline std::string Fmt(HostScene h) { return h ? "scene" : "null"; }
inline std::string Fmt(HostXmlElement h) { return h ? "xml" : "null"; }
inline std::string Fmt(const char* s) {
    if (!s) return "null";
    std::string r = "\"";
    r += SafeString(s);
    r += '"';
    return r;
}
inline std::string Fmt(char* s) { return s ? "out" : "null"; }
inline std::string Fmt(const HostPoint* p) {
    if (!p) return "null";
    return "(" + Fmt(p->x) + "," + Fmt(p->y) + "," + Fmt(p->z) + ")";
}
inline std::string Fmt(const HostRGB* c) {
    if (!c) return "null";
    return "(" + Fmt(c->r) + "," + Fmt(c->g) + "," + Fmt(c->b) + ")";
}
inline std::string Fmt(IntList list) {
    if (!list.values) return "null";
    std::string r = "[";
    for (int32_t i = 0; i < list.count && i < 64; ++i) {
        if (i) r += ',';
        r += std::to_string(list.values[i]);
    }
    return r + "]";
}
inline std::string Fmt(StationCallbackProc p) { return p ? "proc" : "null"; }
inline std::string Fmt(void* p) { return p ? "ptr" : "null"; }
inline std::string Fmt(HostMessage* p) { return p ? "msg" : "null"; }
// Any other pointer: an output ("out") unless const ("ptr"), "null" when NULL.
template <class T>
inline std::string Fmt(T* p) {
    return p ? "out" : "null";
}
template <class T>
inline std::string Fmt(const T* p) {
    return p ? "ptr" : "null";
}

inline void AppendArgs(std::string&) {}
template <class A, class... Rest>
inline void AppendArgs(std::string& line, const A& a, const Rest&... rest) {
    if (line.back() != '(') line += ", ";
    line += Fmt(a);
    AppendArgs(line, rest...);
}

// Out of line and cold, with its arguments by value: the host functions that call it keep their
// parameters in registers and pay one branch while recording is off.
template <class... Args>
__attribute__((noinline, cold)) void RecordCall(const char* name, Args... args) {
    std::string line = name;
    line += '(';
    AppendArgs(line, args...);
    line += ')';
    RecordLine(std::move(line));
}

}  // namespace detail
}  // namespace wb

// First statement of every host function: logs the call while recording. The first argument is
// the function's name (__func__). Off, it is one predictable branch: nothing is formatted.
#define WB_RECORD(...)                                                        \
    do {                                                                      \
        if (__builtin_expect(::wb::detail::g_recording, 0))                   \
            ::wb::detail::RecordCall(__VA_ARGS__);                            \
    } while (0)
