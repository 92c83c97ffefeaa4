#include "tests/support/TestHost.h"

#include "workbench/io/FileAccess.h"

#include <stdio.h>
#include <string.h>

namespace testhost {

bool BindWorkbenchHost() {
    static bool bound = false;
    if (bound) return true;
    bound = BindHostApi(BesideThisProgram("WorkbenchHost.dll").c_str());
    if (bound) wb::CountLocalFreeIn(GetModuleHandleA(nullptr));
    return bound;
}

void WorkbenchEnvironment::SetUp() {
    ASSERT_TRUE(BindWorkbenchHost()) << "WorkbenchHost.dll beside the test program";
}

void WorkbenchEnvironment::TearDown() {
    std::string folder = TempFolder();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void* ReplaceImport(HMODULE module, const char* name, void* hook) {
    if (!module) return nullptr;
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt->Signature != IMAGE_NT_SIGNATURE || !dir.VirtualAddress) return nullptr;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name; ++desc) {
        if (!desc->OriginalFirstThunk) continue;  // no names to match
        auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        for (; thunk->u1.Function; ++thunk, ++names) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            void* before = reinterpret_cast<void*>(thunk->u1.Function);
            DWORD old;
            if (!VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &old))
                return nullptr;
            thunk->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
            VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), old, &old);
            return before;
        }
    }
    return nullptr;
}

HostObject ObjectAt(int32_t index) {
    return Host().MQDoc_GetObject(wb::ActiveDocument(), index);
}

int32_t UniqueIdAt(int32_t index) {
    HostObject object = ObjectAt(index);
    return object ? Host().MQObj_GetIntValue(object, kObjectUniqueId) : 0;
}

int32_t AddCube(const char* name, float size) {
    float h = size / 2;
    std::vector<HostPoint> vertices = {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
                                       {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
    std::vector<std::vector<int32_t>> faces = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                                               {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 5, 6, 2}};
    return wb::AddMeshObject(name, vertices, faces);
}

int32_t AddUnitQuad(const char* name) {
    return wb::AddMeshObject(name, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
}

void SetFaceUVs(int32_t objectIndex, int32_t face, const std::vector<HostUV>& uvs) {
    Host().MQObj_SetFaceCoordinateArray(ObjectAt(objectIndex), face, uvs.data());
}

std::vector<HostPoint> VertexPositions(HostObject object) {
    std::vector<HostPoint> points(object ? Host().MQObj_GetVertexCount(object) : 0);
    for (size_t i = 0; i < points.size(); ++i)
        Host().MQObj_GetVertex(object, static_cast<int32_t>(i), &points[i]);
    return points;
}

std::vector<std::string> RecordCalls(const std::function<void()>& action) {
    wb::ClearRecordedCalls();
    wb::StartRecording();
    action();
    wb::StopRecording();
    std::vector<std::string> calls = wb::RecordedCalls();
    wb::ClearRecordedCalls();
    return calls;
}

std::vector<std::string> RecordNames(const std::function<void()>& action) {
    wb::ClearRecordedCalls();
    wb::StartRecording();
    action();
    wb::StopRecording();
    std::vector<std::string> names = wb::RecordedCallNames();
    wb::ClearRecordedCalls();
    return names;
}

std::string TempFolder() {
    static std::string folder;
    if (folder.empty()) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        char name[64];
        snprintf(name, sizeof name, "puffshell-test-%lu\\", GetCurrentProcessId());
        folder = std::string(temp) + name;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t value) { memcpy(&out[at], &value, 2); }
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) { memcpy(&out[at], &value, 4); }

}  // namespace

std::string WriteBmp(const char* fileName, int32_t width, int32_t height, uint16_t bitCount,
                     const std::vector<uint8_t>& pixels) {
    const size_t rowBytes = static_cast<size_t>(width) * bitCount / 8;
    const size_t paddedRow = (rowBytes + 3) & ~static_cast<size_t>(3);
    const size_t paletteBytes = bitCount == 8 ? 256 * 4 : 0;
    const size_t pixelOffset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> file(pixelOffset + paddedRow * height, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    Put32(file, 10, static_cast<uint32_t>(pixelOffset));
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<uint32_t>(width));
    Put32(file, 22, static_cast<uint32_t>(height));
    Put16(file, 26, 1);
    Put16(file, 28, bitCount);
    Put32(file, 34, static_cast<uint32_t>(paddedRow * height));
    if (bitCount == 8) {
        Put32(file, 46, 256);
        for (uint32_t i = 0; i < 256; ++i) Put32(file, 54 + 4 * i, i * 0x010101u);
    }
    for (int32_t row = 0; row < height; ++row) {
        size_t from = row * rowBytes;
        if (from + rowBytes > pixels.size()) break;
        memcpy(&file[pixelOffset + row * paddedRow], &pixels[from], rowBytes);
    }
    std::string path = TempFolder() + fileName;
    FILE* out = wb::OpenFile(path, "wb");
    if (out) {
        fwrite(file.data(), 1, file.size(), out);
        fclose(out);
    }
    return path;
}

ImageBlocks MakeImageBlocks(int32_t width, int32_t height, uint16_t bitCount,
                            const std::vector<uint8_t>& pixels, size_t headerSize) {
    ImageBlocks blocks;
    blocks.header = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, headerSize);
    uint8_t* header = static_cast<uint8_t*>(blocks.header);
    if (headerSize >= 4) {
        uint32_t size = 40;
        memcpy(header, &size, 4);
    }
    if (headerSize >= 8) memcpy(header + 4, &width, 4);
    if (headerSize >= 12) memcpy(header + 8, &height, 4);
    if (headerSize >= 16) {
        uint16_t planes = 1;
        memcpy(header + 12, &planes, 2);
        memcpy(header + 14, &bitCount, 2);
    }
    blocks.pixels = LocalAlloc(LMEM_FIXED, pixels.size());
    if (!pixels.empty()) memcpy(blocks.pixels, pixels.data(), pixels.size());
    return blocks;
}

void FreeImageBlocks(ImageBlocks blocks) {
    if (blocks.header) LocalFree(blocks.header);
    if (blocks.pixels) LocalFree(blocks.pixels);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* in = wb::OpenFile(path, "rb");
    if (!in) return bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    fclose(in);
    return bytes;
}

}  // namespace testhost
