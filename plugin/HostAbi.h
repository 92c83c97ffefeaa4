// The binary interface between Puffshell and its host modeller.
//
// Both sides include this header and nothing else of each other: the plug-in binds the host
// functions by name into HostApi (HostApi.h), the workbench (the stand-in host) defines and
// exports them. Every function is extern "C" with the platform's default C calling convention,
// exported under its plain name.
#pragma once

#include <stdint.h>

#include <windows.h>

typedef struct HostDocumentTag* HostDocument;
typedef struct HostObjectTag* HostObject;
typedef struct HostMaterialTag* HostMaterial;
typedef struct HostSceneTag* HostScene;
typedef struct HostXmlElementTag* HostXmlElement;

struct HostPoint { float x, y, z; };  // a vertex position
struct HostUV { float u, v; };        // one face corner's texture coordinate
struct HostRGB { float r, g, b; };    // a material colour, channels 0..1

// A named value passed in either direction. An option list is an array of pairs ended by a pair
// whose key is NULL.
struct OptionPair {
    const char* key;
    void* value;
};

// The record sent with MQ_SendMessage. The sender owns it and its option list for the call.
struct HostMessage {
    uint32_t firstId;   // the plug-in's two identification numbers
    uint32_t secondId;
    uint32_t reserved;  // always 0
    OptionPair* options;
};

typedef int32_t (*StationCallbackProc)(HostDocument doc, void* option);

// Host messages a station plug-in sends.
enum HostMessageCode : int32_t {
    kMessageStationClosed = 100,
    kMessageCreateDrawObject = 200,
    kMessageCreateDrawMaterial = 201,
};

// Values the plug-in hands the host for its shell layers. What the host makes of them is its own
// affair; the plug-in passes them unchanged for every layer.
enum : int32_t {
    kLayerVisibility = 4,  // "visibility" of message 200 for every layer's draw object
};
enum : uint32_t {
    kLayerFreezeFlags = 2,  // MQObj_Freeze's flags for a finished layer
};

// Keys of MQObj_GetIntValue and MQMat_GetIntValue / MQMat_SetIntValue.
enum : int32_t {
    kObjectUniqueId = 260,
    kMaterialShadeFlat = 257,        // meaning left to the host
    kMaterialShowsVertexColor = 258,
};

// Events of MQOnEvent.
enum HostEvent : int32_t {
    kEventInitialize = 1,
    kEventExit = 2,
    kEventActivate = 100,
    kEventIsActive = 101,
    kEventMinimize = 102,
    kEventDraw = 110,
    kEventNewDocument = 200,
    kEventEndDocument = 201,
    kEventSaveDocument = 202,
    kEventUndo = 210,
    kEventRedo = 211,
    kEventUndoUpdated = 212,
    kEventObjectListUpdated = 220,
    kEventObjectModified = 221,
    kEventObjectSelected = 222,
    kEventMaterialListUpdated = 230,
    kEventMaterialModified = 231,
    kEventSceneUpdated = 240,
};

// The plug-in's exports.
extern "C" {
typedef uint32_t (*MQCheckVersionProc)(uint32_t hostVersion);
typedef int32_t (*MQInitProc)(const char* hostModulePath);
typedef void (*MQGetPlugInIDProc)(uint32_t* first, uint32_t* second);
typedef const char* (*MQGetPlugInNameProc)(void);
typedef int32_t (*MQGetPlugInTypeProc)(void);
typedef const char* (*MQEnumStringProc)(int32_t index);
typedef const char* (*MQEnumFileTypeProc)(int32_t index);
typedef const char* (*MQEnumFileExtProc)(int32_t index);
typedef int32_t (*MQImportFileProc)(int32_t index, const char* fileName, HostDocument doc);
typedef int32_t (*MQExportFileProc)(int32_t index, const char* fileName, HostDocument doc);
typedef int32_t (*MQCreateProc)(int32_t index, HostDocument doc);
typedef int32_t (*MQModifyObjectProc)(int32_t index, HostDocument doc);
typedef int32_t (*MQModifySelectProc)(int32_t index, HostDocument doc);
typedef int32_t (*MQOnEventProc)(HostDocument doc, int32_t eventCode, void* option);
}

// All 140 host functions, in the order in which the plug-in looks them up. The signatures of
// the functions the plug-in calls are fixed by the interface; for the others the host chose
// them (the workbench implements them and tests use them to edit documents).
//   X(return type, name, parameter list)
#define HOST_FUNCTIONS(X)                                                                        \
    X(HWND, MQ_GetWindowHandle, (void))                                                          \
    X(HostObject, MQ_CreateObject, (void))                                                       \
    X(HostMaterial, MQ_CreateMaterial, (void))                                                   \
    X(int32_t, MQ_ShowFileDialog, (const char* title, void* info))                               \
    X(void, MQ_ImportAxis, (void* info, HostPoint* points, int32_t count))                       \
    X(void, MQ_ExportAxis, (void* info, HostPoint* points, int32_t count))                       \
    X(int32_t, MQ_LoadImage, (const char* fileName, void** headerBlock, void** pixelBlock,       \
                              uint32_t flags))                                                   \
    X(int32_t, MQ_GetSystemPath, (char* buffer, int32_t kind))                                   \
    X(void, MQ_RefreshView, (void* reserved))                                                    \
    X(int32_t, MQ_StationCallback, (StationCallbackProc proc, void* option))                     \
    X(int32_t, MQ_SendMessage, (int32_t message, HostMessage* record))                           \
    X(int32_t, MQDoc_GetObjectCount, (HostDocument doc))                                         \
    X(HostObject, MQDoc_GetObject, (HostDocument doc, int32_t index))                            \
    X(int32_t, MQDoc_GetCurrentObjectIndex, (HostDocument doc))                                  \
    X(void, MQDoc_SetCurrentObjectIndex, (HostDocument doc, int32_t index))                      \
    X(int32_t, MQDoc_AddObject, (HostDocument doc, HostObject obj))                              \
    X(void, MQDoc_DeleteObject, (HostDocument doc, int32_t index))                               \
    X(int32_t, MQDoc_GetObjectIndex, (HostDocument doc, HostObject obj))                         \
    X(int32_t, MQDoc_GetMaterialCount, (HostDocument doc))                                       \
    X(HostMaterial, MQDoc_GetMaterial, (HostDocument doc, int32_t index))                        \
    X(int32_t, MQDoc_GetCurrentMaterialIndex, (HostDocument doc))                                \
    X(void, MQDoc_SetCurrentMaterialIndex, (HostDocument doc, int32_t index))                    \
    X(int32_t, MQDoc_AddMaterial, (HostDocument doc, HostMaterial mat))                          \
    X(void, MQDoc_DeleteMaterial, (HostDocument doc, int32_t index))                             \
    X(void, MQDoc_Compact, (HostDocument doc))                                                   \
    X(void, MQDoc_ClearSelect, (HostDocument doc, uint32_t flags))                               \
    X(int32_t, MQDoc_AddSelectVertex, (HostDocument doc, int32_t objIndex, int32_t vertex))      \
    X(int32_t, MQDoc_DeleteSelectVertex, (HostDocument doc, int32_t objIndex, int32_t vertex))   \
    X(int32_t, MQDoc_IsSelectVertex, (HostDocument doc, int32_t objIndex, int32_t vertex))       \
    X(int32_t, MQDoc_AddSelectLine, (HostDocument doc, int32_t objIndex, int32_t face,           \
                                     int32_t line))                                              \
    X(int32_t, MQDoc_DeleteSelectLine, (HostDocument doc, int32_t objIndex, int32_t face,        \
                                        int32_t line))                                           \
    X(int32_t, MQDoc_IsSelectLine, (HostDocument doc, int32_t objIndex, int32_t face,            \
                                    int32_t line))                                               \
    X(int32_t, MQDoc_AddSelectFace, (HostDocument doc, int32_t objIndex, int32_t face))          \
    X(int32_t, MQDoc_DeleteSelectFace, (HostDocument doc, int32_t objIndex, int32_t face))       \
    X(int32_t, MQDoc_IsSelectFace, (HostDocument doc, int32_t objIndex, int32_t face))           \
    X(int32_t, MQDoc_AddSelectUVVertex, (HostDocument doc, int32_t objIndex, int32_t face,       \
                                         int32_t corner))                                        \
    X(int32_t, MQDoc_DeleteSelectUVVertex, (HostDocument doc, int32_t objIndex, int32_t face,    \
                                            int32_t corner))                                     \
    X(int32_t, MQDoc_IsSelectUVVertex, (HostDocument doc, int32_t objIndex, int32_t face,        \
                                        int32_t corner))                                         \
    X(int32_t, MQDoc_FindMappingFile, (HostDocument doc, char* outPath, const char* textureName, \
                                       uint32_t kind))                                           \
    X(HostScene, MQDoc_GetScene, (HostDocument doc, int32_t index))                              \
    X(HostObject, MQDoc_GetParentObject, (HostDocument doc, HostObject obj))                     \
    X(int32_t, MQDoc_GetChildObjectCount, (HostDocument doc, HostObject obj))                    \
    X(HostObject, MQDoc_GetChildObject, (HostDocument doc, HostObject obj, int32_t index))       \
    X(void, MQDoc_GetGlobalMatrix, (HostDocument doc, HostObject obj, float* matrix))            \
    X(void, MQDoc_GetGlobalInverseMatrix, (HostDocument doc, HostObject obj, float* matrix))     \
    X(void, MQScene_InitSize, (HostScene scene, int32_t width, int32_t height))                  \
    X(void, MQScene_GetProjMatrix, (HostScene scene, float* matrix))                             \
    X(void, MQScene_GetViewMatrix, (HostScene scene, float* matrix))                             \
    X(int32_t, MQScene_FloatValue, (HostScene scene, int32_t key, float* values))                \
    X(void, MQObj_Delete, (HostObject obj))                                                      \
    X(HostObject, MQObj_Clone, (HostObject obj))                                                 \
    X(void, MQObj_Merge, (HostObject target, HostObject source))                                 \
    X(void, MQObj_Freeze, (HostObject obj, uint32_t flags))                                      \
    X(void, MQObj_GetName, (HostObject obj, char* buffer, int32_t size))                         \
    X(int32_t, MQObj_GetVertexCount, (HostObject obj))                                           \
    X(void, MQObj_GetVertex, (HostObject obj, int32_t index, HostPoint* out))                    \
    X(void, MQObj_SetVertex, (HostObject obj, int32_t index, const HostPoint* point))            \
    X(int32_t, MQObj_GetVertexArray, (HostObject obj, HostPoint* out))                           \
    X(int32_t, MQObj_GetFaceCount, (HostObject obj))                                             \
    X(int32_t, MQObj_GetFacePointCount, (HostObject obj, int32_t face))                          \
    X(void, MQObj_GetFacePointArray, (HostObject obj, int32_t face, int32_t* outIndices))        \
    X(void, MQObj_GetFaceCoordinateArray, (HostObject obj, int32_t face, HostUV* outUVs))        \
    X(int32_t, MQObj_GetFaceMaterial, (HostObject obj, int32_t face))                            \
    X(uint32_t, MQObj_GetFaceUniqueID, (HostObject obj, int32_t face))                           \
    X(int32_t, MQObj_GetFaceIndexFromUniqueID, (HostObject obj, uint32_t uniqueId))              \
    X(void, MQObj_SetName, (HostObject obj, const char* name))                                   \
    X(int32_t, MQObj_AddVertex, (HostObject obj, const HostPoint* point))                        \
    X(int32_t, MQObj_DeleteVertex, (HostObject obj, int32_t index, int32_t deleteFaces))         \
    X(int32_t, MQObj_GetVertexRefCount, (HostObject obj, int32_t index))                         \
    X(uint32_t, MQObj_GetVertexUniqueID, (HostObject obj, int32_t index))                        \
    X(int32_t, MQObj_GetVertexIndexFromUniqueID, (HostObject obj, uint32_t uniqueId))            \
    X(uint32_t, MQObj_GetVertexColor, (HostObject obj, int32_t index))                           \
    X(void, MQObj_SetVertexColor, (HostObject obj, int32_t index, uint32_t color))               \
    X(float, MQObj_GetVertexWeight, (HostObject obj, int32_t index))                             \
    X(void, MQObj_SetVertexWeight, (HostObject obj, int32_t index, float weight))                \
    X(void, MQObj_CopyVertexAttribute, (HostObject obj, int32_t target, HostObject source,       \
                                        int32_t sourceIndex))                                    \
    X(int32_t, MQObj_AddFace, (HostObject obj, int32_t count, const int32_t* indices))           \
    X(int32_t, MQObj_DeleteFace, (HostObject obj, int32_t face, int32_t deleteVertices))         \
    X(void, MQObj_InvertFace, (HostObject obj, int32_t face))                                    \
    X(void, MQObj_SetFaceMaterial, (HostObject obj, int32_t face, int32_t material))             \
    X(void, MQObj_SetFaceCoordinateArray, (HostObject obj, int32_t face, const HostUV* uvs))     \
    X(uint32_t, MQObj_GetFaceVertexColor, (HostObject obj, int32_t face, int32_t corner))        \
    X(void, MQObj_SetFaceVertexColor, (HostObject obj, int32_t face, int32_t corner,             \
                                       uint32_t color))                                          \
    X(int32_t, MQObj_OptimizeVertex, (HostObject obj, float distance, void* reserved))           \
    X(void, MQObj_Compact, (HostObject obj))                                                     \
    X(int32_t, MQObj_GetVisible, (HostObject obj))                                               \
    X(void, MQObj_SetVisible, (HostObject obj, int32_t visible))                                 \
    X(int32_t, MQObj_GetPatchType, (HostObject obj))                                             \
    X(void, MQObj_SetPatchType, (HostObject obj, int32_t type))                                  \
    X(int32_t, MQObj_GetPatchSegment, (HostObject obj))                                          \
    X(void, MQObj_SetPatchSegment, (HostObject obj, int32_t segment))                            \
    X(int32_t, MQObj_GetShading, (HostObject obj))                                               \
    X(void, MQObj_SetShading, (HostObject obj, int32_t shading))                                 \
    X(float, MQObj_GetSmoothAngle, (HostObject obj))                                             \
    X(void, MQObj_SetSmoothAngle, (HostObject obj, float degrees))                               \
    X(int32_t, MQObj_GetMirrorType, (HostObject obj))                                            \
    X(void, MQObj_SetMirrorType, (HostObject obj, int32_t type))                                 \
    X(uint32_t, MQObj_GetMirrorAxis, (HostObject obj))                                           \
    X(void, MQObj_SetMirrorAxis, (HostObject obj, uint32_t axis))                                \
    X(float, MQObj_GetMirrorDistance, (HostObject obj))                                          \
    X(void, MQObj_SetMirrorDistance, (HostObject obj, float distance))                           \
    X(int32_t, MQObj_GetLatheType, (HostObject obj))                                             \
    X(void, MQObj_SetLatheType, (HostObject obj, int32_t type))                                  \
    X(uint32_t, MQObj_GetLatheAxis, (HostObject obj))                                            \
    X(void, MQObj_SetLatheAxis, (HostObject obj, uint32_t axis))                                 \
    X(int32_t, MQObj_GetLatheSegment, (HostObject obj))                                          \
    X(void, MQObj_SetLatheSegment, (HostObject obj, int32_t segment))                            \
    X(int32_t, MQObj_GetIntValue, (HostObject obj, int32_t key))                                 \
    X(void, MQObj_GetFloatArray, (HostObject obj, int32_t key, float* values))                   \
    X(void, MQObj_SetIntValue, (HostObject obj, int32_t key, int32_t value))                     \
    X(void, MQObj_SetFloatArray, (HostObject obj, int32_t key, const float* values))             \
    X(void, MQMat_Delete, (HostMaterial mat))                                                    \
    X(int32_t, MQMat_GetIntValue, (HostMaterial mat, int32_t key))                               \
    X(void, MQMat_GetFloatArray, (HostMaterial mat, int32_t key, float* values))                 \
    X(void, MQMat_GetName, (HostMaterial mat, char* buffer, int32_t size))                       \
    X(void, MQMat_GetColor, (HostMaterial mat, HostRGB* out))                                    \
    X(float, MQMat_GetAlpha, (HostMaterial mat))                                                 \
    X(float, MQMat_GetDiffuse, (HostMaterial mat))                                               \
    X(float, MQMat_GetAmbient, (HostMaterial mat))                                               \
    X(float, MQMat_GetEmission, (HostMaterial mat))                                              \
    X(float, MQMat_GetSpecular, (HostMaterial mat))                                              \
    X(float, MQMat_GetPower, (HostMaterial mat))                                                 \
    X(void, MQMat_GetTextureName, (HostMaterial mat, char* buffer, int32_t size))                \
    X(void, MQMat_GetAlphaName, (HostMaterial mat, char* buffer, int32_t size))                  \
    X(void, MQMat_GetBumpName, (HostMaterial mat, char* buffer, int32_t size))                   \
    X(void, MQMat_SetIntValue, (HostMaterial mat, int32_t key, int32_t value))                   \
    X(void, MQMat_SetFloatArray, (HostMaterial mat, int32_t key, const float* values))           \
    X(void, MQMat_SetName, (HostMaterial mat, const char* name))                                 \
    X(void, MQMat_SetColor, (HostMaterial mat, const HostRGB* color))                            \
    X(void, MQMat_SetAlpha, (HostMaterial mat, float value))                                     \
    X(void, MQMat_SetDiffuse, (HostMaterial mat, float value))                                   \
    X(void, MQMat_SetAmbient, (HostMaterial mat, float value))                                   \
    X(void, MQMat_SetEmission, (HostMaterial mat, float value))                                  \
    X(void, MQMat_SetSpecular, (HostMaterial mat, float value))                                  \
    X(void, MQMat_SetPower, (HostMaterial mat, float value))                                     \
    X(void, MQMat_SetTextureName, (HostMaterial mat, const char* name))                          \
    X(void, MQMat_SetAlphaName, (HostMaterial mat, const char* name))                            \
    X(void, MQMat_SetBumpName, (HostMaterial mat, const char* name))                             \
    X(void, MQMatrix_FloatValue, (float* matrix, int32_t key, float* values))                    \
    X(int32_t, MQXmlElem_Value, (HostXmlElement element, int32_t key, void* value))

// Prototypes of the host functions, for the host that defines them and for test programs that
// link it. The plug-in never calls these directly (it links no host library): it goes through
// HostApi.
#ifndef HOST_FUNCTION_LINKAGE
#define HOST_FUNCTION_LINKAGE
#endif
#define HOST_DECLARE_FUNCTION(ret, name, params) HOST_FUNCTION_LINKAGE ret name params;
extern "C" {
HOST_FUNCTIONS(HOST_DECLARE_FUNCTION)
}
#undef HOST_DECLARE_FUNCTION

enum { kHostFunctionCount = 140 };
