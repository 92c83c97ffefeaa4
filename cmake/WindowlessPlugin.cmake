# The plug-in's code that needs no window, for the programs that run it without the host's panel:
# the native trees' libraries (native/CMakeLists.txt) and the Windows baking command
# (baker/Baker.cmake). PUFFSHELL_SOURCE_DIR is the top of the sources.
#   PUFFSHELL_WINDOWLESS_SOURCES  host binding, settings, geometry, the draw pass's parts, the
#                                 shell's memory rule, the presets' rules
#   PUFFSHELL_EVENT_SOURCES       the plug-in object, its exports with the host's event entry, the
#                                 draw pass and the freeze; their panel is native/PanelStandIn.cpp
set(_p ${PUFFSHELL_SOURCE_DIR})
set(PUFFSHELL_WINDOWLESS_SOURCES
  ${_p}/plugin/HostApi.cpp
  ${_p}/plugin/ModuleState.cpp
  ${_p}/plugin/OptionList.cpp
  ${_p}/settings/ExpansionSettings.cpp
  ${_p}/settings/HeightMapImage.cpp
  ${_p}/settings/SettingsStore.cpp
  ${_p}/settings/TextureCache.cpp
  ${_p}/geometry/CopyMirrorAndPatch.cpp
  ${_p}/geometry/DisplaceVertices.cpp
  ${_p}/geometry/ExtractColors.cpp
  ${_p}/geometry/FaceNormal.cpp
  ${_p}/geometry/FaceNormalBatch.cpp
  ${_p}/geometry/FaceOperations.cpp
  ${_p}/geometry/FacePoints.cpp
  ${_p}/geometry/ShellLayer.cpp
  ${_p}/geometry/VertexPushCache.cpp
  ${_p}/display/ShellMaterial.cpp
  ${_p}/display/ShellMemory.cpp
  ${_p}/ui/PresetRules.cpp)
set(PUFFSHELL_EVENT_SOURCES
  ${_p}/plugin/Exports.cpp
  ${_p}/plugin/ShellPlugin.cpp
  ${_p}/display/DrawPass.cpp
  ${_p}/freeze/FreezeShell.cpp)
