// The OBJ and MTL scene loader: encoding detection, the pre-pass that splits long polygons, the
// parser and the triangulation of polygons of more than four points. The input is a scene (see
// FuzzFiles.h: the OBJ file, its material library and a texture). A load that succeeds must
// leave a document whose every face, corner and material index is usable; one that fails must
// leave the active document as it was.
#include <math.h>

#include "tests/fuzz/FuzzFiles.h"
#include "workbench/io/TextEncoding.h"

using namespace wb::detail;

namespace {

void CheckDocument(const Document* d) {
    const size_t materials = d->materials.size();
    size_t faces = 0;
    for (const Object* o : d->objects) {
        FUZZ_CHECK(o, "an empty object slot after a load");
        for (const Vertex& v : o->vertices)
            FUZZ_CHECK(isfinite(v.p.x) && isfinite(v.p.y) && isfinite(v.p.z), "in %s",
                       o->name.c_str());
        for (const Face& f : o->faces) {
            FUZZ_CHECK(f.count >= 1 && f.count <= 4 && f.first >= 0 &&
                           static_cast<size_t>(f.first) + f.count <= o->corners.size(),
                       "face of %d corners from %d in %s", f.count, f.first, o->name.c_str());
            FUZZ_CHECK(
                f.material >= -1 && (f.material < 0 || static_cast<size_t>(f.material) < materials),
                "material %d of %zu", f.material, materials);
            for (int32_t k = 0; k < f.count; ++k) {
                const Corner& c = o->corners[f.first + k];
                FUZZ_CHECK(ValidVertex(o, c.vertex), "vertex %d in %s", c.vertex, o->name.c_str());
                FUZZ_CHECK(isfinite(c.uv.u) && isfinite(c.uv.v), "in %s", o->name.c_str());
            }
        }
        faces += o->faces.size();
    }
    FUZZ_CHECK(faces > 0, "a load that succeeds has faces");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text conversions on the raw bytes: whatever they are, the UTF-8 made of them is.
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = HostToUtf8(text);
    FUZZ_CHECK(IsUtf8(utf8.data(), utf8.size()), "HostToUtf8 of %zu bytes", size);
    FileEncoding encoding;
    size_t lost = 0;
    SceneTextToHost(&text, &encoding, &lost);

    const std::string path = fuzz::WriteScene(data, size);
    wb::NewDocument();
    Document* before = Active();
    std::string error;
    if (wb::LoadObjScene(path.c_str(), &error))
        CheckDocument(Active());
    else
        FUZZ_CHECK(Active() == before && !error.empty(), "a failed load replaced the document");
    fuzz::ReleaseRetiredDocuments();
    return 0;
}
