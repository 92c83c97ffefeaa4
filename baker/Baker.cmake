# The baking command puffshell, built in the native trees (native/CMakeLists.txt): optimised in
# build/baker (make baker), under the sanitizers with the checked build's tests in build/native.
# It runs the plug-in's windowless code (native_plugin_core: settings, presets, push, freeze) on the
# workbench's host model (WorkbenchHost.so beside it, bound as the plug-in binds its host).
file(STRINGS ${PUFFSHELL_SOURCE_DIR}/CMakeLists.txt PUFFSHELL_PROJECT_LINE REGEX "^project\\(Puffshell VERSION")
string(REGEX MATCH "VERSION ([0-9]+)\\.([0-9]+)\\.([0-9]+)" _ "${PUFFSHELL_PROJECT_LINE}")
set(PROJECT_VERSION_MAJOR ${CMAKE_MATCH_1})
set(PROJECT_VERSION_MINOR ${CMAKE_MATCH_2})
set(PROJECT_VERSION_PATCH ${CMAKE_MATCH_3})
set(PROJECT_VERSION ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3})
file(STRINGS ${PUFFSHELL_SOURCE_DIR}/LICENSE PUFFSHELL_COPYRIGHT REGEX "^Copyright" LIMIT_COUNT 1)
configure_file(${PUFFSHELL_SOURCE_DIR}/plugin/Version.h.in ${CMAKE_BINARY_DIR}/generated/plugin/Version.h @ONLY)

set(b ${PUFFSHELL_SOURCE_DIR}/baker)
# Everything but main(), so that the tests bake in-process.
add_library(baker_core STATIC
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
target_include_directories(baker_core PUBLIC ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(baker_core PUBLIC native_plugin_core native_workbench)

add_executable(puffshell ${b}/main.cpp)
target_link_libraries(puffshell PRIVATE baker_core)
set_target_properties(puffshell PROPERTIES BUILD_RPATH "$ORIGIN")
