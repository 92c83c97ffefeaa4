# The baking command puffshell, from one list of sources for both of its builds:
#  - native (native/CMakeLists.txt): optimised in build/baker (make baker), under the sanitizers
#    with the checked build's tests in build/native. It runs the plug-in's windowless code
#    (native_plugin_core: settings, presets, push, freeze) on the workbench's host model
#    (WorkbenchHost.so beside it, bound as the plug-in binds its host);
#  - 64-bit Windows (the mingw tree build/win64, from the top CMakeLists.txt): puffshell.exe with
#    the same windowless plug-in code built here, on WorkbenchHost.dll beside it.
# Each system's processes and files are a file of their own (Processes_*.cpp, Files_*.cpp).
if(NOT PUFFSHELL_SOURCE_DIR)
  set(PUFFSHELL_SOURCE_DIR ${CMAKE_SOURCE_DIR})
endif()
file(STRINGS ${PUFFSHELL_SOURCE_DIR}/CMakeLists.txt PUFFSHELL_PROJECT_LINE REGEX "^project\\(Puffshell VERSION")
string(REGEX MATCH "VERSION ([0-9]+)\\.([0-9]+)\\.([0-9]+)" _ "${PUFFSHELL_PROJECT_LINE}")
set(PROJECT_VERSION_MAJOR ${CMAKE_MATCH_1})
set(PROJECT_VERSION_MINOR ${CMAKE_MATCH_2})
set(PROJECT_VERSION_PATCH ${CMAKE_MATCH_3})
set(PROJECT_VERSION ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3})
file(STRINGS ${PUFFSHELL_SOURCE_DIR}/LICENSE PUFFSHELL_COPYRIGHT REGEX "^Copyright" LIMIT_COUNT 1)
configure_file(${PUFFSHELL_SOURCE_DIR}/plugin/Version.h.in ${CMAKE_BINARY_DIR}/generated/plugin/Version.h @ONLY)

set(b ${PUFFSHELL_SOURCE_DIR}/baker)
set(PUFFSHELL_BAKER_SOURCES
  ${b}/BakeScene.cpp
  ${b}/Batch.cpp
  ${b}/CommandLine.cpp
  ${b}/HugePages.cpp
  ${b}/OutputFiles.cpp
  ${b}/Report.cpp
  ${PUFFSHELL_SOURCE_DIR}/workbench/app/SceneBuilder.cpp
  ${PUFFSHELL_SOURCE_DIR}/workbench/app/DemoImages.cpp
  ${b}/PathForPeople.cpp
  ${PUFFSHELL_SOURCE_DIR}/workbench/common/BesideThisProgram.cpp
  ${PUFFSHELL_SOURCE_DIR}/workbench/common/NumberText.cpp)
if(WIN32)
  # Windows' own names (case, trailing dots and spaces, devices) are checked as the workbench's
  # output folder checks them.
  list(APPEND PUFFSHELL_BAKER_SOURCES
    ${b}/Files_windows.cpp
    ${b}/Processes_windows.cpp
    ${PUFFSHELL_SOURCE_DIR}/workbench/app/OutputFolder.cpp
    ${PUFFSHELL_SOURCE_DIR}/workbench/common/RemoveFolder.cpp)
else()
  list(APPEND PUFFSHELL_BAKER_SOURCES ${b}/Files_posix.cpp ${b}/Processes_posix.cpp)
endif()

if(WIN32)
  # The windowless plug-in of the native trees, here with the system's own Windows calls.
  include(${PUFFSHELL_SOURCE_DIR}/cmake/WindowlessPlugin.cmake)
  add_library(baker_plugin STATIC ${PUFFSHELL_WINDOWLESS_SOURCES} ${PUFFSHELL_EVENT_SOURCES}
              ${PUFFSHELL_SOURCE_DIR}/native/PanelStandIn.cpp)
  target_include_directories(baker_plugin PUBLIC ${PUFFSHELL_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(baker_plugin PUBLIC user32 gdi32 kernel32)
  set(PUFFSHELL_BAKER_LIBRARIES baker_plugin WorkbenchHost shell32)
else()
  set(PUFFSHELL_BAKER_LIBRARIES native_plugin_core native_workbench)
endif()

# Everything but main(), so that the tests bake in-process.
add_library(baker_core STATIC ${PUFFSHELL_BAKER_SOURCES})
target_include_directories(baker_core PUBLIC ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(baker_core PUBLIC ${PUFFSHELL_BAKER_LIBRARIES})

add_executable(puffshell ${b}/main.cpp)
target_link_libraries(puffshell PRIVATE baker_core)
if(NOT WIN32)
  set_target_properties(puffshell PROPERTIES BUILD_RPATH "$ORIGIN")
endif()
