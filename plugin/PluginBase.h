// The plug-in class layering: PluginBase (identification), StationPluginBase (a plug-in with a
// modeless panel of its own that follows the host's document events; empty defaults for every
// event it may ignore). MQOnEvent calls these operations through their virtual slots.
#pragma once

#include "plugin/HostAbi.h"

class PluginBase {
public:
    virtual ~PluginBase() {}
    virtual void queryIds(uint32_t* first, uint32_t* second) = 0;
    virtual const char* displayName() = 0;
    virtual int32_t pluginType() = 0;
};

class StationPluginBase : public PluginBase {
public:
    int32_t pluginType() override { return 6; }
    virtual const char* enumString() = 0;
    virtual bool initialize() = 0;
    virtual void exit() = 0;
    virtual bool activate(HostDocument document, bool show) = 0;
    virtual bool isActive(HostDocument document) = 0;
    virtual void minimize(HostDocument, bool) {}
    virtual void draw(HostDocument, HostScene, int32_t, int32_t) {}
    virtual void newDocument(HostDocument, const char*, HostXmlElement*) {}
    virtual void endDocument(HostDocument) {}
    // saveUniqueIds: set it to ask the host to save unique IDs with the document.
    virtual void saveDocument(HostDocument, const char*, HostXmlElement, bool* /*saveUniqueIds*/) {}
    virtual bool undo(HostDocument, int32_t) { return false; }
    virtual bool redo(HostDocument, int32_t) { return false; }
    virtual void undoUpdated(HostDocument, int32_t, int32_t) {}
    virtual void objectModified(HostDocument) {}
    virtual void objectSelected(HostDocument) {}
    virtual void objectListUpdated(HostDocument) {}
    virtual void materialModified(HostDocument) {}
    virtual void materialListUpdated(HostDocument) {}
    virtual void sceneUpdated(HostDocument, HostScene) {}
    virtual bool onStationCallback(HostDocument document, void* option) = 0;
};
