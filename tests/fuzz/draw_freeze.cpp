// The plug-in's draw pass and freeze over hostile documents, with the workbench's host model as the
// host. The input builds the document: objects with NaN, infinite and huge coordinates, faces of
// 0 to 5 points with out-of-range and negative indices, deleted vertices, empty object slots,
// mirrors and patches; each object's settings record at random (height map blocks with hostile
// headers and extracted colours of any count included); the panel-wide switches; then a redraw
// and a freeze of one object in one of its modes. Nothing may read or write out of bounds, and the
// plug-in must never use a handle the host has destroyed.
#include <float.h>
#include <math.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include "display/DrawPass.h"
#include "freeze/FreezeShell.h"
#include "native/PanelStandIn.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "plugin/ShellPlugin.h"
#include "settings/SettingsStore.h"
#include "tests/fuzz/FuzzFiles.h"

namespace {

// Binds the plug-in's host functions to the workbench host this program is linked with (the
// WorkbenchHost.so beside it), as the modeller does at start-up, with the panel (the native
// build's stand-in, whose selected object the input chooses) shown.
void StartPlugin() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    FUZZ_CHECK(n > 0, "/proc/self/exe");
    std::string host(self, static_cast<size_t>(n));
    host = host.substr(0, host.rfind('/') + 1) + "WorkbenchHost.so";
    FUZZ_CHECK(BindHostApi(host.c_str()), "binding %s", host.c_str());
    standin::OpenPanel();
    Plugin().panelShown = true;
}

// A redraw as the host runs it: the last one's draw items go, the plug-in draws.
void Redraw(HostDocument document) {
    wb::detail::ClearDrawItems();
    DrawPass(document);
}

float Coordinate(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0:
            return NAN;
        case 1:
            return in.ConsumeBool() ? INFINITY : -INFINITY;
        case 2:
            return in.ConsumeBool() ? FLT_MAX : -FLT_MAX;
        case 3:
            return in.ConsumeFloatingPointInRange(-1e30f, 1e30f);
        default:
            return static_cast<float>(in.ConsumeIntegralInRange(-4, 4)) * 0.5f;
    }
}

// A LocalAlloc block of the input's bytes, of the size the input says.
void* Block(FuzzedDataProvider& in, size_t most) {
    const size_t size = in.ConsumeIntegralInRange<size_t>(0, most);
    std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(size);
    bytes.resize(size);
    void* block = LocalAlloc(LMEM_FIXED, size ? size : 1);
    if (block && size) memcpy(block, bytes.data(), size);
    return block;
}

HostObject AddObject(FuzzedDataProvider& in) {
    HostApi& host = Host();
    HostObject object = host.MQ_CreateObject();
    const int32_t vertices = in.ConsumeIntegralInRange(0, 10);
    for (int32_t i = 0; i < vertices; ++i) {
        const HostPoint p{Coordinate(in), Coordinate(in), Coordinate(in)};
        host.MQObj_AddVertex(object, &p);
    }
    const int32_t faces = in.ConsumeIntegralInRange(0, 10);
    for (int32_t f = 0; f < faces; ++f) {
        std::vector<int32_t> points(in.ConsumeIntegralInRange(0, 5));
        for (int32_t& index : points) index = in.ConsumeIntegralInRange(-2, vertices + 1);
        const int32_t face = wb::AddRawFace(object, points);
        if (in.ConsumeBool())
            host.MQObj_SetFaceMaterial(object, face, in.ConsumeIntegralInRange(-2, 4));
        if (in.ConsumeBool()) {
            std::vector<HostUV> uvs(points.size() + 1);
            for (HostUV& uv : uvs) uv = {Coordinate(in), Coordinate(in)};
            host.MQObj_SetFaceCoordinateArray(object, face, uvs.data());
        }
        for (size_t k = 0; k < points.size() && in.ConsumeBool(); ++k)
            host.MQObj_SetFaceVertexColor(object, face, static_cast<int32_t>(k),
                                          in.ConsumeIntegral<uint32_t>());
    }
    for (int32_t i = 0; i < vertices; ++i)
        if (in.ConsumeIntegralInRange(0, 7) == 0)
            host.MQObj_DeleteVertex(object, i, in.ConsumeBool() ? 1 : 0);
    host.MQObj_SetVisible(object, in.ConsumeBool() ? 1 : 0);
    host.MQObj_SetMirrorType(object, in.ConsumeIntegralInRange(-1, 3));
    host.MQObj_SetMirrorAxis(object, in.ConsumeIntegralInRange(0u, 8u));
    host.MQObj_SetMirrorDistance(object, Coordinate(in));
    host.MQObj_SetPatchType(object, in.ConsumeIntegralInRange(-1, 4));
    return object;
}

void RandomSettings(FuzzedDataProvider& in, HostObject object, int32_t vertices) {
    ExpansionSettings& s = SettingsOf(object);
    s.enabled = in.ConsumeIntegralInRange(0, 4) != 0;
    s.invertFaces = in.ConsumeBool();
    s.normalPush = in.ConsumeBool();
    s.pushDistance = Coordinate(in);
    // Mostly a few layers; now and then as many as the panel allows or more, as far as the memory
    // guard lets them through.
    s.repeatCount = in.ConsumeIntegralInRange(0, 7) != 0 ? in.ConsumeIntegralInRange(-2, 4)
                                                         : in.ConsumeIntegralInRange(0, 2000);
    s.transparency = in.ConsumeIntegralInRange(-10, 110);
    s.brightness = in.ConsumeIntegralInRange(-10, 110);
    s.colorMode = in.ConsumeIntegralInRange(-1, 7);
    s.heightMapOn = in.ConsumeBool();
    s.vertexColorPush = in.ConsumeBool();
    s.vertexColorScale = Coordinate(in);
    s.heightMapScale = Coordinate(in);
    if (in.ConsumeBool()) {
        void* header = Block(in, 48);
        s.heightMap.adopt(header, Block(in, 256));
    }
    if (in.ConsumeBool()) {
        uint32_t* colors = s.replaceExtractedColors(in.ConsumeIntegralInRange(0, vertices + 2));
        for (int32_t i = 0; colors && i < s.extractedColorCount; ++i)
            colors[i] = in.ConsumeIntegral<uint32_t>();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    static const bool started = (StartPlugin(), true);
    (void)started;
    HostApi& host = Host();
    wb::NewDocument();
    HostDocument document = wb::ActiveDocument();

    const int32_t materials = in.ConsumeIntegralInRange(0, 3);
    for (int32_t m = 0; m < materials; ++m)
        host.MQDoc_AddMaterial(document, host.MQ_CreateMaterial());
    const int32_t objects = in.ConsumeIntegralInRange(0, 4);
    for (int32_t i = 0; i < objects; ++i) {
        HostObject object = AddObject(in);
        const int32_t index = host.MQDoc_AddObject(document, object);
        RandomSettings(in, object, host.MQObj_GetVertexCount(object));
        for (int32_t v = 0; v < host.MQObj_GetVertexCount(object); ++v)
            if (in.ConsumeIntegralInRange(0, 3) == 0)
                host.MQDoc_AddSelectVertex(document, index, v);
    }
    for (int32_t i = 0; i < objects; ++i)
        if (in.ConsumeIntegralInRange(0, 5) == 0) host.MQDoc_DeleteObject(document, i);

    // The panel-wide switches, and the pass as the host runs it at a redraw.
    disableAll = in.ConsumeIntegralInRange(0, 5) == 0;
    forceDisplay = in.ConsumeBool();
    selectionOnly = in.ConsumeBool();
    rebuildPending = true;  // as after the host's events for a new document
    const int64_t staleBefore = wb::StaleHandleUses();
    Redraw(document);

    // An edit the push cache has not seen yet (the host's change event only asks for a rebuild at
    // the next pass), then a freeze of one object in one of its three placements.
    const int32_t edited = in.ConsumeIntegralInRange(0, objects);
    if (HostObject object = host.MQDoc_GetObject(document, edited)) {
        const int32_t vertices = host.MQObj_GetVertexCount(object);
        if (in.ConsumeBool()) {
            host.MQObj_DeleteVertex(object, in.ConsumeIntegralInRange(-1, vertices), 1);
        } else {
            const HostPoint p{Coordinate(in), Coordinate(in), Coordinate(in)};
            const int32_t added = host.MQObj_AddVertex(object, &p);
            wb::AddRawFace(object, {added, in.ConsumeIntegralInRange(-1, added), 0, added});
        }
        rebuildPending = true;
    }
    freezeAsNewObject = in.ConsumeBool();
    freezeReplaces = in.ConsumeBool();
    freezeResetColors = in.ConsumeBool();
    standin::SelectObject(host.MQDoc_GetObject(document, in.ConsumeIntegralInRange(-1, objects)));
    Plugin().runInDocument(FreezeShell);
    Redraw(document);
    FUZZ_CHECK(wb::StaleHandleUses() == staleBefore, "the plug-in used %lld destroyed handles",
               static_cast<long long>(wb::StaleHandleUses() - staleBefore));

    standin::SelectObject(nullptr);
    Settings().clear();
    fuzz::ReleaseRetiredDocuments();
    return 0;
}
