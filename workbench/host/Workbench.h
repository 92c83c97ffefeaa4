// The workbench host's own C++ interface, exported by WorkbenchHost.dll beside the 140 host
// functions of HostAbi.h. The workbench program and the test programs use it to make documents,
// drive a plug-in the way the modeller does, and look at what the plug-in did. A plug-in never
// sees it.
//
// Documents are edited through the host functions themselves (MQ_CreateObject, MQObj_AddVertex,
// MQObj_AddFace, MQObj_SetFaceCoordinateArray, MQDoc_AddObject, MQDoc_DeleteObject,
// MQ_CreateMaterial, MQMat_SetName, MQMat_SetTextureName, MQDoc_AddMaterial,
// MQDoc_AddSelectVertex, ...), with the signatures of HostAbi.h.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "plugin/HostAbi.h"

#ifdef WORKBENCH_HOST_BUILD
#define WORKBENCH_API __declspec(dllexport)
#else
#define WORKBENCH_API __declspec(dllimport)
#endif

namespace wb {

// ---- documents ------------------------------------------------------------------------------
// Replaces the active document with a new empty one and returns it. There is always an active
// document; the plug-in receives it with every event.
WORKBENCH_API HostDocument NewDocument();
WORKBENCH_API HostDocument ActiveDocument();
// Loads a Wavefront OBJ/MTL scene into a new active document: one object per OBJ object or group,
// materials with their colour, alpha, ambient, emission, specular and textures, UVs, vertex
// colours (as face-vertex colours), polygons of more than four points split into triangles by ear
// clipping, poly-lines as 2-point faces and points as 1-point faces. On failure returns false
// with a message naming the file in *error. A load that succeeds may still leave warnings in
// *error, one line each naming a file: a missing material library, a missing or empty texture,
// faces skipped for bad indices or coordinates, numbers that are no numbers, faces of fewer than
// three points, material names no library defines, vertices at the place of another vertex of
// their object (by object). weld joins those vertices, per object, where they agree within a
// millionth of the object's size (their corners keep their own UVs and colours). Paths, here and
// in every function of this interface that takes one, are UTF-8 (see io/FileAccess.h). Names keep
// every character the file gives them: the plug-in reads them in code page 932 ("?" for a
// character it lacks), the saved files get them as they were.
WORKBENCH_API bool LoadObjScene(const char* path, std::string* error, bool weld = false);
// The folder that MQDoc_FindMappingFile resolves texture names against.
WORKBENCH_API void SetTextureFolder(const char* folder);
// An object's name in UTF-8 as the files give it: as the scene file named it, while no one has
// renamed it through the host functions since. "" for an invalid object.
WORKBENCH_API std::string ObjectOriginalName(HostObject object);
// Names object after source: source's name followed by suffix (ASCII), both the host's name and
// the original, so that the files name it as the scene file named source.
WORKBENCH_API void NameAfterObject(HostObject object, HostObject source, const std::string& suffix);
// A material's name in UTF-8 as the files give it (as ObjectOriginalName).
WORKBENCH_API std::string MaterialOriginalName(HostMaterial material);
// Host text (code page 932) in UTF-8, and UTF-8 as the host holds it ("?" for a character code
// page 932 lacks).
WORKBENCH_API std::string HostTextToUtf8(const std::string& text);
WORKBENCH_API std::string Utf8ToHostText(const std::string& text);
// Convenience for tests: an object with the given vertices and faces (each face a list of 1..4
// vertex indices), added to the active document; returns its document index.
WORKBENCH_API int32_t AddMeshObject(const char* name, const std::vector<HostPoint>& vertices,
                                    const std::vector<std::vector<int32_t>>& faces);
// The active document's size as the workbench reports it: "2 objects, 120 faces", followed by
// ", 18 lines" and ", 3 points" when it has 2-point and 1-point faces, which are counted apart.
WORKBENCH_API std::string ElementSummary();
// Workbench-only path for bad-host tests: appends a face with any number of points (0 and more
// than 4 included) and unchecked vertex indices, default UVs (0,0) and colours 0xFFFFFFFF, no
// material. Returns the face index, or -1 for an invalid object.
WORKBENCH_API int32_t AddRawFace(HostObject object, const std::vector<int32_t>& indices);

// ---- the plug-in ------------------------------------------------------------------------------
// The host version the workbench passes to MQCheckVersion.
constexpr uint32_t kWorkbenchHostVersion = 0x4700;
// Loads the plug-in DLL and plays the modeller's start-up: MQCheckVersion, MQInit with this host
// module's path, the identification queries, the type, event 1. False (with *error) when any step
// fails.
WORKBENCH_API bool LoadPlugin(const char* dllPath, std::string* error);
// Event 2 and FreeLibrary.
WORKBENCH_API void UnloadPlugin();
WORKBENCH_API bool PluginLoaded();
WORKBENCH_API HMODULE PluginModule();
// What MQGetPlugInName and MQGetPlugInType answered at load ("" and 0 without a plug-in).
WORKBENCH_API std::string PluginName();
WORKBENCH_API int32_t PluginType();
// MQOnEvent(active document, code, option) on the loaded plug-in; 0 without one.
WORKBENCH_API int32_t SendEvent(int32_t code, void* option);
// Event 100 with the show flag.
WORKBENCH_API int32_t ActivatePlugin(bool show);
// Dispatches every pending window message of this thread and delivers a document change (see
// DeliverDocumentChange); then, if a refresh is pending, runs one redraw (draw objects and draw
// materials cleared, event 110 with "scene", "width" and "height"). Repeats until nothing is
// pending. Returns the number of redraws run.
WORKBENCH_API int32_t ProcessMessages();
// After a station callback that answered nonzero (the plug-in changed the document), the host does
// what the modeller does once the plug-in has returned: it sends the change events (object list
// 220, object modified 221, and material list 230 when the document's materials changed) and
// redraws. ProcessMessages does both; a loop of the host's own calls DeliverDocumentChange after
// dispatching messages and then answers the refresh. True when events were sent.
WORKBENCH_API bool DeliverDocumentChange();
// Station callbacks that changed the document since the program started.
WORKBENCH_API int32_t DocumentChangeCount();
// Only dispatches pending window messages (no redraw); returns how many were dispatched.
WORKBENCH_API int32_t PumpWindowMessages();
// True while an MQ_RefreshView call has not been answered by a redraw yet.
WORKBENCH_API bool RefreshPending();
// Runs one redraw now, whether or not a refresh was requested.
WORKBENCH_API void Redraw();
WORKBENCH_API int32_t RedrawCount();        // redraws run since the plug-in was loaded
WORKBENCH_API int32_t RefreshRequestCount();  // MQ_RefreshView calls since the plug-in was loaded
// The host's main window (MQ_GetWindowHandle), created on first use; owner of the panel.
WORKBENCH_API HWND MainWindow();
// The plug-in's identification numbers from MQGetPlugInID.
WORKBENCH_API void PluginIds(uint32_t* first, uint32_t* second);

// ---- what the plug-in did ---------------------------------------------------------------------
// Draw objects and draw materials created during the last redraw (owned by the host, valid until
// the next redraw). Draw materials' indices follow the document's materials.
WORKBENCH_API std::vector<HostObject> DrawObjects();
WORKBENCH_API std::vector<HostMaterial> DrawMaterials();
// A draw material's index as given to the plug-in, or -1.
WORKBENCH_API int32_t DrawMaterialIndex(HostMaterial material);
// Visibility value passed with each draw object, in creation order.
WORKBENCH_API std::vector<int32_t> DrawObjectVisibilities();
// Freeze flags passed with MQObj_Freeze to an object (0 if never frozen).
WORKBENCH_API uint32_t FreezeFlags(HostObject object);
// Messages received through MQ_SendMessage: the whole record and its option keys in order. The
// host keeps the most recent 256, so that a long session does not grow with every redraw.
struct ReceivedMessage {
    int32_t code;
    uint32_t firstId, secondId, reserved;
    std::vector<std::string> optionKeys;
};
WORKBENCH_API std::vector<ReceivedMessage> ReceivedMessages();
WORKBENCH_API void ClearReceivedMessages();

// ---- call recording ---------------------------------------------------------------------------
// While recording, every host function the plug-in (or anyone) calls is logged in order as
// "Name(arg, arg, ...)": integers in decimal, floats with %g, handles as "obj<unique ID>",
// "mat<address-stable serial>", "doc", "null"; points as "(x,y,z)"; strings quoted.
WORKBENCH_API void StartRecording();
WORKBENCH_API void StopRecording();
WORKBENCH_API std::vector<std::string> RecordedCalls();
WORKBENCH_API void ClearRecordedCalls();
// Only the names of the recorded calls, in order.
WORKBENCH_API std::vector<std::string> RecordedCallNames();

// ---- image blocks -----------------------------------------------------------------------------
// Blocks handed out by MQ_LoadImage (allocated with LocalAlloc) and how many of them were freed
// (counted through the process's LocalFree, hooked by the host).
WORKBENCH_API int64_t ImageBlocksAllocated();
WORKBENCH_API int64_t ImageBlocksFreed();
// Routes module's imported LocalFree through the counter (LoadPlugin does it for the plug-in;
// unit tests call it for their own executable).
WORKBENCH_API void CountLocalFreeIn(HMODULE module);

// ---- stale handles ----------------------------------------------------------------------------
// Calls made with the handle of an object or material the host had already destroyed (deleted
// from the document, a draw object of an earlier redraw, an MQObj_Delete'd clone). The host keeps
// destroyed ones recognisable for a while to count them; a plug-in must never make such a call.
WORKBENCH_API int64_t StaleHandleUses();

// ---- saving -----------------------------------------------------------------------------------
// Writes the active document as Wavefront OBJ with its MTL beside it.
// Writes the active document as Wavefront OBJ with its MTL beside it, so that LoadObjScene gives
// the same picture again: corner colours as "v x y z r g b" (a vertex written once per colour its
// corners carry), each material's colour, alpha, ambient, emission and texture (copied beside the
// files), texture coordinates only for faces that have them. Corner alpha, which OBJ colours
// lack, joins the alpha of a copy of the material. A texture's copy never takes one of
// reservedNames (compared without case, as Windows compares names): it is numbered as a second
// file of its name would be.
WORKBENCH_API bool SaveObjScene(const char* path, std::string* error,
                                const std::vector<std::string>& reservedNames = {});
// Writes the active document as glTF 2.0 binary (.glb): positions, normals, UVs, vertex colours
// (COLOR_0) of materials that show them, materials with base colour, alpha and blend mode, and
// their textures embedded. Faces only; lines and points are left out.
WORKBENCH_API bool SaveGltfScene(const char* path, std::string* error);

}  // namespace wb
