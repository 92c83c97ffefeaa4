// ShellPlugin: the single plug-in object. Its handlers keep the panel's life cycle and turn the
// host's document events into rebuilds and redraws; its host-message operations ask the host for
// draw objects and draw materials.
#pragma once

#include "plugin/PluginBase.h"

// A function run with the document inside the host's station callback; true when it changed it.
typedef bool (*DocumentFunction)(HostDocument document);

class ShellPlugin : public StationPluginBase {
public:
    bool panelShown = false;  // the panel was activated and is meant to be visible

    void queryIds(uint32_t* first, uint32_t* second) override;
    const char* displayName() override;
    const char* enumString() override;
    bool initialize() override;
    void exit() override;
    bool activate(HostDocument document, bool show) override;
    bool isActive(HostDocument document) override;
    void minimize(HostDocument document, bool minimized) override;
    void draw(HostDocument document, HostScene scene, int32_t width, int32_t height) override;
    bool undo(HostDocument document, int32_t state) override;
    bool redo(HostDocument document, int32_t state) override;
    void objectModified(HostDocument document) override;
    void objectSelected(HostDocument document) override;
    void objectListUpdated(HostDocument document) override;
    void materialModified(HostDocument document) override;
    void materialListUpdated(HostDocument document) override;
    bool onStationCallback(HostDocument document, void* option) override;

    // Message 100: the station was closed.
    void sendDeactivated();
    // Message 200: a draw object for this redraw, or null when the host gives none.
    HostObject createDrawObject(HostDocument document, int32_t visibility);
    // Message 201: a draw material for this redraw; *outIndex gets its index (-1 if not given).
    HostMaterial createDrawMaterial(HostDocument document, int32_t* outIndex);
    // Runs function with the document inside MQ_StationCallback; returns what the host returns.
    int32_t runInDocument(DocumentFunction function);

private:
    // The change handlers go on only while the panel is shown and shells are not disabled.
    bool acceptsChanges(HostDocument document);
};

ShellPlugin& Plugin();

// The plug-in's two identification numbers, written by queryIds and sent in every host message.
enum : uint32_t {
    kPluginFirstId = 0x50554646,   // "PUFF"
    kPluginSecondId = 0x5348454C,  // "SHEL"
};
