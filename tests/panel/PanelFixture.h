// A fresh document and a freshly loaded Puffshell.dll for every test; the test builds its document,
// then opens the panel (event 100) and works it through workbench/panel/PanelDriver.h.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "workbench/panel/PanelDriver.h"
#include "tests/support/TestHost.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"

using namespace panel;

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { document = wb::NewDocument(); }
    void TearDown() override { wb::UnloadPlugin(); }

    // Loads the plug-in, shows the panel for the document and runs the redraw it asks for.
    void Open() {
        std::string error;
        ASSERT_TRUE(LoadPuffshell(&error)) << error;
        ASSERT_EQ(wb::ActivatePlugin(true), 1);
        wb::ProcessMessages();
        ASSERT_NE(FindPanel(), nullptr);
    }

    int32_t Event(int32_t code, void* option = nullptr) { return wb::SendEvent(code, option); }

    // A material named name added to the document; returns its index.
    int32_t AddMaterial(const char* name) {
        HostMaterial material = Host().MQ_CreateMaterial();
        Host().MQMat_SetName(material, name);
        return Host().MQDoc_AddMaterial(document, material);
    }

    // The z of every vertex of every layer of the last redraw, layer by layer.
    static std::vector<float> LayerDepths() {
        std::vector<float> depths;
        for (HostObject layer : wb::DrawObjects())
            depths.push_back(testhost::VertexPositions(layer).at(0).z);
        return depths;
    }

    static int32_t FaceMaterial(HostObject object, int32_t face) {
        return Host().MQObj_GetFaceMaterial(object, face);
    }

    HostDocument document = nullptr;
};
