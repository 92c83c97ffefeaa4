// The OBJ and MTL scene loader: encoding detection, the pre-pass that splits long polygons, the
// parser and the triangulation of polygons of more than four points. The input is a scene (see
// FuzzFiles.h: the OBJ file, its material library and a texture). A load that succeeds must
// leave a document whose every face, corner and material index is usable; one that fails must
// leave the active document as it was.
#include "tests/fuzz/FuzzFiles.h"
#include "workbench/io/TextEncoding.h"

using namespace wb::detail;

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
        fuzz::CheckLoadedDocument(Active());
    else
        FUZZ_CHECK(Active() == before && !error.empty(), "a failed load replaced the document");
    fuzz::ReleaseRetiredDocuments();
    return 0;
}
