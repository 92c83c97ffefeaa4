#include "workbench/app/HostLoop.h"

#include <windows.h>

#include "workbench/common/NowMs.h"
#include "workbench/host/Workbench.h"

namespace workbench {

int32_t AnswerRefreshes(std::vector<double>* times) {
    int32_t redraws = 0;
    for (int guard = 0; guard < 64; ++guard) {
        wb::PumpWindowMessages();
        wb::DeliverDocumentChange();
        if (!wb::RefreshPending()) break;
        const double start = common::NowMs();
        wb::Redraw();
        if (times) times->push_back(common::NowMs() - start);
        ++redraws;
    }
    return redraws;
}

}  // namespace workbench
