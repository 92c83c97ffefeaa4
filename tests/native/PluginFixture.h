// The plug-in's core in this test program itself: its event entry MQOnEvent called as the host
// calls it, the workbench host (WorkbenchHost.so) behind its host functions, and the native
// build's stand-in for its panel (native/PanelStandIn.h). Every test starts with a new document
// and the plug-in initialised (event 1) with its module-wide state as when it was loaded.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "native/PanelStandIn.h"
#include "plugin/HostAbi.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "tests/support/TestHost.h"
#include "workbench/host/Workbench.h"

// The plug-in's export (plugin/Exports.cpp), linked into this program.
extern "C" int32_t MQOnEvent(HostDocument doc, int32_t eventCode, void* option);

class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        document = wb::NewDocument();
        Settings().clear();
        disableAll = 0;
        forceDisplay = false;
        selectionOnly = false;
        rebuildPending = true;
        refreshRequested = false;
        standin::SelectObject(nullptr);
        standin::OpenPanel();
        ASSERT_EQ(Event(kEventInitialize), 1);
        wb::ClearReceivedMessages();
    }
    void TearDown() override {
        Event(kEventExit);
        standin::SelectObject(nullptr);
        Settings().clear();
        wb::Redraw();  // the last test's draw objects go
    }

    int32_t Event(int32_t code, void* option = nullptr) {
        return MQOnEvent(document, code, option);
    }
    int32_t Activate(bool show) {
        int32_t flag = show ? 1 : 0;
        return Event(kEventActivate, &flag);
    }
    // A redraw as the host runs it: the last draw objects and materials go, then event 110.
    void Redraw() {
        wb::Redraw();
        int32_t width = 640, height = 480;
        OptionPair options[] = {{"width", &width}, {"height", &height}, {nullptr, nullptr}};
        Event(kEventDraw, options);
    }
    // The z of the first vertex of every layer of the last redraw, layer by layer.
    static std::vector<float> LayerDepths() {
        std::vector<float> depths;
        for (HostObject layer : wb::DrawObjects())
            depths.push_back(testhost::VertexPositions(layer).at(0).z);
        return depths;
    }

    HostDocument document = nullptr;
};
