# The GoogleTest programs of the native checked build: the existing tests of the windowless parts,
# compiled from the same files as the Windows test programs, and tests/native, the plug-in's core
# (its event entry, the draw pass, the freeze) driven in-process with the panel's stand-in
# (PanelStandIn.h). Tests that need the real plug-in DLL (its panel, its dialogs, loading it with
# LoadLibrary) stay in the Windows builds: tests/panel, tests/freeze, tests/shell,
# tests/robustness, tests/demo, and DriverTest, RedrawReuseTest, PluginShellTest and
# PushCacheRebuildTest. Single tests that rest on Windows itself are filtered out below, each with
# why.

# GoogleTest from Debian's sources, with the same checks as everything else.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

set(t ${PUFFSHELL_SOURCE_DIR}/tests)
file(GLOB NATIVE_COMMON_SOURCES CONFIGURE_DEPENDS ${PUFFSHELL_SOURCE_DIR}/workbench/common/*.cpp)
add_library(native_test_support OBJECT ${t}/support/TestHost.cpp LeakCheck.cpp
            ${NATIVE_COMMON_SOURCES})
target_link_libraries(native_test_support PUBLIC gtest native_workbench native_plugin)

# Every test writes its files under TMPDIR (GetTempPathA), a folder of this build tree that
# scripts/check-native.sh empties before and after a run.
set(NATIVE_TEST_TMPDIR ${CMAKE_BINARY_DIR}/tmp)
file(MAKE_DIRECTORY ${NATIVE_TEST_TMPDIR})

enable_testing()
# native_test(NAME FILTER SOURCES...): the program native_test_NAME and its CTest test NAME;
# FILTER is a --gtest_filter ("*" for all).
function(native_test name filter)
  add_executable(native_test_${name} ${ARGN})
  target_link_libraries(native_test_${name} PRIVATE native_test_support gtest_main)
  add_test(NAME native_${name} COMMAND native_test_${name} --gtest_brief=1 --gtest_filter=${filter}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  # The first report ends the program. The test programs hold tinyobjloader's code as the host
  # does, so the two copies' identical definitions are no finding: only copies that differ are.
  set_tests_properties(native_${name} PROPERTIES TIMEOUT 300 ENVIRONMENT
    "TMPDIR=${NATIVE_TEST_TMPDIR};ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_odr_violation=1:detect_stack_use_after_return=1:strict_string_checks=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endfunction()

# Geometry, settings and the height map over the workbench host. The push cache's rebuild test
# stays in the Windows builds: it builds the workbench program's default scene, whose code writes
# to the Windows console.
file(GLOB NATIVE_GEOMETRY_TESTS CONFIGURE_DEPENDS ${t}/geometry/*.cpp)
list(FILTER NATIVE_GEOMETRY_TESTS EXCLUDE REGEX "/PushCacheRebuildTest\\.cpp$")
native_test(geometry "*"
            ${NATIVE_GEOMETRY_TESTS})

# The host model, the scene readers and writers with their encodings, the image loader. Left
# out: the main window (there is none), and names written as code page 932 string literals, which
# clang keeps in UTF-8.
set(NATIVE_WORKBENCH_WINDOWS_ONLY
    HostModel.MainWindowIsARealTopLevelWindow
    SavedScene.NamesInUtf8Cp932AndLatin1LoadSaveAndReachTheGlb)
string(REPLACE ";" ":" NATIVE_WORKBENCH_WINDOWS_ONLY "${NATIVE_WORKBENCH_WINDOWS_ONLY}")
native_test(workbench "-${NATIVE_WORKBENCH_WINDOWS_ONLY}"
            ${t}/workbench/HostModelTest.cpp
            ${t}/workbench/ImageLoaderTest.cpp
            ${t}/workbench/ObjSceneTest.cpp
            ${t}/workbench/SavedSceneTest.cpp
            ${t}/workbench/TextEncodingTest.cpp
            ${t}/workbench/TriangulatePolygonTest.cpp)

# The renderer against the reference pictures.
native_test(render "*" ${t}/render/RenderTest.cpp ${t}/render/ImageBlocksTest.cpp
            ${t}/render/RenderScenes.cpp)
target_link_libraries(native_test_render PRIVATE native_render)
target_compile_definitions(native_test_render PRIVATE TEST_DATA_DIR="${t}/data")

# The plug-in's core as the host drives it: its event entry, the draw pass and the freeze, linked
# into the program with the panel's stand-in. The Windows builds leave tests/native out.
file(GLOB NATIVE_PLUGIN_TESTS CONFIGURE_DEPENDS ${t}/native/*.cpp)
native_test(plugin "*" ${NATIVE_PLUGIN_TESTS})
target_link_libraries(native_test_plugin PRIVATE native_plugin_core)

# The baking command, in-process and as the program beside this one.
file(GLOB NATIVE_BAKER_TESTS CONFIGURE_DEPENDS ${t}/baker/*.cpp)
native_test(baker "*" ${NATIVE_BAKER_TESTS})
target_link_libraries(native_test_baker PRIVATE baker_core)
add_dependencies(native_test_baker puffshell)
