// Helpers shared by the unit-test programs: the workbench host bound to the plug-in's HostApi,
// documents and meshes, recorded host calls, and small image files and image blocks.
//
// Including this header registers WorkbenchEnvironment with GoogleTest, once per program: before
// the first test it binds Host() to WorkbenchHost.dll (found beside the test program) and routes
// the program's LocalFree through the workbench's block counter, so that tests can compare
// wb::ImageBlocksAllocated() with wb::ImageBlocksFreed().
#pragma once

#include <gtest/gtest.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "plugin/HostAbi.h"
#include "plugin/HostApi.h"
#include "workbench/common/BesideThisProgram.h"
#include "workbench/host/Workbench.h"

namespace testhost {

using common::BesideThisProgram;

// Binds Host() to WorkbenchHost.dll beside the program (once) and counts the program's
// LocalFree calls. True when all host functions were found.
bool BindWorkbenchHost();

class WorkbenchEnvironment : public ::testing::Environment {
public:
    void SetUp() override;     // BindWorkbenchHost, asserting success
    void TearDown() override;  // removes TempFolder and its files
};
inline ::testing::Environment* const kWorkbenchEnvironment =
    ::testing::AddGlobalTestEnvironment(new WorkbenchEnvironment);

// Saves every function address of Host() and puts them back when it goes out of scope, so that
// a test can replace single host functions with fakes (a host that misbehaves) for its duration.
class ScopedHostOverride {
public:
    ScopedHostOverride() : saved_(Host()) {}
    ~ScopedHostOverride() { Host() = saved_; }
    ScopedHostOverride(const ScopedHostOverride&) = delete;
    ScopedHostOverride& operator=(const ScopedHostOverride&) = delete;
    const HostApi& original() const { return saved_; }

private:
    HostApi saved_;
};

// Points module's import of the function `name` (from whichever DLL) at hook; returns the address
// it pointed at before, or null when module imports no such function. The import stays replaced
// until it is pointed back or the module is unloaded.
void* ReplaceImport(HMODULE module, const char* name, void* hook);

// ---- documents ----------------------------------------------------------------------------
// The object at index of the active document (null for an empty slot).
HostObject ObjectAt(int32_t index);
// Its unique ID (property 260); 0 for an empty slot.
int32_t UniqueIdAt(int32_t index);
// An axis-aligned cube centred on the origin, edge length size, added to the active document:
// 8 vertices, 6 quadrilaterals wound so that FaceNormal ((a - b) x (c - b)) points outward.
// Returns its document index.
int32_t AddCube(const char* name, float size = 1.0f);
// One quadrilateral (0,0,0) (1,0,0) (1,1,0) (0,1,0) as its own object; returns its index.
int32_t AddUnitQuad(const char* name);
// Sets the UVs of every corner of face of the object at objectIndex (one pair per corner).
void SetFaceUVs(int32_t objectIndex, int32_t face, const std::vector<HostUV>& uvs);
// All vertex positions of an object.
std::vector<HostPoint> VertexPositions(HostObject object);

// ---- recorded host calls --------------------------------------------------------------------
// Runs action while the workbench records host calls; returns the calls ("Name(args)") or,
// with RecordNames, only their names.
std::vector<std::string> RecordCalls(const std::function<void()>& action);
std::vector<std::string> RecordNames(const std::function<void()>& action);

// ---- images -----------------------------------------------------------------------------------
// A folder of this program's own under the system temp folder, created on first use.
std::string TempFolder();
// Writes a BMP file fileName into TempFolder and returns its full path. pixels holds height rows
// of width pixels, bottom row first, each row exactly width x bitCount / 8 bytes (the layout of
// the host's pixel blocks); the file pads each row to 4 bytes. 8-bit files get a grey palette.
// bitCount: 8, 24 or 32.
std::string WriteBmp(const char* fileName, int32_t width, int32_t height, uint16_t bitCount,
                     const std::vector<uint8_t>& pixels);

// Image blocks as the host's loader hands them out (LocalAlloc(LMEM_FIXED)): a header block of
// headerSize bytes (at least 40 to hold the fields) with biWidth, biHeight and biBitCount set,
// and a pixel block holding pixels. The caller owns both (LocalFree, or HeightMapImage::adopt).
struct ImageBlocks {
    void* header;
    void* pixels;
};
ImageBlocks MakeImageBlocks(int32_t width, int32_t height, uint16_t bitCount,
                            const std::vector<uint8_t>& pixels, size_t headerSize = 40);
void FreeImageBlocks(ImageBlocks blocks);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace testhost
