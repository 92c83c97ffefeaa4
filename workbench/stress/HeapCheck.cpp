// The process's heaps checked block by block: an overrun past a block's end or a write into a freed
// block that has not crashed anything yet. Under Wine's heap checks (WINEDEBUG=warn+heap) every
// block carries a tail pattern and freed blocks a fill pattern, and a validation finds either
// one changed; without them it finds only broken block headers.
#include <windows.h>

#include <string>
#include <vector>

#include "workbench/stress/StressRun.h"

namespace stress {

void CheckHeaps(RunState& run, const char* when) {
    std::vector<HANDLE> heaps(16);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
        if (!HeapValidate(heaps[i], 0, nullptr)) {
            Fail(run, "heap " + std::to_string(i + 1) + " of " + std::to_string(count) +
                          " holds a damaged block " + when + " (an overrun or a write after free)");
        }
    }
}

}  // namespace stress
