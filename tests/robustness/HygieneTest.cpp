// Resources over a long session of the real plug-in: 1,000 redraws of shells in every colour mode
// and 100 height-map loads, good and bad. Every image block the host hands out comes back, and the
// process's GDI objects, USER objects and private memory stay where they were.
#include "tests/robustness/RobustnessFixture.h"

#include <psapi.h>
#include <stdio.h>
#include <winternl.h>

using namespace robustness;

namespace {

// GDI objects of the process. Wine's GetGuiResources answers 0; there the used entries of the
// process's GDI handle table (PEB field GdiSharedHandleTable, entries of 24 bytes with the object
// type at byte 14) are counted instead.
int64_t GdiObjects() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count) return count;
    typedef LONG(WINAPI * QueryProcess)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    const uint8_t* peb = reinterpret_cast<const uint8_t*>(basic.PebBaseAddress);
    const uint8_t* table = *reinterpret_cast<const uint8_t* const*>(peb + 0xF8);
    if (!table) return -1;
    int64_t used = 0;
    for (size_t i = 0; i < 0x10000; ++i) used += table[i * 24 + 14] != 0;
    return used;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int64_t*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

// USER objects of the process. Where GetGuiResources answers 0 (Wine), the windows of this thread
// and all their descendants are counted instead.
int64_t UserObjects() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (count) return count;
    int64_t windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Private bytes; Wine reports PrivateUsage as 0 and keeps the figure in PagefileUsage.
int64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return static_cast<int64_t>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage);
}

struct Figures {
    int64_t gdi, user, memory, liveBlocks;
};
Figures Measure() {
    return {GdiObjects(), UserObjects(), PrivateBytes(), wb::ImageBlocksAllocated() - wb::ImageBlocksFreed()};
}

}  // namespace

TEST_F(RealPluginTest, AThousandRedrawsAndAHundredHeightMapLoadsLeaveNothingBehind) {
    // Three objects: blurred in their texture's colours, a black frame, and a height-mapped grid
    // whose file is switched between a good and a bad one.
    ImageCases();
    int32_t textured = AddTexturedMaterial("good24.bmp");
    int32_t cube = testhost::AddCube("cube");
    for (int32_t f = 0; f < 6; ++f) {
        Host().MQObj_SetFaceMaterial(testhost::ObjectAt(cube), f, textured);
        testhost::SetFaceUVs(cube, f, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    }
    testhost::AddCube("frame", 2.0f);
    std::vector<HostPoint> grid;
    std::vector<std::vector<int32_t>> quads;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) grid.push_back({x * 0.25f, y * 0.25f, 0.0f});
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 7; ++x) quads.push_back({y * 8 + x, y * 8 + x + 1, y * 8 + x + 9, y * 8 + x + 8});
    int32_t mapped = wb::AddMeshObject("grid", grid, quads);
    for (int32_t f = 0; f < 49; ++f) testhost::SetFaceUVs(mapped, f, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});

    Open();
    for (int32_t row = 0; row < 3; ++row) panel::TickRow(row, true);
    panel::ClickRow(0);
    panel::Click(IDC_PRESET_BLUR);
    panel::ClickRow(1);
    panel::Click(IDC_PRESET_BLACK_FRAME);
    panel::ClickRow(2);
    panel::Click(IDC_HEIGHT_MAP_ON);
    wb::ProcessMessages();
    const std::string good = ImageFolder() + "good8.bmp", bad = ImageFolder() + "truncated-pixels.bmp";

    // Warm-up: every path once (a failed load's message box too), the host's reusable buffers at
    // their size.
    for (int32_t i = 0; i < 200; ++i) wb::Redraw();
    ASSERT_TRUE(panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, bad));
    EXPECT_TRUE(MessageBoxDuring([] { panel::Click(IDC_LOAD_HEIGHT_MAP); }));
    ASSERT_TRUE(panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, good));
    panel::Click(IDC_LOAD_HEIGHT_MAP);
    wb::ProcessMessages();
    const Figures before = Measure();

    for (int32_t i = 0; i < 1000; ++i) {
        wb::Redraw();
        if (i % 100 == 0) {
            panel::Type(IDC_HEIGHT_MAP_SCALE, i % 200 ? "0.5" : "1.5");  // a rebuild now and then
            wb::ProcessMessages();
        }
    }
    EXPECT_EQ(SummarizeDrawObjects().layers, 7u);
    const Figures afterRedraws = Measure();

    int32_t failures = 0;
    for (int32_t i = 0; i < 100; ++i) {
        if (i % 10 == 9) {
            ASSERT_TRUE(panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, bad));
            failures += MessageBoxDuring([] { panel::Click(IDC_LOAD_HEIGHT_MAP); }) ? 1 : 0;
            ASSERT_TRUE(panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, good));
        } else {
            panel::Click(IDC_LOAD_HEIGHT_MAP);
        }
        wb::ProcessMessages();
    }
    EXPECT_EQ(failures, 10);
    panel::Click(IDC_LOAD_HEIGHT_MAP);  // ends with the good map loaded, as before
    wb::ProcessMessages();
    const Figures after = Measure();

    printf("[ hygiene  ] GDI %lld -> %lld -> %lld, USER %lld -> %lld -> %lld, private KiB %lld -> %lld -> %lld, "
           "live image blocks %lld -> %lld -> %lld, blocks handed out %lld\n",
           static_cast<long long>(before.gdi), static_cast<long long>(afterRedraws.gdi), static_cast<long long>(after.gdi),
           static_cast<long long>(before.user), static_cast<long long>(afterRedraws.user),
           static_cast<long long>(after.user), static_cast<long long>(before.memory / 1024),
           static_cast<long long>(afterRedraws.memory / 1024), static_cast<long long>(after.memory / 1024),
           static_cast<long long>(before.liveBlocks), static_cast<long long>(afterRedraws.liveBlocks),
           static_cast<long long>(after.liveBlocks), static_cast<long long>(wb::ImageBlocksAllocated()));
    EXPECT_EQ(afterRedraws.gdi, before.gdi);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(afterRedraws.user, before.user);
    EXPECT_EQ(after.user, before.user);
    EXPECT_EQ(afterRedraws.liveBlocks, before.liveBlocks);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    // Heaps do not give every page back at once; a leak of one layer per redraw would be
    // megabytes here.
    EXPECT_LT(afterRedraws.memory - before.memory, 512 * 1024);
    EXPECT_LT(after.memory - before.memory, 1024 * 1024);
    // TearDown: after the unload every block handed out has been released.
}
