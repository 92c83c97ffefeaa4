// MQ_LoadImage (ABI.md "Image blocks"), MQDoc_FindMappingFile, and the LocalFree counter.
//
// BMP files are read here in their own bit depth; PNG, JPEG and TGA go through stb_image and come
// out as 8, 24 or 32 bits by channel count. MQ_LoadImage takes a name in code page 932, as the
// host's loader does by design, and reads it with CreateFileA; MQDoc_FindMappingFile hands out
// names it can read (see HostReadablePath). Nothing a file contains may crash the loader: every
// size and offset is checked against the file before use, and images are capped at kMaxImageBytes.
#define HOST_FUNCTION_LINKAGE __declspec(dllexport)
#include "plugin/HostAbi.h"

#include <string.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "stb_image.h"
#include "workbench/host/Model.h"
#include "workbench/host/Recorder.h"
#include "workbench/io/JpegTablesFit.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/ImageDataFits.h"

using namespace wb::detail;

namespace {

constexpr uint64_t kMaxImageBytes = 256ull << 20;  // pixel block cap
constexpr uint64_t kMaxFileBytes = 512ull << 20;   // file size cap

int64_t g_blocksAllocated = 0;
int64_t g_blocksFreed = 0;
std::set<void*>& LiveBlocks() {
    static std::set<void*> blocks;
    return blocks;
}

bool IsRegularHostFile(const char* path) {
    DWORD attr = GetFileAttributesA(path);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadHostFile(const char* path, std::vector<uint8_t>* out) {
    if (!path || !*path || !IsRegularHostFile(path)) return false;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size;
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size) && size.QuadPart > 0 &&
        static_cast<uint64_t>(size.QuadPart) <= kMaxFileBytes) {
        out->resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (done < out->size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(out->size() - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(h, out->data() + done, chunk, &got, nullptr) || got == 0) break;
            done += got;
        }
        ok = done == out->size();
    }
    CloseHandle(h);
    return ok;
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A decoded image in the block layout: rows bottom-up, unpadded.
struct Pixels {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    std::vector<uint8_t> bytes;
};

uint64_t RowBytes(int32_t width, uint16_t bitCount) {
    return (static_cast<uint64_t>(width) * bitCount + 7) / 8;
}

bool DecodeBmp(const std::vector<uint8_t>& file, Pixels* out) {
    const uint64_t size = file.size();
    const uint8_t* d = file.data();
    if (size < 14 + 12 || d[0] != 'B' || d[1] != 'M') return false;
    const uint64_t offBits = U32(d + 10);
    const uint32_t headerSize = U32(d + 14);
    int64_t width, height;
    uint16_t bitCount;
    uint32_t compression = 0;
    if (headerSize == 12) {  // BITMAPCOREHEADER
        width = U16(d + 18);
        height = U16(d + 20);
        bitCount = U16(d + 24);
    } else if (headerSize >= 40 && headerSize <= 1024 && 14 + static_cast<uint64_t>(headerSize) <= size) {
        width = static_cast<int32_t>(U32(d + 18));
        height = static_cast<int32_t>(U32(d + 22));
        bitCount = U16(d + 28);
        compression = U32(d + 30);
    } else {
        return false;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return false;
    // Uncompressed only; bit fields (3, 6) keep the pixel bytes as they are.
    const bool bitFields = (compression == 3 || compression == 6) && (bitCount == 16 || bitCount == 32);
    if (compression != 0 && !bitFields) return false;
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
    const uint64_t rowBytes = RowBytes(static_cast<int32_t>(width), bitCount);
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    const uint64_t h = static_cast<uint64_t>(height);
    if (rowBytes * h > kMaxImageBytes) return false;
    if (offBits < 14 + 12 || offBits > size) return false;
    // The last row may lack its padding; everything else must be in the file.
    if (offBits + stride * (h - 1) + rowBytes > size) return false;
    out->width = static_cast<int32_t>(width);
    out->height = static_cast<int32_t>(height);
    out->bitCount = bitCount;
    out->bytes.resize(static_cast<size_t>(rowBytes * h));
    for (uint64_t y = 0; y < h; ++y) {
        const uint64_t fileRow = topDown ? (h - 1 - y) : y;  // y counts from the bottom
        memcpy(out->bytes.data() + y * rowBytes, d + offBits + fileRow * stride,
               static_cast<size_t>(rowBytes));
    }
    return true;
}

bool DecodeWithStb(const std::vector<uint8_t>& file, Pixels* out) {
    if (file.size() > 0x7FFFFFFF) return false;
    if (!JpegTablesFit(file.data(), file.size())) return false;
    const int len = static_cast<int>(file.size());
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_memory(file.data(), len, &w, &h, &n)) return false;
    if (w <= 0 || h <= 0 || n < 1 || n > 4) return false;
    if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * 4 > kMaxImageBytes) return false;
    if (!ImageDataFits(file.data(), file.size())) return false;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), len, &w, &h, &n, 0);
    if (!pixels) return false;
    if (w <= 0 || h <= 0 || n < 1 || n > 4) {
        stbi_image_free(pixels);
        return false;
    }
    const int outChannels = n == 1 ? 1 : n == 3 ? 3 : 4;
    out->width = w;
    out->height = h;
    out->bitCount = static_cast<uint16_t>(outChannels * 8);
    const size_t rowBytes = static_cast<size_t>(w) * outChannels;
    out->bytes.resize(rowBytes * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        const stbi_uc* src = pixels + static_cast<size_t>(h - 1 - y) * w * n;  // top-down source
        uint8_t* dst = out->bytes.data() + static_cast<size_t>(y) * rowBytes;
        for (int x = 0; x < w; ++x, src += n) {
            switch (n) {
            case 1:
                *dst++ = src[0];
                break;
            case 2:  // grey + alpha
                dst[0] = dst[1] = dst[2] = src[0];
                dst[3] = src[1];
                dst += 4;
                break;
            case 3:
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                dst += 3;
                break;
            default:
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                dst[3] = src[3];
                dst += 4;
                break;
            }
        }
    }
    stbi_image_free(pixels);
    return true;
}

bool IsAbsolute(const std::string& s) {
    return (s.size() >= 2 && s[1] == ':') || (!s.empty() && (s[0] == '\\' || s[0] == '/'));
}

typedef HLOCAL(WINAPI* LocalFreeProc)(HLOCAL);
LocalFreeProc RealLocalFree() {
    static LocalFreeProc real = reinterpret_cast<LocalFreeProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LocalFree")));
    return real;
}

HLOCAL WINAPI CountingLocalFree(HLOCAL block) {
    if (block) {
        auto& live = LiveBlocks();
        auto it = live.find(block);
        if (it != live.end()) {
            live.erase(it);
            ++g_blocksFreed;
        }
    }
    return RealLocalFree()(block);
}

}  // namespace

namespace wb {
namespace detail {

int32_t LoadImageBlocks(const char* fileName, void** headerBlock, void** pixelBlock) {
    if (headerBlock) *headerBlock = nullptr;
    if (pixelBlock) *pixelBlock = nullptr;
    if (!headerBlock || !pixelBlock) return 0;
    std::vector<uint8_t> file;
    if (!ReadHostFile(fileName, &file)) return 0;
    Pixels px;
    bool ok = (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') ? DecodeBmp(file, &px)
                                                                     : DecodeWithStb(file, &px);
    if (!ok || px.bytes.empty()) return 0;
    void* header = LocalAlloc(LMEM_FIXED, sizeof(BITMAPINFOHEADER));
    void* pixels = LocalAlloc(LMEM_FIXED, px.bytes.size());
    if (!header || !pixels) {
        if (header) LocalFree(header);
        if (pixels) LocalFree(pixels);
        return 0;
    }
    BITMAPINFOHEADER bih;
    memset(&bih, 0, sizeof bih);
    bih.biSize = sizeof(BITMAPINFOHEADER);
    bih.biWidth = px.width;
    bih.biHeight = px.height;
    bih.biPlanes = 1;
    bih.biBitCount = px.bitCount;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = static_cast<DWORD>(px.bytes.size());
    memcpy(header, &bih, sizeof bih);
    memcpy(pixels, px.bytes.data(), px.bytes.size());
    LiveBlocks().insert(header);
    LiveBlocks().insert(pixels);
    g_blocksAllocated += 2;
    *headerBlock = header;
    *pixelBlock = pixels;
    return 1;
}

}  // namespace detail

int64_t ImageBlocksAllocated() { return g_blocksAllocated; }

int64_t ImageBlocksFreed() { return g_blocksFreed; }

void CountLocalFreeIn(HMODULE module) {
    if (!module) return;
    LocalFreeProc real = RealLocalFree();
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress || !dir.Size) return;
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; desc->Name; ++desc) {
        auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        IMAGE_THUNK_DATA* names = desc->OriginalFirstThunk
                                      ? reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk)
                                      : nullptr;
        for (; thunk->u1.Function; ++thunk, names = names ? names + 1 : nullptr) {
            bool match = thunk->u1.Function == reinterpret_cast<ULONG_PTR>(real);
            if (!match && names && !IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                match = strcmp(reinterpret_cast<const char*>(byName->Name), "LocalFree") == 0;
            }
            if (!match) continue;
            ULONG_PTR hook = reinterpret_cast<ULONG_PTR>(&CountingLocalFree);
            if (thunk->u1.Function == hook) continue;
            DWORD old;
            if (VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &old)) {
                thunk->u1.Function = hook;
                VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), old, &old);
            }
        }
    }
}

}  // namespace wb

namespace wb {
namespace detail {

std::string FindTextureFile(const std::string& name, const std::string& folder) {
    if (name.empty()) return std::string();
    std::vector<std::string> candidates;
    if (IsAbsolute(name)) candidates.push_back(name);
    if (!folder.empty()) {
        std::string dir = folder;
        if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
        if (!IsAbsolute(name)) candidates.push_back(dir + name);
        candidates.push_back(dir + name.substr(BaseNameStart(name)));
    } else if (!IsAbsolute(name)) {
        candidates.push_back(name);
    }
    for (const std::string& c : candidates) {
        if (!wb::IsRegularFile(c)) continue;
        const std::string full = AbsolutePath(c);
        if (!full.empty()) return full;
    }
    return std::string();
}

}  // namespace detail
}  // namespace wb

extern "C" int32_t MQDoc_FindMappingFile(HostDocument doc, char* outPath, const char* textureName,
                                         uint32_t kind) {
    WB_RECORD(__func__, doc, outPath, textureName, kind);
    if (outPath) outPath[0] = '\0';
    if (!AsDocument(doc) || !outPath || !textureName || !*textureName) return 0;
    // The texture is looked for by its name in UTF-8, as the folder is named; the plug-in gets a
    // path that the byte-string calls it passes it to can open.
    const std::string found = wb::HostReadablePath(
        FindTextureFile(HostToUtf8(SafeString(textureName)), State().textureFolder));
    if (found.empty() || found.size() >= MAX_PATH) return 0;
    memcpy(outPath, found.c_str(), found.size() + 1);
    return 1;
}
