// The glTF scene loader: tinygltf's parsers for text and binary files, the file access it gets
// (files beside the scene only), and the reading of every accessor, index and primitive mode.
// The input is the scene file (.gltf text or .glb, told by its first bytes), optionally followed
// by a line "@bin" and the bytes of the buffer file "scene.bin" beside it. A load that succeeds
// must leave a document whose every index is usable; one that fails must leave the active
// document as it was. The same file read as the baking command reads it (its embedded images'
// bytes kept, the files it names listed) must write again, whole, as text and as binary glTF.
#include "tests/fuzz/FuzzFiles.h"
#include "workbench/io/GltfShellScene.h"
#include "workbench/io/LoadGltfScene.h"

using namespace wb::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char kBinMarker[] = "\n@bin\n";
    std::string scene(reinterpret_cast<const char*>(data), size);
    const size_t at = scene.find(kBinMarker);
    if (at != std::string::npos) {
        fuzz::WriteFile("scene.bin", scene.substr(at + strlen(kBinMarker)));
        scene.resize(at);
    } else {
        fuzz::RemoveFile("scene.bin");
    }
    const std::string path = fuzz::WriteFile("scene.gltf", scene);
    wb::NewDocument();
    Document* before = Active();
    std::string error;
    if (wb::LoadGltfScene(path.c_str(), &error))
        fuzz::CheckLoadedDocument(Active());
    else
        FUZZ_CHECK(Active() == before && !error.empty(), "a failed load replaced the document");
    wb::GltfReferencedFiles(path.c_str());
    if (auto scene = wb::LoadGltfShellScene(path.c_str(), true, &error)) {
        for (const bool binary : {true, false})
            FUZZ_CHECK(wb::SaveGltfShellScene(*scene, {}, (fuzz::Folder() + "out.glb").c_str(), binary, &error),
                       "a document read could not be written again");
    }
    fuzz::ReleaseRetiredDocuments();
    return 0;
}
