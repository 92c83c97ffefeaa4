#include "workbench/app/HostLoop.h"

#include <windows.h>

#include "workbench/host/Workbench.h"

namespace workbench {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int32_t AnswerRefreshes(std::vector<double>* times) {
    int32_t redraws = 0;
    for (int guard = 0; guard < 64; ++guard) {
        wb::PumpWindowMessages();
        wb::DeliverDocumentChange();
        if (!wb::RefreshPending()) break;
        const double start = NowMs();
        wb::Redraw();
        if (times) times->push_back(NowMs() - start);
        ++redraws;
    }
    return redraws;
}

}  // namespace workbench
