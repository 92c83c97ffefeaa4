// The scene writers on whatever the loader accepts: the OBJ/MTL files must load back with the same
// objects, faces, lines and points, and the glb must parse with tinygltf, with every accessor
// inside its buffer, every index naming a vertex and every embedded image decodable.
#include "stb_image.h"
#include "tests/fuzz/FuzzFiles.h"
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#include "tiny_gltf.h"

namespace {

bool DecodeImage(tinygltf::Image*, const int, std::string*, std::string*, int, int,
                 const unsigned char* bytes, int size, void*) {
    int w, h, n;
    stbi_uc* pixels = stbi_load_from_memory(bytes, size, &w, &h, &n, 4);
    FUZZ_CHECK(pixels, "an embedded image of %d bytes does not decode", size);
    stbi_image_free(pixels);
    return true;
}

void CheckGlb(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    FUZZ_CHECK(f, "%s", path.c_str());
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (size_t got; (got = fread(chunk, 1, sizeof chunk, f)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(f);
    tinygltf::TinyGLTF reader;
    reader.SetImageLoader(DecodeImage, nullptr);
    tinygltf::Model model;
    std::string err, warn;
    const bool ok = reader.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(),
                                                static_cast<unsigned>(bytes.size()));
    FUZZ_CHECK(ok && err.empty(), "%s", err.c_str());
    for (const tinygltf::Accessor& a : model.accessors) {
        const tinygltf::BufferView& view = model.bufferViews.at(a.bufferView);
        const size_t element = tinygltf::GetComponentSizeInBytes(a.componentType) *
                               tinygltf::GetNumComponentsInType(a.type);
        FUZZ_CHECK(
            a.byteOffset + a.count * element <= view.byteLength &&
                view.byteOffset + view.byteLength <= model.buffers.at(view.buffer).data.size(),
            "an accessor of %zu elements past its buffer", a.count);
    }
    for (const tinygltf::Mesh& mesh : model.meshes)
        for (const tinygltf::Primitive& p : mesh.primitives) {
            const size_t vertices = model.accessors.at(p.attributes.at("POSITION")).count;
            const tinygltf::Accessor& indices = model.accessors.at(p.indices);
            const tinygltf::BufferView& view = model.bufferViews.at(indices.bufferView);
            const unsigned char* at =
                model.buffers.at(view.buffer).data.data() + view.byteOffset + indices.byteOffset;
            for (size_t i = 0; i < indices.count; ++i) {
                uint32_t index;
                memcpy(&index, at + 4 * i, 4);
                FUZZ_CHECK(index < vertices, "index %u of %zu vertices", index, vertices);
            }
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteScene(data, size);
    std::string error;
    if (wb::LoadObjScene(path.c_str(), &error)) {
        const std::string loaded = wb::ElementSummary();
        const std::string saved = fuzz::Folder() + "saved.obj";
        FUZZ_CHECK(wb::SaveObjScene(saved.c_str(), &error), "%s", error.c_str());
        const std::string glb = fuzz::Folder() + "saved.glb";
        FUZZ_CHECK(wb::SaveGltfScene(glb.c_str(), &error), "%s", error.c_str());
        FUZZ_CHECK(wb::LoadObjScene(saved.c_str(), &error), "%s", error.c_str());
        FUZZ_CHECK(wb::ElementSummary() == loaded, "loaded %s, saved and loaded again %s",
                   loaded.c_str(), wb::ElementSummary().c_str());
        CheckGlb(glb);
    }
    fuzz::ReleaseRetiredDocuments();
    return 0;
}
